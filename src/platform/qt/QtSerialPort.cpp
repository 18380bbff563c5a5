// SPDX-License-Identifier: Apache-2.0
#include "platform/qt/QtSerialPort.h"

#include <QByteArray>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>
#include <utility>

#include "platform/qt/DeviceFailure.h"
#include "platform/qt/Guarded.h"

namespace orvane::platform::qt {

namespace {

constexpr auto kLineErrorPoll = std::chrono::milliseconds(100);
constexpr LineSettings kDefaultSettings = AtBaud(9600);

QSerialPort::Parity ToParity(Parity parity) {
  switch (parity) {
    case Parity::Even:
      return QSerialPort::EvenParity;
    case Parity::Odd:
      return QSerialPort::OddParity;
    case Parity::Mark:
      return QSerialPort::MarkParity;
    case Parity::Space:
      return QSerialPort::SpaceParity;
    case Parity::None:
      break;
  }
  return QSerialPort::NoParity;
}

// What QSerialPort holds of the line settings, to put back when a change is refused midway.
struct Applied {
  qint32 baud;
  QSerialPort::DataBits dataBits;
  QSerialPort::Parity parity;
  QSerialPort::StopBits stopBits;
};

bool Apply(QSerialPort& port, const Applied& a) {
  return port.setBaudRate(a.baud) && port.setDataBits(a.dataBits) && port.setParity(a.parity) &&
         port.setStopBits(a.stopBits) && port.setFlowControl(QSerialPort::NoFlowControl);
}

qintptr NativeHandle(const QSerialPort& port) {
#ifdef Q_OS_WIN
  return reinterpret_cast<qintptr>(port.handle());
#else
  return port.handle();
#endif
}

}  // namespace

struct QtSerialPort::Impl {
  explicit Impl(std::unique_ptr<LineCountSource> counts) : lineErrors(std::move(counts)) {}

