// A ring of nine settings slots, each naming one file the program keeps in appPath, with a current
// slot: the results history and the undo journals of the rename and copy tools keep their last
// nine files this way. File names are "<prefix><stamp><suffix>" with every ":" of the stamp
// written as "ZZ"; a menu caption is the stamp again.
//
// Several programs (two windows, the companions) share the ring: every change of it is one locked
// update of the settings on a fresh read (core::editSettings), so two runs that start together
// take two slots and never delete each other's file.
//
// Safety: a settings value is only ever opened or deleted when it is a plain name of the ring's
// own shape (prefix, suffix, no "/"); a value naming anything else reads as an empty slot and is
// never deleted. So a hand-edited or corrupted settings file cannot make the ring delete a file it
// did not write.
//
// Example:
//   const core::SlotRing ring({.currentKey = "curundnum", .slotKeyPrefix = "undoren",
//                              .filePrefix = "RenUndo ", .fileSuffix = ".txt"});
//   const std::string name = ring.createUnique("07 March 2024 14:05:09");  // exclusive, empty
//   if (!name.empty()) { const int slot = ring.take(name); ... }
//   for (const auto& [slot, file] : ring.existing(ring.current())) menu.add(ring.captionOf(file));
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {
class SettingsEdit;
}

namespace core {

struct SlotRingKeys {
  std::string_view currentKey;     // setting holding the current slot, "1".."9"
  std::string_view slotKeyPrefix;  // setting of slot n: this prefix followed by n
  std::string_view filePrefix;     // e.g. "RenUndo "
  std::string_view fileSuffix;     // e.g. ".txt"
};

class SlotRing {
 public:
  static constexpr int kSlots = 9;

  explicit constexpr SlotRing(SlotRingKeys keys) : keys_(keys) {}

  // The current slot (1-9); an empty, zero or invalid setting becomes 1 and is stored.
  [[nodiscard]] int current() const;
  void setCurrent(int slot) const;

  // True for a plain name of this ring's shape: prefix, any middle, suffix, no "/".
  [[nodiscard]] bool ownsName(std::string_view name) const;
  // The name slot n holds, or "" when it holds none of this ring's shape.
  [[nodiscard]] std::string slotName(int slot) const;
  // appPath + slotName(slot), or "" when the slot holds no name of this ring's shape.
  [[nodiscard]] std::string slotPath(int slot) const;
  [[nodiscard]] std::string pathOf(std::string_view name) const;

  // prefix + stamp + " (n)" for n > 1 + suffix, with ":" written as "ZZ".
  [[nodiscard]] std::string fileNameOf(std::string_view stamp, int n = 1) const;
  // The stamp of a file name ("ZZ" read back as ":"); "" for a name not of the ring's shape.
  [[nodiscard]] std::string captionOf(std::string_view fileName) const;
  // The file name of a caption (the reverse of captionOf).
  [[nodiscard]] std::string fileOfCaption(std::string_view caption) const;

  // Creates an empty file of the ring's shape in appPath exclusively: the name of stamp, or with
  // " (2)", " (3)" ... when that is taken (two runs in one second). Returns the name, or "" when
  // no file could be created; errorNumber (optional) gets the error of the last attempt.
  [[nodiscard]] std::string createUnique(std::string_view stamp, int* errorNumber = nullptr) const;

  // Moves the ring on to the slot after current (9 wraps to 1): stores name in it and makes it
  // current, in one locked update, then deletes the file that slot named (only a name of the
  // ring's shape, never name itself, and not when the settings could not be written). Returns the
  // slot.
  int take(std::string_view name) const;

  // Empties slot; when it is the current slot the ring steps back one (1 goes to 9), so the next
  // take reuses it (one locked update). The file is not touched.
  void release(int slot) const;

  // The slots other than except (0: none) whose name is of the ring's shape and whose file exists,
  // as (slot, file name), in slot order. With forgetMissing the values of the other slots are
  // emptied (those that still name no existing file under the lock).
  [[nodiscard]] std::vector<std::pair<int, std::string>> existing(int except, bool forgetMissing = false) const;

  // Empties every slot but except (0: none) in one locked update, then deletes the files of the
  // ring's shape they named.
  void clear(int except = 0) const;

  [[nodiscard]] const SlotRingKeys& keys() const { return keys_; }

 private:
  [[nodiscard]] std::string slotKey(int slot) const;
  // current() and slotName() on values read under the settings lock (an invalid current slot: 1).
  [[nodiscard]] int currentIn(const platform::SettingsEdit& values) const;
  [[nodiscard]] std::string nameIn(const platform::SettingsEdit& values, int slot) const;
  SlotRingKeys keys_;
};

}  // namespace core
