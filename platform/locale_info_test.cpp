#include "platform/locale_info.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct LocaleRow {
  const char* label;
  std::map<std::string, std::string> env;
  int language;
  int codePage;
};

class LocaleTable : public ::testing::TestWithParam<LocaleRow> {};

TEST_P(LocaleTable, LanguageAndCodePage) {
  const auto& row = GetParam();
  const platform::EnvLookup env = [&](const char* name) -> std::optional<std::string> {
    const auto it = row.env.find(name);
    if (it == row.env.end()) return std::nullopt;
    return it->second;
  };
  const platform::LocaleInfo info = platform::localeInfo(env);
  EXPECT_EQ(platform::languageCode(info), row.language) << info.language;
  EXPECT_EQ(platform::codePageNumber(info), row.codePage) << info.charset;
}

INSTANTIATE_TEST_SUITE_P(
    Environments, LocaleTable,
    ::testing::Values(
        LocaleRow{"nothingSet", {}, 10, 1252},
        LocaleRow{"cLocale", {{"LANG", "C"}}, 10, 1252},
        LocaleRow{"posix", {{"LC_ALL", "POSIX"}}, 10, 1252},
        LocaleRow{"cUtf8", {{"LANG", "C.UTF-8"}}, 10, 1252},
        LocaleRow{"usUtf8", {{"LANG", "en_US.UTF-8"}}, 10, 1252},
        LocaleRow{"britishLowerCase", {{"LANG", "en_GB.utf8"}}, 10, 1252},
        LocaleRow{"french", {{"LANG", "fr_FR.UTF-8"}}, 11, 1252},
        LocaleRow{"germanEuro", {{"LANG", "de_DE@euro"}}, 12, 1252},
        LocaleRow{"spanishLatin1", {{"LANG", "es_ES.ISO-8859-1"}}, 13, 1252},
        LocaleRow{"dutchBelgian15", {{"LANG", "nl_BE.ISO-8859-15"}}, 14, 1252},
        LocaleRow{"japaneseEuc", {{"LANG", "ja_JP.EUC-JP"}}, 0, 20932},
        LocaleRow{"russianKoi8", {{"LANG", "ru_RU.KOI8-R"}}, 0, 20866},
        LocaleRow{"unknownCharset", {{"LANG", "en_US.FOO-1"}}, 10, 0},
        LocaleRow{"lcAllWins", {{"LC_ALL", "de_DE.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}, {"LANG", "nl_NL.UTF-8"}}, 12, 1252},
        LocaleRow{"messagesBeforeLang", {{"LC_MESSAGES", "fr_FR.UTF-8"}, {"LANG", "nl_NL.UTF-8"}}, 11, 1252},
        LocaleRow{"emptyIsUnset", {{"LC_ALL", ""}, {"LANG", "es_MX.UTF-8"}}, 13, 1252},
        LocaleRow{"polishLatin2", {{"LANG", "pl_PL.ISO-8859-2"}}, 0, 28592}),
    [](const ::testing::TestParamInfo<LocaleRow>& info) { return std::string(info.param.label); });

}  // namespace
