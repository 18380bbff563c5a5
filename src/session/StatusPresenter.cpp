// SPDX-License-Identifier: Apache-2.0
#include "session/StatusPresenter.h"

#include <string>
#include <string_view>

namespace orvane::session {

namespace {

// The heartbeat's caption.
constexpr std::string_view kCommunicationsGood = "Communications Good";
// A completed read or write. The misspelling is deliberate: operators and their scripts know the
// two captions apart by it. Never correct it.
constexpr std::string_view kCommunicarionsGood = "Communicarions Good";
constexpr std::string_view kOrvaneNotFound = "Orvane Not Found";

// A number in a caption is written in decimal with one leading place for its sign, a blank when
// it is not negative: "Com Port " 3 " not available" has two blanks before the 3.
std::string CaptionWithNumber(std::string_view before, long long number, std::string_view after) {
  std::string caption(before);
  if (number >= 0) caption += ' ';
  caption += std::to_string(number);
  caption += after;
  return caption;
}

// 115200 as "115,200". Built by appending: inserting into the string trips GCC 12's -Wrestrict
// at -O3.
std::string WithThousands(std::int32_t number) {
  const std::string digits = std::to_string(number);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

std::string_view Stem(transfer::Direction direction) {
  return direction == transfer::Direction::Read ? "Read" : "Write";
}

}  // namespace

void StatusPresenter::ReceiverNotFound() {
  line_.SetLamp(lamp::kRed);
  line_.SetCaption(kOrvaneNotFound);
}

void StatusPresenter::PortNotAvailable(std::int16_t port) {
  line_.SetLamp(lamp::kRed);
  line_.SetCaption(CaptionWithNumber("Com Port ", port, " not available"));
}

// Only a red lamp turns green: a yellow read or write progress display is left alone.
void StatusPresenter::HeartbeatHeard() {
  if (line_.lamp() != lamp::kRed) return;
  line_.SetLamp(lamp::kGreen);
  line_.SetCaption(kCommunicationsGood);
}

// The lamp is left as it is: a search runs while the receiver is not heard.
void StatusPresenter::TestingAt(std::int32_t baud) {
  line_.SetCaption("Testing at " + WithThousands(baud) + " baud");
}

// The starting caption is a fixed text with one blank before the 0.
void StatusPresenter::TransferStarted(transfer::Direction direction, std::size_t total) {
  line_.SetLamp(lamp::kYellow);
  line_.SetCaption(std::string(Stem(direction)) + " Configuration 0 of " + std::to_string(total));
}

void StatusPresenter::TransferProgress(transfer::Direction direction, std::size_t done,
                                       std::size_t total) {
  if (done == total) {
    line_.SetCaption(kCommunicarionsGood);
    line_.SetLamp(lamp::kGreen);
    return;
  }
  line_.SetCaption(CaptionWithNumber(std::string(Stem(direction)) + " Configuration ",
                                     static_cast<long long>(done), " of " + std::to_string(total)));
}

}  // namespace orvane::session
