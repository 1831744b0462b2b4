#include "core/date_tokens.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using core::DateSource;
using core::DateTokenStyle;

// 7 March 2024, 09:05:01: every field differs, so a word taking the wrong characters shows.
constexpr std::string_view kStamp = "07/03/2024 09:05:01";

struct FormatCase {
  const char* name;
  std::string_view stamp;
  const char* format;
  const char* expected;
};

class FormatDateStamp : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatDateStamp, GivesTheWordsFromTheirPlacesInTheStamp) {
  EXPECT_EQ(core::formatDateStamp(GetParam().stamp, GetParam().format), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatDateStamp,
    ::testing::Values(
        FormatCase{"hhmiss", kStamp, "hhmiss", "090501"}, FormatCase{"yyyymodd", kStamp, "yyyymodd", "20240307"},
        FormatCase{"yyddmo", kStamp, "yyddmo", "240703"}, FormatCase{"moddyy", kStamp, "moddyy", "030724"},
        FormatCase{"ddMonthyy", kStamp, "ddMonthyy", "07March24"},
        FormatCase{"otherCharactersStay", kStamp, "yyyy-mo-dd hh:mi", "2024-03-07 09:05"},
        FormatCase{"wordsAreCaseSensitive", kStamp, "HH MONTH month", "HH MONTH 03nth"},
        FormatCase{"everyOccurrence", kStamp, "dd.dd", "07.07"},
        FormatCase{"oddRunOfY", kStamp, "yyyyy", "2024y"},
        FormatCase{"december", "31/12/1999 23:59:59", "Month", "December"},
        // A time the file system does not record: every word is empty, the rest stays.
        FormatCase{"unknownTime", "", "yyyy-mo-dd Month", "-- "},
        // Month 0 (or any month outside 1..12) never names a month.
        FormatCase{"monthZero", "07/00/2024 09:05:01", "Month|mo", "|00"},
        FormatCase{"monthThirteen", "07/13/2024 09:05:01", "Month", ""},
        FormatCase{"notAStamp", "7/3/2024 9:05:01", "ddmo", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DateTokens, LongFormsShortenInBothStylesAndRoundTripThroughTheMenus) {
  for (const DateSource s : {DateSource::Modified, DateSource::Created, DateSource::Accessed, DateSource::Today}) {
    const std::string semi = core::longDateToken(DateTokenStyle::Semicolon, s, "yyyy");
    const std::string colon = core::longDateToken(DateTokenStyle::Colon, s, "yyyy");
    const char letter = s == DateSource::Modified ? 'M' : s == DateSource::Created ? 'C' : s == DateSource::Today ? 'T' : 'A';
    EXPECT_EQ(core::shortenDateTokens(semi, DateTokenStyle::Semicolon), std::string("<D") + letter + ";yyyy>") << semi;
    EXPECT_EQ(core::shortenDateTokens(colon, DateTokenStyle::Colon), std::string("<D") + letter + "yyyy>") << colon;
    EXPECT_EQ(core::dateSourceOfLetter(letter), s);
  }
  EXPECT_EQ(core::longDateToken(DateTokenStyle::Colon, DateSource::Accessed, "hh"), "<Date:File Last Accessed:hh>");
  // The other style's long form is not touched.
  EXPECT_EQ(core::shortenDateTokens("<Date:Today:yy>", DateTokenStyle::Semicolon), "<Date:Today:yy>");
  EXPECT_EQ(core::dateSourceOfLetter('x'), DateSource::Accessed);
}

class ExpandDateTokens : public ::testing::Test {
 protected:
  std::string expand(std::string_view text, core::DateTokenScan scan, bool* malformed = nullptr) {
    return core::expandDateTokens(text, scan, [this](DateSource s) {
      ++calls;
      return stamps.at(s);
    }, malformed);
  }
  std::map<DateSource, std::string> stamps{{DateSource::Modified, "03/03/2024 14:00:00"},
                                           {DateSource::Created, ""},  // no birth time recorded
                                           {DateSource::Accessed, "01/01/2023 00:00:00"},
                                           {DateSource::Today, "15/05/2025 08:30:00"}};
  int calls = 0;
};

TEST_F(ExpandDateTokens, SemicolonStyleWithoutAndWithTheClosingBracket) {
  const core::DateTokenScan drop{.style = DateTokenStyle::Semicolon};
  const core::DateTokenScan keep{.style = DateTokenStyle::Semicolon, .keepClosingBracket = true};
  // The month name is shorter than its token: the scan must go on right after it.
  EXPECT_EQ(expand("<DT;Month><DT;dd>", drop), "May15");
  EXPECT_EQ(expand("<DT;Month><DT;dd>", keep), "May>15>");
  EXPECT_EQ(expand("x<DM;yyyymodd>_<DA;yy>", drop), "x20240303_23");
  // Unknown birth time: the token's words vanish, its other characters stay.
  EXPECT_EQ(expand("[<DC;yyyy-mo-dd>]", drop), "[--]");
  // Any letter but M, C and T reads the access time; its opening is not one to remove.
  EXPECT_EQ(expand("<DQ;yy>", drop), "<DQ;23");
  // A text that only looks like a token is still read as one, as the tools always did.
  EXPECT_EQ(expand("<Div>", drop), "<Div");
}

TEST_F(ExpandDateTokens, ColonStyleOfCopyTargets) {
  const core::DateTokenScan scan{.style = DateTokenStyle::Colon, .keepClosingBracket = true};
  EXPECT_EQ(expand("/b/<DMyyyymodd>/<DTMonth yyyy>", scan), "/b/20240303>/May 2025>");
  EXPECT_EQ(expand("<DMHH>", scan), "HH>");
  // Without a closing ">" the scan stops: later tokens lose only their openings.
  EXPECT_EQ(expand("<DMyy <DTyy", scan), "yy yy");
}

TEST_F(ExpandDateTokens, LeavesShortAndTextWithoutTokensAlone) {
  bool malformed = false;
  EXPECT_EQ(expand("plain <Div", {}, &malformed), "plain <Div");  // no ">": nothing expanded
  EXPECT_FALSE(malformed);
  EXPECT_EQ(expand("no tokens here", {}), "no tokens here");
  EXPECT_EQ(calls, 0);
  // "<D>" and "<DM>" have no room for a format: kept as text, reported, and no loop.
  EXPECT_EQ(expand("<D><DM><DT;yy>", {}, &malformed), "<D><DM>25");
  EXPECT_TRUE(malformed);
}

TEST(DateTokens, StampOfARecordAndMonthNames) {
  EXPECT_EQ(core::dateStamp(core::SystemTime{2024, 3, 4, 7, 9, 5, 1, 0, true}), "07/03/2024 09:05:01");
  core::SystemTime unknown;
  unknown.known = false;
  EXPECT_EQ(core::dateStamp(unknown), "");
  EXPECT_EQ(core::englishMonthName(1), "January");
  EXPECT_EQ(core::englishMonthName(0), "");
  EXPECT_EQ(core::englishMonthName(13), "");
  const std::string now = core::nowDateStamp();
  EXPECT_EQ(core::formatDateStamp(now, "dd/mo/yyyy hh:mi:ss"), now);
}

}  // namespace
