#include "core/results_history.h"

#include "core/file_content.h"
#include "core/file_paths.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"

namespace core {

namespace {

constexpr std::string_view kPrefix = "Results ";
constexpr std::string_view kSuffix = ".txt";
constexpr std::size_t kStampLimit = 200;
constexpr int kSlots = 9;
constexpr int kMaxSuffix = 99;

std::string slotKey(int slot) { return "vardcurresfile" + std::to_string(slot); }

// Only names this module writes are ever deleted: a plain name in appPath, never a path.
bool isHistoryName(std::string_view name) {
  return name.size() > kPrefix.size() + kSuffix.size() && name.substr(0, kPrefix.size()) == kPrefix &&
         name.find('/') == std::string_view::npos && name != "." && name != "..";
}

std::string appFile(std::string_view name) { return core::coreState().appPath + std::string(name); }

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
  std::size_t cut = std::min(stamp.size(), kStampLimit);
  // Never cut inside a UTF-8 sequence.
  while (cut > 0 && cut < stamp.size() && (static_cast<unsigned char>(stamp[cut]) & 0xC0) == 0x80) --cut;
  std::string s(stamp.substr(0, cut));
  for (char& c : s) {
    if (c == '/' || c == '\0') c = '-';
  }
  std::string name = std::string(kPrefix) + s;
  if (suffix > 1) name += " (" + std::to_string(suffix) + ")";
  name += kSuffix;
  return vb::Replace(name, ":", "ZZ");
}

std::string historyCaption(std::string_view fileName) {
  if (fileName.size() <= kPrefix.size() + kSuffix.size()) return {};
  const std::string_view stamp = fileName.substr(kPrefix.size(), fileName.size() - kPrefix.size() - kSuffix.size());
  return vb::Replace(stamp, "ZZ", ":");
}

std::string historyFileOfCaption(std::string_view caption) {
  return std::string(kPrefix) + vb::Replace(caption, ":", "ZZ") + std::string(kSuffix);
}

int currentHistorySlot() {
  const long long v = vb::ValInt(core::getSet("vardcurres"));
  if (v < 1 || v > kSlots) {
    core::saveSet("vardcurres", "1");
    return 1;
  }
  return static_cast<int>(v);
}

std::string historySlotFile(int slot) { return core::getSet(slotKey(slot)); }

std::string recordRun(std::string_view text) {
  if (text.empty() || text.size() >= kHistoryLimit) return {};
  const std::string stamp = historyStamp(text);
  for (int suffix = 1; suffix <= kMaxSuffix; ++suffix) {
    const std::string name = historyFileName(stamp, suffix);
    const std::string path = appFile(name);
    if (core::FileExist(path) != 0) {
      bool same = false;
      const std::string old = readHistoryFile(name, &same);
      if (same && old == text) return name;  // this run was recorded already
      continue;
    }
    int slot = currentHistorySlot() + 1;
    if (slot > kSlots) slot = 1;
    const std::string previous = historySlotFile(slot);
    if (isHistoryName(previous) && core::FileExist(appFile(previous)) != 0) (void)core::KillFile(appFile(previous));
    if (core::OutputFile(path, text) != 0) return {};
    core::saveSet("vardcurres", std::to_string(slot));
    core::saveSet(slotKey(slot), name);
    return name;
  }
  return {};
}

std::vector<std::pair<int, std::string>> historyEntries(int current) {
  std::vector<std::pair<int, std::string>> out;
  for (int i = 1; i <= kSlots; ++i) {
    if (i == current) continue;
    const std::string name = historySlotFile(i);
    if (name.size() <= kPrefix.size() + kSuffix.size()) continue;
    if (isHistoryName(name) && core::FileExist(appFile(name)) != 0) {
      out.emplace_back(i, name);
    } else {
      core::saveSet(slotKey(i), "");
    }
  }
  return out;
}

void clearHistory(int current) {
  for (int i = 1; i <= kSlots; ++i) {
    if (i == current) continue;
    const std::string name = historySlotFile(i);
    core::saveSet(slotKey(i), "");
    if (isHistoryName(name) && core::FileExist(appFile(name)) != 0) (void)core::KillFile(appFile(name));
  }
}

std::string readHistoryFile(std::string_view fileName, bool* exists) {
  const std::string path = appFile(fileName);
  const bool there = !fileName.empty() && fileName.find('/') == std::string_view::npos && core::FileExist(path) != 0;
  if (exists) *exists = there;
  if (!there) return {};
  std::string text = core::InputBits(path);
  if (text == core::kErr) return {};
  return text;
}

}  // namespace core
