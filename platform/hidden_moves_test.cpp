// The Hidden flag follows renamed entries: their lines of ".hidden" move with them, each changed
// file is written once, when the batch is written, and never through a link.
#include "platform/hidden_moves.h"

#include "platform/fs.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace platform {
namespace {

namespace fs = std::filesystem;

class HiddenMovesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    dir_ = tmp_.path().toStdString() + "/";
  }
  std::string make(const std::string& rel, const std::string& text = "x") {
    fs::create_directories(fs::path(dir_ + rel).parent_path());
    std::ofstream(dir_ + rel, std::ios::binary) << text;
    return dir_ + rel;
  }
  // The ".hidden" of folder rel ("-" when there is none).
  std::string listOf(const std::string& rel) const {
    const std::string file = dir_ + rel + ".hidden";
    if (!fs::exists(fs::symlink_status(file))) return "-";
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Renames rel to rel2 on disk and tells moves.
  void rename(HiddenEntryMoves& moves, const std::string& from, const std::string& to) {
    ASSERT_EQ(renameNoReplace(dir_ + from, dir_ + to), 0) << from;
    moves.moved(dir_ + from, dir_ + to);
  }

  QTemporaryDir tmp_;
  std::string dir_;
};

TEST_F(HiddenMovesTest, LinesFollowTheirEntriesAndEachFileIsWrittenOnceAtTheFlush) {
  make("a/.hidden", "secret\nother\nkept\n");
  for (const char* name : {"a/secret", "a/other", "a/kept", "a/plain"}) make(name);
  fs::create_directories(dir_ + "b");
  HiddenEntryMoves moves;
  rename(moves, "a/secret", "a/renamed");
  rename(moves, "a/other", "b/other");
  rename(moves, "a/plain", "a/plain2");  // shown before, shown after
  EXPECT_EQ(listOf("a/"), "secret\nother\nkept\n") << "nothing is written before the flush";
  EXPECT_EQ(listOf("b/"), "-");
  EXPECT_TRUE(moves.pending());
  EXPECT_TRUE(moves.flush().empty());
  EXPECT_EQ(listOf("a/"), "kept\nrenamed\n");
  EXPECT_EQ(listOf("b/"), "other\n");
  EXPECT_FALSE(moves.pending());
}

TEST_F(HiddenMovesTest, TheFlagFollowsTheEntryNotTheName) {
  // "stale" is listed, but the file of that name is long gone; "a\nb" cannot be a line.
  make("d/.hidden", "one\ntwo\nthree\nstale\n");
  for (const char* name : {"d/one", "d/two", "d/three", "d/shown"}) make(name);
  HiddenEntryMoves moves;
  rename(moves, "d/one", "d/.one");     // hidden by its dot now: no line needed
  rename(moves, "d/two", "d/a\nb");     // cannot be listed: shown, and nothing else breaks
  rename(moves, "d/shown", "d/stale");  // a shown file does not pick up the old line
  rename(moves, "d/three", "d/3");
  rename(moves, "d/3", "d/three");      // back where it was: listed as before
  moves.removed(dir_ + "d/three");      // ... then gone: its line goes too
  ASSERT_TRUE(moves.flush().empty());
  EXPECT_EQ(listOf("d/"), "-") << "no line left: the file goes";
}

TEST_F(HiddenMovesTest, WhatIsPendingInsideARenamedFolderIsWrittenUnderItsNewName) {
  make("p/.hidden", "sub\n");
  make("p/sub/.hidden", "f\n");
  make("p/sub/f");
  HiddenEntryMoves moves;
  rename(moves, "p/sub/f", "p/sub/g");
  rename(moves, "p/sub", "p/sub2");
  ASSERT_TRUE(moves.flush().empty());
  EXPECT_EQ(listOf("p/"), "sub2\n");
  EXPECT_EQ(listOf("p/sub2/"), "g\n");
}

TEST_F(HiddenMovesTest, AHiddenFileThatIsALinkIsNeverWrittenThrough) {
  make("s/.hidden", "f\n");
  make("s/f");
  const std::string outside = make("outside.txt", "not a list\n");
  fs::create_directories(dir_ + "t");
  fs::create_symlink(outside, dir_ + "t/.hidden");
  HiddenEntryMoves moves;
  rename(moves, "s/f", "t/f");
  EXPECT_EQ(moves.flush(), std::vector<std::string>{dir_ + "t/.hidden"});
  EXPECT_EQ(listOf("s/"), "-");
  EXPECT_EQ(fs::read_symlink(dir_ + "t/.hidden"), outside);
  std::ifstream in(outside);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not a list\n");
}

TEST_F(HiddenMovesTest, OneRenameOutsideARunIsCarriedAtOnce) {
  make("m/.hidden", "old\n");
  make("m/old");
  ASSERT_EQ(renameNoReplace(dir_ + "m/old", dir_ + "m/new"), 0);
  EXPECT_TRUE(carryHiddenEntry(dir_ + "m/old", dir_ + "m/new"));
  EXPECT_EQ(listOf("m/"), "new\n");
}

}  // namespace
}  // namespace platform
