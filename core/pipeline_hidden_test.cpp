// The Hidden flag of the entries a run renames: on disk before the rename where it must be, so a
// kill in between leaves nothing shown that was hidden, and said in the results where no line of
// ".hidden" can hold the new name.
#include "core/pipeline_test_support.h"

#include <filesystem>
#include <string>

namespace core::testing {
namespace {

TEST_F(PipelineTest, TheNewNameIsListedBeforeTheRenameAndTheOldLineGoesWithTheFolder) {
  const std::string d = makeDir("d");
  makeFile("d/.hidden", "f\nother\n");
  for (const char* name : {"d/f", "d/g", "d/other"}) makeFile(name, "x");
  pipe_.buildDirList(form_, root_, {.withSubfolders = true});
  ASSERT_EQ(pipe_.rename(d + "f", d + "f2"), 0);
  EXPECT_EQ(readAll(d + ".hidden"), "f\nother\nf2\n") << "hidden under its new name at once";
  // A rename that cannot happen (the name is taken) changes no line: g keeps its flag.
  ASSERT_NE(pipe_.rename(d + "other", d + "g"), 0);
  EXPECT_EQ(GetAtt(d + "g") & kAttrHidden, 0);
  pipe_.finishOperation(form_, RefreshMode::None);
  EXPECT_EQ(readAll(d + ".hidden"), "other\nf2\n");
  EXPECT_EQ(logged(), "");
}

TEST_F(PipelineTest, AHiddenEntryRenamedToANameWithALineBreakIsSaidToBeShownNow) {
  const std::string d = makeDir("d");
  makeFile("d/.hidden", "f\ng\n");
  for (const char* name : {"d/f", "d/g", "d/h"}) makeFile(name, "x");
  pipe_.buildDirList(form_, root_, {.withSubfolders = true});
  ASSERT_EQ(pipe_.rename(d + "f", d + "f\nnext"), 0);
  ASSERT_EQ(pipe_.rename(d + "g", d + ".g"), 0);        // hidden by its dot: nothing lost
  ASSERT_EQ(pipe_.rename(d + "h", d + "h\nnext"), 0);  // shown before: nothing lost
  pipe_.finishOperation(form_, RefreshMode::None);
  const std::string shown = host_.results.back().text;
  const std::size_t line = shown.find("{176}" + d + "f\nnext");
  EXPECT_NE(line, std::string::npos) << shown;
  EXPECT_EQ(shown.find("{176}", line + 1), std::string::npos) << shown;
  EXPECT_FALSE(std::filesystem::exists(d + ".hidden")) << "no line is left for any of them";
}

}  // namespace
}  // namespace core::testing
