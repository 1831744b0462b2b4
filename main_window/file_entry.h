// One entry of a file list (the visible list and a tool's job walk hold the same kind): the raw
// name and the details that a listing computed. Details that were not computed stay unknown, and
// the list shows them empty until they are filled.
#pragma once

#include <cstdint>
#include <string>

namespace mainwin {

// Attribute bits, as core::GetAtt reports them (read-only 1, hidden 2, system 4, archive 32).
enum : std::uint8_t { kEntryReadOnly = 1, kEntryHidden = 2, kEntrySystem = 4, kEntryArchive = 32 };

// Which details of an entry are known (a listing or a later fill computed them).
enum DetailBits : std::uint8_t {
  kDetailSize = 1,   // column 2
  kDetailTimes = 2,  // columns 3 and 4 (they are computed together)
  kDetailAttrs = 4,  // column 5 (R and A; H is always known)
};

struct FileEntry {
  std::string name;             // the name as enumerated (bytes)
  std::uint64_t size = 0;       // valid with kDetailSize
  std::int64_t modified = 0;    // seconds since the epoch, valid with kDetailTimes
  std::int64_t created = 0;     // valid with kDetailTimes and hasCreated
  std::uint8_t attrs = 0;       // kEntryHidden always valid; R and A with kDetailAttrs
  std::uint8_t known = 0;       // DetailBits
  bool hasCreated = false;      // the file system records a birth time for this file
  [[nodiscard]] bool hidden() const { return attrs & kEntryHidden; }
};

}  // namespace mainwin
