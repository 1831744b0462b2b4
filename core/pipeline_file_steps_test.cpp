#include "core/pipeline_test_support.h"
#include "platform/fault_test_support.h"
#include "platform/file_head.h"

#include <chrono>

#include <sys/stat.h>

namespace core::testing {
namespace {

enum class Kind { Text, Empty, Fifo, Device, Symlink, LinkToFifo, DanglingLink, Locked, Missing, ReadOnly, HiddenRecord };

struct UsableRow {
  const char* name;
  Kind kind;
  std::string content;
  bool protect, binaryTest, skipEmpty, log;
  int expected;
  std::string line;  // "" none; "P" stands for the path
  Access access = Access::ReadWrite;
  // The step passes the file's listing entry (listed as no system file, as a listing that a
  // change of the name since has made stale would show it).
  bool listed = false;
};

class CheckFileUsable : public PipelineTest, public ::testing::WithParamInterface<UsableRow> {};

TEST_P(CheckFileUsable, RefusesWhatTheToolMustNotTouch) {
  const UsableRow& row = GetParam();
  std::string path;
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
      std::filesystem::create_symlink(makeFile("target.txt", row.content), path);
      break;
    case Kind::LinkToFifo:
      path = root_ + "link";
      ASSERT_EQ(::mkfifo((root_ + "pipe").c_str(), 0600), 0);
      std::filesystem::create_symlink(root_ + "pipe", path);
      break;
    case Kind::DanglingLink:
      path = root_ + "link";
      std::filesystem::create_symlink(root_ + "nowhere", path);
      break;
    case Kind::Locked:
      // A running program cannot be opened for writing, even by root.
      path = std::filesystem::read_symlink("/proc/self/exe").string();
      break;
    case Kind::Missing: path = root_ + "missing"; break;
    case Kind::ReadOnly:
      path = makeFile("ro.txt", row.content);
      ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
      break;
    case Kind::HiddenRecord: path = makeFile(".hidden", row.content); break;
  }
  RunFlags flags;
  flags.protectOn = row.protect;
  pipe_.setFlags(flags);
  // A usable file stays open for the step (that very file, readable); a refused one is not held.
  platform::HeldFile held;
  platform::HeldFile* keep = row.access == Access::None ? nullptr : &held;
  const ListEntry entry{.name = path.substr(path.rfind('/') + 1)};
  EXPECT_EQ(pipe_.checkFileUsable(path, {.binaryTest = row.binaryTest, .skipEmpty = row.skipEmpty, .log = row.log,
                                         .access = row.access, .keep = keep,
                                         .listed = row.listed ? &entry : nullptr}),
            row.expected);
  EXPECT_EQ(held.isOpen(), keep && row.expected == 1);
  if (held.isOpen() && row.access != Access::Write) {
    std::string bytes(row.content.size() + 10, '\0');
    std::size_t got = 0;
    EXPECT_EQ(held.read(0, bytes.size(), bytes.data(), got), 0);
    EXPECT_EQ(bytes.substr(0, got), row.content);
  }
  std::string want = row.line;
  if (const auto p = want.find('P'); p != std::string::npos) want.replace(p, 1, path);
  EXPECT_EQ(pipe_.resultLines(), want.empty() ? "" : want + "\r\n");
  if (row.kind == Kind::Text || (row.kind == Kind::Symlink && row.expected == 1 && row.access != Access::None)) {
    EXPECT_EQ(coreState().fileSize, static_cast<double>(row.content.size()));
  }
  if (row.kind == Kind::Symlink && row.access == Access::None) {  // the link's own size, not its target's
    EXPECT_EQ(coreState().fileSize, static_cast<double>((root_ + "target.txt").size()));
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
        UsableRow{"symlink_not_followed", Kind::Symlink, "text", true, true, true, true, 0, "{23}P"},
        UsableRow{"symlink_quiet", Kind::Symlink, "text", false, false, false, false, 0, ""},
        // Readers read through a link to a regular file, tested as that file.
        UsableRow{"symlink_read_through", Kind::Symlink, "text", true, true, true, true, 1, "", Access::Read},
        UsableRow{"symlink_read_binary_target", Kind::Symlink, std::string("\0", 1), true, true, true, true, 0,
                  "{23}P", Access::Read},
        UsableRow{"symlink_read_empty_target", Kind::Symlink, "", true, true, true, true, 0, "{115}P", Access::Read},
        UsableRow{"symlink_write_never_followed", Kind::Symlink, "text", false, false, false, true, 0, "{23}P",
                  Access::Write},
        UsableRow{"link_to_fifo_read", Kind::LinkToFifo, "", true, true, true, true, 0, "{23}P", Access::Read},
        UsableRow{"dangling_link_read", Kind::DanglingLink, "", true, true, true, true, 0, "{23}P", Access::Read},
        UsableRow{"locked_protected", Kind::Locked, "", true, true, true, true, 0, "P{102}"},
        UsableRow{"locked_logged_even_quiet", Kind::Locked, "", false, false, false, false, 0, "P{102}"},
        UsableRow{"missing", Kind::Missing, "", true, true, true, true, 0, "P{102}"},
        // Renames open nothing: any file whatever its access, a link as itself, never a FIFO.
        UsableRow{"rename_locked_file", Kind::Locked, "", true, false, false, true, 1, "", Access::None},
        UsableRow{"rename_symlink_itself", Kind::Symlink, "text", true, false, false, true, 1, "", Access::None},
        UsableRow{"rename_dangling_link", Kind::DanglingLink, "", true, false, false, true, 1, "", Access::None},
        UsableRow{"rename_fifo", Kind::Fifo, "", false, false, false, true, 0, "{23}P", Access::None},
        UsableRow{"rename_missing", Kind::Missing, "", true, false, false, false, 0, "P{102}", Access::None},
        // R is read-only for everyone: writers refuse it even as root, readers and renames do not.
        UsableRow{"read_only_rewrite", Kind::ReadOnly, "text", true, true, true, true, 0, "P{102}"},
        UsableRow{"read_only_write", Kind::ReadOnly, "text", true, false, false, false, 0, "P{102}", Access::Write},
        UsableRow{"read_only_read", Kind::ReadOnly, "text", true, true, true, true, 1, "", Access::Read},
        UsableRow{"read_only_rename", Kind::ReadOnly, "text", true, false, false, true, 1, "", Access::None},
        // A folder's ".hidden" is the system's record of the Hidden flag: no step touches it.
        UsableRow{"hidden_record_rewrite", Kind::HiddenRecord, "a\n", false, false, false, true, 0, "{23}P"},
        UsableRow{"hidden_record_read", Kind::HiddenRecord, "a\n", false, false, false, true, 0, "{23}P",
                  Access::Read},
        UsableRow{"hidden_record_rename", Kind::HiddenRecord, "a\n", false, false, false, true, 0, "{23}P",
                  Access::None},
        // A step that passes the listing's entry opens at once; what opened decides all the same.
        UsableRow{"listed_text_read", Kind::Text, "text", true, true, true, true, 1, "", Access::Read, true},
        UsableRow{"listed_fifo_read", Kind::Fifo, "", false, false, false, true, 0, "{23}P", Access::Read, true},
        UsableRow{"listed_fifo_write", Kind::Fifo, "", false, false, false, true, 0, "{23}P", Access::Write, true},
        UsableRow{"listed_device_read", Kind::Device, "", false, false, false, true, 0, "{23}P", Access::Read, true},
        UsableRow{"listed_symlink_read_through", Kind::Symlink, "text", true, true, true, true, 1, "", Access::Read,
                  true},
        UsableRow{"listed_symlink_rewrite", Kind::Symlink, "text", false, false, false, true, 0, "{23}P",
                  Access::ReadWrite, true},
        UsableRow{"listed_locked", Kind::Locked, "", false, false, false, false, 0, "P{102}", Access::ReadWrite, true},
        UsableRow{"listed_missing", Kind::Missing, "", true, true, true, true, 0, "P{102}", Access::Read, true}),
    [](const ::testing::TestParamInfo<UsableRow>& info) { return std::string(info.param.name); });

// Each kind of step asks for the access it needs, and no more, of a file of the user's own. Only
// as an ordinary user do the permission bits count.
TEST_F(PipelineTest, EachStepAsksForItsOwnAccessOnly) {
  struct Case {
    unsigned mode;
    Access access;
    int expected;
  };
  const Case cases[] = {
      {0000, Access::None, 1},  {0200, Access::None, 1},  {0400, Access::None, 1},
      {0000, Access::Read, 0},  {0200, Access::Read, 0},  {0400, Access::Read, 1},
      {0000, Access::Write, 0}, {0200, Access::Write, 1}, {0400, Access::Write, 0},
      {0600, Access::ReadWrite, 1}, {0200, Access::ReadWrite, 0}, {0400, Access::ReadWrite, 0},
  };
  std::string expected;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string file = makeFile("f" + std::to_string(i), "text");
    ASSERT_EQ(::chmod(file.c_str(), cases[i].mode), 0);
    expected += std::to_string(cases[i].expected);
  }
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    if (std::string why = platform::testing::becomeOrdinaryUser(base_); !why.empty()) return "skip " + why;
    std::string got;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
      got += std::to_string(pipe_.checkFileUsable(root_ + "f" + std::to_string(i), {.access = cases[i].access}));
    }
    return got;
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report, expected);
}

