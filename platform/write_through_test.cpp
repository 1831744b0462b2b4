// The wipe's flush and truncation: regular files only, never through a link, never waiting on a
// FIFO, never creating a file.
#include "platform/write_through.h"

#include "core/file_test_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

class WriteThroughTest : public core::testing::FileFixture {
 protected:
  void SetUp() override {
    FileFixture::SetUp();
    target_ = make("target", "secret");
  }
  std::string target_;
};

TEST_F(WriteThroughTest, RegularFilesAreSyncedOrCutToZero) {
  EXPECT_EQ(syncFileData(target_), 0);
  EXPECT_EQ(fs::file_size(target_), 6u);
  EXPECT_EQ(truncateToZero(target_), 0);
  EXPECT_EQ(fs::file_size(target_), 0u);
}

TEST_F(WriteThroughTest, AnythingElseIsRefusedAndTheFileItNamesIsLeftAlone) {
  struct Case {
    const char* name;
    std::function<std::string()> make;
    int error;
  };
  const std::vector<Case> cases = {
      {"symlink to a file", [&] { fs::create_symlink(target_, path("link")); return path("link"); }, ELOOP},
      {"fifo", [&] { return fifo("fifo"); }, EINVAL},
      {"folder", [&] { fs::create_directory(path("sub")); return path("sub"); }, EINVAL},
      {"missing", [&] { return path("none"); }, ENOENT},
  };
  for (const Case& c : cases) {
    const std::string p = c.make();
    EXPECT_EQ(syncFileData(p), c.error) << c.name;
    EXPECT_EQ(truncateToZero(p), c.error) << c.name;
  }
  EXPECT_EQ(fs::file_size(target_), 6u);
  EXPECT_FALSE(fs::exists(path("none")));
}

}  // namespace
}  // namespace platform
