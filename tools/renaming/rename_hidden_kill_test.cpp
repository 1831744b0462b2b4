// A batch rename of hidden and shown files killed with SIGKILL at random moments, then its undo
// killed too: whatever the moment, every file on disk is exactly as hidden as before (its line of
// ".hidden" under the name it has now), a line of another program's stays, and the undo gives the
// old names their lines back. What a kill may leave is a line of a name that no entry holds (the
// next name written before a rename that did not happen, or an old name whose line was still to
// go): never a shown file that was hidden, never a hidden file shown.
//
// As the other kill tests: one run timed first, then a dozen killed after random delays within that
// time; the seed is printed with every failure and CORVANE_KILL_SEED=<seed> repeats it.
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
#include <sstream>
#include <string>

namespace tools::ren::testing {
namespace {

using namespace std::chrono_literals;

constexpr int kFiles = 900;
constexpr int kKills = 12;
constexpr auto kBound = 60s;
// A line of another program's, of a name no entry holds: no run or undo of ours takes it away.
constexpr const char* kForeignLine = "listed by someone else";

std::string oldName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "h%04d.dat", i);
  return name;
}
std::string newName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "h%04d_r.dat", i);
  return name;
}
bool hidden(int i) { return i % 3 != 0; }

class RenameHiddenKillTest : public RenameTest {
 protected:
  void prepare() {
    host_.listHidden = true;  // the main window shows hidden files: the run takes them too
    for (const auto& e : std::filesystem::directory_iterator(root_)) std::filesystem::remove_all(e.path());
    core::clearJournals(core::kRenameJournal);
    std::string list;
    for (int i = 0; i < kFiles; ++i) {
      makeFile(oldName(i), "x");
      if (hidden(i)) list += oldName(i) + "\n";
    }
    makeFile(".hidden", list + kForeignLine + "\n");
  }

  // The faults of the folder as it is now: a file there more or less than once, a file whose flag
  // is not its own, the foreign line gone, and more than maxStale lines of names no entry holds.
  std::vector<std::string> faults(std::size_t maxStale) const {
    std::map<std::string, int> byName;
    for (int i = 0; i < kFiles; ++i) byName[oldName(i)] = i, byName[newName(i)] = i;
    std::vector<std::string> out;
    std::set<std::string> present;
    std::vector<int> seen(kFiles, 0);
    for (const auto& e : std::filesystem::directory_iterator(root_)) {
      const std::string name = e.path().filename().string();
      if (name == ".hidden" || platform::isTemporaryName(name)) continue;
      const auto found = byName.find(name);
      if (found == byName.end()) {
        out.push_back("a stray entry: " + name);
        continue;
      }
      ++seen[static_cast<std::size_t>(found->second)];
      present.insert(name);
    }
    for (int i = 0; i < kFiles; ++i)
      if (seen[static_cast<std::size_t>(i)] != 1) out.push_back(oldName(i) + " is there " + std::to_string(seen[static_cast<std::size_t>(i)]) + " times");
    std::set<std::string> lines;
    std::istringstream in(readAll(root_ + ".hidden"));
    for (std::string line; std::getline(in, line);) lines.insert(line);
    for (const std::string& name : present) {
      const bool listed = lines.count(name) != 0;
      if (listed != hidden(byName[name])) out.push_back(name + (listed ? " is hidden, it was shown" : " is shown, it was hidden"));
    }
    if (!lines.count(kForeignLine)) out.push_back("the other program's line is gone");
    std::size_t stale = 0;
    for (const std::string& line : lines) {
      if (present.count(line) || line == kForeignLine) continue;
      ++stale;
      if (!byName.count(line)) out.push_back("a line of nothing of ours: " + line);
    }
    if (stale > maxStale) out.push_back(std::to_string(stale) + " lines of names nothing holds");
    return out;
  }

  static std::string text(const std::vector<std::string>& faults) {
    std::string out;
    for (std::size_t i = 0; i < faults.size() && i < 20; ++i) out += "\n  " + faults[i];
    if (faults.size() > 20) out += "\n  ... " + std::to_string(faults.size() - 20) + " more";
    return out;
  }

  // The slot of the journal of the run just made (clearJournals left slot 1 current), or 0.
  static int runSlot() {
    const int current = core::SlotRing(core::kRenameJournal.ring).current();
    return current == 1 ? 0 : current;
  }
  static bool journalLeft(int slot) {
    const std::string journal = core::SlotRing(core::kRenameJournal.ring).slotPath(slot);
    return !journal.empty() && std::filesystem::exists(journal);
  }
};

TEST_F(RenameHiddenKillTest, ARenameAndItsUndoKilledAtAnyMomentKeepEveryFileAsHiddenAsItWas) {
  const std::uint64_t seed = platform::testing::killSeed();
  SCOPED_TRACE("CORVANE_KILL_SEED=" + std::to_string(seed));
  std::mt19937_64 random(seed);
  const RenameRunOptions options{.startRule = "<oldFileNameNoExt>_r", .endRule = ".<oldFileExtension>"};
  const auto body = [&] { (void)renameRun(pipe_, form_, options, msg_); };

  prepare();
  const platform::testing::KilledChild timed = platform::testing::runKilledAfter(body, std::nullopt, kBound);
  ASSERT_TRUE(timed.finished) << "the run without a kill did not end by itself";
  ASSERT_TRUE(faults(0).empty()) << "after a whole run:" << text(faults(0));
  ASSERT_TRUE(std::filesystem::exists(root_ + newName(1)));
  std::uniform_int_distribution<std::int64_t> moment(0, timed.lasted.count());
  for (int kill = 0; kill < kKills; ++kill) {
    prepare();
    const std::chrono::nanoseconds delay(moment(random));
    SCOPED_TRACE("kill " + std::to_string(kill) + " after " + std::to_string(delay.count() / 1000) + " us of " +
                 std::to_string(timed.lasted.count() / 1000));
    const platform::testing::KilledChild out = platform::testing::runKilledAfter(body, delay, kBound);
    ASSERT_FALSE(out.hung) << "the run neither ended nor could be killed";
    ASSERT_TRUE(faults(1).empty()) << "right after the kill:" << text(faults(1));

    const int slot = runSlot();
    if (slot == 0) continue;
    const std::chrono::nanoseconds undoDelay(std::uniform_int_distribution<std::int64_t>(0, delay.count())(random));
    SCOPED_TRACE("undo killed after " + std::to_string(undoDelay.count() / 1000) + " us");
    const platform::testing::KilledChild cut =
        platform::testing::runKilledAfter([&] { (void)undoRename(pipe_, form_, slot, msg_); }, undoDelay, kBound);
    ASSERT_FALSE(cut.hung) << "the undo neither ended nor could be killed";
    ASSERT_TRUE(faults(2).empty()) << "right after the killed undo:" << text(faults(2));
    if (journalLeft(slot)) (void)undoRename(pipe_, form_, slot, msg_);
    ASSERT_TRUE(faults(2).empty()) << "after the undo:" << text(faults(2));
  }
}

}  // namespace
}  // namespace tools::ren::testing
