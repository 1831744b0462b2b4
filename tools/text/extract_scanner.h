// The keyword extractor's word cutter. It reads a text in as many pieces as the caller likes,
// collects the valid characters into words and judges each word where it ends: it must match the
// pattern (a word that does not is trimmed to the stretch from the first occurrence of the
// pattern's first literal run to the end of the last occurrence of its last one, and tried
// again), lie within the length bounds and not be a common word. A word or a character cut by a piece boundary is kept
// whole; a word longer than kMaxWordChars characters is dropped, so what is carried stays small.
//
//   tools::text::WordScanner scanner(setup, [&](std::string_view spelled, std::string_view compared) {
//     list.add(spelled);       // as found in the text
//   });
//   scanner.feed(piece1);
//   scanner.feed(piece2);      // a word running across the two is one word
//   scanner.endWord();         // the text ends
#pragma once

#include "tools/text/extract_setup.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tools::text {

class WordScanner {
 public:
  // Receives each kept word: its bytes as they stand in the text, and its compared form (the key
  // for repeats).
  using Sink = std::function<void(std::string_view spelled, std::string_view compared)>;

  // setup must outlive the scanner.
  WordScanner(const ExtractSetup& setup, Sink sink);

  // Scans bytes. The bytes of a character cut at the end wait for the next call (or endWord).
  void feed(std::string_view bytes);
  // The text ends here, as at a character that cannot belong to a word: bytes waiting for the
  // rest of their character count as they stand, then the current word is judged.
  void endWord();
  // Forgets the current word and any waiting bytes without judging them.
  void dropWord();
  // Makes character c end words whatever the valid characters say.
  void delimit(char32_t c);

 private:
  void scan(std::string_view bytes);
  void judge(std::string_view spelled, std::string_view compared, std::size_t chars);
  void offer(std::string_view spelled, std::string_view compared, std::size_t chars);

  const ExtractSetup& setup_;
  CharSet valid_;
  Sink sink_;
  bool matchAll_;
  std::string spelled_, compared_;  // the current word
  std::size_t chars_ = 0;
  bool tooLong_ = false;
  std::string waiting_;  // the first bytes of a character cut at the end of the last piece
};

}  // namespace tools::text
