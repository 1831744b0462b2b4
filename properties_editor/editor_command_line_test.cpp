#include "properties_editor/editor_command_line.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
  const char* name;
  std::vector<std::string> args;
  propedit::EditorLaunch want;
};

class EditorCommandLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(EditorCommandLine, TellsWhoStartedItAndWhichFile) {
  const LineCase& c = GetParam();
  EXPECT_EQ(propedit::parseEditorCommandLine(c.args, "/home/u"), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Starts, EditorCommandLine,
    ::testing::Values(
        LineCase{"mainProgram", {"?/a b/c.txt"}, {.path = "/a b/c.txt", .launchedAlone = false, .servesLink = true}},
        LineCase{"desktopEntry", {"/a b/c.txt"}, {.path = "/a b/c.txt", .launchedAlone = true, .servesLink = false}},
        LineCase{"mainProgramEmptyList", {}, {.path = "", .launchedAlone = true, .servesLink = true}},
        LineCase{"emptyArgument", {""}, {.path = "", .launchedAlone = true, .servesLink = true}},
        LineCase{"questionMarkAlone", {"?"}, {.path = "", .launchedAlone = false, .servesLink = true}},
        LineCase{"relativeMadeAbsolute", {"?docs/x.txt"}, {.path = "/home/u/docs/x.txt", .launchedAlone = false, .servesLink = true}},
        LineCase{"newlineAndExtraArguments", {"/t/a\nb.txt", "/t/other"}, {.path = "/t/a\nb.txt", .launchedAlone = true, .servesLink = false}},
        // The shell already removed quotes: what is left belongs to the name.
        LineCase{"quotesAreName", {"/t/\"q\" \"r\""}, {.path = "/t/\"q\" \"r\"", .launchedAlone = true, .servesLink = false}},
        LineCase{"laterQuestionMarkIsName", {"/t/?x"}, {.path = "/t/?x", .launchedAlone = true, .servesLink = false}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
