// The file lister's text: how one file's entry, the heading line of a tab-delimited list, a size
// and the attribute letters are written. Pure functions over what a run measured; nothing here
// touches a file.
//
//   const tools::text::ListLayout layout{.delimited = true, .columns = {.size = true}, .unit = SizeUnit::KB};
//   std::string line = tools::text::listEntry(layout, labels, "report.txt", facts);
//   // "report.txt\t1.1\t\r\n"
//
// ---- contract ----
// Sizes are 64-bit from end to end: a size or a total is never rounded through a 32-bit number.
// A time the file system did not give (facts.*Known false) is an empty field, never a stale one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tools::text {

// The unit of the size column: whole bytes, or KB of 1,024 bytes and MB of 1,024,000 bytes, each
// with one decimal rounded up.
enum class SizeUnit { Bytes, KB, MB };

// Which columns follow the name, in the order they are written.
struct ListColumns {
  bool attributes = false;
  bool created = false;
  bool accessed = false;  // the date only (its first 10 characters)
  bool modified = false;
  bool size = false;
  [[nodiscard]] bool any() const { return attributes || created || accessed || modified || size; }
};

struct ListLayout {
  bool delimited = false;  // tab-delimited lines instead of labelled blocks
  ListColumns columns{};
  SizeUnit unit = SizeUnit::Bytes;
  std::string decimalPoint = ".";  // the locale's decimal separator
};

// The labels of the list (the lister's messages 3, 4, 5, 14, 15 and 16).
struct ListLabels {
  std::string accessed{};  // label of the accessed date, e.g. " Accessed: "
  std::string created{};   // " Created: "
  std::string modified{};  // " Modified: "
  std::string size{};      // "Size"
  std::string attributes{};  // " Attributes: "
  std::string name{};      // first heading of the delimited heading line, "Name"
};

// What was measured of one file.
struct ListFacts {
  std::uint64_t size = 0;
  std::string created{}, accessed{}, modified{};  // "dd/mm/yyyy hh:mm:ss", "" when unknown
  std::uint8_t attributes = 0;              // core kAttr* bits
};

// " Bytes", " KB" or " MB" (with the leading blank).
[[nodiscard]] std::string_view unitText(SizeUnit unit);
// The size in the unit: whole bytes, or tenths rounded up shown with one decimal when there is
// one ("1.1", "1", "0"), the decimal point as given.
[[nodiscard]] std::string sizeText(std::uint64_t bytes, SizeUnit unit, std::string_view decimalPoint);
// "R", "H", "A", "S" for the bits set, in that order; "" for none.
[[nodiscard]] std::string attributeLetters(std::uint8_t attributes);

// One entry: the name, then the ticked columns (tab-delimited: Tab and value each, then Tab CR LF;
// labelled: one "label value" line each, then an empty line). Without columns: name CR LF.
[[nodiscard]] std::string listEntry(const ListLayout& layout, const ListLabels& labels, std::string_view name,
                                    const ListFacts& facts);
// The same entry appended to out: a run writing thousands of entries builds no string for each.
void appendListEntry(std::string& out, const ListLayout& layout, const ListLabels& labels, std::string_view name,
                     const ListFacts& facts);
// The heading line of a tab-delimited list, without a line break: the name heading and the ticked
// columns' labels, each label without its first character and every ": " removed.
[[nodiscard]] std::string listHeading(const ListLayout& layout, const ListLabels& labels);

}  // namespace tools::text
