// Replacing a file through a temporary file beside it, and watching the original for changes while
// it is read, on a real temporary folder.
#include "platform/replacement_file.h"

#include "core/file_test_fixture.h"
#include "platform/fault_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

// The core's temporary-folder fixture is header-only and needs nothing of the core.
using ReplacementTest = core::testing::FileFixture;

TEST_F(ReplacementTest, TheTargetChangesOnlyAtCommitAndKeepsItsMetadata) {
  const std::string file = make("doc.txt", "old");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  const bool xattrs = ::setxattr(file.c_str(), "user.note", "v", 1, 0) == 0;
  OriginalFile original;
  ASSERT_EQ(original.open(file), 0);

  ReplacementFile out;
  ASSERT_EQ(out.create(file), 0);
  EXPECT_EQ(mode(out.path()), 0600u);  // private while it is written
  ASSERT_EQ(out.write("new "), 0);
  ASSERT_EQ(out.write(std::string("pieces\0", 7)), 0);
  EXPECT_EQ(slurp(file), "old");
  EXPECT_EQ(out.keepMetadataOf(original.fd()), 0);
  ASSERT_EQ(out.commit(), 0);

  EXPECT_EQ(slurp(file), std::string("new pieces\0", 11));
  EXPECT_EQ(mode(file), 0640u);
  if (xattrs) {
    char v[4] = {};
    EXPECT_EQ(::getxattr(file.c_str(), "user.note", v, sizeof v), 1);
  }
  EXPECT_EQ(names(), std::vector<std::string>{"doc.txt"});
}

TEST_F(ReplacementTest, DiscardOrDestructionLeavesTheTargetAndNoTemporaryFile) {
  const std::string file = make("doc.txt", "old");
  {
    ReplacementFile dropped;
    ASSERT_EQ(dropped.create(file), 0);
    ASSERT_EQ(dropped.write("new"), 0);
  }
  ReplacementFile out;
  ASSERT_EQ(out.create(file), 0);
  ASSERT_EQ(out.write("new"), 0);
  ASSERT_EQ(out.sync(), 0);
  EXPECT_EQ(out.discard(), 0);
  EXPECT_NE(out.commit(), 0);  // nothing left to commit
  EXPECT_EQ(slurp(file), "old");
  EXPECT_EQ(names(), std::vector<std::string>{"doc.txt"});
}

// A commit that swaps the two names keeps the old file until it is told: kept, the new contents
// stay alone at the target; undone, the old file is back at the target and the new one goes.
TEST_F(ReplacementTest, AnExchangingCommitIsKeptOrUndone) {
  for (const bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "kept" : "undone");
    const std::string file = make("doc.txt", "old");
    ReplacementFile out;
    ASSERT_EQ(out.create(file), 0);
    ASSERT_EQ(out.write("new"), 0);
    ASSERT_EQ(out.commitExchanging(true), 0);
    if (!out.exchanged()) GTEST_SKIP() << "this file system swaps no names: the commit replaced the file";
    EXPECT_EQ(slurp(file), "new");
    EXPECT_EQ(slurp(out.path()), "old");
    if (keep) {
      EXPECT_EQ(out.keepExchanged(true), 0);
    } else {
      EXPECT_EQ(out.undoExchange(), 0);
      EXPECT_EQ(out.discard(), 0);
    }
    EXPECT_EQ(slurp(file), keep ? "new" : "old");
    EXPECT_EQ(names(), std::vector<std::string>{"doc.txt"});
    std::filesystem::remove(file);
  }
}