// Renames and moves carry the Hidden flag; removals forget it. A new name's line is written before
// its rename; the old names' lines go when the run moves on to its next folder, or ends.
TEST_F(PipelineTest, TheHiddenFlagFollowsRenamedMovedAndRemovedFiles) {
  const std::string a = makeDir("a"), b = makeDir("b");
  makeFile("a/.hidden", "one\ntwo\nthree\ngone\ntrashed\n");
  for (const char* name : {"a/one", "a/two", "a/three", "a/gone", "a/trashed", "b/old"}) makeFile(name, "x");
  pipe_.buildDirList(form_, root_, {.withSubfolders = true});
  DirCursor more = 1, position = 1;
  std::string folder;
  ASSERT_EQ(pipe_.nextDir(more, folder, position), 1);
  ASSERT_EQ(pipe_.rename(a + "one", a + "uno"), 0);
  ASSERT_EQ(pipe_.renameLogged(a + "two", b + "two", "", ItemKind::File), 0);
  ASSERT_EQ(pipe_.renameReplacing(a + "three", b + "old"), 0);  // the replaced file was shown
  ASSERT_EQ(pipe_.removeFile(a + "gone", "", "", RemoveKind::Delete), 0);
  ASSERT_EQ(pipe_.removeFile(a + "trashed", "", "", RemoveKind::Recycle), 0);
  EXPECT_EQ(readAll(a + ".hidden"), "one\ntwo\nthree\ntrashed\nuno\n") << "the new names first, the old still there";
  EXPECT_EQ(readAll(b + ".hidden"), "two\n");
  ASSERT_EQ(pipe_.nextDir(more, folder, position), 1);
  EXPECT_EQ(readAll(a + ".hidden"), "uno\n");
  EXPECT_EQ(readAll(b + ".hidden"), "two\nold\n");
  // A later file of an old name starts out shown.
  makeFile("a/one", "new");
  EXPECT_EQ(GetAtt(a + "one") & kAttrHidden, 0);
  ASSERT_EQ(pipe_.rename(b + "old", b + ".old"), 0);  // a dot-name needs no line
  pipe_.finishOperation(form_, RefreshMode::None);
  EXPECT_EQ(readAll(b + ".hidden"), "two\n");
  EXPECT_EQ(logged(), "");
}

