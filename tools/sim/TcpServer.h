// SPDX-License-Identifier: Apache-2.0
#pragma once
// The simulated receiver's network port: a TCP server on the loopback address that serves the
// same frames as its serial port. A network connection has no speed, so whatever the receiver's
// port speed, the tool hears it as sent.
//
// One client at a time: a new client replaces the one before, so a tool that connects again
// after a drop is served even while its old connection has not been seen to close.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "Simulator.h"

namespace orvane::sim {

class TcpServer final : public Line {
 public:
  TcpServer() = default;
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  // Listens on 127.0.0.1:port.
  bool Listen(int port, std::string& error);

  int listenFd() const { return listen_; }
  int clientFd() const { return client_; }
  bool HasClient() const { return client_ >= 0; }

  // Takes the waiting client, dropping the one before. False if none was waiting.
  bool Accept();
  // Non-blocking; as read(2), 0 when the client has gone.
  ssize_t Read(std::span<std::uint8_t> into);
  // Sends what is queued as far as the socket takes it.
  void Flush();
  // Hangs up on the client; what was queued for it is dropped.
  void Drop();

  // Line
  int PeerBaud() const override { return HasClient() ? kNoSpeed : 0; }
  bool Transmit(std::vector<std::uint8_t> bytes) override;
  bool Drained() const override { return queue_.empty(); }
  void HangUp() override { Drop(); }

 private:
  int listen_ = -1;
  int client_ = -1;
  std::deque<std::uint8_t> queue_;
};

}  // namespace orvane::sim
