// Checks the shipped main-window language file: every language section carries the whole common
// message table, numbered like the English one, in the form the loader can find.
#include "core/language_file.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The highest common message number the program refers to, and the size of the table.
constexpr std::size_t kHighestUsed = 176;
constexpr std::size_t kTableSize = 179;
// The spill file of a long results log is named temp folder & message 68 & number & ".txt".
constexpr std::size_t kSpillNamePart = 68;
// The first line of a report is message 75 & date & time; the results history names its file after
// the text that follows the first colon and one more character.
constexpr std::size_t kReportHeading = 75;

const std::string& mainLanguageFile() {
  static const std::string text = [] {
    std::ifstream in(std::string(CORVANE_SOURCE_DIR) + "/data/LfrmMain.bin", std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }();
  return text;
}

std::vector<std::string> messagesOf(int lang) {
  const auto section = core::languageSection(mainLanguageFile(), lang);
  return section ? core::sectionMessages(*section, kTableSize) : std::vector<std::string>{};
}

// Keys of the section's entries, read independently of the loader: text up to "A_Dat" of every
// piece between "A_Sep" separators.
std::vector<std::string> entryKeys(std::string_view section) {
  std::vector<std::string> keys;
  std::size_t pos = 0;
  while (pos < section.size()) {
    const std::size_t dat = section.find("A_Dat", pos);
    if (dat == std::string_view::npos) break;
    keys.emplace_back(section.substr(pos, dat - pos));
    const std::size_t sep = section.find("A_Sep", dat);
    if (sep == std::string_view::npos) break;
    pos = sep + 5;
  }
  return keys;
}

bool isBlank(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; }

struct Language {
  const char* name;
  int digit;
};
void PrintTo(const Language& l, std::ostream* os) { *os << l.name; }

class MainLanguageSection : public ::testing::TestWithParam<Language> {};

TEST_P(MainLanguageSection, HoldsTheWholeMessageTableInLoadableForm) {
  ASSERT_FALSE(mainLanguageFile().empty()) << "data/LfrmMain.bin is missing";
  const auto section = core::languageSection(mainLanguageFile(), GetParam().digit);
  ASSERT_TRUE(section.has_value());

  const auto english = messagesOf(0);
  ASSERT_GE(english.size(), kHighestUsed);
  ASSERT_LE(english.size(), kTableSize);
  const auto messages = core::sectionMessages(*section, kTableSize);
  ASSERT_EQ(messages.size(), english.size());

  // A message entry at the very start of a section has no "A_Sep" before it and would be lost,
  // shifting every later number; so the loader's count must match every "msg" entry present.
  const auto keys = entryKeys(*section);
  ASSERT_FALSE(keys.empty());
  EXPECT_NE(keys.front().rfind("msg", 0), 0u) << "the section starts with a message entry";
  std::size_t messageKeys = 0;
  for (const auto& k : keys) messageKeys += k.rfind("msg", 0) == 0 ? 1 : 0;
  EXPECT_EQ(messageKeys, messages.size());
  EXPECT_EQ(core::sectionEntry(*section, "frmMain").value_or(""), "Corvane");

  for (std::size_t i = 0; i < messages.size(); ++i) {
    const std::string& m = messages[i];
    const std::string& e = english[i];
    SCOPED_TRACE("message " + std::to_string(i + 1));
    ASSERT_FALSE(m.empty());
    // Texts are joined with paths, numbers and other messages: a translation keeps the blanks
    // (or line breaks) that the English text has at its edges.
    EXPECT_EQ(isBlank(m.front()), isBlank(e.front()));
    EXPECT_EQ(isBlank(m.back()), isBlank(e.back()));
  }

  const std::string& spill = messages[kSpillNamePart - 1];
  EXPECT_EQ(spill.find_first_of("/\\:*?\"<>|\r\n\t"), std::string::npos) << spill;

  const std::string& heading = messages[kReportHeading - 1];
  ASSERT_GE(heading.size(), 2u);
  EXPECT_EQ(heading.substr(heading.size() - 2), ": ") << heading;
  EXPECT_EQ(heading.find(':'), heading.size() - 2) << heading;
}

INSTANTIATE_TEST_SUITE_P(LfrmMain, MainLanguageSection,
                         ::testing::Values(Language{"English", 0}, Language{"French", 1}, Language{"German", 2},
                                           Language{"Spanish", 3}, Language{"Dutch", 4}),
                         [](const auto& info) { return std::string(info.param.name); });

struct QuotedText {
  const char* name;
  std::size_t number;
  const char* english;
};
void PrintTo(const QuotedText& q, std::ostream* os) { *os << "message " << q.number; }

class MainEnglishMessage : public ::testing::TestWithParam<QuotedText> {};

// Texts that replace the windows' English design captions and items, or that the program compares.
TEST_P(MainEnglishMessage, IsTheDesignText) {
  const auto english = messagesOf(0);
  ASSERT_GE(english.size(), GetParam().number);
  EXPECT_EQ(english[GetParam().number - 1], GetParam().english);
}

INSTANTIATE_TEST_SUITE_P(
    LfrmMain, MainEnglishMessage,
    ::testing::Values(QuotedText{"OkButton", 22, "&OK"}, QuotedText{"ShowAgainBox", 25, "Show This Message Again"},
                      QuotedText{"ModifiedItem", 47, "Modified"}, QuotedText{"CreatedItem", 48, "Created"},
                      QuotedText{"Exactly", 49, "Exactly"}, QuotedText{"GreaterThan", 50, "Greater Than"},
                      QuotedText{"LessThan", 51, "Less Than"}, QuotedText{"Bytes", 52, "Bytes"},
                      QuotedText{"Kilobytes", 53, "KB"}, QuotedText{"Megabytes", 54, "MB"},
                      QuotedText{"Accessed", 55, "Accessed"}, QuotedText{"DesktopFavorite", 105, "Desktop"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
