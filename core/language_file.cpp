#include "core/language_file.h"

#include "core/data_files.h"
#include "core/file_content.h"
#include "core/state.h"
#include "core/vb.h"

#include <cmath>
#include <tuple>

namespace core {

namespace {

constexpr std::string_view kDat = "A_Dat";
constexpr std::string_view kSep = "A_Sep";
constexpr std::string_view kSectionEnd = "LangA_Sep";

// The entry text that starts at from: up to the next "A_Sep", or to the end of the section.
std::string entryText(std::string_view section, std::size_t from) {
  const std::size_t end = section.find(kSep, from);
  return std::string(section.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from));
}

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

std::optional<std::string> languageSection(std::string_view fileText, int lang) {
  if (lang < 0 || lang > 9) return std::nullopt;
  const std::string marker = "LangA_Dat" + std::to_string(lang);
  std::size_t pos = 0;
  while ((pos = fileText.find(marker, pos)) != std::string_view::npos) {
    std::size_t start = pos + marker.size();
    if (fileText.substr(start, 2) == "\r\n") {
      start += 2;
    } else if (fileText.substr(start, 1) == "\n") {
      start += 1;
    } else {
      pos = start;  // "LangA_Dat1" followed by something else is not this section's marker
      continue;
    }
    const std::size_t end = fileText.find(kSectionEnd, start);
    return std::string(fileText.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
  }
  return std::nullopt;
}

std::vector<std::string> sectionMessages(std::string_view section, std::size_t max) {
  std::vector<std::string> out;
  constexpr std::string_view kMsg = "A_Sepmsg";
  std::size_t pos = 0;
  while (out.size() < max) {
    const std::size_t p = section.find(kMsg, pos);
    if (p == std::string_view::npos) break;
    // The key is "msg" and at least one more character, so the data marker is searched one
    // character past "A_Sepmsg".
    const std::size_t dat = section.find(kDat, p + kMsg.size() + 1);
    if (dat == std::string_view::npos) break;
    out.push_back(entryText(section, dat + kDat.size()));
    pos = dat + kDat.size();
  }
  return out;
}

std::optional<std::string> sectionEntry(std::string_view section, std::string_view key) {
  if (key.empty()) return std::nullopt;
  const std::string needle = std::string(key) + std::string(kDat);
  std::size_t pos = 0;
  while ((pos = section.find(needle, pos)) != std::string_view::npos) {
    const bool boundary = pos == 0 || (pos >= kSep.size() && section.substr(pos - kSep.size(), kSep.size()) == kSep) ||
                          !isNameChar(section[pos - 1]);
    if (boundary) return entryText(section, pos + needle.size());
    ++pos;
  }
  return std::nullopt;
}

std::string languageFileName(std::string_view shortName) {
  return "Lfrm" + std::string(shortName) + ".bin";
}

std::string tipFileName(std::string_view formName, int lang) {
  return "H" + std::string(formName) + std::to_string(lang) + ".txt";
}

int langIndexFromText(std::string_view text) {
  const double v = std::trunc(vb::Val(text));
  return (v >= 0 && v <= 4) ? static_cast<int>(v) : 0;
}

namespace {

// The file of shortName and the section of the current language, without touching any table.
LanguageLoad readLanguageFile(std::string_view shortName) {
  LanguageLoad result;
  result.path = dataFile(languageFileName(shortName));
  const CappedRead text = readCapped(result.path);
  if (!text.data) {
    result.missing = true;
    result.tooLarge = text.tooLarge;
    return result;
  }
  result.section = languageSection(*text.data, coreState().langIndex);
  return result;
}

constexpr std::size_t kFormCapacity = std::tuple_size_v<decltype(CoreState::msgForm)> - 1;
constexpr std::size_t kMainCapacity = std::tuple_size_v<decltype(CoreState::msgMain)> - 1;

}  // namespace

LanguageLoad loadLanguageFile(std::string_view shortName) {
  LanguageLoad result = readLanguageFile(shortName);
  if (!result.section) return result;
  const bool main = shortName == "Main";
  MessageTable messages(sectionMessages(*result.section, main ? kMainCapacity : kFormCapacity));
  if (messages.empty()) return result;
  if (!main) {
    setFormMessages(messages);
    return result;
  }
  auto& table = coreState().msgMain;
  for (std::size_t i = 0; i < table.size(); ++i) table[i] = messages(static_cast<int>(i));
  return result;
}

MessageTable readFormMessages(std::string_view shortName) {
  const LanguageLoad load = readLanguageFile(shortName);
  return load.section ? MessageTable(sectionMessages(*load.section, kFormCapacity)) : MessageTable();
}

void setFormMessages(const MessageTable& table) {
  auto& form = coreState().msgForm;
  for (std::size_t i = 0; i < form.size(); ++i) form[i] = table(static_cast<int>(i));
}

}  // namespace core
