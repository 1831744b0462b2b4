#include "core/companion_start.h"

#include "core/file_test_fixture.h"
#include "core/settings.h"
#include "core/state.h"
#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

namespace {

class CompanionStart : public core::testing::FileFixture {
 protected:
  void SetUp() override {
    FileFixture::SetUp();
    std::filesystem::create_directories(path("data"));
    std::filesystem::create_directories(path("tmp"));
  }
  void TearDown() override {
    core::setSettingsWord("vardulek");
    FileFixture::TearDown();
  }
  core::CompanionFolders folders(const std::string& temp = "tmp") const {
    return {.exeDir = path("bin"), .dataDir = path("share"), .appDataDir = path("data"), .tempDir = path(temp)};
  }
  core::ScopedCoreState scoped_;
};

struct ColourCase {
  const char* name;
  const char* file;  // nullptr: no colour file
  core::CompanionColours source;
  std::uint32_t back, fore;
};

class CompanionColourTest : public CompanionStart, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(CompanionColourTest, ColoursComeFromTheSchemeOrTheFileWhichIsNeverWritten) {
  const ColourCase& c = GetParam();
  const std::string file = path("data/colfil.txt");
  if (c.file) make("data/colfil.txt", c.file);
  core::startCompanion({.settingsWord = "mosquane", .colours = c.source, .scheme = core::kCompanionScheme},
                       folders());
  const core::CoreState& st = core::coreState();
  EXPECT_EQ(st.backColor, c.back);
  EXPECT_EQ(st.foreColor, c.fore);
  EXPECT_EQ(st.disabledColor, 0xC0C0C0u);
  if (c.file) EXPECT_EQ(slurp(file), c.file);
  else EXPECT_FALSE(std::filesystem::exists(file));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, CompanionColourTest,
    ::testing::Values(ColourCase{"fixedIgnoresFile", "255,65280", core::CompanionColours::Fixed, 0x404040, 0xFFFF},
                      ColourCase{"fileRead", "255,65280\r\n", core::CompanionColours::ColourFile, 255, 65280},
                      ColourCase{"fileMissing", nullptr, core::CompanionColours::ColourFile, 0x404040, 0xFFFF},
                      ColourCase{"noComma", "255", core::CompanionColours::ColourFile, 0x404040, 0xFFFF},
                      ColourCase{"halfDamaged", "junk,0", core::CompanionColours::ColourFile, 0x404040, 0xFFFF}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CompanionStart, FillsFoldersAndLeavesTheMainProgramsSettingsAlone) {
  core::startCompanion({.settingsWord = "mosquane", .font = core::CompanionFont::FromSettingsSaveDefault},
                       folders("no-such-temp"));
  const core::CoreState& st = core::coreState();
  EXPECT_EQ(st.appPath, path("data/"));
  EXPECT_EQ(st.dataPath, path("share/"));
  EXPECT_EQ(st.exeDir, path("bin/"));
  EXPECT_EQ(st.tempPath, st.appPath);  // a missing scratch folder falls back to appPath
  EXPECT_EQ(st.langIndex, 0);
  EXPECT_EQ(st.fileTimes.modified, (core::SystemTime{1981, 1, 1, 1, 1, 1, 1, 1, true}));
  EXPECT_EQ(st.fontName, "MS Sans Serif");
  EXPECT_EQ(platform::readSetting("mosquane", "myFont"), "MS Sans Serif");  // the default saved back
  EXPECT_EQ(platform::readSetting("vardulek", "myFont"), "");
}

TEST_F(CompanionStart, FontFollowsTheChosenSource) {
  (void)platform::writeSetting("vardulek", "myFont", "DejaVu Serif");
  core::startCompanion({.settingsWord = "vardulek", .font = core::CompanionFont::FromSettings}, folders());
  EXPECT_EQ(core::coreState().fontName, "DejaVu Serif");
  core::startCompanion({.settingsWord = "vardulek"}, folders());
  EXPECT_EQ(core::coreState().fontName, "MS Sans Serif");  // Default never reads the settings
  core::startCompanion({.settingsWord = "gremvard", .font = core::CompanionFont::FromSettings}, folders());
  EXPECT_EQ(core::coreState().fontName, "MS Sans Serif");
  EXPECT_EQ(platform::readSetting("gremvard", "myFont"), "");  // FromSettings saves nothing
}

TEST_F(CompanionStart, UnknownCallerKeepsNoSettings) {
  // The caller's name is read in any letter case, and its link is reached under its own spelling.
  const std::tuple<const char*, const char*, const char*> callers[] = {
      {"Quarrow", "vardulek", "Quarrow"}, {"quarrow", "vardulek", "Quarrow"},  {"QUARROW", "vardulek", "Quarrow"},
      {"Gremvard", "gremvard", "Gremvard"}, {"GREMVARD", "gremvard", "Gremvard"}, {"gremvard", "gremvard", "Gremvard"},
      {"Quarrow ", "", "Quarrow "},        {"Quarro", "", "Quarro"},             {"", "", ""}};
  for (const auto& [caller, word, link] : callers) {
    EXPECT_EQ(core::settingsWordOfCaller(caller), word) << caller;
    EXPECT_EQ(core::callerLinkName(caller), link) << caller;
  }
  core::startCompanion({.settingsWord = core::settingsWordOfCaller("Other")}, folders());
  core::saveSet("tipNext", "3");
  EXPECT_EQ(core::getSet("tipNext"), "");
  EXPECT_EQ(platform::readSetting("vardulek", "tipNext"), "");
}

}  // namespace
