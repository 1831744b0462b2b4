// New files written from scratch: under a temporary name until whole, holes kept.
#include "platform/new_file.h"

#include "core/file_test_fixture.h"
#include "platform/test_trees.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

using NewFileTest = core::testing::FileFixture;

TEST_F(NewFileTest, ItsNameHoldsNothingUntilItIsWholeAndNeverAnotherFile) {
  NewFile file;
  ASSERT_EQ(file.create(path("out")), 0);
  ASSERT_EQ(file.write("half"), 0);
  EXPECT_FALSE(std::filesystem::exists(path("out")));
  EXPECT_TRUE(isTemporaryName(std::filesystem::path(file.temporaryPath()).filename().string()))
      << file.temporaryPath();
  ASSERT_EQ(file.write(" and the rest"), 0);
  ASSERT_EQ(file.finish(Durability::SourceStays), 0);
  EXPECT_EQ(slurp(path("out")), "half and the rest");
  EXPECT_EQ(names(), std::vector<std::string>{"out"});

  // A name taken meanwhile stays as it is; the unfinished file goes with abandon.
  NewFile second;
  ASSERT_EQ(second.create(path("taken")), 0);
  ASSERT_EQ(second.write("new"), 0);
  make("taken", "someone else's");
  EXPECT_EQ(second.finish(Durability::OnlyCopyAtStake), EEXIST);
  EXPECT_EQ(second.abandon(), 0);
  EXPECT_EQ(slurp(path("taken")), "someone else's");
  EXPECT_EQ(names(), (std::vector<std::string>{"out", "taken"}));
}

// Pieces of a sparse file, and a file joined from them, keep its holes.
TEST_F(NewFileTest, AppendedRangesKeepTheSourcesHoles) {
  const std::string src = path("sparse");
  ASSERT_TRUE(platform::testing::makeSparseFile(src, std::uint64_t{32} << 20,
                                                {{std::uint64_t{20} << 20, std::string(8192, 'd')}}));
  struct stat st {};
  ASSERT_EQ(::stat(src.c_str(), &st), 0);
  if (st.st_blocks * 512 > (std::int64_t{1} << 20)) GTEST_SKIP() << "this file system keeps no holes";
  const int fd = ::open(src.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  NewFile out;
  ASSERT_EQ(out.create(path("joined")), 0);
  const std::uint64_t half = std::uint64_t{16} << 20;
  ASSERT_EQ(out.reserveFor(fd, 2 * half), 0) << "nothing is set aside for a file with holes";
  ASSERT_EQ(out.appendFrom(fd, 0, half), 0);      // all hole
  ASSERT_EQ(out.appendFrom(fd, half, half), 0);   // the data, and a hole to the end
  EXPECT_EQ(out.appendFrom(fd, 2 * half, 1), EIO) << "the source ends there";
  ::close(fd);
  ASSERT_EQ(out.finish(Durability::SourceStays), 0);
  struct stat joined {};
  ASSERT_EQ(::stat(path("joined").c_str(), &joined), 0);
  EXPECT_EQ(joined.st_size, st.st_size);
  EXPECT_LE(joined.st_blocks, st.st_blocks + 64) << "holes were filled";
  EXPECT_TRUE(slurp(path("joined")) == slurp(src)) << "the joined file differs";
}

// Room set aside for a whole source and then not all used (the join stopped midway) is given back:
// the file kept shows, and holds on the disk, only what was written.
TEST_F(NewFileTest, RoomSetAsideButNotWrittenIsGivenBackWhenTheFileIsKept) {
  const std::uint64_t full = std::uint64_t{8} << 20, written = std::uint64_t{1} << 20;
  make("dense", std::string(full, 'x'));
  const int fd = ::open(path("dense").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  NewFile out;
  ASSERT_EQ(out.create(path("joined")), 0);
  const int reserved = out.reserveFor(fd, full);
  EXPECT_TRUE(reserved == 0 || reserved == EOPNOTSUPP) << std::strerror(reserved);
  ASSERT_EQ(out.appendFrom(fd, 0, written), 0);
  ::close(fd);
  ASSERT_EQ(out.keepAs(path("kept")), 0);
  struct stat kept {};
  ASSERT_EQ(::stat(path("kept").c_str(), &kept), 0);
  EXPECT_EQ(static_cast<std::uint64_t>(kept.st_size), written);
  EXPECT_LT(static_cast<std::uint64_t>(kept.st_blocks) * 512, written + (std::uint64_t{1} << 20))
      << "the room set aside past the end stayed taken";
  EXPECT_EQ(slurp(path("kept")), std::string(written, 'x'));
}

}  // namespace
}  // namespace platform
