// Batch templates: what is a tag or a date token and what stays shell code, the values of a folder
// and a file, and hostile names in every place a template can put them, proved by running the
// result with sh.
#include "tools/file_ops/batch_template.h"
#include "platform/test_temp_dir.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tools::file_ops {
namespace {

using Kind = TemplatePiece::Kind;

TemplatePiece code(std::string text) {
  TemplatePiece p;
  p.text = std::move(text);
  return p;
}
TemplatePiece tag(BatchTag t) {
  TemplatePiece p;
  p.kind = Kind::Tag;
  p.tag = t;
  return p;
}
TemplatePiece date(core::DateSource s, std::string format) {
  TemplatePiece p;
  p.kind = Kind::Date;
  p.text = std::move(format);
  p.source = s;
  return p;
}

struct ParseRow {
  const char* name;
  const char* text;
  TemplateKind kind;
  ParsedTemplate want;
};

class Parsing : public ::testing::TestWithParam<ParseRow> {};

TEST_P(Parsing, SplitsTagsDatesAndCode) {
  EXPECT_EQ(parseTemplate(GetParam().text, GetParam().kind), GetParam().want);
}

using S = core::DateSource;
constexpr TemplateKind kFile = TemplateKind::File, kFolder = TemplateKind::Folder;

INSTANTIATE_TEST_SUITE_P(
    Templates, Parsing,
    ::testing::Values(
        ParseRow{"redirections_stay_code", "sort <Data.txt >out.txt", kFile, {code("sort <Data.txt >out.txt")}},
        ParseRow{"tags_in_any_case", "mv <MYFILE>.<MyExt> x", kFile,
                 {code("mv "), tag(BatchTag::File), code("."), tag(BatchTag::Ext), code(" x")}},
        ParseRow{"folder_tags_everywhere", "cd <myfold>;<MyDosFold><FOLDNOPATH>", kFolder,
                 {code("cd "), tag(BatchTag::Fold), code(";"), tag(BatchTag::DosFold), tag(BatchTag::FoldNoPath)}},
        ParseRow{"file_tags_not_in_a_folder_template", "<myFile><myDosFile><DM;yy>", kFolder,
                 {code("<myFile><myDosFile><DM;yy>")}},
        ParseRow{"the_four_date_sources", "<DC;a><DM;b><DA;c><DT;d>", kFile,
                 {date(S::Created, "a"), date(S::Modified, "b"), date(S::Accessed, "c"), date(S::Today, "d")}},
        ParseRow{"dates_side_by_side", "<DM;Monthdd><DT;yyyy>", kFile,
                 {date(S::Modified, "Monthdd"), date(S::Today, "yyyy")}},
        ParseRow{"an_empty_format", "<DT;>", kFile, {date(S::Today, "")}},
        ParseRow{"other_letters_and_cases_are_code", "<Dx;yy> <dM;yy> <DM yy> <D> <DM;yy", kFile,
                 {code("<Dx;yy> <dM;yy> <DM yy> <D> <DM;yy")}},
        ParseRow{"a_format_stops_at_a_bracket_or_line_break", "<DM;a<b> <DM;a\nb>", kFile,
                 {code("<DM;a<b> <DM;a\nb>")}},
        ParseRow{"a_tag_after_a_lone_bracket", "a < <myFile>", kFile, {code("a < "), tag(BatchTag::File)}}),
    [](const auto& info) { return std::string(info.param.name); });

// Lines that give a tag to a second shell, which would read the name as code, and lines that do
// not: a shell without -c runs a script file, a line without a tag hands it no name, a comment runs
// nothing.
struct SecondShellRow {
  const char* name;
  const char* line;
  bool found;
};

class SecondShell : public ::testing::TestWithParam<SecondShellRow> {};

TEST_P(SecondShell, FindsTheLinesThatHandATagToASecondShell) {
  const std::vector<SecondShellLine> found = secondShellLines(GetParam().line, TemplateKind::File);
  EXPECT_EQ(!found.empty(), GetParam().found) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Templates, SecondShell,
    ::testing::Values(SecondShellRow{"sh_c", "sh -c 'echo <myFile>'", true},
                      SecondShellRow{"bash_c_in_double_quotes", "bash -c \"cat <myFold>\"", true},
                      SecondShellRow{"a_shell_by_its_path", "find . -exec /bin/sh -c 'rm <myDosFile>' \\;", true},
                      SecondShellRow{"options_together", "x=<myExt>; bash -lc \"echo $x\"", true},
                      SecondShellRow{"eval", "eval echo <myFile>", true},
                      SecondShellRow{"alias", "alias show='ls <myFold>'", true},
                      SecondShellRow{"su_c", "su -c 'rm <myFile>' root", true},
                      SecondShellRow{"su_command", "su root --command 'rm <myFile>'", true},
                      SecondShellRow{"ssh", "ssh backup@host cp <myFold>/<myDosFile> /srv", true},
                      SecondShellRow{"after_a_separator", "true;eval <myFile>", true},
                      SecondShellRow{"a_plain_command", "cp <myDosFile> /tmp/<myFile>.bak", false},
                      SecondShellRow{"a_script_file", "sh ./rename.sh <myDosFile>", false},
                      SecondShellRow{"a_second_shell_without_a_tag", "sh -c 'echo done'", false},
                      SecondShellRow{"a_comment", "  # sh -c 'echo <myFile>'", false},
                      SecondShellRow{"words_that_only_contain_one", "evaluate <myFile> shell", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SecondShell, NamesEachLineByItsNumberAsTyped) {
  const std::string text = "echo start\r\nsh -c 'echo <myFile>'\n\n# eval <myFile>\neval <myFile>\n";
  EXPECT_EQ(secondShellLines(text, TemplateKind::File),
            (std::vector<SecondShellLine>{{2, "sh -c 'echo <myFile>'"}, {5, "eval <myFile>"}}));
  // A folder template knows no file tags: "<myFile>" there is shell code, no name.
  EXPECT_TRUE(secondShellLines("eval <myFile>", TemplateKind::Folder).empty());
  EXPECT_EQ(secondShellLines("eval cd <myFold>", TemplateKind::Folder).size(), 1u);
}

TEST(BatchNames, BaseExtensionAndFolderValues) {
  struct Row {
    const char* name;
    const char* base;
    const char* ext;
  };
  for (const Row& r : {Row{"a.txt", "a", "txt"}, Row{"a", "a", ""}, Row{"a.", "a.", ""}, Row{".profile", "", "profile"},
                       Row{"a.b.c", "a.b", "c"}}) {
    const NameParts p = splitName(r.name);
    EXPECT_EQ(p.base, r.base) << r.name;
    EXPECT_EQ(p.ext, r.ext) << r.name;
  }
  TagValues v = folderValues("/home/u/x/", false);
  EXPECT_EQ(v.fold, "/home/u/x");
  EXPECT_EQ(v.dosFold, "/home/u/x");
  EXPECT_EQ(v.foldNoPath, "x");
  EXPECT_EQ(folderValues("/home/u/x", true).fold, "/home/u/x/");
  // The root is "/" in both templates (never "", which "cd" would take for home).
  v = folderValues("/", false);
  EXPECT_EQ(v.fold, "/");
  EXPECT_EQ(v.foldNoPath, "");
  EXPECT_EQ(fileValues("/", "a.txt").fold, "/");
  v = fileValues("/d/", "r.tar.gz");
  EXPECT_EQ(v.file + "|" + v.ext + "|" + v.dosFile + "|" + v.dosFold, "r.tar|gz|r.tar.gz|/d/");
}

TEST(BatchDates, EachSourceGetsItsOwnStampAndTheFormatIsTheUsers) {
  const auto stamps = [](core::DateSource s) -> std::string {
    switch (s) {
      case S::Modified: return "05/03/2024 07:08:09";
      case S::Created: return "";  // not recorded by the file system
      case S::Accessed: return "31/12/1999 23:59:58";
      case S::Today: break;
    }
    return "01/02/2025 10:11:12";
  };
  core::ShellScriptBuilder job;
  const ParsedTemplate t =
      parseTemplate("echo <DM;yyyy-mo-dd> <DM;HHhh> <DC;[yyyy]> <DA;Month ss> <DT;ddmoyy>\n", kFile);
  ASSERT_EQ(appendTemplate(job, t, fileValues("/x/", "a"), stamps), core::QuoteError::None);
  EXPECT_EQ(job.text(), "echo 2024-03-05 HH07 [] December 58 010225\n");
}

// ---------------------------------------------------------------- hostile names, run with sh

struct ShRun {
  int exit = -1;
  std::string out;
};

// Runs the script with sh in folder; what it printed.
ShRun runSh(const std::string& folder, const std::string& script) {
  const std::string path = folder + "/job.sh";
  std::ofstream(path, std::ios::binary) << script;
  QProcess sh;
  sh.setWorkingDirectory(QString::fromStdString(folder));
  sh.start(QStringLiteral("/bin/sh"), {QString::fromStdString(path)});
  if (!sh.waitForFinished(10000)) return {};
  return {sh.exitCode(), sh.readAllStandardOutput().toStdString()};
}

struct Place {
  const char* name;
  const char* text;  // a file template that prints what it says
  // What it prints for the folder "/f o'l$d/" and name n, or nullptr when the name is refused there.
  std::string (*want)(const std::string& n);
};

std::string path(const std::string& n) { return "/f o'l$d/" + n + "\n"; }
std::string nameOnly(const std::string& n) { return n + "\n"; }
std::string ok(const std::string&) { return "ok\n"; }

const Place kPlaces[] = {
    {"bare", "printf '%s\\n' <myFold><myDosFile>\n", path},
    {"double_quotes", "printf '%s\\n' \"<myFold><myDosFile>\"\n", path},
    {"single_quotes", "printf '%s\\n' '<myFold><myDosFile>'\n", path},
    {"pieces_of_one_word", "printf '%s\\n' <myFold>\"<myFile>\"'.'<myExt>\n", nullptr},
    {"command_substitution", "printf '%s\\n' \"$(printf '%s' <myDosFile>)\"\n", nameOnly},
    {"here_document", "cat <<EOF\n<myDosFile>\nEOF\n", nameOnly},
    {"literal_here_document", "cat <<'EOF'\n<myDosFile>\nEOF\n", nameOnly},
    {"comment", "# <myDosFile>\necho ok\n", ok},
};

const char* const kNames[] = {
    "plain.txt",     "$(touch PWNED).txt", "`touch PWNED`.txt", "a'b\"c\\d.txt", "-n",         "$HOME",
    "* ?.txt",       "<DM;yyyy>.txt",      "<myFile>.txt",      "x;touch PWNED", "  sp  .txt", "ünï.txt",
    "\xff\xfe.bin",  "EOF",                "!x",
};

TEST(BatchHostileNames, EveryPlacePrintsTheNameAndNeverRunsIt) {
  platform::testing::TempDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const std::string dir = tmp.path().toStdString();
  for (const Place& place : kPlaces) {
    for (const char* n : kNames) {
      const std::string name = n;
      core::ShellScriptBuilder job;
      const core::QuoteError e = appendTemplate(job, parseTemplate(place.text, kFile), fileValues("/f o'l$d/", name),
                                                [](core::DateSource) { return std::string("01/01/2000 00:00:00"); });
      const std::string where = std::string(place.name) + " / " + name;
      // A here-document line that would read as its closing word is refused; nothing else is.
      if (name == "EOF" && std::string(place.name).find("here") != std::string::npos) {
        EXPECT_EQ(e, core::QuoteError::EndsHereDocument) << where;
        EXPECT_EQ(job.text(), "") << where;
        continue;
      }
      ASSERT_EQ(e, core::QuoteError::None) << where;
      const ShRun run = runSh(dir, job.text());
      EXPECT_EQ(run.exit, 0) << where << "\n" << job.text();
      std::string want;
      if (place.want) {
        want = place.want(name);
      } else {
        const NameParts p = splitName(name);
        want = "/f o'l$d/" + p.base + "." + p.ext + "\n";
      }
      // A value that begins an argument and starts with "-" is given as "./-n": the same file.
      if (name == "-n" && std::string(place.name) == "command_substitution") want = "./-n\n";
      EXPECT_EQ(run.out, want) << where << "\n" << job.text();
      EXPECT_FALSE(std::filesystem::exists(dir + "/PWNED")) << where << "\n" << job.text();
    }
  }
}

TEST(BatchHostileNames, UnsafePlacesAndControlCharactersAreRefused) {
  struct Row {
    const char* text;
    const char* name;
    core::QuoteError want;
  };
  for (const Row& r : {Row{"echo `ls <myDosFile>`\n", "a.txt", core::QuoteError::UnsupportedContext},
                       Row{"echo ${<myFile>}\n", "a.txt", core::QuoteError::UnsupportedContext},
                       Row{"echo $((<myExt>))\n", "a.1", core::QuoteError::UnsupportedContext},
                       Row{"echo <myDosFile>\n", "new\nline", core::QuoteError::ControlCharacter},
                       Row{"# <myDosFile>\n", "tab\there", core::QuoteError::ControlCharacter},
                       Row{"cat <<'E'\n<myDosFile>\nE\n", "esc\x1b", core::QuoteError::ControlCharacter}}) {
    core::ShellScriptBuilder job;
    job.appendCode("echo before\n");
    EXPECT_EQ(appendTemplate(job, parseTemplate(r.text, kFile), fileValues("/d/", r.name),
                             [](core::DateSource) { return std::string(); }),
              r.want)
        << r.text;
    EXPECT_EQ(job.text(), "echo before\n") << "the refused file's text is taken back whole: " << r.text;
  }
}

}  // namespace
}  // namespace tools::file_ops
