// The trash on bytes: names that are not UTF-8 go under their own bytes and never take a twin
// along, names taken in the trash get unique ones without replacing anything, and a file on
// another mount goes to that mount's trash or stays where it is.
#include "platform/fs.h"
#include "platform/own_temporary.h"
#include "platform/own_temporary_test_support.h"
#include "platform/test_home.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string slurp(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string percentDecode(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The original path an info file records (decoded), "" when the file is not well formed.
std::string recordedPath(const std::string& infoFile) {
  const std::string text = slurp(infoFile);
  const std::string head = "[Trash Info]\nPath=";
  const auto date = text.find("\nDeletionDate=");
  if (text.rfind(head, 0) != 0 || date == std::string::npos) return {};
  // YYYY-MM-DDThh:mm:ss and a line break
  if (text.size() != date + 14 + 19 + 1 || text[date + 14 + 10] != 'T') return {};
  return percentDecode(text.substr(head.size(), date - head.size()));
}

class TrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vdk-trash-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = fs::canonical(tmpl).string();
    home_.emplace(root_, std::array<std::string, 5>{"home", "home/.config", "home/.local/share", "run", "tmp"});
    dir_ = root_ + "/w/";
    fs::create_directories(dir_);
    trash_ = root_ + "/home/.local/share/Trash/";
  }
  void TearDown() override {
    home_.reset();
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  static std::string make(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::string root_, dir_, trash_;
  std::optional<testing::IsolatedHome> home_;
};

TEST_F(TrashTest, EveryHighByteNameGoesUnderItsOwnBytes) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string name = std::string("n") + static_cast<char>(b) + ".txt";
    const std::string file = make(dir_ + name, std::to_string(b));
    ASSERT_EQ(moveToTrash(file), 0) << b;
    EXPECT_FALSE(fs::exists(file)) << b;
    EXPECT_EQ(slurp(trash_ + "files/" + name), std::to_string(b)) << b;
    EXPECT_EQ(recordedPath(trash_ + "info/" + name + ".trashinfo"), file) << b;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(trash_ + "files"), fs::directory_iterator()), 128);
}

// A trashing killed between placing the data and naming its info file is completed by the next
// trashing into that trash; an info file left without data goes; one being written stays; files
// of a like name that other programs put there stay whatever their name. A trashing leaves
// nothing under a temporary name.
TEST_F(TrashTest, AKilledTrashingIsCompletedAndLeavesNoInfoFileWithoutItsData) {
  fs::create_directories(trash_ + "files");
  fs::create_directories(trash_ + "info");
  if (const std::string why = testing::userXattrsMissing(trash_ + "info/"); !why.empty()) GTEST_SKIP() << why;
  const std::string info = "[Trash Info]\nPath=" + dir_ + "killed.txt\nDeletionDate=2026-01-02T03:04:05\n";
  const int infoFd = ::open((trash_ + "info").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(infoFd, 0);
  // Info files the program began, under their temporary names: two left by killed trashings, one
  // still held by a trashing in progress.
  const auto pending = [&](const std::string& infoName) {
    std::string name;
    const int fd = createOwnTemporary(infoFd, infoName, 0600, name);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::write(fd, info.data(), info.size()), static_cast<ssize_t>(info.size()));
    return std::pair{fd, name};
  };
  make(trash_ + "files/killed.txt", "data");
  ::close(pending("killed.txt.trashinfo").first);
  ::close(pending("orphan.txt.trashinfo").first);
  make(trash_ + "files/busy.txt", "busy");
  const auto [held, busy] = pending("busy.txt.trashinfo");
  make(trash_ + "files/theirs.txt", "theirs");
  make(trash_ + "info/.theirs.txt.trashinfo.vdkabcdefgh", info);  // another program's, unmarked
  make(trash_ + "files/" + testing::kLookAlike, "trashed by another program");
  ASSERT_EQ(moveToTrash(make(dir_ + "new.txt", "new")), 0);
  ::close(held);
  ::close(infoFd);
  EXPECT_EQ(slurp(trash_ + "info/killed.txt.trashinfo"), info);
  EXPECT_EQ(recordedPath(trash_ + "info/new.txt.trashinfo"), dir_ + "new.txt");
  EXPECT_EQ(slurp(trash_ + "files/" + testing::kLookAlike), "trashed by another program");
  std::vector<std::string> infos;
  for (const auto& e : fs::directory_iterator(trash_ + "info")) infos.push_back(e.path().filename().string());
  std::sort(infos.begin(), infos.end());
  EXPECT_EQ(infos, (std::vector<std::string>{busy, ".theirs.txt.trashinfo.vdkabcdefgh", "killed.txt.trashinfo",
                                             "new.txt.trashinfo"}));
}

