#include "properties_editor/save_plan.h"

#include "core/file_test_fixture.h"
#include "core/link_swap_test_support.h"
#include "platform/file_attributes.h"
#include "platform/fs.h"
#include "properties_editor/editor_fields.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace {

using propedit::SaveStep;
using Steps = std::vector<SaveStep>;

core::SystemTime at(const char* date, const char* time) { return *propedit::readTimeBoxes(date, time); }

// The boxes exactly as the file was shown.
propedit::EditorEdits unchanged(const propedit::LoadedFile& f) {
  const std::string mod = propedit::formatEditorTime(f.modified);
  const std::string acc = propedit::formatEditorTime(f.accessed);
  return {.name = std::nullopt,
          .modifiedDate = mod.substr(0, 10),
          .modifiedTime = mod.size() > 11 ? mod.substr(11) : "",
          .accessedDate = acc.substr(0, 10),
          .accessedTime = acc.size() > 11 ? acc.substr(11) : "",
          .readOnly = f.readOnly,
          .hidden = f.hidden,
          .archive = f.archive};
}

propedit::LoadedFile shown(bool readOnly = false) {
  propedit::LoadedFile f;
  f.folder = "/w/";
  f.name = "Shot 10:00.png";
  f.path = f.folder + f.name;
  f.modified = at("03/05/2001", "07:08:09");
  f.accessed = at("04/06/2002", "08:09:10");
  f.created.known = false;
  f.readOnly = readOnly;
  f.archiveSupported = true;
  return f;
}

struct PlanCase {
  const char* name;
  bool loadedReadOnly;
  void (*edit)(propedit::EditorEdits&);
  Steps want;
};

class SavePlanSteps : public ::testing::TestWithParam<PlanCase> {};

