// The splitter's run on fixtures: every size path cuts exact pieces, the refusals write nothing,
// the source goes only after a complete split, the rejoin script joins (and its mode never goes
// through a link swapped in for it), and Cancel cleans up.
#include "tools/file_ops/split_run.h"

#include "core/link_swap_test_support.h"
#include "core/pipeline_test_support.h"
#include "core/state.h"
#include "tools/file_ops/split_pieces.h"
#include "tools/text/run_report_test_support.h"

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <thread>
#include <set>

namespace tools::file_ops {
namespace {

using tools::text::testing::messages;
using tools::text::testing::reportedText;

std::string pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + i / 251) & 0xff);
  return s;
}

class SplitRunTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    host_.realListing = true;
    pipe_.setMountProbe({.isFixedDrive = [](const std::string&) { return true; }});
  }
  SplitStart split(SplitOptions options) { return splitFiles(pipe_, form_, options, msg_); }
  std::set<std::string> names() {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(root_)) out.insert(e.path().filename().string());
    return out;
  }
  // The pieces of name, joined in index order.
  std::string joined(const std::string& name, std::uint64_t count) {
    std::string all;
    for (std::uint64_t i = 1; i <= count; ++i) all += readAll(root_ + splitPieceName(name, count, i));
    return all;
  }
  const core::MessageTable msg_ = messages(27, {{22, "Split:"}, {23, "None."}, {24, ""}});
};

TEST_F(SplitRunTest, EverySizePathCutsExactPiecesWithTheRemainderLast) {
  struct Case { std::size_t size; std::uint64_t piece; std::uint64_t count; };
  // In memory; past one chunk with small pieces; past one chunk with pieces of several chunks.
  for (const Case c : {Case{1600000, 700000, 3}, Case{1600001, 1000000, 2}, Case{3500001, 3300000, 2}}) {
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    const std::string data = pattern(c.size);
    makeFile("f.bin", data);
    EXPECT_EQ(split({.pieceSize = c.piece}), SplitStart::Ran);
    EXPECT_EQ(names().size(), c.count + 1) << c.size;
    EXPECT_EQ(std::filesystem::file_size(root_ + splitPieceName("f.bin", c.count, c.count)),
              c.size - (c.count - 1) * c.piece);
    EXPECT_EQ(joined("f.bin", c.count), data) << c.size;
    EXPECT_EQ(readAll(root_ + "f.bin"), data);
  }
  EXPECT_EQ(reportedText(host_), "Split:\t\r\n" + root_ + "f.bin\r\n\t");
}

TEST_F(SplitRunTest, RefusedFilesGetALineAndNoPiece) {
  makeFile("small.txt", "0123456789");
  makeFile("many.txt", std::string(10000, 'm'));
  makeFile("ok.txt", std::string(9990, 'o'));
  makeFile("taken.txt", "abcdef");
  makeFile("taken.txt 2QWsplit.2", "ol");
  EXPECT_EQ(split({.pieceSize = 10}), SplitStart::Ran);
  const std::string lines = host_.results.back().text;
  EXPECT_NE(lines.find("[4]" + root_ + "small.txt[5]"), std::string::npos);
  EXPECT_NE(lines.find("[6]" + root_ + "many.txt[7]"), std::string::npos);
  EXPECT_EQ(names().size(), 5u + 999u);
  EXPECT_EQ(joined("ok.txt", 999), std::string(9990, 'o'));
  EXPECT_TRUE(std::filesystem::exists(root_ + "ok.txt 999QWsplit.001"));

  std::filesystem::remove_all(root_);
  std::filesystem::create_directories(root_);
  makeFile("taken.txt", "abcdef");
  makeFile("taken.txt 2QWsplit.2", "ol");
  split({.pieceSize = 3, .deleteOriginal = true});
  EXPECT_NE(host_.results.back().text.find("[11]taken.txt 2QWsplit.2[12]"), std::string::npos);
  EXPECT_EQ(names(), (std::set<std::string>{"taken.txt", "taken.txt 2QWsplit.2"}));  // no new piece beside it
  EXPECT_EQ(reportedText(host_), "None.");

  EXPECT_EQ(split({.pieceSize = 0}), SplitStart::ZeroSize);
  EXPECT_EQ(host_.questions.back().message, "[1]");
}

