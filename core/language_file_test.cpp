#include "core/language_file.h"

#include "core/file_content.h"
#include "core/state.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>

namespace core {
namespace {

// Five sections; each names its language in the caption and holds three messages.
std::string fiveSections() {
  const char* names[] = {"English", "Francais", "Deutsch", "Espanol", "Nederlands"};
  std::string text;
  for (int i = 0; i < 5; ++i) {
    const std::string n = names[i];
    text += "LangA_Dat" + std::to_string(i) + "\r\n";
    text += "frmMainA_Dat" + n + "A_Sep";
    text += "msg1A_Dat" + n + " oneA_Sep";
    text += "msg2A_Dat" + n + " twoA_Sep";
    text += "lblNameA_Dat" + n + " nameA_Sep";
    text += "msgxA_Dat" + n + " threeA_Sep";
    text += "\r\nLangA_Sep\r\n";
  }
  return text;
}

TEST(LanguageFile, PicksTheSectionOfTheLanguageDigit) {
  const std::string text = fiveSections();
  for (int lang = 0; lang < 5; ++lang) {
    auto section = languageSection(text, lang);
    ASSERT_TRUE(section) << lang;
    const auto caption = sectionEntry(*section, "frmMain");
    ASSERT_TRUE(caption);
    const auto other = sectionEntry(*languageSection(text, (lang + 1) % 5), "frmMain");
    EXPECT_NE(*caption, *other);
  }
  EXPECT_EQ(*sectionEntry(*languageSection(text, 2), "frmMain"), "Deutsch");
  EXPECT_FALSE(languageSection(text, 5));
  EXPECT_FALSE(languageSection("", 0));
  // The digit must be followed by the line break: "LangA_Dat12" is not section 1.
  EXPECT_FALSE(languageSection("LangA_Dat12\r\nxA_DatyA_Sep", 1));
}

TEST(LanguageFile, MessagesAreNumberedByOrderAfterASeparator) {
  const auto section = *languageSection(fiveSections(), 1);
  const auto msgs = sectionMessages(section, 130);
  ASSERT_EQ(msgs.size(), 3u);
  EXPECT_EQ(msgs[0], "Francais one");
  EXPECT_EQ(msgs[1], "Francais two");
  EXPECT_EQ(msgs[2], "Francais three");  // the characters after "msg" are not read
  EXPECT_EQ(sectionMessages(section, 2).size(), 2u);
  // An entry at the very start of a section is not found as a message.
  EXPECT_TRUE(sectionMessages("msg1A_DatfirstA_Sep", 10).empty());
}

TEST(LanguageFile, EntriesMatchWholeKeysOnly) {
  const std::string section = "lblNameA_DatfullA_SepNameA_DatshortA_Sep\r\nlblTwoA_DatunterminatedA_";
  EXPECT_EQ(*sectionEntry(section, "lblName"), "full");
  EXPECT_EQ(*sectionEntry(section, "Name"), "short");
  EXPECT_EQ(*sectionEntry(section, "lblTwo"), "unterminatedA_");
  EXPECT_FALSE(sectionEntry(section, "lbl"));
}

TEST(LanguageFile, TruncatedOrForeignTextNeverHangs) {
  const std::string full = fiveSections();
  for (std::size_t cut = 0; cut <= full.size(); cut += 7) {
    const std::string part = full.substr(0, cut);
    for (int lang = 0; lang < 5; ++lang) {
      if (auto s = languageSection(part, lang)) {
        (void)sectionMessages(*s, 130);
        (void)sectionEntry(*s, "lblName");
      }
    }
  }
  const std::string junk = "A_SepmsgA_SepmsgA_DatA_SepmsgA_Dat";
  EXPECT_LE(sectionMessages(junk, 130).size(), 2u);
}

TEST(LanguageFile, LangIndexFromStoredText) {
  EXPECT_EQ(langIndexFromText("3"), 3);
  EXPECT_EQ(langIndexFromText(" 2.9"), 2);
  EXPECT_EQ(langIndexFromText("7"), 0);
  EXPECT_EQ(langIndexFromText("-1"), 0);
  EXPECT_EQ(langIndexFromText("x"), 0);
}

class LanguageLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app_.isValid() && data_.isValid());
    scoped_.state().appPath = app_.path().toStdString() + "/";
    scoped_.state().dataPath = data_.path().toStdString() + "/";
  }
  QTemporaryDir app_, data_;
  ScopedCoreState scoped_;
};

