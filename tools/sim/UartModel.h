// SPDX-License-Identifier: Apache-2.0
#pragma once
// What a UART listening at one speed makes of bytes sent at another: the sent bytes become a
// bit stream (start bit, eight data bits least significant first, stop bit, idle high before and
// after), and the listener samples it at its own bit time the way a UART does: wait for a falling
// edge, sample the middle of each of its own bit cells, deliver the byte (also when the stop bit
// reads low: a pseudo-terminal cannot report the framing error), then wait for the line to rise
// and fall again.
//
// So a receiver heard at the wrong speed produces the garbage a real line would: a sender slower
// than the listener gives runs of equal bits (never a 0x55 preamble), a faster one near-random
// bytes.

#include <cstdint>
#include <span>
#include <vector>

namespace orvane::sim {

std::vector<std::uint8_t> HeardAt(std::span<const std::uint8_t> sent, int senderBaud,
                                  int listenerBaud);

}  // namespace orvane::sim
