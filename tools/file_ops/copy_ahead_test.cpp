// Copies made ahead by worker threads end exactly as the run's own copies, one in its turn: the
// same files with the same bytes, times and bits, the same results text, the same journal, and
// nothing else in the target folders (no partial file, no temporary), whether the run ends
// by itself, by a Cancel at any moment, or with a name taken under it.
#include "tools/file_ops/copy_ahead.h"
#include "tools/file_ops/copy_run.h"

#include "core/undo_journal.h"
#include "platform/dir_listing.h"
#include "platform/fault_test_support.h"
#include "platform/fs.h"
#include "tools/file_ops/copy_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace tools::file_ops {
namespace {

// Everything a run leaves that a user or an undo could see.
struct Remains {
  CopyJobEnd end{};
  long long done = 0, skipped = 0, failed = 0;
  core::RunEnd runEnd{};
  std::string report;
  std::map<std::string, std::string> entries{};  // relative path -> bytes, or "<dir>"; modes and times too
  std::vector<core::JournalRecord> records{};
  std::vector<std::optional<core::CopyStamp>> stamps{};
  bool operator==(const Remains&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Remains& r) {
  out << "done " << r.done << " skipped " << r.skipped << " failed " << r.failed << " end "
      << static_cast<int>(r.runEnd) << "\n" << r.report << "\n";
  for (const auto& [path, what] : r.entries) {
    const std::size_t tail = what.rfind(" mode ");
    out << "  " << path << " " << what.size() << (tail == std::string::npos ? "" : what.substr(tail)) << "\n";
  }
  for (std::size_t i = 0; i < r.records.size(); ++i) {
    out << "  record " << r.records[i].from << " -> " << r.records[i].to;
    if (i < r.stamps.size() && r.stamps[i]) out << " " << r.stamps[i]->size << " " << r.stamps[i]->modifiedSec << "." << r.stamps[i]->modifiedNsec;
    out << "\n";
  }
  return out;
}

class CopyAheadTest : public testing::CopyToolTest {
 protected:
  void SetUp() override {
    CopyToolTest::SetUp();
    main_ = makeDir("main");
    out_ = root_ + "out/";
  }

  // A tree of small files in three folders, a few too large to be copied ahead, an empty one,
  // one reached through a link, a FIFO (refused), old times and other permission bits.
  void makeTree() {
    makeDir("main/a/b");
    makeDir("main/c d");
    const platform::FileTime old{.sec = 1000000000, .nsec = 123456789, .known = true};
    int n = 0;
    for (const std::string folder : {"", "a/", "a/b/", "c d/"}) {
      for (int i = 0; i < 12; ++i, ++n) {
        const std::size_t size = i == 5 ? 2500000 : i == 7 ? 0 : i == 9 ? 1000000 : 100 + 997u * static_cast<std::size_t>(n);
        std::string bytes(size, '\0');
        for (std::size_t k = 0; k < size; ++k) bytes[k] = static_cast<char>('a' + (k * 7 + static_cast<std::size_t>(n)) % 26);
        const std::string path = makeFile("main/" + folder + "f " + std::to_string(n) + ".txt", bytes);
        ASSERT_EQ(platform::setFileTimes(path, &old, &old), 0);
        if (i == 3) {
          ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
        }
      }
    }
    ASSERT_EQ(::symlink((main_ + "f 1.txt").c_str(), (main_ + "a/link.txt").c_str()), 0);
    ASSERT_EQ(::mkfifo((main_ + "a/b/fifo").c_str(), 0644), 0);
  }

  CopyJobResult run(int workers, CopyJobOptions options = {}) {
    if (options.pattern.empty()) options.pattern = root_ + "out";
    options.keepStructure = options.withSubfolders = true;
    options.mainFolder = main_;
    options.copyAheadWorkers = workers;
    return runCopyJob(pipe_, form_, options, msg_);
  }

  // The report without the line of its date and time (message 75), which two runs never share.
  static std::string undated(std::string report) {
    const std::size_t at = report.find("{75}");
    if (at != std::string::npos) report.erase(at, report.find('\n', at) - at);
    return report;
  }

  Remains remains(const CopyJobResult& r, const core::ScriptedRunHost& host) {
    Remains out{.end = r.end, .done = r.outcome.done, .skipped = r.outcome.skipped, .failed = r.outcome.failed,
                .runEnd = r.outcome.end, .report = host.results.empty() ? "" : undated(host.results.back().text)};
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(out_, ec)) {
      const std::string rel = e.path().string().substr(out_.size());
      struct stat st {};
      if (::lstat(e.path().c_str(), &st) != 0) continue;
      out.entries[rel] = S_ISDIR(st.st_mode) ? "<dir>"
                         : readAll(e.path().string()) + " mode " + std::to_string(st.st_mode) + " mtime " +
                               std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
    }
    if (r.journalSlot != 0) {
      out.records = records(r.journalSlot);
      out.stamps = stamps(r.journalSlot);
    }
    return out;
  }

  // Each side starts from no target and no journal.
  void fresh() {
    std::filesystem::remove_all(out_);
    core::clearJournals(core::kCopyJournal);
    host_.results.clear();
    host_.cancel = core::CancelState::Running;
  }

