#include "core/results_history.h"

#include "core/file_content.h"
#include "core/file_paths.h"
#include "core/shown_dates.h"
#include "core/slot_ring.h"
#include "core/vb.h"

#include <QtGlobal>

#include <algorithm>

namespace core {

namespace {

constexpr std::uint64_t kMaxReportBytes = std::uint64_t{256} << 20;

constexpr std::size_t kStampLimit = 200;
constexpr int kMaxSuffix = 99;

constexpr SlotRing kRing({.currentKey = "vardcurres", .slotKeyPrefix = "vardcurresfile", .filePrefix = "Results ",
                          .fileSuffix = ".txt"});

}  // namespace

std::string historyStamp(std::string_view text) {
  const std::size_t colon = text.find(':');
  const std::size_t from = colon == std::string_view::npos ? 1 : colon + 2;
  if (from >= text.size()) return {};
  std::size_t end = text.find('\n', from);
  if (end == std::string_view::npos) end = text.size();
  if (end > from && text[end - 1] == '\r') --end;
  return std::string(text.substr(from, end - from));
}

std::string historyFileName(std::string_view stamp, int suffix) {
  std::string s(stamp);
  for (char& c : s) {
    if (c == '/' || c == '\0') c = '-';
  }
  // Cut after ":" became "ZZ", so that the name stays within what a file system allows however
  // many colons the stamp holds; never inside a UTF-8 sequence.
  s = vb::Replace(s, ":", "ZZ");
  std::size_t cut = std::min(s.size(), kStampLimit);
  while (cut > 0 && cut < s.size() && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  s.resize(cut);
  return kRing.fileNameOf(s, suffix);
}

std::string historyCaption(std::string_view fileName) { return kRing.captionOf(fileName); }

std::string historyFileOfCaption(std::string_view caption) { return kRing.fileOfCaption(caption); }

int currentHistorySlot() { return kRing.current(); }

std::string historySlotFile(int slot) { return kRing.slotName(slot); }

std::string recordRun(std::string_view text) {
  if (text.empty() || text.size() >= kHistoryLimit) return {};
  // Stored names keep English month names whatever language the report was written in.
  const std::string stamp = englishMonths(historyStamp(text));
  for (int suffix = 1; suffix <= kMaxSuffix; ++suffix) {
    const std::string name = historyFileName(stamp, suffix);
    const std::string path = kRing.pathOf(name);
    if (core::FileExist(path) != 0) {
      bool same = false;
      const std::string old = readHistoryFile(name, &same);
      if (same && old == text) return name;  // this run was recorded already
      continue;
    }
    // Written before the ring moves on, so a failed write never costs the oldest report.
    if (const int err = core::OutputFile(path, text); err != 0) {
      qWarning("Results history: could not write %s (error %d)", path.c_str(), err);
      return {};
    }
    kRing.take(name);
    return name;
  }
  qWarning("Results history: no free name for the report \"%s\"", stamp.c_str());
  return {};
}

std::vector<std::pair<int, std::string>> historyEntries(int current) { return kRing.existing(current, true); }

void clearHistory(int current) { kRing.clear(current); }

std::string readHistoryFile(std::string_view fileName, bool* exists) {
  const std::string path = kRing.pathOf(fileName);
  const bool there = !fileName.empty() && fileName.find('/') == std::string_view::npos && core::FileExist(path) != 0;
  if (exists) *exists = there;
  if (!there) return {};
  // A report lists every file of a run, so it may be long; one beyond this is not one of ours.
  core::CappedRead text = core::readCapped(path, kMaxReportBytes);
  return text.data ? std::move(*text.data) : std::string();
}

}  // namespace core
