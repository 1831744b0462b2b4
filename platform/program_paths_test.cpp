// The scratch and runtime folders: only a real folder of the user's own with mode 0700 is used;
// a symlink planted under the name (even one to a private folder) or an open folder is refused.
#include "platform/program_paths.h"
#include "platform/test_home.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

class ProgramPathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vdk-paths-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    home_.emplace(root_, testing::IsolatedHome::perVariable("env/"));
    // A private folder another program made: the target of the planted links.
    private_ = root_ + "/private";
    fs::create_directory(private_);
    ::chmod(private_.c_str(), 0700);
  }
  void TearDown() override {
    home_.reset();
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  static unsigned modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
  std::string root_, private_;
  std::optional<testing::IsolatedHome> home_;
};

TEST_F(ProgramPathsTest, TempFolderIsARealPrivateFolderOfOurOwn) {
  const std::string tmp = root_ + "/env/TMPDIR/";
  const std::string ours = tmp + "vardulek-" + std::to_string(::getuid());
  struct Row {
    const char* name;
    void (*plant)(const std::string& ours, const std::string& target);
    bool used;
  };
  const Row rows[] = {
      {"missing: made", [](const std::string&, const std::string&) {}, true},
      {"ours already", [](const std::string& p, const std::string&) { ::mkdir(p.c_str(), 0700); }, true},
      {"open to others", [](const std::string& p, const std::string&) {
         ::mkdir(p.c_str(), 0700);
         ::chmod(p.c_str(), 0755);
       }, false},
      {"a planted link", [](const std::string& p, const std::string& target) {
         fs::create_directory_symlink(target, p);
       }, false},
  };
  for (const Row& row : rows) {
    std::error_code ec;
    fs::remove_all(ours, ec);
    row.plant(ours, private_);
    const std::string got = tempDir();
    if (row.used) {
      EXPECT_EQ(got, ours + "/") << row.name;
      EXPECT_EQ(modeOf(ours), 0700u) << row.name;
    } else {
      EXPECT_EQ(got, appDataDir()) << row.name;
    }
  }
}

TEST_F(ProgramPathsTest, RuntimeFolderMustBePrivateToo) {
  const std::string run = root_ + "/env/XDG_RUNTIME_DIR";
  EXPECT_EQ(runtimeDir(), run + "/");
  ASSERT_EQ(::chmod(run.c_str(), 0755), 0);
  EXPECT_EQ(runtimeDir(), tempDir()) << "open to others";
  const std::string link = root_ + "/run-link";
  fs::create_directory_symlink(private_, link);
  ::setenv("XDG_RUNTIME_DIR", (link + "/").c_str(), 1);
  EXPECT_EQ(runtimeDir(), tempDir()) << "a link, even with a trailing slash";
}

}  // namespace
}  // namespace platform