// A new file made without a name: nothing shows in the folder until its commit, which never takes
// a name that something came to hold meanwhile; a replacing commit still goes over the old file.
TEST_F(ReplacementTest, AnUnnamedFileAppearsOnlyAtItsCommit) {
  struct Case {
    const char* name;
    bool taken;    // something comes to hold the name while the file is written
    bool replace;  // committed over what holds the name
  };
  for (const Case c : {Case{"free", false, false}, Case{"taken", true, false}, Case{"replaced", true, true}}) {
    SCOPED_TRACE(c.name);
    const std::string target = path(c.name);
    const std::vector<std::string> before = names();
    ReplacementFile out;
    ASSERT_EQ(out.createUnnamedIn(-1, target, 0640), 0);
    ASSERT_EQ(out.write("new"), 0);
    EXPECT_EQ(slurp(out.path()), "new");
    EXPECT_EQ(names(), before);
    if (c.taken) make(c.name, "came meanwhile");
    const int err = c.replace ? out.commit() : out.commitNew(Durability::OnlyCopyAtStake);
    if (c.taken && !c.replace) {
      EXPECT_EQ(err, EEXIST);
      EXPECT_EQ(out.discard(), 0);
      EXPECT_EQ(slurp(target), "came meanwhile");
    } else {
      ASSERT_EQ(err, 0);
      EXPECT_EQ(slurp(target), "new");
    }
  }
  EXPECT_EQ(names(), (std::vector<std::string>{"free", "replaced", "taken"}));
}

TEST_F(ReplacementTest, AWriteThatRunsOutOfSpaceFailsAndLeavesTheTarget) {
  // A file-size limit stands in for a full disk, even for root.
  const std::string file = make("doc.txt", "old");
  ReplacementFile out;
  ASSERT_EQ(out.create(file), 0);
  int err = 0;
  {
    const testing::ScopedFileSizeLimit limit(4);
    err = out.write("longer than four bytes");
  }
  EXPECT_EQ(err, EFBIG);
  EXPECT_EQ(out.discard(), 0);
  EXPECT_EQ(slurp(file), "old");
  EXPECT_EQ(names(), std::vector<std::string>{"doc.txt"});
}

TEST_F(ReplacementTest, OriginalFileRefusesWhatIsNotARegularFile) {
  const std::string file = make("f", "x");
  fs::create_symlink(file, path("link"));
  fifo("fifo");
  OriginalFile original;
  EXPECT_EQ(original.open(path("link")), ELOOP);
  EXPECT_EQ(original.open(path("fifo")), EINVAL);  // refused at once, never waited on
  EXPECT_EQ(original.open(dir_), EINVAL);
  EXPECT_EQ(original.open(path("none")), ENOENT);
}

TEST_F(ReplacementTest, OriginalFileNoticesEveryKindOfChange) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> change;
  };
  const std::vector<Case> cases = {
      {"untouched", [](const std::string&) {}},
      {"appended", [](const std::string& p) { std::ofstream(p, std::ios::app) << "more"; }},
      {"same size", [](const std::string& p) {
         const int fd = ::open(p.c_str(), O_WRONLY);
         ASSERT_EQ(::pwrite(fd, "X", 1, 0), 1);
         ::close(fd);
       }},
      {"permissions", [](const std::string& p) { ::chmod(p.c_str(), 0600); }},
      {"another file put there", [this](const std::string& p) {
         const std::string other = make("other", "0123456789");
         ::rename(other.c_str(), p.c_str());
       }},
  };
  for (const Case& c : cases) {
    const std::string file = make("f", "0123456789");
    ::chmod(file.c_str(), 0644);
    OriginalFile original;
    ASSERT_EQ(original.open(file), 0) << c.name;
    std::string piece;
    ASSERT_EQ(original.read(2, 3, piece), 0) << c.name;
    EXPECT_EQ(piece, "234");
    // Let the clock move on, so that a change within the same tick cannot hide in the times.
    ::usleep(5000);
    c.change(file);
    EXPECT_EQ(original.unchanged(), std::string(c.name) == "untouched") << c.name;
  }
  // A file cut short ends the reading of a range that it no longer holds.
  const std::string file = make("f", "0123456789");
  OriginalFile original;
  ASSERT_EQ(original.open(file), 0);
  ASSERT_EQ(::truncate(file.c_str(), 4), 0);
  std::string piece;
  EXPECT_EQ(original.read(2, 3, piece), ENODATA);
}

}  // namespace
}  // namespace platform
