// SPDX-License-Identifier: Apache-2.0
#pragma once
// Which device a COM port number opens on this machine, and why it could not be opened, in words
// an operator can act on.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <optional>

namespace orvane::platform::qt {

// A serial port the system lists: its short name ("ttyUSB0") and where it is ("/dev/ttyUSB0").
struct ListedPort {
  QString name;
  QString location;
};

// The location of the n-th port (1-based) of ports: USB adapters first (the receiver is almost
// always on one; the board's own ports come after), each group in name order with numbers
// compared as numbers, so ttyUSB2 comes before ttyUSB10. Empty when there is no n-th port.
QString NthPort(QList<ListedPort> ports, std::int16_t n);

// The device that COM port number n (1..8) opens, as bytes for the system: "COMn" on Windows;
// elsewhere $ORVANE_COM<n> exactly as set (any bytes), else NthPort of the system's ports.
// Empty when there is no such port.
QByteArray DevicePathForPort(std::int16_t n);

// The same for people to read: bytes that are not UTF-8 are shown as \xNN.
QString DeviceForPort(std::int16_t n);
QString ReadablePath(const QByteArray& path);

// QSerialPort takes the device as a QString, which cannot carry a path whose bytes are not
// UTF-8. Such a path is reached through a symbolic link with a plain name in a private directory
// under $XDG_RUNTIME_DIR (or the temporary directory), removed with this object.
class DeviceAlias {
 public:
  // A name QSerialPort can open for path: path itself when it is UTF-8, else the link (made
  // afresh). Empty when the link cannot be made.
  QString For(const QByteArray& path);

 private:
  std::unique_ptr<QTemporaryDir> dir_;
};

// What is wrong with a device, seen from the file alone without opening it (opening a USB serial
// port can reset the board behind it): "no such device", "not a serial device", "permission
// denied (...)" with the group that may open it. Nothing when the device looks usable. The
// window's tooltip and orvanectl both say it in these words.
std::optional<QString> DeviceFault(const QByteArray& path);

// Why a device could not be opened: its DeviceFault, else "busy: another program has it open"
// when the open was refused for permission (the file allows it, so another program holds it),
// else other, the reason the open gave.
QString OpenFailureReason(const QByteArray& path, bool permissionRefused, const QString& other);

}  // namespace orvane::platform::qt
