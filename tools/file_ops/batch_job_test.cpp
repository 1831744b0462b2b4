// The batch job compile on a fixture folder: the job's pieces in their order, the folder walk of
// each file choice, names left out with their result lines, Cancel and failures that leave no job,
// Compile And Run's question and start, and a large job written in pieces.
#include "tools/file_ops/batch_job.h"

#include "core/file_content.h"
#include "core/pipeline_test_support.h"

#include <QProcess>

#include <sys/stat.h>
#include <sys/time.h>

#include <filesystem>

namespace tools::file_ops {
namespace {

namespace fs = std::filesystem;

// Messages read "{n}" so that the tests see which one was used.
core::MessageTable numbered() {
  std::vector<std::string> m;
  for (int n = 1; n <= 43; ++n) m.push_back("{" + std::to_string(n) + "}");
  return core::MessageTable(std::move(m));
}

class BatchJobTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    host_.realListing = true;
    makeFile("f1.txt", "1");
    makeFile("b c.log", "2");
    makeDir("sub/deep");
    makeFile("sub/g.txt", "3");
    makeFile("sub/deep/h.txt", "4");
    job_ = core::coreState().tempPath + std::string(kJobName);
  }

  BatchJobOptions options(BatchTemplates t, BatchFilter filter = BatchFilter::All) {
    return {.code = {.templates = std::move(t), .filter = filter},
            .withSubfolders = true,
            .startFolder = root_,
            .jobPath = job_,
            .endText = "E ockbnd\n",
            .wendlePath = "/opt/c v/Wendle",
            .todayStamp = "02/03/2024 05:06:07",
            .pattern = "*"};
  }
  BatchJobResult compile(const BatchJobOptions& o) { return compileBatchJob(pipe_, form_, o, msg_); }
  std::string job() const { return readAll(job_); }
  std::string report() const { return host_.results.empty() ? std::string() : host_.results.back().text; }
  // What is left in the temporary folder besides the job.
  std::vector<std::string> leftovers() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(core::coreState().tempPath))
      if (e.path().filename() != kJobName) out.push_back(e.path().filename().string());
    return out;
  }
  std::string q(const std::string& s) const { return "'" + s + "'"; }

  std::string job_;
  core::MessageTable msg_ = numbered();
};

TEST_F(BatchJobTest, TheJobHoldsHeadFoldersFilesClosingLinesAndTailInOrder) {
  const BatchJobResult r = compile(options({.head = "H", .fold = "F <myFold> <foldNoPath>", .file = "f <myDosFile>\r\n",
                                            .tail = "T"}));
  ASSERT_TRUE(r.written);
  const std::string root = root_.substr(0, root_.size() - 1);
  // The deepest folders first, the start folder last; each folder's files in the list's order; the
  // tail exactly as typed.
  EXPECT_EQ(job(), "H\n"
                   "F " + q(root + "/sub/deep") + " 'deep'\nf 'h.txt'\n"
                   "F " + q(root + "/sub") + " 'sub'\nf 'g.txt'\n"
                   "F " + q(root) + " 'root'\nf 'b c.log'\nf 'f1.txt'\n"
                   "E '/opt/c v/Wendle'\nT");
  EXPECT_EQ(r.files, 4);
  EXPECT_EQ(r.folders, 3u);
  EXPECT_NE(report().find("{9}*{10}4{11}3{12}"), std::string::npos) << report();
  EXPECT_NE(report().find("\r\n\t\r\n" + job_ + "{15}"), std::string::npos);
  EXPECT_EQ(host_.captions.back(), "{3}");
  EXPECT_TRUE(host_.refreshes.empty()) << "a compile changes nothing the main window shows";
  EXPECT_TRUE(leftovers().empty());
}

TEST_F(BatchJobTest, EachFileChoiceWalksItsOwnFolders) {
  // Work On Folders: the start folder (last) and the folders in it, no file text even where one is
  // typed.
  makeDir("other");
  BatchJobOptions o = options({.fold = "<foldNoPath>", .file = "never <myFile>"}, BatchFilter::Folders);
  o.withSubfolders = false;
  o.endText.clear();
  compile(o);
  const std::string folders = job();
  EXPECT_TRUE(folders == "'sub'\n'other'\n'root'\n" || folders == "'other'\n'sub'\n'root'\n") << folders;
  EXPECT_NE(report().find("{7}3{8}"), std::string::npos) << report();

  // Read-only files only; without subfolders the start folder alone.
  ASSERT_EQ(::chmod((root_ + "f1.txt").c_str(), 0444), 0);
  o = options({.file = "<myDosFile>"}, BatchFilter::ReadOnly);
  o.withSubfolders = false;
  o.endText.clear();
  compile(o);
  EXPECT_EQ(job(), "'f1.txt'\n");

  // No templates at all: the job is the head, the closing lines and the tail.
  compile(options({.head = "H\n", .tail = "T\n"}));
  EXPECT_EQ(job(), "H\nE '/opt/c v/Wendle'\nT\n");
}

