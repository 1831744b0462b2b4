// The Hidden flag follows renamed entries: their lines of ".hidden" move with them, the new name's
// line before the rename where the record is told of it first, the rest once, when the batch is
// written; never through a link, and never losing another program's lines.
#include "platform/hidden_moves.h"

#include "platform/fs.h"
#include "platform/together_test_support.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
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
  // The same as a run does it, telling moves before and after; the rename's result.
  static int renameInStep(HiddenEntryMoves& moves, const std::string& from, const std::string& to) {
    moves.moving(from, to);
    const int err = renameNoReplace(from, to);
    moves.moved(from, to, err == 0);
    return err;
  }
  std::set<std::string> linesOf(const std::string& rel) const {
    std::set<std::string> out;
    std::istringstream in(listOf(rel));
    for (std::string line; std::getline(in, line);) out.insert(line);
    return out;
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

TEST_F(HiddenMovesTest, TheNewNameIsListedBeforeTheRenameAndTheOldLineAfter) {
  make("k/.hidden", "a\nb\ntaken2\n");
  for (const char* name : {"k/a", "k/b", "k/shown", "k/taken"}) make(name);
  HiddenEntryMoves moves;
  moves.moving(dir_ + "k/a", dir_ + "k/a2");
  EXPECT_EQ(listOf("k/"), "a\nb\ntaken2\na2\n") << "written before the rename: a kill then hides both names";
  ASSERT_EQ(renameNoReplace(dir_ + "k/a", dir_ + "k/a2"), 0);
  moves.moved(dir_ + "k/a", dir_ + "k/a2");
  EXPECT_EQ(listOf("k/"), "a\nb\ntaken2\na2\n") << "the old line waits for the next write";
  // A shown entry onto a name with a stale line: the line goes first. The pending "a" goes along.
  ASSERT_EQ(renameInStep(moves, dir_ + "k/shown", dir_ + "k/taken2"), 0);
  EXPECT_EQ(listOf("k/"), "b\na2\n");
  // A rename that fails puts back what was written for it; a name in use gets no line at all.
  moves.moving(dir_ + "k/b", dir_ + "k/b2");
  EXPECT_EQ(listOf("k/"), "b\na2\nb2\n");
  moves.moved(dir_ + "k/b", dir_ + "k/b2", false);
  EXPECT_NE(renameInStep(moves, dir_ + "k/b", dir_ + "k/taken"), 0);
  EXPECT_EQ(listOf("k/"), "b\na2\nb2\n");
  ASSERT_TRUE(moves.flush().empty());
  EXPECT_EQ(listOf("k/"), "b\na2\n");
}

TEST_F(HiddenMovesTest, ANameNoLineCanHoldIsToldAsAFlagLost) {
  make("n/.hidden", "f\n");
  for (const char* name : {"n/f", "n/g"}) make(name);
  HiddenEntryMoves moves;
  ASSERT_EQ(renameInStep(moves, dir_ + "n/f", dir_ + "n/f\rx"), 0);
  ASSERT_EQ(renameInStep(moves, dir_ + "n/g", dir_ + "n/g\nx"), 0);  // shown before: nothing lost
  EXPECT_TRUE(moves.pending());
  EXPECT_EQ(moves.takeFlagsLost(), std::vector<std::string>{dir_ + "n/f\rx"});
  EXPECT_TRUE(moves.takeFlagsLost().empty());
  ASSERT_TRUE(moves.flush().empty());
  EXPECT_EQ(listOf("n/"), "-");
}

// Two programs renaming the hidden files of one folder at once: each change of ".hidden" is made
// under its lock on a fresh read, so neither loses the other's lines (read, changed and written
// back without the lock, one program's write would undo the other's).
TEST_F(HiddenMovesTest, TwoProgramsRenamingInOneFolderKeepEveryLine) {
  constexpr int kEach = 300;
  const auto name = [](char who, int i, const char* tail) {
    char n[32];
    std::snprintf(n, sizeof n, "%c%04d%s", who, i, tail);
    return std::string(n);
  };
  std::string list;
  for (char who : {'a', 'b'})
    for (int i = 0; i < kEach; ++i) {
      make("t/" + name(who, i, ""));
      list += name(who, i, "") + "\n";
    }
  make("t/shown");
  make("t/.hidden", list);
  const auto renames = [&](char who) {
    return [&, who] {
      HiddenEntryMoves moves;
      for (int i = 0; i < kEach; ++i)
        if (renameInStep(moves, dir_ + "t/" + name(who, i, ""), dir_ + "t/" + name(who, i, "_r")) != 0) return 1;
      return moves.flush().empty() ? 0 : 2;
    };
  };
  const auto ends = testing::runTogether({renames('a'), renames('b')}, std::chrono::seconds(120));
  for (const auto& end : ends) ASSERT_TRUE(end.exited && end.code == 0) << end.code;
  std::set<std::string> expected;
  for (char who : {'a', 'b'})
    for (int i = 0; i < kEach; ++i) expected.insert(name(who, i, "_r"));
  EXPECT_EQ(linesOf("t/"), expected);
}

}  // namespace
}  // namespace platform
