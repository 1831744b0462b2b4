// The contents rewrite on real files: pieces and state across them, what is kept, what is skipped,
// and that the file's path holds the original or the complete new contents whatever goes wrong
// (cancel, read-only folder, full disk, a change while reading, kill -9 at each step).
#include "core/contents_rewrite.h"

#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/pipeline_test_support.h"
#include "platform/file_attributes.h"
#include "platform/fault_test_support.h"
#include "platform/kill_test_support.h"
#include "platform/replacement_file.h"
#include "platform/test_trees.h"
#include "platform/trash_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <functional>
#include <iostream>
#include <fstream>
#include <cstdlib>
#include <optional>
#include <random>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace core::testing {
namespace {

namespace fs = std::filesystem;

// Upper-cases ASCII letters and records the pieces it was given.
class Upper : public ContentTransform {
 public:
  void begin(std::uint64_t size) override {
    this->size = size;
    pieces.clear();
  }
  void piece(std::string_view in, std::uint64_t offset, std::string& out) override {
    pieces.push_back({offset, in.size()});
    if (onPiece) onPiece(pieces.size());
    for (char c : in) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  [[nodiscard]] bool changed() const override { return changes; }

  std::vector<std::pair<std::uint64_t, std::size_t>> pieces;  // offset, length
  std::function<void(std::size_t)> onPiece;                   // after the n-th piece was handed in
  bool changes = true;
  std::uint64_t size = 0;  // as begin() was told
};

// Replaces "ab" by "X" across piece boundaries (a trailing "a" waits for the next piece) and ends
// the file with "!".
class ReplaceAb : public ContentTransform {
 public:
  void begin(std::uint64_t) override { held_.clear(); }
  void piece(std::string_view in, std::uint64_t, std::string& out) override {
    std::string text = held_ + std::string(in);
    held_.clear();
    if (!text.empty() && text.back() == 'a') {
      held_ = "a";
      text.pop_back();
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text.compare(i, 2, "ab") == 0) {
        out += 'X';
        ++i;
      } else {
        out += text[i];
      }
    }
  }
  void finish(std::string& out) override { out += held_ + "!"; }

 private:
  std::string held_;
};

class RewriteTest : public PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    for (int n = 1; n <= 100; ++n)
      state_.state().msgForm[static_cast<std::size_t>(n)] = "[" + std::to_string(n) + "]";
    host_.fakeFolders[root_] = {{}, {}, {}};  // listCount 3 for the progress
    (void)host_.updateFiles(false, root_);
    trash_ = base_ + "env/XDG_DATA_HOME/Trash/files/";
    (void)takeCreationTimeNotice();
  }
  void setRecycle(bool on) {
    RunFlags flags = pipe_.flags();
    flags.recycleContent = on;
    pipe_.setFlags(flags);
  }
  RewriteResult rewrite(const std::string& path, ContentTransform& t, RewriteOptions options = {}) {
    options.messages = kMessages;
    return rewriteContents(pipe_, path, 1, t, options);
  }
  // The names in the folder of the file (temporary files would show here).
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(root_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  std::vector<std::string> trashed() const {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::directory_iterator(trash_, ec); !ec && it != fs::directory_iterator(); ++it)
      out.push_back(readAll(it->path().string()));
    return out;
  }

  static constexpr RewriteMessages kMessages{
      .readFailed = 8, .writeFailed = 9, .removeLabel = 5, .renameLabel = 10, .restoreBefore = 14,
      .restoreAfter = 11};
  std::string trash_;
};

TEST_F(RewriteTest, PiecesCoverTheFileAndItsNewContentsReplaceItWhole) {
  struct Case {
    std::size_t size, pieceSize;
    std::vector<std::pair<std::uint64_t, std::size_t>> pieces;
  };
  const std::vector<Case> cases = {
      {0, 4, {{0, 0}}},                   // an empty file is one empty piece
      {4, 4, {{0, 4}}},                   // exactly one piece
      {5, 4, {{0, 4}, {4, 1}}},           // one byte more: a second piece of one byte
      {11, 4, {{0, 4}, {4, 4}, {8, 3}}},
  };
  for (const Case& c : cases) {
    const std::string text = std::string("abcdefghijk").substr(0, c.size);
    const std::string file = makeFile("f.txt", text);
    Upper upper;
    const int yieldsBefore = host_.yields;
    const RewriteResult r = rewrite(file, upper, {.pieceSize = c.pieceSize});
    EXPECT_EQ(r.outcome, RewriteOutcome::Rewritten) << c.size;
    EXPECT_EQ(upper.size, c.size);
    EXPECT_EQ(upper.pieces, c.pieces) << c.size;
    EXPECT_EQ(host_.yields - yieldsBefore, static_cast<int>(c.pieces.size())) << c.size;  // one per piece
    std::string expected = text;
    std::transform(expected.begin(), expected.end(), expected.begin(), ::toupper);
    EXPECT_EQ(readAll(file), expected);
    EXPECT_EQ(names(), std::vector<std::string>{"f.txt"});
  }
  std::string done;
  for (std::size_t i = 0; i < cases.size(); ++i) done += root_ + "f.txt\r\n";
  EXPECT_EQ(pipe_.resultsText().readBack(), done);
  EXPECT_EQ(logged(), "");
}

