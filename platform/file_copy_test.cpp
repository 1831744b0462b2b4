// Copying a file in pieces into a new file or over an existing one, on a real temporary folder
// (and across file systems, into a private tmpfs, where this machine allows mounts).
#include "platform/file_copy.h"

#include "core/file_test_fixture.h"
#include "platform/fault_test_support.h"
#include "platform/test_trees.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

using FileCopyTest = core::testing::FileFixture;

std::string patterned(std::size_t n) {
  std::string data(n, 'x');
  for (std::size_t i = 0; i < n; i += 977) data[i] = static_cast<char>(i % 251);
  return data;
}

int copyAll(FileCopy& copy, std::uint64_t piece) {
  while (!copy.complete()) {
    if (const int err = copy.copyPiece(piece); err != 0) return err;
  }
  return 0;
}

// Permission bits as cp gives them: the source's, less the umask.
TEST_F(FileCopyTest, ANewCopyHoldsTheBytesAndTheSourcesPermissionBits) {
  const mode_t oldMask = ::umask(022);
  struct Case {
    mode_t source, copy;
  };
  for (const Case c : {Case{0600, 0600}, Case{0755, 0755}, Case{0444, 0444}, Case{0666, 0644}, Case{04755, 0755}}) {
    const std::string src = make("src", patterned(2500001));
    ASSERT_EQ(::chmod(src.c_str(), c.source), 0);
    FileCopy copy;
    ASSERT_EQ(copy.open(src, path("dst"), CopyTarget::New), 0);
    EXPECT_EQ(copy.copyMode(), static_cast<long>(c.copy)) << std::oct << c.source;  // never wider while written
    ASSERT_EQ(copyAll(copy, 1000000), 0);
    EXPECT_EQ(copy.copied(), 2500001u);
    EXPECT_TRUE(copy.sourceUnchanged());
    ASSERT_EQ(copy.commit(), 0);
    EXPECT_EQ(slurp(path("dst")), slurp(src));
    EXPECT_EQ(mode(path("dst")), c.copy) << std::oct << c.source;
    std::filesystem::remove(path("dst"));
  }
  ::umask(oldMask);
}

TEST_F(FileCopyTest, ANewCopyNeverWritesIntoWhatHoldsTheName) {
  const std::string src = make("src", "new");
  const std::string other = make("other", "keep");
  ASSERT_EQ(::symlink(other.c_str(), path("link").c_str()), 0);
  FileCopy copy;
  EXPECT_EQ(copy.open(src, other, CopyTarget::New), EEXIST);
  EXPECT_EQ(copy.open(src, path("link"), CopyTarget::New), EEXIST);
  EXPECT_EQ(slurp(other), "keep");
  EXPECT_EQ(copy.open(path("missing"), path("m2"), CopyTarget::New), ENOENT);
  EXPECT_EQ(copy.open(fifo("pipe"), path("p2"), CopyTarget::New), EINVAL);
  EXPECT_EQ(copy.open(dir_, path("d2"), CopyTarget::New), EISDIR);
  EXPECT_EQ(names(), (std::vector<std::string>{"link", "other", "pipe", "src"}));
}

TEST_F(FileCopyTest, AnUncommittedCopyIsRemoved) {
  const std::string src = make("src", patterned(3000));
  {
    FileCopy copy;
    ASSERT_EQ(copy.open(src, path("dst"), CopyTarget::New), 0);
    ASSERT_EQ(copy.copyPiece(1000), 0);
  }
  const std::string old = make("old", "old");
  {
    FileCopy copy;
    ASSERT_EQ(copy.open(src, old, CopyTarget::Replacing), 0);
    ASSERT_EQ(copyAll(copy, 1000), 0);
    EXPECT_EQ(copy.abandon(), 0);
  }
  EXPECT_EQ(names(), (std::vector<std::string>{"old", "src"}));
  EXPECT_EQ(slurp(old), "old");
}

TEST_F(FileCopyTest, AReplacingCopyTakesTheTargetsPlaceOnlyAtCommit) {
  const std::string src = make("src", patterned(5000));
  ASSERT_EQ(::chmod(src.c_str(), 0700), 0);
  const std::string old = make("target", "old contents");
  ASSERT_EQ(::chmod(old.c_str(), 0644), 0);
  FileCopy copy;
  ASSERT_EQ(copy.open(src, old, CopyTarget::Replacing), 0);
  EXPECT_NE(copy.copyPath(), old);
  ASSERT_EQ(copyAll(copy, 4096), 0);
  EXPECT_EQ(slurp(old), "old contents");
  ASSERT_EQ(copy.commit(), 0);
  EXPECT_EQ(slurp(old), slurp(src));
  EXPECT_EQ(mode(old), 0700u);
  EXPECT_EQ(names(), (std::vector<std::string>{"src", "target"}));
}