TEST_F(TrashTest, ANameThatIsNotUtf8NeverTakesItsTwin) {
  const std::string bad = make(dir_ + "bad\xFF.txt", "raw byte");
  const std::string twin = make(dir_ + "bad\xEF\xBF\xBD.txt", "replacement character");
  ASSERT_EQ(moveToTrash(bad), 0);
  EXPECT_FALSE(fs::exists(bad));
  EXPECT_EQ(slurp(twin), "replacement character");
  EXPECT_EQ(slurp(trash_ + "files/bad\xFF.txt"), "raw byte");
  ASSERT_EQ(moveToTrash(twin), 0);
  EXPECT_EQ(slurp(trash_ + "files/bad\xEF\xBF\xBD.txt"), "replacement character");
  EXPECT_EQ(moveToTrash(bad), ENOENT) << "a file that is gone is a failure, not a success";
}

// Two files of one name, a stale entry in files/ without an info file, and an info name planted
// as a link: each file gets a name of its own, and nothing in the trash or elsewhere is replaced.
TEST_F(TrashTest, ATakenNameGetsAUniqueOneAndNothingIsReplaced) {
  for (const char* sub : {"a", "b", "c", "d"}) {
    fs::create_directories(dir_ + sub);
    make(dir_ + sub + "/same.txt", sub);
  }
  ASSERT_EQ(moveToTrash(dir_ + "a/same.txt"), 0);
  ASSERT_EQ(moveToTrash(dir_ + "b/same.txt"), 0);
  make(trash_ + "files/same.3.txt", "stale");
  const std::string victim = make(root_ + "/victim", "untouched");
  fs::create_symlink(victim, trash_ + "info/same.4.txt.trashinfo");
  ASSERT_EQ(moveToTrash(dir_ + "c/same.txt"), 0);
  ASSERT_EQ(moveToTrash(dir_ + "d/same.txt"), 0);

  const std::pair<const char*, const char*> expected[] = {
      {"same.txt", "a"}, {"same.2.txt", "b"}, {"same.5.txt", "c"}, {"same.6.txt", "d"}};
  for (const auto& [name, from] : expected) {
    EXPECT_EQ(slurp(trash_ + "files/" + name), from) << name;
    EXPECT_EQ(recordedPath(trash_ + "info/" + name + ".trashinfo"), dir_ + from + "/same.txt") << name;
  }
  EXPECT_EQ(slurp(trash_ + "files/same.3.txt"), "stale");
  EXPECT_FALSE(fs::exists(trash_ + "info/same.3.txt.trashinfo")) << "a failed try leaves no info file";
  EXPECT_EQ(slurp(victim), "untouched");
  EXPECT_TRUE(fs::is_symlink(trash_ + "info/same.4.txt.trashinfo"));
}

TEST_F(TrashTest, LongNamesAndFoldersFitTheTrash) {
  const std::string longName(250, 'L');
  make(dir_ + longName, "long");
  ASSERT_EQ(moveToTrash(dir_ + longName), 0);
  const std::string cut(245, 'L');  // room for ".trashinfo" in a 255-byte name
  EXPECT_EQ(slurp(trash_ + "files/" + cut), "long");
  EXPECT_EQ(recordedPath(trash_ + "info/" + cut + ".trashinfo"), dir_ + longName);

  fs::create_directories(dir_ + "folder/inner");
  make(dir_ + "folder/inner/f", "in a folder");
  ASSERT_EQ(moveToTrash(dir_ + "folder/"), 0) << "a trailing slash names the folder itself";
  EXPECT_EQ(slurp(trash_ + "files/folder/inner/f"), "in a folder");
}

