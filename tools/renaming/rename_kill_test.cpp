// A batch rename killed with SIGKILL at random moments: whatever the moment, every file is there
// once under its old or its new name with its own bytes, the journal lists every rename that was
// done, and its undo gives the old names back, an undo killed part way too.
//
// The series first times one run that is not killed, then kills a dozen runs on fresh fixtures
// after random delays spread over that time. The seed is printed with every failure;
// CORVANE_KILL_SEED=<seed> repeats the delays (the kills still land a little apart: timing noise).
#include "tools/renaming/rename_journal.h"
#include "tools/renaming/rename_run.h"

#include "core/slot_ring.h"
#include "core/undo_journal.h"
#include "platform/kill_test_support.h"
#include "platform/replacement_file.h"
#include "tools/renaming/rename_test_support.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>

namespace tools::ren::testing {
namespace {

using namespace std::chrono_literals;

constexpr int kFiles = 1000;
constexpr int kKills = 12;
constexpr auto kBound = 60s;  // no run of this fixture comes near it, even under a sanitizer

std::string oldName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "n%04d.dat", i);
  return name;
}
std::string newName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "n%04d_r.dat", i);
  return name;
}
std::string bytesOf(int i) { return "file " + std::to_string(i) + "\n"; }

class RenameKillTest : public RenameTest {
 protected:
  // Where each file is: name -> file number, and the faults of what the folder holds.
  struct Found {
    std::map<std::string, int> at;
    std::set<int> renamed;
    std::set<std::string> temporaries;  // what a killed step of the pipeline may leave, as any run's
    std::vector<std::string> faults;
  };

  Found look() const {
    std::map<std::string, int> byOld, byNew;
    for (int i = 0; i < kFiles; ++i) byOld[oldName(i)] = i, byNew[newName(i)] = i;
    Found out;
    std::vector<int> seen(kFiles, 0);
    for (const auto& e : std::filesystem::directory_iterator(root_)) {
      const std::string name = e.path().filename().string();
      const auto o = byOld.find(name), n = byNew.find(name);
      const int i = o != byOld.end() ? o->second : n != byNew.end() ? n->second : -1;
      if (i < 0) {
        if (platform::isTemporaryName(name)) out.temporaries.insert(name);
        else out.faults.push_back("a stray entry: " + name);
        continue;
      }
      if (readAll(e.path().string()) != bytesOf(i)) out.faults.push_back(name + " lost its bytes");
      ++seen[static_cast<std::size_t>(i)];
      out.at[name] = i;
      if (n != byNew.end()) out.renamed.insert(i);
    }
    for (int i = 0; i < kFiles; ++i)
      if (seen[static_cast<std::size_t>(i)] != 1) out.faults.push_back(oldName(i) + " is there " + std::to_string(seen[static_cast<std::size_t>(i)]) + " times");
    return out;
  }

  static std::string text(const std::vector<std::string>& faults) {
    std::string out;
    for (std::size_t i = 0; i < faults.size() && i < 20; ++i) out += "\n  " + faults[i];
    if (faults.size() > 20) out += "\n  ... " + std::to_string(faults.size() - 20) + " more";
    return out;
  }
};

