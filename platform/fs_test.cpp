// The file-system layer on a real temporary folder: metadata, times, renames that never replace,
// whole-file replacement and its failures, in-place writes, range reads, FIFOs never opened,
// attributes, trash and free space.
#include "platform/file_attributes.h"
#include "platform/file_copy.h"
#include "platform/file_times.h"
#include "platform/fs.h"
#include "platform/fault_test_support.h"
#include "platform/replacement_file.h"
#include "platform/test_home.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, with HOME, XDG folders and TMPDIR pointing inside it.
class FsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vdk-fs-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    home_.emplace(root_, std::array<std::string, 5>{"home", "home/.config", "home/.local/share", "run", "tmp"});
    dir_ = root_ + "/w";
    fs::create_directories(dir_);
  }
  void TearDown() override {
    home_.reset();
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
  }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::string make(const std::string& name, const std::string& content) const {
    std::ofstream(path(name), std::ios::binary) << content;
    return path(name);
  }
  static std::string slurp(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string fifo(const std::string& name) const {
    const std::string p = path(name);
    EXPECT_EQ(::mkfifo(p.c_str(), 0600), 0);
    return p;
  }
  // Names in the work folder, so a test can see that no temporary file was left behind.
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  static std::uint32_t mode(const std::string& p) {
    struct stat sb {};
    ::lstat(p.c_str(), &sb);
    return sb.st_mode & 07777;
  }

  std::string root_, dir_;
  std::optional<platform::testing::IsolatedHome> home_;
};

TEST_F(FsTest, StatusDescribesEachKindWithoutOpening) {
  const std::string file = make("f.txt", "hello");
  const std::string fifoPath = fifo("pipe");
  fs::create_symlink(file, path("link"));

  const FileStatus f = fileStatus(file);
  EXPECT_EQ(f.error, 0);
  EXPECT_EQ(f.type, FileType::Regular);
  EXPECT_EQ(f.size, 5u);
  EXPECT_TRUE(f.modified.known);
  EXPECT_TRUE(f.accessed.known);
  EXPECT_EQ(fileStatus(dir_).type, FileType::Directory);
  EXPECT_EQ(fileStatus(fifoPath).type, FileType::Other);  // statx only: a FIFO would block an open
  EXPECT_EQ(fileStatus(path("link"), false).type, FileType::Symlink);
  EXPECT_EQ(fileStatus(path("link"), true).type, FileType::Regular);
  const FileStatus missing = fileStatus(path("none"));
  EXPECT_EQ(missing.error, ENOENT);
  EXPECT_EQ(missing.type, FileType::Missing);
}

// A file system without birth times, simulated over the real one.
class NoBirthTime final : public MetadataSource {
 public:
  FileStatus query(const std::string& p, bool follow) const override {
    FileStatus st = systemMetadataSource().query(p, follow);
    st.created = FileTime{};
    return st;
  }
};

TEST_F(FsTest, InjectedSourceReplacesAndRestoresTheStatxSource) {
  const std::string file = make("f", "x");
  NoBirthTime noBirth;
  {
    ScopedMetadataSource scoped(noBirth);
    EXPECT_FALSE(fileStatus(file).created.known);
    EXPECT_TRUE(fileStatus(file).modified.known);
  }
  EXPECT_EQ(fileStatus(file).created.known, systemMetadataSource().query(file, true).created.known);
}

TEST_F(FsTest, SetFileTimesChangesOnlyTheGivenTimes) {
  const std::string file = make("f", "x");
  const FileTime access{1000000000, 0, true};
  ASSERT_EQ(setFileTimes(file, &access, nullptr), 0);
  const FileTime mod{1200000000, 500000000, true};
  ASSERT_EQ(setFileTimes(file, nullptr, &mod), 0);
  const FileStatus st = fileStatus(file);
  EXPECT_EQ(st.accessed.sec, 1000000000);
  EXPECT_EQ(st.modified.sec, 1200000000);
  EXPECT_EQ(st.modified.nsec, 500000000u);
  EXPECT_EQ(setFileTimes(path("none"), &access, nullptr), ENOENT);
  EXPECT_FALSE(canSetCreationTime());
}

