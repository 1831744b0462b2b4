// The trimmer's contents: which part of a file stays when a number of characters or lines is
// removed from its start or its end, and the transformations that keep that part as the contents
// rewrite (core/contents_rewrite.h) reads the file in pieces.
//
// Units:
//   - a character is a UTF-8 character; a byte that is not part of a valid sequence counts as
//     one character, so ASCII and Windows-1252 text count bytes and a cut never falls inside a
//     UTF-8 character («café» less 1 character at the end is «caf»);
//   - a line break is LF, with a CR just before it counted as part of the same break, so CR LF
//     and LF files are trimmed alike. Removing N lines at the start keeps what follows the N-th
//     break; at the end it keeps what precedes the N-th break from the end (a final break counts).
// A file with fewer characters or breaks than N becomes empty (never "the whole file").
//
// From the start the part to drop is found while copying (TrimStartTransform). From the end it is
// found first by reading pieces backwards from the end (findEndCut), then TrimEndTransform keeps
// the bytes before the cut; it passes the file through unchanged when the file is no longer the
// one that was scanned.
#pragma once

#include "core/contents_rewrite.h"
#include "tools/renaming/trim_names.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tools {

// The window's comDelType, by its item index.
enum class TrimUnit { Characters = 0, Lines = 1 };

struct ContentTrim {
  std::uint64_t count = 0;  // at least 1
  TrimWhere where = TrimWhere::Start;
  TrimUnit unit = TrimUnit::Characters;
};

// Drops count characters or lines from the start, copying everything after them.
class TrimStartTransform : public core::ContentTransform {
 public:
  explicit TrimStartTransform(ContentTrim trim) : trim_(trim) {}
  void begin(std::uint64_t size) override;
  void piece(std::string_view in, std::uint64_t offset, std::string& out) override;
  void finish(std::string& out) override;

 private:
  void skipCharacters(std::string_view text, bool last, std::string& out);

  ContentTrim trim_;
  std::uint64_t remaining_ = 0;  // characters or breaks still to drop
  std::string held_;             // the start of a character the next piece may complete
};

// How the backward scan ended.
enum class ScanEnd { Found, ReadFailed, Cancelled };

struct EndCut {
  ScanEnd end = ScanEnd::Found;
  std::uint64_t keep = 0;  // Found: the bytes before the cut stay
};

// Reads length bytes from the 0-based offset; nullopt when that exact range cannot be read.
using RangeReader = std::function<std::optional<std::string>(std::uint64_t offset, std::uint64_t length)>;

// Where the kept part of a file of size bytes ends when trim (at the end) is applied: reads pieces
// of at most pieceSize bytes (plus the few bytes around each that decide a character or a CR) from
// the end towards the start, only as far as it needs. goOn is asked after each piece; false
// cancels. Holds one piece at a time.
[[nodiscard]] EndCut findEndCut(std::uint64_t size, const ContentTrim& trim, std::uint64_t pieceSize,
                                const RangeReader& read, const std::function<bool()>& goOn);

// Keeps the first keep bytes. stillAsScanned is asked when the rewrite begins the file (which it
// has opened by then): false when the file changed since findEndCut read it; the file then goes
// through unchanged (changed() false) and stale() is true.
class TrimEndTransform : public core::ContentTransform {
 public:
  TrimEndTransform(std::uint64_t keep, std::function<bool()> stillAsScanned)
      : keep_(keep), stillAsScanned_(std::move(stillAsScanned)) {}
  void begin(std::uint64_t size) override;
  void piece(std::string_view in, std::uint64_t offset, std::string& out) override;
  [[nodiscard]] bool changed() const override { return !stale_; }
  [[nodiscard]] bool stale() const { return stale_; }

 private:
  std::uint64_t keep_;
  std::function<bool()> stillAsScanned_;
  bool stale_ = false;
};

}  // namespace tools
