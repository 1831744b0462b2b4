// Finding a text in a stream of bytes without regard to letter case, in bounded memory.
// Both sides are lower-cased the way the rest of the program lower-cases text (vb::LCase: ASCII,
// valid UTF-8 sequences whose other case has the same length, Windows-1252 for other bytes), so
// a text typed with capitals finds its lower-case spelling and the other way round. The stream is
// fed in pieces of any size; a match that runs across pieces, or a character whose bytes are split
// between two pieces, is found as if the stream had come in one piece.
//
//   skerrow::CaselessMatcher m("needle");
//   while (!m.found()) {
//     const std::size_t n = readSome(m.pieceBuffer(), m.pieceCapacity());
//     if (n == 0) break;
//     m.take(n);
//   }
//   const bool found = m.finish();
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skerrow {

// Piece size for whole-file searches: large enough that the system calls do not count, small
// enough that a piece is lower-cased and searched while it is still in the cache.
inline constexpr std::size_t kDefaultPieceSize = 256 * 1024;

class CaselessMatcher {
 public:
  // pieceSize: the most bytes one take() accepts (at least 1).
  explicit CaselessMatcher(std::string_view text, std::size_t pieceSize = kDefaultPieceSize);

  // Where the next piece goes, and how many bytes fit there.
  [[nodiscard]] char* pieceBuffer() { return buf_.data() + keep_; }
  [[nodiscard]] std::size_t pieceCapacity() const { return pieceSize_; }
  // Takes the n bytes (n <= pieceCapacity()) just written at pieceBuffer(). True once the text
  // was found; after that, further pieces are ignored.
  bool take(std::size_t n);
  // The end of the stream: searches what was held back for a character that might have continued.
  // True when the text was found anywhere in the stream. An empty text is found in any stream of
  // at least one byte (as a search for nothing finds every non-empty file).
  bool finish();
  [[nodiscard]] bool found() const { return found_; }

 private:
  // Whether buf_[0, end) holds the (ASCII) text, capitals or not.
  [[nodiscard]] bool containsAsciiNeedle(std::size_t end) const;
  // Lower-cases buf_[from, end) in place and returns where it stopped: end, or (unless atEnd) the
  // start of a character whose bytes may not all be there yet.
  std::size_t lowerAll(std::size_t from, std::size_t end, bool atEnd);
  void lowerSequence(std::size_t at, std::size_t len, char32_t cp);
  void search(std::size_t end, bool atEnd);

  std::string needle_;
  bool asciiNeedle_ = true;
  std::size_t pieceSize_;
  std::size_t carry_;      // bytes kept in front of the next piece so a match may straddle pieces
  std::vector<char> buf_;  // [0, lowered_) lower-cased, [lowered_, keep_) raw, then the new piece
  std::size_t lowered_ = 0;
  std::size_t keep_ = 0;
  bool found_ = false;
  bool anyByte_ = false;
  // Lower-case forms of the two- and three-byte characters met so far, by code point (encoded
  // bytes, 0 while not yet computed).
  std::vector<std::uint32_t> lowerOf_;
};

}  // namespace skerrow
