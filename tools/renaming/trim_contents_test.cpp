// Trimming contents: the part kept for characters and lines at both ends (CR LF and LF breaks,
// UTF-8 characters never cut) whatever the piece size, a file with too few becoming empty, and
// the end scan reading only as far back as it needs.
#include "tools/renaming/trim_contents.h"

#include <gtest/gtest.h>

#include <memory>

namespace tools {
namespace {

using W = TrimWhere;
using U = TrimUnit;

RangeReader readerOf(const std::string& text, int* reads = nullptr) {
  return [&text, reads](std::uint64_t offset, std::uint64_t length) -> std::optional<std::string> {
    if (reads) ++*reads;
    if (offset + length > text.size()) return std::nullopt;
    return text.substr(offset, length);
  };
}

// The contents after trim, fed through the transformation as the rewrite feeds a file: pieces of
// piece bytes with their offsets (one empty piece for an empty file), then finish.
std::string trimmed(const std::string& text, const ContentTrim& trim, std::size_t piece) {
  std::unique_ptr<core::ContentTransform> t;
  if (trim.where == W::Start) {
    t = std::make_unique<TrimStartTransform>(trim);
  } else {
    const EndCut cut = findEndCut(text.size(), trim, piece, readerOf(text), [] { return true; });
    EXPECT_EQ(cut.end, ScanEnd::Found);
    t = std::make_unique<TrimEndTransform>(cut.keep, nullptr);
  }
  t->begin(text.size());
  std::string out, part;
  std::size_t offset = 0;
  do {
    part.clear();
    t->piece(std::string_view(text).substr(offset, piece), offset, part);
    out += part;
    offset += piece;
  } while (offset < text.size());
  part.clear();
  t->finish(part);
  return out + part;
}

struct ContentCase {
  const char* label;
  std::string text;
  ContentTrim trim;
  std::string kept;
};

class TrimContentTest : public ::testing::TestWithParam<ContentCase> {};

TEST_P(TrimContentTest, KeepsTheSamePartWhateverThePieces) {
  const ContentCase& c = GetParam();
  for (std::size_t piece : {1, 2, 3, 5, 1000000}) {
    EXPECT_EQ(trimmed(c.text, c.trim, piece), c.kept) << "pieces of " << piece;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Contents, TrimContentTest,
    ::testing::Values(
        // Lines at the end: what precedes the N-th break from the end (a final break counts).
        ContentCase{"lines_end_crlf", "a\r\nb\r\nc", {.count = 1, .where = W::End, .unit = U::Lines}, "a\r\nb"},
        ContentCase{"lines_end_final_break", "a\r\nb\r\n", {.count = 1, .where = W::End, .unit = U::Lines}, "a\r\nb"},
        ContentCase{"lines_end_two", "a\r\nb\r\nc", {.count = 2, .where = W::End, .unit = U::Lines}, "a"},
        ContentCase{"lines_end_lf", "a\nb\nc", {.count = 1, .where = W::End, .unit = U::Lines}, "a\nb"},
        ContentCase{"lines_end_too_few", "a\r\nb\r\nc", {.count = 3, .where = W::End, .unit = U::Lines}, ""},
        ContentCase{"lines_end_lone_cr", "a\rb\nc", {.count = 1, .where = W::End, .unit = U::Lines}, "a\rb"},
        // Lines at the start: what follows the N-th break.
        ContentCase{"lines_start_crlf", "a\r\nb\r\nc", {.count = 2, .where = W::Start, .unit = U::Lines}, "c"},
        ContentCase{"lines_start_lf", "a\nb\nc", {.count = 1, .where = W::Start, .unit = U::Lines}, "b\nc"},
        ContentCase{"lines_start_too_few", "a\r\nb", {.count = 5, .where = W::Start, .unit = U::Lines}, ""},
        ContentCase{"lines_start_lone_cr", "a\rb\nc", {.count = 1, .where = W::Start, .unit = U::Lines}, "c"},
        // Characters: bytes for ASCII and Windows-1252, whole UTF-8 characters otherwise.
        ContentCase{"chars_start", "abcdef", {.count = 3, .where = W::Start}, "def"},
        ContentCase{"chars_end", "abcdef", {.count = 2, .where = W::End}, "abcd"},
        ContentCase{"chars_start_all", "abc", {.count = 3, .where = W::Start}, ""},
        ContentCase{"chars_end_more", "abc", {.count = 9, .where = W::End}, ""},
        ContentCase{"chars_end_utf8", "café", {.count = 1, .where = W::End}, "caf"},
        ContentCase{"chars_start_utf8", "éa€b", {.count = 3, .where = W::Start}, "b"},
        ContentCase{"chars_end_four_bytes", "x\xf0\x9f\x98\x80y", {.count = 2, .where = W::End}, "x"},
        ContentCase{"chars_end_cp1252", "ab\xe9", {.count = 1, .where = W::End}, "ab"},
        ContentCase{"chars_end_stray_continuation", "\xc3\xa9\x80", {.count = 1, .where = W::End}, "\xc3\xa9"},
        ContentCase{"chars_end_broken_sequence", "a\xe2\x82", {.count = 1, .where = W::End}, "a\xe2"},
        ContentCase{"chars_start_broken_sequence", "\xe2\x82\xacX\xe2\x82", {.count = 2, .where = W::Start}, "\xe2\x82"}),
    [](const ::testing::TestParamInfo<ContentCase>& info) { return std::string(info.param.label); });

TEST(FindEndCut, ReadsOnlyAsFarBackAsItNeeds) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\r\n";
  int reads = 0;
  const EndCut cut = findEndCut(text.size(), {.count = 2, .where = W::End, .unit = U::Lines}, 16,
                                readerOf(text, &reads), [] { return true; });
  ASSERT_EQ(cut.end, ScanEnd::Found);
  EXPECT_EQ(text.substr(0, cut.keep) + "\r\nline 99\r\n", text);
  EXPECT_LE(reads, 2);
}

TEST(FindEndCut, StopsOnAFailedReadOrACancel) {
  const std::string text(100, 'a');
  const ContentTrim trim{.count = 1, .where = W::End, .unit = U::Lines};  // never found: reads it all
  int asked = 0;
  EXPECT_EQ(findEndCut(text.size(), trim, 10, readerOf(text), [&] { return ++asked < 3; }).end, ScanEnd::Cancelled);
  EXPECT_EQ(asked, 3);
  const RangeReader failing = [](std::uint64_t, std::uint64_t) { return std::optional<std::string>(); };
  EXPECT_EQ(findEndCut(text.size(), trim, 10, failing, [] { return true; }).end, ScanEnd::ReadFailed);
}

// Sizes and positions are 64-bit: a cut past 4 GB is found where it is (no file needed: the
// reader makes up the bytes, all "a" but two line breaks).
TEST(FindEndCut, FindsACutPastFourGigabytes) {
  const std::uint64_t size = (5ull << 30) + 7, firstBreak = size - (3 << 20) - 3;  // four pieces back
  const RangeReader reader = [&](std::uint64_t offset, std::uint64_t length) -> std::optional<std::string> {
    if (offset + length > size) return std::nullopt;
    std::string bytes(length, 'a');
    for (const std::uint64_t at : {firstBreak, size - 1}) {
      if (at >= offset && at < offset + length) bytes[at - offset] = '\n';
    }
    return bytes;
  };
  const EndCut cut = findEndCut(size, {.count = 2, .where = W::End, .unit = U::Lines}, 1 << 20, reader, [] { return true; });
  ASSERT_EQ(cut.end, ScanEnd::Found);
  EXPECT_EQ(cut.keep, firstBreak);
}

TEST(TrimEndTransform, AFileChangedSinceTheScanGoesThroughUnchanged) {
  TrimEndTransform t(2, [] { return false; });
  t.begin(5);
  std::string out;
  t.piece("abcde", 0, out);
  EXPECT_EQ(out, "abcde");
  EXPECT_TRUE(t.stale());
  EXPECT_FALSE(t.changed());
}

}  // namespace
}  // namespace tools
