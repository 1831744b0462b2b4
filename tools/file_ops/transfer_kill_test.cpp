// Copies, moves across file systems and joins killed with SIGKILL at random moments: whatever the
// moment, no file under a real name is partial, the journal lists every step done and its undo
// takes them back (killed part way too), and the next run cleans up what the killed one left.
//
// Each series first times one run that is not killed, then kills a dozen runs on fresh fixtures
// after random delays spread over that time. The seed is printed with every failure;
// CORVANE_KILL_SEED=<seed> repeats the delays (the kills still land a little apart: timing noise).
#include "tools/file_ops/copy_journal.h"
#include "tools/file_ops/copy_run.h"
#include "tools/file_ops/join_run.h"
#include "tools/file_ops/split_pieces.h"

#include "core/slot_ring.h"
#include "platform/fs.h"
#include "platform/kill_test_support.h"
#include "platform/replacement_file.h"
#include "tools/file_ops/copy_test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace tools::file_ops {
namespace {

using namespace std::chrono_literals;
using Contents = std::map<std::string, std::string>;  // name -> bytes

constexpr int kKills = 12;
constexpr auto kBound = 60s;  // no run of these fixtures comes near it, even under a sanitizer
constexpr std::int64_t kOldTime = 1000000000;

// Bytes that tell every file, and every offset in it, apart: a copy cut short, or another file's
// bytes under this name, never compare equal.
std::string fileBytes(std::uint32_t id, std::size_t size) {
  std::string out(size, '\0');
  std::uint32_t x = id * 2654435761u + 1;
  for (char& c : out) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return out;
}

// What a folder holds: regular files under real names with their bytes, the names of the
// temporary pattern, and anything else (which no check allows).
struct Listing {
  Contents real;
  std::set<std::string> temporaries, others;
};

// In one read: the checks read every file of the fixture several times per kill.
std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::string out(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
  in.seekg(0);
  in.read(out.data(), static_cast<std::streamsize>(out.size()));
  out.resize(static_cast<std::size_t>(in.gcount()));
  return out;
}

Listing listFolder(const std::string& folder) {
  Listing out;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = e.path().filename().string();
    if (platform::isTemporaryName(name)) out.temporaries.insert(name);
    else if (e.is_regular_file() && !e.is_symlink()) out.real[name] = readFile(e.path().string());
    else out.others.insert(name);
  }
  return out;
}

// Faults found by a check, shown together (a broken run can spoil hundreds of files).
struct Faults {
  std::vector<std::string> lines;
  void add(const std::string& line) { lines.push_back(line); }
  [[nodiscard]] bool none() const { return lines.empty(); }
  [[nodiscard]] std::string text() const {
    std::string out;
    for (std::size_t i = 0; i < lines.size() && i < 20; ++i) out += "\n  " + lines[i];
    if (lines.size() > 20) out += "\n  ... " + std::to_string(lines.size() - 20) + " more";
    return out;
  }
};

std::string names(const std::set<std::string>& set) {
  std::string out;
  for (const std::string& n : set) out += (out.empty() ? "" : ", ") + n;
  return out;
}

class TransferKillTest : public testing::CopyToolTest {
 protected:
  void SetUp() override {
    CopyToolTest::SetUp();
    main_ = root_ + "main/";
    // The pipeline treats the test tree as a fixed drive, as the joiner's deletes ask.
    pipe_.setMountProbe({.isFixedDrive = [](const std::string&) { return true; }});
    seed_ = platform::testing::killSeed();
    random_.seed(seed_);
  }

  // Many small files and a few of some MB, so that kills land inside a file too; all with an old
  // modified time that every copy must carry. A move's copies are synced, twice: a few hundred
  // small files would make a series take tens of seconds on a busy disk.
  void makeTransferSources() {
    if (sources_.empty()) {
      std::mt19937 sizes(7);
      for (std::uint32_t i = 0; i < 120; ++i)
        sources_["f" + std::to_string(1000 + i) + ".txt"] = fileBytes(i, 100 + sizes() % 4000);
      for (std::uint32_t i = 0; i < 3; ++i) sources_["big" + std::to_string(i) + ".bin"] = fileBytes(900 + i, 3000000);
    }
    std::filesystem::remove_all(main_);
    std::filesystem::create_directories(main_);
    const platform::FileTime old{.sec = kOldTime, .nsec = 0, .known = true};
    for (const auto& [name, bytes] : sources_) {
      makeFile("main/" + name, bytes);
      ASSERT_EQ(platform::setFileTimes(main_ + name, &old, &old), 0);
    }
  }

