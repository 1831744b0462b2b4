// Replace-all with simple wildcards, as the search-and-replace tool applies it to a file's
// contents or a name: SubstWild ("?" = any one character) and SubstAst ("*" = any run).
// Texts are bytes. A "character" for "?" is one valid UTF-8 sequence of the text, else one byte.
// Ignore-case searches compare a lower-cased copy (vb::LCase, which keeps every byte position)
// and copy everything that lands in the result, the matched text for the tag included, from the
// caller's text at the same positions. Both routines run in time linear in the text for a fixed
// pattern and never loop on an empty pattern.
#pragma once

#include <string>
#include <string_view>

namespace core {

// The tag that, when tagging is on, stands in the replacement for the matched text. Its letters
// are recognised in any case ("<Search-Text>" too), as the tool decides on tagging that way.
inline constexpr std::string_view kSearchTextTag = "<search-text>";

// Characters of byte text s counted from position c on (a valid UTF-8 sequence, else one byte):
// whether position p (p >= c) starts one, and the start of the character that ends just before p
// (p > c, p starting a character).
[[nodiscard]] bool startsChar(std::string_view s, std::size_t p, std::size_t c);
[[nodiscard]] std::size_t prevCharStart(std::string_view s, std::size_t p, std::size_t c);

// 1 when `candidate` matches `pattern` as a whole, else 0. With `wildcard` each "?" of the pattern
// matches exactly one character of the candidate (never none); every other byte must be equal
// ("?" in the candidate is an ordinary character). Without `wildcard`: 1 when both are equal.
[[nodiscard]] int matchWild(std::string_view pattern, std::string_view candidate, bool wildcard);

// Replaces every match of `pattern` in `text`, left to right and without overlaps; after a match
// the search resumes right after it ("?b" -> "R" turns "abb" into "Rb"). With `wildcard` each "?"
// matches one character and matches start only where a character starts; without it, or with
// no "?" in the pattern, the pattern is a plain byte string. With `tag`, each "<search-text>" in
// `replacement` becomes the matched text. A pattern made only of "?" replaces consecutive runs of
// that many characters; a shorter remainder at the end stays.
// Returns 1 and rewrites `text` when something was replaced; else 0 with `text` unchanged (an
// empty text or an empty pattern always gives 0).
int SubstWild(std::string& text, std::string_view pattern, std::string_view replacement,
              bool ignoreCase, bool tag, bool wildcard);

// Replaces every match of `pattern`, where "*" stands for any run of characters (doubled "**" is
// one "*"; "?" is literal). The parts between the stars are found in order, each at its first
// occurrence after the previous one, so the leftmost shortest match is taken. A leading "*"
// extends the match back to the cursor (the end of the previous match, or the text start), a
// trailing "*" forward to the end of the text.
// With `line`, no "*" runs over a line break (LF, a CR before it belonging to the break): a
// leading "*" reaches back to the start of the line holding the first part (on the first line, to
// the cursor); when that line started before the cursor (a match already ended in it), nothing is
// replaced there and the rest of that line is kept as it stands ("x\nab b" with "*b" gives
// "x\nR b"). A trailing "*" reaches to the line end; a part that itself holds a line break still
// matches across it.
// A pattern made only of "*" matches the whole text, or with `line` each non-empty line.
// Returns 1 and rewrites `text` when something was replaced; else 0 with `text` unchanged (an
// empty text or an empty pattern always gives 0).
int SubstAst(std::string& text, std::string_view pattern, std::string_view replacement,
             bool ignoreCase, bool tag, bool line);

}  // namespace core