TEST_F(RewriteTest, PiecePlansUseSixtyFourBitSizes) {
  struct Case {
    std::uint64_t size, pieceSize, count, last;
  };
  const std::vector<Case> cases = {
      {0, 10000, 1, 0},
      {(1ULL << 32) + 1, 1ULL << 31, 3, 1},               // past 4 GB
      {5'000'000'001ULL, 1'000'000, 5001, 1},
      {7, 0, 7, 1},                                       // a piece size of 0 counts as 1
  };
  for (const Case& c : cases) {
    const PiecePlan p = planPieces(c.size, c.pieceSize);
    EXPECT_EQ(p.count, c.count) << c.size;
    EXPECT_EQ(p.lastLength, c.last) << c.size;
  }
}

TEST_F(RewriteTest, TheTransformationCarriesStateAcrossPiecesAndEndsWithATail) {
  for (std::size_t pieceSize = 1; pieceSize <= 6; ++pieceSize) {
    const std::string file = makeFile("f.txt", "aabab");
    ReplaceAb t;
    ASSERT_EQ(rewrite(file, t, {.pieceSize = pieceSize}).outcome, RewriteOutcome::Rewritten);
    EXPECT_EQ(readAll(file), "aXX!") << pieceSize;
  }
}

TEST_F(RewriteTest, ProgressIsThePartOfTheFilesDone) {
  const std::string file = makeFile("f.txt", "abcdefgh");
  pipe_.resetProgress(1);
  Upper upper;
  int barAfterFirstPiece = -1;
  upper.onPiece = [&](std::size_t n) {
    if (n == 2) barAfterFirstPiece = host_.bar;
  };
  ASSERT_EQ(rewriteContents(pipe_, file, 2, upper, {.pieceSize = 4}).outcome, RewriteOutcome::Rewritten);
  // File 2 of listCount 3 in two pieces: (2 - 1) + 1/2, then (2 - 1) + 2/2 files of 3.
  EXPECT_NEAR(barAfterFirstPiece, 1.5 / 3 * 6015, 1);
  EXPECT_NEAR(host_.bar, 2.0 / 3 * 6015, 1);
  EXPECT_EQ(pipe_.progressDone(), 0);  // the folder is not done before its last file
}

TEST_F(RewriteTest, ModeOwnerAttributesAndHiddenListingAreKept) {
  const std::string file = makeFile("notes", "text");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  const bool xattrs = ::setxattr(file.c_str(), "user.tag", "blue", 4, 0) == 0;
  if (xattrs) ASSERT_EQ(SetAtt(file, kAttrHidden | kAttrArchive), 0);
  else ASSERT_EQ(SetAtt(file, kAttrHidden), 0);
  const std::uint8_t before = GetAtt(file);
  struct stat old {};
  ASSERT_EQ(::stat(file.c_str(), &old), 0);

  Upper upper;
  const RewriteResult r = rewrite(file, upper);
  ASSERT_EQ(r.outcome, RewriteOutcome::Rewritten);
  EXPECT_TRUE(r.attributesRestored);
  EXPECT_EQ(readAll(file), "TEXT");

  struct stat now {};
  ASSERT_EQ(::stat(file.c_str(), &now), 0);
  EXPECT_NE(now.st_ino, old.st_ino);  // replaced, never written into
  EXPECT_EQ(now.st_mode & 07777, 0640u);
  EXPECT_EQ(now.st_uid, old.st_uid);
  EXPECT_EQ(now.st_gid, old.st_gid);
  EXPECT_EQ(GetAtt(file), before);
  EXPECT_TRUE(platform::isListedHidden(file));
  if (xattrs) {
    char v[8] = {};
    EXPECT_EQ(::getxattr(file.c_str(), "user.tag", v, sizeof v), 4);
    EXPECT_EQ(std::string(v), "blue");
  }
  // The creation time is not kept: the run's notice, not a failure line.
  EXPECT_TRUE(takeCreationTimeNotice());
  EXPECT_EQ(logged(), "");
}

TEST_F(RewriteTest, LinksAreSkippedWithALineAndNothingChanges) {
  const std::string target = makeFile("target", "abc");
  fs::create_symlink(target, root_ + "link");
  const std::string shared = makeFile("shared", "abc");
  fs::create_hard_link(shared, root_ + "other name");
  for (const std::string name : {"link", "shared"}) {
    Upper upper;
    EXPECT_EQ(rewrite(root_ + name, upper).outcome, RewriteOutcome::Skipped) << name;
    EXPECT_TRUE(upper.pieces.empty()) << name;
  }
  EXPECT_EQ(readAll(target), "abc");
  EXPECT_EQ(readAll(shared), "abc");
  EXPECT_EQ(readAll(root_ + "other name"), "abc");
  EXPECT_TRUE(fs::is_symlink(root_ + "link"));
  EXPECT_EQ(logged(), "{130}" + root_ + "link\r\n{130}" + root_ + "shared\r\n");
  EXPECT_EQ(names(), (std::vector<std::string>{"link", "other name", "shared", "target"}));
  EXPECT_TRUE(trashed().empty());
}

TEST_F(RewriteTest, AFileChangedWhileItWasReadIsLeftAlone) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> change;
    std::string after;
  };
  const std::vector<Case> cases = {
      {"bytes appended", [](const std::string& p) { std::ofstream(p, std::ios::app) << "+new"; },
       "abcdefgh+new"},
      {"cut short", [](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 2), 0); }, "ab"},
      {"same size", [](const std::string& p) {
         const int fd = ::open(p.c_str(), O_WRONLY);
         ASSERT_EQ(::pwrite(fd, "Z", 1, 7), 1);
         ::close(fd);
       }, "abcdefgZ"},
      {"another file put there", [this](const std::string& p) {
         const std::string other = makeFile("other", "12345678");
         ASSERT_EQ(::rename(other.c_str(), p.c_str()), 0);
       }, "12345678"},
  };
  for (const Case& c : cases) {
    const std::string file = makeFile("f.txt", "abcdefgh");
    const std::string before = logged();
    Upper upper;
    upper.onPiece = [&](std::size_t n) {
      if (n != 1) return;
      ::usleep(5000);  // the next clock tick, so that the times show a same-size write
      c.change(file);
    };
    EXPECT_EQ(rewrite(file, upper, {.pieceSize = 4}).outcome, RewriteOutcome::Skipped) << c.name;
    EXPECT_EQ(readAll(file), c.after) << c.name;
    EXPECT_EQ(names(), std::vector<std::string>{"f.txt"}) << c.name;
    EXPECT_EQ(logged().substr(before.size()), "{131}" + file + "\r\n") << c.name;
  }
  EXPECT_TRUE(trashed().empty());
}

