// The attribute run on fixture folders: R, H and A on files and folders as Linux keeps them, items
// that need no change are not written, what Linux cannot do is reported without stopping the
// item's other changes, and the results text of both modes.
#include "tools/file_ops/attrib_run.h"

#include "core/file_paths.h"
#include "core/pipeline_test_support.h"
#include "platform/file_attributes.h"
#include "platform/fs.h"
#include "tools/text/run_report_test_support.h"

#include <sys/stat.h>

namespace tools::file_ops {
namespace {

using tools::text::testing::messages;
using tools::text::testing::reportedText;

TEST(AttribValues, OnlyTheChosenBitsChangeAndTheRestPassThrough) {
  using core::kAttrArchive, core::kAttrFolder, core::kAttrHidden, core::kAttrReadOnly, core::kAttrSystem;
  struct Case {
    std::uint8_t from;
    AttribOptions options;
    std::uint8_t to;
  };
  const Case cases[] = {
      {kAttrHidden | kAttrSystem, {.hidden = AttribChange::Clear}, kAttrSystem},
      {0, {.archive = AttribChange::Set, .readOnly = AttribChange::Set}, kAttrArchive | kAttrReadOnly},
      {kAttrReadOnly, {.readOnly = AttribChange::Set}, kAttrReadOnly},
      {kAttrFolder | kAttrReadOnly | kAttrArchive, {.archive = AttribChange::Clear}, kAttrReadOnly},
      {kAttrHidden, {.archive = AttribChange::Leave}, kAttrHidden},
  };
  for (const Case& c : cases) EXPECT_EQ(newAttributes(c.from, c.options), c.to) << int(c.from);
}

class AttribRunTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    a_ = makeFile("a.txt", "a");
    b_ = makeFile("b.txt", "b");
    host_.realListing = true;
  }
  AttribStart run(const AttribOptions& options) { return runAttributes(pipe_, form_, options, msg_); }
  static std::uint32_t mode(const std::string& path) { return platform::fileStatus(path, false).mode & 0777; }

  const core::MessageTable msg_ = messages(9, {{3, "Files:\r\n"}, {7, "Folders:\r\n"}, {6, "none"}, {4, "file? "},
                                               {5, "folder? "}, {8, "dot "}, {9, "no A "}});
  std::string a_, b_;
};

TEST_F(AttribRunTest, FilesGetTheirAttributesAndAFileAlreadyRightIsNotWritten) {
  makeDir("sub");
  const std::string c = makeFile("sub/c.txt", "c");
  ASSERT_EQ(::chmod(b_.c_str(), 0444), 0);
  const platform::FileTime bChanged = platform::fileStatus(b_, false).changed;
  EXPECT_EQ(run({.readOnly = AttribChange::Set, .withSubfolders = true, .pattern = "*.txt"}), AttribStart::Ran);
  EXPECT_EQ(mode(a_), 0444u);
  EXPECT_EQ(mode(c), 0444u);
  const platform::FileTime after = platform::fileStatus(b_, false).changed;
  EXPECT_EQ(std::pair(after.sec, after.nsec), std::pair(bChanged.sec, bChanged.nsec));  // never touched
  // One line per folder, whether or not anything in it changed.
  EXPECT_EQ(reportedText(host_), "Files:\r\n" + root_ + "*.txt\r\n" + root_ + "sub/*.txt\r\n");

  EXPECT_EQ(run({.archive = AttribChange::Set, .hidden = AttribChange::Set, .readOnly = AttribChange::Clear}),
            AttribStart::Ran);
  for (const std::string& f : {a_, b_}) {
    EXPECT_EQ(core::GetAtt(f), core::kAttrHidden | core::kAttrArchive) << f;
    EXPECT_EQ(mode(f), 0644u) << f;  // the owner's write bit back
  }
  EXPECT_EQ(readAll(root_ + ".hidden"), "a.txt\nb.txt\n");
}

