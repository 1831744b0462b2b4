#include "core/shell_quote.h"
#include "platform/test_temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using core::QuoteError;
using core::ShellContext;
using core::ShellScriptBuilder;

// Names that would run, expand, split or read as options if they reached the shell unquoted.
const std::vector<std::string> kHostile = {
    "$(touch x1)", "`touch x2`", "a'b", "a\"b", "-n", "--help", "$HOME", "${HOME}", "*", "?", "[a]", "a b",
    ";touch x3", "|touch x4", "&touch x5", "a\\b", "\\", "'", "\"", "$", "!x", "~", "#x", "%s", "$((1+2))",
    "{a,b}", ">x6", "<x7", "(x)", "\xFF\xFE bad utf-8", "\xC3\xA9t\xC3\xA9", "EOF", "-", "a)b", "a}b"};

// A template: code before and after the value, and how the value reads in the output.
struct Place {
  const char* name;
  const char* before;
  const char* after;
  bool dashPrefixed;  // the value begins a word: "-x" comes out as "./-x"
  const char* outBefore = "";
  const char* outAfter = "";
};

const std::vector<Place> kPlaces = {
    {"bare", "printf '%s\\n' ", "\n", true},
    {"bareMidWord", "printf '%s\\n' pre", "post\n", false, "pre", "post"},
    {"afterEmptyQuotes", "printf '%s\\n' ''", "\n", true},
    {"doubleQuoted", "printf '%s\\n' \"", "\"\n", true},
    {"doubleQuotedMid", "printf '%s\\n' \"pre ", " post\"\n", false, "pre ", " post"},
    {"singleQuoted", "printf '%s\\n' '", "'\n", true},
    {"assignment", "v=", "; printf '%s\\n' \"$v\"\n", false},
    {"inCommandSub", "printf '%s\\n' \"$(printf '%s' ", ")\"\n", true},
    {"doubleQuotedInCommandSub", "printf '%s\\n' \"$(printf '%s' \"", "\")\"\n", true},
    {"hereDocument", "cat <<EOF\n", "\nEOF\n", false},
    {"hereDocumentLiteral", "cat <<'EOF'\n", "\nEOF\n", false},
    {"hereDocumentTabs", "cat <<-END\n\t", "\n\tEND\n", false},
};

void PrintTo(const Place& p, std::ostream* os) { *os << p.name; }

// /bin/sh and whichever of dash and bash are installed, each once.
std::vector<std::string> availableShells() {
  std::vector<std::string> out;
  QStringList seen;
  for (const char* sh : {"/bin/sh", "/bin/dash", "/bin/bash", "/usr/bin/dash", "/usr/bin/bash"}) {
    const QString real = QFileInfo(QString::fromLatin1(sh)).canonicalFilePath();
    if (real.isEmpty() || seen.contains(real)) continue;
    seen << real;
    out.emplace_back(sh);
  }
  return out;
}

struct ScriptResult {
  std::string out;
  QStringList left;  // files in the working folder after the run, besides the script
};

ScriptResult runScript(const std::string& shell, const std::string& script, const QString& dir) {
  const QString path = dir + QStringLiteral("/job.sh");
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(script.data(), static_cast<qint64>(script.size()));
  f.close();
  QProcess p;
  p.setWorkingDirectory(dir);
  p.start(QString::fromLatin1(shell.c_str()), {path});
  EXPECT_TRUE(p.waitForFinished(20000));
  const QByteArray out = p.readAllStandardOutput();
  QStringList left = QDir(dir).entryList(QDir::Files | QDir::NoDotAndDotDot);
  left.removeAll(QStringLiteral("job.sh"));
  left.removeAll(QStringLiteral("-n"));  // the fixture for the option test
  return {out.toStdString(), left};
}

class ShellQuoting : public ::testing::TestWithParam<Place> {};

