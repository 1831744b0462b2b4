// Order of the file lists. Both the visible list and a tool's job walk are sorted by one column
// (1 Name, 2 Size, 3 last-write time, 4 creation time, 5 attributes) in one direction, and tools
// process a folder in that order. Also here: the header-click rule and the width rule that
// decides which detail columns a listing computes and when the sort falls back to Name.
#pragma once

#include "main_window/file_entry.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mainwin {

enum ListColumn : int { kColName = 1, kColSize = 2, kColModified = 3, kColCreated = 4, kColAttrs = 5 };

struct SortState {
  int column = kColName;    // sortColumn
  bool descending = false;  // the header tag of the sort column (0 ascending, 1 descending)
  friend bool operator==(const SortState&, const SortState&) = default;
};

// A header click on `column`: the first click on a column sorts ascending, each further click on
// the same column flips the direction.
[[nodiscard]] SortState clickSort(SortState current, int column);

// The attribute key: the letters padded on the left with "0" to four characters ("" -> "0000",
// "A" -> "000A", "RHA" -> "0RHA").
[[nodiscard]] std::string attributeSortKey(std::uint8_t attrs);

// Sorts `entries` by `sort`. Names compare by their Name key (core/name_key.h) without regard to
// letter case (then by the exact bytes); sizes and times by value (an unknown creation time
// first); the attribute column by its key. Equal values order by name, and descending reverses
// the whole order. Details that are not known count as zero / empty: fill the column before
// sorting on it.
void sortEntries(std::vector<FileEntry>& entries, SortState sort);

// A detail column narrower than this (in twips, 15 per pixel at 96 dpi) counts as hidden: a
// listing does not compute it, and a sort on it falls back to Name. Exactly 310 is hidden.
inline constexpr int kHiddenColumnTwips = 310;

// The detail bits of a column (2 size, 3 and 4 times, 5 attributes); 0 for Name or others.
[[nodiscard]] std::uint8_t detailOfColumn(int column);

struct ColumnPlan {
  std::uint8_t compute = 0;  // DetailBits the visible list computes while listing
  SortState sort;            // the sort after the width rule
  bool fellBack = false;     // the sort column was hidden: Name ascending now
};

// The width rule of the visible list. `widthTwips[c]` is column c's width (index 1..5 used; 0
// unused). A column wider than 310 twips is computed (3 and 4 share one switch); a sort on a
// column of 310 twips or less falls back to Name ascending.
[[nodiscard]] ColumnPlan planVisibleColumns(const std::array<int, 6>& widthTwips, SortState sort);

// What a tool's job walk computes: only what its sort needs (nothing for Name).
[[nodiscard]] std::uint8_t jobWalkDetails(SortState sort);

}  // namespace mainwin