TEST_F(FsTest, RenameNeverReplacesAnExistingTarget) {
  const std::string a = make("a", "A"), b = make("b", "B");
  EXPECT_EQ(renameNoReplace(a, b), EEXIST);
  EXPECT_EQ(slurp(a), "A");
  EXPECT_EQ(slurp(b), "B");
  EXPECT_EQ(renameNoReplace(a, path("c")), 0);
  EXPECT_EQ(slurp(path("c")), "A");
  EXPECT_FALSE(fs::exists(a));
  EXPECT_EQ(renameNoReplace(path("none"), path("d")), ENOENT);
  fs::create_directory(path("sub"));
  EXPECT_EQ(renameNoReplace(path("sub"), path("sub2")), 0);  // folders too
  EXPECT_EQ(renameNoReplace(path("sub2"), b), EEXIST);
}

// Where the file system folds case, "a.txt" finds the entry "A.txt" itself and a plain rename
// changes nothing: the rename goes through a temporary name. Here two hard links stand for the
// other case, two entries whose names differ only in case: neither replaces the other.
TEST_F(FsTest, CaseOnlyRenameThroughATemporaryNameNeverReplaces) {
  const std::string upper = make("A.txt", "A");
  EXPECT_EQ(renameThroughTemporary(upper, path("a.txt")), 0);
  EXPECT_EQ(names(), (std::vector<std::string>{"a.txt"}));
  EXPECT_EQ(slurp(path("a.txt")), "A");

  make("b", "B");
  EXPECT_EQ(renameThroughTemporary(path("a.txt"), path("b")), EEXIST);
  EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b"}));  // back under its name
  EXPECT_EQ(slurp(path("b")), "B");

  ASSERT_EQ(::link(path("a.txt").c_str(), upper.c_str()), 0);
  EXPECT_EQ(renameNoReplace(upper, path("a.txt")), EEXIST);
  EXPECT_EQ(names(), (std::vector<std::string>{"A.txt", "a.txt", "b"}));
}

// A folder's ".hidden" is the record of the Hidden flag: every way of naming something refuses
// it as a name that is taken, whether a ".hidden" is there yet or not, and leaves both as they were.
TEST_F(FsTest, NothingIsEverNamedTheFoldersHiddenRecord) {
  const std::string record = path(".hidden");
  for (const bool recordThere : {false, true}) {
    SCOPED_TRACE(recordThere ? "record there" : "no record yet");
    fs::remove(record);
    if (recordThere) make(".hidden", "listed\n");
    const std::string file = make(".HIDDEN", "user's");
    fs::create_directory(path("folder"));
    EXPECT_EQ(renameNoReplace(file, record), EEXIST);
    EXPECT_EQ(renameThroughTemporary(file, record), EEXIST);
    EXPECT_EQ(renameNoReplace(path("folder"), record), EEXIST);
    EXPECT_EQ(renameReplacing(file, record), EEXIST);
    ReplacementFile piece;
    ASSERT_EQ(piece.create(record), 0);
    ASSERT_EQ(piece.write("piece"), 0);
    EXPECT_EQ(piece.commitNew(Durability::OnlyCopyAtStake), EEXIST);
    ReplacementFile unnamed;
    ASSERT_EQ(unnamed.createUnnamedIn(-1, record, 0600), 0);
    EXPECT_EQ(unnamed.commitNew(Durability::SourceStays), EEXIST);
    for (const CopyTarget how : {CopyTarget::New, CopyTarget::Replacing}) {
      FileCopy copy;
      EXPECT_EQ(copy.open(file, record, how), EEXIST);
    }
    (void)piece.discard();
    (void)unnamed.discard();
    EXPECT_EQ(slurp(file), "user's");
    EXPECT_TRUE(fs::is_directory(path("folder")));
    EXPECT_EQ(fs::exists(record), recordThere);
    if (recordThere) {
      EXPECT_EQ(slurp(record), "listed\n");
    }
    const std::vector<std::string> expected = recordThere ? std::vector<std::string>{".HIDDEN", ".hidden", "folder"}
                                                          : std::vector<std::string>{".HIDDEN", "folder"};
    EXPECT_EQ(names(), expected);
    fs::remove(file);
    fs::remove(path("folder"));
  }
  // The record itself is still written as ever.
  const std::string shown = make("shown", "s");
  EXPECT_EQ(setHidden(shown, true), 0);
  EXPECT_EQ(slurp(record), "listed\nshown\n");
}

