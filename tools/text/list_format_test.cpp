// The lister's text: sizes in each unit (64-bit, rounded up to a tenth), attribute letters, the
// two entry layouts with every column, and the heading line of a delimited list.
#include "tools/text/list_format.h"

#include "core/file_paths.h"

#include <gtest/gtest.h>

namespace tools::text {
namespace {

struct SizeRow {
  const char* name;
  std::uint64_t bytes;
  SizeUnit unit;
  const char* decimalPoint;
  const char* text;
};

class Sizes : public ::testing::TestWithParam<SizeRow> {};

TEST_P(Sizes, AreWholeBytesOrTenthsRoundedUp) {
  const SizeRow& row = GetParam();
  EXPECT_EQ(sizeText(row.bytes, row.unit, row.decimalPoint), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Sizes,
    ::testing::Values(SizeRow{"Empty", 0, SizeUnit::KB, ".", "0"},
                      SizeRow{"OneKB", 1024, SizeUnit::KB, ".", "1"},
                      SizeRow{"OneByteMore", 1025, SizeUnit::KB, ".", "1.1"},
                      SizeRow{"OneByte", 1, SizeUnit::KB, ".", "0.1"},
                      SizeRow{"MBOfAThousandKB", 1024000, SizeUnit::MB, ".", "1"},
                      SizeRow{"BinaryMB", 1048576, SizeUnit::MB, ".", "1.1"},
                      SizeRow{"LocaleComma", 1025, SizeUnit::KB, ",", "1,1"},
                      SizeRow{"BytesPast4GB", 5368709121ULL, SizeUnit::Bytes, ".", "5368709121"},
                      // Past 2^31 tenths of a KB (220 GB): no 32-bit rounding anywhere.
                      SizeRow{"KBPast220GB", 400000000000ULL, SizeUnit::KB, ".", "390625000"},
                      SizeRow{"KBPast220GBRoundedUp", 400000000001ULL, SizeUnit::KB, ".", "390625000.1"},
                      SizeRow{"HugeMB", 18000000000000000000ULL, SizeUnit::MB, ".", "17578125000000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ListFormat, AttributeLettersComeInTheOrderRHAS) {
  EXPECT_EQ(attributeLetters(0), "");
  EXPECT_EQ(attributeLetters(core::kAttrSystem | core::kAttrArchive), "AS");
  EXPECT_EQ(attributeLetters(core::kAttrSystem | core::kAttrArchive | core::kAttrHidden | core::kAttrReadOnly),
            "RHAS");
  EXPECT_EQ(attributeLetters(core::kAttrFolder | core::kAttrHidden), "H");
}

const ListLabels kLabels{.accessed = " Accessed: ", .created = " Created: ", .modified = " Modified: ",
                         .size = "Size", .attributes = " Attributes: ", .name = "Name"};
const ListFacts kFacts{.size = 1025,
                       .created = "01/02/2023 04:05:06",
                       .accessed = "07/08/2024 09:10:11",
                       .modified = "",  // unknown: an empty field
                       .attributes = core::kAttrReadOnly | core::kAttrArchive};
const ListColumns kAll{.attributes = true, .created = true, .accessed = true, .modified = true, .size = true};

TEST(ListFormat, DelimitedEntryHasEveryTickedColumnInOrder) {
  const ListLayout layout{.delimited = true, .columns = kAll, .unit = SizeUnit::KB};
  EXPECT_EQ(listEntry(layout, kLabels, "a.txt", kFacts),
            "a.txt\tRA\t01/02/2023 04:05:06\t07/08/2024\t\t1.1\t\r\n");
  const ListLayout some{.delimited = true, .columns = {.accessed = true, .size = true}};
  EXPECT_EQ(listEntry(some, kLabels, "a.txt", kFacts), "a.txt\t07/08/2024\t1025\t\r\n");
  EXPECT_EQ(listEntry({.delimited = true}, kLabels, "a.txt", kFacts), "a.txt\r\n");
}

TEST(ListFormat, LabelledEntryIsABlockEndedByAnEmptyLine) {
  const ListLayout layout{.columns = kAll, .unit = SizeUnit::MB};
  EXPECT_EQ(listEntry(layout, kLabels, "a.txt", kFacts),
            "a.txt\r\n Attributes: RA\r\n Created: 01/02/2023 04:05:06\r\n Accessed: 07/08/2024\r\n"
            " Modified: \r\n Size: 0.1 MB\r\n\r\n");
  EXPECT_EQ(listEntry({}, kLabels, "a.txt", kFacts), "a.txt\r\n");
}

TEST(ListFormat, HeadingNamesTheTickedColumnsWithoutLabelPunctuation) {
  EXPECT_EQ(listHeading({.delimited = true, .columns = kAll, .unit = SizeUnit::KB}, kLabels),
            "Name\tAttributes\tCreated\tAccessed\tModified\tSize (KB)");
  EXPECT_EQ(listHeading({.delimited = true, .columns = {.modified = true}}, kLabels), "Name\tModified\t");
  EXPECT_EQ(listHeading({.delimited = true, .columns = {.size = true}}, kLabels), "Name\tSize (Bytes)");
}

}  // namespace
}  // namespace tools::text
