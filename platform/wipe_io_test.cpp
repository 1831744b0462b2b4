// Overwriting in place for the wipe: only a regular file with one name, reached without a link,
// is ever opened; a read-only file of the user's own is made writable for the wipe and given its
// bits back; a write that runs out of room says how much reached the file.
#include "platform/wipe_io.h"

#include "core/file_test_fixture.h"
#include "platform/fault_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

class WipeIoTest : public core::testing::FileFixture {};

TEST_F(WipeIoTest, OverwritesInPlaceAndCutsToZero) {
  const std::string p = make("secret", "0123456789");
  WipeFile f;
  ASSERT_EQ(f.open(p), 0);
  EXPECT_EQ(f.size(), 10u);
  std::uint64_t wrote = 0;
  EXPECT_EQ(f.writeAt(2, "abc", wrote), 0);
  EXPECT_EQ(wrote, 3u);
  EXPECT_EQ(f.sync(), 0);
  EXPECT_EQ(slurp(p), "01abc56789");
  EXPECT_EQ(f.truncate(), 0);
  EXPECT_EQ(f.close(), 0);
  EXPECT_EQ(fs::file_size(p), 0u);
}

TEST_F(WipeIoTest, RefusesWhatWouldNotWipeTheDataAndChangesNothing) {
  const std::string target = make("target", "secret");
  struct Case {
    const char* name;
    std::function<std::string()> make;
    int error;
  };
  const std::vector<Case> cases = {
      {"symlink to a file", [&] { fs::create_symlink(target, path("link")); return path("link"); }, ELOOP},
      {"fifo", [&] { return fifo("fifo"); }, EINVAL},
      {"folder", [&] { fs::create_directory(path("sub")); return path("sub"); }, EINVAL},
      {"second hard link", [&] { fs::create_hard_link(target, path("hard")); return path("hard"); }, EMLINK},
      {"missing", [&] { return path("none"); }, ENOENT},
  };
  for (const Case& c : cases) {
    WipeFile f;
    EXPECT_EQ(f.open(c.make()), c.error) << c.name;
    EXPECT_FALSE(f.isOpen()) << c.name;
  }
  EXPECT_EQ(slurp(target), "secret");
  EXPECT_FALSE(fs::exists(path("none")));
}

TEST_F(WipeIoTest, AnotherFileUnderTheListedNameIsRefused) {
  const std::string p = make("a", "first");
  const WipeIdentity listed = describeForWipe(p).identity;
  fs::remove(p);
  make("b", "other");  // keeps the old inode from being reused at once
  make("a", "second");
  WipeFile f;
  EXPECT_EQ(f.open(p, &listed), ESTALE);
  EXPECT_EQ(slurp(p), "second");
}

TEST_F(WipeIoTest, ReadOnlyFileOfTheUsersOwnIsWritableForTheWipeOnly) {
  const std::string p = make("ro", "secret");
  ASSERT_EQ(::chmod(p.c_str(), 0444), 0);
  // As an ordinary user, whoever runs the test: root would write without asking.
  const testing::ChildOutcome out = testing::runInChild([&]() -> std::string {
    if (::geteuid() == 0) {
      if (::chown(root_.c_str(), 65534, 65534) != 0 || ::chown(dir_.c_str(), 65534, 65534) != 0 ||
          ::chown(p.c_str(), 65534, 65534) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
          ::setresuid(65534, 65534, 65534) != 0)
        return "no user switch";
    }
    WipeFile f;
    if (const int err = f.open(p); err != 0) return "open " + std::to_string(err);
    std::uint64_t wrote = 0;
    if (f.writeAt(0, "XXXXXX", wrote) != 0) return "write";
    struct stat during {};
    ::stat(p.c_str(), &during);
    if (f.restoreMode() != 0) return "restore";
    struct stat after {};
    ::stat(p.c_str(), &after);
    return std::to_string(during.st_mode & 0777) + " " + std::to_string(after.st_mode & 0777);
  });
  ASSERT_TRUE(out.exited);
  if (out.report == "no user switch") GTEST_SKIP() << "cannot switch to an ordinary user here";
  EXPECT_EQ(out.report, std::to_string(0644) + " " + std::to_string(0444));
  EXPECT_EQ(slurp(p), "XXXXXX");
}

TEST_F(WipeIoTest, WriteThatRunsOutOfRoomReportsWhatReachedTheFile) {
  WipeFile f;
  ASSERT_EQ(f.create(path("fill")), 0);
  EXPECT_EQ(f.create(path("fill")), EBUSY);
  WipeFile again;
  EXPECT_EQ(again.create(path("fill")), EEXIST);
  const std::string block(150000, 'r');
  std::uint64_t wrote = 0;
  int err = 0;
  {
    const testing::ScopedFileSizeLimit limit(100000);
    err = f.writeAt(0, block, wrote);
  }
  EXPECT_EQ(err, EFBIG);
  EXPECT_EQ(wrote, 100000u);
  EXPECT_EQ(fs::file_size(path("fill")), 100000u);
}

TEST_F(WipeIoTest, PrivateFolderIsNewAndOnlyTheUsers) {
  std::string a, b;
  ASSERT_EQ(makePrivateFolder(dir_, ".wipe-", a), 0);
  ASSERT_EQ(makePrivateFolder(dir_, ".wipe-", b), 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(a.back(), '/');
  EXPECT_EQ(a.rfind(dir_ + ".wipe-", 0), 0u);
  EXPECT_EQ(mode(a.substr(0, a.size() - 1)), 0700u);
  EXPECT_EQ(makePrivateFolder(path("missing"), ".wipe-", a), ENOENT);
  EXPECT_TRUE(a.empty());
}

TEST_F(WipeIoTest, RandomBytesAndBlockCounts) {
  unsigned char x[64] = {}, y[64] = {};
  ASSERT_EQ(systemRandomBytes(x, sizeof x), 0);
  ASSERT_EQ(systemRandomBytes(y, sizeof y), 0);
  EXPECT_NE(std::vector<unsigned char>(x, x + 64), std::vector<unsigned char>(y, y + 64));
  const BlockCounts b = fileSystemBlocks(dir_);
  EXPECT_EQ(b.error, 0);
  EXPECT_GT(b.blockSize, 0u);
  EXPECT_LE(b.availBlocks, b.freeBlocks);
  EXPECT_EQ(fileSystemBlocks(path("missing")).error, ENOENT);
}

}  // namespace
}  // namespace platform