TEST_F(RewriteTest, ALineAppendedWhileTheOriginalGoesToTheTrashIsNotLost) {
  setRecycle(true);
  const std::string file = makeFile("app.log", "line 1\n");
  Upper upper;
  RewriteOptions options;
  // A logger writes while the trash copy is made: the later check must see it.
  options.onStep = [&](RewriteStep s) {
    if (s == RewriteStep::OriginalInTrash) std::ofstream(file, std::ios::app) << "line 2\n";
  };
  EXPECT_EQ(rewrite(file, upper, options).outcome, RewriteOutcome::Skipped);
  EXPECT_EQ(readAll(file), "line 1\nline 2\n");
  EXPECT_EQ(names(), std::vector<std::string>{"app.log"});
  EXPECT_TRUE(trashed().empty());
  EXPECT_EQ(logged(), "{131}" + file + "\r\n");
}

// A writer that opens the file after the last look, before the rename, breaks the write lease:
// the rewrite gives the file up and the writer's line lands in the file at its path. (Where the
// system grants no lease the open goes through at once: the case does not apply there.) With the
// file open for writing at the last look the rewrite gives up too, trash or not.
TEST_F(RewriteTest, AWriterThatOpensTheFileBeforeTheRenameKeepsItsLine) {
  for (const bool recycle : {false, true}) {
    SCOPED_TRACE(recycle ? "trash on" : "trash off");
    setRecycle(recycle);
    const std::string file = makeFile("app.log", "line 1\n");
    const std::string before = logged();
    bool leased = false;
    Upper upper;
    RewriteOptions options;
    options.onStep = [&](RewriteStep s) {
      if (s != RewriteStep::LastLook) return;
      // Refused at once while the lease holds (the break begins); granted, it writes now.
      const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
      leased = fd < 0 && errno == EWOULDBLOCK;
      if (fd >= 0) ::close(fd);
    };
    const RewriteOutcome outcome = rewrite(file, upper, options).outcome;
    if (!leased) {
      std::cout << "no write lease here: the look alone tells a write\n";
      return;
    }
    EXPECT_EQ(outcome, RewriteOutcome::Skipped);
    std::ofstream(file, std::ios::app) << "line 2\n";  // the writer, let go
    EXPECT_EQ(readAll(file), "line 1\nline 2\n");
    EXPECT_EQ(names(), std::vector<std::string>{"app.log"});
    EXPECT_TRUE(trashed().empty());
    EXPECT_EQ(logged().substr(before.size()), "{131}" + file + "\r\n");

    // Held open for writing at the last look.
    const int writer = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    EXPECT_EQ(rewrite(file, upper).outcome, RewriteOutcome::Skipped);
    ASSERT_EQ(::write(writer, "line 3\n", 7), 7);
    ::close(writer);
    EXPECT_EQ(readAll(file), "line 1\nline 2\nline 3\n");
    EXPECT_TRUE(trashed().empty());
    fs::remove(file);
  }
}

// A measurement, run when CORVANE_APPENDER_ROUNDS gives its rounds (per trash setting): a writer
// appends a numbered line every 2 ms while the file is rewritten again and again, and the lines
// missing afterwards are counted. A writer that looked the file up before a rename and opens it a
// moment after the rewrite's last check still writes into the old file, so no count is asserted.
TEST_F(RewriteTest, ASlowAppenderMeasured) {
  const char* env = std::getenv("CORVANE_APPENDER_ROUNDS");
  if (env == nullptr || *env == '\0') GTEST_SKIP() << "CORVANE_APPENDER_ROUNDS not set";
  const int rounds = std::atoi(env);
  class Same : public ContentTransform {
   public:
    void piece(std::string_view in, std::uint64_t, std::string& out) override { out.append(in); }
  };
  int lost = 0, roundsLosing = 0, skipped = 0;
  for (const bool recycle : {false, true}) {
    for (int round = 0; round < rounds; ++round) {
      setRecycle(recycle);
      fs::remove_all(base_ + "env/XDG_DATA_HOME/Trash");
      const std::string file = makeFile("app.log", "");
      int written[2];
      ASSERT_EQ(::pipe(written), 0);
      const pid_t writer = ::fork();
      ASSERT_GE(writer, 0);
      if (writer == 0) {
        ::close(written[0]);
        int n = 0;
        for (; n < 60; ++n) {
          const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
          if (fd < 0) break;
          const std::string line = "line " + std::to_string(n) + "\n";
          const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
          ::close(fd);
          if (!ok) break;
          const timespec pause{.tv_sec = 0, .tv_nsec = 2000000};
          ::nanosleep(&pause, nullptr);
        }
        (void)!::write(written[1], &n, sizeof n);
        ::_exit(0);
      }
      ::close(written[1]);
      for (int pass = 0; pass < 40; ++pass) {
        Same same;
        if (rewrite(file, same).outcome == RewriteOutcome::Skipped) ++skipped;
      }
      int n = 0;
      ASSERT_EQ(::read(written[0], &n, sizeof n), static_cast<ssize_t>(sizeof n));
      ::close(written[0]);
      int status = 0;
      ::waitpid(writer, &status, 0);
      const std::string text = readAll(file);
      int missing = 0;
      for (int i = 0; i < n; ++i)
        if (text.find("line " + std::to_string(i) + "\n") == std::string::npos) ++missing;
      lost += missing;
      roundsLosing += missing > 0 ? 1 : 0;
      fs::remove(file);
    }
  }
  std::cout << "appender_rounds: " << 2 * rounds << " rounds\nappender_rounds_losing: " << roundsLosing
            << " rounds\nappender_lines_lost: " << lost << " lines\nappender_rewrites_given_up: " << skipped
            << " files\n";
}

