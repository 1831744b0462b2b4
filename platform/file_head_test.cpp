// openAndReadHead on a real temporary folder: what each kind of path gives, that a FIFO or device
// is refused without hanging, and that a regular file's head and size are read with one open.
#include "platform/file_head.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

enum class Make { Text, Empty, Missing, Fifo, Device, Folder, LinkToText, RunningProgram };

struct HeadRow {
  const char* name;
  Make make;
  OpenAccess access;
  std::size_t n;
  int error;
  FileType type;
  std::string head;
  std::uint64_t size;
};

class OpenAndReadHead : public ::testing::TestWithParam<HeadRow> {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vdk-head-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = std::string(tmpl) + "/";
    std::ofstream(dir_ + "text.txt", std::ios::binary) << "0123456789abcdefghij";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string dir_;
};

TEST_P(OpenAndReadHead, GivesTypeSizeAndHead) {
  const HeadRow& row = GetParam();
  std::string path;
  switch (row.make) {
    case Make::Text: path = dir_ + "text.txt"; break;
    case Make::Empty:
      path = dir_ + "empty";
      std::ofstream(path).flush();
      break;
    case Make::Missing: path = dir_ + "missing"; break;
    case Make::Fifo:
      // Nobody writes to it: opening it for reading without O_NONBLOCK would hang the test.
      path = dir_ + "pipe";
      ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
      break;
    case Make::Device: path = "/dev/null"; break;
    case Make::Folder: path = dir_; break;
    case Make::LinkToText:
      path = dir_ + "link";
      fs::create_symlink(dir_ + "text.txt", path);
      break;
    case Make::RunningProgram: path = fs::read_symlink("/proc/self/exe").string(); break;
  }
  FileHead out;
  out.head = "stale";
  EXPECT_EQ(openAndReadHead(path, row.access, row.n, out), row.error) << path;
  EXPECT_EQ(out.type, row.type);
  EXPECT_EQ(out.head, row.head);
  if (row.make != Make::RunningProgram) {
    EXPECT_EQ(out.size, row.size);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OpenAndReadHead,
    ::testing::Values(
        HeadRow{"head_of_text", Make::Text, OpenAccess::Read, 5, 0, FileType::Regular, "01234", 20},
        HeadRow{"n_past_the_end", Make::Text, OpenAccess::Read, 35, 0, FileType::Regular,
                "0123456789abcdefghij", 20},
        HeadRow{"n_zero_reads_nothing", Make::Text, OpenAccess::ReadWrite, 0, 0, FileType::Regular, "", 20},
        HeadRow{"write_with_head", Make::Text, OpenAccess::Write, 3, 0, FileType::Regular, "012", 20},
        HeadRow{"empty", Make::Empty, OpenAccess::Read, 35, 0, FileType::Regular, "", 0},
        HeadRow{"missing", Make::Missing, OpenAccess::Read, 35, ENOENT, FileType::Missing, "", 0},
        HeadRow{"fifo_read", Make::Fifo, OpenAccess::Read, 35, EINVAL, FileType::Other, "", 0},
        HeadRow{"fifo_write", Make::Fifo, OpenAccess::Write, 0, EINVAL, FileType::Other, "", 0},
        HeadRow{"device", Make::Device, OpenAccess::ReadWrite, 35, EINVAL, FileType::Other, "", 0},
        HeadRow{"folder", Make::Folder, OpenAccess::Read, 35, EINVAL, FileType::Directory, "", 0},
        HeadRow{"symlink_not_followed", Make::LinkToText, OpenAccess::Read, 35, EINVAL, FileType::Symlink, "", 0},
        // A running program cannot be opened for writing, even by root.
        HeadRow{"busy_for_writing", Make::RunningProgram, OpenAccess::ReadWrite, 35, ETXTBSY,
                FileType::Regular, "", 0}),
    [](const ::testing::TestParamInfo<HeadRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace platform
