// Letter-case styles on names and texts: the five styles with their word and sentence rules,
// base and extension apart, UTF-8 characters and Windows-1252 bytes, and contents converted in
// pieces exactly as in one piece.
#include "tools/renaming/case_styles.h"

#include "core/vb.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tools {
namespace {

using S = CaseStyle;

struct NameCase {
  const char* label;
  S name, extension;
  bool folder;
  std::string in, out;
};

class CaseNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(CaseNameTest, ConvertsAsTheStylesSay) {
  const NameCase& c = GetParam();
  EXPECT_EQ(CaseConverter({.name = c.name, .extension = c.extension}).convertName(c.in, c.folder), c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, CaseNameTest,
    ::testing::Values(
        // Every word: the apostrophe continues a word; the hyphen, the blank and digits separate.
        NameCase{"every_word", S::EveryWord, S::Default, true, "the cat's o'neil-smith 2nd", "The Cat's O'neil-Smith 2Nd"},
        NameCase{"every_word_apostrophe", S::EveryWord, S::Default, true, "o'brien", "O'brien"},
        NameCase{"typographic_apostrophe", S::EveryWord, S::Default, true, "o\u2019brien", "O\u2019brien"},
        // Sentence: a capital at the start and after . ! ? (blanks skipped); a digit takes it.
        NameCase{"sentence_digit_takes_capital", S::Sentence, S::Default, true, "1st place. next", "1st place. Next"},
        NameCase{"sentence_after_dot", S::Sentence, S::Default, true, "hello.world", "Hello.World"},
        NameCase{"sentence_blank_after_dot", S::Sentence, S::Default, true, "hello. world", "Hello. World"},
        NameCase{"sentence_one_sentence", S::Sentence, S::Default, true, "HELLO WORLD", "Hello world"},
        NameCase{"sentence_question_marks", S::Sentence, S::Default, true, "why? because! yes", "Why? Because! Yes"},
        // Base and extension apart; the base keeps the dot.
        NameCase{"no_dot_upper", S::Upper, S::Lower, false, "readme", "README"},
        NameCase{"last_dot_splits", S::Lower, S::Upper, false, "a.b.c", "a.b.C"},
        NameCase{"extension_capitalised_alone", S::Lower, S::Sentence, false, "REPORT.FINAL.TXT", "report.final.Txt"},
        NameCase{"default_keeps_capitals", S::Default, S::Lower, false, "McDonald.JPG", "McDonald.jpg"},
        NameCase{"folder_not_split", S::Upper, S::Lower, true, "photos.2024", "PHOTOS.2024"},
        NameCase{"empty", S::EveryWord, S::EveryWord, false, "", ""},
        // The word classes follow the name style: every-word classes for the sentence extension.
        NameCase{"classes_follow_name_style", S::EveryWord, S::Sentence, false, "x.foo bar", "X.Foo Bar"},
        // UTF-8 characters, never their single bytes.
        NameCase{"utf8_every_word", S::EveryWord, S::Lower, false, "élan VITAL.TXT", "Élan Vital.txt"},
        NameCase{"utf8_lower", S::Lower, S::Default, true, "ÉCOLE ÇA", "école ça"},
        NameCase{"utf8_greek_upper", S::Upper, S::Default, true, "σοφία", "ΣΟΦΊΑ"},
        NameCase{"utf8_longer_upper_kept", S::Upper, S::Default, true, "straße", "STRAßE"},
        NameCase{"utf8_sentence_after_letter", S::Sentence, S::Default, true, "über alles. ärger", "Über alles. Ärger"},
        // Letters of Windows-1252 and of Latin scripts beyond its block start words too.
        NameCase{"utf8_s_caron_starts_word", S::EveryWord, S::Default, true, "šárka ŽIŽKA", "Šárka Žižka"},
        NameCase{"cp1252_bytes", S::Upper, S::Default, true, "\xe9t\xe9", "\xc9T\xc9"},
        NameCase{"cp1252_every_word", S::EveryWord, S::Default, true, "\x9a\xe1rka \xe9t\xe9", "\x8a\xe1rka \xc9t\xe9"},
        NameCase{"mixed_utf8_and_cp1252", S::Upper, S::Default, true, "caf\xc3\xa9 \xe9", "CAF\xc3\x89 \xc9"}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.label); });

TEST(CaseText, LineBreaksAndTabsEndAWordOrSentence) {
  EXPECT_EQ(CaseConverter({.name = S::Sentence}).convertText("first line\r\nsecond\tthird"),
            "First line\r\nSecond\tThird");
  EXPECT_EQ(CaseConverter({.name = S::EveryWord}).convertText("a-b\nc_d"), "A-B\nC_D");
}

// Letters of U+00C0..U+00FF take a short way through upper and lower case: each converts as the
// general conversion does, alone and between other characters.
TEST(CaseText, LatinOneLettersConvertAsEveryOtherCharacter) {
  for (int second = 0x80; second <= 0xBF; ++second) {
    const std::string ch = std::string("\xc3") + static_cast<char>(second);
    const std::string text = "a" + ch + "\xe9" + ch + "\xc5\xbe" + ch;
    EXPECT_EQ(CaseConverter({.name = S::Upper}).convertText(text), vb::UCase(text)) << std::hex << second;
    EXPECT_EQ(CaseConverter({.name = S::Lower}).convertText(text), vb::LCase(text)) << std::hex << second;
  }
}

// Every style over a text with multi-byte characters, Windows-1252 bytes and sentence ends, cut
// into two pieces at every byte and into single bytes: always the result of one piece.
TEST(CaseTextStream, PiecesNeverChangeTheResult) {
  const std::string text =
      "élan VITAL. über\xe9 \xe2\x82\xac o'neil?  ÑANDÚ \xf0\x9f\x98\x80x \xc3 end. \xe9t\xe9 ŽIŽKA";
  for (S style : {S::Sentence, S::Upper, S::Lower, S::EveryWord}) {
    const std::string whole = CaseConverter({.name = style}).convertText(text);
    CaseTextStream stream(style);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
      stream.reset();
      std::string out;
      stream.convert(text.substr(0, cut), out);
      stream.convert(text.substr(cut), out);
      stream.finish(out);
      ASSERT_EQ(out, whole) << "style " << static_cast<int>(style) << " cut at " << cut;
    }
    stream.reset();
    std::string out;
    for (char c : text) stream.convert(std::string(1, c), out);
    stream.finish(out);
    EXPECT_EQ(out, whole) << "style " << static_cast<int>(style) << " byte by byte";
  }
}

TEST(CaseTextStream, ASequenceTheTextNeverCompletesIsWindows1252) {
  CaseTextStream stream(S::Upper);
  std::string out;
  stream.convert("ab\xe2\x82", out);
  EXPECT_EQ(out, "AB");  // the next piece may complete it
  stream.finish(out);    // none did: two Windows-1252 characters, "â" and a quote
  EXPECT_EQ(out, "AB\xc2\x82");
}

}  // namespace
}  // namespace tools
