#include "main_window/file_sort.h"

#include <gtest/gtest.h>

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

TEST(MakeSortKey, PadsDigitRunsAndAppendsF) {
  EXPECT_EQ(makeSortKey("a9"), "a" + std::string(29, '0') + "9F");
  EXPECT_EQ(makeSortKey("x"), "xF");
  EXPECT_EQ(makeSortKey("7"), std::string(29, '0') + "7F");
  const std::string long31(31, '1');
  EXPECT_EQ(makeSortKey(long31), long31 + "F");  // 30 digits or more stay as they are
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