TEST_F(RewriteTest, CancelOrSkipMidFileLeavesTheOriginalAndNoTemporaryFile) {
  for (const CancelState value : {CancelState::Cancelled, CancelState::SkipFile}) {
    const std::string file = makeFile("f.txt", "abcdefghij");
    host_.cancel = CancelState::Running;
    host_.cancelAfterYields(2, value);
    Upper upper;
    EXPECT_EQ(rewrite(file, upper, {.pieceSize = 4}).outcome, RewriteOutcome::Cancelled) << static_cast<int>(value);
    EXPECT_EQ(upper.pieces.size(), 2u) << static_cast<int>(value);  // the third piece is never read
    EXPECT_EQ(host_.isCancel(), value);           // the caller decides what the run does next
    EXPECT_EQ(readAll(file), "abcdefghij");
    EXPECT_EQ(names(), std::vector<std::string>{"f.txt"});
  }
  EXPECT_TRUE(trashed().empty());
  EXPECT_EQ(logged(), "");
}

// The new contents of a sparse file keep its holes, whatever the pieces' size: a file of 8 MiB with
// two words in it does not grow to its full size on the disk.
TEST_F(RewriteTest, ASparseFileKeepsItsHoles) {
  const std::string file = root_ + "sparse.bin";
  const std::uint64_t size = std::uint64_t{8} << 20;
  ASSERT_TRUE(platform::testing::makeSparseFile(file, size, {{std::uint64_t{4} << 20, "abc"}, {size - 3, "xyz"}}));
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  if (before.st_blocks * 512 > (std::int64_t{1} << 20)) GTEST_SKIP() << "this file system keeps no holes";
  std::string expected(size, '\0');
  expected.replace(std::size_t{4} << 20, 3, "ABC");
  expected.replace(size - 3, 3, "XYZ");
  for (const std::size_t pieceSize : {std::size_t{1} << 20, std::size_t{5000}}) {
    ASSERT_TRUE(platform::testing::makeSparseFile(file, size, {{std::uint64_t{4} << 20, "abc"}, {size - 3, "xyz"}}));
    Upper upper;
    EXPECT_EQ(rewrite(file, upper, {.pieceSize = pieceSize}).outcome, RewriteOutcome::Rewritten) << pieceSize;
    EXPECT_TRUE(readAll(file) == expected) << pieceSize;
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_LE(after.st_blocks, before.st_blocks + 64) << pieceSize << ": holes were filled";
  }
}

TEST_F(RewriteTest, AnUnchangedResultLeavesTheFileAsItIs) {
  const std::string file = makeFile("f.txt", "ABC");
  struct stat old {};
  ASSERT_EQ(::stat(file.c_str(), &old), 0);
  Upper upper;
  upper.changes = false;
  EXPECT_EQ(rewrite(file, upper).outcome, RewriteOutcome::Unchanged);
  struct stat now {};
  ASSERT_EQ(::stat(file.c_str(), &now), 0);
  EXPECT_EQ(now.st_ino, old.st_ino);
  EXPECT_EQ(now.st_mtim.tv_nsec, old.st_mtim.tv_nsec);
  EXPECT_EQ(names(), std::vector<std::string>{"f.txt"});
  EXPECT_TRUE(trashed().empty());
  EXPECT_EQ(pipe_.resultsText().readBack() + logged(), "");
}

TEST_F(RewriteTest, TheOriginalGoesToTheTrashOnlyWhenTheSettingsSendItThere) {
  struct Case {
    bool recycleContent;
    ReplacedContents replaced;
    std::vector<std::string> trashed;
  };
  const std::vector<Case> cases = {
      {true, ReplacedContents::FollowSettings, {"old"}},
      {false, ReplacedContents::FollowSettings, {}},
      {true, ReplacedContents::NeverToTrash, {}},  // plaintext that must not survive encryption
  };
  for (const Case& c : cases) {
    fs::remove_all(base_ + "env/XDG_DATA_HOME/Trash");
    setRecycle(c.recycleContent);
    const std::string file = makeFile("f.txt", "old");
    Upper upper;
    ASSERT_EQ(rewrite(file, upper, {.replaced = c.replaced}).outcome, RewriteOutcome::Rewritten);
    EXPECT_EQ(readAll(file), "OLD");
    EXPECT_EQ(trashed(), c.trashed) << c.recycleContent;
  }
}

