// Putting file names into POSIX sh scripts so that no name is ever executed: quoting for the place
// where a value lands, and a script builder that follows the script's own quoting (including
// comments and here-documents) so that each value is quoted for where it actually is.
//
// How a value is written, by context:
//   Bare                 'value' (each ' as '\''); an empty value writes nothing
//   DoubleQuoted         \ before each $ ` " \ ; the surrounding "..." is the script's
//   SingleQuoted         each ' as '\'' ; the surrounding '...' is the script's
//   Comment              as it is (a comment ends only at a line break, which names cannot hold)
//   HereDocument         \ before each $ ` \  (the body of <<WORD, which expands)
//   HereDocumentLiteral  as it is (the body of <<'WORD', which does not)
// Refused, so the caller skips the file with a result line:
//   - a value holding a line break or another control character (bytes 0x01-0x1F, 0x7F);
//   - a value in a place that cannot hold one safely: inside `...`, ${...} or $((...)), right
//     after an unquoted "$" or "\", in a here-document's delimiter, or after something the
//     builder cannot follow (for example "case" inside $(...));
//   - a value that would make its here-document line read as the closing delimiter.
// A value that begins a word (an argument of its own, or the start of one) and begins with "-" is
// written with "./" in front, so that a command cannot take the name for an option: "-n" in
// `cat <myFile>` gives cat './-n'. Only names relative to the script's folder can begin with "-";
// "./" names the same file.
//
// Example, a single argument of a script we write ourselves:
//   if (auto q = core::shellArgument(name)) script += "cat " + *q + "\n"; else skip(name);
//
// Example, a user's template (the batch builder):
//   core::ShellScriptBuilder job;
//   job.appendCode(headText);                     // may open quotes, a here-document ...
//   for (each file) {
//     const auto before = job.checkpoint();
//     for (const auto& piece : parsedTemplate) {
//       if (!piece.isTag) job.appendCode(piece.text);
//       else if (job.appendValue(valueOf(piece)) != core::QuoteError::None) {
//         job.rollback(before); skip the file with a result line; break;
//       }
//     }
//     if (job.text().size() > 20000) writer.append(job.takeText());
//   }
//   job.appendCode(tailText);
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

enum class ShellContext : std::uint8_t {
  Bare,
  DoubleQuoted,
  SingleQuoted,
  Comment,
  HereDocument,
  HereDocumentLiteral,
  Unsupported,  // nothing can be put here safely
};

enum class QuoteError : std::uint8_t {
  None,
  ControlCharacter,    // a line break or another control character
  UnsupportedContext,  // see the list above
  EndsHereDocument,    // the line would read as the here-document's closing delimiter
};

// True when the value holds a byte 0x00-0x1F or 0x7F.
[[nodiscard]] bool holdsControlCharacter(std::string_view value);

struct QuoteOptions {
  ShellContext context = ShellContext::Bare;
  // The value begins a word (see above); only Bare, DoubleQuoted and SingleQuoted use it.
  bool beginsWord = false;
};

struct Quoted {
  std::string text;
  QuoteError error = QuoteError::None;
  [[nodiscard]] bool ok() const { return error == QuoteError::None; }
};

// The value written for context. The here-document checks need the line: use the builder there.
[[nodiscard]] Quoted quoteForShell(std::string_view value, const QuoteOptions& options);

// A value standing alone as one argument, in a script we write ourselves: bare, begins a word.
// "''" for the empty value; nullopt when refused.
[[nodiscard]] std::optional<std::string> shellArgument(std::string_view value);

// Builds a script from code text (the user's or ours, taken as written) and values (file names,
// always quoted for where they land). It follows POSIX sh quoting across calls: single and double
// quotes, backslashes, comments, here-documents (<< and <<-, quoted or not), $(...), `...`, ${...}
// and $((...)).
class ShellScriptBuilder {
 public:
  ShellScriptBuilder();

  void appendCode(std::string_view code);
  // Appends value quoted for the current context; on refusal nothing is appended.
  QuoteError appendValue(std::string_view value);

  [[nodiscard]] ShellContext context() const;
  // True when the script so far ends outside every quote, substitution and here-document.
  [[nodiscard]] bool atTopLevel() const;

  // A point to come back to, e.g. before a file's text, so that a refused value drops the whole
  // text of its file: auto at = job.checkpoint(); ...; if (refused) job.rollback(at);
  struct Checkpoint;
  [[nodiscard]] Checkpoint checkpoint() const;
  void rollback(const Checkpoint& at);

  [[nodiscard]] const std::string& text() const { return text_; }
  // Hands over the text so far (for writing it out in pieces); the quoting state stays.
  [[nodiscard]] std::string takeText();

 private:
  enum class FrameKind : std::uint8_t { Code, CommandSub, DoubleQuote, SingleQuote, Comment, Backtick,
                                        Parameter, Arithmetic, HereBody };
  // A construct at the end of the text that the next character decides.
  enum class Pending : std::uint8_t { None, Backslash, Dollar, DollarParen, Less, LessLess, HereDelim };
  struct HereDoc {
    std::string delimiter;
    bool literal = false;
    bool stripTabs = false;
  };
  struct Frame {
    FrameKind kind = FrameKind::Code;
    int depth = 0;            // Code/CommandSub: open "("; Arithmetic: open parentheses
    bool wordOpen = false;    // Code/CommandSub: a word has begun ...
    bool wordEmpty = true;    // ... and nothing of it is content yet
    bool startsWord = false;  // quotes: opened at the start of a word, nothing inside yet
    std::string plainWord;    // Code/CommandSub: the word so far while it is plain letters
    std::vector<HereDoc> hereDocs;  // Code/CommandSub: bodies that start at the next line break
    HereDoc body;             // HereBody
  };
  // Everything the builder knows of where the text ends; copied to try a value before it is kept.
  struct State {
    std::vector<Frame> frames{Frame{}};
    Pending pending = Pending::None;
    bool lost = false;        // met something it cannot follow: every later value is refused
    std::string line;         // the current line so far (for here-document delimiters)
    HereDoc delim;            // the here-document delimiter being read
    bool delimStarted = false;
    char delimQuote = 0;      // the quote the delimiter word is inside, 0 when none
    bool delimEscape = false;

    void feed(char c);
    [[nodiscard]] ShellContext context() const;
    [[nodiscard]] bool beginsWord() const;
    [[nodiscard]] const Frame* hereBody() const;
    bool resolvePending(char c);
    bool feedHereDelim(char c);
    bool newlineInHereBody();
    void feedCode(char c);
    void feedQuoteOrExpansion(char c);
    void endWord(Frame& f);
    void push(FrameKind kind);
    void pop();
    void content();
    void startHereBody();
    [[nodiscard]] bool has(FrameKind kind) const;
  };

  std::string text_;
  State state_;

 public:
  struct Checkpoint {
    std::size_t size = 0;  // of the text, counted from the last takeText
    State state;
  };
};

}  // namespace core
