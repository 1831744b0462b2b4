// File sizes beyond 2 GB, the shared time records (reading, writing, formatting, unknown birth
// times, the once-per-run creation-time notice) and the small shared routines.
#include "core/file_times.h"

#include "core/file_test_fixture.h"
#include "core/state.h"
#include "platform/fs.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace core {
namespace {

namespace fs = std::filesystem;

// Times in a fixed zone with summer time, so local-time rules are exercised.
class Times : public core::testing::FileFixture {
 protected:
  void SetUp() override {
    FileFixture::SetUp();
    const char* tz = std::getenv("TZ");
    oldTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    ::setenv("TZ", "Europe/Amsterdam", 1);
    ::tzset();
    (void)takeCreationTimeNotice();
  }
  void TearDown() override {
    if (oldTz_) ::setenv("TZ", oldTz_->c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
    FileFixture::TearDown();
  }
  FileTimeRecords& rec() { return state_.state().fileTimes; }

  ScopedCoreState state_;
  std::optional<std::string> oldTz_;
};

TEST_F(Times, GetFileSizeBigMeasuresWithoutOpening) {
  struct Row {
    std::uint64_t size;
    int big;
  };
  for (const Row& r : std::vector<Row>{{0, 0}, {(1ULL << 31) - 1, 0}, {1ULL << 31, 1}, {5ULL << 32, 1}}) {
    const std::string file = path("sparse");
    { std::ofstream(file, std::ios::binary); }
    fs::resize_file(file, r.size);  // sparse: no real disk space used
    EXPECT_EQ(getFileSizeBig(file), static_cast<double>(r.size));
    EXPECT_EQ(state_.state().fileSize, static_cast<double>(r.size));
    EXPECT_EQ(state_.state().fileIsBig, r.big) << r.size;
  }
  getFileSizeBig(path("missing"));
  EXPECT_EQ(state_.state().fileSize, 0);
  EXPECT_EQ(state_.state().fileIsBig, 0);
  getFileSizeBig(fifo("pipe"));  // returns at once
  EXPECT_EQ(state_.state().fileSize, 0);
}

TEST_F(Times, WrittenTimesReadBackInLocalTime) {
  const std::string file = make("f", "x");
  rec().modified = SystemTime{2020, 7, 0, 15, 12, 34, 56, 0, true};   // summer time
  rec().accessed = SystemTime{2020, 1, 0, 15, 8, 0, 1, 0, true};      // winter time
  ASSERT_EQ(writeFileTimes(file, true, false, true), 0);
  const platform::FileStatus st = platform::fileStatus(file);
  EXPECT_EQ(st.modified.sec, 1594809296);  // 2020-07-15 10:34:56 UTC
  EXPECT_EQ(st.accessed.sec, 1579071601);  // 2020-01-15 07:00:01 UTC
  copyFileTimes();
  ASSERT_EQ(readFileTimes(file), 0);
  EXPECT_EQ(formatModified(), "15/07/2020 12:34:56");
  EXPECT_EQ(formatAccessed(), "15/01/2020 08:00:01");
  EXPECT_EQ(rec().modified.dayOfWeek, 3);
  EXPECT_EQ(getFileDate(file, 2), 44027);  // day serial of 15/07/2020
  EXPECT_EQ(getFileDate(file, 0), 43845);
  EXPECT_EQ(formatCreated(), "15/01/2020 08:00:01");  // record B holds the date asked for last
}

TEST_F(Times, WriteOnlyOneTimeLeavesTheOther) {
  const std::string file = make("f", "x");
  rec().modified = SystemTime{2001, 2, 0, 3, 4, 5, 6, 0, true};
  rec().accessed = SystemTime{1999, 1, 0, 1, 0, 0, 0, 0, true};
  ASSERT_EQ(writeFileTimes(file, true, false, true), 0);
  rec().modified = SystemTime{2010, 2, 0, 3, 4, 5, 6, 0, true};
  ASSERT_EQ(writeFileTimes(file, false, false, true), 0);
  ASSERT_EQ(readFileTimes(file), 0);
  EXPECT_EQ(formatModified(), "03/02/2010 04:05:06");
  EXPECT_EQ(formatAccessed(), "01/01/1999 00:00:00");
}

TEST_F(Times, CreationTimeAloneIsANoticeNotAFailure) {
  const std::string file = make("f", "x");
  EXPECT_FALSE(takeCreationTimeNotice());
  EXPECT_EQ(writeFileTimes(file, false, true, false), 0);
  EXPECT_EQ(writeFileTimes(make("g", "y"), false, true, false), 0);
  EXPECT_TRUE(takeCreationTimeNotice());   // raised once for the run
  EXPECT_FALSE(takeCreationTimeNotice());  // and cleared by reading it
  EXPECT_EQ(writeFileTimes(path("missing"), false, true, false), 1);
}

TEST_F(Times, WriteFailuresLeaveTheFileAlone) {
  const std::string file = make("f", "x");
  const platform::FileStatus before = platform::fileStatus(file);
  rec().modified = SystemTime{2020, 13, 0, 1, 0, 0, 0, 0, true};
  EXPECT_EQ(writeFileTimes(file, false, false, true), 1);
  rec().modified = SystemTime{2021, 2, 0, 29, 0, 0, 0, 0, true};  // no 29 February in 2021
  EXPECT_EQ(writeFileTimes(file, false, false, true), 1);
  rec().modified.known = false;
  EXPECT_EQ(writeFileTimes(file, false, false, true), 1);
  EXPECT_EQ(platform::fileStatus(file).modified.sec, before.modified.sec);
  copyFileTimes();
  EXPECT_EQ(readFileTimes(path("missing")), 1);
  EXPECT_EQ(formatModified(), "01/01/1981 01:01:01");  // records unchanged
  EXPECT_EQ(getFileDate(path("missing"), 1), 0);
}

class NoBirthTime final : public platform::MetadataSource {
 public:
  platform::FileStatus query(const std::string& p, bool follow) const override {
    platform::FileStatus st = platform::systemMetadataSource().query(p, follow);
    st.created = platform::FileTime{};
    return st;
  }
};

TEST_F(Times, MissingBirthTimeReadsAsUnknown) {
  const std::string file = make("f", "x");
  NoBirthTime source;
  platform::ScopedMetadataSource scoped(source);
  ASSERT_EQ(readFileTimes(file), 0);
  EXPECT_FALSE(rec().created.known);
  EXPECT_EQ(formatCreated(), "");
  EXPECT_NE(formatModified(), "");
  EXPECT_EQ(getFileDate(file, 1), 0);
  EXPECT_GT(getFileDate(file, 2), 0);
}

TEST(SettableTimes, FromTheFirstDayOf1901ThroughTheLastOf9999) {
  const std::pair<SystemTime, bool> cases[] = {
      {{1901, 1, 0, 1, 0, 0, 0, 0, true}, true},      {{1900, 12, 0, 31, 23, 59, 59, 0, true}, false},
      {{1601, 1, 0, 1, 0, 0, 0, 0, true}, false},     {{9999, 12, 0, 31, 23, 59, 59, 0, true}, true},
      {{2000, 2, 0, 29, 12, 0, 0, 0, true}, true},    {{2100, 2, 0, 29, 12, 0, 0, 0, true}, false},
      {{2020, 4, 0, 31, 12, 0, 0, 0, true}, false},   {{2020, 1, 0, 1, 24, 0, 0, 0, true}, false},
      {{2020, 1, 0, 1, 12, 60, 0, 0, true}, false},   {{2020, 1, 0, 1, 12, 0, 0, 0, false}, false}};
  for (const auto& [t, settable] : cases) {
    EXPECT_EQ(isSettableTime(t), settable) << t.year << "-" << t.month << "-" << t.day << " " << t.hour;
  }
}

// A file system that holds times only within [first, last] seconds, as ext4 does (13/12/1901 to
// 10/05/2446): it stores the nearest time it can and reports no error.
class NarrowTimes final : public platform::MetadataSource {
 public:
  static constexpr std::int64_t kFirst = -2147483648LL, kLast = 15032385535LL;
  platform::FileStatus query(const std::string& p, bool follow) const override {
    platform::FileStatus st = platform::systemMetadataSource().query(p, follow);
    for (platform::FileTime* t : {&st.accessed, &st.modified}) t->sec = std::clamp(t->sec, kFirst, kLast);
    return st;
  }
};

TEST_F(Times, ATimeTheFileSystemCannotHoldIsReportedAndPutBack) {
  const std::string file = make("f", "x");
  const platform::FileTime acc{1000000000, 5, true}, mod{1100000000, 7, true};
  ASSERT_EQ(platform::setFileTimes(file, &acc, &mod), 0);
  NarrowTimes narrow;
  platform::ScopedMetadataSource scoped(narrow);
  struct Case {
    const char* what;
    std::int64_t accessed, modified;  // 0: left as it is
    bool accessedHeld, modifiedHeld;
  };
  const Case cases[] = {
      {"both held", 1200000000, 1300000000, true, true},
      {"modified too late", 0, 253402300799LL, true, false},  // 31/12/9999
      {"accessed too early", -2208988800LL, 0, false, true},  // 01/01/1900
      {"one of two too late", 1200000000, 16725225600LL, true, false},  // 01/01/2500
  };
  for (const Case& c : cases) {
    const platform::FileStatus before = platform::systemMetadataSource().query(file, false);
    const platform::FileTime a{c.accessed, 0, true}, m{c.modified, 0, true};
    const TimesWritten w = setFileTimesExactly(file, c.accessed ? &a : nullptr, c.modified ? &m : nullptr);
    EXPECT_EQ(w.error, 0) << c.what;
    EXPECT_EQ(w.accessedHeld, c.accessedHeld) << c.what;
    EXPECT_EQ(w.modifiedHeld, c.modifiedHeld) << c.what;
    const platform::FileStatus now = platform::systemMetadataSource().query(file, false);
    if (w.ok()) {
      EXPECT_EQ(now.accessed.sec, c.accessed ? c.accessed : before.accessed.sec) << c.what;
      EXPECT_EQ(now.modified.sec, c.modified ? c.modified : before.modified.sec) << c.what;
    } else {  // what the file had, to the nanosecond
      EXPECT_EQ(now.accessed.sec, before.accessed.sec) << c.what;
      EXPECT_EQ(now.accessed.nsec, before.accessed.nsec) << c.what;
      EXPECT_EQ(now.modified.sec, before.modified.sec) << c.what;
      EXPECT_EQ(now.modified.nsec, before.modified.nsec) << c.what;
    }
  }
  EXPECT_EQ(setFileTimesExactly(path("missing"), &acc, nullptr).error, ENOENT);
  rec().modified = SystemTime{2021, 2, 0, 29, 0, 0, 0, 0, true};
  EXPECT_EQ(writeFileTimesExactly(file, false, true).error, EINVAL);
}

TEST(SmallRoutines, CopyFileTimesPresetsAllThree) {
  ScopedCoreState state;
  copyFileTimes();
  EXPECT_EQ(formatCreated(), "01/01/1981 01:01:01");
  EXPECT_EQ(formatModified(), "01/01/1981 01:01:01");
  EXPECT_EQ(formatAccessed(), "01/01/1981 01:01:01");
  EXPECT_EQ(state.state().fileTimes.created.milliseconds, 1);
}

TEST(SmallRoutines, PadZeroCountOccAndTheRest) {
  EXPECT_EQ(padZero(7, 2), "07");
  EXPECT_EQ(padZero(2004, 2), "20");
  EXPECT_EQ(padZero(2004, 4), "2004");
  EXPECT_EQ(padZero(5, 0), "");
  EXPECT_EQ(padZero("ab", 4), "00ab");
  struct Row {
    std::string find, text;
    int count;
  };
  for (const Row& r : std::vector<Row>{{"aa", "aaaa", 2},
                                       {">", "/a/>/b/>", 2},
                                       {"aa", "aaa", 1},  // non-overlapping
                                       {"x", "abc", 0},
                                       {"", "abc", 0}}) {
    EXPECT_EQ(CountOcc(r.find, r.text), r.count) << r.find << " in " << r.text;
  }
  EXPECT_TRUE(invertFlag(0));
  EXPECT_FALSE(invertFlag(1));
  EXPECT_FALSE(invertFlag(-1));
  const std::string v = getAppVersion();
  EXPECT_NE(v.find('.'), std::string::npos);
  EXPECT_GE(v.size() - v.find('.') - 1, 2u);  // minor and revision follow the dot
}

}  // namespace
}  // namespace core
