// The appender's run on a fixture tree: text before and after the contents, tags per file, the
// report, and the checks and questions before anything changes.
#include "tools/text/append_run.h"

#include "core/date_tokens.h"
#include "core/file_times.h"
#include "core/pipeline_test_support.h"
#include "tools/text/run_report_test_support.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace tools::text {
namespace {

using testing::messages;
using testing::reportedText;

class AppendRunTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    makeFile("a.txt", "body");
    makeFile("empty.log", "");
    makeDir("sub");
    makeFile("sub/x<DT;yyyy>.txt", "sub body");
    host_.realListing = true;
    pipe_.setMountProbe({.isFixedDrive = [](const std::string&) { return true; }});
  }
  AppendStart append(AppendOptions options) { return appendText(pipe_, form_, options, msg_); }

  const core::MessageTable msg_ = messages(10, {{5, "Changed:\r\n"}});
};

TEST_F(AppendRunTest, TextGoesBeforeOrAfterTheContentsWithTagsFilledPerFile) {
  EXPECT_EQ(append({.text = "<FileNameNoDotExt>.<FileExtNoDot> in <FilePathNoEndSlash>: ", .tags = true,
                    .where = AppendWhere::Start, .withSubfolders = true}),
            AppendStart::Appended);
  EXPECT_EQ(readAll(root_ + "a.txt"), "a.txt in " + root_.substr(0, root_.size() - 1) + ": body");
  EXPECT_EQ(readAll(root_ + "empty.log"), "empty.log in " + root_.substr(0, root_.size() - 1) + ": ");
  // The name keeps its date token: nothing from a name is scanned again.
  EXPECT_EQ(readAll(root_ + "sub/x<DT;yyyy>.txt"), "x<DT;yyyy>.txt in " + root_ + "sub: sub body");
  EXPECT_EQ(reportedText(host_),
            "Changed:\r\n" + root_ + "a.txt\r\n" + root_ + "empty.log\r\n" + root_ + "sub/x<DT;yyyy>.txt\r\n\t");
  EXPECT_EQ(host_.refreshes, std::vector<core::RefreshMode>{core::RefreshMode::ListOnly});  // new sizes shown
}

TEST_F(AppendRunTest, WithoutTagsTheTextIsAddedAsItStands) {
  append({.text = "\n<FileExtNoDot> <Date;Today;yyyy>"});
  EXPECT_EQ(readAll(root_ + "a.txt"), "body\n<FileExtNoDot> <Date;Today;yyyy>");
  EXPECT_EQ(readAll(root_ + "empty.log"), "\n<FileExtNoDot> <Date;Today;yyyy>");
}

TEST_F(AppendRunTest, DatesComeFromEachFileAndTodayFromTheWindowsStamp) {
  const timespec t[2] = {{0, UTIME_OMIT}, {1700000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (root_ + "a.txt").c_str(), t, 0), 0);
  const std::string modified = core::formatDateStamp(core::dateStamp(core::localRecord(1700000000, 0)), "yyyymodd");
  append({.text = " <Date;File Modified;yyyymodd>/<Date;Today;hh:mi>", .tags = true,
          .todayStamp = "09/05/2025 08:07:06"});
  EXPECT_EQ(readAll(root_ + "a.txt"), "body " + modified + "/08:07");
  EXPECT_EQ(readAll(root_ + "empty.log").substr(9), "/08:07");
}

TEST_F(AppendRunTest, BinaryFilesAreLeftAlone) {
  makeFile("data.bin", std::string("\x01\x02zz", 4));
  append({.text = "tail"});
  EXPECT_EQ(readAll(root_ + "data.bin"), std::string("\x01\x02zz", 4));
  EXPECT_NE(host_.results.back().text.find("{23}" + root_ + "data.bin"), std::string::npos);
}

TEST_F(AppendRunTest, NothingChangesUnlessTheUserConfirmsAndThereIsAText) {
  host_.answers = {core::kAnswerNo};
  EXPECT_EQ(append({.text = "x", .withSubfolders = true}), AppendStart::Declined);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "{104}\r\n[3]");
  EXPECT_EQ(host_.questions[0].title, "W");

  EXPECT_EQ(append({.text = ""}), AppendStart::EmptyText);
  EXPECT_EQ(host_.questions.back().message, "[1]");

  host_.mainFolder = root_ + "missing/";
  EXPECT_EQ(append({.text = "x"}), AppendStart::Refused);
  EXPECT_EQ(host_.questions.back().message, "{96}" + root_ + "missing/{97}");

  EXPECT_EQ(readAll(root_ + "a.txt"), "body");
  EXPECT_TRUE(host_.results.empty());
}

}  // namespace
}  // namespace tools::text
