// File content routines on a temporary folder: whole-file replacement that keeps attributes and
// survives failures, appends, range reads and in-place writes.
#include "core/file_content.h"

#include "core/file_paths.h"
#include "core/file_test_fixture.h"

#include <chrono>
#include <filesystem>

namespace core {
namespace {

namespace fs = std::filesystem;
using Content = core::testing::FileFixture;

TEST_F(Content, OutputFileThenAppendFileWriteExactBytes) {
  const std::string file = path("f.txt");
  EXPECT_EQ(OutputFile(file, "abc"), 0);
  EXPECT_EQ(fs::file_size(file), 3u);
  EXPECT_EQ(AppendFile(file, "def"), 0);
  EXPECT_EQ(slurp(file), "abcdef");
  EXPECT_EQ(OutputFile(file, std::string("\0\xff\r\n", 4)), 0);  // bytes survive as they are
  EXPECT_EQ(InputBits(file, 1, 0), std::string("\0\xff\r\n", 4));
  EXPECT_EQ(AppendFile(path("new.log"), "x"), 0);
  EXPECT_EQ(slurp(path("new.log")), "x");
}

TEST_F(Content, OutputFileKeepsReadOnlyAndHidden) {
  const std::string file = make("state.txt", "old");
  ASSERT_EQ(SetAtt(file, kAttrReadOnly | kAttrHidden), 0);
  EXPECT_EQ(OutputFile(file, "new"), 0);
  EXPECT_EQ(slurp(file), "new");
  EXPECT_EQ(GetAtt(file), kAttrReadOnly | kAttrHidden);
  EXPECT_EQ(names(), (std::vector<std::string>{".hidden", "state.txt"}));  // no temporary left
}

TEST_F(Content, OutputFileFailureLeavesTheOldFile) {
  const std::string file = make("keep", "precious");
  EXPECT_EQ(OutputFile(file + "/below", "new"), 76);  // the folder part is a file
  EXPECT_EQ(OutputFile(path("nofolder/f"), "new"), 76);
  fs::create_directory(path("dir"));
  EXPECT_NE(OutputFile(path("dir"), "new"), 0);
  EXPECT_NE(OutputFile(fifo("pipe"), "new"), 0);
  EXPECT_EQ(slurp(file), "precious");
  EXPECT_EQ(names(), (std::vector<std::string>{"dir", "keep", "pipe"}));
  if (::geteuid() != 0) {
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(OutputFile(file, "new"), 70);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(slurp(file), "precious");
  }
}

TEST_F(Content, InputBitsReadsRangesAndCutsAtTheEnd) {
  const std::string file = make("f", "qw9Configs rest");
  struct Row {
    std::uint64_t start, length;
    std::string want;
  };
  for (const Row& r : std::vector<Row>{{1, 4, "qw9C"},
                                       {1, 0, "qw9Configs rest"},
                                       {12, 0, "rest"},
                                       {12, 100, "rest"},  // past the end: what exists
                                       {40, 3, ""},
                                       {0, 3, "qw9"}}) {
    EXPECT_EQ(InputBits(file, r.start, r.length), r.want) << r.start << "," << r.length;
    EXPECT_EQ(InputBitsAPI(file, r.start, r.length), r.want) << r.start << "," << r.length;
  }
}

// A file that holds exactly the failure text is data to readBits, and only a failure is nullopt.
TEST_F(Content, ReadBitsTellsFailureApartFromData) {
  const std::string file = make("err", "A_Err");
  EXPECT_EQ(readBits(file), std::optional<std::string>("A_Err"));
  EXPECT_EQ(readBits(make("empty", "")), std::optional<std::string>(""));
  EXPECT_EQ(readBits(path("missing")), std::nullopt);
  EXPECT_EQ(readBits(dir_), std::nullopt);
  EXPECT_EQ(readBits(fifo("p"), 1, 10), std::nullopt);
}

TEST_F(Content, InputBitsGivesAErrForMissingAndNonRegularFiles) {
  EXPECT_EQ(InputBits(path("missing")), "A_Err");
  EXPECT_EQ(InputBits("relative"), "A_Err");
  EXPECT_EQ(InputBits(dir_), "A_Err");
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(InputBitsAPI(fifo("pipe"), 1, 10), "A_Err");
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
}

// A stored file far beyond its kind (a sparse 3 GB file: no disk used) is refused unread; a
// file of exactly the cap reads.
TEST_F(Content, ReadCappedRefusesFilesBeyondTheCapUnread) {
  const std::string huge = make("huge.qw", "");
  fs::resize_file(huge, std::uintmax_t{3} << 30);
  const CappedRead big = readCapped(huge);
  EXPECT_TRUE(big.tooLarge);
  EXPECT_FALSE(big.data);
  const std::string five = make("five.txt", "12345");
  EXPECT_EQ(readCapped(five, 5).data, std::optional<std::string>("12345"));
  EXPECT_TRUE(readCapped(five, 4).tooLarge);
  const CappedRead none = readCapped(path("none.txt"), 4);
  EXPECT_FALSE(none.data);
  EXPECT_FALSE(none.tooLarge);
}

TEST_F(Content, OutputBitsWritesInPlace) {
  const std::string file = make("f", "abcdefgh");
  EXPECT_EQ(OutputBits(file, 3, "XY"), 0);
  EXPECT_EQ(slurp(file), "abXYefgh");  // nothing truncated
  EXPECT_EQ(OutputBits(file, 1, ""), 0);
  EXPECT_EQ(slurp(file), "abXYefgh");
  EXPECT_EQ(OutputBits(path("created"), 1, "hdr"), 0);
  EXPECT_EQ(slurp(path("created")), "hdr");
  EXPECT_EQ(OutputBits(fifo("pipe"), 1, "x"), 1);
  EXPECT_EQ(OutputBits(path("nofolder/f"), 1, "x"), 1);
}

}  // namespace
}  // namespace core
