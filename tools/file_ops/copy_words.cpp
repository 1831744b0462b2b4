#include "tools/file_ops/copy_words.h"

#include "core/state.h"
#include "core/vb.h"
#include "platform/sequential_file.h"

#include <algorithm>

namespace tools::file_ops {

namespace {

// Reads up to n bytes; fewer only at the end of the file. 0 or errno.
int readPiece(platform::SequentialFile& file, std::string& out, std::size_t n) {
  out.resize(n);
  std::size_t have = 0;
  while (have < n) {
    std::size_t got = 0;
    if (const int err = file.read(out.data() + have, n - have, got); err != 0) return err;
    if (got == 0) break;
    have += got;
  }
  out.resize(have);
  return 0;
}

}  // namespace

ContentCheck fileHasTargetWords(core::RunItem& item, const std::string& path, const ContentFilter& filter) {
  core::Pipeline& pipe = item.pipe();
  if (pipe.checkFileUsable(path, {.access = core::Access::Read}) == 0) return ContentCheck::Unreadable;
  if (filter.words.empty()) return ContentCheck::Holds;
  platform::SequentialFile file;
  if (file.open(path) != 0) {
    pipe.addResult(core::msgMain(85) + path);
    return ContentCheck::Unreadable;
  }
  std::size_t longest = 0;
  for (const std::string& w : filter.words) longest = std::max(longest, w.size());
  std::vector<bool> found(filter.words.size(), false);
  std::size_t missing = filter.words.size();
  std::string carry, piece;
  const std::size_t pieceSize = static_cast<std::size_t>(std::max<std::uint64_t>(filter.pieceSize, 1));
  for (;;) {
    if (readPiece(file, piece, pieceSize) != 0) {
      pipe.addResult(core::msgMain(85) + path);
      return ContentCheck::Lacks;
    }
    if (piece.empty()) return ContentCheck::Lacks;
    // The end of the previous piece goes in front, so that a word straddling the two is found.
    const std::string whole = carry + piece;
    const std::string text = filter.caseSensitive ? whole : vb::LCase(whole);
    for (std::size_t i = 0; i < filter.words.size(); ++i) {
      if (found[i] || text.find(filter.words[i]) == std::string::npos) continue;
      if (filter.match == WordMatch::Any) return ContentCheck::Holds;
      found[i] = true;
      if (--missing == 0) return ContentCheck::Holds;
    }
    // A word that straddles into the next piece starts within its length less one of the end.
    carry = whole.substr(whole.size() - std::min(longest - 1, whole.size()));
    if (piece.size() < pieceSize) return ContentCheck::Lacks;
    if (item.yieldAndPoll() != core::Poll::GoOn) return ContentCheck::Lacks;
  }
}

}  // namespace tools::file_ops
