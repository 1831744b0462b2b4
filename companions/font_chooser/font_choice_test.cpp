// Done without a main program listening: what is saved where, and whether the "next start" notice
// is due. Only a known caller and a chosen font save anything, and only a save is announced.
#include "companions/font_chooser/font_choice.h"
#include "core/file_test_fixture.h"
#include "platform/settings_store.h"

#include <gtest/gtest.h>

namespace {

struct DoneCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string font;
  brannock::DoneOutcome outcome;
  std::string vardulek, gremvard;  // "myFont" of each word afterwards
};

// Failure messages name the row.
void PrintTo(const DoneCase& c, std::ostream* os) { *os << c.name; }

class SaveFontChoice : public core::testing::FileFixture, public ::testing::WithParamInterface<DoneCase> {};

TEST_P(SaveFontChoice, SavesForAKnownCallerAndAnnouncesOnlyASave) {
  const DoneCase& c = GetParam();
  const brannock::FontRequest r = brannock::requestOf(c.arguments);
  EXPECT_EQ(brannock::saveFontChoice(r, c.font, 200), c.outcome);
  EXPECT_EQ(platform::readSetting("vardulek", "myFont"), c.vardulek);
  EXPECT_EQ(platform::readSetting("gremvard", "myFont"), c.gremvard);
  if (c.outcome != brannock::DoneOutcome::NothingSaved) {
    EXPECT_EQ(brannock::savedFont(r), c.font);
  }
}

using O = brannock::DoneOutcome;
INSTANTIATE_TEST_SUITE_P(
    Table, SaveFontChoice,
    ::testing::Values(DoneCase{"mainProgramNotRunning", {"Quarrow"}, "DejaVu Serif", O::NextStart, "DejaVu Serif", ""},
                      DoneCase{"otherCaller", {"Gremvard"}, "Nimbus Sans", O::NextStart, "", "Nimbus Sans"},
                      DoneCase{"noSelection", {"Quarrow"}, "", O::NothingSaved, "", ""},
                      DoneCase{"noCommandLine", {}, "DejaVu Serif", O::NothingSaved, "", ""},
                      DoneCase{"callerInAnyCase", {"quarrow"}, "DejaVu Serif", O::NextStart, "DejaVu Serif", ""},
                      DoneCase{"otherCallerInCapitals", {"GREMVARD"}, "Nimbus Sans", O::NextStart, "", "Nimbus Sans"},
                      DoneCase{"unknownCaller", {"Quarro"}, "DejaVu Serif", O::NothingSaved, "", ""},
                      DoneCase{"extraWords", {"Quarrow", "x"}, "DejaVu Serif", O::NothingSaved, "", ""},
                      DoneCase{"nameKeptAsIs", {"Quarrow"}, " A, b/c ", O::NextStart, " A, b/c ", ""}),
    [](const auto& info) { return std::string(info.param.name); });

class SaveFontChoiceFailure : public core::testing::FileFixture {};

TEST_F(SaveFontChoiceFailure, UnwritableSettingsSaveNothingAndClaimNothing) {
  // A file where the settings folder belongs: the store cannot be written.
  make("blocker", "x");
  ::setenv("XDG_CONFIG_HOME", path("blocker").c_str(), 1);
  EXPECT_EQ(brannock::saveFontChoice(brannock::requestOf({"Quarrow"}), "DejaVu Serif", 200), O::NothingSaved);
  platform::resetSettingsFailure();
}

}  // namespace
