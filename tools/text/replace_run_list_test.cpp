// Run lists: the file format byte for byte, a round trip of texts holding the format's markers,
// renumbering on insert and remove, the 1..70 bounds, and files that are not complete lists.
#include "tools/text/replace_run_list.h"

#include "core/form_state.h"
#include "tools/text/replace_options.h"

#include <gtest/gtest.h>

namespace tools::text {
namespace {

std::string runState(const std::string& search, const char* chkMulRun = "1") {
  return core::buildFormState(0, {{"txtSearch", search}, {"txtReplace", "r"}, {"optContent", "True"},
                                  {"optFile", "False"}, {"optFold", "False"}, {"chkMulRun", chkMulRun}});
}

std::string searchOf(const RunList& list, int k) {
  const auto state = list.state(k);
  if (!state) return "(none)";
  const auto o = replaceOptionsFromState(*state);
  return o ? o->search : "(bad)";
}

RunList listOf(std::initializer_list<std::string> searches) {
  RunList list;
  int k = 0;
  for (const std::string& s : searches) {
    if (k > 0) list.insertAfterCurrent();
    list.store(++k, runState(s));
  }
  return list;
}

TEST(ReplaceRunList, WritesTheFormatByteForByte) {
  const RunList list = listOf({"one", "two"});
  EXPECT_EQ(list.fileText(), "2A_EndNumA_Run1A_Data" + runState("one") + "A_EndData1_AA_Run2A_Data" +
                                 runState("two") + "A_EndData2_A");
  // Blocks in another order, as stored runs may be, read the same.
  const std::string shuffled =
      "2A_EndNumA_Run2A_Data" + runState("two") + "A_EndData2_AA_Run1A_Data" + runState("one") + "A_EndData1_A";
  const RunListLoad load = parseRunList(shuffled);
  ASSERT_TRUE(load.list);
  EXPECT_EQ(load.list->current(), 1);
  EXPECT_EQ(searchOf(*load.list, 1), "one");
  EXPECT_EQ(searchOf(*load.list, 2), "two");
}

TEST(ReplaceRunList, TextsHoldingTheMarkersSurviveASaveAndALoad) {
  const std::vector<std::string> odd = {"A_Run2A_Data", "x A_EndData1_A y", "12A_EndNum", "A_Sep", "A_Esc%5F",
                                        "line\r\nbreak"};
  RunList list;
  for (std::size_t i = 0; i < odd.size(); ++i) {
    if (i) list.insertAfterCurrent();
    list.store(static_cast<int>(i + 1), runState(odd[i]));
  }
  const RunListLoad load = parseRunList(list.fileText());
  ASSERT_TRUE(load.list);
  ASSERT_EQ(load.list->count(), static_cast<int>(odd.size()));
  for (std::size_t i = 0; i < odd.size(); ++i) EXPECT_EQ(searchOf(*load.list, static_cast<int>(i + 1)), odd[i]);
}

TEST(ReplaceRunList, InsertAndRemoveRenumberTheLaterRuns) {
  RunList list;
  for (int k = 1; k <= 25; ++k) {
    if (k > 1) list.insertAfterCurrent();
    list.store(k, runState("s" + std::to_string(k)));
  }
  list.setCurrent(19);
  list.insertAfterCurrent();
  EXPECT_EQ(list.count(), 26);
  EXPECT_EQ(list.current(), 20);
  EXPECT_EQ(searchOf(list, 19), "s19");
  EXPECT_EQ(searchOf(list, 20), "(none)");  // the new run has no settings until it is stored
  for (int k = 21; k <= 26; ++k) EXPECT_EQ(searchOf(list, k), "s" + std::to_string(k - 1));
  list.store(20, runState("new"));
  // The file of a list with a run 2 and a run 20 finds each by its own markers.
  const RunListLoad load = parseRunList(list.fileText());
  ASSERT_TRUE(load.list);
  EXPECT_EQ(searchOf(*load.list, 2), "s2");
  EXPECT_EQ(searchOf(*load.list, 20), "new");
  EXPECT_EQ(searchOf(*load.list, 26), "s25");

  list.remove(20);  // another run: the one that took its number shows
  EXPECT_EQ(list.current(), 20);
  EXPECT_EQ(searchOf(list, 20), "s20");
  list.setCurrent(25);
  list.remove(25);  // the last run: the new last one shows
  EXPECT_EQ(list.count(), 24);
  EXPECT_EQ(list.current(), 24);
}

TEST(ReplaceRunList, TheCountStaysWithinOneToSeventy) {
  RunList list;
  list.remove(1);
  EXPECT_EQ(list.count(), 1);
  for (int i = 0; i < 80; ++i) list.insertAfterCurrent();
  EXPECT_EQ(list.count(), kMaxRuns);
  EXPECT_EQ(list.current(), kMaxRuns);
}

TEST(ReplaceRunList, ABadFileIsRefusedWithItsReason) {
  const std::string one = runState("one");
  struct Row {
    const char* name;
    std::string text;
    RunListError error;
    int run = 0;
  } rows[] = {
      {"empty", "", RunListError::NotRunList},
      {"foreign", "Hello, world", RunListError::NotRunList},
      {"a read failure's text", "A_Err", RunListError::NotRunList},
      {"count 0", "0A_EndNum", RunListError::NotRunList},
      {"count 71", "71A_EndNum", RunListError::NotRunList},
      {"count not a number", "xA_EndNumA_Run1A_Data" + one + "A_EndData1_A", RunListError::NotRunList},
      {"missing block", "2A_EndNumA_Run1A_Data" + one + "A_EndData1_A", RunListError::MissingRun, 2},
      {"unterminated block", "1A_EndNumA_Run1A_Data" + one, RunListError::MissingRun, 1},
      {"block of another window", "1A_EndNumA_Run1A_Dataqw9ConfigsA_SepwinStateA_Sep0A_SepA_EndData1_A",
       RunListError::MissingRun, 1},
      {"run 2 is not run 20", "2A_EndNumA_Run1A_Data" + one + "A_EndData1_AA_Run20A_Data" + one + "A_EndData20_A",
       RunListError::MissingRun, 2},
  };
  for (const Row& r : rows) {
    const RunListLoad load = parseRunList(r.text);
    EXPECT_FALSE(load.list) << r.name;
    EXPECT_EQ(load.error, r.error) << r.name;
    EXPECT_EQ(load.run, r.run) << r.name;
  }
}

TEST(ReplaceRunList, RunsSavedWithSeveralRunsOffLoadThatWay) {
  RunList list;
  list.store(1, runState("a", "0"));
  EXPECT_TRUE(parseRunList(list.fileText()).multiRunOff);
  list.store(1, runState("a", "1"));
  EXPECT_FALSE(parseRunList(list.fileText()).multiRunOff);
}

}  // namespace
}  // namespace tools::text
