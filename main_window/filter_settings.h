// The filter panel's settings as plain values, and what they mean for a listing: the pattern in
// effect (`myPattern`), the hidden, size and date filters, and letter case. The window reads its
// controls into FilterSettings; every listing (the visible list and each tool's job walk) applies
// the same ResolvedFilter, so one pattern is in effect everywhere.
#pragma once

#include "main_window/name_pattern.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace mainwin {

// Indexes of the drop-down lists (their list order).
enum DateType : int { kDateAccessed = 0, kDateCreated = 1, kDateModified = 2 };
enum SizeComparison : int { kSizeExactly = 0, kSizeGreater = 1, kSizeLess = 2 };
enum SizeUnit : int { kUnitBytes = 0, kUnitKB = 1, kUnitMB = 2 };

struct FilterSettings {
  bool panelShown = false;       // while hidden, no filter of the panel applies
  bool hideHidden = false;       // chkHidden
  bool dateOn = false;           // chkDat
  int dateType = kDateModified;  // comDateType.ListIndex
  std::string dateFrom, dateTo;  // txtDateFrom, txtDateTo (mm/dd/yyyy)
  bool sizeOn = false;           // chkSiz
  int sizeIs = kSizeExactly;     // comSizeIs.ListIndex; any other index keeps nothing
  double sizeLimit = -1;         // bytes; -1 = no size entered
  bool extensionOn = false;      // chkExtension
  std::string extensionText = "*";  // txtExtension.Text
  bool caseSensitive = false;    // chkCase (applies whether the panel is shown or not)
};

// Serial day number (days since 30 December 1899) of a date box text "mm/dd/yyyy" (blanks
// around it allowed). Nothing for any text that is not a real calendar date in exactly that form
// (02/31/2004, 13/01/2004, 1/2/2004 and "" included).
[[nodiscard]] std::optional<std::int64_t> checkDateText(std::string_view text);

// Serial day number of the local date of a file time (seconds since the epoch); nothing when the
// time cannot be converted.
[[nodiscard]] std::optional<std::int64_t> localDayNumber(std::int64_t seconds);

// The size bound in bytes of the size box's text and unit: the whole part of the leading number
// (a second "." ends it) times 1, 1024 or 1048576. "2" KB = 2048, "1.5" KB = 1536.
[[nodiscard]] double sizeLimitFromText(std::string_view text, int unit);

struct ResolvedFilter {
  std::string myPattern = "*";   // the pattern in effect; "*" when the pattern filter is off
  std::shared_ptr<const NamePattern> pattern;  // null when the pattern filter is off
  bool hiddenAllowed = true;
  bool sizeOn = false;
  int sizeIs = kSizeExactly;
  double sizeLimit = -1;
  bool dateOn = false;
  bool dateValid = true;         // false: a date box is not a real date, so nothing is kept
  int dateType = kDateModified;
  std::int64_t dateFrom = 0, dateTo = 0;  // inclusive day numbers, from <= to

  // Number of filters that test each entry (pattern, size, date): decides the progress cadence.
  [[nodiscard]] int activeCount() const;
  // Size test of one entry (only meaningful while sizeOn).
  [[nodiscard]] bool sizeKeeps(std::uint64_t size) const;
  // Date test of one entry's day number (only meaningful while dateOn).
  [[nodiscard]] bool dateKeeps(std::int64_t day) const;
};

// What the settings mean for a listing. The pattern in effect is the extension box's text
// cleaned by the box's rules (cleanExtensionText), when the extension filter is ticked, the panel
// shown and the text is not "*". Letter case folds unless caseSensitive.
[[nodiscard]] ResolvedFilter resolveFilters(const FilterSettings& settings);

}  // namespace mainwin