TEST_P(SavePlanSteps, ListsOnlyWhatChangedInWritingOrder) {
  const PlanCase& c = GetParam();
  const propedit::LoadedFile f = shown(c.loadedReadOnly);
  propedit::EditorEdits e = unchanged(f);
  c.edit(e);
  const propedit::SavePlan plan = propedit::planSave(f, e);
  EXPECT_EQ(plan.refusal, "");
  EXPECT_EQ(plan.steps, c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, SavePlanSteps,
    ::testing::Values(
        PlanCase{"nothing", false, [](propedit::EditorEdits&) {}, {}},
        // The loaded name's ":" is no reason to rename when only a flag changes.
        PlanCase{"hiddenOnly", false, [](propedit::EditorEdits& e) { e.hidden = true; }, {SaveStep::SetHidden}},
        PlanCase{"sameNameTypedBack", false, [](propedit::EditorEdits& e) { e.name = "Shot 10:00.png"; }, {}},
        PlanCase{"caseOnlyRenames", false, [](propedit::EditorEdits& e) { e.name = "SHOT 10:00.PNG"; },
                 {SaveStep::Rename, SaveStep::SetHidden}},
        PlanCase{"readOnlyLastAfterArchiveAndTimes", false,
                 [](propedit::EditorEdits& e) {
                   e.readOnly = true;
                   e.archive = true;
                   e.modifiedTime = "07:08:10";
                 },
                 {SaveStep::WriteTimes, SaveStep::SetArchive, SaveStep::SetReadOnly}},
        PlanCase{"readOnlyClearedFirst", true,
                 [](propedit::EditorEdits& e) {
                   e.readOnly = false;
                   e.accessedDate = "12/31/2020";
                   e.name = "b.png";
                 },
                 {SaveStep::Rename, SaveStep::ClearReadOnly, SaveStep::WriteTimes, SaveStep::SetHidden}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SavePlanTimes, OnlyChangedKnownTimesAreWritten) {
  propedit::LoadedFile f = shown();
  f.accessed.known = false;  // never read: never written, whatever its boxes say
  propedit::EditorEdits e = unchanged(f);
  e.accessedDate = "01/01/2001";
  e.accessedTime = "00:00:00";
  e.modifiedDate = "03/06/2001";
  const propedit::SavePlan plan = propedit::planSave(f, e);
  ASSERT_TRUE(plan.modified);
  EXPECT_EQ(propedit::formatEditorTime(*plan.modified), "03/06/2001 07:08:09");
  EXPECT_FALSE(plan.accessed);
}

TEST(SavePlanRefusals, ImpossibleInputIsRefusedWithItsReason) {
  const propedit::LoadedFile f = shown();
  const std::pair<void (*)(propedit::EditorEdits&), const char*> cases[] = {
      {[](propedit::EditorEdits& e) { e.modifiedDate = "02/30/2001"; }, "modified time"},
      {[](propedit::EditorEdits& e) { e.accessedTime = "25:00:00"; }, "accessed time"},
      {[](propedit::EditorEdits& e) { e.accessedDate = "garbage"; }, "not a valid date"},
      // Before the first day a file may be given (the date tool's rule too), on any file system.
      {[](propedit::EditorEdits& e) { e.modifiedDate = "01/01/1601"; }, "outside the times a file may be given"},
      {[](propedit::EditorEdits& e) { e.accessedDate = "12/31/1900"; }, "(01/01/1901 to 12/31/9999)"},
      {[](propedit::EditorEdits& e) { e.name = ""; }, "empty"},
      {[](propedit::EditorEdits& e) { e.name = "a/b"; }, "\"/\""},
      {[](propedit::EditorEdits& e) { e.name = ".."; }, "cannot be a file name"},
      {[](propedit::EditorEdits& e) { e.name = std::string(256, 'n'); }, "255 bytes"},
  };
  for (const auto& [edit, why] : cases) {
    propedit::EditorEdits e = unchanged(f);
    edit(e);
    const propedit::SavePlan plan = propedit::planSave(f, e);
    EXPECT_NE(plan.refusal.find(why), std::string::npos) << plan.refusal;
    EXPECT_TRUE(plan.steps.empty());
  }
}

// --- on real files ---------------------------------------------------------------------------
class SaveOnDisk : public core::testing::FileFixture {
 protected:
  propedit::LoadedFile load(const std::string& p) {
    propedit::LoadResult r = propedit::loadFileProperties(p);
    EXPECT_TRUE(r.file) << r.status;
    return r.file ? *r.file : propedit::LoadedFile{};
  }
  core::ScopedCoreState state_;
};

TEST_F(SaveOnDisk, RenamesThenWritesChangedTimeAndFlagsLeavingTheRestToTheNanosecond) {
  const std::string p = make("Shot 10:00.png", "pixels");
  const platform::FileTime acc{1000000000, 123456789, true}, mod{1100000000, 987654321, true};
  ASSERT_EQ(platform::setFileTimes(p, &acc, &mod), 0);
  const propedit::LoadedFile f = load(p);
  propedit::EditorEdits e = unchanged(f);
  e.name = "Shot 11:00.png";
  e.modifiedDate = "03/05/2001";
  e.modifiedTime = "07:08:09";
  e.readOnly = true;
  e.archive = f.archiveSupported;
  const propedit::SaveOutcome out = propedit::applySave(f, propedit::planSave(f, e));
  EXPECT_TRUE(out.ok) << out.status;
  EXPECT_TRUE(out.renamed);
  EXPECT_EQ(out.path, path("Shot 11:00.png"));
  EXPECT_FALSE(std::filesystem::exists(p));
  const propedit::LoadedFile now = load(out.path);
  EXPECT_EQ(propedit::formatEditorTime(now.modified), "03/05/2001 07:08:09");
  const platform::FileStatus st = platform::fileStatus(out.path, false);
  EXPECT_EQ(st.accessed.sec, acc.sec);
  EXPECT_EQ(st.accessed.nsec, acc.nsec);  // the accessed boxes were not touched
  EXPECT_TRUE(now.readOnly);
  EXPECT_EQ(now.archive, f.archiveSupported);  // set before the file became read-only
  EXPECT_EQ(slurp(out.path), "pixels");        // read last: reading moves the accessed time
}

TEST_F(SaveOnDisk, RenameNeverReplacesAndThenNothingElseIsWritten) {
  const std::string p = make("a.txt", "mine");
  make("b.txt", "theirs");
  const propedit::LoadedFile f = load(p);
  propedit::EditorEdits e = unchanged(f);
  e.name = "b.txt";
  e.readOnly = true;
  const propedit::SaveOutcome out = propedit::applySave(f, propedit::planSave(f, e));
  EXPECT_FALSE(out.ok);
  EXPECT_FALSE(out.renamed);
  EXPECT_EQ(out.path, p);
  EXPECT_NE(out.status.find("already exists"), std::string::npos) << out.status;
  EXPECT_EQ(slurp(p), "mine");
  EXPECT_EQ(slurp(path("b.txt")), "theirs");
  EXPECT_FALSE(load(p).readOnly);
}

TEST_F(SaveOnDisk, HiddenFollowsARename) {
  const std::string p = make("h.txt", "x");
  ASSERT_EQ(platform::setHidden(p, true), 0);
  const propedit::LoadedFile f = load(p);
  ASSERT_TRUE(f.hidden);
  propedit::EditorEdits e = unchanged(f);
  e.name = "g.txt";
  const propedit::SaveOutcome out = propedit::applySave(f, propedit::planSave(f, e));
  EXPECT_TRUE(out.ok) << out.status;
  EXPECT_TRUE(platform::isListedHidden(path("g.txt")));
  EXPECT_FALSE(platform::isListedHidden(p));  // a later "h.txt" does not start out hidden
}

// A name that starts with "." is hidden by its name: the list is never written for it, and a name
// that loses its dot is hidden only when the box says so.
TEST_F(SaveOnDisk, ADotNameIsHiddenByItsNameAlone) {
  struct Case {
    const char* from;
    bool listed;  // the old name is in ".hidden"
    const char* to;
    bool box;  // the Hidden box at Save
    const char* status;
    bool hiddenAfter, listedAfter;
  };
  const Case cases[] = {
      {"foo", false, ".foo", true, "Renamed and saved.", true, false},
      {"listed", true, ".listed", true, "Renamed and saved.", true, false},
      {"boxClear", false, ".boxClear", false, "Renamed and saved.", true, false},
      {".bar", false, "bar", false, "Renamed and saved.", false, false},
      {".kept", false, "kept", true, "Renamed and saved.", true, true},
      {".same", false, ".same", false, "Nothing to change.", true, false},
  };
  for (const Case& c : cases) {
    const std::string p = make(c.from, "x");
    if (c.listed) {
      ASSERT_EQ(platform::setHidden(p, true), 0);
    }
    const propedit::LoadedFile f = load(p);
    propedit::EditorEdits e = unchanged(f);
    e.name = c.to;
    e.hidden = c.box;
    const propedit::SaveOutcome out = propedit::applySave(f, propedit::planSave(f, e));
    EXPECT_TRUE(out.ok) << c.from << ": " << out.status;
    EXPECT_EQ(out.status, c.status) << c.from;
    const std::string now = path(c.to);
    EXPECT_EQ(platform::readAttributes(now).hidden, c.hiddenAfter) << c.from;
    EXPECT_EQ(platform::isListedHidden(now), c.listedAfter) << c.from;
    EXPECT_FALSE(platform::isListedHidden(p) && std::string(c.from) != c.to) << c.from;
  }
}

// A file system that keeps times only up to 10/05/2446 (as ext4 does) and stores that for any later
// time without an error.
class TimesUpTo2446 final : public platform::MetadataSource {
 public:
  platform::FileStatus query(const std::string& p, bool follow) const override {
    platform::FileStatus st = platform::systemMetadataSource().query(p, follow);
    for (platform::FileTime* t : {&st.accessed, &st.modified}) t->sec = std::min<std::int64_t>(t->sec, 15032385535LL);
    return st;
  }
};

TEST_F(SaveOnDisk, ATimeTheFileSystemCannotHoldIsNotReportedAsSaved) {
  const std::string p = make("far.txt", "x");
  const platform::FileTime acc{1000000000, 0, true}, mod{1100000000, 0, true};
  ASSERT_EQ(platform::setFileTimes(p, &acc, &mod), 0);
  const TimesUpTo2446 narrow;
  const platform::ScopedMetadataSource scoped(narrow);
  const propedit::LoadedFile f = load(p);
  propedit::EditorEdits e = unchanged(f);
  e.modifiedDate = "12/31/9999";
  e.readOnly = true;
  const propedit::SaveOutcome out = propedit::applySave(f, propedit::planSave(f, e));
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.status, "Not all saved: This file system cannot hold the modified time " +
                            e.modifiedDate + " " + e.modifiedTime + "; the times were left as they were.");
  const platform::FileStatus st = platform::fileStatus(p, false);
  EXPECT_EQ(st.modified.sec, mod.sec);
  EXPECT_EQ(st.accessed.sec, acc.sec);
  EXPECT_TRUE(load(p).readOnly);  // the other steps were still done
}

// On the file system the test runs on, whatever it holds: a save says "Saved." only for a time
// that reads back as typed, and otherwise leaves the file's time as it was.
TEST_F(SaveOnDisk, SavedMeansTheTimeReadsBackAsTyped) {
  for (const char* date : {"06/15/2020", "01/01/1901", "01/01/2500", "12/31/9999"}) {
    const std::string p = make("any.txt", "x");
    const platform::FileTime acc{1000000000, 0, true}, mod{1100000000, 0, true};
    ASSERT_EQ(platform::setFileTimes(p, &acc, &mod), 0);
    const propedit::LoadedFile f = load(p);
    propedit::EditorEdits e = unchanged(f);
    e.modifiedDate = date;
    const propedit::SaveOutcome out = propedit::applySave(f, propedit::planSave(f, e));
    const std::string now = propedit::formatEditorTime(load(p).modified);
    if (out.ok) {
      EXPECT_EQ(out.status, "Saved.") << date;
      EXPECT_EQ(now, std::string(date) + " " + e.modifiedTime);
    } else {
      EXPECT_NE(out.status.find("cannot hold the modified time"), std::string::npos) << out.status;
      EXPECT_EQ(platform::fileStatus(p, false).modified.sec, mod.sec) << date;
    }
    std::filesystem::remove(p);
  }
}

TEST_F(SaveOnDisk, AFileGoneSinceLoadingIsLeftAlone) {
  const std::string p = make("gone.txt", "x");
  const propedit::LoadedFile f = load(p);
  std::filesystem::remove(p);
  std::filesystem::create_directory(p);  // something else took the name
  propedit::EditorEdits e = unchanged(f);
  e.readOnly = true;
  const propedit::SaveOutcome out = propedit::applySave(f, propedit::planSave(f, e));
  EXPECT_FALSE(out.ok);
  EXPECT_NE(out.status.find("no longer there"), std::string::npos);
}

}  // namespace

// A second user swaps the file for a link to a private file while the editor saves, again and
// again: every flag and time goes to the file itself or nowhere, never through the link.
TEST_F(SaveOnDisk, ASaveNeverFollowsALinkSwappedInForTheFile) {
  const core::testing::OutsideFolder outside(path("outside/"), 1);
  const std::string p = make("doc.txt", "mine");
  // The file itself, whatever its name leads to: made writable again after each save.
  const int doc = ::open(p.c_str(), O_PATH | O_NOFOLLOW);
  const std::string self = "/proc/self/fd/" + std::to_string(doc);
  core::testing::LinkSwapper swapper(p, outside.path() + "private0.txt");
  swapper.start();
  int saves = 0;
  for (int round = 0; saves < 200 && round < 20000; ++round) {
    ::chmod(self.c_str(), 0644);
    // Loaded afresh each time, as the editor does; the save makes it read-only and archived.
    const propedit::LoadResult r = propedit::loadFileProperties(p);
    if (!r.file) continue;
    propedit::EditorEdits e = unchanged(*r.file);
    e.readOnly = true;
    e.archive = r.file->archiveSupported;
    e.modifiedDate = round % 2 == 0 ? "03/05/2001" : "04/06/2002";
    (void)propedit::applySave(*r.file, propedit::planSave(*r.file, e));
    ++saves;
    ASSERT_EQ(outside.changes(), "") << "save " << saves;
  }
  swapper.stop();
  ::close(doc);
  EXPECT_GT(swapper.swaps(), 0);
  EXPECT_GT(saves, 0);
}
