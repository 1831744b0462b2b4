#include "platform/locale_info.h"

#include <cstdlib>
#include <map>

namespace platform {

namespace {

std::string normaliseCharset(const std::string& cs) {
  std::string out;
  for (char c : cs) {
    if (c == '-' || c == '_') continue;
    out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return out;
}

}  // namespace

EnvLookup processEnvironment() {
  return [](const char* name) -> std::optional<std::string> {
    const char* v = std::getenv(name);
    if (!v) return std::nullopt;
    return std::string(v);
  };
}

LocaleInfo localeInfo(const EnvLookup& env) {
  std::string name;
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (auto v = env(var); v && !v->empty()) {
      name = *v;
      break;
    }
  }
  if (name.empty()) name = "C";

  std::string modifier;
  if (auto at = name.find('@'); at != std::string::npos) {
    modifier = name.substr(at + 1);
    name.resize(at);
  }
  std::string charset;
  if (auto dot = name.find('.'); dot != std::string::npos) {
    charset = name.substr(dot + 1);
    name.resize(dot);
  }
  LocaleInfo info;
  if (name == "C" || name == "POSIX") {
    info.language = "en";
    if (charset.empty()) charset = "ANSI_X3.4-1968";
  } else {
    const auto cut = name.find('_');
    info.language = name.substr(0, cut);
    for (char& c : info.language)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (charset.empty()) charset = modifier == "euro" ? "ISO-8859-15" : "ISO-8859-1";
  }
  info.charset = normaliseCharset(charset);
  return info;
}

int languageCode(const LocaleInfo& info) {
  static const std::map<std::string, int> codes = {
      {"en", 10}, {"fr", 11}, {"de", 12}, {"es", 13}, {"nl", 14}};
  const auto it = codes.find(info.language);
  return it == codes.end() ? 0 : it->second;
}

int codePageNumber(const LocaleInfo& info) {
  // ASCII is a subset of every code page here; the C locale must not warn on servers and tests.
  static const std::map<std::string, int> pages = {
      {"UTF8", 1252},      {"ISO88591", 1252},   {"ISO885915", 1252}, {"CP1252", 1252},
      {"WINDOWS1252", 1252}, {"LATIN1", 1252},   {"LATIN9", 1252},    {"ANSIX3.41968", 1252},
      {"ASCII", 1252},     {"USASCII", 1252},
      {"ISO88592", 28592}, {"ISO88595", 28595},  {"ISO88597", 28597}, {"ISO88598", 28598},
      {"ISO88599", 28599}, {"CP1250", 1250},     {"CP1251", 1251},    {"KOI8R", 20866},
      {"KOI8U", 21866},    {"EUCJP", 20932},     {"SJIS", 932},       {"SHIFTJIS", 932},
      {"GB2312", 936},     {"GBK", 936},         {"GB18030", 54936},  {"BIG5", 950},
      {"BIG5HKSCS", 950},  {"EUCKR", 949},       {"TIS620", 874},     {"CP1255", 1255},
      {"CP1256", 1256},    {"ISO885913", 28603}, {"ISO88596", 28596},
  };
  const auto it = pages.find(info.charset);
  return it == pages.end() ? 0 : it->second;
}

}  // namespace platform
