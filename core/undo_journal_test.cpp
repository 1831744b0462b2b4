#include "core/undo_journal.h"

#include "core/file_test_fixture.h"
#include "core/settings.h"
#include "core/state.h"
#include "platform/fault_test_support.h"

#include <csignal>

#include <filesystem>
#include <fstream>

namespace {

using core::JournalReader;
using core::JournalRecord;

// Names a Linux folder can hold and a journal must give back byte for byte.
const std::vector<std::string> kHostileNames = {
    "plain name.txt", "line\nbreak", "star*name", "what?", "pipe|name", "100%", "%2A literal", "bad\xFF\xFE.bin",
    "tab\there", "del\x7F", "back\\slash", "$(touch x)", " leading blank", "ZZ:colon", "\xC3\xA9t\xC3\xA9"};

class UndoJournal : public core::testing::AppFolderFixture {
 protected:
  // Every record of a journal, last written first.
  static std::vector<JournalRecord> readAll(JournalReader& reader) {
    std::vector<JournalRecord> out;
    while (auto r = reader.previous()) out.push_back(*r);
    return out;
  }
};

TEST_F(UndoJournal, HostileNamesRoundTripInBothLayoutsAcrossBlocks) {
  for (const core::JournalKind& base : {core::kRenameJournal, core::kCopyJournal}) {
    core::JournalKind kind = base;
    std::vector<JournalRecord> done;
    {
      core::JournalWriter writer(kind, '1');
      for (const std::string& name : kHostileNames) {
        const std::string folder = dir_ + "sub " + name + "/";
        done.push_back({.from = folder + name, .to = folder + "new " + name});
      }
      done.push_back({.from = "/a/old", .to = "/b/moved"});  // not one folder: kept whole
      for (const JournalRecord& r : done) ASSERT_EQ(writer.add(r), 0);
      ASSERT_EQ(writer.finish(), 0);
      EXPECT_EQ(writer.records(), done.size());
    }
    const std::string text = slurp(core::SlotRing(kind.ring).slotPath(core::SlotRing(kind.ring).current()));
    EXPECT_EQ(text.find('\n'), std::string::npos) << "a journal is one line";
    EXPECT_NE(text.find("plain name.txt*"), std::string::npos) << "plain names stay readable";
    for (const std::size_t block : {std::size_t{7}, std::size_t{65536}}) {
      JournalReader reader(kind, core::SlotRing(kind.ring).current(), block);
      ASSERT_EQ(reader.status(), JournalReader::Status::Ok);
      EXPECT_EQ(reader.headerKind(), 1);
      EXPECT_EQ(reader.headerCount(), done.size());
      const std::vector<JournalRecord> back = readAll(reader);
      EXPECT_EQ(back, std::vector<JournalRecord>(done.rbegin(), done.rend())) << "block " << block;
      EXPECT_EQ(reader.skipped(), 0u);
    }
  }
}

TEST_F(UndoJournal, EachRecordIsInTheFileWhenAddReturns) {
  // A run killed at any moment leaves the header count blank; its journal still reads to the end.
  for (const core::JournalKind& kind : {core::kRenameJournal, core::kCopyJournal}) {
    core::JournalWriter writer(kind, '0');
    std::vector<JournalRecord> done;
    for (int i = 0; i < 300; ++i) {
      done.push_back({.from = dir_ + "old " + std::to_string(i), .to = dir_ + "new " + std::to_string(i)});
      ASSERT_EQ(writer.add(done.back()), 0);
      if (i % 97 != 0) continue;
      JournalReader reader(kind, writer.slot(), 64);
      ASSERT_EQ(reader.status(), JournalReader::Status::Ok);
      EXPECT_EQ(reader.headerCount(), 0u);
      EXPECT_EQ(readAll(reader), std::vector<JournalRecord>(done.rbegin(), done.rend())) << "after record " << i;
    }
    // A record cut short by the kill is no step; the count patched in at the end covers the rest.
    ASSERT_TRUE(static_cast<bool>(std::ofstream(writer.path(), std::ios::app) << dir_ << "*half"));
    JournalReader torn(kind, writer.slot(), 64);
    EXPECT_EQ(readAll(torn).size(), done.size());
    EXPECT_EQ(writer.finish(), 0);
    EXPECT_EQ(JournalReader(kind, writer.slot()).headerCount(), done.size());
  }
}

// A run killed with SIGKILL (no destructor, no finish) leaves a journal of every record it added.
TEST_F(UndoJournal, AKilledRunsJournalHoldsEveryRecordAdded) {
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    core::JournalWriter writer(core::kCopyJournal, '0');
    for (int i = 0; i < 137; ++i)
      if (writer.add({.from = dir_ + "s" + std::to_string(i), .to = dir_ + "t" + std::to_string(i)}) != 0)
        return "failed";
    ::raise(SIGKILL);
    return "not killed";
  });
  ASSERT_FALSE(child.exited) << child.report;
  EXPECT_EQ(child.signal, SIGKILL);
  JournalReader reader(core::kCopyJournal, core::SlotRing(core::kCopyJournal.ring).current());
  ASSERT_EQ(reader.status(), JournalReader::Status::Ok);
  EXPECT_EQ(reader.headerCount(), 0u);
  const std::vector<JournalRecord> records = readAll(reader);
  ASSERT_EQ(records.size(), 137u);
  EXPECT_EQ(records.front(), (JournalRecord{.from = dir_ + "s136", .to = dir_ + "t136"}));
}

