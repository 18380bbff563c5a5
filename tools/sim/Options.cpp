// SPDX-License-Identifier: Apache-2.0
#include "Options.h"

#include <getopt.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>

namespace orvane::sim {

namespace {

constexpr std::array<int, 9> kSpeeds{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};

const char* const kUsage = R"(Usage: orvane-sim [OPTION]...
Plays an Orvane receiver on a pseudo-terminal, reachable through a stable link.

  --link PATH            the link to the terminal (default $XDG_RUNTIME_DIR/orvane-sim,
                         else /tmp/orvane-sim)
  --baud N               the receiver's speed: 1200 ... 230400 (default 19200)
  --state FILE           keep the settings across runs; rewritten after every change,
                         used by one simulator at a time
  --silent               send no heartbeats
  --refuse SECTION.NAME  answer writes of this setting with status 2 (repeatable)
  --no-answer SECTION.NAME
                         leave reads and writes of this setting unanswered (repeatable)
  --drop PERCENT         lose this share of the frames, each way
  --noise[=RATE]         random bytes between frames, RATE per second: 1 ... 1000000
                         (default 200)
  --unplug-pause SECONDS how long an unplug lasts (default 3)
  --tcp PORT             also serve the receiver on 127.0.0.1:PORT, one client at a time
                         (a new client replaces the one before)
  --pace                 take and send bytes at the line rate, 10 bits a byte at the
                         receiver's speed (also over --tcp)
  --latency MS           answer each request MS milliseconds after its last byte came in
  --queue N              at most N requests waiting for their answer; more are dropped
  --validate             refuse values a receiver would refuse, with status 1
  --lose-write-answer SECTION.NAME
                         take writes of this setting but send no answer (repeatable)
  --mismatch SECTION.NAME
                         accept writes of this setting but keep another value, which
                         reads then return; a write of the value it held before its first
                         write is kept as it is (repeatable)
  --hang-up-after WHAT   hang up the line a request came in on right after it was
                         answered: WHAT is SECTION.NAME (an accepted write of it),
                         save (a save) or N (the Nth answer); repeatable. Over TCP
                         the client is dropped; the terminal is unplugged
  --drip MS              send its bytes one at a time, MS milliseconds apart
  --seed N               seed of the dropped frames and the noise, so runs repeat
  --log                  print every frame received and sent, and the bytes each way
                         at exit
  --help                 show this text

Signals: SIGINT/SIGTERM stop (the link is removed); SIGUSR1 unplugs the terminal and plugs
a new one in behind the same link after the pause.
Commands on standard input, one a line: "silent on|off", "noise on [RATE]", "noise off",
"unplug".
)";

bool ParseInt(const char* text, int low, int high, int& out) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < low || value > high) return false;
  out = static_cast<int>(value);
  return true;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsSettingName(const std::string& text) {
  const auto dot = text.find('.');
  return dot != std::string::npos && dot > 0 && dot + 1 < text.size();
}

}  // namespace

std::optional<int> ParseNoiseRate(std::string_view text, std::string& error) {
  // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about "..." + string.
  std::string shown = "\"";
  shown += text;
  shown += '"';
  const bool negative = text.starts_with('-');
  const std::string_view digits = text.substr(negative ? 1 : 0);
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit)) {
    error = "noise rate " + shown + " is not a whole number of bytes per second";
    return std::nullopt;
  }
  long long value = 0;  // all digits: from_chars can fail only by overflow
  const bool fits =
      std::from_chars(digits.data(), digits.data() + digits.size(), value).ec == std::errc();
  if (negative && !(fits && value == 0)) {
    error = "noise rate " + shown + " is negative";
  } else if (fits && value == 0) {
    error = "noise rate " + shown +
            " sends nothing: give 1 or more bytes per second, or turn noise off";
  } else if (!fits || value > kMaxNoiseRate) {
    error = "noise rate " + shown + " is over the most orvane-sim sends, " +
            std::to_string(kMaxNoiseRate) + " bytes per second";
  } else {
    return static_cast<int>(value);
  }
  return std::nullopt;
}

bool IsSupportedBaud(int baud) {
  return std::find(kSpeeds.begin(), kSpeeds.end(), baud) != kSpeeds.end();
}

std::string DefaultLink() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return std::string(runtime) + "/orvane-sim";
  return "/tmp/orvane-sim";
}

