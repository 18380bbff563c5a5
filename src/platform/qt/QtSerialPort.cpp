#include "platform/qt/QtSerialPort.h"

#include <QByteArray>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <utility>

#include "platform/qt/LineErrorCounter.h"

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

// Handlers of the logic run inside Qt's signal delivery; nothing they throw may cross it.
template <typename F>
void Guarded(F&& f) noexcept {
  try {
    std::forward<F>(f)();
  } catch (const std::exception& e) {
    qWarning("serial port: %s", e.what());
  } catch (...) {
    qWarning("serial port: unknown exception");
  }
}

}  // namespace

struct QtSerialPort::Impl {
  QSerialPort* port = nullptr;  // child of the QtSerialPort
  QTimer* linePoll = nullptr;   // child of the QtSerialPort
  LineErrorCounter lineErrors;
  std::int16_t commPort = 1;
  LineSettings settings = kDefaultSettings;
  // Raised by the first failure of an open port, until the queued close runs; the port reads
  // as closed from then on.
  bool failing = false;
  QString failure;  // why, for the failed signal
  // What the device last opened could do; kept while closed, so that a search that closes and
  // re-opens the port judges the same way throughout.
  bool reportsLineErrors = false;
  // Counts opens, so that a queued close never closes a port opened after the failure.
  std::uint64_t generation = 0;
};

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent), impl_(std::make_unique<Impl>()) {
  impl_->port = new QSerialPort(this);
  impl_->linePoll = new QTimer(this);
  impl_->linePoll->setTimerType(Qt::PreciseTimer);
  impl_->linePoll->setInterval(kLineErrorPoll);
  SetLineSettings(kDefaultSettings);

  connect(impl_->port, &QSerialPort::readyRead, this,
          [this] { Guarded([this] { OnReadyRead(); }); });
  connect(impl_->port, &QSerialPort::errorOccurred, this,
          [this](QSerialPort::SerialPortError error) { OnError(static_cast<int>(error)); });
  connect(impl_->linePoll, &QTimer::timeout, this,
          [this] { Guarded([this] { DeliverLineErrors(); }); });
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

bool QtSerialPort::SetLineSettings(const LineSettings& settings) {
  if (settings.dataBits < 5 || settings.dataBits > 8 || settings.stopBits < 1 ||
      settings.stopBits > 2 || settings.baud <= 0) {
    return false;
  }
  if (impl_->failing) CloseNow();  // a failed device takes settings as a closed port does
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
  const QString device = DeviceForPort(impl_->commPort);
  if (device.isEmpty()) return false;
  QSerialPort& port = *impl_->port;
  port.setPortName(device);
  if (!port.open(QIODevice::ReadWrite)) {
    port.clearError();
    return false;
  }
  ++impl_->generation;
  impl_->failing = false;
  StartLineErrors();
  return true;
}

void QtSerialPort::Close() {
  CloseNow();
}

void QtSerialPort::StartLineErrors() {
  impl_->reportsLineErrors = impl_->lineErrors.Begin(*impl_->port);
  if (impl_->reportsLineErrors) {
    impl_->linePoll->start();
  } else {
    impl_->linePoll->stop();
  }
}

void QtSerialPort::CloseNow() {
  const bool wasFailing = std::exchange(impl_->failing, false);
  impl_->linePoll->stop();
  impl_->lineErrors.End();
  ++impl_->generation;
  if (impl_->port->isOpen()) impl_->port->close();
  impl_->port->clearError();
  if (wasFailing) emit failed(impl_->failure);
}

bool QtSerialPort::IsOpen() const {
  return impl_->port->isOpen() && !impl_->failing;
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
  const std::uint32_t fresh = impl_->lineErrors.TakeNew(*impl_->port);
  for (std::uint32_t i = 0; i < fresh && IsOpen(); ++i) DeliverLineError(LineError::Framing);
}

void QtSerialPort::OnError(int error) {
  switch (static_cast<QSerialPort::SerialPortError>(error)) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::ResourceError:
      // A hung-up device keeps isOpen() true and repeats the error in a tight loop: the first
      // one closes the port, outside Qt's own error handling.
      if (impl_->port->isOpen()) FailLater(impl_->port->errorString());
      break;
    default:
      // Open failures are answered by Open's result; the rest leave the port usable.
      break;
  }
}

void QtSerialPort::FailLater(const QString& reason) {
  if (impl_->failing) return;
  impl_->failing = true;
  impl_->failure = reason;
  impl_->linePoll->stop();
  const auto generation = impl_->generation;
  QMetaObject::invokeMethod(
      this,
      [this, generation] {
        if (generation == impl_->generation && impl_->failing) CloseNow();
      },
      Qt::QueuedConnection);
}

QString DeviceForPort(std::int16_t n) {
  if (n < 1) return {};
#ifdef Q_OS_WIN
  return QStringLiteral("COM%1").arg(n);
#else
  const QByteArray variable = "ORVANE_COM" + QByteArray::number(n);
  if (qEnvironmentVariableIsSet(variable.constData())) {
    return qEnvironmentVariable(variable.constData());
  }
  auto ports = QSerialPortInfo::availablePorts();
  const auto isUsb = [](const QSerialPortInfo& info) {
    const QString name = info.portName();
    return name.startsWith(QLatin1String("ttyACM")) || name.startsWith(QLatin1String("ttyUSB")) ||
           name.startsWith(QLatin1String("cu.usb"));
  };
  // Name order with numbers compared as numbers, so ttyUSB2 comes before ttyUSB10.
  const auto split = [](const QString& name) {
    qsizetype digits = name.size();
    while (digits > 0 && name.at(digits - 1).isDigit()) --digits;
    return std::pair(name.left(digits), name.mid(digits).toULongLong());
  };
  std::sort(ports.begin(), ports.end(), [&](const QSerialPortInfo& a, const QSerialPortInfo& b) {
    const bool usbA = isUsb(a);
    const bool usbB = isUsb(b);
    if (usbA != usbB) return usbA;
    const auto keyA = split(a.portName());
    const auto keyB = split(b.portName());
    if (keyA != keyB) return keyA < keyB;
    return a.portName() < b.portName();
  });
  if (n > ports.size()) return {};
  return ports.at(n - 1).systemLocation();
#endif
}

}  // namespace orvane::platform::qt