// A copy's stamp goes in the record's first field, which journals of older versions leave blank:
// both read, and a first field that is neither passes the record over.
TEST_F(UndoJournal, CopyStampsRoundTripAndOldRecordsReadWithout) {
  const std::vector<JournalRecord> done = {
      {.from = "/s/a", .to = "/t/a", .copy = core::CopyStamp{.size = 12, .modifiedSec = 1709820309, .modifiedNsec = 5}},
      {.from = "/s/b", .to = "/t/b"},
      {.from = "/s/c", .to = "/t/c", .copy = core::CopyStamp{.size = 0, .modifiedSec = -2, .modifiedNsec = 999999999}},
  };
  {
    core::JournalWriter writer(core::kCopyJournal, '0');
    for (const JournalRecord& r : done) ASSERT_EQ(writer.add(r), 0);
  }
  const int slot = core::SlotRing(core::kCopyJournal.ring).current();
  EXPECT_NE(slurp(core::SlotRing(core::kCopyJournal.ring).slotPath(slot)).find("? 12 1709820309.000000005*/s/a*"),
            std::string::npos);
  JournalReader reader(core::kCopyJournal, slot);
  EXPECT_EQ(readAll(reader), std::vector<JournalRecord>(done.rbegin(), done.rend()));

  const std::string name = "CopyUndo 01 May 2024 10ZZ00ZZ00.txt";
  make(name, "0*" + std::string(24, ' ') + "%?" + " *" + "/s/old*/t/old?" + " 12*/s/x*/t/x?" + " 1 2.5*/s/y*/t/y?" +
                 " a 1.000000000*/s/z*/t/z?" + " 1 99999999999999999999.000000000*/s/w*/t/w?");
  core::saveSet("undocopy7", name);
  JournalReader old(core::kCopyJournal, 7);
  EXPECT_EQ(readAll(old), (std::vector<JournalRecord>{{.from = "/s/old", .to = "/t/old"}}));
  EXPECT_EQ(old.skipped(), 4u);
}