// One session for a run: its buffers, trash folders and names taken carry from file to file.
TEST_F(RewriteTest, FilesOfARunThroughOneSessionEachGetTheirOwnContentsAndTrashCopy) {
  setRecycle(true);
  fs::create_directories(root_ + "sub");
  RewriteSession session;
  struct Step {
    std::string name, text;
    bool emptyTrashFirst = false;  // the user empties the trash (folders and all) during the run
  };
  const std::vector<Step> steps = {
      {"a.txt", std::string(10, 'x') + "tail"},  // three pieces: the buffers grow
      {"sub/a.txt", "ab"},                         // a shorter file after it: nothing left over
      {"a.txt", "again"},                          // the same name a third time: a new number
      {"b.txt", "bee", true},
  };
  std::vector<std::string> expected;
  for (const Step& step : steps) {
    if (step.emptyTrashFirst) {
      fs::remove_all(base_ + "env/XDG_DATA_HOME/Trash");
      expected.clear();
    }
    const std::string file = makeFile(step.name, step.text);
    Upper upper;
    ASSERT_EQ(rewrite(file, upper, {.pieceSize = 4, .session = &session}).outcome, RewriteOutcome::Rewritten)
        << step.name << logged();
    std::string upperText = step.text;
    std::transform(upperText.begin(), upperText.end(), upperText.begin(), ::toupper);
    EXPECT_EQ(readAll(file), upperText) << step.name;
    expected.push_back(step.text);
    session.syncFolders();
  }
  std::vector<std::string> got = trashed();
  std::sort(got.begin(), got.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(got, expected);
  EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt", "sub"}));
}

// A session that commits in batches: the outcomes it reports, in the order of the files.
class BatchTest : public RewriteTest {
 protected:
  struct Reported {
    std::string path;
    RewriteOutcome outcome;
  };
  void SetUp() override {
    RewriteTest::SetUp();
    session_.emplace(pipe_, [this](const std::string& path, const RewriteResult& r) {
      reported_.push_back({path, r.outcome});
    });
  }
  void TearDown() override {
    session_.reset();
    RewriteTest::TearDown();
  }
  // Rewrites file through the batch: it is held, not yet in place.
  void hold(const std::string& file, RewriteOptions options = {}) {
    Upper upper;
    options.session = &*session_;
    const RewriteResult r = rewrite(file, upper, options);
    EXPECT_TRUE(r.deferred) << file << logged();
  }
  [[nodiscard]] std::vector<std::string> reportedPaths(RewriteOutcome outcome) const {
    std::vector<std::string> out;
    for (const Reported& r : reported_)
      if (r.outcome == outcome) out.push_back(r.path);
    return out;
  }
  std::optional<RewriteSession> session_;
  std::vector<Reported> reported_;
};

TEST_F(BatchTest, HeldFilesStayOldUntilTheCommitThenTheTrashHoldsEveryOriginal) {
  setRecycle(true);
  std::vector<std::string> files, originals;
  for (int n = 1; n <= 5; ++n) {
    originals.push_back("file " + std::to_string(n));
    files.push_back(makeFile("f" + std::to_string(n) + ".txt", originals.back()));
    hold(files.back(), {.pieceSize = 4});
  }
  // Complete in their temporary files, the originals untouched and nothing in the trash yet.
  EXPECT_EQ(readAll(files[0]), "file 1");
  EXPECT_EQ(names().size(), 10u);
  EXPECT_TRUE(trashed().empty());
  EXPECT_TRUE(reported_.empty());
  session_->syncFolders();
  EXPECT_EQ(reportedPaths(RewriteOutcome::Rewritten), files);
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::string upper = originals[i];
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    EXPECT_EQ(readAll(files[i]), upper);
  }
  std::vector<std::string> got = trashed();
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, originals);
  std::size_t infos = 0;
  for (const auto& e : fs::directory_iterator(base_ + "env/XDG_DATA_HOME/Trash/info/")) {
    EXPECT_TRUE(e.path().filename().string().ends_with(".trashinfo")) << e.path();
    ++infos;
  }
  EXPECT_EQ(infos, files.size());
  EXPECT_EQ(names().size(), 5u);  // no temporary file left
  EXPECT_EQ(logged(), "");
}

// A file written to after its temporary file was made is kept, with its line, and its trash copy
// goes again; the others of the batch are rewritten.
TEST_F(BatchTest, AFileChangedBeforeTheCommitIsKeptAndTheOthersAreRewritten) {
  setRecycle(true);
  const std::string a = makeFile("a.txt", "aa"), b = makeFile("b.txt", "bb"), c = makeFile("c.txt", "cc");
  for (const std::string& f : {a, b, c}) hold(f);
  std::ofstream(b, std::ios::app) << " and more";
  session_->commitBatch();
  EXPECT_EQ(readAll(a), "AA");
  EXPECT_EQ(readAll(b), "bb and more");
  EXPECT_EQ(readAll(c), "CC");
  EXPECT_EQ(reportedPaths(RewriteOutcome::Rewritten), (std::vector<std::string>{a, c}));
  EXPECT_EQ(reportedPaths(RewriteOutcome::Skipped), std::vector<std::string>{b});
  std::vector<std::string> got = trashed();
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{"aa", "cc"}));
  EXPECT_EQ(logged(), "{131}" + b + "\r\n");
  EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
}

// A line about a later file commits the files held before it, so that the lines keep their order.
TEST_F(BatchTest, ALineAboutALaterFileComesAfterTheLinesOfTheFilesHeldBeforeIt) {
  const std::string a = makeFile("a.txt", "aa"), target = makeFile("t.txt", "tt");
  hold(a);
  std::ofstream(a, std::ios::app) << "!";  // a's line comes at its commit
  const std::string link = root_ + "link.txt";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  Upper upper;
  EXPECT_EQ(rewrite(link, upper, {.session = &*session_}).outcome, RewriteOutcome::Skipped);
  EXPECT_EQ(logged(), "{131}" + a + "\r\n{130}" + link + "\r\n");
  EXPECT_EQ(reportedPaths(RewriteOutcome::Skipped), std::vector<std::string>{a});
}

