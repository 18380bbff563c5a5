// SPDX-License-Identifier: Apache-2.0
#include "platform/qt/PortDevices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <utility>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace orvane::platform::qt {

namespace {

bool IsUsb(const QString& name) {
  return name.startsWith(QLatin1String("ttyACM")) || name.startsWith(QLatin1String("ttyUSB")) ||
         name.startsWith(QLatin1String("cu.usb"));
}

// The name without its trailing digits, and those digits as a number.
std::pair<QString, qulonglong> SplitNumber(const QString& name) {
  qsizetype digits = name.size();
  while (digits > 0 && name.at(digits - 1).isDigit()) --digits;
  return {name.left(digits), name.mid(digits).toULongLong()};
}

bool IsUtf8(const QByteArray& bytes) {
  // Stateless: a path ending in the first byte of a sequence is an error, not a wait for more.
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  static_cast<void>(QString(decoder(bytes)));
  return !decoder.hasError();
}

}  // namespace

QString NthPort(QList<ListedPort> ports, std::int16_t n) {
  if (n < 1 || n > ports.size()) return {};
  std::sort(ports.begin(), ports.end(), [](const ListedPort& a, const ListedPort& b) {
    const bool usbA = IsUsb(a.name);
    const bool usbB = IsUsb(b.name);
    if (usbA != usbB) return usbA;
    const auto keyA = SplitNumber(a.name);
    const auto keyB = SplitNumber(b.name);
    if (keyA != keyB) return keyA < keyB;
    return a.name < b.name;
  });
  return ports.at(n - 1).location;
}

QByteArray DevicePathForPort(std::int16_t n) {
  if (n < 1) return {};
#ifdef Q_OS_WIN
  return QStringLiteral("COM%1").arg(n).toUtf8();
#else
  const QByteArray variable = "ORVANE_COM" + QByteArray::number(n);
  if (qEnvironmentVariableIsSet(variable.constData())) return qgetenv(variable.constData());
  QList<ListedPort> ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    ports.append({info.portName(), info.systemLocation()});
  }
  return NthPort(std::move(ports), n).toUtf8();
#endif
}

QString ReadablePath(const QByteArray& path) {
  if (IsUtf8(path)) return QString::fromUtf8(path);
  QString text;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      text += QLatin1Char(c);
    } else {
      text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
  }
  return text;
}

QString DeviceForPort(std::int16_t n) {
  return ReadablePath(DevicePathForPort(n));
}

QString DeviceAlias::For(const QByteArray& path) {
  if (IsUtf8(path)) return QString::fromUtf8(path);
#ifdef Q_OS_WIN
  return {};
#else
  if (!dir_ || !dir_->isValid()) {
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QFileInfo(base).isWritable()) base = QDir::tempPath();
    dir_ = std::make_unique<QTemporaryDir>(base + QStringLiteral("/orvane-config-XXXXXX"));
    if (!dir_->isValid()) return {};
  }
  const QString link = dir_->filePath(QStringLiteral("device"));
  const QByteArray linkBytes = QFile::encodeName(link);
  ::unlink(linkBytes.constData());
  if (::symlink(path.constData(), linkBytes.constData()) != 0) return {};
  return link;
#endif
}

QString OpenFailureReason(const QByteArray& path, bool permissionRefused, const QString& other) {
  const QString inUse = QStringLiteral("busy: another program has it open");
#ifdef Q_OS_WIN
  if (permissionRefused) return inUse;
  return other;
#else
  struct stat info {};
  if (::stat(path.constData(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return QStringLiteral("no such device");
    if (errno != EACCES) return QString::fromLocal8Bit(std::strerror(errno));
  } else if (!S_ISCHR(info.st_mode)) {
    return QStringLiteral("not a serial device");
  }
  if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES) {
    return QStringLiteral(
        "permission denied — add your user to the dialout group (sudo adduser $USER dialout, then "
        "log in again)");
  }
  if (permissionRefused) return inUse;
  return other;
#endif
}

}  // namespace orvane::platform::qt