// Reports every path below top as lying on another device: a mount a test can make without
// privileges. Renames still work, since the files really share one file system.
class OtherMount final : public MetadataSource {
 public:
  explicit OtherMount(std::string top) : top_(std::move(top)) {}
  FileStatus query(const std::string& path, bool followLinks) const override {
    FileStatus st = systemMetadataSource().query(path, followLinks);
    if (path == top_ || path.rfind(top_ + "/", 0) == 0) st.identity.device ^= 0x5A5A;
    return st;
  }

 private:
  std::string top_;
};

TEST_F(TrashTest, AFileOnAnotherMountUsesThatMountsTrashOrStays) {
  const std::string uid = std::to_string(::getuid());
  struct Row {
    const char* name;
    void (*prepare)(const std::string& top);
    const char* trash;  // relative to the mount's top, "" for no usable trash
  };
  const Row rows[] = {
      {"no shared trash", [](const std::string&) {}, ".Trash-$uid"},
      {"sticky shared trash",
       [](const std::string& top) {
         fs::create_directory(top + "/.Trash");
         ::chmod((top + "/.Trash").c_str(), 01777);
       },
       ".Trash/$uid"},
      {"shared trash without the sticky bit",
       [](const std::string& top) {
         fs::create_directory(top + "/.Trash");
         ::chmod((top + "/.Trash").c_str(), 0777);
       },
       ".Trash-$uid"},
      {"shared trash that is a link",
       [](const std::string& top) {
         fs::create_directory(top + "/elsewhere");
         ::chmod((top + "/elsewhere").c_str(), 01777);
         fs::create_directory_symlink(top + "/elsewhere", top + "/.Trash");
       },
       ".Trash-$uid"},
      {"user trash that is a file",
       [](const std::string& top) { make(top + "/.Trash-" + std::to_string(::getuid()), "not a folder"); }, ""},
      {"user trash that is a link",
       [](const std::string& top) {
         fs::create_directory(top + "/planted");
         fs::create_directory_symlink(top + "/planted", top + "/.Trash-" + std::to_string(::getuid()));
       },
       ""},
  };
  for (const Row& row : rows) {
    const std::string top = root_ + "/mnt-" + std::to_string(&row - rows);
    fs::create_directories(top + "/sub");
    row.prepare(top);
    const std::string file = make(top + "/sub/f\xE9.txt", row.name);
    const OtherMount mount(top);
    const ScopedMetadataSource scoped(mount);
    const int result = moveToTrash(file);
    std::string trash = row.trash;
    if (const auto at = trash.find("$uid"); at != std::string::npos) trash.replace(at, 4, uid);
    if (trash.empty()) {
      EXPECT_NE(result, 0) << row.name;
      EXPECT_EQ(slurp(file), row.name) << "kept where it was: " << row.name;
      EXPECT_FALSE(fs::exists(top + "/planted/files")) << row.name;
    } else {
      ASSERT_EQ(result, 0) << row.name;
      EXPECT_FALSE(fs::exists(file)) << row.name;
      const std::string t = top + "/" + trash + "/";
      EXPECT_EQ(slurp(t + "files/f\xE9.txt"), row.name);
      EXPECT_EQ(recordedPath(t + "info/f\xE9.txt.trashinfo"), "sub/f\xE9.txt")
          << "relative to the mount's top: " << row.name;
      struct stat st {};
      ASSERT_EQ(::lstat(t.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0700u) << row.name;
    }
    EXPECT_FALSE(fs::exists(trash_ + "files/f\xE9.txt")) << "never across file systems: " << row.name;
  }
}

}  // namespace
}  // namespace platform
