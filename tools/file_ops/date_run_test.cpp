// The date run on a fixture folder: boxes and tags set the times (tags read the times as they
// were), shifts, every refusal before any file is touched, the subfolders question, files that
// cannot be changed, and the results text. The zone is fixed to UTC so that the instants written
// can be compared.
#include "tools/file_ops/date_run.h"

#include "core/pipeline_test_support.h"
#include "platform/fs.h"
#include "tools/text/run_report_test_support.h"

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>
#include <time.h>

namespace tools::file_ops {
namespace {

using tools::text::testing::messages;
using tools::text::testing::reportedText;

// 2023-11-14 22:13:20 UTC and 2024-03-09 16:00:00 UTC.
constexpr std::int64_t kModified = 1700000000;
constexpr std::int64_t kAccessed = 1710000000;

struct Stamps {
  std::int64_t modified, accessed;
  std::uint32_t modifiedNsec;
};

class DateRunTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    if (const char* tz = std::getenv("TZ")) oldTz_ = tz;
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    a_ = makeFile("a.txt", "a");
    b_ = makeFile("b.txt", "b");
    c_ = makeFile("c.txt", "c");
    makeDir("empty");
    for (const std::string& f : {a_, b_, c_}) setTimes(f, kModified, kAccessed);
    host_.realListing = true;
  }
  void TearDown() override {
    if (oldTz_) ::setenv("TZ", oldTz_->c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
    PipelineTest::TearDown();
  }
  static void setTimes(const std::string& path, std::int64_t modified, std::int64_t accessed) {
    const timespec t[2] = {{accessed, 0}, {modified, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, AT_SYMLINK_NOFOLLOW), 0);
  }
  static Stamps stamps(const std::string& path) {
    const platform::FileStatus st = platform::fileStatus(path, false);
    return {st.modified.sec, st.accessed.sec, st.modified.nsec};
  }
  static std::int64_t utc(int y, int mo, int d, int h, int mi, int s) {
    tm t{};
    t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d, t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
    return ::timegm(&t);
  }
  DateStart run(const DateOptions& options) { return runDates(pipe_, form_, options, msg_); }

  const core::MessageTable msg_ = messages(30, {{12, "Set:\r\n"}, {14, "unread "}, {15, " kept"}, {16, "unset "},
                                                {4, "minutes"}, {8, "years"}, {2, "less "}, {3, " than "}});
  std::string a_, b_, c_;
  std::optional<std::string> oldTz_;
};

TEST_F(DateRunTest, BoxesSetTheirPartsAndTagsCopyTheTimesAsTheyWere) {
  ASSERT_EQ(::chmod(a_.c_str(), 0444), 0);
  const DateStart r = run({.change = {.modifiedDate = {.ticked = true, .text = "12/31/2020"},
                                      .modifiedTime = {.ticked = true, .text = "10:20:30"},
                                      .accessedDate = {.ticked = true, .text = "<DFM>"},
                                      // unticked boxes are never read
                                      .accessedTime = {.ticked = false, .text = "garbage"}}});
  EXPECT_EQ(r.refused, DateRefusal::None);
  for (const std::string& f : {a_, b_, c_}) {
    const Stamps s = stamps(f);
    EXPECT_EQ(s.modified, utc(2020, 12, 31, 10, 20, 30)) << f;
    EXPECT_EQ(s.modifiedNsec, 500000000u);  // the file's own fraction of a second stays
    // The accessed date is the modified date before the run (14/11/2023), its time as it was.
    EXPECT_EQ(s.accessed, utc(2023, 11, 14, 16, 0, 0)) << f;
  }
  struct stat st{};
  ASSERT_EQ(::stat(a_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);  // times need no write permission, and it is not given
  EXPECT_EQ(reportedText(host_), "Set:\r\n" + root_ + "\r\n " + a_ + "\r\n " + b_ + "\r\n " + c_ + "\r\n\r\n");
  EXPECT_TRUE(host_.questions.empty());
}

TEST_F(DateRunTest, ATagNamingTheBoxsOwnTimeLeavesThatPart) {
  EXPECT_EQ(run({.change = {.modifiedDate = {.ticked = true, .text = "<DFM>"},
                            .accessedTime = {.ticked = true, .text = "<TFM>"}}})
                .refused,
            DateRefusal::None);
  const Stamps s = stamps(a_);
  EXPECT_EQ(s.modified, kModified);
  EXPECT_EQ(s.accessed, utc(2024, 3, 9, 22, 13, 20));
}

TEST_F(DateRunTest, ShiftsMoveOneTimeByCalendarUnits) {
  setTimes(a_, utc(2021, 1, 31, 8, 0, 0), kAccessed);
  EXPECT_EQ(run({.mode = DateMode::Shift,
                 .shift = {.amount = "1", .unit = DateUnit::Months, .which = DateKind::Modified}})
                .refused,
            DateRefusal::None);
  EXPECT_EQ(stamps(a_).modified, utc(2021, 2, 28, 8, 0, 0));
  EXPECT_EQ(stamps(a_).accessed, kAccessed);
  setTimes(b_, utc(1901, 12, 31, 0, 0, 0), kAccessed);  // a year back falls before 1901
  EXPECT_EQ(run({.mode = DateMode::Shift,
                 .shift = {.amount = "1", .unit = DateUnit::Years, .which = DateKind::Modified,
                           .direction = DateDirection::Subtract}})
                .refused,
            DateRefusal::None);
  EXPECT_EQ(stamps(b_).modified, utc(1901, 12, 31, 0, 0, 0));  // left as it was, and reported
  EXPECT_EQ(stamps(a_).modified, utc(2020, 2, 28, 8, 0, 0));
  EXPECT_NE(host_.results.back().text.find("unset " + b_ + " kept"), std::string::npos) << host_.results.back().text;
}

TEST_F(DateRunTest, BadInputStopsBeforeAnyFileIsTouched) {
  struct Case {
    DateOptions options;
    DateRefusal refused;
    int box;
    std::string message;
  };
  const Case cases[] = {
      {{}, DateRefusal::NothingTicked, -1, "[1]"},
      {{.change = {.modifiedDate = {.ticked = true, .text = "02/30/2020"}}}, DateRefusal::BadBox, 2, "[28]"},
      {{.change = {.modifiedDate = {.ticked = true, .text = "12/31/2020"}, .accessedTime = {.ticked = true, .text = "24:00:00"}}},
       DateRefusal::BadBox, 5, "[29]"},
      {{.change = {.modifiedTime = {.ticked = true, .text = "10:00"}}}, DateRefusal::BadBox, 3, "[29]"},
      {{.change = {.createdDate = {.ticked = true, .text = "12/31/2020"}}}, DateRefusal::CreatedRefused, 0, "[30]"},
      {{.mode = DateMode::Shift, .shift = {.amount = "5", .which = DateKind::Created}}, DateRefusal::CreatedRefused, -1, "[30]"},
      {{.mode = DateMode::Shift, .shift = {.amount = "0"}}, DateRefusal::BadAmount, -1, "[10]"},
      {{.mode = DateMode::Shift, .shift = {.amount = ""}}, DateRefusal::BadAmount, -1, "[10]"},
      {{.mode = DateMode::Shift, .shift = {.amount = "60", .unit = DateUnit::Minutes}}, DateRefusal::BadAmount, -1,
       "less minutes than 60"},
      {{.mode = DateMode::Shift, .shift = {.amount = "100", .unit = DateUnit::Years}}, DateRefusal::BadAmount, -1,
       "less years than 100"},
      {{.mode = DateMode::Shift, .shift = {.amount = "99999999999", .unit = DateUnit::Years}}, DateRefusal::BadAmount, -1,
       "less years than 100"},
  };
  for (const Case& c : cases) {
    host_.questions.clear();
    const DateStart r = run(c.options);
    EXPECT_EQ(r.refused, c.refused) << c.message;
    EXPECT_EQ(r.box, c.box) << c.message;
    ASSERT_EQ(host_.questions.size(), 1u) << c.message;
    EXPECT_EQ(host_.questions[0].message, c.message);
    EXPECT_EQ(host_.questions[0].style, "O");
  }
  EXPECT_TRUE(host_.listed.empty());
  EXPECT_TRUE(host_.results.empty());
  EXPECT_EQ(stamps(a_).modified, kModified);
  // 99 years is within the bound.
  EXPECT_EQ(run({.mode = DateMode::Shift, .shift = {.amount = "99", .unit = DateUnit::Years}}).refused, DateRefusal::None);
  EXPECT_EQ(stamps(a_).modified, utc(2122, 11, 14, 22, 13, 20));
}

TEST_F(DateRunTest, SubfoldersAreConfirmedFirst) {
  makeDir("sub");
  setTimes(makeFile("sub/d.txt", "d"), kModified, kAccessed);
  const DateOptions options{.change = {.modifiedTime = {.ticked = true, .text = "01:02:03"}}, .withSubfolders = true};
  host_.answers = {core::kAnswerNo};
  EXPECT_EQ(run(options).refused, DateRefusal::Declined);
  EXPECT_EQ(host_.questions.back().message, "[11]");
  EXPECT_EQ(stamps(a_).modified, kModified);
  host_.answers = {core::kAnswerYes};
  EXPECT_EQ(run(options).refused, DateRefusal::None);
  EXPECT_EQ(stamps(root_ + "sub/d.txt").modified, utc(2023, 11, 14, 1, 2, 3));
  // A folder without files gets no lines.
  EXPECT_EQ(reportedText(host_).find("empty/"), std::string::npos) << reportedText(host_);
}

// A file system without birth times: a tag copying the creation time cannot be honoured.
struct NoBirthTimes : platform::MetadataSource {
  platform::FileStatus query(const std::string& path, bool followLinks) const override {
    platform::FileStatus st = platform::systemMetadataSource().query(path, followLinks);
    st.created = {};
    return st;
  }
};

TEST_F(DateRunTest, FilesThatCannotBeChangedAreReportedAndKept) {
  const NoBirthTimes source;
  const platform::ScopedMetadataSource scoped(source);
  ASSERT_EQ(::symlink("a.txt", (root_ + "link").c_str()), 0);
  setTimes(root_ + "link", kModified, kAccessed);
  host_.realListing = false;
  host_.fakeFolders[root_] = {core::ListEntry{.name = "a.txt"}, core::ListEntry{.name = "gone.txt"},
                              core::ListEntry{.name = "link"}};
  EXPECT_EQ(run({.change = {.modifiedDate = {.ticked = true, .text = "<DFC>"}}}).refused, DateRefusal::None);
  EXPECT_EQ(stamps(a_).modified, kModified);
  const std::string report = host_.results.back().text;
  EXPECT_NE(report.find("unset " + a_ + " kept"), std::string::npos) << report;
  EXPECT_NE(report.find("unread " + root_ + "gone.txt kept"), std::string::npos) << report;

  // A symlink's own times change, never its target's.
  host_.fakeFolders[root_] = {core::ListEntry{.name = "link"}};
  EXPECT_EQ(run({.change = {.modifiedDate = {.ticked = true, .text = "01/02/2003"}}}).refused, DateRefusal::None);
  EXPECT_EQ(stamps(a_).modified, kModified);
  EXPECT_EQ(stamps(root_ + "link").modified, utc(2003, 1, 2, 22, 13, 20));
}

// A file system that keeps times only up to 10/05/2446, as ext4 does, storing the latest it can
// without an error.
class TimesUpTo2446 final : public platform::MetadataSource {
 public:
  platform::FileStatus query(const std::string& p, bool follow) const override {
    platform::FileStatus st = platform::systemMetadataSource().query(p, follow);
    st.modified.sec = std::min<std::int64_t>(st.modified.sec, 15032385535LL);
    return st;
  }
};

TEST_F(DateRunTest, ATimeTheFileSystemCannotHoldIsReportedAndTheFileKeepsItsOwn) {
  const TimesUpTo2446 source;
  const platform::ScopedMetadataSource scoped(source);
  EXPECT_EQ(run({.change = {.modifiedDate = {.ticked = true, .text = "12/31/9999"}}}).refused, DateRefusal::None);
  const std::string report = host_.results.back().text;
  for (const std::string& f : {a_, b_, c_}) {
    EXPECT_EQ(stamps(f).modified, kModified) << f;
    EXPECT_EQ(stamps(f).modifiedNsec, 500000000u) << f;
    EXPECT_NE(report.find("unset " + f + " kept"), std::string::npos) << report;
  }
  EXPECT_EQ(run({.change = {.modifiedDate = {.ticked = true, .text = "12/31/2400"}}}).refused, DateRefusal::None);
  EXPECT_EQ(stamps(a_).modified, utc(2400, 12, 31, 22, 13, 20));  // within what it keeps
}

}  // namespace
}  // namespace tools::file_ops
