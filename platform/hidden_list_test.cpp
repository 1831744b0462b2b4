#include "platform/hidden_list.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <fstream>
#include <string>

namespace platform {
namespace {

TEST(HiddenList, NamesListedOrDotted) {
  const std::vector<std::string> names = splitHiddenList("one\r\ntwo\n\nthree");
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two", "three"}));
  const std::unordered_set<std::string> listed(names.begin(), names.end());
  EXPECT_TRUE(isHiddenEntry(".dot", {}));
  EXPECT_TRUE(isHiddenEntry("one", listed));
  EXPECT_TRUE(isHiddenEntry("two", listed));
  EXPECT_TRUE(isHiddenEntry("three", listed));
  EXPECT_FALSE(isHiddenEntry("on", listed));
  EXPECT_FALSE(isHiddenEntry("", listed));
  EXPECT_FALSE(isHiddenEntry("four", listed));
}

// A ".hidden" that is a symlink or too large to be a name list hides nothing, and an update
// writes neither (it would drop what the file holds).
TEST(HiddenList, LinkedOrOversizedFileIgnored) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const std::string dir = tmp.path().toStdString() + "/";
  std::ofstream(dir + "list") << "name\n";
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(dirFd, 0);
  ASSERT_EQ(::symlink("list", (dir + ".hidden").c_str()), 0);
  EXPECT_TRUE(hiddenNamesAt(dirFd).empty());
  ASSERT_EQ(::unlink((dir + ".hidden").c_str()), 0);
  const auto add = [](std::vector<std::string>& names) {
    names.push_back("added");
    return true;
  };
  ASSERT_EQ(::symlink("list", (dir + ".hidden").c_str()), 0);
  EXPECT_EQ(updateHiddenFileAt(dirFd, dir, add).error, EINVAL);
  ASSERT_EQ(::unlink((dir + ".hidden").c_str()), 0);
  std::ofstream(dir + ".hidden") << "name\n" << std::string(4 << 20, 'x');
  EXPECT_TRUE(readHiddenFileAt(dirFd).empty());
  EXPECT_EQ(updateHiddenFileAt(dirFd, dir, add).error, EFBIG);
  EXPECT_EQ(std::ifstream(dir + ".hidden").ignore(1 << 30).gcount(), 5 + (4 << 20));
  std::ifstream in(dir + "list");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "name\n");
  ::close(dirFd);
}

}  // namespace
}  // namespace platform