TEST_F(PipelineTest, AHiddenFlagThatCannotBeKeptIsReported) {
  const std::string s = makeDir("s"), t = makeDir("t");
  makeFile("s/.hidden", "f\n");
  makeFile("s/f", "x");
  const std::string outside = makeFile("outside.txt", "kept\n");
  std::filesystem::create_symlink(outside, t + ".hidden");
  pipe_.buildDirList(form_, root_, {.withSubfolders = true});
  ASSERT_EQ(pipe_.rename(s + "f", t + "f"), 0);
  pipe_.finishOperation(form_, RefreshMode::None);
  EXPECT_NE(host_.results.back().text.find("{175}" + t + ".hidden"), std::string::npos) << host_.results.back().text;
  EXPECT_EQ(readAll(outside), "kept\n");
}

TEST_F(PipelineTest, ReadersNeedOnlyReadAccess) {
  const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  EXPECT_EQ(pipe_.checkFileUsable(exe, {.skipEmpty = true, .access = Access::Read}), 1);
}

TEST_F(PipelineTest, RemoveFileDeletesOrTrashesAsTheSettingsSay) {
  RunFlags flags;  // recycling on
  flags.fixedDrive = false;  // off a fixed drive the trash is still tried, never a plain delete
  pipe_.setFlags(flags);
  const std::string trashFiles = base_ + "env/XDG_DATA_HOME/Trash/files/";

  const std::string recycled = makeFile("deleted.txt", "d");
  EXPECT_EQ(pipe_.removeFile(recycled, "", "", RemoveKind::Deleted), 0);
  EXPECT_FALSE(std::filesystem::exists(recycled));
  EXPECT_TRUE(std::filesystem::exists(trashFiles + "deleted.txt")) << "the file went to the trash";

  const std::string temp = makeFile("tool.tmp", "t");
  EXPECT_EQ(pipe_.removeFile(temp, "_t", "", RemoveKind::Deleted), 0);
  EXPECT_FALSE(std::filesystem::exists(temp));
  EXPECT_FALSE(std::filesystem::exists(trashFiles + "tool.tmp")) << "a tool's temporary file is deleted";

  flags.useRecycle = false;
  pipe_.setFlags(flags);
  const std::string plain = makeFile("plain.txt", "p");
  EXPECT_EQ(pipe_.removeFile(plain, "", "", RemoveKind::Deleted), 0);
  EXPECT_FALSE(std::filesystem::exists(trashFiles + "plain.txt"));
  EXPECT_EQ(pipe_.resultLines(), "");
}

