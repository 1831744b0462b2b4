// Letter-case styles of the case changer: the five styles a name, an extension or a file's
// contents can be given, the word-character classes that decide where a word or a sentence
// starts, and the conversion of a name (base and extension apart) or of a run of text.
//
// Texts are bytes. A valid UTF-8 sequence is one character; any other byte is a Windows-1252
// character. Letter case changes keep every byte position (core's vb::LCase / vb::UCase), so a
// converted text is as long as the original.
//
//   const tools::CaseConverter conv({.name = tools::CaseStyle::EveryWord,
//                                    .extension = tools::CaseStyle::Lower});
//   conv.convertName("the cat's o'neil-smith.TXT", false);  // "The Cat's O'neil-Smith.txt"
//
//   tools::CaseTextStream stream(tools::CaseStyle::Sentence);  // file contents, piece by piece
//   std::string out;
//   stream.convert("hello. wor", out);
//   stream.convert("ld", out);
//   stream.finish(out);                                          // "Hello. World"
#pragma once

#include <string>
#include <string_view>

namespace tools {

// The styles, numbered as the window's options optFile1..optFile5 and optExt1..optExt5.
enum class CaseStyle {
  Sentence = 1,   // "Aaa aaa": lower case, the first character of each sentence upper case
  Upper = 2,      // "AAA AAA"
  Lower = 3,      // "aaa aaa"
  Default = 4,    // left as it is
  EveryWord = 5,  // "Aaa Aaa": lower case, the first character of each word upper case
};

// Which characters continue a word (or a sentence). The sentence classes go with the sentence
// name style, the word classes with every other one.
enum class WordClasses {
  Sentence,  // everything from the blank up is part of a sentence, except "." "!" "?"
  Words,     // letters (and their marks) and the apostrophe; blanks, digits, signs separate
};

// The classes a name style uses (for its name, its extension and a file's contents alike).
[[nodiscard]] constexpr WordClasses wordClassesFor(CaseStyle nameStyle) {
  return nameStyle == CaseStyle::Sentence ? WordClasses::Sentence : WordClasses::Words;
}

// Whether the character c (a Unicode code point; a Windows-1252 byte is given as the character it
// stands for) continues a word or sentence under classes. Control characters never do; the
// apostrophe (straight or typographic) always does.
[[nodiscard]] bool isWordCharacter(char32_t c, WordClasses classes);

// Capitalisation across calls: "armed" until the first character of a word or sentence has been
// given its capital. A new text starts armed.
struct CapitalState {
  bool armed = true;
};

// Lower-cases text and gives the first character of each word (sentence: false) or sentence
// (sentence: true) a capital, judging word characters by classes. In sentence mode the blanks
// after "." "!" or "?" keep the text armed. state carries the capitalisation over to the next
// piece of the same text; text must not end inside a UTF-8 sequence that the next piece
// completes (CaseTextStream holds such bytes back).
[[nodiscard]] std::string capitaliseWords(std::string_view text, bool sentence, WordClasses classes,
                                          CapitalState& state);
[[nodiscard]] std::string capitaliseWords(std::string_view text, bool sentence, WordClasses classes);

// A file name's base and extension for the case changer: the extension is what follows the last
// "." (empty without one); the base is the rest and keeps that "." («report.final.» and «TXT»).
struct NameParts {
  std::string_view base, extension;
};
[[nodiscard]] NameParts splitName(std::string_view name);

// The styles chosen in the window.
struct CaseStyles {
  CaseStyle name = CaseStyle::Default;       // the name (and a folder's name, and contents)
  CaseStyle extension = CaseStyle::Default;  // a file name's extension
};

// Applies the styles; stateless, so one converter serves a whole run.
class CaseConverter {
 public:
  explicit CaseConverter(CaseStyles styles) : styles_(styles), classes_(wordClassesFor(styles.name)) {}

  // The name with the name style applied to its base and the extension style to its extension
  // (isFolder: the whole name is the base).
  [[nodiscard]] std::string convertName(std::string_view name, bool isFolder) const;
  // A whole text in the name style (a text of its own: capitalisation starts armed).
  [[nodiscard]] std::string convertText(std::string_view text) const;

  [[nodiscard]] const CaseStyles& styles() const { return styles_; }

 private:
  CaseStyles styles_;
  WordClasses classes_;
};

// One style applied to a text that arrives in pieces (a file's contents): a UTF-8 sequence that a
// piece boundary splits is held back and converted with the next piece, and capitalisation
// carries on across pieces, so the result never depends on where the pieces end.
class CaseTextStream {
 public:
  explicit CaseTextStream(CaseStyle style) : style_(style), classes_(wordClassesFor(style)) {}

  // Starts a new text.
  void reset();
  // Appends the conversion of piece (less any bytes held back) to out.
  void convert(std::string_view piece, std::string& out);
  // Appends the conversion of what is still held back to out.
  void finish(std::string& out);

 private:
  void convertWhole(std::string_view text, std::string& out);

  CaseStyle style_;
  WordClasses classes_;
  CapitalState state_;
  std::string held_;  // the start of a UTF-8 sequence the next piece may complete
};

// ---- implementation details past this point ----

// How many bytes at the end of text begin a UTF-8 sequence that more bytes could still complete
// (0 to 3): a lead byte followed only by continuation bytes, fewer than it announces.
[[nodiscard]] std::size_t incompleteUtf8Tail(std::string_view text);

}  // namespace tools
