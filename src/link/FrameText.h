// SPDX-License-Identifier: Apache-2.0
#pragma once
// One whole frame in words, for the frame trace: what the frame says rather than its bytes.
//   settings write uart1.baudrate = 19200
//   settings read request ethernet.ip_address
//   settings read response ethernet.ip_address = 192.168.0.222
//   settings write response uart1.baudrate = 19200 (status 0)
//   settings save
//   heartbeat
//   frame type 0x1234 from 0x0042, 4 payload bytes
// Texts are shown as UTF-8; a control character in them is shown as \xNN so that every
// description stays on one line. A run of bytes too short to be a frame is described as such.

#include <cstdint>
#include <span>
#include <string>

namespace orvane::link {

std::string DescribeFrame(std::span<const std::uint8_t> frame);

}  // namespace orvane::link