// What a move must see before it deletes its source.
TEST_F(FileCopyTest, AChangedSourceIsNoticed) {
  const std::string src = make("src", patterned(4000));
  {
    FileCopy copy;
    ASSERT_EQ(copy.open(src, path("a"), CopyTarget::New), 0);
    ASSERT_EQ(copy.copyPiece(1000), 0);
    std::ofstream(src, std::ios::app) << "more";
    ASSERT_EQ(copyAll(copy, 1000), 0);
    EXPECT_FALSE(copy.sourceUnchanged());
  }
  {
    FileCopy copy;
    ASSERT_EQ(copy.open(src, path("b"), CopyTarget::New), 0);
    ASSERT_EQ(::truncate(src.c_str(), 100), 0);
    EXPECT_EQ(copyAll(copy, 1000), ENODATA);
  }
  {
    FileCopy copy;
    ASSERT_EQ(copy.open(src, path("c"), CopyTarget::New), 0);
    ASSERT_EQ(copyAll(copy, 1000), 0);
    std::filesystem::rename(src, path("moved"));
    make("src", std::string(100, 'x'));  // another file at the source's path
    EXPECT_FALSE(copy.sourceUnchanged());
  }
}

// copy_file_range does not cross into a tmpfs: the buffer takes over, and a full disk is an error.
TEST_F(FileCopyTest, ACopyIntoAnotherFileSystemFallsBackAndReportsAFullDisk) {
  const std::string src = make("src", patterned(300000));
  const std::string mnt = root_ + "/mnt";
  std::filesystem::create_directories(mnt);
  const auto outcome = testing::runInChild([&]() -> std::string {
    if (std::string why = testing::privateMounts(); !why.empty()) return "skip " + why;
    if (std::string why = testing::mountSmallTmpfs(mnt, 200000); !why.empty()) return "skip " + why;
    std::string report;
    {
      FileCopy copy;
      if (copy.open(src, mnt + "/small", CopyTarget::New) != 0) return "open failed";
      report += copyAll(copy, 100000) == ENOSPC ? "full;" : "not full;";
    }
    report += std::filesystem::exists(mnt + "/small") ? "left;" : "removed;";
    FileCopy copy;
    const std::string part = src + ".part";
    std::ofstream(part, std::ios::binary) << patterned(150000);
    if (copy.open(part, mnt + "/fits", CopyTarget::New) != 0 || copyAll(copy, 60000) != 0 || copy.sync() != 0 ||
        copy.commit() != 0)
      return report + "copy failed";
    std::ifstream in(mnt + "/fits", std::ios::binary);
    const std::string got((std::istreambuf_iterator<char>(in)), {});
    return report + (got == patterned(150000) ? "same" : "different");
  });
  ASSERT_TRUE(outcome.exited);
  if (outcome.report.rfind("skip", 0) == 0) GTEST_SKIP() << outcome.report;
  EXPECT_EQ(outcome.report, "full;removed;same");
}

// Holes stay holes, as cp --sparse=auto keeps them: a 32 MiB file with two small pieces of data
// takes the room of those pieces, in the copy as in the source.
TEST_F(FileCopyTest, ASparseFileStaysSparse) {
  const std::string src = path("sparse");
  ASSERT_TRUE(testing::makeSparseFile(src, std::uint64_t{32} << 20,
                                      {{std::uint64_t{10} << 20, std::string(8192, 'd')},
                                       {(std::uint64_t{32} << 20) - 5, "tail!"}}));
  struct stat st {};
  ASSERT_EQ(::stat(src.c_str(), &st), 0);
  if (st.st_blocks * 512 > (std::int64_t{1} << 20)) GTEST_SKIP() << "this file system keeps no holes";
  FileCopy copy;
  ASSERT_EQ(copy.open(src, path("dst"), CopyTarget::New), 0);
  ASSERT_EQ(copyAll(copy, 1000000), 0);
  ASSERT_EQ(copy.commit(), 0);
  struct stat out {};
  ASSERT_EQ(::stat(path("dst").c_str(), &out), 0);
  EXPECT_EQ(out.st_size, st.st_size);
  EXPECT_LE(out.st_blocks, st.st_blocks + 64) << "holes were filled";
  EXPECT_TRUE(slurp(path("dst")) == slurp(src)) << "the copy differs";
}

}  // namespace
}  // namespace platform