// A rename's record is written before the rename, with the renamed file's identity: a kill between
// the two leaves a record of a rename not done (at most the last record, its file still under its
// old name), which the undo passes over; every rename done is journalled.
TEST_F(RenameKillTest, ARenameKilledAtAnyMomentKeepsEveryFileAndItsJournalUndoesIt) {
  const std::uint64_t seed = platform::testing::killSeed();
  SCOPED_TRACE("CORVANE_KILL_SEED=" + std::to_string(seed));
  std::mt19937_64 random(seed);
  const RenameRunOptions options{.startRule = "<oldFileNameNoExt>_r", .endRule = ".<oldFileExtension>"};
  const auto prepare = [&] {
    for (const auto& e : std::filesystem::directory_iterator(root_)) std::filesystem::remove_all(e.path());
    core::clearJournals(core::kRenameJournal);
    for (int i = 0; i < kFiles; ++i) makeFile(oldName(i), bytesOf(i));
  };
  const auto body = [&] { (void)renameRun(pipe_, form_, options, msg_); };

  prepare();
  const platform::testing::KilledChild timed = platform::testing::runKilledAfter(body, std::nullopt, kBound);
  ASSERT_TRUE(timed.finished) << "the run without a kill did not end by itself";
  ASSERT_EQ(look().renamed.size(), static_cast<std::size_t>(kFiles));
  std::uniform_int_distribution<std::int64_t> moment(0, timed.lasted.count());
  for (int kill = 0; kill < kKills; ++kill) {
    prepare();
    const std::chrono::nanoseconds delay(moment(random));
    SCOPED_TRACE("kill " + std::to_string(kill) + " after " + std::to_string(delay.count() / 1000) + " us of " +
                 std::to_string(timed.lasted.count() / 1000));
    const platform::testing::KilledChild out = platform::testing::runKilledAfter(body, delay, kBound);
    ASSERT_FALSE(out.hung) << "the run neither ended nor could be killed";
    ASSERT_TRUE(out.killed || out.finished);

    Found killed = look();
    const int current = core::SlotRing(core::kRenameJournal.ring).current();
    const int slot = current == 1 ? 0 : current;  // clearJournals left slot 1 current
    std::set<int> listed;
    if (slot != 0) {
      core::JournalReader reader(core::kRenameJournal, slot);
      ASSERT_EQ(reader.status(), core::JournalReader::Status::Ok);
      bool lastRecord = true;
      while (auto r = reader.previous()) {
        const std::string from = r->from.substr(root_.size()), to = r->to.substr(root_.size());
        const auto i = killed.at.find(to);
        const bool notDone = std::exchange(lastRecord, false) && i == killed.at.end() && killed.at.count(from) != 0;
        if (notDone) continue;
        if (r->from != root_ + from || i == killed.at.end() || oldName(i->second) != from || newName(i->second) != to)
          killed.faults.push_back("journalled, never done: " + r->from + " -> " + r->to);
        else if (!listed.insert(i->second).second)
          killed.faults.push_back("journalled twice: " + r->from);
      }
      EXPECT_EQ(reader.skipped(), 0u);
    }
    for (const int i : killed.renamed)
      if (!listed.count(i)) killed.faults.push_back("renamed, not journalled: " + newName(i));
    ASSERT_TRUE(killed.faults.empty()) << "right after the kill:" << text(killed.faults);

    // The undo killed too, part way: every file is still there once, and the journal then lists
    // only renames still to undo. Undoing a rename and cutting its record off the journal are two
    // calls as well, so one record may stay for a file that is back already (or for the rename
    // never done): the second undo passes it over and gives every other name back.
    long long allowedKept = 0;
    if (slot != 0) {
      // Undoing k renames takes about as long as making them did: a moment within the killed run's
      // own length lands inside the undo.
      const std::chrono::nanoseconds undoDelay(std::uniform_int_distribution<std::int64_t>(0, delay.count())(random));
      SCOPED_TRACE("undo killed after " + std::to_string(undoDelay.count() / 1000) + " us");
      const platform::testing::KilledChild cut =
          platform::testing::runKilledAfter([&] { (void)undoRename(pipe_, form_, slot, msg_); }, undoDelay, kBound);
      ASSERT_FALSE(cut.hung) << "the undo neither ended nor could be killed";
      Found half = look();
      const std::string journal = core::SlotRing(core::kRenameJournal.ring).slotPath(slot);
      const bool left = !journal.empty() && std::filesystem::exists(journal);
      if (!left) {
        if (!half.renamed.empty()) half.faults.push_back("renamed, the journal gone: " + std::to_string(half.renamed.size()));
      } else {
        core::JournalReader reader(core::kRenameJournal, slot);
        ASSERT_EQ(reader.status(), core::JournalReader::Status::Ok);
        std::set<int> still;
        while (auto r = reader.previous()) {
          const auto i = half.at.find(r->to.substr(root_.size()));
          if (i != half.at.end()) still.insert(i->second);
          else ++allowedKept;
        }
        if (allowedKept > 1) half.faults.push_back("journalled, undone already: " + std::to_string(allowedKept));
        for (const int i : half.renamed)
          if (!still.count(i)) half.faults.push_back("renamed, no longer journalled: " + newName(i));
      }
      ASSERT_TRUE(half.faults.empty()) << "right after the killed undo:" << text(half.faults);
      if (left) {
        const UndoResult undone = undoRename(pipe_, form_, slot, msg_);
        EXPECT_EQ(undone.start, UndoStart::Undone);
        EXPECT_EQ(undone.kept, 0) << allowedKept << " record(s) of no renamed file";
      }
    }
    Found back = look();
    if (!back.renamed.empty()) back.faults.push_back("still renamed after the undo: " + std::to_string(back.renamed.size()));
    ASSERT_TRUE(back.faults.empty()) << "after the undo:" << text(back.faults);

    // A run's start over the folder (a rule that renames nothing) takes away what the kill left.
    const RenameRunResult next =
        renameRun(pipe_, form_, {.startRule = std::string(kDefaultStartRule), .endRule = std::string(kDefaultEndRule)}, msg_);
    EXPECT_TRUE(next.started);
    EXPECT_EQ(next.renamed, 0);
    const Found after = look();
    EXPECT_TRUE(after.faults.empty()) << "after the next run:" << text(after.faults);
    EXPECT_TRUE(after.temporaries.empty()) << "after the next run: " << *after.temporaries.begin();
  }
}

}  // namespace
}  // namespace tools::ren::testing
