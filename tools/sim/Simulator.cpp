// SPDX-License-Identifier: Apache-2.0
#include "Simulator.h"

#include <algorithm>
#include <cstdio>
#include <iomanip>
#include <sstream>

#include "SimulatorPort.h"
#include "UartModel.h"
#include "link/Frame.h"
#include "transfer/SettingValues.h"

namespace orvane::sim {

namespace {

using link::MsgType;

constexpr std::uint8_t kAccepted = 0;
constexpr std::uint8_t kValueRejected = 1;
constexpr std::uint8_t kSettingRejected = 2;

// Heartbeat flags: no error, SBP protocol version 2 in bits 16..23.
const std::vector<std::uint8_t> kHeartbeatPayload{0x00, 0x00, 0x02, 0x00};

constexpr std::uint16_t Type(MsgType type) {
  return static_cast<std::uint16_t>(type);
}

// Texts go out as Latin-1 when they can; a text the tool could not have sent goes out as it is.
void AppendText(std::vector<std::uint8_t>& payload, const std::string& utf8) {
  const std::string bytes = link::ToLatin1(utf8).value_or(utf8);
  payload.insert(payload.end(), bytes.begin(), bytes.end());
  payload.push_back(0);
}

bool IsSpeedSetting(const link::Setting& setting) {
  return (setting.section == "uart0" || setting.section == "uart1") && setting.name == "baudrate";
}

std::optional<int> ParseBaud(const std::string& text) {
  int baud = 0;
  char rest = 0;
  if (std::sscanf(text.c_str(), "%d%c", &baud, &rest) != 1 || !IsSupportedBaud(baud)) {
    return std::nullopt;
  }
  return baud;
}

}  // namespace

Simulator::Simulator(const Options& options, SettingsStore& store, Line& line, std::ostream& out,
                     const TimeSource& time, std::uint32_t seed)
    : options_(options),
      store_(store),
      line_(line),
      out_(out),
      time_(time),
      random_(seed),
      sideRandom_(seed ^ 0x5EEDu),
      started_(time.Now()),
      nextHeartbeat_(started_ + kHeartbeatPeriod),
      nextNoise_(started_ + kNoisePeriod),
      silent_(options.silent),
      noise_(options.noiseRate > 0),
      noiseRate_(options.noiseRate) {
  // The port runs at --baud if given, else at the speed the kept store says.
  if (options.baud) {
    baud_ = *options.baud;
  } else if (auto kept = ParseBaud(store.Get("uart1", "baudrate").value_or(""))) {
    baud_ = *kept;
  }
  store_.Set("uart1", "baudrate", std::to_string(baud_));
  Persist();
  AddLine(line);
}

Simulator::~Simulator() = default;

void Simulator::AddLine(Line& line) {
  ports_.push_back(std::make_unique<Port>(*this, line));
}

Simulator::Port* Simulator::PortOf(const Line& line) {
  for (auto& port : ports_) {
    if (&port->line == &line) return port.get();
  }
  return nullptr;
}

bool Simulator::Heard(int peerBaud) const {
  return peerBaud == Line::kNoSpeed || peerBaud == baud_;
}

void Simulator::Event(const std::string& text) {
  const double seconds = std::chrono::duration<double>(time_.Now() - started_).count();
  out_ << "[" << std::fixed << std::setprecision(3) << std::setw(9) << seconds << "] " << text
       << std::endl;
}

void Simulator::LogFrame(const std::string& text) {
  if (options_.log) Event(text);
}

bool Simulator::Lost(std::mt19937& chance) {
  return options_.dropPercent > 0 &&
         std::uniform_int_distribution<int>(0, 99)(chance) < options_.dropPercent;
}

void Simulator::Persist() {
  std::string error;
  if (!store_.Persist(error)) Event("warning: " + error);
}

std::vector<std::uint8_t> Simulator::Noise(std::size_t count) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<std::uint8_t> bytes(count);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(byte(sideRandom_));
  return bytes;
}

std::string Simulator::Describe(const link::Setting& setting) {
  return setting.section + "." + setting.name;
}

void Simulator::SetSilent(bool silent) {
  silent_ = silent;
  Event(silent ? "heartbeats off" : "heartbeats on");
}

