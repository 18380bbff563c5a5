// SPDX-License-Identifier: Apache-2.0
// Values per receiver: --set over a profile's rows, and a fleet sheet read whole or refused with
// the place of its first fault. The journal: its line, and one receiver's history read back.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <variant>

#include "FleetSheet.h"
#include "Journal.h"
#include "JournalCommand.h"
#include "Overrides.h"

namespace orvane::ctl {
namespace {

using Rows = std::vector<transfer::ProfileSetting>;

TEST(Overrides, ReplaceEveryRowOfTheirKeyOrAppendOneAndTheLastOfAKeyWins) {
  const Rows got = WithOverrides({{"ethernet", "interface_mode", "Config", 1},
                                  {"ethernet", "ip_address", "10.0.0.1", 2},
                                  {"ethernet", "interface_mode", "Active", 3}},
                                 {{"ethernet", "interface_mode", "Off"},
                                  {"solution", "elevation_mask", "5"},
                                  {"solution", "elevation_mask", "7"}});
  std::string shown;  // each row as section.name=value@line
  for (const auto& row : got)
    shown += row.section + "." + row.name + "=" + row.value + "@" + std::to_string(row.line) + " ";
  EXPECT_EQ(shown,
            "ethernet.interface_mode=Off@0 ethernet.ip_address=10.0.0.1@2 "
            "ethernet.interface_mode=Off@0 solution.elevation_mask=7@0 ");
}

TEST(FleetSheet, EachRowIsOneReceiverWithItsOwnValuesAndEmptyCellsKeepTheProfiles) {
  const std::string text =
      "\xEF\xBB\xBFport,ethernet.ip_address, solution.elevation_mask \r\n"
      "/dev/ttyUSB0,192.168.0.21,\r\n"
      "\r\n"
      "\"tcp://[::1]:55555\",\"192.168.0.22\",\"1\"\"0\"\"\"\n"
      "3\n";
  auto parsed = ParseFleetSheet(text, "f.csv", true);  // forced: 1"0" is the receiver's to refuse
  ASSERT_TRUE(std::holds_alternative<std::vector<FleetRow>>(parsed))
      << std::get<std::string>(parsed);
  std::vector<std::string> shown;  // line, port's host, device or number, then key=value
  for (const FleetRow& row : std::get<std::vector<FleetRow>>(parsed)) {
    std::string each = std::to_string(row.line) + " " + row.port.host + row.port.device +
                       (row.port.number ? std::to_string(row.port.number) : "");
    for (const Key& key : row.values) each += " " + key.section + "." + key.name + "=" + key.value;
    shown.push_back(each);
  }
  EXPECT_EQ(shown,
            (std::vector<std::string>{
                "2 /dev/ttyUSB0 ethernet.ip_address=192.168.0.21",
                "4 ::1 ethernet.ip_address=192.168.0.22 solution.elevation_mask=1\"0\"", "5 3"}));
}

struct SheetFault {
  const char* text;
  const char* message;
};

TEST(FleetSheet, AFaultySheetIsNamedByFileLineAndColumn) {
  const SheetFault cases[] = {
      {"", "f.csv: line 1, column 1: empty: a header row and a row per receiver are needed"},
      {"port,ethernet.ip_address\n", "f.csv: line 2, column 1: no receivers below the header"},
      {"device,a.b\n/dev/x,1\n", "f.csv: line 1, column 1: the first column's header must be port"},
      {"port,a.b,ip\n", "f.csv: line 1, column 3: 'ip' is not a section.name key"},
      {"port,a.b,\n", "f.csv: line 1, column 3: '' is not a section.name key"},
      {"port,a.b,a.b\n", "f.csv: line 1, column 3: a.b is also column 2"},
      {"port,a.b\n/dev/x,1,2\n",
       "f.csv: line 2, column 3: the row is longer than the header (2 columns)"},
      {"port,a.b\n/dev/x,\"1\n2\n", "f.csv: line 2, column 2: a quote opened here is never closed"},
      {"port,a.b\n/dev/x,\"1\"2\n",
       "f.csv: line 2, column 2: text after a closing quote; double a quote inside one"},
      {"port,a.b\n/dev/x,1\"2\n",
       "f.csv: line 2, column 2: a quote inside a cell that does not start with one"},
      {"port,a.b\n/dev/x,\xC3\x28\n", "f.csv: line 2, column 2: not valid UTF-8"},
      {"port,a.b\r/dev/x,1\n", "f.csv: line 1, column 2: a carriage return without a line feed"},
      {"port,a.b\n\"x\ny\",1\n/dev/x,\xE2\x82\xAC\n",
       "f.csv: line 4, column 2: a.b \"\xE2\x82\xAC\" cannot be sent: a character outside Latin-1 "
       "(U+20AC)"},
      {"port,ethernet.ip_address\n/dev/x,10.0.0.300\n",
       "f.csv: line 2, column 2: ethernet.ip_address \"10.0.0.300\": not an IPv4 address"},
      {"port,a.b\nauto,1\n", "f.csv: line 2, column 1: auto is no one receiver: name its port"},
      {"port,a.b\ntcp://h,1\n",
       "f.csv: line 2, column 1: --port tcp://h: expected tcp://HOST:PORT"},
      {"port,a.b\n/dev/x,1\n/dev/y,2\n/dev/x,3\n",
       "f.csv: line 4, column 1: /dev/x is also on line 2"},
  };
  for (const SheetFault& c : cases) {
    auto parsed = ParseFleetSheet(c.text, "f.csv", false);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.text;
    const std::string& message = std::get<std::string>(parsed);
    EXPECT_EQ(message.substr(0, std::string(c.message).size()), c.message) << c.text;
  }
}

PortReport Written(const std::string& port, std::optional<std::uint16_t> sender) {
  PortReport report;
  report.port = port;
  report.sender = sender;
  report.saved = true;
  SettingEntry entry{"ethernet", "ip_address",     "10.0.0.2", "10.0.0.1",
                     "10.0.0.2", Outcome::Written, 0};
  report.settings.push_back(entry);
  return report;
}

TEST(Journal, ALineIsOneCompactObjectWithTheRunAndEverySetting) {
  using namespace std::chrono;
  const JournalRun run{JournalTime(system_clock::time_point(milliseconds(1796644658123))), "apply",
                       "base.ini", ""};
  PortReport report = Written("/dev/ttyUSB0", 0x1234);
  report.diagnosis = "heartbeat at 19200";
  const std::string line = JournalLine(run, report);
  ASSERT_EQ(line.find('\n'), line.size() - 1);
  EXPECT_EQ(JournalText(ReadJournal(line, {})),
            "2026-12-07T11:57:38.123Z  apply base.ini  /dev/ttyUSB0 (sender 0x1234): exit 0, "
            "saved, heartbeat at 19200\n"
            "  ethernet.ip_address: \"10.0.0.1\" -> \"10.0.0.2\" (written)\n");
  const QJsonObject entry = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
  EXPECT_EQ(entry.value("time").toString(), "2026-12-07T11:57:38.123Z");
  EXPECT_TRUE(entry.value("fleet").isNull());
  EXPECT_EQ(entry.value("sender").toInt(), 0x1234);
  EXPECT_FALSE(entry.value("rolled_back").toBool(true));
  const QJsonObject setting = entry.value("settings").toArray().at(0).toObject();
  EXPECT_EQ(setting.value("before").toString(), "10.0.0.1");
  EXPECT_EQ(setting.value("outcome").toString(), "written");
  EXPECT_TRUE(setting.value("restored").isNull());
}

TEST(Journal, HistoryIsOneReceiversNewestFirstAndSkipsTornAndForeignLines) {
  const auto at = [](const char* time, const std::string& port, int sender) {
    return JournalLine({time, "set", "", ""}, Written(port, static_cast<std::uint16_t>(sender)));
  };
  const std::string torn = at("2026-12-07T10:00:00.000Z", "/dev/a", 1);
  const std::string text = at("2026-12-07T10:00:00.000Z", "/dev/a", 1) +
                           at("2026-12-07T10:00:00.000Z", "/dev/null", 2) + "[1,2]\n" +
                           torn.substr(0, torn.size() / 2) + "\n" +
                           at("2026-12-07T12:00:00.000Z", "/dev/a", 1) +
                           at("2026-12-07T11:00:00.000Z", "/dev/null", 1) + "{\"time\":1}\n";
  struct Case {
    JournalQuery query;
    std::vector<std::string> want;  // time and port of each entry, in order
  };
  const Case cases[] = {
      {{"", {"/dev/a"}, std::nullopt}, {"12 /dev/a", "10 /dev/a"}},
      {{"", {}, 1}, {"12 /dev/a", "11 /dev/null", "10 /dev/a"}},
      {{"", {"/dev/./null"}, 1}, {"11 /dev/null"}},  // one device, two names
      {{"", {}, std::nullopt}, {"12 /dev/a", "11 /dev/null", "10 /dev/null", "10 /dev/a"}},
  };
  for (const Case& c : cases) {
    const JournalHistory history = ReadJournal(text, c.query);
    EXPECT_EQ(history.skipped, 3);
    std::vector<std::string> got;
    for (const QJsonObject& entry : history.entries) {
      got.push_back(entry.value("time").toString().mid(11, 2).toStdString() + " " +
                    entry.value("port").toString().toStdString());
    }
    EXPECT_EQ(got, c.want);
  }
}

}  // namespace
}  // namespace orvane::ctl
