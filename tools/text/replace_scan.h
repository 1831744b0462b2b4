// The matcher of the replace tool: replaces every match of a search pattern in a text that arrives
// in pieces (a file's contents) or whole (a name), with the same matches as core::SubstWild
// (literal texts and "?") and core::SubstAst ("*") find in the whole text at once.
//
//   SearchPattern pattern = makeSearchPattern({{"a*b", true}}, PatternKind::AnyRun,
//                                             {.ignoreCase = true, .lineMode = true});
//   ReplaceScanner scan(pattern, makeReplacementText({{"<search-text>!", true}}, true));
//   std::string out;
//   scan.feed(piece1, out);  // out: what is decided so far
//   scan.feed(piece2, out);
//   scan.finish(out);        // the rest; scan.replaced() tells whether anything matched
//
// Input is held back only where a match could still start: the last (pattern length - 1) bytes
// for a literal or "?" pattern; for "*", the text from the start of a match that is still open.
// Replaced text is never looked at again. Two differences from the whole-text routines, both
// bounded by the hold limit (16 MiB by default):
//   - an open "*" match that would hold back more than the limit is given up: the scan passes
//     over the occurrence of its first part that opened it (a leading "*" gives up the text
//     before that occurrence instead, as if a line started there);
//   - a trailing "*" needs nothing held: the replacement is written as soon as the match starts
//     and the matched text streams through (with more than one "<search-text>" in the
//     replacement it is held like any other open match).
// Search-text pieces that came from tag values are literal: their "?" and "*" match themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools::text {

// One piece of a text after its tags are filled in: what the user typed, or the value put in for a
// tag (a name, a folder), which is never read as a wildcard or a tag.
struct TextPiece {
  std::string text{};
  bool typed = true;
};
using PieceList = std::vector<TextPiece>;

// How the typed wildcards of a search text act.
enum class PatternKind {
  Literal,  // no wildcard: the text as it stands
  AnyChar,  // "?" is any one character (a valid UTF-8 sequence, else one byte)
  AnyRun,   // "*" is any run of characters
};

struct PatternOptions {
  bool ignoreCase = false;  // compare through vb::LCase
  bool lineMode = false;    // AnyRun: a "*" does not run over a line break (LF, with a CR before it)
};

// A search text ready to match.
struct SearchPattern {
  struct Token {
    std::string literal{};   // folded when ignoreCase
    bool anyChar = false;  // a "?" (literal empty)
  };
  PatternKind kind = PatternKind::Literal;
  PatternOptions options{};
  // Literal: one literal. AnyChar: literals and "?" in order. AnyRun: the literal parts between
  // the stars ("**" counts as one "*").
  std::vector<Token> tokens{};
  bool leadStar = false, trailStar = false;  // AnyRun

  // True when there is nothing to find: an empty text, or (for AnyChar and AnyRun) no literal
  // text at all, which would match everything.
  [[nodiscard]] bool matchesEverything() const;
  [[nodiscard]] bool empty() const;
};

// The pattern of a search text made of pieces: typed "?" (AnyChar) or "*" (AnyRun) act as
// wildcards, everything else is literal.
[[nodiscard]] SearchPattern makeSearchPattern(const PieceList& search, PatternKind kind, PatternOptions options);

// A replacement: literal texts around the places where the matched text goes.
struct ReplacementText {
  std::vector<std::string> literals{std::string()};  // slots() + 1 texts
  [[nodiscard]] std::size_t slots() const { return literals.size() - 1; }
  void appendTo(std::string& out, std::string_view matched) const;
};

// With matchedTag, each "<search-text>" (in any letter case) that the user typed stands for the
// matched text; tag values and everything else are literal.
[[nodiscard]] ReplacementText makeReplacementText(const PieceList& replacement, bool matchedTag);

class ReplaceScanner {
 public:
  static constexpr std::size_t kDefaultHoldLimit = std::size_t{16} << 20;

  ReplaceScanner(SearchPattern pattern, ReplacementText replacement,
                 std::size_t holdLimit = kDefaultHoldLimit);

  // Starts a new text.
  void reset();
  // The next bytes of the text: appends to out what is decided (the text with its replacements up
  // to the first byte that could still belong to a match).
  void feed(std::string_view in, std::string& out);
  // The end of the text: appends the rest.
  void finish(std::string& out);
  // Whether anything was replaced since reset().
  [[nodiscard]] bool replaced() const { return replaced_; }
  // Whether the hold limit gave an open "*" match up (or cut a line) since reset(): a match
  // longer than the limit may have been left unreplaced.
  [[nodiscard]] bool heldTooLong() const { return heldTooLong_; }
  // Bytes held back now (tests).
  [[nodiscard]] std::size_t held() const { return buf_.size(); }