void Simulator::SetNoise(bool on, int rate) {
  if (rate > 0) {
    noiseRate_ = rate;
  } else if (noiseRate_ == 0) {
    noiseRate_ = kDefaultNoiseRate;
  }
  noise_ = on;
  noiseOwed_ = 0;
  Event(on ? "noise on, " + std::to_string(noiseRate_) + " bytes a second" : "noise off");
}

void Simulator::OnFrame(Port& from, const Frame& frame) {
  const bool lost = Lost(random_);
  const std::string prefix = lost ? "rx lost: " : "rx ";
  switch (frame.type) {
    case Type(MsgType::SettingsWrite): {
      const auto setting = link::ParseReadResponse(frame.bytes);  // the same three texts
      LogFrame(prefix + "settings write " + Describe(setting) + " = " + setting.value);
      break;
    }
    case Type(MsgType::SettingsReadRequest):
      LogFrame(prefix + "read request " + Describe(link::ParseReadResponse(frame.bytes)));
      break;
    case Type(MsgType::SettingsSave):
      LogFrame(prefix + "settings save");
      break;
    default: {
      std::ostringstream text;
      text << prefix << "frame type 0x" << std::hex << std::setw(4) << std::setfill('0')
           << frame.type << std::dec << ", " << frame.payload().size()
           << " payload bytes (not handled)";
      LogFrame(text.str());
      return;
    }
  }
  if (!lost) Schedule(from, frame);
}

void Simulator::Answer(Port& from, const Frame& frame) {
  replyTo_ = &from;
  const int answersBefore = answers_;
  switch (frame.type) {
    case Type(MsgType::SettingsWrite):
      OnSettingWrite(link::ParseReadResponse(frame.bytes));
      break;
    case Type(MsgType::SettingsReadRequest):
      OnReadRequest(link::ParseReadResponse(frame.bytes));
      break;
    case Type(MsgType::SettingsSave):
      OnSave();
      break;
    default:
      break;
  }
  replyTo_ = nullptr;
  const auto& hangUp = options_.hangUp;
  if (hangUp.answers && answersBefore < *hangUp.answers && answers_ >= *hangUp.answers) {
    from.hangUpDue = true;
  }
}

void Simulator::OnSettingWrite(const link::Setting& setting) {
  const std::string key = Describe(setting);
  if (options_.noAnswer.count(key) != 0) {
    LogFrame("(no answer to " + key + ")");
    return;
  }
  std::uint8_t status = kAccepted;
  std::optional<int> newBaud;
  // An altered setting keeps anything new altered, but takes back the value it held before it
  // was first written: a receiver that rounds new values and keeps its own.
  bool altered = false;
  if (options_.mismatch.count(key) != 0) {
    const auto held = unaltered_.try_emplace(
        key, store_.Get(setting.section, setting.name).value_or(std::string()));
    altered = setting.value != held.first->second;
  }
  if (options_.refuse.count(key) != 0 || !store_.Has(setting.section, setting.name)) {
    status = kSettingRejected;
  } else if (IsSpeedSetting(setting) && !(newBaud = ParseBaud(setting.value))) {
    status = kValueRejected;
  } else if (options_.validate &&
             !transfer::ValueAcceptable(setting.section, setting.name, setting.value)) {
    status = kValueRejected;
  }
  // An altered write claims the value it was sent; only reading it back shows what was kept.
  std::string value = setting.value;
  if (status == kAccepted) {
    store_.Set(setting.section, setting.name,
               altered ? setting.value + " (ignored)" : setting.value);
    Persist();
  }
  if (!(status == kAccepted && altered)) {
    value = store_.Get(setting.section, setting.name).value_or(setting.value);
  }
  if (status == kAccepted && options_.unansweredWrites.count(key) != 0) {
    LogFrame("(write of " + key + " taken, its answer lost)");
    return;
  }
  if (status == kAccepted && options_.hangUp.settings.count(key) != 0 && replyTo_ != nullptr) {
    replyTo_->hangUpDue = true;
  }
  std::vector<std::uint8_t> payload{status};
  AppendText(payload, setting.section);
  AppendText(payload, setting.name);
  AppendText(payload, value);
  Send(Type(MsgType::SettingsWriteResponse), payload,
       "write response status " + std::to_string(status) + " " + key + " = " + value, replyTo_);
  // The port changes speed once the answer has gone out at the old one.
  if (status == kAccepted && !altered && setting.section == "uart1" && newBaud &&
      *newBaud != baud_) {
    pendingBaud_ = newBaud;
  }
}

