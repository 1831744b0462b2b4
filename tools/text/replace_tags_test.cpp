// Tags filled in one pass, the input checks with their messages, and the options a stored run and
// the form's choices stand for.
#include "tools/text/replace_checks.h"
#include "tools/text/replace_options.h"
#include "tools/text/replace_tags.h"

#include "core/form_state.h"

#include <gtest/gtest.h>

namespace tools::text {
namespace {

std::string typedMarks(const PieceList& pieces) {
  std::string s;
  for (const auto& p : pieces) s += (p.typed ? "[" : "{") + p.text + (p.typed ? "]" : "}");
  return s;
}

TEST(ReplaceTags, FillsEachTagOnceAndMarksTheValues) {
  const TagValues file = fileTagValues("/home/ann/notes/", "abcdef.txt");
  struct Row {
    const char* text;
    const char* want;  // [typed] {value}
  } rows[] = {
      {"<FileNameNoDotExt>.<FileExtNoDot>", "{abcdef}[.]{txt}"},
      {"<FoldName> in <FilePathNoEndSlash>", "{notes}[ in ]{/home/ann/notes}"},
      {"<CustSubFile;2;3>", "{bcd}"},
      {"<CustSubFile;5;9>", "{ef}"},
      {"<CustSubFile;9;1>x", "[x]"},
      {"<CustSubFile;0;2>x", "[x]"},
      {"<CustSubFold;2;2>", "{ot}"},
      {"<filenamenodotext>", "[<filenamenodotext>]"},  // tags keep their letter case
      {"<CustSubFile;2;3><CustSubFile;x", "{bcd}{bcd}[x]"},  // no ";": the last numbers, the opening alone
      {"<CustSubFile;3;2", "[3;2]"},                    // no ">": start read, length still 0, the opening alone
      {"a<b>c<search-text>", "[a<b>c<search-text>]"},
  };
  for (const Row& r : rows) EXPECT_EQ(typedMarks(substituteTags(r.text, file)), r.want) << r.text;
}

TEST(ReplaceTags, ValuesAreNeverReadAgain) {
  // A file whose base name is itself a tag: filling it must neither loop nor expand it again.
  const TagValues odd = fileTagValues("/d/", "<CustSubFile;1;99>.txt");
  EXPECT_EQ(typedMarks(substituteTags("<FileNameNoDotExt>", odd)), "{<CustSubFile;1;99>}");
  EXPECT_EQ(typedMarks(substituteTags("<CustSubFile;1;99>", odd)), "{<CustSubFile;1;99>}");
  const TagValues self = fileTagValues("/d/", "<FileNameNoDotExt>");
  EXPECT_EQ(joined(substituteTags("<FileNameNoDotExt><FileNameNoDotExt>", self)),
            "<FileNameNoDotExt><FileNameNoDotExt>");
}

TEST(ReplaceTags, SubstringsCountCharactersAndFolderRunsHaveNoBase) {
  const TagValues v = fileTagValues("/d/", "\xC3\xA9t\xC3\xA9.txt");  // "été"
  EXPECT_EQ(joined(substituteTags("<CustSubFile;2;2>", v)), "t\xC3\xA9");
  const TagValues folder = folderTagValues("photos");
  EXPECT_EQ(joined(substituteTags("<FileNameNoDotExt>|<FileExtNoDot>|<FoldName>|<FilePathNoEndSlash>", folder)),
            "||photos|/photos");
  EXPECT_EQ(fileTagValues("/d/", "README").extension, "");
  EXPECT_EQ(fileTagValues("/d/", ".bashrc").base, "");
  EXPECT_EQ(fileTagValues("/d/", ".bashrc").extension, "bashrc");
}

// ------------------------------------------------------------------ checks

struct CheckRow {
  const char* name;
  ReplaceOptions options;
  int message;  // 0: no problem
  int detail = 0;
  InputField focus = InputField::None;
  bool nameNotice = false;
};

TEST(ReplaceChecks, FindTheFirstProblemWithItsMessage) {
  using T = ReplaceTarget;
  using W = WildcardMode;
  const CheckRow rows[] = {
      {"plain", {.search = "a", .replacement = "b"}, 0},
      {"empty search", {.search = "", .replacement = "b"}, kMsgSearchEmpty, 0, InputField::Search},
      {"search empty once tags are filled", {.search = "<FileExtNoDot>", .tags = true}, 0},
      {"only the matched tag", {.search = "a", .replacement = "<search-text>", .tags = true}, kMsgOnlyMatchedTag, 0,
       InputField::Replacement},
      {"same texts, exact case", {.search = "Ab", .replacement = "Ab", .exactCase = true}, kMsgSearchIsReplacement, 0,
       InputField::Replacement},
      {"same texts, any case", {.search = "Ab", .replacement = "Ab"}, 0},
      {"wildcards alone", {.search = "**", .wildcards = W::Star}, kMsgOnlyWildcards, 0, InputField::Search},
      {"question marks alone", {.search = "??", .wildcards = W::Question}, kMsgOnlyWildcards, 0, InputField::Search},
      {"question marks without their mode", {.search = "??", .wildcards = W::Star}, 0},
      {"angle in folder search", {.search = "a<", .target = T::FolderNames}, kMsgAngleInFolder, kMsgTheSearch,
       InputField::Search},
      {"angle in folder replacement", {.search = "a", .replacement = ">", .target = T::FolderNames},
       kMsgAngleInFolder, kMsgTheReplacement, InputField::Replacement},
      {"folder tags filled first", {.search = "<FoldName>", .replacement = "[<search-text>]",
                                     .target = T::FolderNames, .tags = true}, 0},
      {"path tag in file names", {.search = "a", .replacement = "<FilePathNoEndSlash>", .target = T::FileNames},
       kMsgPathInName, kMsgTheReplacement, InputField::Replacement},
      {"slash in a new name", {.search = "a", .replacement = "b/c", .target = T::FileNames}, kMsgTheReplacement, 0,
       InputField::Replacement, true},
      {"line break in a searched name", {.search = "a\nb", .target = T::FileNames}, kMsgTheSearch, 0,
       InputField::Search, true},
      {"Linux names may hold these", {.search = "a:b?", .replacement = "<x>|*", .target = T::FileNames}, 0},
      {"line break in contents", {.search = "a\nb", .replacement = "c\r\n"}, 0},
  };
  for (const CheckRow& r : rows) {
    const auto p = checkReplaceInput(r.options);
    if (r.message == 0) {
      EXPECT_FALSE(p) << r.name;
      continue;
    }
    ASSERT_TRUE(p) << r.name;
    EXPECT_EQ(p->message, r.message) << r.name;
    EXPECT_EQ(p->detail, r.detail) << r.name;
    EXPECT_EQ(p->focus, r.focus) << r.name;
    EXPECT_EQ(p->nameNotice, r.nameNotice) << r.name;
  }
}

TEST(ReplaceChecks, MessagesOfARunListNameTheirRun) {
  const core::MessageTable msg({"1", "2", "3", "4", "Run ", " of ", "7", "8", "Empty!"});
  const auto p = checkReplaceInput({.search = ""});
  ASSERT_TRUE(p);
  EXPECT_EQ(problemText(*p, msg, {.multiRun = true, .runNumber = 4}), "Run 4:\r\nEmpty!");
  EXPECT_EQ(problemText(*p, msg, {.multiRun = false, .runNumber = 4}), "Empty!");
}

TEST(ReplaceChecks, TheQuestionCoversEveryRunOfTheList) {
  std::vector<std::string> texts(40);
  for (int i = 0; i < 40; ++i) texts[static_cast<std::size_t>(i)] = "<" + std::to_string(i + 1) + ">";
  const core::MessageTable msg(texts);
  const ReplaceOptions names{.search = "a", .target = ReplaceTarget::FileNames};
  const ReplaceOptions star{.search = "a*", .target = ReplaceTarget::Contents, .wildcards = WildcardMode::Star};
  const std::string both = confirmationText({names, star}, true, msg);
  EXPECT_EQ(both.find("<32>\r\n\r\n"), 0u);
  EXPECT_NE(both.find("<16>"), std::string::npos);
  const std::string one = confirmationText({names}, false, msg);
  EXPECT_EQ(one.find("<32>"), std::string::npos);
  EXPECT_EQ(one.find("<16>"), std::string::npos);
}

// ------------------------------------------------------------------ options

TEST(ReplaceOptions, AStoredRunReadsBackAsTheFormStoodAndChoosesItsMatcher) {
  const std::string state = core::buildFormState(
      0, {{"txtSearch", "a?c A_Run2A_Data"}, {"txtReplace", "<search-text>!"}, {"optContent", "False"},
          {"optFile", "True"}, {"optFold", "False"}, {"chkCase", "1"}, {"chkWildCards", "1"},
          {"optWildAst", "False"}, {"optWildQuest", "True"}, {"chkSpan", "1"}, {"chkTags", "1"}});
  const auto o = replaceOptionsFromState(state);
  ASSERT_TRUE(o);
  EXPECT_EQ(*o, (ReplaceOptions{.search = "a?c A_Run2A_Data", .replacement = "<search-text>!",
                                .target = ReplaceTarget::FileNames, .exactCase = true,
                                .wildcards = WildcardMode::Question, .spanLines = true, .tags = true}));
  const MatchSetup m = matchSetup(*o);
  EXPECT_EQ(m.kind, PatternKind::AnyChar);
  EXPECT_FALSE(m.pattern.ignoreCase);
  EXPECT_FALSE(m.pattern.lineMode);  // names have no lines
  EXPECT_TRUE(m.matchedTag);

  EXPECT_FALSE(replaceOptionsFromState(core::buildFormState(0, {{"txtSearch", "a"}})));  // no target
  EXPECT_FALSE(replaceOptionsFromState("not a form state"));
}

TEST(ReplaceOptions, TheMatcherFollowsTheWildcardThatActs) {
  struct Row {
    ReplaceOptions o;
    PatternKind kind;
    bool lineMode, matchedTag;
  } rows[] = {
      {{.search = "a*b", .wildcards = WildcardMode::Star}, PatternKind::AnyRun, true, false},
      {{.search = "a*b", .wildcards = WildcardMode::Star, .spanLines = true}, PatternKind::AnyRun, false, false},
      {{.search = "a*b", .wildcards = WildcardMode::Question}, PatternKind::Literal, true, false},
      {{.search = "a?b", .wildcards = WildcardMode::None}, PatternKind::Literal, true, false},
      {{.search = "a*b", .replacement = "<SEARCH-TEXT>", .tags = true}, PatternKind::Literal, true, true},
      {{.search = "a*b", .replacement = "<search-text>", .tags = false}, PatternKind::Literal, true, false},
      {{.search = "a*b", .target = ReplaceTarget::FolderNames, .wildcards = WildcardMode::Star}, PatternKind::AnyRun,
       false, false},
  };
  for (const Row& r : rows) {
    const MatchSetup m = matchSetup(r.o);
    EXPECT_EQ(m.kind, r.kind) << r.o.search;
    EXPECT_EQ(m.pattern.lineMode, r.lineMode) << r.o.search;
    EXPECT_EQ(m.matchedTag, r.matchedTag) << r.o.search;
  }
}

}  // namespace
}  // namespace tools::text
