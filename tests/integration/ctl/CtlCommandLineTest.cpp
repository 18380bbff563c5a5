// SPDX-License-Identifier: Apache-2.0
// The command line in the test's process: what the parser takes from it, and every usage or
// profile error, refused before any port is touched, as the three renderings say it.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <map>

#include "Checks.h"
#include "CommandLine.h"
#include "Commands.h"
#include "Report.h"

namespace orvane::ctl {
namespace {

// A command line as one string of words; '' stands for an empty word.
CommandLine Parse(const QString& words) {
  std::vector<std::string> args{"orvanectl"};
  for (const QString& word : words.split(' ', Qt::SkipEmptyParts))
    args.push_back(word == "''" ? "" : word.toStdString());
  std::vector<const char*> argv;
  for (const auto& arg : args) argv.push_back(arg.c_str());
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

// What main makes of a command line that stops before the ports.
Report Outcome(const CommandLine& line) {
  if (line.kind != CommandLine::Kind::UsageError) return Run(line.options);
  return UsageReport(line.command.empty() ? std::nullopt : std::optional(line.options.command),
                     line.message);
}

// A FIFO nobody writes to, made once and left to the system's temporary files.
QString Fifo() {
  static const QString path = [] {
    char dir[] = "/tmp/ctl-fifo-XXXXXX";
    const QString made = ::mkdtemp(dir) != nullptr ? QString(dir) + "/profile.ini" : QString();
    return !made.isEmpty() && ::mkfifo(made.toLocal8Bit().constData(), 0600) == 0 ? made : "";
  }();
  return path;
}

struct UsageCase {
  const char* title;
  QString words;        // {profile}: a file of profile's text; {fifo}: Fifo()
  const char* command;  // "" when none is named
  QString says;         // contained in the error ({profile} as in words)
  QByteArray profile = {};
};

void PrintTo(const UsageCase& c, std::ostream* os) {
  *os << c.title;
}

class UsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrors, ExitTwoSayWhyOnStderrOnlyAndTouchNoPort) {
  const UsageCase& c = GetParam();
  QTemporaryDir dir;
  const QString path = dir.filePath("site.ini");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(c.profile);
  file.close();
  const auto fill = [&](QString text) {
    return text.replace("{profile}", path).replace("{fifo}", Fifo());
  };
  const Report report = Outcome(Parse(fill(c.words)));
  ASSERT_TRUE(report.error.has_value());
  const std::string error = *report.error;
  EXPECT_NE(error.find(fill(c.says).toStdString()), std::string::npos) << error;
  EXPECT_EQ(report.Exit(), ExitCode::Usage);
  EXPECT_TRUE(report.ports.empty());
  EXPECT_EQ(RenderText(report, false), "");
  EXPECT_EQ(RenderErrors(report, true), "orvanectl: " + error + "\n");
  const QJsonObject json =
      QJsonDocument::fromJson(QByteArray::fromStdString(RenderJson(report))).object();
  EXPECT_EQ(json.value("command").toString(), QString(c.command));
  EXPECT_EQ(json.value("error").toString().toStdString(), error);
  EXPECT_EQ(json.value("exit").toInt(), 2);
  EXPECT_TRUE(json.value("ports").toArray().isEmpty());
}

const QByteArray kBlank =
    "[ethernet]\nip_address =\nnetmask = 255.255.255.0\n"
    "[surveyed_position]\nsurveyed_lat = 0\nsurveyed_lon = 0.0\nsurveyed_alt = -0\n";
const QByteArray kEuro = "# site\n[uart1]\nbaudrate = 19200\n\nmode = 5\xE2\x82\xAC\n";
const char* const kEuroSays =
    "{profile}: line 5: value of uart1.mode cannot be sent: a character outside Latin-1 (U+20AC)";

INSTANTIATE_TEST_SUITE_P(
    Table, UsageErrors,
    ::testing::Values(
        UsageCase{"NoCommand", "", "", "a command is needed"},
        UsageCase{"UnknownCommand", "frobnicate", "", "unknown command 'frobnicate'"},
        UsageCase{"UnknownOption", "dump --frob", "dump", "--frob"},
        UsageCase{"PortsTakesNoArgument", "ports x", "ports", "x"},
        UsageCase{"GetWithoutKey", "get", "get", "KEY"},
        UsageCase{"KeyWithoutSection", "get baudrate", "get", "section.name"},
        UsageCase{"KeyWithEmptyName", "get uart1.", "get", "section.name"},
        UsageCase{"KeyWithAValue", "get uart1.mode=1", "get", "expected KEY (section.name)"},
        UsageCase{"SetWithoutValue", "set uart1.baudrate", "set", "KEY=VALUE"},
        UsageCase{"SetWithoutDot", "set nodot=1", "set", "set: KEY must be section.name"},
        UsageCase{"SetOutsideLatin1", "set uart1.mode=5\u20AC", "set", "outside Latin-1 (U+20AC)"},
        UsageCase{"SetOverOneFrame", "set s.n=" + QString(251, 'x'), "set", "over 255 bytes"},
        UsageCase{"DiffWithoutProfile", "diff", "diff", "PROFILE"},
        UsageCase{"UnreadableProfile", "apply /nonexistent/p.ini", "apply",
                  "/nonexistent/p.ini: cannot be read"},
        UsageCase{"ProfileThatNeverEnds", "apply /dev/zero", "apply",
                  "/dev/zero: not a regular file (a character device)"},
        UsageCase{"ProfileFromAFifo", "diff {fifo}", "diff", "not a regular file (a FIFO)"},
        UsageCase{"ProfileThatIsADirectory", "apply /", "apply", "/: not a regular file"},
        UsageCase{"TcpPortOutOfRange", "--port tcp://127.0.0.1:65536 detect", "detect", "65535"},
        UsageCase{"TcpWithoutPort", "--port tcp://127.0.0.1 detect", "detect", "tcp://HOST:PORT"},
        UsageCase{"BareIpv6", "--port tcp://::1:55555 detect", "detect", "brackets"},
        UsageCase{"PortNumberZero", "--port 0 detect", "detect", "--port 0"},
        UsageCase{"EmptyPort", "--port '' detect", "detect", "--port"},
        UsageCase{"BaudNotANumber", "--baud fast detect", "detect", "--baud"},
        UsageCase{"NoRequestsInFlight", "--in-flight 0 dump", "dump", "--in-flight"},
        UsageCase{"ZeroTimeout", "--timeout 0 dump", "dump", "--timeout"},
        UsageCase{"RetriesNotANumber", "--retries some dump", "dump", "--retries"},
        UsageCase{"UnknownRtk", "base-profile --rtk nmea", "base-profile", "sbp or rtcm"},
        UsageCase{"FieldOutsideLatin1", "base-profile --lat \u03B1", "base-profile",
                  "outside Latin-1"},
        UsageCase{"AFlagValueTheReceiverWouldRefuse", "base-profile --lat north", "base-profile",
                  "--lat north: not a latitude"},
        UsageCase{"FleetAndPort", "--port /dev/x apply p --fleet f.csv", "apply",
                  "give --fleet or --port, not both"},
        UsageCase{"ASenderThatIsNoNumber", "journal --sender 0xZZ j", "journal", "--sender"},
        UsageCase{
            "ASetValueTheReceiverWouldRefuse", "set solution.elevation_mask=95", "set",
            "set: solution.elevation_mask=95: not an elevation mask: a decimal number of degrees "
            "from 0 to 90"},
        UsageCase{"ABaudRateTheReceiverHasNot", "set uart1.baudrate=14400", "set",
                  "uart1.baudrate=14400: not one of \"1200\""},
        UsageCase{"SetWillNotEmptyTheGateway", "set ethernet.gateway=", "set",
                  "set: would leave the base station without an address or position: "
                  "ethernet.gateway empty"},
        UsageCase{"ApplyWillNotBlankTheBaseStation", "apply {profile}", "apply",
                  "{profile}: would leave the base station without an address or position: "
                  "ethernet.ip_address empty (line 2); surveyed_position.surveyed_lat, "
                  "surveyed_lon, surveyed_alt all zero (lines 5, 6, 7)",
                  kBlank},
        UsageCase{"AProfileValueTheReceiverWouldRefuse", "apply {profile}", "apply",
                  "{profile}: line 3: ethernet.ip_address = \"192.168.0.2555\": not an IPv4 "
                  "address",
                  "[ethernet]\nnetmask = 255.255.255.0\nip_address = 192.168.0.2555\n"},
        UsageCase{"AProfileFaultUnderDiff", "diff {profile}", "diff", kEuroSays, kEuro},
        UsageCase{"AProfileFaultUnderApply", "--port /dev/none apply {profile}", "apply", kEuroSays,
                  kEuro}),
    [](const auto& info) { return std::string(info.param.title); });

// The refusals say how to write the values anyway; --force does, as far as the port.
TEST(UsageErrors, ARefusalNamesForceAndForcePassesIt) {
  EXPECT_NE(Outcome(Parse("set ethernet.gateway=")).error->find("--force"), std::string::npos);
  const CommandLine forced = Parse("set ethernet.gateway= --force");
  EXPECT_EQ(forced.kind, CommandLine::Kind::Run);
  EXPECT_TRUE(forced.options.force);
}

TEST(CommandLine, TakesEveryOptionBeforeOrAfterTheCommand) {
  const CommandLine line = Parse(
      "--port /dev/a --port tcp://[::1]:7 --port 3 --baud 9600 --timeout 200 --retries 0 "
      "--in-flight 2 -q -v --json set a.b=1 x.y= --no-save --partial --force");
  ASSERT_EQ(line.kind, CommandLine::Kind::Run) << line.message;
  const Options& o = line.options;
  EXPECT_EQ(o.command, Command::Set);
  ASSERT_EQ(o.ports.size(), 3u);
  EXPECT_EQ(o.ports[0].kind, PortSpec::Kind::Device);
  EXPECT_EQ(o.ports[1].host, "::1");
  EXPECT_EQ(o.ports[1].tcpPort, 7);
  EXPECT_EQ(o.ports[2].number, 3);
  EXPECT_EQ(o.baud, 9600);
  EXPECT_EQ(o.policy.timeoutMs, 200);
  EXPECT_EQ(o.policy.retries, 0);
  EXPECT_EQ(o.policy.inFlight, 2);
  EXPECT_TRUE(o.quiet && o.verbose && o.json && line.json && o.noSave && o.partial && o.force);
  ASSERT_EQ(o.keys.size(), 2u);
  EXPECT_EQ(o.keys[1].section + "." + o.keys[1].name + "=" + o.keys[1].value, "x.y=");
  const Options plain = Parse("apply p --all --dry-run --set a.b=2").options;
  EXPECT_EQ(plain.ports.at(0).kind, PortSpec::Kind::Auto);
  EXPECT_FALSE(plain.baud || plain.quiet || plain.verbose || plain.json || plain.noSave);
  EXPECT_TRUE(plain.all && plain.dryRun);
  EXPECT_EQ(plain.profilePath, "p");
  EXPECT_EQ(plain.overrides.at(0).value, "2");
  const Options journal = Parse("journal --port /dev/a --sender 0x12 j").options;
  EXPECT_EQ(journal.journal.file, "j");
  EXPECT_EQ(journal.journal.sender, 0x12);
  EXPECT_EQ(journal.journal.ports, std::vector<std::string>{"/dev/a"});
  EXPECT_EQ(Parse("ports --probe").options.probe, true);
}

TEST(Help, ListsEveryCommandAndEachCommandHasItsOwn) {
  for (const char* word :
       {"ports", "detect", "get KEY", "set KEY=VALUE", "dump", "diff PROFILE", "apply PROFILE",
        "base-profile", "Exit status", "6  a setting stayed", "--in-flight N", "Default: 4",
        "--timeout MS", "Default: 500", "--retries N", "Default: 3"}) {
    EXPECT_NE(UsageText().find(word), std::string::npos) << word;
  }
  const std::string apply = CommandUsageText("apply");
  EXPECT_NE(apply.find("Usage: orvanectl [OPTION]... apply PROFILE"), std::string::npos);
  EXPECT_NE(apply.find("--force"), std::string::npos);
  EXPECT_EQ(apply.find("base-profile"), std::string::npos);
  EXPECT_EQ(apply.find("Exit status:"), std::string::npos);
  EXPECT_EQ(Parse("apply --help").command, "apply");
  EXPECT_EQ(Parse("--help").kind, CommandLine::Kind::Help);
  EXPECT_EQ(Parse("--version detect").kind, CommandLine::Kind::Version);
}

// The rows whose flag is absent and whose window default is empty or 0 are left out: written,
// they would blank the base station.
TEST(BaseProfile, PrintsTheBaseStationRowsAsAProfileThatApplyAccepts) {
  const Report report =
      Outcome(Parse("base-profile --ip 192.168.0.222 --lat=-33.5 --no-glonass "
                    "--rtk rtcm --galileo --netmask 255.255.255.0"));
  const std::string text = RenderText(report, false);
  const auto parsed = transfer::ParseProfile(text);
  ASSERT_TRUE(parsed.Ok()) << parsed.error->What();
  ASSERT_EQ(parsed.rows.size(), 46u);
  std::map<std::string, std::vector<std::string>> values;
  for (const auto& row : parsed.rows) values[row.section + "." + row.name].push_back(row.value);
  using Values = std::vector<std::string>;
  EXPECT_EQ(values["ethernet.interface_mode"], (Values{"Config", "Active"}));
  const std::map<std::string, std::string> expected{
      {"ethernet.ip_address", "192.168.0.222"},
      {"solution.elevation_mask", "10"},
      {"surveyed_position.surveyed_lat", "-33.5"},
      {"uart0.mode", "RTCMv3 OUT"},
      {"tcp_server1.mode", "RTCMv3 OUT"},
      {"tcp_server0.mode", "SBP"},
      {"solution.enable_glonass", "False"},
      {"solution.enable_galileo", "True"},
      {"acquisition.sbas_acquisition_enabled", "True"},
      {"acquisition.bds2_acquisition_enabled", "False"},
      {"ethernet.netmask", "255.255.255.0"}};
  for (const auto& [key, value] : expected) EXPECT_EQ(values[key], Values{value}) << key;
  EXPECT_EQ(values.count("ethernet.gateway"), 0u);
  EXPECT_EQ(values.count("surveyed_position.surveyed_alt"), 0u);
  EXPECT_NE(text.find("#   ethernet.gateway (--gateway)"), std::string::npos) << text;
  EXPECT_NE(text.find("#   surveyed_position.surveyed_alt (--alt)"), std::string::npos);
  EXPECT_EQ(Outcome(Parse("base-profile")).leftOut.size(), 6u);
  // What it prints passes apply's checks.
  EXPECT_EQ(WhyNotWritten(parsed.rows, "base.ini", true), std::nullopt);

  const QJsonObject json =
      QJsonDocument::fromJson(QByteArray::fromStdString(RenderJson(Outcome(Parse("base-profile")))))
          .object();
  const QJsonArray rows = json.value("profile").toArray();
  ASSERT_EQ(rows.size(), 43);
  EXPECT_EQ(rows[0].toObject().value("value").toString(), "Config");
  EXPECT_EQ(rows[3].toObject().value("value").toString(), "SBP");
  EXPECT_EQ(json.value("left_out").toArray().size(), 6);
}

}  // namespace
}  // namespace orvane::ctl