  // What a run of the series starts from: no target folder out, no journal, the sources as made.
  void freshTransfer(const std::string& out) {
    std::filesystem::remove_all(out);
    core::clearJournals(core::kCopyJournal);
    makeTransferSources();
  }

  // The slot a run took after clearJournals (which leaves slot 1 current), 0 when it took none.
  static int slotTaken() {
    const int current = core::SlotRing(core::kCopyJournal.ring).current();
    return current == 1 ? 0 : current;
  }

  // Times one run, then kills kKills runs after delays spread over that time; check looks at each
  // killed run's remains (prepare made its fixture afresh).
  void killSeries(const std::function<void()>& prepare, const std::function<void()>& body,
                  const std::function<void()>& check) {
    SCOPED_TRACE("CORVANE_KILL_SEED=" + std::to_string(seed_));
    prepare();
    const platform::testing::KilledChild timed = platform::testing::runKilledAfter(body, std::nullopt, kBound);
    ASSERT_TRUE(timed.finished) << "the run without a kill did not end by itself";
    std::uniform_int_distribution<std::int64_t> moment(0, timed.lasted.count());
    for (int kill = 0; kill < kKills && !HasFatalFailure(); ++kill) {
      prepare();
      const std::chrono::nanoseconds delay(moment(random_));
      SCOPED_TRACE("kill " + std::to_string(kill) + " after " + std::to_string(delay.count() / 1000) + " us of " +
                   std::to_string(timed.lasted.count() / 1000));
      const platform::testing::KilledChild out = platform::testing::runKilledAfter(body, delay, kBound);
      ASSERT_FALSE(out.hung) << "the run neither ended nor could be killed";
      ASSERT_TRUE(out.killed || out.finished);
      lastDelay_ = delay;
      check();
    }
  }

  // A real name in a target holds the whole file: its source's bytes and modified time.
  void expectWhole(Faults& faults, const std::string& where, const Contents& found) const {
    for (const auto& [name, bytes] : found) {
      const auto source = sources_.find(name);
      if (source == sources_.end()) {
        faults.add(where + name + ": no such source");
      } else if (bytes != source->second) {
        faults.add(where + name + ": " + std::to_string(bytes.size()) + " bytes, not the source's " +
                   std::to_string(source->second.size()));
      } else if (platform::fileStatus(where + name, false).modified.sec != kOldTime) {
        faults.add(where + name + ": not the source's modified time");
      }
    }
  }

  // The journal of the killed run: the names it lists (every record a transfer from main_ to
  // target), each once; last: the name of its last record. A slot that names no journal (an undo
  // killed while it let go of an emptied journal) lists nothing.
  std::set<std::string> journalled(Faults& faults, const std::string& target, std::string* last = nullptr) const {
    std::set<std::string> out;
    const int slot = slotTaken();
    if (slot == 0) return out;
    core::JournalReader reader(core::kCopyJournal, slot);
    if (reader.status() == core::JournalReader::Status::Missing &&
        core::SlotRing(core::kCopyJournal.ring).slotName(slot).empty())
      return out;
    if (reader.status() != core::JournalReader::Status::Ok) {
      faults.add("journal of slot " + std::to_string(slot) + " unreadable, status " +
                 std::to_string(static_cast<int>(reader.status())));
      return out;
    }
    while (auto r = reader.previous()) {
      const std::string name = r->from.substr(r->from.rfind('/') + 1);
      if (last && out.empty()) *last = name;
      if (r->from != main_ + name || r->to != target + name) faults.add("journal record " + r->from + " -> " + r->to);
      if (!out.insert(name).second) faults.add("journalled twice: " + name);
    }
    if (reader.skipped() != 0) faults.add("journal records passed over: " + std::to_string(reader.skipped()));
    return out;
  }

