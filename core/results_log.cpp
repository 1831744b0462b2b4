#include "core/results_log.h"

#include "core/file_paths.h"
#include "core/state.h"
#include "platform/fs.h"

#include <cerrno>
#include <utility>

namespace core {
namespace {

// Names a spill may try before it gives up for this append.
constexpr int kSpillTries = 100;

}  // namespace

std::string spillPointerLine(std::string_view spillPath) {
  std::string line = "\r\n";
  line += msgMain(69);
  line += spillPath;
  line += "\r\n||";
  return line;
}

void SpillFiles::reset(std::string folder, std::string prefix) {
  folder_ = std::move(folder);
  prefix_ = std::move(prefix);
  next_ = 0;
  skipExisting();
}

std::string SpillFiles::pathOf(int number) const {
  return folder_ + prefix_ + std::to_string(number) + ".txt";
}

void SpillFiles::skipExisting() {
  while (FileExist(pathOf(next_)) != 0) ++next_;
}

std::string SpillFiles::claim() {
  skipExisting();
  return pathOf(next_++);
}

namespace {

// The end of text that holds at most limit characters and starts a line (or, in one long line,
// a character).
std::string_view lastLines(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t from = text.size() - limit;
  if (text[from - 1] != '\n') {
    const std::size_t lineStart = text.find('\n', from);
    if (lineStart != std::string_view::npos && lineStart + 1 < text.size()) {
      from = lineStart + 1;
    } else {
      while (from < text.size() && (static_cast<unsigned char>(text[from]) & 0xC0) == 0x80) ++from;
    }
  }
  return text.substr(from);
}

}  // namespace

const std::string& ResultsLog::text() const {
  flush();
  if (spillPath_.empty()) return text_;
  if (shownStale_) {
    shown_ = text_ + "\r\n" + msgMain(132) + "\r\n";
    shown_ += lastLines(tail_, kTailKept);
    shownStale_ = false;
  }
  return shown_;
}

void ResultsLog::keepTail(std::string_view piece) {
  tail_ += piece;
  // Cut back now and then, not at every piece: a run appends a piece per file.
  if (tail_.size() > 2 * kTailKept) tail_ = std::string(lastLines(tail_, kTailKept));
  shownStale_ = true;
}

void ResultsLog::append(std::string_view piece, SpillFiles& spills) {
  if (!spillPath_.empty()) {
    keepTail(piece);
    pending_ += piece;
    if (pending_.size() >= kSpillBuffer) flush();
    return;
  }
  text_ += piece;
  // The log spills only once it is already past the threshold, so the piece that pushes it over
  // stays in memory; the one after it carries everything to the file.
  if (text_.size() - piece.size() <= kSpillThreshold) return;
  // Created exclusively and never through a link: a name that turned up between the claim and the
  // creation (another program's file, or a link planted in a shared folder) is passed over.
  for (int tries = 0; tries < kSpillTries; ++tries) {
    const std::string path = spills.claim();
    const int err = platform::writeNewFile(path, text_);
    if (err == EEXIST) continue;
    if (err != 0) return;  // kept in memory; tried again on the next append
    spillPath_ = path;
    tail_.clear();
    keepTail(text_);
    text_ = spillPointerLine(path);
    return;
  }
}

void ResultsLog::flush() const {
  if (spillPath_.empty() || pending_.empty()) return;
  if (platform::appendToFile(spillPath_, pending_) == 0) pending_.clear();
}

std::string ResultsLog::readBack() const {
  if (spillPath_.empty()) return text_;
  platform::ReadResult r = platform::readRange(spillPath_, 0, 0);
  if (r.error != 0) return pending_;
  return r.data + pending_;
}

void ResultsLog::assign(std::string text) {
  flush();
  text_ = std::move(text);
  spillPath_.clear();
  pending_.clear();
  tail_.clear();
  shown_.clear();
  shownStale_ = true;
}

void ResultsLog::clear() { assign({}); }

}  // namespace core