void Simulator::OnReadRequest(const link::Setting& setting) {
  const std::string key = Describe(setting);
  if (options_.noAnswer.count(key) != 0) {
    LogFrame("(no answer to " + key + ")");
    return;
  }
  // An unknown setting is answered with its section and name alone.
  const auto value = store_.Get(setting.section, setting.name);
  std::vector<std::uint8_t> payload;
  AppendText(payload, setting.section);
  AppendText(payload, setting.name);
  if (value) AppendText(payload, *value);
  Send(Type(MsgType::SettingsReadResponse), payload,
       "read response " + key + (value ? " = " + *value : " (no such setting)"), replyTo_);
}

void Simulator::OnSave() {
  store_.RecordSave();
  Persist();
  Event("settings saved (" + std::to_string(store_.saves()) + " saves so far)");
  if (options_.hangUp.save && replyTo_ != nullptr) replyTo_->hangUpDue = true;
}

void Simulator::Send(std::uint16_t type, const std::vector<std::uint8_t>& payload,
                     const std::string& description, Port* to) {
  const auto frame = link::BuildFrame(type, kSenderId, payload);
  const bool background = type == Type(MsgType::Heartbeat);
  if (frame.empty()) {
    Event("cannot send " + description + ": payload over 255 bytes");
    return;
  }
  if (to != nullptr) {
    if (to == replyTo_) ++answers_;
    SendOn(*to, frame, description, background);
    return;
  }
  for (auto& port : ports_) SendOn(*port, frame, description, background);
}

void Simulator::SendOn(Port& port, std::vector<std::uint8_t> frame, const std::string& description,
                       bool background) {
  Line& line = port.line;
  const int peer = line.PeerBaud();
  if (peer == 0) return;  // nobody on the line
  if (Lost(background ? sideRandom_ : random_)) {
    LogFrame("tx lost: " + description);
    return;
  }
  std::string note;
  if (!Heard(peer)) {
    // Heard at another speed a frame is garbage, as a real line would make it.
    frame = peer > 0 ? HeardAt(frame, baud_, peer) : Noise(frame.size());
    note = " (heard as " + std::to_string(frame.size()) + " garbled bytes: line at " +
           std::to_string(peer) + " baud, receiver at " + std::to_string(baud_) + ")";
  }
  if (options_.pace || options_.drip.count() > 0) {
    port.out.Enqueue(frame, time_.Now());
  } else if (!frame.empty() && !Transmit(port, std::move(frame))) {
    LogFrame("tx blocked: " + description);
    return;
  }
  LogFrame("tx " + description + note);
}

void Simulator::Poll(Clock::time_point now) {
  AnswerDue(now);
  ReleasePaced(now);
  bool drained = true;
  for (auto& port : ports_) {
    const int peer = port->line.PeerBaud();
    if (peer != port->lastPeerBaud) {
      LogFrame(peer == 0 ? std::string("line free")
               : peer == Line::kNoSpeed
                   ? std::string("line taken by a network client")
                   : "line set to " + std::to_string(peer) + " baud by the tool");
      port->lastPeerBaud = peer;
    }
    drained = drained && port->line.Drained() && port->out.empty();
  }
  HangUpDrained();
  if (pendingBaud_ && drained) {
    baud_ = *pendingBaud_;
    pendingBaud_.reset();
    Event("port now at " + std::to_string(baud_) + " baud");
  }
  if (now >= nextHeartbeat_) {
    if (!silent_) Send(Type(MsgType::Heartbeat), kHeartbeatPayload, "heartbeat");
    nextHeartbeat_ += kHeartbeatPeriod;
    if (nextHeartbeat_ <= now) nextHeartbeat_ = now + kHeartbeatPeriod;  // after a stall
  }
  if (now >= nextNoise_) {
    if (noise_) {
      noiseOwed_ += noiseRate_ * std::chrono::duration<double>(kNoisePeriod).count();
      const auto count = static_cast<std::size_t>(noiseOwed_);
      noiseOwed_ -= static_cast<double>(count);
      for (auto& port : ports_) {
        // Noise is not paced: it stands for a line that picks up more than any sender puts on it.
        if (count > 0 && port->line.PeerBaud() != 0) Transmit(*port, Noise(count));
      }
    }
    nextNoise_ += kNoisePeriod;
    if (nextNoise_ <= now) nextNoise_ = now + kNoisePeriod;
  }
}

}  // namespace orvane::sim