// A Cancel during a file after others were held: the held ones are committed when the run ends,
// the cancelled one keeps its old contents, and no temporary file stays.
TEST_F(BatchTest, ACancelInTheMiddleOfABatchLeavesEachFileOldOrNew) {
  setRecycle(true);
  const std::string a = makeFile("a.txt", "aaaa"), b = makeFile("b.txt", "bbbb"), c = makeFile("c.txt", "cccccccc");
  hold(a, {.pieceSize = 4});
  hold(b, {.pieceSize = 4});
  host_.cancelAfterYields(1, CancelState::Cancelled);
  Upper upper;
  EXPECT_EQ(rewrite(c, upper, {.pieceSize = 4, .session = &*session_}).outcome, RewriteOutcome::Cancelled);
  session_->syncFolders();  // the folder's end, which the run reaches also when cancelled
  EXPECT_EQ(readAll(a), "AAAA");
  EXPECT_EQ(readAll(b), "BBBB");
  EXPECT_EQ(readAll(c), "cccccccc");
  EXPECT_EQ(reportedPaths(RewriteOutcome::Rewritten), (std::vector<std::string>{a, b}));
  EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  std::vector<std::string> got = trashed();
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{"aaaa", "bbbb"}));
}

// A full batch commits by itself, before the next file is written.
TEST_F(BatchTest, AFullBatchCommitsWithoutWaitingForTheFolderEnd) {
  std::vector<std::string> files;
  for (std::size_t n = 0; n < RewriteSession::kBatchFiles + 1; ++n) {
    files.push_back(makeFile("f" + std::to_string(n), "x"));
    hold(files.back());
  }
  EXPECT_EQ(reported_.size(), RewriteSession::kBatchFiles);
  EXPECT_EQ(readAll(files.front()), "X");
  EXPECT_EQ(readAll(files.back()), "x");
  session_.reset();  // the end of the session commits the rest
  EXPECT_EQ(reported_.size(), files.size());
  EXPECT_EQ(readAll(files.back()), "X");
}

// The new contents are forced to the disk only where their rename ends the old contents' last
// name: where the original goes to the trash, its entry there is synced before the rename instead,
// and the new contents not at all (alone or in a batch).
TEST_F(BatchTest, NewContentsAreSyncedOnlyWhereTheOldOnesAreNotKeptInTheTrash) {
  struct Case {
    const char* name;
    bool batched, recycle;
    ReplacedContents replaced;
    bool kept;  // the original goes to the trash
  };
  const std::vector<Case> cases = {
      {"alone, to the trash", false, true, ReplacedContents::FollowSettings, true},
      {"alone, nowhere", false, false, ReplacedContents::FollowSettings, false},
      {"alone, plaintext never to the trash", false, true, ReplacedContents::NeverToTrash, false},
      {"batch, to the trash", true, true, ReplacedContents::FollowSettings, true},
      {"batch, nowhere", true, false, ReplacedContents::FollowSettings, false},
  };
  for (const Case& c : cases) {
    fs::remove_all(base_ + "env/XDG_DATA_HOME/Trash");
    setRecycle(c.recycle);
    const std::string file = makeFile("f.txt", "old");
    const std::uint64_t contents = platform::contentSyncCount(), entries = platform::trashEntrySyncCount();
    std::optional<std::pair<std::uint64_t, std::uint64_t>> atRename;  // syncs of each kind before it
    RewriteOptions options{.replaced = c.replaced};
    options.onStep = [&](RewriteStep s) {
      if (s == RewriteStep::Replaced)
        atRename.emplace(platform::contentSyncCount() - contents, platform::trashEntrySyncCount() - entries);
    };
    if (c.batched) {
      hold(file, options);
      session_->syncFolders();
    } else {
      Upper upper;
      ASSERT_EQ(rewrite(file, upper, options).outcome, RewriteOutcome::Rewritten) << c.name << logged();
    }
    ASSERT_TRUE(atRename.has_value()) << c.name << logged();
    EXPECT_EQ(readAll(file), "OLD") << c.name;
    EXPECT_EQ(trashed(), c.kept ? std::vector<std::string>{"old"} : std::vector<std::string>{}) << c.name;
    EXPECT_EQ(atRename->first > 0, !c.kept) << c.name;
    EXPECT_EQ(atRename->second > 0, c.kept) << c.name;
    EXPECT_EQ(platform::contentSyncCount() - contents, atRename->first) << c.name << ": synced after the rename";
  }
}

// A kill at any step of a batch's commit leaves each file with its old or its complete new
// contents, and the original of every file already new in the trash.
TEST_F(BatchTest, AKillDuringABatchCommitLeavesEachFileOldOrNewWithItsOriginalInTheTrash) {
  struct Case {
    RewriteStep step;
    int occurrence;
  };
  const std::vector<Case> cases = {{RewriteStep::TemporaryReady, 2}, {RewriteStep::OriginalInTrash, 1},
                                   {RewriteStep::OriginalInTrash, 3}, {RewriteStep::Replaced, 1},
                                   {RewriteStep::Replaced, 2}};
  const std::vector<std::string> originals = {"one", "two", "three"};
  for (const Case& c : cases) {
    fs::remove_all(base_ + "env/XDG_DATA_HOME/Trash");
    setRecycle(true);
    std::vector<std::string> files;
    for (std::size_t i = 0; i < originals.size(); ++i)
      files.push_back(makeFile("f" + std::to_string(i) + ".txt", originals[i]));
    const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
      int seen = 0;
      RewriteOptions options;
      options.onStep = [&](RewriteStep s) {
        if (s == c.step && ++seen == c.occurrence) ::raise(SIGKILL);
      };
      for (const std::string& f : files) hold(f, options);
      session_->commitBatch();
      return "not killed";
    });
    const int at = static_cast<int>(c.step);
    EXPECT_EQ(child.signal, SIGKILL) << at << " " << child.report;
    const std::vector<std::string> inTrash = trashed();
    for (std::size_t i = 0; i < files.size(); ++i) {
      std::string upper = originals[i];
      std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
      const std::string now = readAll(files[i]);
      EXPECT_TRUE(now == originals[i] || now == upper) << at << " " << now;
      if (now == upper) {
        EXPECT_NE(std::find(inTrash.begin(), inTrash.end(), originals[i]), inTrash.end()) << at << " " << now;
      }
    }
    for (const auto& e : fs::directory_iterator(root_)) fs::remove(e.path());
  }
}

