#include "core/pipeline_test_support.h"

#include <sys/stat.h>

namespace core::testing {
namespace {

enum class Kind { Text, Empty, Fifo, Device, Symlink, Locked, Missing };

struct UsableRow {
  const char* name;
  Kind kind;
  std::string content;
  bool protect, binaryTest, skipEmpty, log;
  int expected;
  std::string line;  // "" none; "P" stands for the path
};

class CheckFileUsable : public PipelineTest, public ::testing::WithParamInterface<UsableRow> {};

TEST_P(CheckFileUsable, RefusesWhatTheToolMustNotTouch) {
  const UsableRow& row = GetParam();
  std::string path;
  Access access = Access::ReadWrite;
  switch (row.kind) {
    case Kind::Text:
    case Kind::Empty: path = makeFile("f.bin", row.content); break;
    case Kind::Fifo:
      path = root_ + "pipe";
      ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
      break;
    case Kind::Device: path = "/dev/null"; break;
    case Kind::Symlink:
      path = root_ + "link";
      std::filesystem::create_symlink(makeFile("target.txt", "text"), path);
      break;
    case Kind::Locked:
      // A running program cannot be opened for writing, even by root.
      path = std::filesystem::read_symlink("/proc/self/exe").string();
      break;
    case Kind::Missing: path = root_ + "missing"; break;
  }
  RunFlags flags;
  flags.protectOn = row.protect;
  pipe_.setFlags(flags);
  EXPECT_EQ(pipe_.checkFileUsable(path, row.binaryTest, row.skipEmpty, true, row.log, access), row.expected);
  std::string want = row.line;
  if (const auto p = want.find('P'); p != std::string::npos) want.replace(p, 1, path);
  EXPECT_EQ(pipe_.resultLines(), want.empty() ? "" : want + "\r\n");
  if (row.kind == Kind::Text) {
    EXPECT_EQ(coreState().fileSize, static_cast<double>(row.content.size()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, CheckFileUsable,
    ::testing::Values(
        UsableRow{"text", Kind::Text, "hello\r\n\tworld\n", true, true, true, true, 1, ""},
        UsableRow{"binary_nul", Kind::Text, std::string("ab\0cd", 5), true, true, true, true, 0, "{23}P"},
        UsableRow{"binary_escape", Kind::Text, "ab\x1b", true, true, true, true, 0, "{23}P"},
        UsableRow{"binary_quiet", Kind::Text, "ab\x1b", true, true, true, false, 0, ""},
        UsableRow{"binary_past_35_bytes", Kind::Text, std::string(35, 'a') + '\0', true, true, true, true, 1, ""},
        UsableRow{"binary_at_byte_35", Kind::Text, std::string(34, 'a') + '\0', true, true, true, true, 0, "{23}P"},
        UsableRow{"binary_protection_off", Kind::Text, std::string("\0", 1), false, true, true, true, 1, ""},
        UsableRow{"binary_not_tested", Kind::Text, std::string("\0", 1), true, false, true, true, 1, ""},
        UsableRow{"empty_skipped", Kind::Empty, "", true, true, true, true, 0, "{115}P"},
        UsableRow{"empty_skipped_protection_off", Kind::Empty, "", false, false, true, true, 0, "{115}P"},
        UsableRow{"empty_kept", Kind::Empty, "", true, true, false, true, 1, ""},
        UsableRow{"fifo_protected", Kind::Fifo, "", true, true, true, true, 0, "{23}P"},
        UsableRow{"fifo_protection_off", Kind::Fifo, "", false, false, false, true, 0, "{23}P"},
        UsableRow{"device_protection_off", Kind::Device, "", false, false, false, true, 0, "{23}P"},
        UsableRow{"symlink_not_followed", Kind::Symlink, "", true, true, true, true, 0, "{23}P"},
        UsableRow{"symlink_quiet", Kind::Symlink, "", false, false, false, false, 0, ""},
        UsableRow{"locked_protected", Kind::Locked, "", true, true, true, true, 0, "P{102}"},
        UsableRow{"locked_logged_even_quiet", Kind::Locked, "", false, false, false, false, 0, "P{102}"},
        UsableRow{"missing", Kind::Missing, "", true, true, true, true, 0, "P{102}"}),
    [](const ::testing::TestParamInfo<UsableRow>& info) { return std::string(info.param.name); });

TEST_F(PipelineTest, ReadersNeedOnlyReadAccess) {
  const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  EXPECT_EQ(pipe_.checkFileUsable(exe, false, true, true, true, Access::Read), 1);
}

TEST_F(PipelineTest, RemoveFileDeletesOrTrashesAsTheSettingsSay) {
  RunFlags flags;  // recycling on
  flags.fixedDrive = false;  // off a fixed drive the trash is still tried, never a plain delete
  pipe_.setFlags(flags);
  const std::string trashFiles = base_ + "env/XDG_DATA_HOME/Trash/files/";

  const std::string recycled = makeFile("deleted.txt", "d");
  EXPECT_EQ(pipe_.removeFile(recycled, "", "", kRemoveDeleted), 0);
  EXPECT_FALSE(std::filesystem::exists(recycled));
  EXPECT_TRUE(std::filesystem::exists(trashFiles + "deleted.txt")) << "the file went to the trash";

  const std::string temp = makeFile("tool.tmp", "t");
  EXPECT_EQ(pipe_.removeFile(temp, "_t", "", kRemoveDeleted), 0);
  EXPECT_FALSE(std::filesystem::exists(temp));
  EXPECT_FALSE(std::filesystem::exists(trashFiles + "tool.tmp")) << "a tool's temporary file is deleted";

  flags.useRecycle = false;
  pipe_.setFlags(flags);
  const std::string plain = makeFile("plain.txt", "p");
  EXPECT_EQ(pipe_.removeFile(plain, "", "", kRemoveDeleted), 0);
  EXPECT_FALSE(std::filesystem::exists(trashFiles + "plain.txt"));
  EXPECT_EQ(pipe_.resultLines(), "");
}

TEST_F(PipelineTest, FailedStepsAreLoggedWithTheirPaths) {
  const std::string gone = root_ + "gone.txt";
  EXPECT_EQ(pipe_.removeFile(gone, "label", "note", kRemoveDelete), 1);
  EXPECT_EQ(pipe_.removeFile(gone, "", "", kRemoveRecycle), 1);  // nothing to trash: logged, kept
  const std::string a = makeFile("a.txt", "a"), b = makeFile("b.txt", "b");
  EXPECT_EQ(pipe_.renameLogged(a, a, "lbl", true), 58);  // equal names: nothing, no line
  EXPECT_EQ(pipe_.renameLogged(a, b, "lbl", true), 58);  // the target exists: never replaced
  EXPECT_EQ(readAll(b), "b");
  EXPECT_NE(pipe_.renameLogged(root_ + "nodir", root_ + "x", "", false), 0);
  EXPECT_EQ(pipe_.readFileLogged(gone, 1, 0), "A_Err");
  EXPECT_EQ(pipe_.resultLines(),
            "{79} label{80}" + gone + " note\r\n"
            "{79}{80}" + gone + "\r\n"
            "{83} lbl{81}: " + a + "{84}" + b + "\r\n"
            "{83}{82}: " + root_ + "nodir{84}" + root_ + "x\r\n"
            "{85}" + gone + "\r\n");
  EXPECT_EQ(pipe_.renameLogged(a, root_ + "c.txt", "", true), 0);
}

TEST_F(PipelineTest, ChunkedCopyCopiesInPiecesAndNeverReplaces) {
  std::string data(2500000, 'x');
  for (std::size_t i = 0; i < data.size(); i += 997) data[i] = static_cast<char>(i % 251);
  const std::string src = makeFile("big.bin", data);
  const int before = host_.yields;
  EXPECT_EQ(pipe_.copyFileChunked(src, root_ + "copy.bin"), 0);
  EXPECT_EQ(host_.yields - before, 3) << "one yield per piece of 1,000,000 bytes";
  EXPECT_EQ(readAll(root_ + "copy.bin"), data);

  const std::string other = makeFile("other.bin", "keep");
  EXPECT_EQ(pipe_.copyFileChunked(src, other), 1);
  EXPECT_EQ(readAll(other), "keep");
  EXPECT_EQ(pipe_.copyFileChunked(root_ + "missing", root_ + "m2"), 1);
  EXPECT_FALSE(std::filesystem::exists(root_ + "m2"));

  EXPECT_EQ(pipe_.copyFileChunked(makeFile("empty", ""), root_ + "empty2"), 0);
  EXPECT_TRUE(std::filesystem::exists(root_ + "empty2"));

  for (int value : {kCancelled, kSkipFile}) {
    host_.cancel = kRunning;
    host_.cancelAfterYields(1, value);
    EXPECT_EQ(pipe_.copyFileChunked(src, root_ + "partial.bin"), 1);
    EXPECT_FALSE(std::filesystem::exists(root_ + "partial.bin")) << "a partly written copy is deleted";
  }
}

TEST_F(PipelineTest, CheckFolderWritableLeavesNothingBehind) {
  EXPECT_EQ(pipe_.checkFolderWritable(root_), 0);
  EXPECT_TRUE(std::filesystem::is_empty(root_));
  EXPECT_EQ(pipe_.checkFolderWritable(root_ + "Missing/"), 7);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "{96}" + root_ + "Missing/{97}");
  EXPECT_EQ(host_.questions[0].style, "O");
  EXPECT_EQ(host_.questions[0].title, "N");
}

// Where the trash does not work the file is kept and the failure logged: never deleted for good.
TEST_F(PipelineTest, AFileTheTrashRefusesIsKeptAndLogged) {
  std::ofstream(base_ + "env/XDG_DATA_HOME/Trash") << "a file where the trash folder belongs";
  // The trash layer must not put the file anywhere else either; the current folder is a private
  // one so that a stray "files/" folder never lands in the source tree.
  const std::filesystem::path previous = std::filesystem::current_path();
  const std::string cwd = makeDir("cwd");
  std::filesystem::current_path(cwd);
  struct Restore {
    std::filesystem::path to;
    ~Restore() { std::filesystem::current_path(to); }
  } restore{previous};
  RunFlags flags;
  flags.fixedDrive = false;
  pipe_.setFlags(flags);
  for (int kind : {kRemoveDeleted, kRemoveReplaced, kRemoveRecycle}) {
    const std::string path = makeFile("keep.txt", "precious");
    const int result = pipe_.removeFile(path, "", "", kind);
    EXPECT_EQ(result, 1) << kind;
    EXPECT_FALSE(std::filesystem::exists(cwd + "files/keep.txt")) << kind;
    EXPECT_EQ(readAll(path), "precious") << kind;
  }
  const std::string line = "{79}{80}" + root_ + "keep.txt\r\n";
  EXPECT_EQ(pipe_.resultLines(), line + line + line);
}

TEST_F(PipelineTest, CheckDriveForRecycleAsksOffAFixedDrive) {
  host_.answers = {kAnswerYes, kAnswerNo};
  EXPECT_EQ(pipe_.checkDriveForRecycle("/proc/self/"), 1);
  EXPECT_EQ(pipe_.checkDriveForRecycle("/proc/self/"), 0);
  ASSERT_EQ(host_.questions.size(), 2u);
  EXPECT_EQ(host_.questions[0].message, "{112}/proc/");
  EXPECT_EQ(host_.questions[0].style, "");
  EXPECT_EQ(host_.questions[0].title, "W");
}

TEST_F(PipelineTest, CheckDriveForRecycleAsksNothingWhenRecyclingIsOff) {
  saveSet("sendDeleted", "1");
  saveSet("sendContent", "1");
  EXPECT_EQ(pipe_.checkDriveForRecycle(root_), 1);
  EXPECT_TRUE(host_.questions.empty());
}

struct SaveRow {
  const char* name;
  bool exists;
  std::vector<int> answers;
  std::size_t size;
  int cancelAfter;  // yields; 0 none
  int expected;
  const char* want;  // "old", "new", "old+new"
};
class SaveTextFile : public PipelineTest, public ::testing::WithParamInterface<SaveRow> {};

TEST_P(SaveTextFile, ReplacesTheFileOnlyWhenTheNewOneIsComplete) {
  const SaveRow& row = GetParam();
  const std::string path = root_ + "out.txt";
  if (row.exists) makeFile("out.txt", "old contents\n");
  std::string text(row.size, 'n');
  host_.answers.assign(row.answers.begin(), row.answers.end());
  if (row.cancelAfter) host_.cancelAfterYields(row.cancelAfter);
  EXPECT_EQ(pipe_.saveTextFile(form_, path, text), row.expected);
  const std::string want = std::string(row.want) == "old" ? (row.exists ? "old contents\n" : "")
                           : std::string(row.want) == "new" ? text
                                                            : "old contents\n" + text;
  EXPECT_EQ(readAll(path) == want, true) << "size " << readAll(path).size();
  EXPECT_EQ(std::filesystem::exists(path), row.exists || row.expected == 0);
  // No temporary file is left beside it.
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(root_)) ++files;
  EXPECT_EQ(files, std::filesystem::exists(path) ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Saves, SaveTextFile,
    ::testing::Values(SaveRow{"new_file", false, {}, 10, 0, 0, "new"},
                      SaveRow{"overwrite", true, {kAnswerFirst}, 10, 0, 0, "new"},
                      SaveRow{"append", true, {kAnswerSecond}, 10, 0, 0, "old+new"},
                      SaveRow{"cancel_question", true, {kAnswerNo}, 10, 0, 1, "old"},
                      SaveRow{"long_overwrite", true, {kAnswerFirst}, 2500000, 0, 0, "new"},
                      SaveRow{"long_append", true, {kAnswerSecond}, 2500000, 0, 0, "old+new"},
                      SaveRow{"long_cancelled", true, {kAnswerFirst}, 2500000, 3, 1, "old"}),
    [](const ::testing::TestParamInfo<SaveRow>& info) { return std::string(info.param.name); });

TEST(SplitFileName, FindsTheFirstFreeNumberedName) {
  QTemporaryDir tmp;
  const std::string dir = tmp.path().toStdString() + "/";
  std::ofstream(dir + "photo1.jpg") << "x";
  std::ofstream(dir + "photo2.jpg") << "x";
  long long n = 1;
  EXPECT_EQ(Pipeline::splitFileName(dir + "photo.jpg", n), dir + "photo3.jpg");
  EXPECT_EQ(n, 3);
  n = 5;
  EXPECT_EQ(Pipeline::splitFileName(dir + "README", n), dir + "README5");
  n = 0;
  EXPECT_EQ(Pipeline::splitFileName(dir + "photo.jpg", n), "");
}

}  // namespace
}  // namespace core::testing
