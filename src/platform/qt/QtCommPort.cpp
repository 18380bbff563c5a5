// SPDX-License-Identifier: Apache-2.0
#include "platform/qt/QtCommPort.h"

#include <string>

#include "platform/PortName.h"

namespace orvane::platform::qt {

bool IsTcpDevice(const QString& device) {
  return IsTcpName(device.toStdString());
}

std::variant<TcpPeer, QString> ParseTcpDevice(const QString& device) {
  const auto parsed = ParsePortName(device.toStdString());
  const auto* name = std::get_if<PortName>(&parsed);
  if (name == nullptr) return QString::fromStdString(std::get<std::string>(parsed));
  if (name->kind != PortName::Kind::Tcp) return device + QStringLiteral(": not a TCP address");
  return TcpPeer{QString::fromStdString(name->host), name->tcpPort};
}

QtCommPort::QtCommPort(QObject* parent)
    : QObject(parent), serial_(new QtSerialPort(this)), tcp_(new QtTcpLink(this)) {
  const auto deliver = [this](std::span<const std::uint8_t> bytes) { DeliverBytes(bytes); };
  serial_->SetBytesHandler(deliver);
  tcp_->SetBytesHandler(deliver);
  serial_->SetLineErrorHandler([this](LineError error) { DeliverLineError(error); });
  connect(serial_, &QtSerialPort::failed, this, &QtCommPort::failed);
  connect(tcp_, &QtTcpLink::failed, this, &QtCommPort::failed);
  connect(serial_, &QtSerialPort::diagnosisChanged, this, [this](const QString& diagnosis) {
    if (active_ == serial_) emit diagnosisChanged(diagnosis);
  });
  connect(tcp_, &QtTcpLink::failed, this,
          [this](const QString& reason) { DiagnoseTcp(Device(), reason); });
}

QString QtCommPort::Diagnosis() const {
  return active_ == tcp_ ? tcpDiagnosis_ : serial_->Diagnosis();
}

void QtCommPort::DiagnoseTcp(const QString& device, const QString& problem) {
  const QString diagnosis = problem.isEmpty() ? device : device + QStringLiteral(": ") + problem;
  if (diagnosis == tcpDiagnosis_) return;
  tcpDiagnosis_ = diagnosis;
  emit diagnosisChanged(diagnosis);
}

QtCommPort::~QtCommPort() = default;

void QtCommPort::SetPortNumber(std::int16_t number) {
  serial_->SetPortNumber(number);
}

bool QtCommPort::SetLineSettings(const LineSettings& settings) {
  return serial_->SetLineSettings(settings);
}

bool QtCommPort::HasLineSpeed() const {
  return !IsTcpDevice(Device());
}

bool QtCommPort::Open() {
  if (IsOpen()) return true;
  const QString device = Device();
  if (!IsTcpDevice(device)) {
    tcp_->Close();
    const bool switched = active_ != serial_;
    active_ = serial_;
    const bool opened = serial_->Open();
    if (switched) emit diagnosisChanged(serial_->Diagnosis());
    return opened;
  }
  serial_->Close();
  const bool switched = active_ != tcp_;
  active_ = tcp_;
  const auto parsed = ParseTcpDevice(device);
  const auto* peer = std::get_if<TcpPeer>(&parsed);
  if (peer == nullptr) {
    DiagnoseTcp(std::get<QString>(parsed), {});
    return false;
  }
  tcp_->SetPeer(peer->host, peer->port);
  const bool opened = tcp_->Open();
  // A refusal is reported by the failed signal; an open after it starts afresh.
  if (opened || switched) DiagnoseTcp(device, {});
  return opened;
}

void QtCommPort::Close() {
  serial_->Close();
  tcp_->Close();
}

bool QtCommPort::IsOpen() const {
  return active_ != nullptr && active_->IsOpen();
}

bool QtCommPort::CanReportLineErrors() const {
  return active_ == serial_ && serial_->CanReportLineErrors();
}

void QtCommPort::Output(std::span<const std::uint8_t> frame) {
  if (IsOpen()) active_->Output(frame);
}

}  // namespace orvane::platform::qt
