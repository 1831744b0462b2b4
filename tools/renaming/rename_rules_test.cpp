#include "tools/renaming/rename_rules.h"

#include "core/date_tokens.h"
#include "core/file_test_fixture.h"
#include "platform/fs.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>

namespace tools::ren {
namespace {

constexpr RenameMode F = RenameMode::Files;
constexpr RenameMode D = RenameMode::Folders;

// Letters handed out in turn to <RC>.
LetterSource letters(std::string seq) {
  return [seq, i = std::size_t{0}]() mutable { return seq[i++ % seq.size()]; };
}

struct ExpandRow {
  const char* test;
  RenameMode mode;
  std::string folder, name, rule;  // the rule in its long form, as the window holds it
  std::string expected;
  std::string stamp = "07/03/2024 09:05:01";
};

class Expand : public ::testing::TestWithParam<ExpandRow> {};

TEST_P(Expand, GivesTheTokensValues) {
  const ExpandRow& row = GetParam();
  const RuleContext ctx{.mode = row.mode, .runStamp = row.stamp, .letters = letters("qz")};
  EXPECT_EQ(expandTokens(row.folder, row.name, shortenTokens(row.rule), ctx), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Expand,
    ::testing::Values(
        // The old name and extension, split at the last dot.
        ExpandRow{"two_dots", F, "", "archive.tar.gz", "<oldFileNameNoExt>|<oldFileExtension>", "archive.tar|gz"},
        ExpandRow{"no_dot", F, "", "README", "<oldFileNameNoExt>|<oldFileExtension>", "README|"},
        ExpandRow{"trailing_dot", F, "", "notes.", "<oldFileNameNoExt>|<oldFileExtension>", "notes.|"},
        ExpandRow{"folder_name_sample", F, "", "a.txt", "<oldFolderName>", "foldername"},
        ExpandRow{"folder_name_of_file", F, "/home/u/Photos/", "a.txt", "<oldFolderName>-x", "Photos-x"},
        ExpandRow{"folder_own_name", D, "", "Trips", "<oldFolderName> 2", "Trips 2"},
        ExpandRow{"folder_mode_keeps_name_tokens", D, "", "Trips", "<oldFileNameNoExt>", "<ofn"},
        // Words: ASCII letters and digits; anything else separates.
        ExpandRow{"word_3", F, "", "My_holiday photo-2024.jpg", "<FileWord3>", "photo"},
        ExpandRow{"word_4", F, "", "My_holiday photo-2024.jpg", "<FileWord4>", "2024"},
        ExpandRow{"word_missing", F, "", "one two.txt", "[<FileWord3>]", "[]"},
        ExpandRow{"word_10", F, "", "a b c d e f g h i j k.txt", "<FileWord10><FileWord1>", "ja"},
        ExpandRow{"word_11_stays", F, "", "a.txt", "<FileWord11>", "<FW11"},
        ExpandRow{"accent_separates", F, "", "caf\xC3\xA9-au lait.txt", "<FileWord1>|<FileWord2>", "caf|au"},
        // Custom substrings count characters; out of range gives nothing, a bad start empties all.
        ExpandRow{"substring_cut", F, "", "abcdef.txt", "<CustSub;3;100>", "cdef"},
        ExpandRow{"substring_past_end", F, "", "abcdef.txt", "[<CustSub;9;2>]", "[]"},
        ExpandRow{"substring_start_0", F, "", "abcdef.txt", "x<CustSub;0;2>y", ""},
        ExpandRow{"substring_utf8", F, "", "\xC3\xA9t\xC3\xA9.txt", "<CustSub;3;1><CustSub;1;2>", "\xC3\xA9\xC3\xA9t"},
        ExpandRow{"dash", F, "", "Artist - Title.mp3", "<TextBeforeDash>|<TextAfterDash>", "Artist|Title"},
        ExpandRow{"no_dash", F, "", "abc.txt", "<TextBeforeDash>|<TextAfterDash>", "abc|"},
        ExpandRow{"random_letters", F, "", "a.txt", "<RandChar><RandChar>", "qz"},
        // Dates (every format word: DateFormats below).
        ExpandRow{"today_run_together", F, "", "a.txt", "<Date;Today;ddMonthyy>", "07March24"},
        ExpandRow{"today_month_september", F, "", "a.txt", "<Date;Today;Month>", "September", "15/09/2023 10:00:00"},
        ExpandRow{"folder_dates_are_the_run", D, "", "x", "<Date;File Modified;yyyy>", "2024"},
        ExpandRow{"date_unclosed", F, "", "a.txt", "x<Date;Today;yy", "xyy"},
        // The rule's own ">" go; a "<" that starts no token stays.
        ExpandRow{"stray_brackets", F, "", "a.txt", "a>b<c", "ab<c"},
        // What a name holds is never read as a token.
        ExpandRow{"name_with_token", F, "", "a<RC>.txt", "<oldFileNameNoExt>.<oldFileExtension>", "a<RC>.txt"},
        ExpandRow{"name_is_substring_token", F, "", "<CS1;9>", "<oldFileNameNoExt>", "<CS1;9>"},
        ExpandRow{"name_with_bracket", F, "", "x>y.txt", "<oldFileNameNoExt>", "x>y"},
        ExpandRow{"name_with_word_token", D, "", "<FW1>", "<FileWord1>|<oldFolderName>", "FW1|<FW1>"}),
    [](const ::testing::TestParamInfo<ExpandRow>& info) { return std::string(info.param.test); });

// Every format word of the date menus, from every source, on the stamp of 7 March 2024 09:05:01
// (the run's stamp stands for the file's times when there is no file).
TEST(DateFormats, EveryMenuWordFromEverySource) {
  const std::array<const char*, 17> expected = {"090501",   "070324", "07032024", "030724", "03072024", "240307",
                                                "20240307", "240703", "20240703", "09",     "05",       "01",
                                                "07",       "03",     "24",       "2024",   "March"};
  static_assert(expected.size() == core::kDateFormatWords.size());
  const RuleContext ctx{.mode = F, .runStamp = "07/03/2024 09:05:01"};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    for (const core::DateSource source : {core::DateSource::Today, core::DateSource::Modified,
                                          core::DateSource::Created, core::DateSource::Accessed}) {
      const std::string rule = core::longDateToken(core::DateTokenStyle::Semicolon, source, core::kDateFormatWords[i]);
      EXPECT_EQ(expandTokens("", "a.txt", shortenTokens(rule), ctx), expected[i]) << rule;
    }
  }
}

TEST(Shorten, KeepsTheFormatsAndTheSubstringArguments) {
  EXPECT_EQ(shortenTokens("<Date;Today;yyyymodd><Date;File Last Accessed;hh><Date;File Created;mi>"
                          "<Date;File Modified;ss>"),
            "<DT;yyyymodd><DA;hh><DC;mi><DM;ss>");
  EXPECT_EQ(shortenTokens("<CustSub;2;3><FileWord3><oldFolderName><TextBeforeDash><TextAfterDash><RandChar>"),
            "<CS2;3><FW3><ofon><TB4D><TAfD><RC>");
  EXPECT_EQ(shortenTokens("<oldFileNameNoExt>.<oldFileExtension>"), "<ofn>.<ofe>");
}

class FileDates : public core::testing::FileFixture {
 protected:
  void SetUp() override {
    FileFixture::SetUp();
    const char* tz = std::getenv("TZ");
    savedTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }
  void TearDown() override {
    if (savedTz_) ::setenv("TZ", savedTz_->c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
    FileFixture::TearDown();
  }
  std::optional<std::string> savedTz_;
};

TEST_F(FileDates, AreTheEntrysOwnAndAnUnknownTimeIsEmpty) {
  make("photo.jpg", "x");
  const platform::FileTime modified{.sec = 1709802301, .nsec = 0, .known = true};  // 2024-03-07 09:05:01 UTC
  const platform::FileTime accessed{.sec = 1694772000, .nsec = 0, .known = true};  // 2023-09-15 10:00:00 UTC
  ASSERT_EQ(platform::setFileTimes(path("photo.jpg"), &accessed, &modified), 0);
  const RuleContext ctx{.mode = F, .runStamp = "01/01/2000 00:00:00"};
  const std::string rule = shortenTokens("<Date;File Modified;yyyymodd-hhmiss>_<Date;File Last Accessed;Month>");
  EXPECT_EQ(expandTokens(dir_, "photo.jpg", rule, ctx), "20240307-090501_September");
  EXPECT_EQ(expandTokens(dir_, "gone.jpg", rule, ctx), "-_") << "a missing file has no dates";
  EXPECT_EQ(expandTokens("", "photo.jpg", rule, ctx), "20000101-000000_January") << "no file: the run's stamp";
}

TEST(SampleCheck, RefusesWhatDoesNotExpandCleanly) {
  struct Row {
    const char* rule;
    RenameMode mode;
    bool passes;
  };
  for (const Row& row : {Row{"<oldFileNameNoExt>", F, true}, Row{"<oldFileNameNoExt>", D, false},
                         Row{"<oldFolderName>", D, true}, Row{"<", F, false}, Row{"a>b", F, true},
                         Row{"<FileWord3", F, false}, Row{"<FileWord11>", F, false}, Row{"<CustSub;0;2>", F, false},
                         Row{"<CustSub;2;-1>", F, false}, Row{"<CustSub;2;3>", F, true},
                         Row{"<Date;Today;yyyy>", D, true}, Row{"", F, true}}) {
    EXPECT_EQ(checkRuleSample(row.rule, row.mode), row.passes) << row.rule;
  }
}

TEST(FinishedNames, LoseTrailingBlanksAndExactlyOneDot) {
  std::string name = "  lead   ";
  trimName(name);
  EXPECT_EQ(name, "  lead");
  for (const auto& [built, finished] : std::initializer_list<std::pair<std::string, std::string>>{
           {"notes.", "notes"}, {"notes..", "notes."}, {"x. ", "x"}, {"a.b", "a.b"}, {"...", ".."}, {"", ""}}) {
    EXPECT_EQ(finishName(built), finished) << built;
  }
  for (const std::string& bad : {std::string(), std::string("."), std::string(".."), std::string("a/b"),
                                std::string("a\0b", 3)}) {
    EXPECT_FALSE(isUsableName(bad)) << bad;
  }
  EXPECT_TRUE(isUsableName("..."));
  EXPECT_TRUE(isUsableName(" x"));
}

TEST(Sequence, PadsNeverCutsAndStaysBounded) {
  EXPECT_EQ(sequenceText(7, 3), "007");
  EXPECT_EQ(sequenceText(1000, 3), "1000");
  EXPECT_EQ(sequenceText(-5, 4), "00-5");
  EXPECT_EQ(sequenceText(5, 0), "5");
  EXPECT_EQ(sequenceText(1, 100000).size(), static_cast<std::size_t>(kMaxSequenceWidth));
  EXPECT_EQ(startNumberOf("-5"), -5);
  EXPECT_EQ(startNumberOf(""), 0);
  EXPECT_EQ(startNumberOf("99999999999999999999999"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(widthOf(""), 0);
  EXPECT_EQ(widthOf("3"), 3);
  EXPECT_EQ(widthOf("99999999999"), kMaxSequenceWidth);
  EXPECT_EQ(nextNumber(std::numeric_limits<std::int64_t>::max()), std::numeric_limits<std::int64_t>::max());
}

}  // namespace
}  // namespace tools::ren
