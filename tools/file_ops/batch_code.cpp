#include "tools/file_ops/batch_code.h"

#include "core/form_state.h"
#include "core/vb.h"

#include <array>
#include <utility>

namespace tools::file_ops {

namespace {

constexpr std::array<std::pair<std::string_view, BatchFilter>, 4> kOptions = {{
    {"optAll", BatchFilter::All},
    {"optRead", BatchFilter::ReadOnly},
    {"optArchive", BatchFilter::Archive},
    {"optFold", BatchFilter::Folders},
}};

// An option's saved value as the form loader reads it: "True"/"False" in any case, or a number.
bool chosen(const std::string& value) {
  const std::string t = vb::LCase(vb::Trim(value));
  if (t == "true") return true;
  if (t == "false" || t.empty()) return false;
  return vb::Val(t) != 0;
}

}  // namespace

std::string withoutCarriageReturns(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

std::optional<BatchCode> parseBatchCode(std::string_view text) {
  if (text.substr(0, kCodeHeader.size()) != kCodeHeader) return std::nullopt;
  const core::ParsedFormState state = core::parseFormState(text);
  if (!state.valid) return std::nullopt;
  BatchCode code;
  const auto read = [&](std::string_view name, std::string& into) {
    if (const auto v = state.value(name)) into = withoutCarriageReturns(*v);
  };
  read("txtHead", code.templates.head);
  read("txtFold", code.templates.fold);
  read("txtFile", code.templates.file);
  read("txtTail", code.templates.tail);
  for (const auto& [name, filter] : kOptions) {
    const auto v = state.value(name);
    if (v && chosen(*v)) {
      code.filter = filter;
      break;
    }
  }
  return code;
}

std::string batchCodeText(const BatchCode& code) {
  std::vector<core::FormStateEntry> entries = {
      {"txtHead", code.templates.head},
      {"txtFold", code.templates.fold},
      {"txtFile", code.templates.file},
      {"txtTail", code.templates.tail},
  };
  for (const auto& [name, filter] : kOptions) {
    entries.push_back({std::string(name), code.filter == filter ? "True" : "False"});
  }
  return core::buildFormState(0, entries);
}

}  // namespace tools::file_ops