TEST_F(BatchJobTest, NamesThatCannotBeWrittenSafelyAreLeftOutWithALine) {
  makeFile("sub/new\nline.txt", "x");
  fs::create_directories(root_ + "bad\tdir");
  makeFile("bad\tdir/inside.txt", "x");
  BatchJobOptions o = options({.fold = "cd <myFold>\n", .file = "echo <myFile>\n"});
  o.endText = "`ockbnd`\n";  // no quoting is safe inside backquotes
  const BatchJobResult r = compile(o);
  ASSERT_TRUE(r.written);
  const std::string text = job();
  EXPECT_EQ(text.find("line"), std::string::npos) << text;
  EXPECT_EQ(text.find("inside"), std::string::npos) << "a folder left out takes its files with it";
  EXPECT_EQ(text.find("Wendle"), std::string::npos);
  EXPECT_NE(text.find("echo 'g'\n"), std::string::npos);
  const std::string lines = report();
  EXPECT_NE(lines.find("{34}" + root_ + "sub/new\nline.txt"), std::string::npos) << lines;
  EXPECT_NE(lines.find("{36}" + root_ + "bad\tdir"), std::string::npos) << lines;
  EXPECT_NE(lines.find("{37}/opt/c v/Wendle"), std::string::npos) << lines;
  EXPECT_EQ(r.files, 4);
}

TEST_F(BatchJobTest, DateTokensTakeTheFilesTimesAndTheTodayStamp) {
  const timeval times[2] = {{951782400, 0}, {951782400, 0}};  // 29 February 2000 00:00 UTC
  ASSERT_EQ(::utimes((root_ + "f1.txt").c_str(), times), 0);
  BatchJobOptions o = options({.file = "<Date;File Modified;yyyy> <Date;Today;yyyy-mo-dd> <DM;yyyy <myFile>\n"});
  o.withSubfolders = false;
  o.endText.clear();
  compile(o);
  // "<DM;yyyy <myFile>" is no date token: the format may not hold "<".
  EXPECT_NE(job().find("2000 2024-03-02 <DM;yyyy 'f1'\n"), std::string::npos) << job();
}

// Cancel, and failures to write, leave no job that Launch could run, and nothing in the folder.
TEST_F(BatchJobTest, CancelAndFailuresLeaveNoJob) {
  for (int i = 0; i < 70; ++i) makeFile("many" + std::to_string(i), "");
  ASSERT_EQ(core::OutputFile(job_, "old job"), 0);
  host_.cancelAfterYields(1);
  BatchJobResult r = compile(options({.file = "<myDosFile>"}));
  EXPECT_EQ(r.end, core::RunEnd::Cancelled);
  EXPECT_FALSE(r.written);
  EXPECT_FALSE(fs::exists(job_)) << "the previous job is gone too";
  EXPECT_TRUE(leftovers().empty());
  EXPECT_EQ(report().find("{9}"), std::string::npos) << "no summary";

  // The job cannot be created: its folder does not exist.
  BatchJobOptions o = options({.file = "<myDosFile>"});
  o.jobPath = job_ + ".d/no/such/folder/job.sh";
  r = compile(o);
  EXPECT_FALSE(r.written);
  EXPECT_NE(report().find("{13}" + o.jobPath + "{14}"), std::string::npos) << report();
}

TEST_F(BatchJobTest, ALargeJobIsWrittenInPiecesInItsOrder) {
  fs::create_directories(root_ + "big");
  for (int i = 0; i < 2000; ++i) makeFile("big/" + std::to_string(10000 + i), "");
  const std::string dashes(100, '-');
  compile(options({.head = "H", .fold = "F <foldNoPath>", .file = "echo <myDosFile> " + dashes, .tail = "T"}));
  const std::string text = job();
  ASSERT_GT(text.size(), 3u * 64 * 1024);
  EXPECT_EQ(text.rfind("H\nF 'deep'\necho 'h.txt'", 0), 0u) << text.substr(0, 100);
  EXPECT_LT(text.find("echo '10000'"), text.find("echo '11999'"));
  EXPECT_LT(text.find("echo '11999'"), text.find("F 'root'"));
  EXPECT_TRUE(text.ends_with(dashes + "\nE '/opt/c v/Wendle'\nT")) << text.substr(text.size() - 200);
}

