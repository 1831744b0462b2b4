// What the command line asks for and where the choice goes: only a settings word saves, under that
// word, the code of the chosen language.
#include "companions/language_chooser/language_choice.h"
#include "core/file_test_fixture.h"
#include "platform/settings_store.h"

#include <gtest/gtest.h>

namespace {

struct SaveCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string listText;
  dorvisk::ChooserMode mode;
  const char* word;   // where "myLang" is looked for afterwards
  const char* saved;  // what it holds then
};

// Failure messages name the row.
void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

class SaveChoice : public core::testing::FileFixture, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveChoice, SavesTheCodeUnderTheCommandLineOnlyWhenItIsASettingsWord) {
  const SaveCase& c = GetParam();
  const dorvisk::ChooserRequest r = dorvisk::requestOf(c.arguments);
  EXPECT_EQ(r.mode, c.mode);
  EXPECT_EQ(dorvisk::saveChoice(r, c.listText), std::string(c.saved) != "");
  EXPECT_EQ(platform::readSetting(c.word, "myLang"), c.saved);
}

using M = dorvisk::ChooserMode;
INSTANTIATE_TEST_SUITE_P(
    Table, SaveChoice,
    ::testing::Values(SaveCase{"mainProgramSpanish", {"vardulek"}, "Español", M::ChooseAndSave, "vardulek", "3"},
                      SaveCase{"mainProgramEnglish", {"vardulek"}, "English", M::ChooseAndSave, "vardulek", "0"},
                      SaveCase{"german", {"vardulek"}, "Deutsch", M::ChooseAndSave, "vardulek", "2"},
                      SaveCase{"germanOlderWord", {"vardulek"}, "Deutsche", M::ChooseAndSave, "vardulek", "2"},
                      SaveCase{"dutch", {"vardulek"}, "Nederlands", M::ChooseAndSave, "vardulek", "4"},
                      SaveCase{"french", {"vardulek"}, "Français", M::ChooseAndSave, "vardulek", "1"},
                      SaveCase{"unlistedTextIsEnglish", {"vardulek"}, "español", M::ChooseAndSave, "vardulek", "0"},
                      SaveCase{"otherWord", {"gremvard"}, "Français", M::ChooseAndSave, "gremvard", "1"},
                      SaveCase{"wordsJoined", {"my", "word"}, "Español", M::ChooseAndSave, "my word", "3"},
                      SaveCase{"codePageNotice", {"/u"}, "Español", M::CodePageWarning, "vardulek", ""},
                      SaveCase{"slashAnywhere", {"vardulek/x"}, "Español", M::CodePageWarning, "vardulek", ""},
                      SaveCase{"noCommandLine", {}, "Español", M::ChooseWithoutSave, "vardulek", ""},
                      SaveCase{"notAFolderName", {".."}, "Español", M::ChooseAndSave, "..", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OfferedLanguages, EveryOfferedNameHasItsOwnCode) {
  for (std::size_t i = 0; i < dorvisk::kOfferedLanguages.size(); ++i) {
    EXPECT_EQ(dorvisk::languageCode(dorvisk::kOfferedLanguages[i]), static_cast<int>(i));
  }
}

}  // namespace
