// SPDX-License-Identifier: Apache-2.0
#include "TcpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace orvane::sim {

namespace {

// Past this much output the client is not reading: whole frames are refused rather than cut.
constexpr std::size_t kQueueLimit = 64 * 1024;

}  // namespace

TcpServer::~TcpServer() {
  Drop();
  if (listen_ >= 0) ::close(listen_);
}

bool TcpServer::Listen(int port, std::string& error) {
  listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listen_ < 0) {
    error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  // A simulator started again at once finds its port free, not held by the last run's sockets.
  const int on = 1;
  ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(listen_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listen_, 4) != 0) {
    error = "cannot serve on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
    ::close(listen_);
    listen_ = -1;
    return false;
  }
  return true;
}

bool TcpServer::Accept() {
  const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return false;
  Drop();
  client_ = fd;
  // Frames go out whole and at once, as a serial line would carry them.
  const int on = 1;
  ::setsockopt(client_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return true;
}

ssize_t TcpServer::Read(std::span<std::uint8_t> into) {
  if (client_ < 0) return 0;
  return ::read(client_, into.data(), into.size());
}

bool TcpServer::Transmit(std::vector<std::uint8_t> bytes) {
  if (client_ < 0 || queue_.size() + bytes.size() > kQueueLimit) return false;
  queue_.insert(queue_.end(), bytes.begin(), bytes.end());
  Flush();
  return true;
}

void TcpServer::Flush() {
  while (!queue_.empty() && client_ >= 0) {
    const std::vector<std::uint8_t> chunk(
        queue_.begin(), queue_.begin() + std::min<std::size_t>(queue_.size(), 4096));
    const ssize_t n = ::send(client_, chunk.data(), chunk.size(), MSG_NOSIGNAL);
    if (n <= 0) return;  // full (EAGAIN): POLLOUT says when to go on; a reset shows as a read
    queue_.erase(queue_.begin(), queue_.begin() + n);
  }
}

void TcpServer::Drop() {
  queue_.clear();
  if (client_ < 0) return;
  ::close(client_);
  client_ = -1;
}

}  // namespace orvane::sim