  std::string main_, out_;
};

TEST_F(CopyAheadTest, CopiesMadeAheadEndAsCopiesMadeInTurn) {
  makeTree();
  // Numbered names, and names skipped, where targets exist already.
  for (const TargetExists exists : {TargetExists::Skip, TargetExists::Numbered}) {
    SCOPED_TRACE(static_cast<int>(exists));
    const auto side = [&](int workers, long long& ahead) {
      fresh();
      makeDir("out/a");
      const platform::FileTime old{.sec = 1000000000, .nsec = 0, .known = true};
      for (const std::string& there : {makeFile("out/a/f 14.txt", "there"), makeFile("out/a/f 20.txt", "there too")})
        EXPECT_EQ(platform::setFileTimes(there, &old, &old), 0);
      const CopyJobResult r = run(workers, {.exists = exists});
      ahead = r.copiedAhead;
      return remains(r, host_);
    };
    long long inTurn = 0, ahead = 0;
    const Remains serial = side(0, inTurn);
    EXPECT_EQ(inTurn, 0);
    // A busy machine may leave the workers no turn before the run copies a file itself (which
    // ends the same): the copies are made again until workers made some of them.
    for (int tries = 0; tries < 20 && ahead == 0 && !HasFailure(); ++tries) EXPECT_EQ(side(3, ahead), serial);
    EXPECT_GT(ahead, 0);
    EXPECT_EQ(serial.done, exists == TargetExists::Skip ? 47 : 49);  // 48 files and the link, not the FIFO
  }
}

// A Cancel at each yield in turn: the two ways stop after the same file, with the same files
// and journal, and nothing half made.
TEST_F(CopyAheadTest, ACancelAtAnyYieldLeavesWhatTheRunInTurnLeaves) {
  makeTree();
  bool completed = false;
  for (int yields = 1; yields <= 80 && !completed; ++yields) {
    SCOPED_TRACE(yields);
    const auto side = [&](int workers) {
      fresh();
      host_.cancelAfterYields(yields);
      return remains(run(workers), host_);
    };
    const Remains serial = side(0), parallel = side(3);
    EXPECT_EQ(parallel, serial);
    completed = serial.runEnd == core::RunEnd::Completed;
  }
  EXPECT_TRUE(completed);
}

// A name taken by someone else just before a copy made ahead takes it: the copy fails as the
// run's own would (nothing replaced, its line, not journalled), and the run goes on.
TEST_F(CopyAheadTest, ANameTakenMeanwhileFailsTheCopyAsInTurn) {
  testing::YieldHookHost host;
  host.realListing = true;
  core::Pipeline pipe(host);
  for (int i = 0; i < 6; ++i) makeFile("main/f" + std::to_string(i) + ".txt", std::string(100 + i, 'x'));
  const auto side = [&](int workers) {
    fresh();
    host.results.clear();
    // The yield after the third file's bytes comes between its check and its name.
    host.onYield = [&] {
      if (std::filesystem::exists(out_ + "f1.txt") && !std::filesystem::exists(out_ + "f2.txt"))
        std::ofstream(out_ + "f2.txt") << "someone's";
    };
    CopyJobOptions options{.pattern = root_ + "out", .mainFolder = main_, .copyAheadWorkers = workers};
    const CopyJobResult r = runCopyJob(pipe, form_, options, msg_);
    const platform::FileTime old{.sec = 1000000000, .nsec = 0, .known = true};
    EXPECT_EQ(platform::setFileTimes(out_ + "f2.txt", &old, &old), 0);  // someone's file, made at its own time
    return remains(r, host);
  };
  const Remains serial = side(0), parallel = side(3);
  EXPECT_EQ(parallel, serial);
  EXPECT_EQ(serial.failed, 1);
  EXPECT_EQ(serial.done, 5);
  EXPECT_EQ(readAll(out_ + "f2.txt"), "someone's");
  EXPECT_NE(serial.report.find("[13]" + main_ + "f2.txt[12]" + out_), std::string::npos) << serial.report;
}

// Copies asked for and never taken (the run passed them by, or ended) leave nothing anywhere,
// and the workers end with the object; one taken takes its name once.
TEST(CopyAhead, CopiesNeverTakenLeaveNothing) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("copy_ahead_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir / "from");
  std::filesystem::create_directories(dir / "to");
  for (int i = 0; i < 20; ++i) std::ofstream(dir / "from" / ("f" + std::to_string(i))) << std::string(5000, 'a' + i);
  const int before = platform::testing::openDescriptors();
  {
    platform::FolderReader from, to;
    ASSERT_EQ(from.open((dir / "from").string()), 0);
    ASSERT_EQ(to.open((dir / "to").string()), 0);
    CopyAhead ahead(2, 8);
    ahead.startFolder(from.fd(), to.fd());
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) names.push_back("f" + std::to_string(i));
    EXPECT_EQ(ahead.room(), 8u);
    ahead.request(names);  // the first 8
    EXPECT_EQ(ahead.room(), 0u);
    // A worker may not have come to a file yet (the run then copies it itself): the files are
    // taken in turn, each after a moment's wait, until one comes ready, which keeps a name.
    std::unique_ptr<platform::PreparedCopy> kept;
    int at = 0;
    while (!kept && at < 20) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      kept = ahead.take("f" + std::to_string(at++));
      if (kept && !kept->ready()) kept.reset();
    }
    ASSERT_TRUE(kept) << "no copy came ready";
    EXPECT_EQ(kept->source().st_size, 5000);
    EXPECT_EQ(ahead.take("f" + std::to_string(at - 1)), nullptr);  // taken once
    EXPECT_EQ(ahead.take("missing"), nullptr);
    ASSERT_EQ(kept->link(to.fd(), "kept"), 0);
    EXPECT_FALSE(kept->ready());
    EXPECT_EQ(kept->link(to.fd(), "again"), EBADF);
  }  // the rest dropped unnamed, the workers joined
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "to"), std::filesystem::directory_iterator()), 1);
  EXPECT_EQ(std::filesystem::file_size(dir / "to" / "kept"), 5000u);
  EXPECT_EQ(platform::testing::openDescriptors(), before);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tools::file_ops
