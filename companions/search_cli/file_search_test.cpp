// The search's exit codes, run as a batch job runs it (the program itself, arguments as given),
// and the matcher on pieces cut at every place a match or a character can be split.
#include "companions/search_cli/caseless_matcher.h"
#include "companions/search_cli/file_search.h"
#include "core/file_test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Runs the Skerrow of this build with args; its exit code, or -1 when it had to be killed after
// 10 s (it hung) or could not be started.
int runSkerrow(const std::vector<std::string>& args) {
  const char* bin = std::getenv("CORVANE_TEST_BIN");
  std::string program = std::string(bin ? bin : ".") + "/Skerrow";
  std::vector<char*> argv{program.data()};
  std::vector<std::string> copy = args;
  for (std::string& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

enum class Kind { File, Missing, Folder, Fifo, Symlink, Device, NoArgs, OneArg };

struct ExitCase {
  const char* name;
  Kind kind;
  std::string content;  // of the file (or what waits in the FIFO)
  std::string fileName;
  std::string text;
  int expected;
  std::vector<std::string> extra = {};  // arguments past the second
};

// Failure messages name the row.
void PrintTo(const ExitCase& c, std::ostream* os) { *os << c.name; }

class SkerrowExitCode : public core::testing::FileFixture, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(SkerrowExitCode, AnswersOneOnlyWhenTheFileHoldsTheText) {
  const ExitCase& c = GetParam();
  std::string target = path(c.fileName);
  int fifoFd = -1;
  switch (c.kind) {
    case Kind::File: make(c.fileName, c.content); break;
    case Kind::Missing: break;
    case Kind::Folder: std::filesystem::create_directory(target); break;
    case Kind::Fifo:
      fifo(c.fileName);
      // Held open for both ends, with the text waiting in it: a search that opened and read the
      // FIFO would find it (and take it out).
      fifoFd = ::open(target.c_str(), O_RDWR | O_NONBLOCK);
      ASSERT_GE(fifoFd, 0);
      ASSERT_EQ(::write(fifoFd, c.content.data(), c.content.size()), static_cast<ssize_t>(c.content.size()));
      break;
    case Kind::Symlink:
      make("target.txt", c.content);
      std::filesystem::create_symlink(path("target.txt"), target);
      break;
    case Kind::Device: target = c.fileName; break;
    case Kind::NoArgs:
    case Kind::OneArg: make(c.fileName, c.content); break;
  }
  std::vector<std::string> args;
  if (c.kind != Kind::NoArgs) args.push_back(target);
  if (c.kind != Kind::NoArgs && c.kind != Kind::OneArg) args.push_back(c.text);
  args.insert(args.end(), c.extra.begin(), c.extra.end());

  EXPECT_EQ(runSkerrow(args), c.expected);
  if (fifoFd >= 0) {
    std::string left(c.content.size(), '\0');
    EXPECT_EQ(::read(fifoFd, left.data(), left.size()), static_cast<ssize_t>(left.size()));
    EXPECT_EQ(left, c.content);  // nothing was taken out
    ::close(fifoFd);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SkerrowExitCode,
    ::testing::Values(
        ExitCase{"capitalInFileLowerText", Kind::File, "A Word here", "f.txt", "word", 1},
        ExitCase{"capitalInTextFindsLowerFile", Kind::File, "a word here", "f.txt", "Word", 1},
        ExitCase{"absent", Kind::File, "a word here", "f.txt", "words", 0},
        ExitCase{"pathWithBlanks", Kind::File, "Needle", "my file.txt", "needle", 1},
        ExitCase{"textWithBlankIsOneText", Kind::File, "a big cat", "f.txt", "BIG CAT", 1},
        ExitCase{"blankCounts", Kind::File, "a big cat", "f.txt", "bigcat", 0},
        ExitCase{"quotesAreLiteral", Kind::File, "a big cat", "f.txt", "\"big cat\"", 0},
        ExitCase{"quotedInFile", Kind::File, "say \"big cat\"", "f.txt", "\"big cat\"", 1},
        ExitCase{"extraArgumentsIgnored", Kind::File, "abc", "f.txt", "b", 1, {"zzz", "--help"}},
        ExitCase{"noArguments", Kind::NoArgs, "", "f.txt", "", 0},
        ExitCase{"oneArgument", Kind::OneArg, "abc", "f.txt", "", 0},
        ExitCase{"emptyTextInFile", Kind::File, "x", "f.txt", "", 1},
        ExitCase{"emptyTextEmptyFile", Kind::File, "", "f.txt", "", 0},
        ExitCase{"textLongerThanFile", Kind::File, "abc", "f.txt", "abcd", 0},
        ExitCase{"optionLikeNames", Kind::File, "-v --x", "-i", "--X", 1},
        ExitCase{"nonUtf8NameAndLineBreakInText", Kind::File, "one\nTwo", "n\xff\n.txt", "E\nt", 1},
        ExitCase{"binaryFile", Kind::File, std::string("\0\xff\xfe\x01NeedLe\0\x80", 12), "f.bin", "needle", 1},
        ExitCase{"binaryFileWithout", Kind::File, std::string("\0\xff\xfe\x01Need\0Le", 11), "f.bin", "needle", 0},
        ExitCase{"windows1252Capitals", Kind::File, "\xC9T\xC9", "f.txt", "\xE9t\xE9", 1},
        ExitCase{"utf8Capitals", Kind::File, "CAF\xC3\x89!", "f.txt", "caf\xC3\xA9", 1},
        ExitCase{"utf8CapitalText", Kind::File, "caf\xC3\xA9", "f.txt", "CAF\xC3\x89", 1},
        ExitCase{"missingFile", Kind::Missing, "", "gone.txt", "x", 0},
        ExitCase{"emptyPath", Kind::Device, "", "", "x", 0},
        ExitCase{"folder", Kind::Folder, "", "sub", "sub", 0},
        ExitCase{"fifoNeverOpened", Kind::Fifo, "needle", "pipe", "needle", 0},
        ExitCase{"deviceNeverRead", Kind::Device, "", "/dev/zero", std::string(1, 'x'), 0},
        ExitCase{"symlinkFollowed", Kind::Symlink, "Needle", "link", "needle", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaselessMatcher, FindsMatchesAndCharactersSplitAcrossPieces) {
  struct Case {
    const char* name;
    std::string stream, text;
    bool found;
  };
  const std::vector<Case> cases = {
      {"ascii", "xxxxHeLLo worldxxxx", "hello WORLD", true},
      {"asciiAbsent", "xxxxHeLLo worlxxxx", "hello world", false},
      {"atVeryEnd", std::string(100, 'a') + "Tail", "tail", true},
      {"atVeryStart", "Head" + std::string(100, 'a'), "head", true},
      {"utf8AcrossPieces", "..\xC3\x89T\xC3\x89..", "\xC3\xA9t\xC3\xA9", true},
      {"cyrillic", "\xD0\x9F\xD0\xA0\xD0\x98", "\xD0\xBF\xD1\x80\xD0\xB8", true},
      {"nonUtf8Bytes", "\x80\xC9t\xC9\xFF", "\xE9T\xE9", true},
      {"leadByteAtEnd", "abc\xC3", "c\xE3", true},  // a lone lead byte at the end is a 1252 letter
      {"nearMissThenMatch", std::string(30, '.') + "NeEdlX needLE" + std::string(30, '.'), "needle", true},
      {"symbolsCompareExactly", std::string(40, '.') + "`x` {x{ @X@" + std::string(40, '.'), "@x@", true},
      {"oneCharacter", std::string(50, 'x') + "Q", "q", true},
      {"emptyText", "x", "", true},
      {"emptyStream", "", "", false},
  };
  for (const Case& c : cases) {
    for (const std::size_t piece : {1u, 2u, 3u, 5u, 7u, 64u, 4096u}) {
      skerrow::CaselessMatcher m(c.text, piece);
      std::size_t at = 0;
      while (at < c.stream.size() && !m.found()) {
        const std::size_t n = std::min(piece, c.stream.size() - at);
        std::memcpy(m.pieceBuffer(), c.stream.data() + at, n);
        m.take(n);
        at += n;
      }
      EXPECT_EQ(m.finish(), c.found) << c.name << " in pieces of " << piece;
    }
  }
}

class FileSearch : public core::testing::FileFixture {};

TEST_F(FileSearch, ReadsLargeFilesToTheEndInPieces) {
  std::string big(3 * skerrow::kDefaultPieceSize + 5, 'a');
  big.replace(big.size() - 6, 6, "NEEDLE");
  const std::string file = make("big.txt", big);
  EXPECT_EQ(skerrow::searchFile(file, "needle"), skerrow::SearchResult::Found);
  EXPECT_EQ(skerrow::searchFile(file, "needles"), skerrow::SearchResult::NotFound);
  // Straddling a piece boundary.
  big.replace(skerrow::kDefaultPieceSize - 3, 6, "NEEDLF");
  make("big.txt", big);
  EXPECT_EQ(skerrow::searchFile(file, "needlf"), skerrow::SearchResult::Found);
}

TEST_F(FileSearch, TellsWhatCouldNotBeSearched) {
  EXPECT_EQ(skerrow::searchFile(path("none"), "x"), skerrow::SearchResult::NotAFile);
  EXPECT_EQ(skerrow::searchFile(fifo("p"), "x"), skerrow::SearchResult::NotAFile);
  EXPECT_EQ(skerrow::searchFile(std::string(), "x"), skerrow::SearchResult::NotAFile);
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
  const std::string locked = make("locked.txt", "x");
  ::chmod(locked.c_str(), 0);
  EXPECT_EQ(skerrow::searchFile(locked, "x"), skerrow::SearchResult::ReadFailed);
  EXPECT_EQ(skerrow::exitCodeFor({locked, "x"}), 0);
}

}  // namespace
