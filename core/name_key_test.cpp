#include "core/name_key.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(MakeSortKey, PadsDigitRunsAndAppendsF) {
  EXPECT_EQ(core::makeSortKey("a9"), "a" + std::string(29, '0') + "9F");
  EXPECT_EQ(core::makeSortKey("x"), "xF");
  EXPECT_EQ(core::makeSortKey("7"), std::string(29, '0') + "7F");
  const std::string long31(31, '1');
  EXPECT_EQ(core::makeSortKey(long31), long31 + "F");  // 30 digits or more stay as they are
}

// Letter case ties broken by the bytes, numbers by value, punctuation before letters, names that
// are not ASCII (or not UTF-8) after them.
TEST(SortByName, GivesTheFileListsNameOrder) {
  std::vector<std::string> names = {"file10", "b",      "\xff",      "A",     "\xc3\xa9t\xc3\xa9", "_u",
                                    "a",      "File1",  "a b",       ".x",    "\xc3\x89t\xc3\xa9", "file2"};
  core::sortByName(names);
  const std::vector<std::string> expected = {".x", "_u",     "a b",   "A",                 "a",
                                             "b",  "File1",  "file2", "file10",            "\xc3\x89t\xc3\xa9",
                                             "\xc3\xa9t\xc3\xa9", "\xff"};
  EXPECT_EQ(names, expected);
}

}  // namespace