TEST_F(FsTest, AtomicWriteKeepsModeXattrsAndLeavesNoTemporaryFile) {
  const std::string file = make("ro.txt", "old contents");
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  const bool xattrs = ::setxattr(file.c_str(), "user.keep", "v", 1, 0) == 0;
  ASSERT_EQ(writeFileAtomic(file, std::string("new\0data", 8)), 0);
  EXPECT_EQ(slurp(file), std::string("new\0data", 8));
  EXPECT_EQ(mode(file), 0444u);
  if (xattrs) {
    char v[4] = {};
    EXPECT_EQ(::getxattr(file.c_str(), "user.keep", v, sizeof v), 1);
    EXPECT_EQ(v[0], 'v');
  }
  EXPECT_EQ(names(), std::vector<std::string>{"ro.txt"});
}

TEST_F(FsTest, AtomicWriteCreatesAFileWithTheUsualMode) {
  const mode_t old = ::umask(022);
  EXPECT_EQ(writeFileAtomic(path("new"), "abc"), 0);
  ::umask(old);
  EXPECT_EQ(slurp(path("new")), "abc");
  EXPECT_EQ(mode(path("new")), 0644u);
}

TEST_F(FsTest, AtomicWriteThroughASymlinkKeepsTheLink) {
  const std::string target = make("target", "old");
  fs::create_symlink(target, path("link"));
  ASSERT_EQ(writeFileAtomic(path("link"), "new"), 0);
  EXPECT_TRUE(fs::is_symlink(path("link")));
  EXPECT_EQ(slurp(target), "new");
}

TEST_F(FsTest, AtomicWriteFailureLeavesTheOldFile) {
  const std::string file = make("keep", "precious");
  // Failures root cannot bypass: a path below a regular file, a folder or FIFO as the target.
  EXPECT_EQ(writeFileAtomic(file + "/x", "new"), ENOTDIR);
  fs::create_directory(path("dir"));
  EXPECT_EQ(writeFileAtomic(path("dir"), "new"), EISDIR);
  const std::string p = fifo("pipe");
  EXPECT_EQ(writeFileAtomic(p, "new"), EINVAL);
  EXPECT_EQ(slurp(file), "precious");
  EXPECT_EQ(fileStatus(p).type, FileType::Other);
  EXPECT_EQ(names(), (std::vector<std::string>{"dir", "keep", "pipe"}));
}

TEST_F(FsTest, AtomicWriteThatRunsOutOfSpaceLeavesTheOldFile) {
  // A file-size limit stands in for a full disk: the write fails half way, even for root.
  const std::string file = make("keep", "precious");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const int err = writeFileAtomic(file, "much longer than four bytes");
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(err, EFBIG);
  EXPECT_EQ(slurp(file), "precious");
  EXPECT_EQ(mode(file), 0640u);
  EXPECT_EQ(names(), std::vector<std::string>{"keep"});
}

TEST_F(FsTest, AtomicWriteInAReadOnlyFolderLeavesTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  const std::string file = make("keep", "precious");
  ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);
  EXPECT_EQ(writeFileAtomic(file, "new"), EACCES);
  ::chmod(dir_.c_str(), 0755);
  EXPECT_EQ(slurp(file), "precious");
  EXPECT_EQ(names(), std::vector<std::string>{"keep"});
}

