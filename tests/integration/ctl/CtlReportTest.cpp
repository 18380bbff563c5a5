// SPDX-License-Identifier: Apache-2.0
// The report the receiver commands fill in: the exit status it adds up to, the JSON document
// a script reads, and the text a person reads (a profile for get and dump).

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "Report.h"

namespace orvane::ctl {
namespace {

PortReport Port(std::string name, ExitCode exit) {
  PortReport port;
  port.port = std::move(name);
  port.exit = exit;
  return port;
}

TEST(ReportExit, IsTheHighestOfThePortsAndItsOwn) {
  struct Case {
    std::vector<ExitCode> ports;
    ExitCode expected;
  };
  const Case cases[] = {
      {{}, ExitCode::Done},
      {{ExitCode::Done, ExitCode::Differences}, ExitCode::Differences},
      {{ExitCode::Refused, ExitCode::Unanswered, ExitCode::NoReceiver}, ExitCode::Unanswered},
      {{ExitCode::Mismatch, ExitCode::Refused}, ExitCode::Mismatch},
  };
  for (const Case& c : cases) {
    Report report;
    for (ExitCode exit : c.ports) report.ports.push_back(Port("p", exit));
    EXPECT_EQ(report.Exit(), c.expected);
  }
  EXPECT_EQ(UsageReport(Command::Get, "bad").Exit(), ExitCode::Usage);
}

// One port that went through every outcome.
Report Applied() {
  Report report;
  report.command = Command::Apply;
  PortReport port = Port("/dev/ttyUSB0", ExitCode::Mismatch);
  port.speed = 19200;
  port.diagnosis = "heartbeat at 19200";
  port.saved = true;
  port.elapsedMs = 1234;
  port.settings = {
      {"uart1", "baudrate", "19200", "19200", std::nullopt, Outcome::Unchanged, std::nullopt},
      {"uart1", "mode", "SBP", "NMEA", std::nullopt, Outcome::Differs, std::nullopt},
      {"ethernet", "ip_address", "10.0.0.2", "10.0.0.1", "10.0.0.2", Outcome::Written, 0},
      {"ntrip", "enable", "False", "True", std::nullopt, Outcome::Refused, 2},
      {"s", "odd", "a\"b\\c\td\x01\xFF\xE0\x80\xAF\xED\xA0\x80", "x", "y", Outcome::Mismatch, 0},
      {"imu", "imu_raw_output", "False", std::nullopt, std::nullopt, Outcome::Unanswered,
       std::nullopt},
      {"solution", "elevation_mask", std::nullopt, "10", std::nullopt, Outcome::Read, std::nullopt},
      {"ethernet", "ip_adress", "10.0.0.3", std::nullopt, std::nullopt, Outcome::Unknown,
       std::nullopt, "ethernet.ip_address"},
  };
  port.sender = 0x1234;
  report.ports.push_back(port);
  report.ports.push_back(Port("tcp://127.0.0.1:55555", ExitCode::NoReceiver));
  return report;
}

QStringList Keys(const QJsonObject& object) {
  QStringList keys = object.keys();
  keys.sort();
  return keys;
}

TEST(ReportJson, CarriesEveryFieldWithNullsWhereNothingIsKnown) {
  const std::string json = RenderJson(Applied());
  QJsonParseError error;
  const QJsonObject document =
      QJsonDocument::fromJson(QByteArray::fromStdString(json), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << json;
  EXPECT_LT(json.find("\"command\""), json.find("\"exit\""));
  EXPECT_LT(json.find("\"exit\""), json.find("\"ports\""));
  EXPECT_EQ(Keys(document), (QStringList{"command", "exit", "ports"}));
  EXPECT_EQ(document.value("command").toString(), "apply");
  EXPECT_EQ(document.value("exit").toInt(), 5);

  const QJsonArray ports = document.value("ports").toArray();
  ASSERT_EQ(ports.size(), 2);
  const QJsonObject serial = ports[0].toObject();
  EXPECT_EQ(Keys(serial), (QStringList{"diagnosis", "elapsed_ms", "exit", "port", "rolled_back",
                                       "saved", "sender", "settings", "speed"}));
  EXPECT_EQ(serial.value("sender").toInt(), 0x1234);
  EXPECT_EQ(serial.value("speed").toInt(), 19200);
  EXPECT_EQ(serial.value("saved").toBool(), true);
  EXPECT_EQ(serial.value("elapsed_ms").toInt(), 1234);
  EXPECT_TRUE(ports[1].toObject().value("speed").isNull());
  EXPECT_TRUE(ports[1].toObject().value("sender").isNull());
  EXPECT_TRUE(ports[1].toObject().value("diagnosis").isNull());

  const QJsonArray settings = serial.value("settings").toArray();
  ASSERT_EQ(settings.size(), 8);
  const char* outcomes[] = {"unchanged", "differs",    "written", "refused",
                            "mismatch",  "unanswered", "read",    "unknown"};
  for (qsizetype i = 0; i < settings.size(); ++i) {
    const QJsonObject entry = settings[i].toObject();
    EXPECT_EQ(Keys(entry), (QStringList{"after", "before", "name", "outcome", "restored", "section",
                                        "status", "suggestion", "wanted"}));
    EXPECT_EQ(entry.value("outcome").toString(), outcomes[i]);
  }
  EXPECT_TRUE(settings[0].toObject().value("status").isNull());
  EXPECT_TRUE(settings[0].toObject().value("after").isNull());
  EXPECT_EQ(settings[3].toObject().value("status").toInt(), 2);
  EXPECT_TRUE(settings[6].toObject().value("wanted").isNull());
  EXPECT_TRUE(settings[6].toObject().value("suggestion").isNull());
  EXPECT_EQ(settings[7].toObject().value("suggestion").toString(), "ethernet.ip_address");
  // Quotes, backslashes and control characters survive; a byte that is not UTF-8 becomes U+FFFD,
  // each byte of an overlong form or a surrogate too.
  EXPECT_EQ(settings[4].toObject().value("wanted").toString(),
            QString("a\"b\\c\td\x01") + QString(7, QChar(0xFFFD)));
}

TEST(ReportText, GetPrintsAProfileWithEverythingElseAsComments) {
  Report report;
  report.command = Command::Get;
  for (const char* name : {"/dev/ttyUSB0", "/dev/ttyUSB1"}) {
    PortReport port = Port(name, ExitCode::Unanswered);
    port.diagnosis = "heartbeat at 19200";
    port.settings = {
        {"uart1", "baudrate", std::nullopt, "19200", std::nullopt, Outcome::Read, std::nullopt},
        {"uart1", "mode", std::nullopt, std::nullopt, std::nullopt, Outcome::Unanswered,
         std::nullopt},
        {"s", "padded", std::nullopt, " x ", std::nullopt, Outcome::Read, std::nullopt},
    };
    report.ports.push_back(port);
  }
  const std::string text = RenderText(report, false);
  const auto parsed = transfer::ParseProfile(text);
  ASSERT_TRUE(parsed.Ok()) << parsed.error->What() << "\n" << text;
  ASSERT_EQ(parsed.rows.size(), 4u) << text;
  EXPECT_EQ(parsed.rows[0], (transfer::ProfileSetting{"uart1", "baudrate", "19200", 0}));
  EXPECT_EQ(parsed.rows[1], (transfer::ProfileSetting{"s", "padded", " x ", 0}));
  EXPECT_NE(text.find("# uart1.mode: unanswered"), std::string::npos) << text;
  // A failure is said on stderr.
  EXPECT_EQ(text.find("heartbeat"), std::string::npos) << text;
  const std::string errors = RenderErrors(report, false);
  EXPECT_NE(errors.find("orvanectl: /dev/ttyUSB1: "), std::string::npos) << errors;
  EXPECT_NE(errors.find("heartbeat at 19200, exit 6\n"), std::string::npos) << errors;
}

// With several ports each port's rows come under its header, whichever port failed first, and a
// line per port ends the report; -q keeps only failures, without unchanged rows.
TEST(ReportText, EveryRowUnderItsPortsHeaderAndQuietKeepsFailuresOnly) {
  Report report;
  report.command = Command::Apply;
  PortReport bad = Port("/dev/ttyUSB1", ExitCode::Refused);
  bad.settings = {{"uart1", "mode", "SBP", "SBP", std::nullopt, Outcome::Unchanged, std::nullopt},
                  {"ntrip", "enable", "True", "False", "False", Outcome::Refused, 2}};
  PortReport good = Port("/dev/ttyUSB0", ExitCode::Done);
  good.sender = 0x1234;
  good.saved = true;
  good.settings = {{"uart1", "mode", "SBP", "NMEA", "SBP", Outcome::Written, 0}};
  report.ports = {bad, good};
  EXPECT_EQ(RenderText(report, false),
            "== /dev/ttyUSB1: 1 unchanged, 1 refused, exit 4\n"
            "  uart1.mode: \"SBP\" (unchanged)\n"
            "  ntrip.enable: wanted \"True\", reads \"False\" (refused, status 2)\n"
            "== /dev/ttyUSB0 (sender 0x1234): 1 written, saved, exit 0\n"
            "  uart1.mode: \"NMEA\" -> \"SBP\" (written, status 0)\n"
            "\n"
            "/dev/ttyUSB1: 1 unchanged, 1 refused, exit 4\n"
            "/dev/ttyUSB0 (sender 0x1234): 1 written, saved, exit 0\n");
  EXPECT_EQ(RenderText(report, true),
            "== /dev/ttyUSB1: 1 unchanged, 1 refused, exit 4\n"
            "  ntrip.enable: wanted \"True\", reads \"False\" (refused, status 2)\n");
  // One port alone needs no header.
  report.ports = {good};
  EXPECT_EQ(RenderText(report, false),
            "  uart1.mode: \"NMEA\" -> \"SBP\" (written, status 0)\n  settings saved\n");
}

TEST(ReportEntries, OnePerSettingInTheOrderOfItsFirstRowWantingItsLastValue) {
  const std::vector<transfer::ProfileSetting> rows{{"ethernet", "interface_mode", "Config", 2},
                                                   {"ethernet", "ip_address", "10.0.0.2", 3},
                                                   {"uart1", "mode", "SBP", 5},
                                                   {"ethernet", "interface_mode", "Active", 7},
                                                   {"uart0", "mode", "SBP", 8}};
  const std::vector<SettingEntry> entries = EntriesFor(rows);
  std::vector<std::string> seen;
  for (const auto& entry : entries)
    seen.push_back(entry.section + "." + entry.name + "=" + *entry.wanted);
  EXPECT_EQ(seen, (std::vector<std::string>{"ethernet.interface_mode=Active",
                                            "ethernet.ip_address=10.0.0.2", "uart1.mode=SBP",
                                            "uart0.mode=SBP"}));
}

}  // namespace
}  // namespace orvane::ctl
