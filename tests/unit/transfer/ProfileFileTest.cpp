// SPDX-License-Identifier: Apache-2.0
// Profiles: what the reader makes of a text, which faults it reports on which line, and that
// the writer's text reads back as the same rows. The golden profile of the window's forty-nine
// writes (TransferTest) holds empty values, a setting twice, a section opened again and the
// sections as the writer separates them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transfer/ProfileFile.h"

namespace orvane::transfer {
namespace {

using Rows = std::vector<ProfileSetting>;
using namespace std::string_literals;

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

TEST(ProfileReads, GiveTheRowsInOrderWithTheirLines) {
  const ReadCase cases[] = {
      {"Empty", "", {}},
      {"CommentsAndBlanksOnly", "# a\n; b\n\n   \n\t# c\n", {}},
      {"SpacesAroundEverythingTrimmed",
       "  [ uart1 ]  \n\t baudrate \t=\t 19200  \n",
       {{"uart1", "baudrate", "19200", 2}}},
      {"ValueKeepsCommentCharactersEqualsAndInnerSpaces",
       "[s]\na = x # y ; z\nb = k=v\nc = two  words\n",
       {{"s", "a", "x # y ; z", 2}, {"s", "b", "k=v", 3}, {"s", "c", "two  words", 4}}},
      {"BlankValueIsEmpty", "[s]\na =   \n", {{"s", "a", "", 2}}},
      {"IndentedLineIsARowNotAContinuation",
       "[s]\na = 1\n   b = 2\n",
       {{"s", "a", "1", 2}, {"s", "b", "2", 3}}},
      {"CrLfAndByteOrderMarkAndNoFinalNewline",
       "\xEF\xBB\xBF[s]\r\na = 1\r\nb = 2",
       {{"s", "a", "1", 2}, {"s", "b", "2", 3}}},
      {"OuterQuotesKeepSpacesAndQuotes",
       "[s]\na = \" padded \"\nb = \"\"quoted\"\"\nc = \"\nd = say \"hi\"\n",
       {{"s", "a", " padded ", 2},
        {"s", "b", "\"quoted\"", 3},
        {"s", "c", "\"", 4},
        {"s", "d", "say \"hi\"", 5}}},
      {"Latin1LettersTravel", "[s]\nname = Zürich ©\n", {{"s", "name", "Zürich ©", 2}}},
      {"LongestPayloadFits",
       "[s]\nn = " + std::string(250, 'x') + "\n",
       {{"s", "n", std::string(250, 'x'), 2}}}};
  for (const ReadCase& c : cases) {
    const ParsedProfile parsed = ParseProfile(c.text, "p.ini");
    EXPECT_TRUE(parsed.Ok()) << c.title << ": " << (parsed.Ok() ? "" : parsed.error->What());
    EXPECT_EQ(Describe(parsed.rows), Describe(c.rows)) << c.title;
  }
}

struct FaultCase {
  const char* title;
  std::string text;
  int line;
  std::string why;
};

TEST(ProfileFaults, NameFileAndLineAndKeepNoRows) {
  const std::string kNoPair = "expected [section] or name = value";
  const std::string kNotUtf8 = "not valid UTF-8";
  const std::string kOutside = "cannot be sent: a character outside Latin-1 ";
  const FaultCase cases[] = {
      {"NeitherSectionNorPair", "[s]\na = 1\njust words\n", 3, kNoPair},
      {"UnclosedSection", "[s\n", 1, kNoPair},
      {"CommentAfterSection", "[s] # x\n", 1, kNoPair},
      {"EmptySection", "[  ]\n", 1, "empty section name"},
      {"NoSectionNameAtAll", "[]\n", 1, "empty section name"},
      {"PairBeforeSection", "# top\n\na = 1\n", 3, "name = value before any [section]"},
      {"EmptyName", "[s]\n = 1\n", 2, "empty name"},
      {"InvalidUtf8", "[s]\na = 1\nb = \xC3\x28\n", 3, kNotUtf8},
      {"InvalidUtf8EvenInAComment", "# caf\xE9\n", 1, kNotUtf8},
      {"OverlongEncoding", "[s]\na = \xC0\xAF\n", 2, kNotUtf8},
      {"EncodedSurrogate", "[s]\na = \xED\xA0\x80\n", 2, kNotUtf8},
      {"PayloadOneByteTooLong", "[s]\nn = " + std::string(251, 'x') + "\n", 2,
       "value of s.n cannot be sent: over 255 bytes of payload"},
      {"EuroSign", "[uart1]\nbaudrate = 19200\nmode = 5\xE2\x82\xAC\n", 3,
       "value of uart1.mode " + kOutside + "(U+20AC)"},
      {"BeyondTheBasicPlane", "[s]\na = \xF0\x9F\x98\x80\n", 2,
       "value of s.a " + kOutside + "(U+1F600)"},
      {"Nul", "[s]\na = 1\0002\n"s, 2, "value of s.a cannot be sent: a NUL"},
      {"NameOutsideLatin1", "[s]\n\xCE\xB1 = 1\n", 2, "s.\xCE\xB1 " + kOutside + "(U+03B1)"},
      {"SectionOutsideLatin1", "[\xCE\xB1]\n", 1, "section \xCE\xB1 " + kOutside + "(U+03B1)"},
      {"LoneCarriageReturnLineEnds", "# site\r[s]\ra = 1\r", 1,
       "a carriage return inside the line: save the file with LF or CRLF line ends"},
      {"FirstFaultWins", "oops\n[s]\na = \xE2\x82\xAC\n", 1, kNoPair}};
  for (const FaultCase& c : cases) {
    const ParsedProfile parsed = ParseProfile(c.text, "site.ini");
    EXPECT_EQ(parsed.Ok() ? "accepted" : parsed.error->What(),
              "site.ini: line " + std::to_string(c.line) + ": " + c.why)
        << c.title;
    EXPECT_TRUE(parsed.rows.empty()) << c.title;
  }
}

TEST(ProfileError, LeavesOutWhatIsUnknown) {
  EXPECT_EQ((ProfileError{"", 4, "empty name"}.What()), "line 4: empty name");
  EXPECT_EQ((ProfileError{"a.ini", 0, "cannot be read"}.What()), "a.ini: cannot be read");
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

struct RefusalCase {
  const char* title;
  ProfileSetting row;
};

TEST(ProfileRefusals, RowsNoLineCanHoldAreRefusedByIndex) {
  const RefusalCase cases[] = {{"NewlineInValue", {"s", "n", "a\nb"}},
                               {"CarriageReturnInValue", {"s", "n", "a\r"}},
                               {"NulInValue", {"s", "n", std::string("a\0b", 3)}},
                               {"EmptySection", {"", "n", "v"}},
                               {"EmptyName", {"s", "", "v"}},
                               {"PaddedSection", {" s", "n", "v"}},
                               {"PaddedName", {"s", "n ", "v"}},
                               {"NameLooksLikeComment", {"s", "#n", "v"}},
                               {"NameLooksLikeOtherComment", {"s", ";n", "v"}},
                               {"NameLooksLikeSection", {"s", "[n]", "v"}},
                               {"NameHoldsEquals", {"s", "a=b", "v"}}};
  for (const RefusalCase& c : cases) {
    const RenderedProfile rendered = RenderProfile({{"ok", "first", "1"}, c.row});
    EXPECT_EQ(rendered.Ok() ? 0 : rendered.error->line, 2) << c.title << ": " << rendered.text;
    EXPECT_TRUE(rendered.text.empty()) << c.title;
  }
}

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
