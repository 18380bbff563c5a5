#pragma once
// The serial port over QSerialPort: 8 data bits, no parity, 1 stop bit, no flow control unless
// the line settings say otherwise. Every platform failure leaves the port closed and the program
// running; nothing is thrown and no dialog is shown.

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "platform/SerialLine.h"

namespace orvane::platform::qt {

class QtSerialPort final : public QObject, public CommPort {
  Q_OBJECT

 public:
  explicit QtSerialPort(QObject* parent = nullptr);
  ~QtSerialPort() override;

  void SetPortNumber(std::int16_t number) override;
  std::int16_t PortNumber() const override;
  bool SetLineSettings(const LineSettings& settings) override;
  LineSettings lineSettings() const override;
  bool HasLineSpeed() const override { return true; }
  bool Open() override;
  void Close() override;
  bool IsOpen() const override;
  bool CanReportLineErrors() const override;
  void Output(std::span<const std::uint8_t> frame) override;

 signals:
  // The device failed (vanished, read or write error) and the port has been closed; emitted
  // once per failure, after the close.
  void failed(const QString& reason);

 private:
  void OnReadyRead();
  void DeliverLineErrors();
  void OnError(int error);
  void FailLater(const QString& reason);
  void CloseNow();
  void StartLineErrors();

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The device that COM port number n (1..8) opens on this machine: "COMn" on Windows; elsewhere
// $ORVANE_COM<n> when set, else the n-th serial port, USB ports first, each group by name.
// Empty when there is no such port.
QString DeviceForPort(std::int16_t n);

}  // namespace orvane::platform::qt
