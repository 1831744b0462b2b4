// Trimming names: characters (never part of one) from the start or the end, the extension set
// aside or included, names too short or that would become "." or "..", and the preview.
#include "tools/renaming/trim_names.h"

#include <gtest/gtest.h>

namespace tools {
namespace {

using W = TrimWhere;
using O = NameTrimOutcome;

struct TrimCase {
  const char* label;
  std::string name;
  bool folder;
  NameTrim trim;
  O outcome;
  std::string result;
};

class TrimNameTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimNameTest, TrimsAsTheOptionsSay) {
  const TrimCase& c = GetParam();
  const TrimmedName t = trimName(c.name, c.folder, c.trim);
  EXPECT_EQ(t.outcome, c.outcome);
  EXPECT_EQ(t.name, c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TrimNameTest,
    ::testing::Values(
        TrimCase{"end_extension_aside", "photo.jpeg", false, {.count = 2, .where = W::End}, O::Trimmed, "pho.jpeg"},
        TrimCase{"end_extension_included", "photo.jpeg", false, {.count = 2, .where = W::End, .includeExtension = true},
                 O::Trimmed, "photo.jp"},
        TrimCase{"start_extension_aside", "photo.jpeg", false, {.count = 2, .where = W::Start}, O::Trimmed, "oto.jpeg"},
        TrimCase{"too_short", "ab.txt", false, {.count = 2, .where = W::End}, O::TooShort, "ab.txt"},
        TrimCase{"no_extension", "README", false, {.count = 2, .where = W::Start}, O::Trimmed, "ADME"},
        TrimCase{"folder_whole", "my.folder", true, {.count = 3, .where = W::End}, O::Trimmed, "my.fol"},
        TrimCase{"dot_file_has_no_base", ".bashrc", false, {.count = 1, .where = W::Start}, O::TooShort, ".bashrc"},
        TrimCase{"utf8_end", "café.txt", false, {.count = 1, .where = W::End}, O::Trimmed, "caf.txt"},
        TrimCase{"utf8_start", "éclair", true, {.count = 1, .where = W::Start}, O::Trimmed, "clair"},
        TrimCase{"utf8_wide", "日本語.txt", false, {.count = 2, .where = W::End}, O::Trimmed, "日.txt"},
        TrimCase{"cp1252_byte_is_one", "\xe9t\xe9.txt", false, {.count = 1, .where = W::End}, O::Trimmed, "\xe9t.txt"},
        TrimCase{"would_be_dot_dot", "x..", false, {.count = 1, .where = W::Start}, O::Refused, "x.."},
        TrimCase{"would_be_dot", "...", true, {.count = 2, .where = W::End}, O::Refused, "..."},
        TrimCase{"huge_count", "name", true, {.count = ~0ULL, .where = W::End}, O::TooShort, "name"}),
    [](const ::testing::TestParamInfo<TrimCase>& info) { return std::string(info.param.label); });

TEST(TrimPreview, ShowsEachSampleUpToTheFirstEmptyOne) {
  const auto rows = trimPreview({"photo.jpeg", "ab.txt", "", "never"}, false, {.count = 2, .where = W::End});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].result, "pho.jpeg");
  EXPECT_EQ(rows[1].result, "ab.txt");  // too short: as it is
}

}  // namespace
}  // namespace tools
