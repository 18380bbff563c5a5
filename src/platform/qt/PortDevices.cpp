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
#include <grp.h>
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

#ifndef Q_OS_WIN
namespace {

// Serial devices are opened through their group (dialout on Debian); a device no group may open
// is the administrator's business, and a hint to join root would be wrong.
QString PermissionDenied(const struct stat& info) {
  const bool groupMayOpen = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
  const struct group* owner = ::getgrgid(info.st_gid);
  if (!groupMayOpen || info.st_gid == 0 || owner == nullptr) {
    return QStringLiteral(
        "permission denied (no group may open the device; ask the administrator)");
  }
  const QString group = QString::fromLocal8Bit(owner->gr_name);
  return QStringLiteral(
             "permission denied (the device belongs to group %1: add yourself with "
             "'sudo usermod -aG %1 $USER' and log in again)")
      .arg(group);
}

}  // namespace
#endif

std::optional<QString> DeviceFault(const QByteArray& path) {
#ifdef Q_OS_WIN
  static_cast<void>(path);
  return std::nullopt;  // COM ports are not files; the open says what is wrong
#else
  struct stat info {};
  if (::stat(path.constData(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return QStringLiteral("no such device");
    return QString::fromLocal8Bit(std::strerror(errno));
  }
  if (!S_ISCHR(info.st_mode)) return QStringLiteral("not a serial device");
  if (::access(path.constData(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM)) {
    return PermissionDenied(info);
  }
  return std::nullopt;
#endif
}

QString OpenFailureReason(const QByteArray& path, bool permissionRefused, const QString& other) {
  if (auto fault = DeviceFault(path)) return *fault;
  if (permissionRefused) return QStringLiteral("busy: another program has it open");
  return other;
}

}  // namespace orvane::platform::qt