TEST_F(LanguageLoadTest, FillsTheTableOfTheFile) {
  ASSERT_EQ(OutputFile(scoped_.state().dataPath + "LfrmMain.bin", fiveSections()), 0);
  ASSERT_EQ(OutputFile(scoped_.state().dataPath + "LfrmRen.bin", fiveSections()), 0);
  scoped_.state().langIndex = 4;
  scoped_.state().msgForm[50] = "stale";
  auto main = loadLanguageFile("Main");
  EXPECT_FALSE(main.missing);
  EXPECT_EQ(msgMain(1), "Nederlands one");
  EXPECT_EQ(msgMain(3), "Nederlands three");
  EXPECT_EQ(msgMain(4), "");
  auto ren = loadLanguageFile("Ren");
  EXPECT_EQ(msgForm(2), "Nederlands two");
  EXPECT_EQ(msgForm(50), "");  // the previous form's messages are gone
}

TEST_F(LanguageLoadTest, OwnCopyInAppPathOverridesShippedFile) {
  ASSERT_EQ(OutputFile(scoped_.state().dataPath + "LfrmMain.bin", fiveSections()), 0);
  ASSERT_EQ(OutputFile(scoped_.state().appPath + "LfrmMain.bin",
                       "LangA_Dat0\r\nxA_DatyA_Sepmsg1A_DatownA_SepLangA_Sep"), 0);
  auto load = loadLanguageFile("Main");
  EXPECT_EQ(load.path, scoped_.state().appPath + "LfrmMain.bin");
  EXPECT_EQ(msgMain(1), "own");
}

TEST_F(LanguageLoadTest, MissingFileAndMissingSection) {
  scoped_.state().msgMain[1] = "kept";
  auto load = loadLanguageFile("Nothing");
  EXPECT_TRUE(load.missing);
  EXPECT_EQ(load.path, scoped_.state().dataPath + "LfrmNothing.bin");
  ASSERT_EQ(OutputFile(scoped_.state().dataPath + "LfrmMain.bin", "LangA_Dat1\r\nmsgA_DatA_Sep"), 0);
  load = loadLanguageFile("Main");
  EXPECT_FALSE(load.missing);
  EXPECT_FALSE(load.section);
  EXPECT_EQ(msgMain(1), "kept");
  // An own copy of 3 GB (sparse) is not read: the program would not survive reading it.
  ASSERT_EQ(OutputFile(scoped_.state().appPath + "LfrmMain.bin", ""), 0);
  std::filesystem::resize_file(scoped_.state().appPath + "LfrmMain.bin", std::uintmax_t{3} << 30);
  load = loadLanguageFile("Main");
  EXPECT_TRUE(load.missing);
  EXPECT_TRUE(load.tooLarge);
  EXPECT_EQ(msgMain(1), "kept");
}

// The shared windows (progress, results, file and folder dialogs) have files without messages:
// showing one between a tool's show and its run must leave the tool's table in place.
TEST_F(LanguageLoadTest, FileWithoutMessagesKeepsBothTables) {
  ASSERT_EQ(OutputFile(scoped_.state().dataPath + "LfrmRen.bin", fiveSections()), 0);
  ASSERT_EQ(OutputFile(scoped_.state().dataPath + "LfrmProgress.bin",
                       "LangA_Dat0\r\nfrmProgressA_DatWorkingA_SepcmdCancelA_DatCancelA_Sep\r\nLangA_Sep"), 0);
  scoped_.state().msgMain[1] = "common";
  (void)loadLanguageFile("Ren");
  const auto progress = loadLanguageFile("Progress");
  EXPECT_TRUE(progress.section);
  EXPECT_EQ(msgForm(1), "English one");
  EXPECT_EQ(msgForm(3), "English three");
  EXPECT_EQ(msgMain(1), "common");
}

TEST_F(LanguageLoadTest, FormMessagesAreReadWithoutTouchingTheTables) {
  ASSERT_EQ(OutputFile(scoped_.state().dataPath + "LfrmRen.bin", fiveSections()), 0);
  scoped_.state().langIndex = 2;
  scoped_.state().msgForm[1] = "another window's";
  const MessageTable ren = readFormMessages("Ren");
  EXPECT_EQ(ren.size(), 3);
  EXPECT_EQ(ren(1), "Deutsch one");
  EXPECT_EQ(ren(4), "");
  EXPECT_EQ(msgForm(1), "another window's");
  EXPECT_TRUE(readFormMessages("Nothing").empty());

  scoped_.state().msgForm[50] = "stale";
  setFormMessages(ren);
  EXPECT_EQ(msgForm(3), "Deutsch three");
  EXPECT_EQ(msgForm(50), "");
}

}  // namespace
}  // namespace core
