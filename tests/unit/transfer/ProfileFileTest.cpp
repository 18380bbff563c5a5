// SPDX-License-Identifier: Apache-2.0
// Profiles: what the reader makes of a text, which faults it reports on which line, and that
// the writer's text reads back as the same rows.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transfer/ProfileFile.h"

namespace orvane::transfer {
namespace {

using Rows = std::vector<ProfileSetting>;

std::string Describe(const Rows& rows) {
  std::string text;
  for (const auto& row : rows) {
    text += "[" + row.section + "] <" + row.name + "> = <" + row.value + "> @" +
            std::to_string(row.line) + "\n";
  }
  return text;
}

struct ReadCase {
  const char* title;
  std::string text;
  Rows rows;  // with the line each came from
};

void PrintTo(const ReadCase& c, std::ostream* os) {
  *os << c.title;
}

class ProfileReads : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileReads, GivesTheRowsInOrderWithTheirLines) {
  const ParsedProfile parsed = ParseProfile(GetParam().text, "p.ini");
  ASSERT_TRUE(parsed.Ok()) << parsed.error->What();
  EXPECT_EQ(Describe(parsed.rows), Describe(GetParam().rows));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileReads,
    ::testing::Values(
        ReadCase{"Empty", "", {}},
        ReadCase{"CommentsAndBlanksOnly", "# a\n; b\n\n   \n\t# c\n", {}},
        ReadCase{"SpacesAroundEverythingTrimmed",
                 "  [ uart1 ]  \n\t baudrate \t=\t 19200  \n",
                 {{"uart1", "baudrate", "19200", 2}}},
        ReadCase{"ValueKeepsCommentCharactersEqualsAndInnerSpaces",
                 "[s]\na = x # y ; z\nb = k=v\nc = two  words\n",
                 {{"s", "a", "x # y ; z", 2}, {"s", "b", "k=v", 3}, {"s", "c", "two  words", 4}}},
        ReadCase{"EmptyValue",
                 "[ethernet]\nip_address =\ngateway =   \n",
                 {{"ethernet", "ip_address", "", 2}, {"ethernet", "gateway", "", 3}}},
        ReadCase{"DuplicateKeysAndReturningSectionKeepOrder",
                 "[ethernet]\ninterface_mode = Config\n[solution]\nelevation_mask = 10\n"
                 "[ethernet]\ninterface_mode = Active\n",
                 {{"ethernet", "interface_mode", "Config", 2},
                  {"solution", "elevation_mask", "10", 4},
                  {"ethernet", "interface_mode", "Active", 6}}},
        ReadCase{"IndentedLineIsARowNotAContinuation",
                 "[s]\na = 1\n   b = 2\n",
                 {{"s", "a", "1", 2}, {"s", "b", "2", 3}}},
        ReadCase{"CrLfAndByteOrderMarkAndNoFinalNewline",
                 "\xEF\xBB\xBF[s]\r\na = 1\r\nb = 2",
                 {{"s", "a", "1", 2}, {"s", "b", "2", 3}}},
        ReadCase{"OuterQuotesKeepSpacesAndQuotes",
                 "[s]\na = \" padded \"\nb = \"\"quoted\"\"\nc = \"\nd = say \"hi\"\n",
                 {{"s", "a", " padded ", 2},
                  {"s", "b", "\"quoted\"", 3},
                  {"s", "c", "\"", 4},
                  {"s", "d", "say \"hi\"", 5}}},
        ReadCase{"Latin1LettersTravel", "[s]\nname = Zürich ©\n", {{"s", "name", "Zürich ©", 2}}},
        ReadCase{"LongestPayloadFits",
                 "[s]\nn = " + std::string(250, 'x') + "\n",
                 {{"s", "n", std::string(250, 'x'), 2}}}),
    [](const auto& info) { return std::string(info.param.title); });

struct FaultCase {
  const char* title;
  std::string text;
  std::string what;  // the whole message, file and line included
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.title;
}

class ProfileFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ProfileFaults, NameFileAndLineAndKeepNoRows) {
  const ParsedProfile parsed = ParseProfile(GetParam().text, "site.ini");
  ASSERT_FALSE(parsed.Ok());
  EXPECT_EQ(parsed.error->What(), GetParam().what);
  EXPECT_TRUE(parsed.rows.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileFaults,
    ::testing::Values(
        FaultCase{"NeitherSectionNorPair", "[s]\na = 1\njust words\n",
                  "site.ini: line 3: expected [section] or name = value"},
        FaultCase{"UnclosedSection", "[s\n",
                  "site.ini: line 1: expected [section] or name = value"},
        FaultCase{"CommentAfterSection", "[s] # x\n",
                  "site.ini: line 1: expected [section] or name = value"},
        FaultCase{"EmptySection", "[  ]\n", "site.ini: line 1: empty section name"},
        FaultCase{"PairBeforeSection", "# top\n\na = 1\n",
                  "site.ini: line 3: name = value before any [section]"},
        FaultCase{"EmptyName", "[s]\n = 1\n", "site.ini: line 2: empty name"},
        FaultCase{"InvalidUtf8", "[s]\na = 1\nb = \xC3\x28\n", "site.ini: line 3: not valid UTF-8"},
        FaultCase{"InvalidUtf8EvenInAComment", "# caf\xE9\n", "site.ini: line 1: not valid UTF-8"},
        FaultCase{"OverlongEncoding", "[s]\na = \xC0\xAF\n", "site.ini: line 2: not valid UTF-8"},
        FaultCase{"EncodedSurrogate", "[s]\na = \xED\xA0\x80\n",
                  "site.ini: line 2: not valid UTF-8"},
        FaultCase{"PayloadOneByteTooLong", "[s]\nn = " + std::string(251, 'x') + "\n",
                  "site.ini: line 2: value of s.n cannot be sent: over 255 bytes of payload"},
        FaultCase{"EuroSign", "[uart1]\nbaudrate = 19200\nmode = 5\xE2\x82\xAC\n",
                  "site.ini: line 3: value of uart1.mode cannot be sent: "
                  "a character outside Latin-1 (U+20AC)"},
        FaultCase{"CharacterBeyondTheBasicPlane", "[s]\na = \xF0\x9F\x98\x80\n",
                  "site.ini: line 2: value of s.a cannot be sent: "
                  "a character outside Latin-1 (U+1F600)"},
        FaultCase{"Nul",
                  std::string("[s]\na = 1\0"
                              "2\n",
                              12),
                  "site.ini: line 2: value of s.a cannot be sent: a NUL"},
        FaultCase{"NameOutsideLatin1", "[s]\n\xCE\xB1 = 1\n",
                  "site.ini: line 2: s.\xCE\xB1 cannot be sent: a character outside Latin-1 "
                  "(U+03B1)"},
        FaultCase{"SectionOutsideLatin1", "[\xCE\xB1]\n",
                  "site.ini: line 1: section \xCE\xB1 cannot be sent: a character outside "
                  "Latin-1 (U+03B1)"},
        FaultCase{"FirstFaultWins", "oops\n[s]\na = \xE2\x82\xAC\n",
                  "site.ini: line 1: expected [section] or name = value"}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(ProfileError, LeavesOutWhatIsUnknown) {
  EXPECT_EQ((ProfileError{"", 4, "empty name"}.What()), "line 4: empty name");
  EXPECT_EQ((ProfileError{"a.ini", 0, "cannot be read"}.What()), "a.ini: cannot be read");
}

// A base-station profile as the window writes it, with an address filled in: the rows go out
// in this order, "interface_mode" twice, and one value makes a 207-character line.
const Rows kBaseStation{
    {"ethernet", "interface_mode", "Config"},
    {"ethernet", "ip_address", "192.168.0.222"},
    {"ethernet", "gateway", "192.168.0.1"},
    {"ethernet", "netmask", "255.255.255.0"},
    {"solution", "elevation_mask", "10"},
    {"ethernet", "interface_mode", "Active"},
    {"surveyed_position", "surveyed_lat", "0"},
    {"surveyed_position", "surveyed_lon", "0"},
    {"surveyed_position", "surveyed_alt", "0"},
    {"uart0", "mode", "SBP"},
    {"acquisition", "bds2_acquisition_enabled", "False"},
    {"solution", "enable_beidou", "False"},
    {"acquisition", "glonass_acquisition_enabled", "True"},
    {"solution", "enable_glonass", "True"},
    {"acquisition", "sbas_acquisition_enabled", "True"},
    {"acquisition", "galileo_acquisition_enabled", "False"},
    {"solution", "enable_galileo", "False"},
    {"imu", "imu_raw_output", "False"},
    {"imu", "mag_raw_output", "False"},
    {"nmea", "gpgga_msg_rate", "0"},
    {"nmea", "gprmc_msg_rate", "0"},
    {"nmea", "gpvtg_msg_rate", "0"},
    {"nmea", "gphdt_msg_rate", "0"},
    {"nmea", "gpgll_msg_rate", "0"},
    {"nmea", "gpzda_msg_rate", "0"},
    {"nmea", "gsa_msg_rate", "0"},
    {"nmea", "gpgst_msg_rate", "0"},
    {"nmea", "gpgsv_msg_rate", "0"},
    {"ntrip", "enable", "False"},
    {"simulator", "enabled", "False"},
    {"standalone_logging", "enable", "False"},
    {"surveyed_position", "broadcast", "True"},
    {"tcp_client0", "mode", "Disabled"},
    {"tcp_client1", "mode", "Disabled"},
    {"tcp_server0", "enabled_sbp_messages",
     "23,65,72,74,81,97,117,134,136,137,138,139,144,149,163,165,166,167,171,181,185,187,188,189,"
     "190,257,258,259,520,522,524,526,527,528,1025,2304/50,2305,2306/50,4098,30583,65280,65282,"
     "65535"},
    {"tcp_server0", "port", "55555"},
    {"tcp_server0", "mode", "SBP"},
    {"tcp_server1", "enabled_sbp_messages", "68,72,74,117,165,175,65535"},
    {"tcp_server1", "port", "55556"},
    {"tcp_server1", "mode", "SBP"},
    {"uart0", "enabled_sbp_messages", "68,72,74,165,175,117,65535"},
    {"uart0", "baudrate", "19200"},
    {"uart0", "flow_control", "None"},
    {"uart1", "enabled_sbp_messages", "165,175,65535"},
    {"uart1", "mode", "SBP"},
    {"uart1", "baudrate", "19200"},
    {"uart1", "flow_control", "None"},
    {"udp_client0", "mode", "Disabled"},
    {"udp_client1", "mode", "Disabled"},
};

TEST(ProfileRoundTrip, BaseStationProfileReadsBackRowForRow) {
  const RenderedProfile rendered = RenderProfile(kBaseStation);
  ASSERT_TRUE(rendered.Ok()) << rendered.error->What();
  std::size_t longest = 0;
  for (std::size_t start = 0, end; start < rendered.text.size(); start = end + 1) {
    end = rendered.text.find('\n', start);
    longest = std::max(longest, end - start);
  }
  EXPECT_EQ(longest, 207u);

  const ParsedProfile parsed = ParseProfile(rendered.text);
  ASSERT_TRUE(parsed.Ok()) << parsed.error->What();
  EXPECT_EQ(parsed.rows, kBaseStation);
  // Each row's line holds that row, so an error can point at it.
  const auto lineOf = [&](int line) {
    std::size_t start = 0;
    for (int k = 1; k < line; ++k) start = rendered.text.find('\n', start) + 1;
    return rendered.text.substr(start, rendered.text.find('\n', start) - start);
  };
  for (const ProfileSetting& row : parsed.rows) {
    EXPECT_EQ(lineOf(row.line).rfind(row.name + " =", 0), 0u) << row.name;
  }
}

TEST(ProfileRoundTrip, ValuesTheReaderWouldChangeAreQuoted) {
  const Rows rows{{"s", "lead", " x"},      {"s", "trail", "x\t"},      {"s", "blank", "   "},
                  {"s", "quoted", "\"q\""}, {"s", "pair", "\"\""},      {"s", "one", "\""},
                  {"s", "hash", "#x"},      {"s", "semi", "; y"},       {"s", "eq", "= z"},
                  {"s", "empty", ""},       {"t", "inner", "a \"b\" c"}};
  const RenderedProfile rendered = RenderProfile(rows);
  ASSERT_TRUE(rendered.Ok()) << rendered.error->What();
  const ParsedProfile parsed = ParseProfile(rendered.text);
  ASSERT_TRUE(parsed.Ok()) << parsed.error->What() << "\n" << rendered.text;
  EXPECT_EQ(parsed.rows, rows) << rendered.text;
}

TEST(ProfileRoundTrip, SectionsAreWrittenWhereTheyChange) {
  const Rows rows{{"a", "x", "1"}, {"a", "y", "2"}, {"b", "x", "3"}, {"a", "x", "4"}};
  EXPECT_EQ(RenderProfile(rows).text, "[a]\nx = 1\ny = 2\n\n[b]\nx = 3\n\n[a]\nx = 4\n");
}

struct RefusalCase {
  const char* title;
  ProfileSetting row;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.title;
}

class ProfileRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ProfileRefusals, RowsNoLineCanHoldAreRefusedByIndex) {
  const Rows rows{{"ok", "first", "1"}, GetParam().row};
  const RenderedProfile rendered = RenderProfile(rows);
  ASSERT_FALSE(rendered.Ok()) << rendered.text;
  EXPECT_EQ(rendered.error->line, 2);
  EXPECT_TRUE(rendered.text.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileRefusals,
    ::testing::Values(RefusalCase{"NewlineInValue", {"s", "n", "a\nb"}},
                      RefusalCase{"CarriageReturnInValue", {"s", "n", "a\r"}},
                      RefusalCase{"NulInValue", {"s", "n", std::string("a\0b", 3)}},
                      RefusalCase{"EmptySection", {"", "n", "v"}},
                      RefusalCase{"EmptyName", {"s", "", "v"}},
                      RefusalCase{"PaddedSection", {" s", "n", "v"}},
                      RefusalCase{"PaddedName", {"s", "n ", "v"}},
                      RefusalCase{"NameLooksLikeComment", {"s", "#n", "v"}},
                      RefusalCase{"NameLooksLikeOtherComment", {"s", ";n", "v"}},
                      RefusalCase{"NameLooksLikeSection", {"s", "[n]", "v"}},
                      RefusalCase{"NameHoldsEquals", {"s", "a=b", "v"}}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(WhyUnsendable, MeasuresThePayloadInLatin1Bytes) {
  // 1 + 1 + 250 two-byte UTF-8 characters, one byte each on the wire: 255 with the NULs.
  std::string value;
  for (int k = 0; k < 250; ++k) value += "\xC3\xA9";
  EXPECT_EQ(WhyUnsendable("s", "n", value), std::nullopt);
  EXPECT_EQ(WhyUnsendable("s", "n", value + "x"), "over 255 bytes of payload");
  EXPECT_EQ(WhyUnsendable("s", "n\xE2\x82\xAC", "v"), "a character outside Latin-1 (U+20AC)");
}

}  // namespace
}  // namespace orvane::transfer