// A batch killed at any moment, most of all between its trash links and its renames, leaves no
// original with a second name in the trash: the next run rewrites every file (none skipped as a
// file with several hard links), and each original rewritten before the kill stays in the trash.
TEST_F(BatchTest, AKilledBatchLeavesOriginalsTheNextRunRewrites) {
  constexpr int kFiles = 12;
  const std::uint64_t seed = platform::testing::killSeed();
  std::mt19937_64 random(seed);
  const auto upper = [](std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), ::toupper);
    return text;
  };
  const auto makeFiles = [&] {
    fs::remove_all(base_ + "env/XDG_DATA_HOME/Trash");
    for (const auto& e : fs::directory_iterator(root_)) fs::remove(e.path());
    std::vector<std::string> files;
    for (int n = 0; n < kFiles; ++n) files.push_back(makeFile("f" + std::to_string(n) + ".txt", "file " + std::to_string(n)));
    return files;
  };
  // The batch in a child, killed at the chosen link (a step) or after delay (any moment).
  const auto killedBatch = [&](const std::vector<std::string>& files, int atLink,
                               std::optional<std::chrono::nanoseconds> delay) {
    return platform::testing::runKilledAfter(
        [&] {
          // A session of the child's own, as a run of another process has.
          session_.emplace(pipe_, [](const std::string&, const RewriteResult&) {});
          setRecycle(true);
          int links = 0;
          RewriteOptions options;
          options.onStep = [&](RewriteStep s) {
            if (s == RewriteStep::OriginalInTrash && ++links == atLink) ::raise(SIGKILL);
          };
          for (const std::string& f : files) hold(f, options);
          session_->commitBatch();
        },
        delay, std::chrono::seconds(60));
  };
  session_.reset();
  std::vector<std::string> files = makeFiles();
  const auto whole = killedBatch(files, 0, std::nullopt);
  ASSERT_TRUE(whole.finished);
  for (int round = 0; round < 16; ++round) {
    files = makeFiles();
    const bool atStep = round % 2 == 0;
    const int atLink = atStep ? static_cast<int>(random() % kFiles) + 1 : 0;
    const auto delay = std::chrono::nanoseconds(static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(whole.lasted.count() + 1)));
    const auto child = killedBatch(files, atLink, atStep ? std::nullopt : std::optional(delay));
    const std::string at = "seed " + std::to_string(seed) + " round " + std::to_string(round);
    ASSERT_FALSE(child.hung) << at;
    std::vector<bool> newBefore;
    for (int n = 0; n < kFiles; ++n) newBefore.push_back(readAll(files[static_cast<std::size_t>(n)]) != "file " + std::to_string(n));

    // The next run.
    session_.reset();
    reported_.clear();
    const std::size_t logBefore = logged().size();
    session_.emplace(pipe_, [this](const std::string& path, const RewriteResult& r) { reported_.push_back({path, r.outcome}); });
    setRecycle(true);
    for (const std::string& f : files) {
      Upper t;
      RewriteOptions options{.session = &*session_};
      (void)rewrite(f, t, options);
    }
    session_->commitBatch();
    const std::string log = logged().substr(logBefore);
    EXPECT_EQ(log.find("{130}"), std::string::npos) << at << "\n" << log;
    const std::vector<std::string> inTrash = trashed();
    for (int n = 0; n < kFiles; ++n) {
      const std::string& f = files[static_cast<std::size_t>(n)];
      const std::string original = "file " + std::to_string(n);
      EXPECT_EQ(readAll(f), upper(original)) << at << " " << f;
      struct stat st {};
      ASSERT_EQ(::stat(f.c_str(), &st), 0) << at;
      EXPECT_EQ(st.st_nlink, 1u) << at << " " << f;
      if (newBefore[static_cast<std::size_t>(n)]) {
        EXPECT_NE(std::find(inTrash.begin(), inTrash.end(), original), inTrash.end()) << at << " " << f;
      }
    }
    session_.reset();  // the run ends before the next one forks
  }
}

TEST_F(RewriteTest, OnTheMountAgreedToForThisRunTheOriginalIsNotKeptInTheTrash) {
  setRecycle(true);
  pipe_.setMountProbe({.isFixedDrive = [](const std::string&) { return false; },
                       .mountPoint = [this](const std::string&) { return root_; }});
  ASSERT_EQ(pipe_.checkDriveForRecycle(form_, root_), 1);
  pipe_.buildDirList(form_, root_);
  setRecycle(true);
  host_.fakeFolders[root_] = {{}, {}, {}};
  (void)host_.updateFiles(false, root_);
  const std::string file = makeFile("f.txt", "old");
  Upper upper;
  ASSERT_EQ(rewrite(file, upper).outcome, RewriteOutcome::Rewritten);
  EXPECT_EQ(readAll(file), "OLD");
  EXPECT_TRUE(trashed().empty());
}

