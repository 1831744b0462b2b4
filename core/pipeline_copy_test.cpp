// The pipeline's copy steps on a real temporary folder: copies keep the source's permission bits,
// and an existing file is replaced only by a complete copy, after it went where the settings send
// deleted files.
#include "core/file_errors.h"
#include "core/pipeline_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>

namespace core::testing {
namespace {

unsigned modeOf(const std::string& path) {
  struct stat sb {};
  ::lstat(path.c_str(), &sb);
  return sb.st_mode & 07777;
}

class PipelineCopyTest : public PipelineTest {
 protected:
  std::string trashed(const std::string& name) const { return base_ + "env/XDG_DATA_HOME/Trash/files/" + name; }
  void recycle(bool on) {
    RunFlags flags;
    flags.useRecycle = on;
    pipe_.setFlags(flags);
  }
};

// cp keeps a private file private and a script runnable; so does every copy the tools make.
TEST_F(PipelineCopyTest, ACopyKeepsTheSourcesPermissionBits) {
  const mode_t oldMask = ::umask(022);
  for (const unsigned mode : {0600u, 0755u, 0640u}) {
    const std::string src = makeFile("src" + std::to_string(mode), "data");
    ASSERT_EQ(::chmod(src.c_str(), mode), 0);
    EXPECT_EQ(pipe_.copyFileChunked(src, src + ".copy"), 0);
    EXPECT_EQ(modeOf(src + ".copy"), mode) << std::oct << mode;
    const std::string old = makeFile("old" + std::to_string(mode), "old");
    EXPECT_EQ(pipe_.copyFileChunked(src, old, {.replace = true}), 0);
    EXPECT_EQ(modeOf(old), mode) << std::oct << mode;
  }
  ::umask(oldMask);
}

TEST_F(PipelineCopyTest, ReplacingPutsTheOldFileWhereTheSettingsSendDeletedFiles) {
  const std::string src = makeFile("src.txt", "new");
  for (const bool toTrash : {true, false}) {
    recycle(toTrash);
    const std::string name = toTrash ? "kept.txt" : "gone.txt";
    const std::string target = makeFile(name, "old " + name);
    RecordedSteps steps;
    {
      ScopedStepRecorder listening(pipe_, steps);
      EXPECT_EQ(pipe_.copyFileChunked(src, target, {.replace = true, .durable = true}), 0);
    }
    EXPECT_EQ(readAll(target), "new");
    EXPECT_EQ(std::filesystem::exists(trashed(name)), toTrash);
    if (toTrash) {
      EXPECT_EQ(readAll(trashed(name)), "old " + name);
    }
    ASSERT_EQ(steps.steps.size(), 1u);
    EXPECT_EQ(steps.steps[0].kind, StepKind::Copied);
  }
  // Nothing to replace: an ordinary copy.
  EXPECT_EQ(pipe_.copyFileChunked(src, root_ + "fresh.txt", {.replace = true}), 0);
  EXPECT_EQ(readAll(root_ + "fresh.txt"), "new");
}

TEST_F(PipelineCopyTest, AFailedReplacementLeavesTheOldFileAsItWas) {
  std::string data(2500000, 'n');
  const std::string src = makeFile("big.bin", data);
  const std::string target = makeFile("target.bin", "old");
  // Cancelled midway.
  host_.cancelAfterYields(1);
  EXPECT_EQ(pipe_.copyFileChunked(src, target, {.replace = true}), kCopyStopped);
  host_.cancel = CancelState::Running;
  // A folder or a link is never replaced.
  const std::string folder = makeDir("folder");
  ASSERT_EQ(::symlink(target.c_str(), (root_ + "link").c_str()), 0);
  EXPECT_EQ(pipe_.copyFileChunked(src, withoutTrailingSlashes(folder), {.replace = true}), 1);
  EXPECT_EQ(pipe_.copyFileChunked(src, root_ + "link", {.replace = true}), 1);
  // The trash refuses the old file: it stays, and the failure is logged.
  std::filesystem::create_directories(base_ + "env/XDG_DATA_HOME");
  std::ofstream(base_ + "env/XDG_DATA_HOME/Trash") << "a file where the trash folder belongs";
  EXPECT_EQ(pipe_.copyFileChunked(src, target, {.replace = true}), 1);
  EXPECT_EQ(pipe_.renameReplacing(src, target), kErrPathFileAccess);
  EXPECT_EQ(readAll(target), "old");
  EXPECT_EQ(readAll(src), data);
  EXPECT_EQ(pipe_.resultLines(), "{79}{80}" + target + "\r\n{79}{80}" + target + "\r\n");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(root_)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"big.bin", "folder", "link", "target.bin"}));
}

TEST_F(PipelineCopyTest, RenameReplacingMovesOverTheOldFile) {
  recycle(true);
  const std::string a = makeFile("a.txt", "a"), b = makeFile("b.txt", "old b");
  RecordedSteps steps;
  {
    ScopedStepRecorder listening(pipe_, steps);
    EXPECT_EQ(pipe_.renameReplacing(a, b), 0);
    EXPECT_EQ(pipe_.renameReplacing(b, root_ + "c.txt"), 0);  // nothing there: a plain rename
    EXPECT_EQ(pipe_.renameReplacing(root_ + "c.txt", withoutTrailingSlashes(makeDir("d"))), kErrFileExists);
  }
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_EQ(readAll(root_ + "c.txt"), "a");
  EXPECT_EQ(readAll(trashed("b.txt")), "old b");
  ASSERT_EQ(steps.steps.size(), 2u);
  EXPECT_EQ(steps.steps[0].kind, StepKind::Renamed);
  EXPECT_EQ(steps.steps[1].to, root_ + "c.txt");
}

}  // namespace
}  // namespace core::testing