ParseOutcome ParseOptions(int argc, char** argv, Options& options, std::string& message) {
  enum Id {
    kLink = 1,
    kBaud,
    kState,
    kSilent,
    kRefuse,
    kNoAnswer,
    kDrop,
    kNoise,
    kPause,
    kLog,
    kHelp,
    kTcp,
    kPace,
    kLatency,
    kQueue,
    kValidate,
    kSeed,
    kMismatch,
    kHangUp,
    kDrip,
    kLoseWriteAnswer
  };
  static const option kLong[] = {
      {"link", required_argument, nullptr, kLink},
      {"baud", required_argument, nullptr, kBaud},
      {"state", required_argument, nullptr, kState},
      {"silent", no_argument, nullptr, kSilent},
      {"refuse", required_argument, nullptr, kRefuse},
      {"no-answer", required_argument, nullptr, kNoAnswer},
      {"drop", required_argument, nullptr, kDrop},
      {"noise", optional_argument, nullptr, kNoise},
      {"unplug-pause", required_argument, nullptr, kPause},
      {"log", no_argument, nullptr, kLog},
      {"help", no_argument, nullptr, kHelp},
      {"tcp", required_argument, nullptr, kTcp},
      {"pace", no_argument, nullptr, kPace},
      {"latency", required_argument, nullptr, kLatency},
      {"queue", required_argument, nullptr, kQueue},
      {"validate", no_argument, nullptr, kValidate},
      {"seed", required_argument, nullptr, kSeed},
      {"mismatch", required_argument, nullptr, kMismatch},
      {"hang-up-after", required_argument, nullptr, kHangUp},
      {"drip", required_argument, nullptr, kDrip},
      {"lose-write-answer", required_argument, nullptr, kLoseWriteAnswer},
      {nullptr, 0, nullptr, 0},
  };
  options.link = DefaultLink();
  optind = 1;
  opterr = 0;
  int id = 0;
  auto fail = [&](const std::string& why) {
    message = "orvane-sim: " + why + "\n" + kUsage;
    return ParseOutcome::Error;
  };
  while ((id = getopt_long(argc, argv, "", kLong, nullptr)) != -1) {
    int number = 0;
    switch (id) {
      case kLink:
        options.link = optarg;
        if (options.link.empty()) return fail("--link needs a path");
        break;
      case kBaud:
        if (!ParseInt(optarg, 1, 4000000, number) || !IsSupportedBaud(number)) {
          return fail(std::string("unsupported speed: ") + optarg);
        }
        options.baud = number;
        break;
      case kState:
        options.stateFile = optarg;
        break;
      case kSilent:
        options.silent = true;
        break;
      case kRefuse:
      case kNoAnswer:
      case kMismatch:
      case kLoseWriteAnswer:
        if (!IsSettingName(optarg)) return fail(std::string("expected SECTION.NAME: ") + optarg);
        (id == kRefuse     ? options.refuse
         : id == kNoAnswer ? options.noAnswer
         : id == kMismatch ? options.mismatch
                           : options.unansweredWrites)
            .insert(optarg);
        break;
      case kPace:
        options.pace = true;
        break;
      case kLatency:
        if (!ParseInt(optarg, 0, 60000, number)) return fail("--latency takes 0 to 60000 ms");
        options.latency = std::chrono::milliseconds(number);
        break;
      case kQueue:
        if (!ParseInt(optarg, 1, 1000000, number)) return fail("--queue takes 1 to 1000000");
        options.queue = number;
        break;
      case kHangUp:
        if (std::string_view(optarg) == "save") {
          options.hangUp.save = true;
        } else if (ParseInt(optarg, 1, 1000000, number)) {
          options.hangUp.answers = number;
        } else if (IsSettingName(optarg)) {
          options.hangUp.settings.insert(optarg);
        } else {
          return fail(std::string("--hang-up-after takes SECTION.NAME, save or a count: ") +
                      optarg);
        }
        break;
      case kDrip:
        if (!ParseInt(optarg, 1, 10000, number)) return fail("--drip takes 1 to 10000 ms");
        options.drip = std::chrono::milliseconds(number);
        break;
      case kValidate:
        options.validate = true;
        break;
      case kSeed: {
        long long seed = 0;
        const std::string_view text(optarg);
        if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit) ||
            std::from_chars(text.data(), text.data() + text.size(), seed).ec != std::errc() ||
            seed > 0xFFFFFFFFLL) {
          return fail("--seed takes 0 to 4294967295");
        }
        options.seed = static_cast<std::uint32_t>(seed);
        break;
      }
      case kDrop:
        if (!ParseInt(optarg, 0, 100, options.dropPercent)) return fail("--drop takes 0 to 100");
        break;
      case kNoise: {
        options.noiseRate = kDefaultNoiseRate;
        if (optarg == nullptr) break;
        std::string why;
        const auto rate = ParseNoiseRate(optarg, why);
        if (!rate) return fail("--noise: " + why);
        options.noiseRate = *rate;
        break;
      }
      case kPause:
        if (!ParseInt(optarg, 0, 3600, number)) return fail("--unplug-pause takes seconds");
        options.unplugPause = std::chrono::seconds(number);
        break;
      case kLog:
        options.log = true;
        break;
      case kTcp:
        if (!ParseInt(optarg, 1, 65535, options.tcpPort))
          return fail("--tcp takes a port, 1 to 65535");
        break;
      case kHelp:
        message = kUsage;
        return ParseOutcome::Help;
      default:
        return fail(std::string("unknown or incomplete option: ") + argv[optind - 1]);
    }
  }
  if (optind < argc) return fail(std::string("unexpected argument: ") + argv[optind]);
  return ParseOutcome::Run;
}

}  // namespace orvane::sim
