// SPDX-License-Identifier: Apache-2.0
// Frames in words, for the frame trace.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/FrameText.h"
#include "link/SettingsMessages.h"
#include "support/Frames.h"

namespace orvane::link {
namespace {

using namespace orvane::testing;
using Bytes = std::vector<std::uint8_t>;

struct Recorder final : FrameSink {
  void Output(std::span<const std::uint8_t> f) override { frame.assign(f.begin(), f.end()); }
  Bytes frame;
};

Bytes Sent(SendResult (*send)(FrameSink&, std::string_view, std::string_view, std::string_view),
           std::string_view a, std::string_view b, std::string_view c) {
  Recorder r;
  (void)send(r, a, b, c);
  return r.frame;
}

TEST(DescribeFrame, SaysWhatEachFrameCarries) {
  Recorder save, request;
  SendSettingsSave(save);
  (void)SendSettingReadRequest(request, "ethernet", "ip_address");
  const Bytes texts{'a', 0, 'b', 0};
  const Bytes controls{'a', 0x01, 'b', 0x7F, 0x85, 0xE9, 0, 'n', 0, 'v', 0};
  const std::pair<Bytes, std::string> cases[] = {
      {Sent(SendSettingWrite, "uart1", "baudrate", "19200"),
       "settings write uart1.baudrate = 19200"},
      {request.frame, "settings read request ethernet.ip_address"},
      {ReadResponseFrame("ethernet", "ip_address", "192.168.0.222"),
       "settings read response ethernet.ip_address = 192.168.0.222"},
      {WriteResponseFrame(0, "uart1", "baudrate", "19200"),
       "settings write response uart1.baudrate = 19200 (status 0)"},
      {WriteResponseFrame(2, "sbp", "obs_msg_max_size", ""),
       "settings write response sbp.obs_msg_max_size =  (status 2)"},
      {save.frame, "settings save"},
      {HeartbeatFrame(), "heartbeat"},
      {BuildFrame(0x1234, 0x0042, Bytes{1, 2, 3, 4}),
       "frame type 0x1234 from 0x0042, 4 payload bytes"},
      {BuildFrame(0x020A, 0xBEEF, Bytes{0}), "frame type 0x020A from 0xBEEF, 1 payload byte"},
      // Texts cut short by the payload's end, control characters and Latin-1 letters.
      {BuildFrame(0x00A5, 0x1234, texts), "settings read response a.b = "},
      {BuildFrame(0x00A5, 0x1234, {}), "settings read response . = "},
      {BuildFrame(0x00A5, 0x1234, controls),
       "settings read response a\\x01b\\x7F\\x85\u00E9.n = v"},
      {BuildFrame(0x00AF, 0x1234, {}), "settings write response without a status"},
      {Bytes{0x55, 0xFF, 0xFF}, "incomplete frame of 3 bytes"},
  };
  for (const auto& [frame, expected] : cases) EXPECT_EQ(DescribeFrame(frame), expected);
}

}  // namespace
}  // namespace orvane::link
