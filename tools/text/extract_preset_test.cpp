// Presets: the extractor's own form-state text is read back value for value (markers of the format
// included); any other file is refused whole.
#include "tools/text/extract_preset.h"

#include <gtest/gtest.h>

namespace tools::text {
namespace {

TEST(Preset, ValuesHoldingTheFormatsMarkersComeBackAsTyped) {
  const std::vector<core::FormStateEntry> entries = {
      {"optFile", "True"},
      {"txtCommonWords", "A_Sep A_Run\r\nA_EndData A_EndNum"},
      {"txtPat", "A_Esc*%5F?"},
      {"txtAlphaKey", "abcé_%"},
      {"comChar", "2"},
      {"chkSens", "1"}};
  const auto read = readExtractPreset(core::buildFormState(0, entries));
  ASSERT_TRUE(read);
  ASSERT_EQ(read->size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ((*read)[i].name, entries[i].name);
    EXPECT_EQ((*read)[i].value, entries[i].value);
  }
}

TEST(Preset, AnythingElseIsRefused) {
  const struct {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"empty file", ""},
      {"text file", "hello world"},
      {"header only", "qw9C"},
      {"no entries", "qw9ConfigsA_SepwinStateA_Sep0A_Sep"},
      // Another tool's rule set names controls this window does not have.
      {"rename rule set", "qw9ConfigsA_SepwinStateA_Sep0A_SepoptFileA_SepTrueA_SeptxtRuleA_Sep<name>A_Sep"},
      {"too large", "qw9ConfigsA_SepwinStateA_Sep0A_SeptxtPatA_Sep" + std::string(kPresetMaxBytes, 'x') + "A_Sep"},
  };
  for (const auto& row : rows) EXPECT_FALSE(readExtractPreset(row.bytes)) << row.name;
  // A file cut short keeps what is whole.
  EXPECT_TRUE(readExtractPreset("qw9ConfigsA_SepwinStateA_Sep0A_SepchkSensA_Sep1A_SepchkSen"));
}

}  // namespace
}  // namespace tools::text
