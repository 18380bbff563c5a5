// SPDX-License-Identifier: Apache-2.0
#include "platform/qt/QtTcpLink.h"

#include <QByteArray>
#include <QTcpSocket>
#include <QTimer>
#include <chrono>
#include <exception>
#include <utility>

#include "platform/qt/DeviceFailure.h"
#include "platform/qt/Guarded.h"

namespace orvane::platform::qt {

namespace {

// A host that never answers would otherwise keep the link "connecting" for minutes, and every
// frame sent meanwhile waiting.
constexpr auto kConnectTimeout = std::chrono::seconds(5);
// Far more than the tool sends in the connect timeout (four frames a second at most), and small
// enough that a peer that reads nothing cannot make the program grow.
constexpr qint64 kWriteLimit = 64 * 1024;

}  // namespace

struct QtTcpLink::Impl {
  QTcpSocket* socket = nullptr;    // child of the QtTcpLink
  QTimer* connectTimer = nullptr;  // child of the QtTcpLink
  QString host;
  std::uint16_t port = 0;
  DeviceFailure failure;
  // A failure the next Open reports instead of connecting again.
  bool unreported = false;
  // Our own abort is no failure.
  bool closing = false;
};

QtTcpLink::QtTcpLink(QObject* parent) : QObject(parent), impl_(std::make_unique<Impl>()) {
  impl_->socket = new QTcpSocket(this);
  impl_->connectTimer = new QTimer(this);
  impl_->connectTimer->setSingleShot(true);
  impl_->connectTimer->setInterval(kConnectTimeout);

  QTcpSocket* socket = impl_->socket;
  connect(socket, &QTcpSocket::readyRead, this,
          [this] { Guarded("tcp link", [this] { OnReadyRead(); }); });
  connect(socket, &QTcpSocket::connected, this, [this] {
    impl_->connectTimer->stop();
    // Frames are small and each must go out at once, not wait for the next one.
    impl_->socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  });
  connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
    if (!impl_->closing) FailLater(impl_->socket->errorString());
  });
  connect(socket, &QTcpSocket::disconnected, this, [this] {
    if (!impl_->closing) FailLater(QStringLiteral("connection closed by the peer"));
  });
  connect(impl_->connectTimer, &QTimer::timeout, this,
          [this] { FailLater(QStringLiteral("no connection within the time allowed")); });
}

QtTcpLink::~QtTcpLink() {
  // The socket goes with its parent; no handler may run while it closes.
  impl_->socket->disconnect(this);
  impl_->socket->abort();
}

void QtTcpLink::SetPeer(const QString& host, std::uint16_t port) {
  impl_->host = host;
  impl_->port = port;
}

bool QtTcpLink::Open() {
  if (IsOpen()) return true;
  CloseNow();  // a connection that failed is closed before another is made
  if (std::exchange(impl_->unreported, false)) return false;
  if (impl_->host.isEmpty() || impl_->port == 0) return false;
  impl_->failure.Reset();
  impl_->connectTimer->start();
  impl_->socket->connectToHost(impl_->host, impl_->port);
  if (IsOpen()) return true;
  impl_->unreported = false;  // it failed at once: reported here
  return false;
}

void QtTcpLink::Close() {
  CloseNow();
  impl_->unreported = false;  // a link closed on purpose is tried afresh
}

void QtTcpLink::CloseNow() {
  const bool wasFailing = impl_->failure.Reset();
  impl_->connectTimer->stop();
  impl_->closing = true;
  impl_->socket->abort();
  impl_->closing = false;
  if (wasFailing) emit failed(impl_->failure.reason());
}

bool QtTcpLink::IsOpen() const {
  return !impl_->failure.failing() && impl_->socket->state() != QAbstractSocket::UnconnectedState;
}

bool QtTcpLink::IsConnected() const {
  return !impl_->failure.failing() && impl_->socket->state() == QAbstractSocket::ConnectedState;
}

void QtTcpLink::Output(std::span<const std::uint8_t> frame) {
  if (!IsOpen() || frame.empty()) return;
  const auto size = static_cast<qint64>(frame.size());
  if (impl_->socket->bytesToWrite() + size > kWriteLimit) return;  // the peer takes nothing in
  if (impl_->socket->write(reinterpret_cast<const char*>(frame.data()), size) != size) {
    FailLater(QStringLiteral("write failed: %1").arg(impl_->socket->errorString()));
  }
}

void QtTcpLink::OnReadyRead() {
  if (!IsOpen()) return;
  const QByteArray bytes = impl_->socket->readAll();
  DeliverBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                         static_cast<std::size_t>(bytes.size())));
}

void QtTcpLink::FailLater(const QString& reason) {
  if (!impl_->failure.Raise(this, reason, [this] { CloseNow(); })) return;
  impl_->unreported = true;
  impl_->connectTimer->stop();
}

}  // namespace orvane::platform::qt
