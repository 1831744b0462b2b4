// The finder's read-ahead on its own: whatever it is given (files the run passes by, a FIFO, a
// link, a cleared queue, a queue far longer than its window), it never hangs, stops promptly and
// keeps no descriptor open. That the run's results do not depend on it is find_run_test's part.
#include "tools/text/find_read_ahead.h"

#include "platform/fault_test_support.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace tools::text {
namespace {

class ReadAheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    dir_ = tmp_.path().toStdString() + "/";
  }
  std::string write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + name, std::ios::binary) << bytes;
    return dir_ + name;
  }

  QTemporaryDir tmp_;
  std::string dir_;
};

TEST_F(ReadAheadTest, PassesOverAFifoALinkAndWhatTheRunSkipsAndStopsWithFilesQueued) {
  const std::string fifo = dir_ + "pipe", link = dir_ + "link";
  std::vector<std::string> paths;
  for (int i = 0; i < 300; ++i) paths.push_back(write("f" + std::to_string(i), std::string(1 + i * 97, 'x')));
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::symlink(paths[0].c_str(), link.c_str()), 0);
  paths.insert(paths.begin() + 5, fifo);
  paths.insert(paths.begin() + 9, link);
  const int before = platform::testing::openDescriptors();
  {
    ReadAhead ahead({.helpers = 3, .window = 8});
    ahead.queue(paths);
    ahead.start();
    for (std::size_t i = 0; i < 40; i += 3) {  // the run takes some, passes others by
      ahead.reached(paths[i]);
      ::usleep(500);
    }
    ahead.reached("/not/queued");  // nothing happens
    ahead.clear();
    ahead.queue(paths);
    // Destroyed with most files still queued and helpers at work.
  }
  EXPECT_EQ(platform::testing::openDescriptors(), before);
}

}  // namespace
}  // namespace tools::text
