// The simulated receiver on its own: the line model it uses for wrong speeds, and its behaviour
// on the terminal as a plain serial client sees it.

#include <gtest/gtest.h>

#include <QSerialPort>
#include <string>
#include <vector>

#include "FrameParser.h"
#include "SimProcess.h"
#include "UartModel.h"
#include "link/SettingsMessages.h"
#include "support/Frames.h"

namespace orvane::testing {
namespace {

TEST(UartModel, ListenerAtTheSendersSpeedHearsEveryByteExactly) {
  const auto frame = link::BuildFrame(0x00A5, 0x1A2B, Texts({"ethernet", "ip_address", "1.2.3.4"}));
  for (int baud : {1200, 9600, 19200, 115200}) {
    EXPECT_EQ(sim::HeardAt(frame, baud, baud), frame) << baud;
  }
}

// A receiver talking slower than the tool listens is heard as runs of equal bits: never a
// preamble that could swallow the first genuine frame once the speeds agree.
TEST(UartModel, SlowerSenderNeverProducesAPreamble) {
  std::vector<std::uint8_t> everyByte(256);
  for (int i = 0; i < 256; ++i)
    everyByte[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  for (int listener : {19200, 38400, 57600, 115200}) {
    const auto heard = sim::HeardAt(everyByte, 9600, listener);
    EXPECT_FALSE(heard.empty()) << listener;
    EXPECT_EQ(std::count(heard.begin(), heard.end(), link::kPreamble), 0) << listener;
    EXPECT_NE(heard, everyByte) << listener;
  }
}

// A plain serial client on the simulator's link: sends frames, collects the verified frames the
// simulator sends back.
class Client {
 public:
  explicit Client(const QString& device)
      : parser_([this](const sim::Frame& f) { frames.push_back(f); }) {
    port_.setPortName(device);
  }
  bool Open(int baud) {
    port_.close();
    port_.setBaudRate(baud);
    frames.clear();
    return port_.open(QIODevice::ReadWrite);
  }
  void Send(const std::vector<std::uint8_t>& frame) {
    port_.write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size()));
  }
  // Runs until a frame of this type has come, or the time is up.
  const sim::Frame* WaitForType(std::uint16_t type, std::chrono::milliseconds limit) {
    const sim::Frame* found = nullptr;
    WaitFor(
        [&] {
          Pump();
          for (const auto& f : frames) {
            if (f.type == type) found = &f;
          }
          return found != nullptr;
        },
        limit);
    return found;
  }
  void Pump() {
    const QByteArray bytes = port_.readAll();
    parser_.Feed(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size())));
  }

  std::vector<sim::Frame> frames;

 private:
  QSerialPort port_;
  sim::FrameParser parser_;
};

std::vector<std::uint8_t> ReadRequest(std::string_view section, std::string_view name) {
  return link::BuildFrame(0x00A4, link::SENDER_ID, Texts({section, name}));
}

std::vector<std::uint8_t> Write(std::string_view section, std::string_view name,
                                std::string_view value) {
  return link::BuildFrame(0x00A0, link::SENDER_ID, Texts({section, name, value}));
}

TEST(Simulator, TalksOnlyAtItsOwnSpeedAndMovesOnceTheAnswerIsOut) {
  SimProcess sim({"--no-answer", "ethernet.gateway"});
  ASSERT_TRUE(sim.ok());
  Client client(sim.link());

  ASSERT_TRUE(client.Open(19200));
  ASSERT_NE(client.WaitForType(0xFFFF, 10s), nullptr) << "no heartbeat at 19200 baud";
  client.Send(ReadRequest("ethernet", "gateway"));  // left unanswered
  client.Send(ReadRequest("ethernet", "ip_address"));
  const sim::Frame* read = client.WaitForType(0x00A5, 10s);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(link::ParseReadResponse(read->bytes),
            (link::Setting{"ethernet", "ip_address", "192.168.0.222"}));
  for (const auto& frame : client.frames) {
    EXPECT_NE(link::ParseReadResponse(frame.bytes).name, "gateway") << "answered --no-answer";
  }

  client.Send(Write("uart1", "baudrate", "9600"));
  const sim::Frame* answer = client.WaitForType(0x00AF, 10s);
  ASSERT_NE(answer, nullptr) << "the answer goes out at the old speed";
  EXPECT_EQ(link::ParseWriteResponse(answer->bytes).status, 0);
  EXPECT_TRUE(WaitFor([&] { return sim.Setting("uart1.baudrate") == "9600"; }, 10s));

  ASSERT_TRUE(client.Open(9600));
  ASSERT_NE(client.WaitForType(0xFFFF, 10s), nullptr) << "no heartbeat at the new speed";
  client.Send(ReadRequest("ethernet", "ip_address"));
  EXPECT_NE(client.WaitForType(0x00A5, 10s), nullptr);
}

TEST(Simulator, RefusesListedSettingsAndUnknownOnesAndKeepsItsValue) {
  SimProcess sim({"--refuse", "solution.elevation_mask"});
  ASSERT_TRUE(sim.ok());
  Client client(sim.link());
  ASSERT_TRUE(client.Open(19200));
  for (const auto& [section, name] :
       {std::pair{"solution", "elevation_mask"}, std::pair{"solution", "no_such_setting"}}) {
    client.frames.clear();
    client.Send(Write(section, name, "5"));
    const sim::Frame* answer = client.WaitForType(0x00AF, 10s);
    ASSERT_NE(answer, nullptr) << name;
    EXPECT_EQ(link::ParseWriteResponse(answer->bytes).status, 2) << name;
  }
  EXPECT_EQ(sim.Setting("solution.elevation_mask"), "10");
}

}  // namespace
}  // namespace orvane::testing