// The identity of the file a step puts at its target rides in a fourth field of either layout;
// names holding the field mark stay names, and a fourth field that is no identity is no record.
TEST_F(UndoJournal, IdentitiesRoundTripAndRecordsWithoutThemReadAsBefore) {
  const platform::FileIdentity id{.device = 2049, .inode = 18446744073709551615u};
  for (const core::JournalKind& kind : {core::kRenameJournal, core::kCopyJournal}) {
    const std::vector<JournalRecord> done = {
        {.from = dir_ + "star*old", .to = dir_ + "star*new", .identity = id},
        {.from = dir_ + "a", .to = dir_ + "b"},
        {.from = dir_ + "c", .to = dir_ + "d", .copy = core::CopyStamp{.size = 3, .modifiedSec = 4, .modifiedNsec = 5},
         .identity = platform::FileIdentity{.device = 0, .inode = 7}},
    };
    int slot = 0;
    {
      core::JournalWriter writer(kind, '1');
      for (JournalRecord r : done) {
        if (kind.layout == core::JournalLayout::Rename) r.copy.reset();
        ASSERT_EQ(writer.add(r), 0);
      }
      slot = writer.slot();
    }
    JournalReader reader(kind, slot);
    std::vector<JournalRecord> want(done.rbegin(), done.rend());
    if (kind.layout == core::JournalLayout::Rename) want.front().copy.reset();
    EXPECT_EQ(readAll(reader), want);
    EXPECT_EQ(reader.skipped(), 0u);
  }
  const std::string name = "RenUndo 01 May 2024 10ZZ00ZZ00.txt";
  make(name, "1*" + std::string(24, ' ') + "%?" + "/d/*b*a*12?" + "/d/*b*a*1 2 3?" + "/d/*b*a*x 1?" + "/d/*n*o*5 6?");
  core::saveSet("undoren8", name);
  JournalReader mixed(core::kRenameJournal, 8);
  EXPECT_EQ(readAll(mixed), (std::vector<JournalRecord>{
                                {.from = "/d/o", .to = "/d/n", .identity = platform::FileIdentity{.device = 5, .inode = 6}}}));
  EXPECT_EQ(mixed.skipped(), 3u);
}

// A step that failed takes its record back: the journal is as if it had never been announced, and
// a run whose every step failed leaves no journal and no slot behind.
TEST_F(UndoJournal, ARecordTakenBackLeavesTheJournalAsBeforeIt) {
  const core::SlotRing ring(core::kRenameJournal.ring);
  core::saveSet("curundnum", "4");
  {
    core::JournalWriter writer(core::kRenameJournal, '1');
    ASSERT_EQ(writer.add({.from = dir_ + "a", .to = dir_ + "b"}), 0);
    writer.retract();
    EXPECT_EQ(writer.records(), 0u);
    const std::string journal = writer.path();
    EXPECT_EQ(ring.current(), 5);
    EXPECT_EQ(writer.finish(), 0);
    EXPECT_FALSE(std::filesystem::exists(journal));
    EXPECT_EQ(ring.slotName(5), "");
    EXPECT_EQ(ring.current(), 4);
  }
  core::JournalWriter writer(core::kRenameJournal, '1');
  ASSERT_EQ(writer.add({.from = dir_ + "a", .to = dir_ + "b"}), 0);
  ASSERT_EQ(writer.add({.from = dir_ + "c", .to = dir_ + "long name " + std::string(300, 'x')}), 0);
  writer.retract();
  writer.retract();  // only the last record can be taken back
  ASSERT_EQ(writer.add({.from = dir_ + "e", .to = dir_ + "f"}), 0);
  ASSERT_EQ(writer.finish(), 0);
  JournalReader reader(core::kRenameJournal, writer.slot());
  EXPECT_EQ(reader.headerCount(), 2u);
  EXPECT_EQ(readAll(reader), (std::vector<JournalRecord>{{.from = dir_ + "e", .to = dir_ + "f"},
                                                         {.from = dir_ + "a", .to = dir_ + "b"}}));
  EXPECT_EQ(reader.skipped(), 0u);
}