TEST_F(BatchJobTest, CompileAndRunAsksFirstAndStartsTheCompleteJob) {
  std::vector<std::string> started;
  BatchJobOptions o = options({.file = "echo <myDosFile>", .tail = "T"});
  o.runAfter = true;
  o.launch = [&](const std::string& path) {
    started.push_back(readAll(path));
    return JobLaunch{.started = true, .inTerminal = false, .logPath = "/t/log"};
  };
  host_.answers = {core::kAnswerNo};
  BatchJobResult r = compile(o);
  EXPECT_TRUE(r.declined);
  EXPECT_TRUE(host_.listed.empty()) << "nothing done";
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "{26}{17}" + job_ + "\r\n\r\n{33}");
  EXPECT_EQ(host_.questions[0].title, "W");

  o.withSubfolders = false;
  r = compile(o);
  EXPECT_EQ(host_.questions.back().message, "{26}{17}" + job_ + "\r\n");
  EXPECT_TRUE(r.launched);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0], job()) << "started once complete";
  EXPECT_NE(report().find("\r\n{27}" + job_ + "{28}\r\n{38}/t/log\r\n"), std::string::npos) << report();

  o.launch = [](const std::string&) { return JobLaunch{}; };
  r = compile(o);
  EXPECT_FALSE(r.launched);
  EXPECT_NE(report().find("{39}" + job_), std::string::npos);
}

// A template line that gives a name to a second shell is named in the results and, before a
// Compile And Run, in the question; the job is written as typed.
TEST_F(BatchJobTest, LinesThatHandANameToASecondShellAreNamed) {
  BatchJobOptions o = options({.fold = "cd <myFold>\neval ls <myFold>", .file = "echo\nsh -c 'cat <myDosFile>'"});
  (void)compile(o);
  EXPECT_NE(report().find("{41}{30}{42}2: eval ls <myFold>\r\n"), std::string::npos) << report();
  EXPECT_NE(report().find("{41}{31}{42}2: sh -c 'cat <myDosFile>'\r\n"), std::string::npos) << report();
  EXPECT_NE(job().find("sh -c 'cat h.txt'\n"), std::string::npos) << job();

  o.runAfter = true;
  o.withSubfolders = false;
  host_.answers = {core::kAnswerNo};
  EXPECT_TRUE(compile(o).declined);
  EXPECT_EQ(host_.questions.back().message, "{26}{17}" + job_ + "\r\n\r\n\r\n{43}{30}{42}2: eval ls <myFold>\r\n{31}{42}2: sh -c 'cat <myDosFile>'\r\n");

  // The folder template alone counts when the job works on folders.
  o = options({.fold = "echo <myFold>", .file = "eval <myFile>"}, BatchFilter::Folders);
  (void)compile(o);
  EXPECT_EQ(report().find("{41}"), std::string::npos) << report();
}

// The job as sh runs it: the files it names, and nothing a name says.
TEST_F(BatchJobTest, TheJobRunsWithShOnTheNamesItWasGiven) {
  makeFile("$(touch PWNED)", "5");
  makeFile("-n", "6");
  BatchJobOptions o = options({.head = "set -e\n", .fold = "cd <myFold>\n", .file = "cat <myDosFile> >> \"$OUT\"\n"});
  o.withSubfolders = false;
  o.endText.clear();
  compile(o);
  QProcess sh;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("OUT"), QString::fromStdString(base_ + "out"));
  sh.setProcessEnvironment(env);
  sh.start(QStringLiteral("/bin/sh"), {QString::fromStdString(job_)});
  ASSERT_TRUE(sh.waitForFinished(10000));
  EXPECT_EQ(sh.exitCode(), 0) << sh.readAllStandardError().toStdString() << job();
  EXPECT_EQ(readAll(base_ + "out"), "5621") << job();  // sorted: "$(touch PWNED)", "-n", "b c.log", "f1.txt"
  EXPECT_FALSE(fs::exists(root_ + "PWNED"));
}

}  // namespace
}  // namespace tools::file_ops
