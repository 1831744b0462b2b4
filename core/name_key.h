// The Name order of the file lists, which is also the order in which runs take the folders of a
// tree: the Name key, and pieces that a sort can put together (a fixed-size head of a name's key
// that decides most comparisons with three word compares, and the full rule for the names whose
// heads are equal). The file list's sorts, the ordering of names while a folder is still being
// read and the folder lists of runs all use them, so that every path gives one order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// The Name key: the name with "F" appended, every run of digits padded with "0" on the left to
// 30 characters (runs of 30 digits or more stay as they are), so that file2 sorts before file10.
[[nodiscard]] std::string makeSortKey(std::string_view name);

// A fixed-size head of a name's case-folded Name key, compared as three big-endian words. Two
// names whose heads differ order as their heads; equal heads leave the decision to nameKeyLess.
struct NameHead {
  std::uint64_t w[3] = {0, 0, 0};
  friend bool operator==(const NameHead&, const NameHead&) = default;
  friend bool operator<(const NameHead& a, const NameHead& b) {
    if (a.w[0] != b.w[0]) return a.w[0] < b.w[0];
    if (a.w[1] != b.w[1]) return a.w[1] < b.w[1];
    return a.w[2] < b.w[2];
  }
};

// The head of `name`. `scratch` is working room for a name that is not ASCII (callers reuse it,
// so that a million names cost no allocation each).
[[nodiscard]] NameHead nameHead(std::string_view name, std::string& scratch);

// The full Name rule: the case-folded keys compare, then the exact bytes. True when `a` sorts
// before `b`. `keyA` and `keyB` are working room, reused by the caller.
[[nodiscard]] bool nameKeyLess(std::string_view a, std::string_view b, std::string& keyA, std::string& keyB);

// Puts names in ascending Name order, as the file list shows them by name (distinct names never
// tie: equal keys order by their bytes).
void sortByName(std::vector<std::string>& names);

}  // namespace core
