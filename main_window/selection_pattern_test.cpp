#include "main_window/selection_pattern.h"

#include "main_window/name_pattern.h"

#include <gtest/gtest.h>

namespace mainwin {
namespace {

using Names = std::vector<std::string>;

TEST(SelectionPattern, NamesInListOrder) {
  const PatternBuild b = buildSelectionPattern({"a.txt", "b.doc"}, {});
  ASSERT_TRUE(b.ok());
  EXPECT_EQ(b.text, "a.txt;b.doc;");
  EXPECT_EQ(buildSelectionPattern({}, {}).refusal, PatternRefusal::NothingSelected);
}

TEST(ExclusionPattern, PreviousPatternStaysBehind) {
  PatternBuild b = buildExclusionPattern({"a.txt"}, "*.txt", {});
  EXPECT_EQ(b.text, "<-a.txt;*.txt");
  b = buildExclusionPattern({"a.txt", "b.doc"}, "", {});
  EXPECT_EQ(b.text, "<-a.txt;<-b.doc;");
  EXPECT_EQ(buildExclusionPattern({}, "", {}).refusal, PatternRefusal::NothingToTarget);
  // A name that begins with "<-" is fine behind the exclusion marker.
  EXPECT_TRUE(buildExclusionPattern({"<-x"}, "", {}).ok());
}

TEST(ExtensionPattern, OncePerExactExtension) {
  PatternBuild b = buildExtensionPattern({"A.TXT", "b.txt", "c.txt", "README"});
  EXPECT_EQ(b.text, "*.TXT;*.txt;");
  EXPECT_EQ(buildExtensionPattern({"README"}).refusal, PatternRefusal::NothingToTarget);
  b = buildExtensionPattern({"x.t*t"});
  EXPECT_EQ(b.refusal, PatternRefusal::NotExact);
  EXPECT_EQ(b.name, "x.t*t");
}

TEST(SelectionPattern, LengthLimit) {
  // 8999 characters are taken, 9000 refused.
  Names ok{std::string(8998, 'a')};
  EXPECT_TRUE(buildSelectionPattern(ok, {}).ok());
  Names tooLong{std::string(8999, 'a')};
  EXPECT_EQ(buildSelectionPattern(tooLong, {}).refusal, PatternRefusal::TooLong);
  EXPECT_EQ(buildExclusionPattern({"a"}, std::string(8996, 'b'), {}).refusal,
            PatternRefusal::TooLong);
}

struct RefuseCase {
  const char* label;
  const char* name;
  NameProblem problem;
};

class RefusedNameTest : public ::testing::TestWithParam<RefuseCase> {};

TEST_P(RefusedNameTest, RefusedWithTheReason) {
  const PatternBuild b = buildSelectionPattern({"fine.txt", GetParam().name}, {});
  EXPECT_EQ(b.refusal, PatternRefusal::NotExact);
  EXPECT_EQ(b.problem, GetParam().problem);
  EXPECT_EQ(b.name, GetParam().name);
  EXPECT_TRUE(b.text.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedNameTest,
    ::testing::Values(RefuseCase{"Separator", "a;b", NameProblem::Separator},
                      RefuseCase{"Star", "a*b", NameProblem::Wildcard},
                      RefuseCase{"Question", "a?b", NameProblem::Wildcard},
                      RefuseCase{"DigitWildcard", "img\\d.png", NameProblem::Wildcard},
                      RefuseCase{"Colon", "a:b.txt", NameProblem::Stripped},
                      RefuseCase{"Pipe", "a|b", NameProblem::Stripped},
                      RefuseCase{"Greater", "a>b", NameProblem::Stripped},
                      RefuseCase{"Quote", "a\"b", NameProblem::Stripped},
                      RefuseCase{"ExclusionPrefix", "<-old", NameProblem::ExcludePrefix},
                      RefuseCase{"NotUtf8", "a\xff", NameProblem::NotText},
                      RefuseCase{"LineBreak", "a\nb", NameProblem::NotText}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SelectionPattern, CaseTwinRefusedOnlyWhenFoldingAndNotSelected) {
  const Names folder{"readme", "README", "other"};
  const NameContext fold{true, &folder};
  const NameContext exact{false, &folder};
  PatternBuild b = buildSelectionPattern({"readme"}, fold);
  EXPECT_EQ(b.refusal, PatternRefusal::NotExact);
  EXPECT_EQ(b.problem, NameProblem::CaseTwin);
  EXPECT_TRUE(buildSelectionPattern({"readme"}, exact).ok());
  EXPECT_TRUE(buildSelectionPattern({"readme", "README"}, fold).ok());
  EXPECT_EQ(buildExclusionPattern({"README"}, "", fold).problem, NameProblem::CaseTwin);
}

// Whatever the selection, an accepted pattern matches exactly the selected names of the folder.
TEST(SelectionPattern, AcceptedPatternsTargetExactlyTheSelection) {
  const Names folder{"a#b", "a:b", "a]b", "a\\b", "file[1].txt", "file1.txt", "x.txt",
                     "X.TXT", "<-", "img07.png", "img\\d.png", "[a]", "a"};
  for (bool foldCase : {true, false}) {
    const NameContext ctx{foldCase, &folder};
    for (const std::string& name : folder) {
      const PatternBuild b = buildSelectionPattern({name}, ctx);
      if (!b.ok()) continue;
      const NamePattern p(b.text, foldCase);
      for (const std::string& other : folder)
        EXPECT_EQ(p.matches(other), other == name)
            << "pattern " << b.text << " fold " << foldCase << " name " << other;
      const PatternBuild ex = buildExclusionPattern({name}, "", ctx);
      ASSERT_TRUE(ex.ok()) << name;
      const NamePattern px(ex.text, foldCase);
      for (const std::string& other : folder)
        EXPECT_EQ(px.matches(other), other != name) << "pattern " << ex.text << " name " << other;
    }
  }
}

struct ClickCase {
  const char* label;
  const char* name;
  const char* box;
  bool panelShown;
  const char* expected;
};

class DoubleClickTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(DoubleClickTest, Pattern) {
  const ClickCase& c = GetParam();
  const PatternBuild b = buildDoubleClickPattern(c.name, c.box, c.panelShown, {});
  ASSERT_TRUE(b.ok());
  EXPECT_EQ(b.text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DoubleClickTest,
    ::testing::Values(ClickCase{"FirstClickName", "a.txt", "*", true, "a.txt"},
                      ClickCase{"SecondClickExtension", "a.txt", "A.TXT", true, "*.txt"},
                      ClickCase{"NoExtensionKeepsName", "Makefile", "Makefile", true, "Makefile"},
                      ClickCase{"PanelHiddenExtension", "a.txt", "*", false, "*.txt"},
                      ClickCase{"PanelHiddenNoExtension", "Makefile", "*", false, "Makefile"},
                      ClickCase{"EmptyList", "", "x", true, "*"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(DoubleClickPattern, RefusesInexactName) {
  EXPECT_EQ(buildDoubleClickPattern("a;b.txt", "*", true, {}).refusal, PatternRefusal::NotExact);
  EXPECT_EQ(buildDoubleClickPattern("a.t?t", "a.t?t", true, {}).refusal, PatternRefusal::NotExact);
}

TEST(SplitDroppedPaths, OneFolderOrRefused) {
  DroppedFiles d = splitDroppedPaths({"/x/y/a.txt", "/x/y/b.txt", "/x/y/c"});
  EXPECT_EQ(d.refusal, PatternRefusal::None);
  EXPECT_EQ(d.folder, "/x/y/");
  EXPECT_EQ(d.names, (Names{"a.txt", "b.txt", "c"}));
  d = splitDroppedPaths({"/x/y/a.txt", "/x/z/a.txt"});
  EXPECT_EQ(d.refusal, PatternRefusal::SeveralFolders);
  EXPECT_TRUE(d.names.empty());
}

}  // namespace
}  // namespace mainwin
