#include "core/slot_ring.h"

#include "core/file_test_fixture.h"
#include "core/settings.h"
#include "core/state.h"
#include "platform/together_test_support.h"

#include <chrono>
#include <filesystem>
#include <set>

namespace {

class SlotRingTest : public core::testing::AppFolderFixture {
 protected:
  bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }

  const core::SlotRing ring_{{.currentKey = "curx", .slotKeyPrefix = "slotx", .filePrefix = "Log ", .fileSuffix = ".txt"}};
};

TEST_F(SlotRingTest, TakeWrapsAfterNineAndDeletesTheFileTheSlotNamed) {
  std::vector<std::string> names;
  for (int run = 1; run <= 10; ++run) {
    const std::string name = ring_.createUnique("01 May 2024 10:00:0" + std::to_string(run % 10));
    ASSERT_FALSE(name.empty());
    ring_.take(name);
    names.push_back(name);
  }
  EXPECT_EQ(names[0], "Log 01 May 2024 10ZZ00ZZ01.txt");
  // The first take leaves the fresh ring's slot 1 for slot 2; the tenth run comes back to slot 2.
  EXPECT_EQ(ring_.current(), 2);
  EXPECT_EQ(ring_.slotName(2), names[9]);
  EXPECT_FALSE(exists(names[0]));
  for (std::size_t i = 1; i < 10; ++i) EXPECT_TRUE(exists(names[i])) << names[i];
  EXPECT_EQ(ring_.existing(ring_.current()).size(), 8u);
  EXPECT_EQ(ring_.captionOf(names[0]), "01 May 2024 10:00:01");
  EXPECT_EQ(ring_.fileOfCaption(ring_.captionOf(names[0])), names[0]);
}

TEST_F(SlotRingTest, TwoFilesInOneSecondGetDistinctNames) {
  const std::string a = ring_.createUnique("07 March 2024 14:05:09");
  const std::string b = ring_.createUnique("07 March 2024 14:05:09");
  EXPECT_EQ(a, "Log 07 March 2024 14ZZ05ZZ09.txt");
  EXPECT_EQ(b, "Log 07 March 2024 14ZZ05ZZ09 (2).txt");
  EXPECT_EQ(ring_.captionOf(b), "07 March 2024 14:05:09 (2)");
  EXPECT_EQ(ring_.fileOfCaption(ring_.captionOf(b)), b);
}

TEST_F(SlotRingTest, ValuesOfAnotherShapeAreNeverOpenedOrDeleted) {
  const std::string victim = make("precious.txt", "keep me");
  make("Log elsewhere.txt", "x");
  const std::string outside = root_ + "/outside.txt";
  std::ofstream(outside) << "keep me too";
  core::saveSet("curx", "8");
  core::saveSet("slotx9", "precious.txt");
  core::saveSet("slotx1", "../outside.txt");
  core::saveSet("slotx2", "Log ../../outside.txt");
  core::saveSet("slotx3", "Log elsewhere.txt");
  EXPECT_EQ(ring_.slotPath(9), "");
  EXPECT_EQ(ring_.slotPath(2), "");
  ring_.take(ring_.createUnique("a"));  // slot 9, which names precious.txt
  ring_.take(ring_.createUnique("b"));  // slot 1
  ring_.clear();                        // every slot, including 2 and 3
  EXPECT_TRUE(std::filesystem::exists(victim));
  EXPECT_TRUE(std::filesystem::exists(outside));
  EXPECT_FALSE(exists("Log elsewhere.txt"));  // of the ring's shape: the ring's to delete
  EXPECT_TRUE(ring_.existing(0).empty());
}

TEST_F(SlotRingTest, ReleasingTheCurrentSlotStepsBackFromOneToNine) {
  core::saveSet("curx", "1");
  core::saveSet("slotx1", "Log a.txt");
  ring_.release(1);
  EXPECT_EQ(ring_.current(), 9);
  EXPECT_EQ(ring_.slotName(1), "");
  core::saveSet("slotx4", "Log b.txt");
  ring_.release(4);  // not current: emptied, the ring stays
  EXPECT_EQ(ring_.current(), 9);
  core::saveSet("curx", "0");
  EXPECT_EQ(ring_.current(), 1);
  EXPECT_EQ(core::getSet("curx"), "1");
}

// Two programs that start runs at the same moment: every take is one locked update on a fresh
// read, so each run gets a slot of its own and no run's file is deleted as a slot's previous one.
TEST_F(SlotRingTest, RunsOfTwoProgramsAtOnceEachKeepASlotAndTheirFiles) {
  constexpr int kEach = 4;  // 2 x 4 takes: fewer than nine, so no slot comes round again
  const auto takes = [&](char who) {
    return [this, who] {
      for (int i = 0; i < kEach; ++i) {
        const std::string name = ring_.createUnique(std::string(1, who) + std::to_string(i));
        if (name.empty()) return 1;
        (void)ring_.take(name);
      }
      return 0;
    };
  };
  for (int round = 0; round < 10; ++round) {
    ring_.clear();
    ring_.setCurrent(1);
    const auto ends = platform::testing::runTogether({takes('a'), takes('b')}, std::chrono::seconds(60));
    for (const auto& end : ends) ASSERT_TRUE(end.exited && end.code == 0) << "round " << round;
    const auto kept = ring_.existing(0);
    std::set<std::string> names;
    for (const auto& [slot, name] : kept) names.insert(name);
    EXPECT_EQ(names.size(), static_cast<std::size_t>(2 * kEach)) << "round " << round;
    EXPECT_EQ(kept.size(), static_cast<std::size_t>(2 * kEach)) << "round " << round;
    EXPECT_EQ(ring_.current(), 1 + 2 * kEach) << "round " << round;
    for (char who : {'a', 'b'})
      for (int i = 0; i < kEach; ++i)
        EXPECT_TRUE(exists(ring_.fileNameOf(std::string(1, who) + std::to_string(i)))) << who << i << " round " << round;
  }
}

}  // namespace