  // Kills an undo of the killed run part way: undoing k transfers takes about as long as making
  // them did, so a moment within the killed run's own length lands inside the undo.
  void killUndoPartWay() {
    const int slot = slotTaken();
    if (slot == 0) return;
    const std::chrono::nanoseconds at(std::uniform_int_distribution<std::int64_t>(0, lastDelay_.count())(random_));
    SCOPED_TRACE("undo killed after " + std::to_string(at.count() / 1000) + " us");
    const platform::testing::KilledChild cut =
        platform::testing::runKilledAfter([&] { (void)undoCopyJob(pipe_, form_, slot, msg_); }, at, kBound);
    ASSERT_FALSE(cut.hung) << "the undo neither ended nor could be killed";
  }

  void undoKilledRun() {
    // An undo killed after it had done all let go of the slot and deleted the journal.
    const int slot = slotTaken();
    const std::string journal = slot != 0 ? core::SlotRing(core::kCopyJournal.ring).slotPath(slot) : std::string();
    if (!journal.empty() && std::filesystem::exists(journal)) {
      const CopyUndoResult undone = undoCopyJob(pipe_, form_, slot, msg_);
      EXPECT_EQ(undone.end, CopyUndoEnd::Undone);
    }
  }

  std::string main_;
  Contents sources_;
  std::uint64_t seed_ = 0;
  std::mt19937_64 random_;
  std::chrono::nanoseconds lastDelay_{};  // of the run that check looks at
};

// A step's record is written before the step, with the identity of the file the step puts at the
// target: a kill between the two leaves a record of a step not done (at most the last record),
// which the undo passes over; every step done is journalled.
TEST_F(TransferKillTest, ACopyKilledAtAnyMomentLeavesWholeCopiesThatItsJournalUndoes) {
  const std::string out = root_ + "out/";
  const CopyJobOptions options{.pattern = root_ + "out", .mode = CopyMode::Copy, .mainFolder = main_};
  const auto prepare = [&] { freshTransfer(out); };
  const auto body = [&] { (void)runCopyJob(pipe_, form_, options, msg_); };
  const auto check = [&] {
    Faults faults;
    const Listing killed = listFolder(out);
    expectWhole(faults, out, killed.real);
    if (!killed.others.empty()) faults.add("other entries in the target: " + names(killed.others));
    const Listing source = listFolder(main_);
    if (source.real != sources_ || !source.temporaries.empty()) faults.add("the sources changed");
    std::string last;
    const std::set<std::string> listed = journalled(faults, out, &last);
    for (const std::string& name : listed)
      if (!killed.real.count(name) && name != last) faults.add("journalled, never copied: " + name);
    for (const auto& [name, bytes] : killed.real)
      if (!listed.count(name)) faults.add("copied, not journalled: " + name);
    ASSERT_TRUE(faults.none()) << "right after the kill:" << faults.text();

    // The undo removes every copy and nothing else, killed part way or not.
    killUndoPartWay();
    undoKilledRun();
    const Listing undone = listFolder(out);
    for (const auto& [name, bytes] : undone.real) faults.add("copy left by the undo: " + name);
    if (listFolder(main_).real != sources_) faults.add("the undo changed the sources");
    ASSERT_TRUE(faults.none()) << "after the undo:" << faults.text();

    // The next run copies the rest and removes what the killed run left half-written.
    EXPECT_EQ(runCopyJob(pipe_, form_, options, msg_).end, CopyJobEnd::Ran);
    const Listing next = listFolder(out);
    expectWhole(faults, out, next.real);
    if (next.real.size() != sources_.size()) faults.add("the next run copied " + std::to_string(next.real.size()));
    if (!next.temporaries.empty()) faults.add("temporary files after the next run: " + names(next.temporaries));
    EXPECT_TRUE(faults.none()) << "after the next run:" << faults.text();
  };
  killSeries(prepare, body, check);
}

