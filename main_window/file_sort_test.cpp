#include "main_window/file_sort.h"

#include "core/name_key.h"
#include "core/vb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace mainwin {
namespace {

std::vector<std::string> names(const std::vector<FileEntry>& v) {
  std::vector<std::string> out;
  for (const FileEntry& e : v) out.push_back(e.name);
  return out;
}

FileEntry entry(const char* name, std::uint64_t size = 0, std::int64_t modified = 0,
                std::uint8_t attrs = 0) {
  FileEntry e;
  e.name = name;
  e.size = size;
  e.modified = modified;
  e.attrs = attrs;
  e.known = kDetailSize | kDetailTimes | kDetailAttrs;
  return e;
}

TEST(AttributeSortKey, PaddedToFour) {
  EXPECT_EQ(attributeSortKey(0), "0000");
  EXPECT_EQ(attributeSortKey(kEntryArchive), "000A");
  EXPECT_EQ(attributeSortKey(kEntryReadOnly | kEntryHidden | kEntryArchive), "0RHA");
}

TEST(ClickSort, FirstClickAscendingThenFlips) {
  SortState s{kColSize, true};
  s = clickSort(s, kColName);
  EXPECT_EQ(s, (SortState{kColName, false}));
  s = clickSort(s, kColName);
  EXPECT_EQ(s, (SortState{kColName, true}));
  s = clickSort(s, kColName);
  EXPECT_EQ(s, (SortState{kColName, false}));
}

struct OrderCase {
  const char* label;
  SortState sort;
  std::vector<std::string> expected;
};

class SortEntriesTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(SortEntriesTest, Orders) {
  std::vector<FileEntry> v{
      entry("a10", 999, 1104537599 /*31/12/2004*/, kEntryReadOnly | kEntryHidden | kEntryArchive),
      entry("a9", 1000, 1104537600 /*01/01/2005*/, kEntryArchive),
      entry("B2", 1000000000, 1000, 0),
      entry("b1", 999999999, 2000, kEntryArchive),
  };
  sortEntries(v, GetParam().sort);
  EXPECT_EQ(names(v), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SortEntriesTest,
    ::testing::Values(
        OrderCase{"NameNumbersByValueCaseFolded", {kColName, false}, {"a9", "a10", "b1", "B2"}},
        OrderCase{"NameDescending", {kColName, true}, {"B2", "b1", "a10", "a9"}},
        OrderCase{"SizeByValue", {kColSize, false}, {"a10", "a9", "b1", "B2"}},
        OrderCase{"TimeYearFirst", {kColModified, false}, {"B2", "b1", "a10", "a9"}},
        OrderCase{"AttributesTiesByName", {kColAttrs, false}, {"B2", "a9", "b1", "a10"}},
        OrderCase{"AttributesDescending", {kColAttrs, true}, {"a10", "b1", "a9", "B2"}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SortEntries, SizesBeyondTwelveDigitsStillLast) {
  std::vector<FileEntry> v{entry("huge", 12345678901234ULL), entry("small", 5),
                           entry("big", 99999999999ULL)};
  sortEntries(v, {kColSize, false});
  EXPECT_EQ(names(v), (std::vector<std::string>{"small", "big", "huge"}));
}

TEST(SortEntries, UnknownCreationTimeFirst) {
  std::vector<FileEntry> v{entry("has"), entry("none")};
  v[0].hasCreated = true;
  v[0].created = 5;
  sortEntries(v, {kColCreated, false});
  EXPECT_EQ(names(v), (std::vector<std::string>{"none", "has"}));
}

// The sort compares short heads of the keys first; whatever the names, it must give the order of
// the full keys. Names built from pieces that stress the heads: runs of zeros of every length
// (padded or 30 digits and more) followed by bytes below and above "0", long shared prefixes,
// letter case and non-ASCII.
TEST(SortEntries, AgreesWithTheFullKeysOnAwkwardNames) {
  const std::vector<std::string> pieces = {
      "0", "00", "000", "1", "01", "9", "10", ".", "-", "/", "_", "a", "B", "~", "\xc3\xa9", "\xc3\x89",
      std::string(29, '0'), std::string(30, '0'), std::string(31, '0'), std::string(130, '0') + "7",
      std::string(31, '5'), "IMG_2023_", "report final "};
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1), parts(1, 6);
  std::vector<FileEntry> v;
  std::vector<std::string> seen;
  for (int i = 0; i < 3000; ++i) {
    std::string name;
    for (std::size_t k = parts(rng); k > 0; --k) name += pieces[pick(rng)];
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
    seen.push_back(name);
    v.push_back(entry(name.c_str(), i % 3));
  }
  const auto key = [](const std::string& n) { return vb::LCase(core::makeSortKey(n)); };
  const auto nameLess = [&](const FileEntry& a, const FileEntry& b) {
    const std::string ka = key(a.name), kb = key(b.name);
    return ka != kb ? ka < kb : a.name < b.name;
  };
  for (SortState s : {SortState{kColName, false}, SortState{kColName, true}, SortState{kColSize, false}}) {
    sortEntries(v, s);
    for (std::size_t i = 1; i < v.size(); ++i) {
      const FileEntry& a = s.descending ? v[i] : v[i - 1];
      const FileEntry& b = s.descending ? v[i - 1] : v[i];
      const bool ordered = s.column == kColSize && a.size != b.size ? a.size < b.size : nameLess(a, b);
      ASSERT_TRUE(ordered) << "column " << s.column << ": " << a.name << " before " << b.name;
    }
  }
}

// A large list sorts in parts on several threads and merges them: the order must still be the
// one of the full keys, with sizes that tie often and names whose heads tie often.
TEST(SortEntries, LargeListsSortedInPartsAgreeWithTheFullKeys) {
  const std::vector<std::string> pieces = {"0", "01", "1", "10", ".", "_", "a", "B", "\xc3\xa9",
                                           std::string(31, '0'), "IMG_2023_", "file_000"};
  std::mt19937 rng(17);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1), parts(2, 7);
  std::set<std::string> seen;
  std::vector<FileEntry> v;
  while (v.size() < 120000) {
    std::string name;
    for (std::size_t k = parts(rng); k > 0; --k) name += pieces[pick(rng)];
    if (seen.insert(name).second) v.push_back(entry(name.c_str(), rng() % 5));
  }
  const auto key = [](const std::string& n) { return vb::LCase(core::makeSortKey(n)); };
  for (SortState s : {SortState{kColName, false}, SortState{kColSize, true}}) {
    sortEntries(v, s);
    ASSERT_EQ(v.size(), 120000u);
    for (std::size_t i = 1; i < v.size(); ++i) {
      const FileEntry& a = s.descending ? v[i] : v[i - 1];
      const FileEntry& b = s.descending ? v[i - 1] : v[i];
      const std::string ka = key(a.name), kb = key(b.name);
      const bool ordered = s.column == kColSize && a.size != b.size ? a.size < b.size
                                                                    : (ka != kb ? ka < kb : a.name < b.name);
      ASSERT_TRUE(ordered) << "column " << s.column << ": " << a.name << " before " << b.name;
    }
  }
}

TEST(PlanVisibleColumns, WidthRule) {
  //                        -  name  size  mod  cre  attr
  std::array<int, 6> w{0, 2000, 311, 310, 0, 310};
  ColumnPlan p = planVisibleColumns(w, {kColSize, true});
  EXPECT_EQ(p.compute, kDetailSize);
  EXPECT_EQ(p.sort, (SortState{kColSize, true}));
  EXPECT_FALSE(p.fellBack);

  p = planVisibleColumns(w, {kColAttrs, true});  // exactly 310 twips counts as hidden
  EXPECT_EQ(p.sort, (SortState{kColName, false}));
  EXPECT_TRUE(p.fellBack);

  w[4] = 500;  // one time column shown computes both
  p = planVisibleColumns(w, {kColModified, false});
  EXPECT_EQ(p.compute, kDetailSize | kDetailTimes);
  EXPECT_TRUE(p.fellBack);  // but the narrow one cannot stay the sort column
}

TEST(JobWalkDetails, OnlyTheSortColumn) {
  EXPECT_EQ(jobWalkDetails({kColName, false}), 0);
  EXPECT_EQ(jobWalkDetails({kColSize, false}), kDetailSize);
  EXPECT_EQ(jobWalkDetails({kColCreated, true}), kDetailTimes);
  EXPECT_EQ(jobWalkDetails({kColAttrs, false}), kDetailAttrs);
}

}  // namespace
}  // namespace mainwin