  QSerialPort* port = nullptr;  // child of the QtSerialPort
  QTimer* linePoll = nullptr;   // child of the QtSerialPort
  LineErrorCounter lineErrors;
  DeviceAlias alias;
  QString diagnosis;
  std::int16_t commPort = 1;
  std::optional<QByteArray> device;  // set: opened instead of the port number's device
  LineSettings settings = kDefaultSettings;
  DeviceFailure failure;
  // What the device last opened could do; kept while closed, so that a search that closes and
  // re-opens the port judges the same way throughout.
  bool reportsLineErrors = false;
};

QtSerialPort::QtSerialPort(QObject* parent, std::unique_ptr<LineCountSource> counts)
    : QObject(parent), impl_(std::make_unique<Impl>(std::move(counts))) {
  impl_->port = new QSerialPort(this);
  impl_->linePoll = new QTimer(this);
  impl_->linePoll->setTimerType(Qt::PreciseTimer);
  impl_->linePoll->setInterval(kLineErrorPoll);
  SetLineSettings(kDefaultSettings);

  connect(impl_->port, &QSerialPort::readyRead, this,
          [this] { Guarded("serial port", [this] { OnReadyRead(); }); });
  connect(impl_->port, &QSerialPort::errorOccurred, this,
          [this](QSerialPort::SerialPortError error) { OnError(static_cast<int>(error)); });
  connect(impl_->linePoll, &QTimer::timeout, this,
          [this] { Guarded("serial port", [this] { DeliverLineErrors(); }); });
}

QtSerialPort::~QtSerialPort() {
  // The port goes with its parent; no handler may run while it closes.
  impl_->port->disconnect(this);
  impl_->port->close();
}

void QtSerialPort::SetPortNumber(std::int16_t number) {
  impl_->commPort = number;
}

std::int16_t QtSerialPort::PortNumber() const {
  return impl_->commPort;
}

void QtSerialPort::SetDevice(const QByteArray& path) {
  impl_->device = path;
}

QByteArray QtSerialPort::DevicePath() const {
  return impl_->device ? *impl_->device : DevicePathForPort(impl_->commPort);
}

bool QtSerialPort::SetLineSettings(const LineSettings& settings) {
  if (settings.dataBits < 5 || settings.dataBits > 8 || settings.stopBits < 1 ||
      settings.stopBits > 2 || settings.baud <= 0) {
    return false;
  }
  if (impl_->failure.failing()) CloseNow();  // a failed device takes settings as a closed port does
  QSerialPort& port = *impl_->port;
  const Applied before{port.baudRate(), port.dataBits(), port.parity(), port.stopBits()};
  const Applied wanted{settings.baud, static_cast<QSerialPort::DataBits>(settings.dataBits),
                       ToParity(settings.parity),
                       settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop};
  if (!Apply(port, wanted)) {
    Apply(port, before);
    port.clearError();
    return false;
  }
  impl_->settings = settings;
  if (IsOpen()) StartLineErrors();
  return true;
}

LineSettings QtSerialPort::lineSettings() const {
  return impl_->settings;
}

bool QtSerialPort::Open() {
  if (IsOpen()) return true;
  CloseNow();  // a port still open after a failure is closed before it is opened again
  const QByteArray path = DevicePath();
  if (path.isEmpty()) {
    Diagnose(QStringLiteral("port %1 leads to no device").arg(impl_->commPort));
    return false;
  }
  const QString shown = ReadablePath(path);
  const QString device = impl_->alias.For(path);
  if (device.isEmpty()) {
    Diagnose(shown + QStringLiteral(": cannot be reached (no link to its name could be made)"));
    return false;
  }
  QSerialPort& port = *impl_->port;
  port.setPortName(device);
  if (!port.open(QIODevice::ReadWrite)) {
    const bool refused = port.error() == QSerialPort::PermissionError;
    Diagnose(shown + QStringLiteral(": ") + OpenFailureReason(path, refused, port.errorString()));
    port.clearError();
    return false;
  }
  impl_->failure.Reset();
  Diagnose(shown);
  StartLineErrors();
  return true;
}

void QtSerialPort::Close() {
  CloseNow();
}

QString QtSerialPort::Diagnosis() const {
  return impl_->diagnosis;
}

void QtSerialPort::Diagnose(const QString& diagnosis) {
  if (diagnosis == impl_->diagnosis) return;
  impl_->diagnosis = diagnosis;
  emit diagnosisChanged(diagnosis);
}

void QtSerialPort::StartLineErrors() {
  impl_->reportsLineErrors = impl_->lineErrors.Begin(NativeHandle(*impl_->port));
  if (impl_->reportsLineErrors) {
    impl_->linePoll->start();
  } else {
    impl_->linePoll->stop();
  }
}

void QtSerialPort::CloseNow() {
  const bool wasFailing = impl_->failure.Reset();
  impl_->linePoll->stop();
  impl_->lineErrors.End();
  if (impl_->port->isOpen()) impl_->port->close();
  impl_->port->clearError();
  if (wasFailing) emit failed(impl_->failure.reason());
}

bool QtSerialPort::IsOpen() const {
  return impl_->port->isOpen() && !impl_->failure.failing();
}

bool QtSerialPort::CanReportLineErrors() const {
  return impl_->reportsLineErrors;
}

void QtSerialPort::Output(std::span<const std::uint8_t> frame) {
  if (!IsOpen() || frame.empty()) return;
  const auto size = static_cast<qint64>(frame.size());
  if (impl_->port->write(reinterpret_cast<const char*>(frame.data()), size) != size) {
    FailLater(QStringLiteral("write failed: %1").arg(impl_->port->errorString()));
  }
}

void QtSerialPort::OnReadyRead() {
  if (!IsOpen()) return;
  const QByteArray bytes = impl_->port->readAll();
  // Errors first: they belong to these bytes or to bytes before them.
  DeliverLineErrors();
  if (bytes.isEmpty() || !IsOpen()) return;
  DeliverBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                         static_cast<std::size_t>(bytes.size())));
}

void QtSerialPort::DeliverLineErrors() {
  if (!IsOpen()) return;
  for (const LineError error : impl_->lineErrors.TakeNew(NativeHandle(*impl_->port))) {
    if (!IsOpen()) return;  // a handler closed the port
    DeliverLineError(error);
  }
}

namespace {

// A device that went away (a pseudo-terminal whose other end closed, an unplugged adapter)
// fails whatever call comes next, and the system's words for that call's error ("Inappropriate
// ioctl for device", "Input/output error") say nothing to a user.
QString LossReason(const QString& systemText) {
  for (const int code : {ENOTTY, EIO, ENXIO, ENODEV}) {
    if (systemText == QString::fromLocal8Bit(std::strerror(code))) {
      return QStringLiteral("the device closed");
    }
  }
  return systemText;
}

}  // namespace

void QtSerialPort::OnError(int error) {
  switch (static_cast<QSerialPort::SerialPortError>(error)) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
      // A hung-up device keeps isOpen() true and repeats the error in a tight loop: the first
      // one closes the port, outside Qt's own error handling.
      if (impl_->port->isOpen()) FailLater(LossReason(impl_->port->errorString()));
      break;
    default:
      // Open failures are answered by Open's result; the rest leave the port usable.
      break;
  }
}

void QtSerialPort::FailLater(const QString& reason) {
  if (!impl_->failure.Raise(this, reason, [this] { CloseNow(); })) return;
  Diagnose(ReadablePath(DevicePath()) + QStringLiteral(": lost (") + reason + QLatin1Char(')'));
  impl_->linePoll->stop();
}

}  // namespace orvane::platform::qt