TEST_P(ShellQuoting, HostileNamesArriveIntactAndNothingRuns) {
  const Place& place = GetParam();
  platform::testing::TempDir dir;
  ASSERT_TRUE(dir.isValid());
  ShellScriptBuilder job;
  std::string expected;
  for (const std::string& value : kHostile) {
    const auto at = job.checkpoint();
    job.appendCode(place.before);
    const QuoteError e = job.appendValue(value);
    if (e != QuoteError::None) {
      job.rollback(at);
      // Only a value that could close its here-document is refused here.
      EXPECT_EQ(e, QuoteError::EndsHereDocument) << value;
      EXPECT_EQ(value, "EOF");
      continue;
    }
    job.appendCode(place.after);
    const bool prefixed = place.dashPrefixed && value.front() == '-';
    expected += std::string(place.outBefore) + (prefixed ? "./" : "") + value + place.outAfter + "\n";
  }
  ASSERT_TRUE(job.atTopLevel()) << job.text();
  for (const std::string& shell : availableShells()) {
    const ScriptResult run = runScript(shell, job.text(), dir.path());
    EXPECT_EQ(run.out, expected) << shell << "\n" << job.text();
    EXPECT_TRUE(run.left.isEmpty()) << shell << " created " << run.left.join(u' ').toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Places, ShellQuoting, ::testing::ValuesIn(kPlaces),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShellQuote, AnArgumentBeginningWithADashIsNotTakenForAnOption) {
  platform::testing::TempDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile f(dir.path() + QStringLiteral("/-n"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("contents\n");
  f.close();
  const std::optional<std::string> arg = core::shellArgument("-n");
  ASSERT_TRUE(arg);
  EXPECT_EQ(*arg, "'./-n'");
  // Taken for "number the lines", cat would read its input instead and print nothing.
  const ScriptResult run = runScript("/bin/sh", "cat " + *arg + " </dev/null\n", dir.path());
  EXPECT_EQ(run.out, "contents\n");
  EXPECT_EQ(core::shellArgument(""), "''");
}

TEST(ShellQuote, ControlCharactersAreRefusedEverywhere) {
  for (const char* bad : {"line\nbreak", "tab\there", "cr\r", "bell\a", "del\x7F"}) {
    EXPECT_FALSE(core::shellArgument(bad)) << bad;
    for (const ShellContext c : {ShellContext::Bare, ShellContext::DoubleQuoted, ShellContext::Comment,
                                 ShellContext::HereDocumentLiteral})
      EXPECT_EQ(core::quoteForShell(bad, {.context = c}).error, QuoteError::ControlCharacter);
    ShellScriptBuilder job;
    job.appendCode("# ");
    EXPECT_EQ(job.appendValue(bad), QuoteError::ControlCharacter);
    EXPECT_EQ(job.text(), "# ");
  }
}

struct ContextCase {
  const char* name;
  const char* code;
  ShellContext expected;
};

class BuilderContext : public ::testing::TestWithParam<ContextCase> {};

TEST_P(BuilderContext, FollowsTheScript) {
  ShellScriptBuilder job;
  job.appendCode(GetParam().code);
  EXPECT_EQ(job.context(), GetParam().expected) << GetParam().code;
  // A value is refused exactly where the context is unsupported.
  const QuoteError e = job.appendValue("v");
  EXPECT_EQ(e == QuoteError::UnsupportedContext, GetParam().expected == ShellContext::Unsupported);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BuilderContext,
    ::testing::Values(
        ContextCase{"start", "", ShellContext::Bare},
        ContextCase{"openDouble", "echo \"a ", ShellContext::DoubleQuoted},
        ContextCase{"closedDouble", "echo \"a\" ", ShellContext::Bare},
        ContextCase{"escapedQuote", "echo \\\" ", ShellContext::Bare},
        ContextCase{"quoteInDouble", "echo \"a'b ", ShellContext::DoubleQuoted},
        ContextCase{"openSingle", "echo 'a\"b ", ShellContext::SingleQuoted},
        ContextCase{"comment", "echo hi # ", ShellContext::Comment},
        ContextCase{"hashInWord", "echo a#", ShellContext::Bare},
        ContextCase{"afterRedirect", "cat <", ShellContext::Bare},
        ContextCase{"commentEnds", "# it's\necho ", ShellContext::Bare},
        ContextCase{"hereDoc", "cat <<EOF\n", ShellContext::HereDocument},
        ContextCase{"hereDocQuoted", "cat << 'EOF'\n", ShellContext::HereDocumentLiteral},
        ContextCase{"hereDocPartlyQuoted", "cat <<E\"O\"F >out\n", ShellContext::HereDocumentLiteral},
        ContextCase{"hereDocNotYet", "cat <<EOF; echo ", ShellContext::Bare},
        ContextCase{"hereDocQuotesLiteral", "cat <<EOF\nit's \"", ShellContext::HereDocument},
        ContextCase{"hereDocEnded", "cat <<EOF\nx\nEOF\necho ", ShellContext::Bare},
        ContextCase{"hereDocTabsEnded", "cat <<-EOF\n\tx\n\t\tEOF\n", ShellContext::Bare},
        ContextCase{"secondHereDoc", "cat <<A - <<'B'\nx\nA\n", ShellContext::HereDocumentLiteral},
        ContextCase{"commandSubInHereDoc", "cat <<EOF\n$(echo ", ShellContext::Bare},
        ContextCase{"commandSub", "echo \"$(echo ", ShellContext::Bare},
        ContextCase{"parenQuotedInCommandSub", "echo \"$(echo ')' ", ShellContext::Bare},
        ContextCase{"closedCommandSub", "echo \"$(echo a) ", ShellContext::DoubleQuoted},
        ContextCase{"subshellInCommandSub", "x=$( (echo a) ; echo ", ShellContext::Bare},
        ContextCase{"simpleParameter", "echo \"${HOME} ", ShellContext::DoubleQuoted},
        ContextCase{"backtick", "echo `echo ", ShellContext::Unsupported},
        ContextCase{"closedBacktick", "echo `date` ", ShellContext::Bare},
        ContextCase{"parameterWord", "echo ${x:-", ShellContext::Unsupported},
        ContextCase{"arithmetic", "echo $((1+", ShellContext::Unsupported},
        ContextCase{"closedArithmetic", "echo $((1+(2))) ", ShellContext::Bare},
        ContextCase{"afterDollar", "echo $", ShellContext::Unsupported},
        ContextCase{"afterDollarInDouble", "echo \"$", ShellContext::Unsupported},
        ContextCase{"afterBackslash", "echo \\", ShellContext::Unsupported},
        ContextCase{"afterBackslashInHereDoc", "cat <<EOF\n\\", ShellContext::Unsupported},
        ContextCase{"inDelimiter", "cat <<", ShellContext::Unsupported},
        ContextCase{"ansiQuote", "echo $'a", ShellContext::Unsupported},
        ContextCase{"hereString", "cat <<< ", ShellContext::Unsupported},
        ContextCase{"caseInCommandSub", "x=$(case a in a) echo ", ShellContext::Unsupported},
        ContextCase{"caseAtTop", "case a in a) echo ", ShellContext::Bare},
        ContextCase{"singleInDoubleParameter", "echo \"${x:-'}'}\" ", ShellContext::Unsupported}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShellScriptBuilderTest, AValueThatCouldCloseItsHereDocumentIsRefused) {
  struct Case {
    const char* code;
    const char* value;
    QuoteError expected;
  };
  for (const Case& c : {Case{"cat <<EOF\n", "EOF", QuoteError::EndsHereDocument},
                        Case{"cat <<EOF\n", "EO", QuoteError::EndsHereDocument},  // "F" could follow
                        Case{"cat <<EOF\nE", "OF", QuoteError::EndsHereDocument},
                        Case{"cat <<EOF\n", "EOF.txt", QuoteError::None},
                        Case{"cat <<EOF\nx", "EOF", QuoteError::None},
                        Case{"cat <<-EOF\n\t\t", "EOF", QuoteError::EndsHereDocument},
                        Case{"cat <<EOF\n\t", "EOF", QuoteError::None},
                        Case{"cat <<'$x'\n", "$x", QuoteError::EndsHereDocument}}) {
    ShellScriptBuilder job;
    job.appendCode(c.code);
    EXPECT_EQ(job.appendValue(c.value), c.expected) << c.code << c.value;
  }
}

TEST(ShellScriptBuilderTest, TextCanBeTakenInPiecesAndRolledBack) {
  ShellScriptBuilder job;
  job.appendCode("cat <<EOF\n");
  const auto before = job.checkpoint();
  job.appendCode("a ");
  ASSERT_EQ(job.appendValue("$x"), QuoteError::None);
  EXPECT_EQ(job.text(), "cat <<EOF\na \\$x");
  job.rollback(before);
  EXPECT_EQ(job.text(), "cat <<EOF\n");
  EXPECT_EQ(job.takeText(), "cat <<EOF\n");
  EXPECT_EQ(job.context(), ShellContext::HereDocument);  // the state outlives the text
  job.appendCode("EOF\n");
  EXPECT_TRUE(job.atTopLevel());
  EXPECT_EQ(job.text(), "EOF\n");
}

}  // namespace
