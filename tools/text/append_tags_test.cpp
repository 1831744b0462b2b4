// The appender's tags: shortening the long forms, filling in names, extensions, folders and dates,
// and never scanning again what came from a file name.
#include "tools/text/append_tags.h"

#include <gtest/gtest.h>

namespace tools::text {
namespace {

TEST(AppendTags, LongFormsBecomeShortOnes) {
  EXPECT_EQ(shortenAppendTags("<FileNameNoDotExt>.<FileExtNoDot> in <FilePathNoEndSlash> on "
                              "<Date;File Modified;yyyymodd> <Date;File Created;hh> <Date;File Last Accessed;mi> "
                              "<Date;Today;Month>"),
            "<FNNDE>.<FEND> in <FPNES> on <DM;yyyymodd> <DC;hh> <DA;mi> <DT;Month>");
  EXPECT_EQ(shortenAppendTags("<filenamenodotext>"), "<filenamenodotext>");  // case-sensitive
}

// Stamps per source: modified, created unknown, accessed, today in May.
std::string stampOf(core::DateSource source) {
  switch (source) {
    case core::DateSource::Modified: return "02/01/2024 10:20:30";
    case core::DateSource::Created: return "";
    case core::DateSource::Accessed: return "03/04/2024 05:06:07";
    case core::DateSource::Today: return "09/05/2025 08:07:06";
  }
  return "";
}

struct FillRow {
  const char* name;
  const char* text;  // short form
  const char* fileName;
  const char* filled;
};

class Fill : public ::testing::TestWithParam<FillRow> {};

TEST_P(Fill, TagsTakeTheFilesValues) {
  const FillRow& row = GetParam();
  EXPECT_EQ(expandAppendTags(row.text, {.folder = "/home/u/docs/", .name = row.fileName}, stampOf), row.filled);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Fill,
    ::testing::Values(
        FillRow{"NameExtPath", "<FNNDE>|<FEND>|<FPNES>", "report.2024.txt", "report.2024|txt|/home/u/docs"},
        FillRow{"NoDot", "<FNNDE>|<FEND>", "README", "README|"},
        FillRow{"TrailingDot", "<FNNDE>|<FEND>", "notes.", "notes|"},
        FillRow{"Dates", "<DM;yyyy-mo-dd hh:mi:ss>|<DA;ddmoyy>|<DC;yyyy>", "a.txt", "2024-01-02 10:20:30|030424|"},
        FillRow{"MonthNameShorterThanItsWord", "<DT;Month><DT;dd>", "a.txt", "May09"},
        FillRow{"NotATagReadAsADate", "<Div>x", "a.txt", "<Divx"},
        FillRow{"UnclosedTokenLosesItsOpening", "<DM;yyyy", "a.txt", "yyyy"},
        // What comes from the file is never scanned again.
        FillRow{"DateTokenInTheName", "[<FNNDE>]", "x<DT;yyyy>.txt", "[x<DT;yyyy>]"},
        FillRow{"TagInTheExtension", "<FEND>-<FNNDE>", "a.<FNNDE>", "<FNNDE>-a"},
        FillRow{"TokenNotCompletedByTheName", "<FNNDE>>", "a<DM;yy", "a<DM;yy>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AppendTags, FileTimesAreAskedForOnlyWhenADateTokenIsThere) {
  int asked = 0;
  const auto counting = [&](core::DateSource s) {
    ++asked;
    return stampOf(s);
  };
  EXPECT_EQ(expandAppendTags("<FNNDE> only", {.folder = "/d/", .name = "a<DM;yy>.txt"}, counting), "a<DM;yy> only");
  EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace tools::text
