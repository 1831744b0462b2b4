// The keyword extractor's options as the window holds them, and their preparation for a run:
// the cleaned valid characters, the length bounds, the common words, the pattern and its checks.
// A run starts only from a prepared setup; a pattern the run could not use is refused here, before
// anything is started.
//
//   tools::text::ExtractPlan plan = tools::text::prepareExtract(options, msg);
//   txtAlphaKey->setText(vb::qs(plan.validCharsShown));        // the window shows what is used
//   if (plan.refusal) { respond(..., plan.refusal->text, plan.refusal->title); return; }
//   tools::text::runExtract(pipe, form, plan.setup, msg, walk);
#pragma once

#include "core/message_table.h"
#include "tools/text/extract_chars.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace tools::text {

// A set of words that string views can look up without a copy.
struct WordHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};
using WordSet = std::unordered_set<std::string, WordHash, std::equal_to<>>;

// What the keywords are cut from.
enum class ExtractSource {
  Contents,     // the contents of the files the main window selects
  FileNames,    // their names
  FolderNames,  // the names of the folders below the main window's folder
};

// What goes between two keywords: the separator list's three items.
enum class KeywordSeparator { Blank = 0, LineBreak = 1, Tab = 2 };

// A length limit: its box ticked and the number typed.
struct LengthLimit {
  bool on = false;
  std::string typed{};
};

// The window's options, read from its controls when Start is pressed.
struct ExtractOptions {
  ExtractSource source = ExtractSource::Contents;
  std::string validChars{};   // the characters that may form a word ("" takes the default set)
  KeywordSeparator separator = KeywordSeparator::Blank;
  LengthLimit minLength{};    // words of at least this many characters
  LengthLimit maxLength{};    // words of at most this many characters
  bool excludeCommon = false;
  std::string commonWords{};  // blank- or line-separated
  bool usePattern = false;
  std::string pattern{};      // a Like pattern a word must match
  bool caseSensitive = false;
  bool noRepeats = false;
  bool spaceValid = false;    // the blank belongs to words
  bool combine = false;       // contents: one list for all files
  bool listEmpty = false;     // contents, a list per file: files without keywords too
};

// Words longer than this many characters are dropped, wherever the bounds lie.
inline constexpr int kMaxWordChars = 32767;

// A prepared run: everything the scanner and the report need.
struct ExtractSetup {
  ExtractSource source = ExtractSource::Contents;
  bool lowerCase = true;      // words, pattern and common words compared in lower case
  bool perFile = true;        // contents: a list per file
  bool noRepeats = false;
  bool listEmpty = false;
  std::string separator = " ";
  int lowerBound = 0;         // a word is kept when lowerBound < its length < upperBound
  int upperBound = 32000;
  std::string pattern = "*";  // compared form
  std::string firstRun{}, lastRun{};  // the pattern's first and last literal runs (compared form)
  CharSet valid{};
  WordSet commonWords{};      // compared forms
  std::string heading{};      // the note on the default valid set, or ""
};

// Why a run does not start: the message box's text and title letter.
struct ExtractRefusal {
  std::string text;
  std::string title;
};

struct ExtractPlan {
  std::optional<ExtractRefusal> refusal{};
  ExtractSetup setup{};
  std::string validCharsShown{};  // what the valid-characters box shows from now on
  std::optional<std::string> commonWordsShown{};  // what the common-words box shows, when it is used
};

// The default valid characters: codes 33 to 126 in order ("!" to "~").
[[nodiscard]] std::string fillValidChars();

// The two exclusive length bounds of the options; numbers too large for a 16-bit count are taken
// as 32,767.
struct LengthBounds {
  int lower = 0, upper = 32000;
};
[[nodiscard]] LengthBounds lengthBounds(const LengthLimit& minLength, const LengthLimit& maxLength);

// True when pattern can be used by vb::Like as meant: every "[" has its "]", and no range in a
// list runs downwards ("[z-a]").
[[nodiscard]] bool likePatternWellFormed(std::string_view pattern);

// Prepares a run of the options. Refused (messages of msg): an empty pattern (11), a blank in the
// pattern without spaceValid (22), a pattern character that is neither "*?#![]" nor valid (23),
// a malformed pattern (27). The shown texts are filled whatever the outcome.
[[nodiscard]] ExtractPlan prepareExtract(const ExtractOptions& options, const core::MessageTable& msg);

}  // namespace tools::text