TEST_F(RewriteTest, AFailedFinalRenameKeepsTheOriginalAndTakesItsCopyOutOfTheTrash) {
  const std::string file = makeFile("f.txt", "old");
  Upper upper;
  RewriteOptions options;
  // Between the trash copy and the rename, the temporary file goes: the rename must fail.
  options.onStep = [&](RewriteStep s) {
    if (s != RewriteStep::OriginalInTrash) return;
    for (const auto& e : fs::directory_iterator(root_))
      if (platform::isTemporaryName(e.path().filename().string())) fs::remove(e.path());
  };
  EXPECT_EQ(rewrite(file, upper, options).outcome, RewriteOutcome::Failed);
  EXPECT_EQ(readAll(file), "old");
  EXPECT_TRUE(trashed().empty());
  EXPECT_EQ(names(), (std::vector<std::string>{"f.txt"}));
  const std::string line = logged();
  EXPECT_EQ(line.rfind("{83} [10]{81}: " + root_ + ".f.txt.vdk", 0), 0u) << line;
  EXPECT_NE(line.find("{84}" + file + "\r\n"), std::string::npos) << line;
}

TEST_F(RewriteTest, AReadOnlyFolderFailsWithTheWriteLineAndKeepsTheFile) {
  const std::string file = makeFile("f.txt", "old");
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    if (::geteuid() == 0) {  // root writes into any folder whose mode forbids it: mount it read-only
      if (std::string why = platform::testing::privateMounts(); !why.empty()) return "skip " + why;
      if (std::string why = platform::testing::makeReadOnly(root_); !why.empty()) return "skip " + why;
    } else if (::chmod(root_.c_str(), 0555) != 0) {
      return "skip chmod";
    }
    Upper upper;
    const RewriteResult r = rewrite(file, upper);
    return std::to_string(static_cast<int>(r.outcome)) + "|" + logged() + "|" + readAll(file);
  });
  ::chmod(root_.c_str(), 0755);
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  const std::string failed = std::to_string(static_cast<int>(RewriteOutcome::Failed));
  EXPECT_EQ(child.report.rfind(failed + "|[9]" + file + " (", 0), 0u) << child.report;
  EXPECT_EQ(child.report.substr(child.report.size() - 6), "\r\n|old");
  EXPECT_EQ(names(), std::vector<std::string>{"f.txt"});
}

TEST_F(RewriteTest, AFullDiskFailsWithTheWriteLineAndKeepsTheFile) {
  // Two ways to fill the disk: a small file system of its own (a child's private tmpfs), and a
  // file-size limit, which works everywhere.
  for (const bool tmpfs : {true, false}) {
    const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
      if (tmpfs) {
        if (std::string why = platform::testing::privateMounts(); !why.empty()) return "skip " + why;
        if (std::string why = platform::testing::mountSmallTmpfs(root_, 64 * 1024); !why.empty())
          return "skip " + why;
      }
      const std::string original(40 * 1024, 'a');
      const std::string file = makeFile("big.txt", original);
      std::optional<platform::testing::ScopedFileSizeLimit> limit;
      if (!tmpfs) limit.emplace(1024);
      setRecycle(false);
      Upper upper;
      const RewriteResult r = rewrite(file, upper, {.pieceSize = 4096});
      std::string leftovers;
      for (const auto& e : fs::directory_iterator(root_)) leftovers += e.path().filename().string() + " ";
      return std::to_string(static_cast<int>(r.outcome)) + "|" + logged() + "|" +
             (readAll(file) == original ? "intact" : "damaged") + "|" + leftovers;
    });
    ASSERT_TRUE(child.exited) << tmpfs;
    if (child.report.rfind("skip ", 0) == 0) {
      std::cout << "tmpfs row skipped: " << child.report << "\n";
      continue;
    }
    const std::string failed = std::to_string(static_cast<int>(RewriteOutcome::Failed));
    // The file that kept its contents and why, not the temporary file that is gone.
    EXPECT_EQ(child.report.rfind(failed + "|[9]" + root_ + "big.txt (", 0), 0u) << child.report;
    if (tmpfs) {
      EXPECT_NE(child.report.find("{143}"), std::string::npos) << child.report;
    }
    EXPECT_TRUE(child.report.ends_with("\r\n|intact|big.txt ")) << child.report;
  }
}

TEST_F(RewriteTest, AKillAtAnyStepLeavesTheOldOrTheCompleteNewContents) {
  struct Case {
    RewriteStep step;
    int occurrence;  // which time the step is reached
    bool replaced;   // the new contents are in place when the process dies
  };
  const std::vector<Case> cases = {
      {RewriteStep::TemporaryCreated, 1, false}, {RewriteStep::PieceWritten, 1, false},
      {RewriteStep::PieceWritten, 3, false},     {RewriteStep::TemporaryReady, 1, false},
      {RewriteStep::OriginalInTrash, 1, false},  {RewriteStep::Replaced, 1, true},
  };
  const std::string original = "the old contents, several pieces long";
  std::string upper = original;
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  for (const Case& c : cases) {
    const std::string file = makeFile("f.txt", original);
    const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
      int seen = 0;
      RewriteOptions options{.pieceSize = 8};
      options.onStep = [&](RewriteStep s) {
        if (s == c.step && ++seen == c.occurrence) ::raise(SIGKILL);
      };
      Upper t;
      (void)rewrite(file, t, options);
      return "not killed";
    });
    const int at = static_cast<int>(c.step);
    EXPECT_EQ(child.signal, SIGKILL) << at << " " << child.report;
    EXPECT_EQ(readAll(file), c.replaced ? upper : original) << at;
    fs::remove(file);
    // A temporary file the kill left behind.
    for (const auto& e : fs::directory_iterator(root_)) fs::remove(e.path());
  }
}

}  // namespace
}  // namespace core::testing
