// SPDX-License-Identifier: Apache-2.0
#pragma once
// The port the window's Comm menu chooses. Port number N names a device (DeviceForPort): a
// device "tcp://HOST:PORT" is reached over a TCP connection, anything else is a serial port.
// The line settings are kept whatever the device and applied to the serial port; a TCP
// connection has no speed and reports no line errors.

#include <QObject>
#include <QString>
#include <cstdint>
#include <variant>

#include "platform/CommPort.h"
#include "platform/qt/QtSerialPort.h"
#include "platform/qt/QtTcpLink.h"

namespace orvane::platform::qt {

struct TcpPeer {
  QString host;
  std::uint16_t port = 0;
  friend bool operator==(const TcpPeer&, const TcpPeer&) = default;
};

// Whether the device names a TCP peer rather than a serial port.
bool IsTcpDevice(const QString& device);
// HOST and PORT of "tcp://HOST:PORT" ("[::1]" for an IPv6 address), or why the device names no
// TCP peer, beginning with the device.
std::variant<TcpPeer, QString> ParseTcpDevice(const QString& device);

class QtCommPort final : public QObject, public CommPort {
  Q_OBJECT

 public:
  explicit QtCommPort(QObject* parent = nullptr);
  ~QtCommPort() override;

  void SetPortNumber(std::int16_t number) override;
  std::int16_t PortNumber() const override { return serial_->PortNumber(); }
  // Opens this device ("tcp://HOST:PORT" or a serial device) from now on, whatever the port
  // number leads to.
  void SetDevice(const QByteArray& device) { serial_->SetDevice(device); }
  bool SetLineSettings(const LineSettings& settings) override;
  LineSettings lineSettings() const override { return serial_->lineSettings(); }
  bool HasLineSpeed() const override;
  bool Open() override;
  void Close() override;
  bool IsOpen() const override;
  bool CanReportLineErrors() const override;
  void Output(std::span<const std::uint8_t> frame) override;

  // In words: the device the chosen number leads to and, when it cannot be opened or was lost,
  // why. Shown where the status caption has no room for it.
  QString Diagnosis() const;

 signals:
  // The device failed or the connection was refused or dropped, and the port has been closed.
  void failed(const QString& reason);
  // Diagnosis() has changed.
  void diagnosisChanged(const QString& diagnosis);

 private:
  void DiagnoseTcp(const QString& device, const QString& problem);
  QString Device() const { return ReadablePath(serial_->DevicePath()); }

  QtSerialPort* serial_;    // child
  QtTcpLink* tcp_;          // child
  Link* active_ = nullptr;  // what the last Open opened
  QString tcpDiagnosis_;    // while the number leads to a TCP peer
};

}  // namespace orvane::platform::qt
