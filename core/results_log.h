// A run's report text that spills to numbered files in the temporary folder once it grows past
// 500,000 characters. The log owns its text and its spill file: after a spill the text holds the
// pointer line the results viewer shows ("\r\n" + message 69 + path + "\r\n||") and, below it,
// the log's last lines (message 132, then at most kTailKept characters of whole lines), so that a
// run's count and summary stay in view; later pieces are appended to the file that the log
// remembers, never to a path re-read from the text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace core {

// Numbers of the spill files of one run: tempPath + message 68 + number + ".txt". Shared by every
// log of the run so that no two logs write the same file.
class SpillFiles {
 public:
  // Starts numbering at the first number whose file does not exist in folder.
  void reset(std::string folder, std::string prefix);
  // Claims the next free number (skipping files that exist, which may belong to earlier runs'
  // reports) and returns its path.
  [[nodiscard]] std::string claim();
  [[nodiscard]] int next() const { return next_; }
  [[nodiscard]] std::string pathOf(int number) const;

 private:
  void skipExisting();
  std::string folder_;
  std::string prefix_;
  int next_ = 0;
};

class ResultsLog {
 public:
  // A log longer than this spills on the next append.
  static constexpr std::size_t kSpillThreshold = 500000;
  // Once spilled, pieces are gathered up to this many characters before they go to the file (a
  // run logs a line per file: one file write per line would cost more than a rename does).
  static constexpr std::size_t kSpillBuffer = 65536;
  // After a spill, the text shows up to this many characters of the log's end (whole lines).
  static constexpr std::size_t kTailKept = 4096;

  // Appends piece as it stands (callers add line breaks). When the text is longer than
  // kSpillThreshold, text and piece go to a fresh spill file from spills (created exclusively,
  // never through a symlink; a name taken meanwhile is passed over) and the text becomes the
  // pointer line; once spilled, pieces go to that file, gathered (see kSpillBuffer). A spill that
  // cannot be written keeps the text in memory (it is tried again later): nothing is dropped.
  void append(std::string_view piece, SpillFiles& spills);

  // The text as the results viewer shows it (after a spill: the pointer line and the last lines).
  // Whoever reads it may read the spill file next: what is gathered goes to the file first.
  [[nodiscard]] const std::string& text() const;
  [[nodiscard]] bool spilled() const { return !spillPath_.empty(); }
  // The spill file, complete up to the last piece (what is gathered goes to it first).
  [[nodiscard]] const std::string& spillPath() const {
    flush();
    return spillPath_;
  }
  // Writes the gathered pieces to the spill file (nothing without a spill). Kept in memory when
  // the file refuses them.
  void flush() const;
  [[nodiscard]] bool empty() const { return text_.empty(); }

  // Every piece appended since the last clear, once and in order: the spill file's contents plus
  // what is still held in memory. "" for a spill file that can no longer be read.
  [[nodiscard]] std::string readBack() const;

  // Replaces the whole log by text (a tool that rewrites its report); forgets any spill, after
  // the gathered pieces went to it.
  void assign(std::string text);
  // Empties the log and forgets its spill file (the file itself stays for the results history).
  void clear();

 private:
  // Keeps piece in the end of the log shown after a spill.
  void keepTail(std::string_view piece);

  std::string text_;  // the whole text, or after a spill the pointer line
  std::string spillPath_;
  std::string tail_;  // after a spill: the log's last characters, from a line's start
  mutable std::string shown_;  // after a spill: what text() returns
  mutable bool shownStale_ = true;
  mutable std::string pending_;  // pieces after a spill not yet in the file (gathered, or refused)
};

// The pointer line that names a spill file.
[[nodiscard]] std::string spillPointerLine(std::string_view spillPath);

}  // namespace core