// The ".hidden" an earlier run wrote is the folder's own record, not a file the tool reports on.
TEST_F(AttribRunTest, TheHiddenListIsNoFileOfTheRun) {
  ASSERT_EQ(run({.hidden = AttribChange::Set}), AttribStart::Ran);
  host_.listHidden = true;
  ASSERT_EQ(run({.hidden = AttribChange::Clear, .withHidden = true}), AttribStart::Ran);
  EXPECT_EQ(host_.results.back().text.find(".hidden"), std::string::npos) << host_.results.back().text;
  EXPECT_EQ(core::GetAtt(a_) & core::kAttrHidden, 0);
}

TEST_F(AttribRunTest, WhatLinuxCannotDoIsReportedAndTheOtherChangesMade) {
  const std::string dot = makeFile(".dot", "d");
  ASSERT_EQ(::symlink("a.txt", (root_ + "link").c_str()), 0);
  host_.realListing = false;
  host_.fakeFolders[root_] = {core::ListEntry{.name = ".dot"}, core::ListEntry{.name = "link"}};
  EXPECT_EQ(run({.archive = AttribChange::Set, .hidden = AttribChange::Clear, .readOnly = AttribChange::Set}),
            AttribStart::Ran);
  EXPECT_EQ(core::GetAtt(dot), core::kAttrHidden | core::kAttrArchive | core::kAttrReadOnly);
  const std::string report = host_.results.back().text;
  EXPECT_NE(report.find("dot " + dot), std::string::npos) << report;
  EXPECT_NE(report.find("no A " + root_ + "link"), std::string::npos) << report;
  EXPECT_NE(report.find("file? " + root_ + "link"), std::string::npos) << report;  // a link has no R of its own
  EXPECT_EQ(mode(a_), 0644u);  // the link's target is left alone

  // A name that cannot be a line of ".hidden" fails alone; the folder's other names are listed.
  const std::string odd = makeFile("odd\nname", "o");
  host_.fakeFolders[root_] = {core::ListEntry{.name = "a.txt"}, core::ListEntry{.name = "odd\nname"},
                              core::ListEntry{.name = "b.txt"}};
  EXPECT_EQ(run({.hidden = AttribChange::Set}), AttribStart::Ran);
  EXPECT_EQ(readAll(root_ + ".hidden"), "a.txt\nb.txt\n");
  EXPECT_NE(host_.results.back().text.find("file? " + odd), std::string::npos);
}

TEST_F(AttribRunTest, FoldersBelowTheStartChangeDeepestFirstAndOnlyChangesAreListed) {
  makeDir("p/q");
  const std::string p = root_ + "p", q = root_ + "p/q";
  const AttribOptions options{.target = AttribTarget::Folders, .hidden = AttribChange::Set,
                              .readOnly = AttribChange::Set, .withSubfolders = true};
  EXPECT_EQ(run(options), AttribStart::Ran);
  // q's ".hidden" entry lives in p: written before p refused new entries.
  EXPECT_EQ(readAll(p + "/.hidden"), "q\n");
  EXPECT_EQ(readAll(root_ + ".hidden"), "p\n");
  EXPECT_EQ(mode(p) & 0222, 0u);
  EXPECT_EQ(mode(q) & 0222, 0u);
  EXPECT_EQ(mode(root_) & 0200, 0200u);  // the start folder itself is never changed
  EXPECT_EQ(reportedText(host_), "Folders:\r\n" + q + "\r\n" + p + "\r\n\t");

  EXPECT_EQ(run(options), AttribStart::Ran);
  EXPECT_EQ(reportedText(host_), "Folders:\r\nnone");

  // Hidden now: only a run that includes hidden folders finds them.
  EXPECT_EQ(run({.target = AttribTarget::Folders, .readOnly = AttribChange::Clear, .withSubfolders = true,
                 .withHidden = true}),
            AttribStart::Ran);
  EXPECT_EQ(mode(p) & 0200, 0200u);
  EXPECT_EQ(mode(q) & 0200, 0200u);
}

TEST_F(AttribRunTest, NothingTickedIsToldAndNothingRuns) {
  EXPECT_EQ(run({}), AttribStart::NothingTicked);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "[1]");
  EXPECT_TRUE(host_.listed.empty());
}

}  // namespace
}  // namespace tools::file_ops
