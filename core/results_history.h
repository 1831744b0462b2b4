// The results history: the reports of the last nine runs as files "Results <stamp>.txt" in appPath,
// with the current slot in the setting "vardcurres" and each slot's file name in "vardcurresfile"
// + slot (a SlotRing, core/slot_ring.h). File names and menu captions convert both ways: ":" is stored as "ZZ", and a caption
// is the name without "Results " and ".txt" (names of 12 characters or less have none).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace core {

// Reports of this many bytes or more are never written to the history.
inline constexpr std::size_t kHistoryLimit = 1000000;

// The stamp of a report: its first line after the first ":" and the character after it (from the
// second character when there is no ":"), up to the first line break.
[[nodiscard]] std::string historyStamp(std::string_view text);
// "Results " + stamp + ".txt" with ":" as "ZZ"; "/" (which a file name cannot hold) becomes "-"
// and the converted stamp is cut to 200 bytes (so the name stays under the file-name limit).
// suffix > 1 adds " (suffix)" before ".txt".
[[nodiscard]] std::string historyFileName(std::string_view stamp, int suffix = 1);
// The menu caption of a history file name ("" for names of 12 characters or less).
[[nodiscard]] std::string historyCaption(std::string_view fileName);
// The file name of a menu caption.
[[nodiscard]] std::string historyFileOfCaption(std::string_view caption);

// The current slot (1-9); an empty or 0 setting becomes 1 and is stored.
int currentHistorySlot();
// The file name stored for slot ("" when the value is not a history file name).
[[nodiscard]] std::string historySlotFile(int slot);

// Records a report shown by the viewer (0 < size < kHistoryLimit) and returns the file name that
// belongs to it. When a history file of its name already holds this very text (the same run shown
// again) nothing is written and the slot stays. When another run's file has the name, a suffix
// " (2)", " (3)" ... is added. Otherwise the text is written, then the slot advances (9 wraps to
// 1), the file the new slot named is deleted and the slot's values are stored. "" when nothing
// could be recorded; a failed write is logged as a warning (qWarning) with the path.
std::string recordRun(std::string_view text);

// The slots other than current whose history file still exists, as (slot, file name); the values
// of the other slots (file gone, or not a history file name) are emptied.
std::vector<std::pair<int, std::string>> historyEntries(int current);

// Empties every slot but current and deletes the files they named.
void clearHistory(int current);

// The content of a history file (appPath + name); "" when it cannot be read. exists tells
// whether the file was there.
std::string readHistoryFile(std::string_view fileName, bool* exists = nullptr);

}  // namespace core