// Off a fixed drive, a yes to message 112 lets that form's run delete files for good on that very
// mount: one walk may cross onto other mounts, which keep the trash, and so does every run that
// never asked.
class RemovableDrive : public PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    usb_ = makeDir("usb");
    pipe_.setMountProbe({.isFixedDrive = [this](const std::string& p) { return p.rfind(usb_, 0) != 0; },
                         .mountPoint = [this](const std::string& p) {
                           return p.rfind(usb_, 0) == 0 ? usb_ : std::string("/");
                         }});
  }
  // Removes a new file rel with kind; "trash", "deleted" or "kept" by where it went.
  std::string remove(const std::string& rel, RemoveKind kind) {
    const std::string path = makeFile(rel, "x");
    if (pipe_.removeFile(path, "", "", kind) != 0) return "kept";
    const std::string name = std::filesystem::path(rel).filename().string();
    if (std::filesystem::exists(path)) return "still there";
    return std::filesystem::exists(base_ + "env/XDG_DATA_HOME/Trash/files/" + name) ? "trash" : "deleted";
  }
  std::string usb_;
  ToolForm* const other_ = reinterpret_cast<ToolForm*>(0x2000);
};

TEST_F(RemovableDrive, OnlyTheMountAgreedToForThisRunLosesTheTrash) {
  RecordedSteps steps;
  ScopedStepRecorder listening(pipe_, steps);
  ASSERT_EQ(pipe_.checkDriveForRecycle(form_, usb_ + "sub/"), 1);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "{112}" + usb_);
  EXPECT_EQ(host_.questions[0].caller, form_);
  pipe_.buildDirList(form_, usb_);
  EXPECT_EQ(remove("usb/a.txt", RemoveKind::Deleted), "deleted");
  EXPECT_EQ(remove("usb/b.txt", RemoveKind::Replaced), "deleted");
  EXPECT_EQ(remove("c.txt", RemoveKind::Deleted), "trash") << "another mount keeps the trash";
  EXPECT_EQ(remove("usb/d.txt", RemoveKind::Recycle), "trash") << "the recycle mode never deletes for good";
  ASSERT_EQ(steps.steps.size(), 4u);
  EXPECT_EQ(steps.steps[0].kind, StepKind::Deleted);
  EXPECT_EQ(steps.steps[2].kind, StepKind::Trashed);

  pipe_.finishOperation(form_, RefreshMode::None);  // the agreement ends with the run
  pipe_.buildDirList(form_, usb_);
  EXPECT_EQ(remove("usb/e.txt", RemoveKind::Deleted), "trash");
}