TEST_F(UndoJournal, ARunThatRecordsNothingKeepsTheRingAndOlderJournals) {
  const core::SlotRing ring(core::kRenameJournal.ring);
  core::saveSet("curundnum", "4");
  const std::string older = make("RenUndo 01 May 2024 10ZZ00ZZ00.txt", "0*                         ?");
  core::saveSet("undoren5", "RenUndo 01 May 2024 10ZZ00ZZ00.txt");
  {
    core::JournalWriter writer(core::kRenameJournal, '1');
    EXPECT_EQ(writer.finish(), 0);
    EXPECT_EQ(writer.slot(), 0);
  }
  EXPECT_EQ(ring.current(), 4);
  EXPECT_TRUE(std::filesystem::exists(older));
  // The first record takes slot 5 and only then deletes the journal it held.
  core::JournalWriter writer(core::kCopyJournal, '0', {{"iscpymve", "1"}});
  core::JournalWriter renames(core::kRenameJournal, '0');
  ASSERT_EQ(renames.add({.from = dir_ + "a", .to = dir_ + "b"}), 0);
  EXPECT_EQ(renames.slot(), 5);
  EXPECT_FALSE(std::filesystem::exists(older));
  ASSERT_EQ(writer.add({.from = dir_ + "a", .to = "/t/a"}), 0);
  EXPECT_EQ(core::getSet("iscpymve" + std::to_string(writer.slot())), "1");
  // Two runs in the same second get two journals, each there from its first record on.
  core::JournalWriter second(core::kRenameJournal, '0');
  ASSERT_EQ(second.add({.from = dir_ + "c", .to = dir_ + "d"}), 0);
  EXPECT_NE(second.path(), renames.path());
  EXPECT_TRUE(std::filesystem::exists(renames.path()));
  EXPECT_TRUE(std::filesystem::exists(second.path()));
}

TEST_F(UndoJournal, AFailedWriteStopsJournalingWithoutTakingASlot) {
  scoped_->state().appPath = dir_ + "gone/";
  core::JournalWriter writer(core::kRenameJournal, '1');
  EXPECT_NE(writer.add({.from = "/d/a", .to = "/d/b"}), 0);
  EXPECT_FALSE(writer.on());
  EXPECT_EQ(writer.add({.from = "/d/c", .to = "/d/e"}), 0);  // ignored from now on
  EXPECT_EQ(writer.slot(), 0);
  EXPECT_EQ(core::getSet("curundnum"), "");
}

TEST_F(UndoJournal, JournalsInThePlainLayoutStillRead) {
  // A journal as the plain layout writes it: no "%" mark, so "%41" is a name, not an escape; the
  // count was never patched in; a record cut short by an interrupted write ends the file.
  const std::string name = "RenUndo 07 March 2024 14ZZ05ZZ09.txt";
  make(name, std::string("1*") + std::string(25, ' ') + "?" + "/d/*new one*old one?/d/*b%41*a?/d/*half");
  core::saveSet("curundnum", "3");
  core::saveSet("undoren3", name);
  JournalReader reader(core::kRenameJournal, 3, 5);
  ASSERT_EQ(reader.status(), JournalReader::Status::Ok);
  EXPECT_EQ(reader.headerCount(), 0u);
  EXPECT_FALSE(reader.encoded());
  EXPECT_EQ(readAll(reader), (std::vector<JournalRecord>{{.from = "/d/a", .to = "/d/b%41"},
                                                          {.from = "/d/old one", .to = "/d/new one"}}));
  EXPECT_EQ(core::journalEntries(core::kRenameJournal, 0),
            (std::vector<std::pair<int, std::string>>{{3, "07 March 2024 14:05:09"}}));
}