TEST_F(FsTest, WriteAtOverwritesInPlaceAndNeverTruncates) {
  const std::string file = make("f", "abcdefgh");
  EXPECT_EQ(writeAt(file, 2, "XY"), 0);
  EXPECT_EQ(slurp(file), "abXYefgh");
  EXPECT_EQ(writeAt(file, 10, "Z"), 0);
  EXPECT_EQ(slurp(file), std::string("abXYefgh\0\0Z", 11));
  EXPECT_EQ(writeAt(path("created"), 0, "new"), 0);
  EXPECT_EQ(slurp(path("created")), "new");
  fs::create_symlink(file, path("link"));
  EXPECT_NE(writeAt(path("link"), 0, "no"), 0);  // a wipe must never reach through a link
  EXPECT_EQ(writeAt(fifo("pipe"), 0, "no"), EINVAL);
  EXPECT_EQ(slurp(file), std::string("abXYefgh\0\0Z", 11));
}

TEST_F(FsTest, ReadRangeCutsAtTheEndAndRefusesNonRegularFiles) {
  const std::string file = make("f", std::string("ab\0cd", 5));
  EXPECT_EQ(readRange(file, 0, 0).data, std::string("ab\0cd", 5));
  EXPECT_EQ(readRange(file, 1, 2).data, std::string("b\0", 2));
  EXPECT_EQ(readRange(file, 3, 100).data, "cd");
  const ReadResult past = readRange(file, 9, 4);
  EXPECT_EQ(past.error, 0);
  EXPECT_EQ(past.data, "");
  EXPECT_EQ(readRange(fifo("pipe"), 0, 0).error, EINVAL);
  EXPECT_EQ(readRange(dir_, 0, 0).error, EISDIR);
  EXPECT_EQ(readRange(path("none"), 0, 0).error, ENOENT);
}

TEST_F(FsTest, AppendCreatesThenAppends) {
  EXPECT_EQ(appendToFile(path("log"), "ab"), 0);
  EXPECT_EQ(appendToFile(path("log"), "cd"), 0);
  EXPECT_EQ(slurp(path("log")), "abcd");
  EXPECT_EQ(appendToFile(fifo("pipe"), "x"), EINVAL);
}

TEST_F(FsTest, CreateExclusiveNeverReusesOrFollowsAName) {
  EXPECT_EQ(createExclusive(path("t")), 0);
  EXPECT_EQ(createExclusive(path("t")), EEXIST);
  fs::create_symlink(path("planted-target"), path("planted"));
  EXPECT_EQ(createExclusive(path("planted")), EEXIST);
  EXPECT_FALSE(fs::exists(path("planted-target")));
}

TEST_F(FsTest, CheckOpenableNeverOpensAFifo) {
  const std::string file = make("f", "x");
  EXPECT_EQ(checkOpenable(file, OpenAccess::ReadWrite), 0);
  EXPECT_EQ(checkOpenable(fifo("pipe"), OpenAccess::Read), EINVAL);
  EXPECT_EQ(checkOpenable(dir_, OpenAccess::Read), EINVAL);
  EXPECT_EQ(checkOpenable(path("none"), OpenAccess::Read), ENOENT);
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  EXPECT_EQ(checkOpenable(file, OpenAccess::Read), 0);
  if (::geteuid() != 0) {
    EXPECT_EQ(checkOpenable(file, OpenAccess::Write), EACCES);
  }
}

TEST_F(FsTest, TrashMovesTheFileAndReportsFailure) {
  const std::string file = make("bin-me", "x");
  EXPECT_EQ(moveToTrash(file), 0);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(fs::exists(root_ + "/home/.local/share/Trash/files/bin-me"));
  EXPECT_NE(moveToTrash(path("none")), 0);
  // A link goes to the trash itself; the file it names stays.
  const std::string target = make("target", "keep");
  fs::create_symlink(target, path("link"));
  EXPECT_EQ(moveToTrash(path("link")), 0);
  EXPECT_FALSE(fs::is_symlink(path("link")));
  EXPECT_EQ(slurp(target), "keep");
}

