// Searching file contents for the word finder's targets, piece by piece. Ignoring case means what
// vb::LCase means (ASCII letters, letters of valid UTF-8 sequences, Windows-1252 letters for other
// bytes), but no lower-cased copy of the text is made: the search folds bytes as it compares and
// checks the rare candidate with non-ASCII bytes against LCase of a few bytes around it.
//
//   tools::text::ContentMatcher matcher(targets, tools::text::MatchMode::All, /*matchCase=*/false);
//   matcher.begin();
//   for (each piece of the file) if (matcher.feed(piece)) break;  // the file matches
//
// ---- contract ----
// An occurrence is found wherever it lies, also across the edge between two pieces: the matcher
// keeps the last bytes of a piece (the longest target less one) for the next one. Memory beyond
// the pieces themselves is bounded by the targets' lengths. Targets are valid UTF-8 (typed text).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tools::text {

// One target's search in byte text.
class TargetSearcher {
 public:
  // target: not empty; lower-cased (vb::LCase) already when matchCase is false.
  TargetSearcher(std::string target, bool matchCase);

  // The first position p < startsBefore where the target occurs in text, or npos.
  [[nodiscard]] std::size_t find(std::string_view text, std::size_t startsBefore) const;
  [[nodiscard]] std::size_t size() const { return target_.size(); }

  static constexpr std::size_t npos = std::string_view::npos;

  // A test of one text byte: ((byte | orMask) & andMask) == value.
  struct ByteTest {
    std::uint8_t value = 0;
    std::uint8_t orMask = 0;
    std::uint8_t andMask = 0xFF;
  };

 private:
  [[nodiscard]] bool matchesAt(std::string_view text, std::size_t p) const;

  std::string target_;
  std::string targetClasses_;              // the target's bytes as classes
  bool verify_ = false;                    // ignoring case and the target holds non-ASCII bytes
  std::array<std::uint8_t, 256> class_{};  // a text byte's class: itself, its ASCII lower case, or 0x80
  std::array<std::size_t, 256> shift_{};   // how far the window moves after a text byte at its end
  ByteTest first_{}, last_{};              // the target's first and last bytes
};

enum class MatchMode { Any, All };

// Whether one file's contents hold any (or all) of the targets, fed piece by piece.
class ContentMatcher {
 public:
  // targets: not empty, none empty; lower-cased already when matchCase is false.
  ContentMatcher(const std::vector<std::string>& targets, MatchMode mode, bool matchCase);

  // Starts a new file: nothing found, nothing kept.
  void begin();
  // The next piece of the file. True once the file matches (no more pieces are needed).
  bool feed(std::string_view piece);
  [[nodiscard]] bool matched() const { return left_ == 0; }

 private:
  // Looks for every target not found yet in text, at starts before startsBefore.
  void search(std::string_view text, std::size_t startsBefore);
  void keepTail(std::string_view piece);

  std::vector<TargetSearcher> searchers_;
  std::vector<bool> found_;
  std::size_t left_ = 0;
  MatchMode mode_;
  std::size_t keep_ = 0;  // bytes kept from one piece for the next
  std::string carry_;
  std::string seam_;
};

}  // namespace tools::text
