// The system language and character set, from the locale environment (LC_ALL, LC_MESSAGES, LANG,
// the first one set and non-empty). The environment is injectable so tests need not change the
// process's own.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace platform {

// Returns the value of an environment variable, or nullopt when unset.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;
// Reads the process environment.
[[nodiscard]] EnvLookup processEnvironment();

struct LocaleInfo {
  std::string language;  // lower-case language code ("en", "fr", ...); "C" and "POSIX" give "en"
  std::string charset;   // upper-case character set without dashes ("UTF8", "ISO88591", ...)
};

// Splits the effective locale name "ll_CC.charset@modifier". An absent locale is "C".
// Without an explicit charset, glibc's defaults apply: C/POSIX is ASCII, others Latin-1 (Latin-9
// with "@euro").
[[nodiscard]] LocaleInfo localeInfo(const EnvLookup& env = processEnvironment());

// 10 English, 11 French, 12 German, 13 Spanish, 14 Dutch, 0 any other language.
[[nodiscard]] int languageCode(const LocaleInfo& info);
// The Windows code page that matches the character set: 1252 for UTF-8, ASCII and the Latin-1
// family (ISO-8859-1, ISO-8859-15, CP1252), the matching number for other known sets, 0 unknown.
[[nodiscard]] int codePageNumber(const LocaleInfo& info);

}  // namespace platform
