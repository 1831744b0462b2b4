#include "main_window/edited_name.h"

#include "core/vb.h"

#include <algorithm>
#include <vector>

namespace mainwin {

namespace {

// One character of the shown text and the bytes it stands for.
struct Piece {
  std::size_t byteBegin, byteEnd;
  qsizetype textBegin, textEnd;  // UTF-16 units of the shown text
};

// Length of the valid UTF-8 sequence at s[i] (shortest form, no surrogates, at most U+10FFFF), or
// 0 when the byte there starts none; cp gets the code point.
std::size_t utf8Sequence(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  std::size_t n;
  char32_t min;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2, min = 0x80, cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, min = 0x800, cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, min = 0x10000, cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

// The pieces of name and the text they make, each byte outside valid UTF-8 one U+FFFD.
std::vector<Piece> piecesOf(std::string_view name, QString& text) {
  std::vector<Piece> pieces;
  for (std::size_t i = 0; i < name.size();) {
    char32_t cp = 0;
    std::size_t n = utf8Sequence(name, i, cp);
    if (n == 0) {
      n = 1;
      cp = 0xFFFD;
    }
    const qsizetype at = text.size();
    text += QString::fromUcs4(&cp, 1);
    pieces.push_back({i, i + n, at, text.size()});
    i += n;
  }
  return pieces;
}

}  // namespace

std::optional<std::string> nameAfterEdit(std::string_view oldName, const QString& edited) {
  const QString shown = vb::qpath(oldName);
  if (edited == shown) return std::string(oldName);
  QString text;
  const std::vector<Piece> pieces = piecesOf(oldName, text);
  const bool exact = vb::bpath(shown) == oldName;
  // Pieces that do not spell what the editor showed cannot locate the untouched parts.
  if (text != shown) return exact ? std::optional<std::string>(vb::bpath(edited)) : std::nullopt;

  const qsizetype most = std::min(shown.size(), edited.size());
  qsizetype head = 0;
  while (head < most && shown[head] == edited[head]) ++head;
  qsizetype tail = 0;
  while (tail < most - head && shown[shown.size() - 1 - tail] == edited[edited.size() - 1 - tail]) ++tail;

  // The untouched head and tail, widened to whole pieces (a surrogate pair or a sequence).
  std::size_t headBytes = 0;
  qsizetype headText = 0;
  std::size_t tailBytes = oldName.size();
  qsizetype tailText = shown.size();
  for (const Piece& p : pieces) {
    if (p.textEnd <= head) headBytes = p.byteEnd, headText = p.textEnd;
  }
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
    if (it->textBegin >= shown.size() - tail) tailBytes = it->byteBegin, tailText = it->textBegin;
  }
  const QString middle = edited.mid(headText, edited.size() - headText - (shown.size() - tailText));
  if (!exact && middle.contains(QChar(QChar::ReplacementCharacter))) return std::nullopt;
  return std::string(oldName.substr(0, headBytes)) + vb::bpath(middle) + std::string(oldName.substr(tailBytes));
}

}  // namespace mainwin