TEST_F(FsTest, FreeSpaceIsInBytes) {
  EXPECT_GT(freeSpaceBytes(dir_), 1024.0 * 1024.0);
  EXPECT_EQ(freeSpaceBytes(path("none/deeper")), -1);
}

TEST_F(FsTest, ListDirectoryLeavesOutDotEntries) {
  make("a", "");
  make(".b", "");
  DirListing l = listDirectory(dir_);
  std::sort(l.names.begin(), l.names.end());
  EXPECT_EQ(l.names, (std::vector<std::string>{".b", "a"}));
  EXPECT_EQ(listDirectory(path("none")).error, ENOENT);
}

// --- attributes ---

TEST_F(FsTest, ReadOnlyMeansNoWriteBitAtAll) {
  const std::string file = make("f", "x");
  for (const auto& [m, ro] : std::vector<std::pair<mode_t, bool>>{
           {0644, false}, {0444, true}, {0464, false}, {0446, false}, {0000, true}}) {
    ASSERT_EQ(::chmod(file.c_str(), m), 0);
    EXPECT_EQ(readAttributes(file).readOnly, ro) << std::oct << m;
  }
  ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  EXPECT_EQ(setReadOnly(file, true), 0);
  EXPECT_EQ(mode(file), 0444u);
  EXPECT_EQ(setReadOnly(file, false), 0);
  EXPECT_EQ(mode(file), 0644u);
}

TEST_F(FsTest, HiddenByDotNameOrListAndNeverRenamed) {
  const std::string plain = make("plain", "x");
  const std::string dot = make(".dot", "x");
  EXPECT_FALSE(readAttributes(plain).hidden);
  EXPECT_TRUE(readAttributes(dot).hidden);
  EXPECT_TRUE(readAttributes(dot).hiddenByName);

  EXPECT_EQ(setHidden(plain, true), 0);
  EXPECT_TRUE(readAttributes(plain).hidden);
  EXPECT_EQ(slurp(path(".hidden")), "plain\n");
  EXPECT_TRUE(fs::exists(plain));

  EXPECT_EQ(setHidden(dot, false), ENOTSUP);  // the name itself hides it
  EXPECT_TRUE(fs::exists(dot));

  std::ofstream(path(".hidden"), std::ios::app) << "other\r\n";
  EXPECT_EQ(setHidden(plain, false), 0);
  EXPECT_FALSE(readAttributes(plain).hidden);
  EXPECT_EQ(slurp(path(".hidden")), "other\n");
  EXPECT_TRUE(isListedHidden(path("other")));
  forgetHiddenEntry(path("other"));
  EXPECT_FALSE(fs::exists(path(".hidden")));  // emptied list removed
  EXPECT_EQ(setHidden(make("a\nb", "x"), true), EINVAL);
}

TEST_F(FsTest, ManyHiddenNamesChangeInOneWrite) {
  make("a", "x");
  make("c", "x");
  std::ofstream(path(".hidden")) << "kept\nb\n";
  const std::vector<std::string> names = {"a", "b", "c", "a"};
  EXPECT_EQ(setHiddenNames(dir_, names, true), 0);
  EXPECT_EQ(slurp(path(".hidden")), "kept\nb\na\nc\n");  // listed once each, in order
  const std::unordered_set<std::string> listed = {"a"};
  EXPECT_TRUE(readAttributes(path("a"), &listed).hidden);   // the caller's list, not the file's
  EXPECT_FALSE(readAttributes(path("c"), &listed).hidden);
  EXPECT_EQ(setHiddenNames(dir_, std::vector<std::string>{"a", "c", "missing"}, false), 0);
  EXPECT_EQ(slurp(path(".hidden")), "kept\nb\n");
  // One unfit name refuses the whole batch before anything is written.
  EXPECT_EQ(setHiddenNames(dir_, std::vector<std::string>{"d", "e\nf"}, true), EINVAL);
  EXPECT_EQ(setHiddenNames(dir_, std::vector<std::string>{"d", ".e"}, true), EINVAL);
  EXPECT_EQ(slurp(path(".hidden")), "kept\nb\n");
}

