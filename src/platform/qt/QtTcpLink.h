// SPDX-License-Identifier: Apache-2.0
#pragma once
// A link over a TCP connection to HOST:PORT (a receiver's TCP server). Open starts connecting and
// the link counts as open from then on; a connection that is refused, cannot be made in time or
// drops closes the link by itself, once, outside the socket's own signal handling. The next Open
// reports that failure (false, link left closed), so a caller that re-opens once a second sees
// the link unavailable while it stays unreachable; the Open after that tries a new connection.
//
// Frames written while connecting wait in the socket and go out once connected. Nothing waits
// past a bound: a peer that takes nothing in loses whole frames, never parts of one.

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "platform/Link.h"

namespace orvane::platform::qt {

class QtTcpLink final : public QObject, public Link {
  Q_OBJECT

 public:
  explicit QtTcpLink(QObject* parent = nullptr);
  ~QtTcpLink() override;

  // Where the next Open connects to; a link already open stays with its connection.
  void SetPeer(const QString& host, std::uint16_t port);

  bool Open() override;
  void Close() override;
  bool IsOpen() const override;
  void Output(std::span<const std::uint8_t> frame) override;

  // The socket is connected, not just connecting.
  bool IsConnected() const;

 signals:
  // The connection was refused, timed out or dropped and the link has been closed; emitted once
  // per failure, after the close.
  void failed(const QString& reason);

 private:
  void OnReadyRead();
  void FailLater(const QString& reason);
  void CloseNow();

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orvane::platform::qt
