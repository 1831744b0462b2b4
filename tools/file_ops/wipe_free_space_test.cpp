// Wiping free space, always on a small tmpfs of a private mount namespace (never on / or a
// RAM-sized tmpfs; skipped where this system allows no such mount): the fill files go into a new
// private folder recorded in "drivewiped", fill the file system, are written again by later passes
// and are all removed at the end, after a Cancel or an error too, and at the next start after a
// crash.
#include "tools/file_ops/wipe_free_space.h"

#include "core/settings.h"
#include "main_window/startup_steps.h"
#include "platform/fault_test_support.h"
#include "tools/file_ops/delete_run.h"
#include "tools/file_ops/delete_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace tools::file_ops {
namespace {

namespace fs = std::filesystem;
using Report = std::map<std::string, std::string>;

constexpr std::size_t kMiB = 1024 * 1024;

class WipeFreeSpaceTest : public testing::DeleteTest {
 protected:
  void SetUp() override {
    DeleteTest::SetUp();
    mount_ = root_ + "mnt";
    fs::create_directories(mount_);
  }

  // Runs body in a child with a tmpfs of size bytes on mount_; the child's "key=value" lines. A
  // system that allows no private mount gives {"skip": why}.
  Report onSmallMount(std::size_t size, const std::function<Report()>& body) {
    const platform::testing::ChildOutcome out = platform::testing::runInChild([&]() -> std::string {
      if (const std::string why = platform::testing::privateMounts(); !why.empty()) return "skip=" + why + "\n";
      if (const std::string why = platform::testing::mountSmallTmpfs(mount_, size); !why.empty())
        return "skip=" + why + "\n";
      std::string text;
      for (const auto& [k, v] : body()) text += k + "=" + v + "\n";
      return text;
    });
    Report r;
    if (!out.exited) r["crash"] = std::to_string(out.signal);
    std::istringstream in(out.report);
    for (std::string line; std::getline(in, line);) {
      const auto eq = line.find('=');
      if (eq != std::string::npos) r[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return r;
  }

  FreeSpaceOutcome wipe(core::Pipeline& pipe, int passes, std::vector<std::string> parents = {}) {
    return wipeFreeSpace(pipe, form_, {.mode = DeleteMode::WipeFreeSpace, .passes = passes, .folder = root_,
                                       .mountPoint = mount_ + "/", .fillFolderParents = std::move(parents)},
                         msg_);
  }
  // What is left on the mount, "drivewiped", the report (line breaks as "|") and the questions.
  Report left(const core::ScriptedRunHost& host) {
    Report r;
    r["left"] = std::to_string(namesIn(mount_).size());
    r["drivewiped"] = core::getSet("drivewiped");
    std::string text = host.results.empty() ? std::string() : host.results.back().text;
    for (char& c : text) c = c == '\r' || c == '\n' ? '|' : c;
    r["report"] = text;
    std::string asked;
    for (const auto& q : host.questions) asked += q.style + ":" + q.message + ":" + q.title + ";";
    r["asked"] = asked;
    return r;
  }
  // The same with the outcome.
  Report described(const FreeSpaceOutcome& out, const core::ScriptedRunHost& host) {
    Report r = left(host);
    r["started"] = out.started ? "1" : "0";
    r["folder"] = out.fillFolder;
    r["files"] = std::to_string(out.fillFiles);
    r["passes"] = std::to_string(out.passesDone);
    r["written"] = std::to_string(out.bytesWritten);
    r["free"] = std::to_string(out.atStart.freeBlocks * out.atStart.blockSize);
    r["end"] = std::to_string(static_cast<int>(out.fillEnd));
    r["leftovers"] = std::to_string(out.leftovers);
    return r;
  }

  std::string mount_;
};

#define SKIP_WITHOUT_MOUNT(r) \
  if ((r).count("skip")) GTEST_SKIP() << "no private tmpfs here: " << (r)["skip"]

TEST_F(WipeFreeSpaceTest, ThreePassesFillThePrivateFolderAndLeaveNothingBehind) {
  Report r = onSmallMount(24 * kMiB, [&] {
    testing::WatchingHost watch;
    core::Pipeline pipe(watch);
    std::string recorded, mode;
    watch.onYield = [&] {
      // The last look comes after the removal has cleared the record.
      const std::string now = core::getSet("drivewiped");
      if (now.empty()) return;
      recorded = now;
      struct stat st {};
      if (::stat(recorded.c_str(), &st) == 0) mode = std::to_string(st.st_mode & 0777);
    };
    // Started as the window starts it: the question first, no write test of the mount point.
    (void)deleteStart(pipe, form_, {.mode = DeleteMode::WipeFreeSpace, .passes = 3, .folder = root_,
                                    .mountPoint = mount_ + "/"}, msg_);
    Report d = left(watch);
    d["recorded"] = recorded;
    d["mode"] = mode;
    std::string captions;
    for (const std::string& c : watch.captions) captions += c + ";";
    d["captions"] = captions;
    return d;
  });
  SKIP_WITHOUT_MOUNT(r);
  EXPECT_EQ(r["crash"], "");
  EXPECT_EQ(r["asked"], ":[1]:W;");
  EXPECT_EQ(r["recorded"].rfind(mount_ + "/" + std::string(mainwin::kWipeFolderPrefix), 0), 0u) << r["recorded"];
  EXPECT_EQ(r["mode"], "448") << "0700";
  EXPECT_EQ(r["left"], "0") << "fill files and their folder are gone";
  EXPECT_EQ(r["drivewiped"], "");
  EXPECT_NE(r["captions"].find("[6]" + mount_ + "/;"), std::string::npos) << r["captions"];
  EXPECT_NE(r["captions"].find("[7]3[8]3[9]"), std::string::npos) << r["captions"];
  EXPECT_NE(r["captions"].find("[13]" + r["recorded"]), std::string::npos) << r["captions"];
  const std::string& report = r["report"];
  EXPECT_NE(report.find("[11]" + mount_ + "/[12]"), std::string::npos) << report;
  EXPECT_NE(report.find("[39]" + r["recorded"] + "||[31]"), std::string::npos) << report;
  EXPECT_EQ(report.find("[14]"), std::string::npos) << report;
}

TEST_F(WipeFreeSpaceTest, TheFirstPassFillsTheFileSystemAndLaterPassesWriteTheSameFiles) {
  Report r = onSmallMount(24 * kMiB, [&] {
    testing::WatchingHost watch;
    core::Pipeline pipe(watch);
    std::map<std::string, std::uintmax_t> sizes;  // fill file -> largest size seen
    watch.onYield = [&] {
      const std::string f = core::getSet("drivewiped");
      std::error_code ec;
      if (!f.empty())
        for (const auto& e : fs::directory_iterator(f, ec)) sizes[e.path().string()] = std::max(sizes[e.path().string()], e.file_size(ec));
    };
    const FreeSpaceOutcome out = wipe(pipe, 3);
    Report d = described(out, watch);
    std::uintmax_t seen = 0;
    for (const auto& [name, size] : sizes) seen += size;
    d["seen"] = std::to_string(seen);
    d["seenFiles"] = std::to_string(sizes.size());
    return d;
  });
  SKIP_WITHOUT_MOUNT(r);
  EXPECT_EQ(r["crash"], "");
  EXPECT_EQ(r["started"], "1");
  EXPECT_EQ(r["files"], "2") << "20,905,984 bytes, then the rest";
  EXPECT_EQ(r["seenFiles"], "2");
  EXPECT_EQ(r["passes"], "3");
  EXPECT_EQ(r["end"], std::to_string(static_cast<int>(FillEnd::DiskFull)));
  const double written = std::stod(r["written"]);
  EXPECT_GE(written, 0.97 * std::stod(r["free"]));
  EXPECT_EQ(r["seen"], r["written"]);
  EXPECT_EQ(r["leftovers"], "0");
  EXPECT_EQ(r["left"], "0");
  // A tmpfs keeps no blocks for the administrator: the coverage line alone.
  EXPECT_NE(r["report"].find("[31]"), std::string::npos) << r["report"];
  EXPECT_EQ(r["report"].find("[34]"), std::string::npos) << r["report"];
}

TEST_F(WipeFreeSpaceTest, CancelOrAWriteErrorStillRemovesEveryFillFile) {
  for (const bool cancel : {true, false}) {
    Report r = onSmallMount(24 * kMiB, [&] {
      core::Pipeline& pipe = pipe_;
      std::optional<platform::testing::ScopedFileSizeLimit> limit;
      if (cancel) host_.cancelAfterYields(4);
      else limit.emplace(3 * kMiB);  // writes past 3 MiB fail as an input/output error would
      const FreeSpaceOutcome out = wipe(pipe, 3);
      limit.reset();
      return described(out, host_);
    });
    SKIP_WITHOUT_MOUNT(r);
    const std::string what = cancel ? "cancel" : "error";
    EXPECT_EQ(r["crash"], "") << what;
    EXPECT_EQ(r["started"], "1") << what;
    EXPECT_EQ(r["end"], std::to_string(static_cast<int>(cancel ? FillEnd::Cancelled : FillEnd::WriteError))) << what;
    EXPECT_EQ(r["passes"], "0") << what;
    EXPECT_EQ(r["left"], "0") << what;
    EXPECT_EQ(r["drivewiped"], "") << what;
    if (cancel) {
      EXPECT_NE(r["report"].find("{76}"), std::string::npos) << r["report"];
    } else {
      EXPECT_NE(r["report"].find("[36]" + r["folder"] + "QWBigFile1.Big"), std::string::npos) << r["report"];
    }
  }
}

TEST_F(WipeFreeSpaceTest, WhereTheMountPointRefusesTheFillFolderASameDeviceFolderTakesItElseMessage4) {
  Report r = onSmallMount(8 * kMiB, [&]() -> Report {
    // An ordinary user may not write into the tmpfs's top folder, only into home/ below it.
    const std::string home = mount_ + "/home/";
    fs::create_directories(home);
    for (const std::string& p : {base_, root_, mount_}) ::chmod(p.c_str(), 0755);
    if (::chown(home.c_str(), 65534, 65534) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
        ::setresuid(65534, 65534, 65534) != 0)
      return {{"skip", "cannot switch to an ordinary user"}};
    const FreeSpaceOutcome fallback = wipe(pipe_, 1, {base_, home});
    Report d;
    d["fallback"] = fallback.fillFolder;
    d["fallbackLeft"] = std::to_string(namesIn(home).size());
    host_.questions.clear();
    const FreeSpaceOutcome none = wipe(pipe_, 1, {base_});  // base_ is on another file system
    d["noneStarted"] = none.started ? "1" : "0";
    d["asked"] = host_.questions.empty() ? "" : host_.questions[0].style + ":" + host_.questions[0].message + ":" +
                                                      host_.questions[0].title;
    return d;
  });
  SKIP_WITHOUT_MOUNT(r);
  EXPECT_EQ(r["crash"], "");
  EXPECT_EQ(r["fallback"].rfind(mount_ + "/home/" + std::string(mainwin::kWipeFolderPrefix), 0), 0u) << r["fallback"];
  EXPECT_EQ(r["fallbackLeft"], "0");
  EXPECT_EQ(r["noneStarted"], "0");
  EXPECT_EQ(r["asked"], "O:[4]" + mount_ + "/:E");
}

TEST_F(WipeFreeSpaceTest, LeftoversOfAnInterruptedWipeGoAtTheNextStartAndBeforeTheNextWipe) {
  Report r = onSmallMount(8 * kMiB, [&] {
    const auto crashedWipe = [&] {
      std::string folder;
      (void)platform::makePrivateFolder(mount_, mainwin::kWipeFolderPrefix, folder);
      for (const char* name : {"QWBigFile1.Big", "QWBigFile2.Big"}) std::ofstream(folder + name) << "fill";
      core::saveSet("drivewiped", folder);
      return folder;
    };
    Report d;
    const std::string first = crashedWipe();
    mainwin::cleanWipeLeftovers();  // the main window's start
    d["afterStart"] = std::to_string(namesIn(mount_).size()) + ":" + core::getSet("drivewiped");
    const std::string second = crashedWipe();
    const FreeSpaceOutcome out = wipe(pipe_, 1);
    d["afterWipe"] = std::to_string(namesIn(mount_).size()) + ":" + core::getSet("drivewiped");
    d["newFolder"] = out.fillFolder != second ? "1" : "0";
    return d;
  });
  SKIP_WITHOUT_MOUNT(r);
  EXPECT_EQ(r["crash"], "");
  EXPECT_EQ(r["afterStart"], "0:");
  EXPECT_EQ(r["afterWipe"], "0:");
  EXPECT_EQ(r["newFolder"], "1");
}

TEST_F(WipeFreeSpaceTest, AFolderThatIsNoMountPointIsRefusedWithMessage5) {
  const FreeSpaceOutcome out = wipe(pipe_, 1);  // mount_ has nothing mounted on it out here
  EXPECT_FALSE(out.started);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "[5]");
  EXPECT_EQ(host_.questions[0].style, "O");
  EXPECT_TRUE(namesIn(mount_).empty());
  EXPECT_TRUE(host_.results.empty());
}

TEST(WipeCoverage, SaysHowMuchOfTheFreeSpaceWasReachedAndWhatWasOutOfReach) {
  const core::MessageTable msg = testing::deleteMessages();
  struct Row {
    const char* name;
    std::uint64_t written, freeBlocks, availBlocks;
    bool administrator;
    std::string lines;
  };
  const std::vector<Row> rows = {
      {"all of it", 4096 * 1000, 1000, 1000, false, "[31]100.0[32]4 MB[33]\r\n"},
      {"reserved, ordinary user", 4096 * 744, 1000, 744, false, "[31]74.4[32]4 MB[33]\r\n[34]1 MB\r\n"},
      {"under half a megabyte reserved", 4096 * 950, 1000, 950, false, "[31]95.0[32]4 MB[33]\r\n"},
      {"reserved, administrator", 4096 * 1000, 1000, 744, true, "[31]100.0[32]4 MB[33]\r\n"},
      {"big disk", 4096ULL * 975'000'000, 1'000'000'000, 950'000'000, false,
       "[31]97.5[32]3906250 MB[33]\r\n[34]195313 MB\r\n"},
      {"nothing free", 0, 0, 0, false, "[31]100.0[32]0 MB[33]\r\n"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(coverageLines(msg, row.written, {.blockSize = 4096, .freeBlocks = row.freeBlocks, .availBlocks = row.availBlocks},
                            row.administrator),
              row.lines)
        << row.name;
  }
}

}  // namespace
}  // namespace tools::file_ops
