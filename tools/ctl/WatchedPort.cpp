// SPDX-License-Identifier: Apache-2.0
#include "WatchedPort.h"

#include <cstdio>

#include "link/Frame.h"
#include "link/FrameText.h"

namespace orvane::ctl {

WatchedPort::WatchedPort(const platform::LineControl& line, std::string label, bool trace)
    : LineDiagnosis(line, Memory::WholeRun), label_(std::move(label)), trace_(trace) {}

void WatchedPort::OnFrameSent(std::span<const std::uint8_t> frame) {
  if (trace_) Trace("tx", frame);
}

void WatchedPort::OnFrameReceived(std::span<const std::uint8_t> frame) {
  LineDiagnosis::OnFrameReceived(frame);
  // A received frame has verified, so it holds its whole header.
  sender_ = link::FrameSender(frame);
  const auto type = static_cast<link::MsgType>(link::FrameType(frame));
  if (type == link::MsgType::SettingsReadResponse || type == link::MsgType::SettingsWriteResponse)
    ++answers_;
  if (trace_) Trace("rx", frame);
}

void WatchedPort::Trace(const char* direction, std::span<const std::uint8_t> frame) const {
  const std::string line = label_ + ": " + direction + " " + link::DescribeFrame(frame) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace orvane::ctl
