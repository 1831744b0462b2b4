// Target patterns: which patterns may start a run, the shortening of the long handles, and the
// expansion per file as a table of named cases; the preview on a real file.
#include "tools/file_ops/copy_pattern.h"

#include "core/file_test_fixture.h"
#include "platform/fs.h"

#include <gtest/gtest.h>

namespace tools::file_ops {
namespace {

// Fixed stamps: modified 3 March 2024, the birth time not recorded, today 15 August 2025.
std::string stamp(core::DateSource source) {
  switch (source) {
    case core::DateSource::Modified: return "03/03/2024 10:20:30";
    case core::DateSource::Accessed: return "04/05/2024 06:07:08";
    case core::DateSource::Today: return "15/08/2025 21:22:23";
    case core::DateSource::Created: break;
  }
  return "";
}

std::string expand(std::string_view longPattern, std::string_view name, std::string_view folder = "/Docs/") {
  return expandTargetPattern(name, shortenHandles(longPattern), folder, stamp);
}

TEST(CopyPattern, ARunStartsOnlyWithAnAbsoluteFolderOrTheFilesFolder) {
  struct Case {
    std::string_view pattern;
    bool valid;
  };
  for (const Case c : {Case{"/Backup", true}, Case{"<FilePath>/Old", true}, Case{"<filepath><UpOneFolder>", true},
                       Case{"/", false}, Case{"", false}, Case{"<FileName>", false}, Case{"Backup/x", false},
                       Case{"~/Backup", false}, Case{"C:\\Backup", false}, Case{"\\\\server\\share", false},
                       Case{"<FilePat", false}}) {
    EXPECT_EQ(targetPatternValid(c.pattern), c.valid) << c.pattern;
  }
}

TEST(CopyPattern, ThePathBoxLosesOnlyTheCharactersItMayNotHold) {
  EXPECT_EQ(cleanTargetPattern("/a*b?c|d\"e/<FilePath>:\\x"), "/abcde/<FilePath>:\\x");
}

TEST(CopyPattern, LongHandlesBecomeShortCodes) {
  EXPECT_EQ(shortenHandles("<FileName><FileExtension><FilePath><UpOneFolder><FileWord3><CustSub;2;3>"
                           "<Date:File Last Accessed:dd><Date:File Modified:mo><Date:File Created:yy><Date:Today:hh>"),
            "<ofn><ofe><fp><u1><FW3><CS2;3><DAdd><DMmo><DCyy><DThh>");
  EXPECT_EQ(shortenHandles("<filename>"), "<filename>");  // case-sensitive
}

TEST(CopyPattern, ExpandsEachHandlePerFile) {
  struct Case {
    const char* what;
    std::string_view pattern, name, folder, target;
  };
  const Case cases[] = {
      {"extension", "/Backup/<FileExtension>", "report.final.PDF", "/Docs/", "/Backup/PDF"},
      {"file path", "<FilePath>/Old", "a.txt", "/Docs/", "/Docs/Old"},
      {"file path in the root", "<FilePath>/Old", "a.txt", "/", "/Old"},
      {"no extension", "/b/<FileName>x<FileExtension>", "README", "/Docs/", "/b/READMEx"},
      {"dot name", "/b/<FileName>-<FileExtension>", ".profile", "/Docs/", "/b/-profile"},
      {"empty folder entry", "/b/<FileName>/<FileExtension>", "", "/Docs/", "/b//"},
      {"words", "/w/<FileWord1>.<FileWord2>.<FileWord3>.<FileWord4>.<FileWord5>", "My_File2 final-draft3.txt", "/",
       "/w/My.File2.final.draft3"},
      {"no sixth word", "/w/<FileWord6>", "a b c d e f", "/", "/w/<FW6"},
      {"letters beyond a-z end a word", "/w/<FileWord2>", "caf\xc3\xa9" "bar.txt", "/", "/w/bar"},
      {"modified date", "/d/<Date:File Modified:yyyymodd>", "a.txt", "/", "/d/20240303"},
      {"today's month", "/d/<Date:Today:Month yyyy>", "a.txt", "/", "/d/August 2025"},
      {"format words are case-sensitive", "/d/<Date:File Modified:HH-hh>", "a.txt", "/", "/d/HH-10"},
      {"accessed time", "/d/<Date:File Last Accessed:hhmiss>", "a.txt", "/", "/d/060708"},
      {"an unrecorded birth time", "/d/<Date:File Created:yyyy-mo-dd>x<Date:File Created:Month>", "a.txt", "/",
       "/d/--x"},
      {"unclosed date handle", "/d/<Date:Today:dd>/<Date:File Modified:yyyy", "a.txt", "/", "/d/15/yyyy"},
      {"a handle does not reach across a name", "/d/<Date:File Modified:yy<FileName>><Date:Today:dd>", "n.txt", "/",
       "/d/yyndd"},
      {"up one folder", "/a/b/<UpOneFolder>x", "a.txt", "/", "/a/x"},
      {"up from the root", "/<UpOneFolder>", "a.txt", "/", "/"},
      {"up from a name", "/a/b<UpOneFolder>", "a.txt", "/", "/a/"},
      {"up twice from the file's folder", "<FilePath><UpOneFolder><UpOneFolder>c", "a.txt", "/x/y/z/", "/x/c"},
      {"substring", "/s/<CustSub;3;4>", "holiday.jpg", "/", "/s/lida"},
      {"substring cut at the end", "/s/<CustSub;6;10>", "holiday.jpg", "/", "/s/ay"},
      {"substring past the end", "/s/<CustSub;20;3>x", "holiday.jpg", "/", "/s/x"},
      {"substring from 0", "/s/<CustSub;0;3>x", "holiday.jpg", "/", "/s/x"},
      {"negative length", "/s/<CustSub;2;-1>x", "holiday.jpg", "/", "/s/x"},
      {"substring in characters", "/s/<CustSub;2;2>", "\xc3\xa9t\xc3\xa9.txt", "/", "/s/t\xc3\xa9"},
      {"final dot", "/b/<FileName>.<FileExtension>", "name", "/", "/b/name"},
      {"a dot before blanks stays", "/b/<FileName>. ", "name", "/", "/b/name."},
      {"names are never scanned again", "/b/<FileName>", "a>b<ofe><D>.txt", "/", "/b/a>b<ofe><D>"},
      {"nor folders", "<FilePath>/<Date:Today:yyyy>", "a.txt", "/x<DM>y/", "/x<DM>y/2025"},
  };
  for (const Case& c : cases) EXPECT_EQ(expand(c.pattern, c.name, c.folder), c.target) << c.what;
}

using CopyPreview = core::testing::FileFixture;

TEST_F(CopyPreview, ShowsWhereEachSampleGoesWithItsOwnDates) {
  const platform::FileTime written{.sec = 1709461230, .nsec = 0, .known = true};  // 3 March 2024, UTC
  for (const char* name : {"a.txt", "b"}) ASSERT_EQ(platform::setFileTimes(make(name, "x"), nullptr, &written), 0);
  const std::vector<CopyPreviewRow> rows =
      previewTargets(dir_, {"a.txt", "b"}, "<FilePath>/<Date:File Modified:yyyymo>/<FileExtension>", "01/01/2030 00:00:00");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].source, dir_ + "a.txt");
  EXPECT_EQ(rows[0].target, dir_ + "202403/txt/a.txt");
  EXPECT_EQ(rows[1].target, dir_ + "202403/b");  // no extension: no folder for it
  EXPECT_EQ(fileHandleStamp(path("gone"), core::DateSource::Modified, "x"), "");
  EXPECT_EQ(fileHandleStamp(path("gone"), core::DateSource::Today, "x"), "x");
}

}  // namespace
}  // namespace tools::file_ops
