#include "tools/file_ops/split_pieces.h"

#include "core/file_paths.h"
#include "core/shell_quote.h"
#include "core/vb.h"

#include <cmath>

namespace tools::file_ops {

namespace {

bool allDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Digits only, at most 18 of them (so that the value fits).
std::optional<std::uint64_t> number(std::string_view s) {
  if (!allDigits(s) || s.size() > 18) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : s) v = v * 10 + static_cast<std::uint64_t>(c - '0');
  return v;
}

std::string padded(std::uint64_t value, std::size_t width) {
  std::string s = std::to_string(value);
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return s;
}

}  // namespace

std::uint64_t splitPieceSize(std::string_view text, int unitIndex) {
  double unit = 1;
  if (unitIndex == static_cast<int>(SplitUnit::KB)) unit = 1024;
  if (unitIndex == static_cast<int>(SplitUnit::MB)) unit = 1048576;
  const double bytes = std::floor(vb::Val(text) * unit);
  if (!(bytes >= 1)) return 0;
  if (bytes >= 9.0e18) return 9000000000000000000ULL;
  return static_cast<std::uint64_t>(bytes);
}

SplitPlan planSplit(std::uint64_t size, std::uint64_t pieceSize) {
  if (pieceSize == 0) return {};
  const std::uint64_t count = size / pieceSize + (size % pieceSize != 0 ? 1 : 0);
  const std::uint64_t last = size % pieceSize == 0 ? (size == 0 ? 0 : pieceSize) : size % pieceSize;
  return {.count = count, .lastLength = last};
}

std::string splitPieceName(std::string_view name, std::uint64_t count, std::uint64_t index) {
  const std::string total = std::to_string(count);
  return std::string(name) + " " + total + std::string(kSplitMarker) + padded(index, total.size());
}

std::optional<SplitPieceName> parseSplitPieceName(std::string_view name) {
  const std::size_t blank = name.rfind(' ');
  if (blank == std::string_view::npos || blank == 0) return std::nullopt;
  const std::string_view tail = name.substr(blank + 1);
  const std::string lower = vb::LCase(tail);
  const std::size_t at = lower.rfind("qwsplit.");
  if (at == std::string::npos) return std::nullopt;
  const auto count = number(tail.substr(0, at));
  const std::string_view indexText = tail.substr(at + kSplitMarker.size());
  const auto index = number(indexText);
  if (!count || !index || *count == 0 || *index == 0 || *index > *count) return std::nullopt;
  return SplitPieceName{.output = std::string(name.substr(0, blank)),
                        .count = *count,
                        .index = *index,
                        .marker = std::string(tail.substr(at, kSplitMarker.size())),
                        .indexWidth = indexText.size()};
}

std::string siblingPieceName(const SplitPieceName& first, std::uint64_t index) {
  return first.output + " " + std::to_string(first.count) + first.marker + padded(index, first.indexWidth);
}

std::string rejoinScriptName(std::string_view name) {
  const std::size_t dot = core::extensionDot(name);
  return dot == std::string_view::npos ? std::string(name) + ".sh" : std::string(name.substr(0, dot + 1)) + "sh";
}

std::optional<std::string> rejoinScript(std::string_view name, std::uint64_t count, std::string_view templateText) {
  const auto file = core::shellArgument(name);
  const std::string total = std::to_string(count);
  const auto prefix = core::shellArgument(std::string(name) + " " + total + std::string(kSplitMarker));
  if (!file || !prefix) return std::nullopt;
  // Each index digit as [0-9]: the glob names this split's pieces only, in their order.
  std::string pattern = *prefix;
  for (std::size_t i = 0; i < total.size(); ++i) pattern += "[0-9]";
  std::string script = "#!/bin/sh\n";
  script += "cd \"$(dirname -- \"$0\")\" || exit 1\n";
  script += "myFile=" + *file + "\n";
  script += "myCount=" + total + "\n";
  script += "set -- " + pattern + "\n";
  script += templateText;
  return script;
}

}  // namespace tools::file_ops
