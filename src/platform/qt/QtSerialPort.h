// SPDX-License-Identifier: Apache-2.0
#pragma once
// The serial port over QSerialPort: 8 data bits, no parity, 1 stop bit, no flow control unless
// the line settings say otherwise. Every platform failure leaves the port closed and the program
// running; nothing is thrown and no dialog is shown.

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "platform/CommPort.h"
#include "platform/qt/LineErrorCounter.h"
#include "platform/qt/PortDevices.h"

namespace orvane::platform::qt {

class QtSerialPort final : public QObject, public CommPort {
  Q_OBJECT

 public:
  // Line errors are counted from counts (the system's own counters unless a test gives others).
  explicit QtSerialPort(QObject* parent = nullptr,
                        std::unique_ptr<LineCountSource> counts = SystemLineCounts());
  ~QtSerialPort() override;

  void SetPortNumber(std::int16_t number) override;
  std::int16_t PortNumber() const override;
  // Opens this device from now on, whatever the port number leads to (a command-line tool names
  // its devices itself). Any bytes the system takes as a path.
  void SetDevice(const QByteArray& path);
  // The device the next Open opens: the one set, else the port number's.
  QByteArray DevicePath() const;
  bool SetLineSettings(const LineSettings& settings) override;
  LineSettings lineSettings() const override;
  bool HasLineSpeed() const override { return true; }
  bool Open() override;
  void Close() override;
  bool IsOpen() const override;
  bool CanReportLineErrors() const override;
  void Output(std::span<const std::uint8_t> frame) override;

  // In words: the device the port number leads to, and why it could not be opened or was lost
  // ("/dev/ttyUSB0: no such device"). Brought up to date by every open and failure.
  QString Diagnosis() const;

 signals:
  // The device failed (vanished, read or write error) and the port has been closed; emitted
  // once per failure, after the close.
  void failed(const QString& reason);
  // Diagnosis() has changed.
  void diagnosisChanged(const QString& diagnosis);

 private:
  void OnReadyRead();
  void DeliverLineErrors();
  void OnError(int error);
  void FailLater(const QString& reason);
  void CloseNow();
  void StartLineErrors();
  void Diagnose(const QString& diagnosis);

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::platform::qt