TEST_F(UndoJournal, UntrustedFilesAreRefusedOrPassedOver) {
  core::saveSet("undoren1", "../w/RenUndo x.txt");
  core::saveSet("undoren2", "RenUndo short.txt");
  core::saveSet("undoren3", "RenUndo bad.txt");
  core::saveSet("undoren4", "RenUndo nostop.txt");
  make("RenUndo short.txt", "1*   ?");
  make("RenUndo bad.txt", std::string("1*") + std::string(24, ' ') + "%?" + "no stars?/d/*b*a?/d/**a?");
  make("RenUndo nostop.txt", std::string("1*") + std::string(25, ' ') + "?" + std::string(200, 'x'));
  EXPECT_EQ(JournalReader(core::kRenameJournal, 1).status(), JournalReader::Status::Missing);
  EXPECT_EQ(JournalReader(core::kRenameJournal, 2).status(), JournalReader::Status::NotAJournal);
  JournalReader bad(core::kRenameJournal, 3, 4);
  EXPECT_EQ(readAll(bad), (std::vector<JournalRecord>{{.from = "/d/a", .to = "/d/b"}}));
  EXPECT_EQ(bad.skipped(), 2u);
  JournalReader nostop(core::kRenameJournal, 4, 16);
  EXPECT_TRUE(readAll(nostop).empty());  // only a cut-short record: nothing was done
  EXPECT_EQ(core::finishUndo(JournalReader(core::kRenameJournal, 2), {}), core::UndoEnd::Unread);
  EXPECT_TRUE(std::filesystem::exists(path("RenUndo short.txt")));  // never deleted
}

TEST_F(UndoJournal, UndoKeepsWhatItCouldNotUndoAndDeletesOnlyAnEmptyJournal) {
  std::vector<JournalRecord> done;
  for (int i = 0; i < 6; ++i) done.push_back({.from = dir_ + "old" + std::to_string(i), .to = dir_ + "new*" + std::to_string(i)});
  const auto writeRun = [&] {
    core::JournalWriter writer(core::kRenameJournal, '1');
    for (const auto& r : done) EXPECT_EQ(writer.add(r), 0);
    return writer.slot();
  };
  const core::SlotRing ring(core::kRenameJournal.ring);
  const int slot = writeRun();
  {
    // Records 5 and 3 fail; the undo is cancelled after record 2, so 0 and 1 were never read.
    JournalReader reader(core::kRenameJournal, slot, 10);
    std::vector<JournalRecord> failed;
    for (int i = 5; i >= 2; --i) {
      const auto r = reader.previous();
      ASSERT_TRUE(r);
      EXPECT_EQ(*r, done[static_cast<std::size_t>(i)]);
      if (i == 5 || i == 3) failed.push_back(*r);
    }
    EXPECT_EQ(core::finishUndo(reader, failed), core::UndoEnd::Kept);
  }
  EXPECT_EQ(ring.current(), slot);  // still there to try again
  JournalReader again(core::kRenameJournal, slot, 10);
  EXPECT_EQ(again.headerCount(), 4u);
  EXPECT_EQ(readAll(again), (std::vector<JournalRecord>{done[5], done[3], done[1], done[0]}));
  EXPECT_EQ(core::finishUndo(again, {}), core::UndoEnd::Deleted);
  EXPECT_FALSE(std::filesystem::exists(again.path()));
  EXPECT_EQ(ring.slotName(slot), "");
  EXPECT_EQ(ring.current(), slot - 1);
}

TEST_F(UndoJournal, ClearingDeletesEveryJournalOfItsKindOnly) {
  for (int i = 0; i < 3; ++i) {
    core::JournalWriter writer(core::kCopyJournal, '0');
    ASSERT_EQ(writer.add({.from = "/s/" + std::to_string(i), .to = "/t/" + std::to_string(i)}), 0);
  }
  const std::string rename = make("RenUndo keep.txt", "x");
  core::saveSet("undocopy9", "RenUndo keep.txt");
  EXPECT_EQ(core::journalEntries(core::kCopyJournal, core::SlotRing(core::kCopyJournal.ring).current()).size(), 2u);
  core::clearJournals(core::kCopyJournal);
  EXPECT_TRUE(core::journalEntries(core::kCopyJournal, 0).empty());
  EXPECT_EQ(core::getSet("curcpyundnum"), "1");
  EXPECT_EQ(names(), std::vector<std::string>{"RenUndo keep.txt"});
}

}  // namespace
