#include "core/form_state.h"

#include "core/percent_escape.h"
#include "core/vb.h"

#include <array>

namespace core {

namespace {

constexpr std::string_view kEscape = "A_Esc";
constexpr std::array<std::string_view, 4> kMarkers = {"A_Sep", "A_Run", "A_EndData", "A_EndNum"};

}  // namespace

std::string escapeFormValue(std::string_view value) {
  bool needs = value.substr(0, kEscape.size()) == kEscape;
  for (auto m : kMarkers) needs = needs || value.find(m) != std::string_view::npos;
  if (!needs) return std::string(value);
  return std::string(kEscape) + percentEncode(value, [](unsigned char c) { return c == '%' || c == '_'; });
}

std::string unescapeFormValue(std::string_view text) {
  if (text.substr(0, kEscape.size()) != kEscape) return std::string(text);
  return percentDecode(text.substr(kEscape.size()));
}

std::string buildFormState(int winState, const std::vector<FormStateEntry>& entries) {
  std::string out;
  out += kFormStateHeader;
  out += kFormStateSep;
  out += "winState";
  out += kFormStateSep;
  out += winState == 2 ? "2" : "0";
  out += kFormStateSep;
  for (const auto& e : entries) {
    out += e.name;
    out += kFormStateSep;
    out += escapeFormValue(e.value);
    out += kFormStateSep;
  }
  return out;
}

std::optional<std::string> ParsedFormState::value(std::string_view name) const {
  for (const auto& e : entries) {
    if (e.name == name) return e.value;
  }
  return std::nullopt;
}

ParsedFormState parseFormState(std::string_view text, bool checkHeader) {
  ParsedFormState out;
  const bool hasHeader = text.substr(0, 5) == "qw9Co";
  if (checkHeader && !hasHeader) return out;
  out.valid = true;
  std::vector<std::string> parts = vb::Split(text, kFormStateSep);
  // The text ends with a separator, so the last part is what follows it (normally empty).
  if (!parts.empty()) parts.pop_back();
  std::size_t i = 0;
  if (hasHeader) {
    i = 1;
    if (parts.size() >= 3 && parts[1] == "winState") {
      const std::string& s = parts[2];
      out.winState = (!s.empty() && s[0] >= '1' && s[0] <= '9') ? 2 : 0;
      i = 3;
    }
  }
  for (; i + 1 < parts.size(); i += 2) {
    out.entries.push_back({parts[i], unescapeFormValue(parts[i + 1])});
  }
  return out;
}

}  // namespace core