TEST_F(SplitRunTest, TooLongPieceNamesPassOverTheRestOfTheFolder) {
  const std::string longName(245, 'n');
  makeFile(longName, std::string(20, 'x'));
  makeFile("z.txt", std::string(20, 'z'));
  split({.pieceSize = 2});
  EXPECT_NE(host_.results.back().text.find("[8]" + root_ + longName + "[9]" + longName + " 10QWsplit.10[10]"),
            std::string::npos);
  EXPECT_EQ(names().size(), 2u);
}

TEST_F(SplitRunTest, SourceIsDeletedOnlyAfterACompleteSplitAndTheScriptRejoins) {
  const std::string data = pattern(2500);
  makeFile("it's a file.dat", data);
  makeFile("it's a file.sh", "mine");  // the script's first name is taken
  core::coreState().dataPath = std::string(CORVANE_SOURCE_DIR) + "/data/";  // the shipped template
  EXPECT_EQ(split({.pieceSize = 1000, .rejoinScript = true, .deleteOriginal = true}), SplitStart::Ran);
  EXPECT_FALSE(std::filesystem::exists(root_ + "it's a file.dat"));
  EXPECT_EQ(readAll(root_ + "it's a file.sh"), "mine");
  ASSERT_TRUE(std::filesystem::exists(root_ + "it's a file1.sh"));
  EXPECT_EQ(reportedText(host_), "Split:\r\n" + root_ + "it's a file.dat\r\n");

  // An older split's piece with another count is no part of this one.
  makeFile("it's a file.dat 2QWsplit.1", "stale");
  const std::string run = "sh '" + root_ + "it'\\''s a file1.sh'";
  ASSERT_EQ(std::system(run.c_str()), 0);
  EXPECT_EQ(readAll(root_ + "it's a file.dat"), data);
}

// The script is made runnable before it has its name: once it has one, a link may stand there
// (someone with write access to the folder exchanges them), and a mode set by name would go to
// whatever the link leads to. Under such swaps nothing outside changes, and a watcher that looks
// at the name as fast as it can never sees the script there without its mode.
TEST_F(SplitRunTest, TheRejoinScriptsModeNeverGoesThroughALinkSwappedInForIt) {
  core::coreState().dataPath = std::string(CORVANE_SOURCE_DIR) + "/data/";
  const core::testing::OutsideFolder outside(base_ + "outside/", 1);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  const std::string script = root_ + "f.sh";
  long swaps = 0, seen = 0;
  // On a busy machine the threads may miss many short splits: more rounds, until each has had its
  // chance, within a bound that only a hang would reach.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (int round = 0; round < 600 || ((swaps == 0 || seen == 0) && std::chrono::steady_clock::now() < giveUp); ++round) {
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
    makeFile("f.bin", pattern(3000));
    std::atomic<bool> stop{false};
    std::atomic<unsigned> firstMode{0};
    std::thread watcher([&] {
      struct stat st {};
      while (!stop && ::lstat(script.c_str(), &st) != 0) {
      }
      if (!stop) firstMode = static_cast<unsigned>(st.st_mode & 07777) | 010000;
    });
    const bool swapping = round % 2 == 0;
    core::testing::LinkSwapper swapper(script, outside.path() + "private0.txt");
    if (swapping) swapper.start();
    split({.pieceSize = 1000, .rejoinScript = true});
    swapper.stop();
    // A busy machine may not have run the watcher yet: let it have its look at the script first.
    for (int i = 0; i < 5000 && !swapping && firstMode == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    stop = true;
    watcher.join();
    swaps += swapper.swaps();
    ASSERT_EQ(outside.changes(), "") << "round " << round;
    if (!swapping && firstMode != 0) {
      ++seen;
      EXPECT_EQ(firstMode & 07777, 0755 & ~mask) << "round " << round << ": the script appeared without its mode";
    }
    struct stat st {};
    ASSERT_EQ(::lstat(script.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755 & ~mask) << "the script is runnable";
  }
  EXPECT_GT(swaps, 0) << "no swap happened: the test proved nothing";
  EXPECT_GT(seen, 0) << "the watcher never saw the script appear";
}

TEST_F(SplitRunTest, CancelRemovesThePiecesOfTheFileInProgress) {
  makeFile("big.bin", pattern(5000000));
  makeFile("later.bin", pattern(100));
  host_.cancelAfterYields(2);  // inside the second piece
  split({.pieceSize = 2000000});
  EXPECT_EQ(names(), (std::set<std::string>{"big.bin", "later.bin"}));
}

}  // namespace
}  // namespace tools::file_ops