  // ---- implementation details past this point ----

  // A search in the visible text that remembers what it found, so that the stretches already
  // searched are not searched again as the text grows and the start positions move on.
  class Finder {
   public:
    enum class Result { Found, NotYet, Never };
    explicit Finder(std::string needle = {}) : needle_(std::move(needle)) {}
    // First occurrence at or after start in hay. Found: at pos. NotYet: none in hay (pos: the
    // first place one could still start). Never: none, and the text is complete.
    Result find(std::string_view hay, std::size_t start, bool complete, std::size_t& pos);
    void shift(std::size_t k);
    void forget() { valid_ = false; }
    [[nodiscard]] std::size_t size() const { return needle_.size(); }

   private:
    std::string needle_;
    std::size_t from_ = 0, at_ = 0, clearTo_ = 0;
    bool valid_ = false, found_ = false;
  };

 private:
  enum class Fit { Yes, No, More };
  // Where an AnyRun pass stopped without deciding, for the hold limit.
  struct Open {
    bool haveFirst = false;  // the first part was found at first
    std::size_t first = 0;   // else: the first place it could still start
  };

  void refold();
  void run(std::string& out);
  void consume(std::size_t c);
  [[nodiscard]] std::string_view hay() const;
  [[nodiscard]] std::string_view text() const { return std::string_view(buf_).substr(0, limit_); }
  [[nodiscard]] bool atLineStart(std::size_t c) const;

  void copyTo(std::size_t& c, std::size_t to, std::string& out) const;
  void replaceRange(std::size_t& c, std::size_t start, std::size_t end, std::string& out);

  std::size_t passLiteral(std::string& out);
  std::size_t passAnyChar(std::string& out);
  [[nodiscard]] Fit fitsAt(std::size_t w, std::size_t& end) const;
  std::size_t passAnyRun(std::string& out);
  std::size_t passOnlyStars(std::size_t c, std::string& out);
  // Stops an AnyRun pass undecided: writes what can no longer change; false when the hold limit
  // then made it give the open match up (the pass goes on).
  bool stopOpen(std::size_t& c, std::size_t& s, const Open& open, std::string& out);

  // A match whose end is the line end (or the text end) streams its matched text through.
  void beginStream(std::size_t& c, std::size_t start, std::size_t lineFrom, bool toLineEnd, std::string& out);
  // True when the streamed match ended (c after it); false while it goes on (all input taken).
  bool continueStream(std::size_t& c, std::string& out);
  void streamMatched(std::size_t& c, std::size_t to, std::string& out) const;

  SearchPattern pat_;
  ReplacementText repl_;
  std::size_t holdLimit_;
  std::size_t lead_ = 0;     // AnyChar: "?" before the first literal
  std::size_t anchor_ = 0;   // AnyChar: index of the first literal token (tokens.size(): none)
  std::size_t maxBack_ = 0;  // AnyChar: most bytes the leading "?" can take

  std::string buf_, fold_;  // the held text (from the cursor) and its folded copy up to limit_
  std::size_t limit_ = 0;   // what can be searched: all but a UTF-8 sequence still incomplete
  std::uint64_t base_ = 0;  // offset of buf_[0] in the whole text
  bool complete_ = false;   // finish() was called
  bool replaced_ = false;
  bool heldTooLong_ = false;
  std::size_t from_ = 0;    // where the next search for the first literal starts
  bool prevLf_ = false;     // the byte before buf_ ends a line (or the hold limit cut a line there)
  bool lfBefore_ = false;   // a line feed lies somewhere before buf_
  std::size_t virtualLineStart_ = std::string::npos;  // a cut the hold limit made in a long line

  std::vector<Finder> partFind_;  // per literal token
  std::vector<Finder> lfFind_;    // AnyRun: line feed after each part
  Finder lineEnd_{"\n"};

  struct Stream {
    bool active = false;
    bool toLineEnd = false;
    std::uint64_t lineFrom = 0;  // where the search for the line end started (whole-text offset)
  } stream_;
};

// Replaces in a whole text (a name): the new text, or nullopt when nothing matched.
[[nodiscard]] std::optional<std::string> replaceInText(const SearchPattern& pattern,
                                                       const ReplacementText& replacement, std::string_view text);

}  // namespace tools::text