TEST_F(RemovableDrive, RunsThatDidNotAgreeKeepTheTrash) {
  // Never asked.
  pipe_.buildDirList(form_, usb_);
  EXPECT_EQ(remove("usb/a.txt", RemoveKind::Deleted), "trash");
  // Another form agreed.
  ASSERT_EQ(pipe_.checkDriveForRecycle(other_, usb_), 1);
  pipe_.buildDirList(form_, usb_);
  EXPECT_EQ(remove("usb/b.txt", RemoveKind::Deleted), "trash");
  // Declined: no run; a later question replaces an earlier yes.
  host_.answers = {kAnswerNo};
  EXPECT_EQ(pipe_.checkDriveForRecycle(form_, usb_), 0);
  host_.answers = {kAnswerYes, kAnswerNo};
  EXPECT_EQ(pipe_.checkDriveForRecycle(form_, usb_), 1);
  EXPECT_EQ(pipe_.checkDriveForRecycle(form_, usb_), 0);
  pipe_.buildDirList(form_, usb_);
  EXPECT_EQ(remove("usb/c.txt", RemoveKind::Deleted), "trash");
  // A run ended by an error takes its agreement with it.
  ASSERT_EQ(pipe_.checkDriveForRecycle(form_, usb_), 1);
  pipe_.buildDirList(form_, usb_);
  pipe_.showRunError(form_, "boom");
  pipe_.buildDirList(form_, usb_);
  EXPECT_EQ(remove("usb/d.txt", RemoveKind::Deleted), "trash");
  // The tool's own temporary file and a plain delete are deleted wherever they are.
  EXPECT_EQ(remove("usb/t.tmp", RemoveKind::Delete), "deleted");
  EXPECT_EQ(remove("f.tmp", RemoveKind::Delete), "deleted");
}

TEST_F(PipelineTest, StepsThatWorkedAreRecordedInOrder) {
  RecordedSteps steps;
  const std::string a = makeFile("a.txt", "a"), b = root_ + "b.txt", c = root_ + "c.txt", d = root_ + "d.txt";
  const auto before = std::chrono::system_clock::now();
  {
    ScopedStepRecorder listening(pipe_, steps);
    EXPECT_EQ(pipe_.rename(a, b), 0);
    EXPECT_EQ(pipe_.renameLogged(b, c, "", ItemKind::File), 0);
    EXPECT_NE(pipe_.renameLogged(root_ + "missing", root_ + "x", "", ItemKind::File), 0);  // failed: none
    EXPECT_EQ(pipe_.copyFileChunked(c, d), 0);
    EXPECT_EQ(pipe_.copyFileChunked(c, d), 1);  // the target exists: none
    EXPECT_EQ(pipe_.removeFile(d, "", "", RemoveKind::Delete), 0);
    EXPECT_EQ(pipe_.removeFile(c, "", "", RemoveKind::Recycle), 0);
  }
  const std::string e = makeFile("e.txt", "e");
  EXPECT_EQ(pipe_.rename(e, root_ + "f.txt"), 0);  // nobody listens any more
  const auto after = std::chrono::system_clock::now();

  struct Want {
    StepKind kind;
    std::string from, to;
  };
  const std::vector<Want> want = {{StepKind::Renamed, a, b}, {StepKind::Renamed, b, c}, {StepKind::Copied, c, d},
                                  {StepKind::Deleted, d, ""}, {StepKind::Trashed, c, ""}};
  ASSERT_EQ(steps.steps.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(steps.steps[i].kind, want[i].kind) << i;
    EXPECT_EQ(steps.steps[i].from, want[i].from) << i;
    EXPECT_EQ(steps.steps[i].to, want[i].to) << i;
    EXPECT_GE(steps.steps[i].when, i ? steps.steps[i - 1].when : before) << i;
    EXPECT_LE(steps.steps[i].when, after) << i;
  }
  EXPECT_EQ(pipe_.stepRecorder(), nullptr);
}

// A piece whose bytes are the old failure text is data; only a failure is nullopt (and logged).
TEST_F(PipelineTest, ReadFileLoggedTellsFailureFromData) {
  const std::string err = makeFile("err.txt", "xA_Err");
  EXPECT_EQ(pipe_.readFileLogged(err, 2, 5), std::optional<std::string>("A_Err"));
  EXPECT_EQ(pipe_.resultLines(), "");
  EXPECT_EQ(pipe_.readFileLogged(root_ + "gone", 1, 0), std::nullopt);
  EXPECT_EQ(pipe_.resultLines(), "{85}" + root_ + "gone\r\n");
}

