// Test support for the lister, finder and appender runs: a message table of recognisable texts,
// and the results text a finished run handed to the results viewer. Only *_test.cpp files
// include it (after core/pipeline_test_support.h, whose fixture sets the common messages to "{n}").
#pragma once

#include "core/message_table.h"
#include "core/scripted_run_host.h"

#include <map>
#include <string>
#include <vector>

namespace tools::text::testing {

// Messages 1..count as "[n]", except those given.
inline core::MessageTable messages(int count, const std::map<int, std::string>& texts) {
  std::vector<std::string> table;
  for (int n = 1; n <= count; ++n) {
    const auto it = texts.find(n);
    table.push_back(it != texts.end() ? it->second : "[" + std::to_string(n) + "]");
  }
  return core::MessageTable(std::move(table));
}

// The results text of the last report shown: what finishOperation put between its heading
// (common message 72 or 73) and the "\r\n" + common message 71 after it. "" when none was shown.
inline std::string reportedText(const core::ScriptedRunHost& host) {
  if (host.results.empty()) return {};
  const std::string& report = host.results.back().text;
  std::size_t from = report.find("{72}");  // a report with lines of its own
  if (from == std::string::npos) from = report.find("{73}");
  if (from != std::string::npos) {
    from += 4;
  } else {
    // A cancelled run without lines says nothing before its text: it starts after the heading.
    from = report.find("\r\n");
    if (report.rfind("{75}", 0) != 0 || from == std::string::npos) return {};
    from += 2;
  }
  const std::size_t to = report.rfind("\r\n{71}");
  return to == std::string::npos || to < from ? std::string() : report.substr(from, to - from);
}

}  // namespace tools::text::testing