// Across file systems a move is a copy, then the source's removal: every file is whole in one
// place or the other at every instant, in both only for the one file between the two steps, and
// journalled from before its copy takes its name: the undo takes back every file moved, and
// removes the copy of one left in both places.
TEST_F(TransferKillTest, AMoveAcrossFileSystemsKilledAtAnyMomentLosesNothingAndUndoes) {
  char shm[] = "/dev/shm/vdk-kill-XXXXXX";
  if (::mkdtemp(shm) == nullptr) GTEST_SKIP() << "/dev/shm cannot be written";
  const std::string other = std::string(shm) + "/";
  struct Remove {
    std::string path;
    ~Remove() { std::filesystem::remove_all(path); }
  } remove{other};
  if (platform::fileStatus(other).identity.device == platform::fileStatus(root_).identity.device)
    GTEST_SKIP() << "/dev/shm is on the test folder's file system";
  const std::string out = other + "out/";
  const CopyJobOptions options{.pattern = other + "out", .mode = CopyMode::Move, .mainFolder = main_};
  const auto prepare = [&] { freshTransfer(out); };
  const auto body = [&] { (void)runCopyJob(pipe_, form_, options, msg_); };
  const auto check = [&] {
    Faults faults;
    const Listing target = listFolder(out), source = listFolder(main_);
    expectWhole(faults, out, target.real);
    expectWhole(faults, main_, source.real);
    if (!target.others.empty()) faults.add("other entries in the target: " + names(target.others));
    // The move's look whether the folder can be written leaves a temporary file there too.
    if (!source.others.empty()) faults.add("new entries among the sources: " + names(source.others));
    std::set<std::string> both;
    for (const auto& [name, bytes] : sources_) {
      const bool there = target.real.count(name) != 0, here = source.real.count(name) != 0;
      if (!there && !here) faults.add("lost: " + name);
      if (there && here) both.insert(name);
    }
    if (both.size() > 1) faults.add("in both places: " + names(both));
    std::string last;
    const std::set<std::string> listed = journalled(faults, out, &last);
    for (const std::string& name : listed)
      if (!target.real.count(name) && name != last) faults.add("journalled, never moved: " + name);
    for (const auto& [name, bytes] : target.real)
      if (!listed.count(name)) faults.add("moved, not journalled: " + name);
    ASSERT_TRUE(faults.none()) << "right after the kill:" << faults.text();

    // An undo killed part way loses nothing either, and its journal then lists only files still
    // in the target but one: undoing a record and cutting it off are two steps, so one record may
    // name a file that is back already (or the step never done that the undo passed over), and
    // one more file may be in both places.
    killUndoPartWay();
    {
      const Listing target = listFolder(out), source = listFolder(main_);
      expectWhole(faults, out, target.real);
      expectWhole(faults, main_, source.real);
      for (const auto& [name, bytes] : sources_) {
        const bool there = target.real.count(name) != 0, here = source.real.count(name) != 0;
        if (!there && !here) faults.add("lost by the killed undo: " + name);
        if (there && here) both.insert(name);
      }
      if (both.size() > 2) faults.add("in both places after the killed undo: " + names(both));
      std::set<std::string> gone;
      for (const std::string& name : journalled(faults, out))
        if (!target.real.count(name)) gone.insert(name);
      if (gone.size() > 1) faults.add("journalled, moved back already: " + names(gone));
      ASSERT_TRUE(faults.none()) << "right after the killed undo:" << faults.text();
    }

    // The undo brings every source back and leaves no copy behind.
    undoKilledRun();
    const Listing undone = listFolder(out), back = listFolder(main_);
    if (back.real != sources_) faults.add("the undo did not bring every source back whole");
    expectWhole(faults, main_, back.real);
    for (const auto& [name, bytes] : undone.real) faults.add("left in the target by the undo: " + name);
    ASSERT_TRUE(faults.none()) << "after the undo:" << faults.text();

    // The next run moves the files again and removes what the killed one left half-written.
    EXPECT_EQ(runCopyJob(pipe_, form_, options, msg_).end, CopyJobEnd::Ran);
    const Listing next = listFolder(out), left = listFolder(main_);
    expectWhole(faults, out, next.real);
    if (next.real.size() != sources_.size()) faults.add("the next run moved " + std::to_string(next.real.size()));
    for (const auto& [name, bytes] : left.real) faults.add("not moved by the next run: " + name);
    if (!next.temporaries.empty() || !left.temporaries.empty())
      faults.add("temporary files after the next run: " + names(next.temporaries) + " " + names(left.temporaries));
    EXPECT_TRUE(faults.none()) << "after the next run:" << faults.text();
  };
  killSeries(prepare, body, check);
}