TEST_F(FsTest, ArchiveRoundTripsOrIsReportedUnsupported) {
  const std::string file = make("f", "x");
  const Attributes before = readAttributes(file);
  EXPECT_FALSE(before.archive);
  if (!before.archiveSupported) {
    EXPECT_EQ(setArchive(file, true), ENOTSUP);
    return;
  }
  EXPECT_EQ(setArchive(file, true), 0);
  EXPECT_TRUE(readAttributes(file).archive);
  EXPECT_EQ(setArchive(file, false), 0);
  EXPECT_FALSE(readAttributes(file).archive);
  EXPECT_EQ(setArchive(fifo("pipe"), true), ENOTSUP);
}

// The owner of a read-only file sets and clears its archive flag: the write bit the system asks
// for is lifted for that step and put back. As an ordinary user: root would need no bit.
TEST_F(FsTest, ArchiveChangesOnAReadOnlyFileOfTheUsersOwn) {
  const std::string file = make("ro", "x");
  if (!readAttributes(file).archiveSupported) GTEST_SKIP() << "no user extended attributes here";
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  const testing::ChildOutcome out = testing::runInChild([&]() -> std::string {
    if (std::string why = testing::becomeOrdinaryUser(root_); !why.empty()) return "skip " + why;
    std::string report;
    for (const bool on : {true, false}) {
      const int err = setArchive(file, on);
      struct stat st {};
      ::stat(file.c_str(), &st);
      report += std::to_string(err) + ":" + (readAttributes(file).archive ? "A" : "-") + ":" +
                std::to_string(st.st_mode & 0777) + " ";
    }
    return report;
  });
  ASSERT_TRUE(out.exited);
  if (out.report.rfind("skip ", 0) == 0) GTEST_SKIP() << out.report;
  EXPECT_EQ(out.report, "0:A:" + std::to_string(0444) + " 0:-:" + std::to_string(0444) + " ");
}

TEST_F(FsTest, SystemMeansNotARegularFileFolderOrLink) {
  const std::string file = make("f", "x");
  fs::create_symlink(file, path("link"));
  EXPECT_FALSE(readAttributes(file).system);
  EXPECT_FALSE(readAttributes(dir_).system);
  EXPECT_TRUE(readAttributes(dir_).directory);
  EXPECT_FALSE(readAttributes(path("link")).system);
  EXPECT_TRUE(readAttributes(fifo("pipe")).system);
  EXPECT_EQ(readAttributes(path("none")).error, ENOENT);
}

// --- local time ---

class LocalTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    oldTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    ::setenv("TZ", "Europe/Amsterdam", 1);
    ::tzset();
  }
  void TearDown() override {
    if (oldTz_) ::setenv("TZ", oldTz_->c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
  }
  std::optional<std::string> oldTz_;
};

TEST_F(LocalTimeTest, OffsetFollowsTheRulesOfTheDateItself) {
  // 2020-07-15 10:00:00 UTC is 12:00 summer time; 2020-01-15 10:00:00 UTC is 11:00 winter time.
  const auto summer = toLocalTime(1594807200, 250000000);
  ASSERT_TRUE(summer);
  EXPECT_EQ(summer->hour, 12);
  EXPECT_EQ(summer->millisecond, 250);
  EXPECT_EQ(summer->dayOfWeek, 3);  // Wednesday
  const auto winter = toLocalTime(1579082400, 0);
  ASSERT_TRUE(winter);
  EXPECT_EQ(winter->hour, 11);
  EXPECT_EQ(fromLocalTime(*summer), 1594807200);
  EXPECT_EQ(fromLocalTime(*winter), 1579082400);
}

}  // namespace
}  // namespace platform
