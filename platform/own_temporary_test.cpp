// The program's own temporary files: the sweep removes a leftover only when it is provably the
// program's (never the user's look-alike, a copy of a leftover, a link, or a file being written),
// a listing tells them apart, and a sweep in another process never takes a file being written.
#include "platform/own_temporary.h"

#include "core/file_test_fixture.h"
#include "platform/own_temporary_test_support.h"
#include "platform/replacement_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

class OwnTemporaryTest : public core::testing::FileFixture {
 protected:
  void SetUp() override {
    FileFixture::SetUp();
    if (const std::string why = testing::userXattrsMissing(dir_); !why.empty()) GTEST_SKIP() << why;
    dirFd_ = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(dirFd_, 0);
  }
  void TearDown() override {
    if (dirFd_ >= 0) ::close(dirFd_);
    FileFixture::TearDown();
  }
  // A copy of file as cp -a makes it: the bytes and the extended attributes, in a new inode.
  std::string copyWithXattrs(const std::string& from, const std::string& name) {
    const std::string to = make(name, slurp(from));
    char value[128];
    const ssize_t n = ::getxattr(from.c_str(), kTemporaryXattr, value, sizeof value);
    EXPECT_GT(n, 0) << "the leftover carries no mark";
    if (n > 0) {
      EXPECT_EQ(::setxattr(to.c_str(), kTemporaryXattr, value, static_cast<std::size_t>(n), 0), 0);
    }
    return to;
  }
  int dirFd_ = -1;
};

// What stays and what goes, and what a listing counts as the program's own.
TEST_F(OwnTemporaryTest, OnlyAProvenLeftoverGoes) {
  const std::string leftover = testing::abandonedTemporary(path("report.txt"));
  ASSERT_FALSE(leftover.empty());
  const std::string name = fs::path(leftover).filename().string();
  const std::string lookAlike = make(testing::kLookAlike, "the user's");
  const std::string copy = copyWithXattrs(leftover, ".report.txt.vdkcopied00");
  ASSERT_EQ(::symlink(leftover.c_str(), path(".link.txt.vdklinked00").c_str()), 0);
  ReplacementFile live;
  ASSERT_EQ(live.create(path("live.txt")), 0);
  ASSERT_EQ(live.write("being written"), 0);
  const std::string liveName = fs::path(live.path()).filename().string();

  struct Row {
    std::string name;
    bool ours;  // isOwnTemporaryAt
  };
  for (const Row& row : {Row{name, true}, Row{liveName, true}, Row{testing::kLookAlike, false},
                         Row{".report.txt.vdkcopied00", false}, Row{".link.txt.vdklinked00", false}})
    EXPECT_EQ(isOwnTemporaryAt(dirFd_, row.name.c_str()), row.ours) << row.name;

  EXPECT_EQ(removeStaleTemporaries(dir_), 1);
  EXPECT_FALSE(fs::exists(leftover));
  EXPECT_EQ(slurp(lookAlike), "the user's");
  EXPECT_EQ(slurp(copy), "partial");
  EXPECT_TRUE(fs::is_symlink(path(".link.txt.vdklinked00")));
  ASSERT_TRUE(fs::exists(live.path())) << "its writer holds it";
  ASSERT_EQ(live.commitNew(Durability::OnlyCopyAtStake), 0);
  EXPECT_EQ(slurp(path("live.txt")), "being written");
  char value[128];
  EXPECT_LT(::getxattr(path("live.txt").c_str(), kTemporaryXattr, value, sizeof value), 0)
      << "a committed file keeps no mark";
}

// A file the program rewrote keeps the user's own attributes but never a mark of a temporary,
// and a new temporary made from it is marked for itself.
TEST_F(OwnTemporaryTest, TheMarkIsNeverCarriedOverToAnotherFile) {
  const std::string leftover = testing::abandonedTemporary(path("doc.txt"));
  ASSERT_FALSE(leftover.empty());
  const std::string doc = make("doc.txt", "old");
  ASSERT_EQ(::setxattr(doc.c_str(), "user.note", "n", 1, 0), 0);
  char value[128];
  const ssize_t n = ::getxattr(leftover.c_str(), kTemporaryXattr, value, sizeof value);
  ASSERT_GT(n, 0);
  ASSERT_EQ(::setxattr(doc.c_str(), kTemporaryXattr, value, static_cast<std::size_t>(n), 0), 0);  // a stray mark
  ReplacementFile out;
  ASSERT_EQ(out.create(doc), 0);
  ASSERT_EQ(out.keepMetadataOf(doc), 0);
  EXPECT_TRUE(isOwnTemporaryAt(dirFd_, fs::path(out.path()).filename().c_str()));
  ASSERT_EQ(out.commit(), 0);
  EXPECT_EQ(::getxattr(doc.c_str(), "user.note", value, sizeof value), 1);
  EXPECT_LT(::getxattr(doc.c_str(), kTemporaryXattr, value, sizeof value), 0);
}

// A writer process makes and commits temporaries (named ones for new files, and unnamed ones that
// take a temporary name to replace a file) while this process sweeps the folder: no write ever
// loses its file.
TEST_F(OwnTemporaryTest, ASweepInAnotherProcessNeverTakesAFileBeingWritten) {
  constexpr int kRounds = 3000;
  make("target.txt", "first");
  const pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    int failed = 0;
    for (int i = 0; i < kRounds; ++i) {
      ReplacementFile out;
      const bool replaces = i % 20 == 0;
      const std::string target = path(replaces ? "target.txt" : "new" + std::to_string(i) + ".txt");
      const int err = replaces ? out.createUnnamedIn(-1, target, 0600) : out.create(target);
      if (err != 0 || out.write("round " + std::to_string(i)) != 0 ||
          (replaces ? out.commit() : out.commitNew(Durability::SourceStays)) != 0)
        ++failed;
    }
    ::_exit(failed > 100 ? 100 : failed);
  }
  int removed = 0, status = 0, sweeps = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  for (;;) {
    removed += removeStaleTemporaries(dir_);
    ++sweeps;
    const pid_t done = ::waitpid(writer, &status, WNOHANG);
    if (done == writer) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(writer, SIGKILL);
      ::waitpid(writer, &status, 0);
      FAIL() << "the writer did not finish";
    }
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "writes that lost their file, over " << sweeps << " sweeps";
  EXPECT_EQ(removed, 0);
  EXPECT_GT(sweeps, 1) << "no sweep overlapped the writes";
}

}  // namespace
}  // namespace platform