// A join builds each output under a temporary name and deletes its pieces only once the output is
// whole under its real name: after a kill, an output is whole or absent, and an absent one still
// has every piece. The joiner keeps no journal; the next run over the folder finishes the work.
// The same holds whether the outputs are synced (the pieces go) or not (they stay).
TEST_F(TransferKillTest, AJoinKilledAtAnyMomentLeavesWholeOutputsOrAllTheirPieces) {
  constexpr std::uint64_t kPieces = 4;
  Contents pieces;                                  // piece name -> bytes
  std::map<std::string, std::vector<std::string>> piecesOf;  // output -> its pieces
  for (std::uint32_t i = 0; i < 3; ++i) {
    const std::string output = "joined" + std::to_string(i) + ".bin";
    sources_[output] = fileBytes(500 + i, 3500000);
    for (std::uint64_t p = 1; p <= kPieces; ++p) {
      const std::string piece = splitPieceName(output, kPieces, p);
      pieces[piece] = sources_[output].substr((p - 1) * 1000000, 1000000);
      piecesOf[output].push_back(piece);
    }
  }
  host_.mainFolder = main_;
  for (const bool deletePieces : {true, false}) {
    SCOPED_TRACE(deletePieces ? "the pieces deleted" : "the pieces kept");
    const JoinOptions options{.mode = JoinMode::SplitPieces, .deletePieces = deletePieces};
    const auto prepare = [&] {
      std::filesystem::remove_all(base_ + "env/XDG_DATA_HOME/Trash");  // where the deleted pieces went
      std::filesystem::remove_all(main_);
      std::filesystem::create_directories(main_);
      for (const auto& [name, bytes] : pieces) makeFile("main/" + name, bytes);
    };
    const auto body = [&] { (void)joinFiles(pipe_, form_, options, msg_); };
    // Outputs are new files: their bytes count, not their times.
    const auto check = [&] {
      Faults faults;
      const auto look = [&](const char* when) {
        const Listing found = listFolder(main_);
        for (const auto& [name, bytes] : found.real) {
          const auto piece = pieces.find(name);
          const auto output = sources_.find(name);
          if (piece != pieces.end() ? bytes != piece->second : output == sources_.end() || bytes != output->second)
            faults.add(std::string(when) + ": " + name + " is not whole (" + std::to_string(bytes.size()) +
                       " bytes)");
        }
        for (const auto& [output, itsPieces] : piecesOf) {
          if (found.real.count(output)) continue;
          for (const std::string& piece : itsPieces)
            if (!found.real.count(piece))
              faults.add(std::string(when) + ": " + piece + " gone, " + output + " not made");
        }
        if (!found.others.empty()) faults.add(std::string(when) + ": other entries " + names(found.others));
        return found;
      };
      look("right after the kill");
      ASSERT_TRUE(faults.none()) << faults.text();
      EXPECT_EQ(joinFiles(pipe_, form_, options, msg_), JoinStart::Ran);
      const Listing next = look("after the next run");
      for (const auto& [output, bytes] : sources_)
        if (!next.real.count(output)) faults.add("not made by the next run: " + output);
      if (!next.temporaries.empty()) faults.add("temporary files after the next run: " + names(next.temporaries));
      EXPECT_TRUE(faults.none()) << faults.text();
    };
    killSeries(prepare, body, check);
  }
}

}  // namespace
}  // namespace tools::file_ops