TEST_F(PipelineTest, FailedStepsAreLoggedWithTheirPaths) {
  const std::string gone = root_ + "gone.txt";
  EXPECT_EQ(pipe_.removeFile(gone, "label", "note", RemoveKind::Delete), 1);
  EXPECT_EQ(pipe_.removeFile(gone, "", "", RemoveKind::Recycle), 1);  // nothing to trash: logged, kept
  const std::string a = makeFile("a.txt", "a"), b = makeFile("b.txt", "b");
  EXPECT_EQ(pipe_.renameLogged(a, a, "lbl", ItemKind::File), 58);  // equal names: nothing, no line
  EXPECT_EQ(pipe_.renameLogged(a, b, "lbl", ItemKind::File), 58);  // the target exists: never replaced
  EXPECT_EQ(readAll(b), "b");
  EXPECT_NE(pipe_.renameLogged(root_ + "nodir", root_ + "x", "", ItemKind::Folder), 0);
  EXPECT_EQ(pipe_.readFileLogged(gone, 1, 0), std::nullopt);
  EXPECT_EQ(pipe_.resultLines(),
            "{79} label{80}" + gone + " note ({145})\r\n"  // the reason, in the interface language
            "{79}{80}" + gone + " ({145})\r\n"
            "{83} lbl{81}: " + a + "{84}" + b + " ({146})\r\n"
            "{83}{82}: " + root_ + "nodir{84}" + root_ + "x ({145})\r\n"
            "{85}" + gone + "\r\n");
  EXPECT_EQ(pipe_.renameLogged(a, root_ + "c.txt", "", ItemKind::File), 0);
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

  for (CancelState value : {CancelState::Cancelled, CancelState::SkipFile}) {
    host_.cancel = CancelState::Running;
    host_.cancelAfterYields(1, value);
    EXPECT_EQ(pipe_.copyFileChunked(src, root_ + "partial.bin"), kCopyStopped);
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
  for (RemoveKind kind : {RemoveKind::Deleted, RemoveKind::Replaced, RemoveKind::Recycle}) {
    const std::string path = makeFile("keep.txt", "precious");
    const int result = pipe_.removeFile(path, "", "", kind);
    EXPECT_EQ(result, 1) << static_cast<int>(kind);
    EXPECT_FALSE(std::filesystem::exists(cwd + "files/keep.txt")) << static_cast<int>(kind);
    EXPECT_EQ(readAll(path), "precious") << static_cast<int>(kind);
  }
  // Each line ends with the system's reason (its words depend on the system), three alike.
  const std::string lines = pipe_.resultLines();
  const std::string line = lines.substr(0, lines.find("\r\n") + 2);
  EXPECT_EQ(line.rfind("{79}{80}" + root_ + "keep.txt (", 0), 0u) << lines;
  EXPECT_EQ(lines, line + line + line);
}

TEST_F(PipelineTest, CheckDriveForRecycleAsksOffAFixedDrive) {
  host_.answers = {kAnswerYes, kAnswerNo};
  EXPECT_EQ(pipe_.checkDriveForRecycle(form_, "/proc/self/"), 1);
  EXPECT_EQ(pipe_.checkDriveForRecycle(form_, "/proc/self/"), 0);
  ASSERT_EQ(host_.questions.size(), 2u);
  EXPECT_EQ(host_.questions[0].message, "{112}/proc/");
  EXPECT_EQ(host_.questions[0].style, "");
  EXPECT_EQ(host_.questions[0].title, "W");
}

TEST_F(PipelineTest, CheckDriveForRecycleAsksNothingWhenRecyclingIsOff) {
  saveSet("sendDeleted", "1");
  saveSet("sendContent", "1");
  EXPECT_EQ(pipe_.checkDriveForRecycle(form_, root_), 1);
  EXPECT_TRUE(host_.questions.empty());
}

struct SaveRow {
  const char* name;
  bool exists;
  std::vector<RespondAnswer> answers;
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
  // The dots that begin a name belong to its base: the numbered name stays hidden.
  n = 1;
  EXPECT_EQ(Pipeline::splitFileName(dir + ".dotfile", n), dir + ".dotfile1");
  EXPECT_EQ(Pipeline::splitFileName(dir + ".config.json", n), dir + ".config1.json");
  EXPECT_EQ(Pipeline::splitFileName(dir + "..x", n), dir + "..x1");
}

}  // namespace
}  // namespace core::testing
