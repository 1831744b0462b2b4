#include "core/shell_quote.h"

#include <algorithm>

namespace core {

namespace {

// Longer lines are kept only this far: no here-document delimiter the builder follows is longer.
constexpr std::size_t kLineKept = 4096;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isOperator(char c) { return c == ';' || c == '&' || c == '|' || c == '<' || c == '>' || c == '(' || c == ')'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string replaceQuote(std::string_view v) {
  std::string out;
  out.reserve(v.size() + 2);
  for (const char c : v) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out;
}

std::string escapeEach(std::string_view v, std::string_view special) {
  std::string out;
  out.reserve(v.size() + 2);
  for (const char c : v) {
    if (special.find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

std::string_view withoutLeadingTabs(std::string_view s) {
  const std::size_t i = s.find_first_not_of('\t');
  return i == std::string_view::npos ? std::string_view{} : s.substr(i);
}

}  // namespace

bool holdsControlCharacter(std::string_view value) {
  return std::any_of(value.begin(), value.end(), [](char ch) {
    const auto c = static_cast<unsigned char>(ch);
    return c < 0x20 || c == 0x7F;
  });
}

Quoted quoteForShell(std::string_view value, const QuoteOptions& options) {
  if (holdsControlCharacter(value)) return {.text = {}, .error = QuoteError::ControlCharacter};
  std::string v(value);
  const bool argument = options.context == ShellContext::Bare || options.context == ShellContext::DoubleQuoted ||
                        options.context == ShellContext::SingleQuoted;
  if (argument && options.beginsWord && !v.empty() && v.front() == '-') v.insert(0, "./");
  switch (options.context) {
    case ShellContext::Bare:
      return {.text = v.empty() ? std::string() : "'" + replaceQuote(v) + "'"};
    case ShellContext::SingleQuoted:
      return {.text = replaceQuote(v)};
    case ShellContext::DoubleQuoted:
      return {.text = escapeEach(v, "$`\"\\")};
    case ShellContext::HereDocument:
      return {.text = escapeEach(v, "$`\\")};
    case ShellContext::Comment:
    case ShellContext::HereDocumentLiteral:
      return {.text = v};
    case ShellContext::Unsupported:
      break;
  }
  return {.text = {}, .error = QuoteError::UnsupportedContext};
}

std::optional<std::string> shellArgument(std::string_view value) {
  if (value.empty()) return std::string("''");
  Quoted q = quoteForShell(value, {.context = ShellContext::Bare, .beginsWord = true});
  if (!q.ok()) return std::nullopt;
  return std::move(q.text);
}

// --- builder ---------------------------------------------------------------------------------

ShellScriptBuilder::ShellScriptBuilder() = default;

void ShellScriptBuilder::appendCode(std::string_view code) {
  text_ += code;
  for (const char c : code) state_.feed(c);
}

QuoteError ShellScriptBuilder::appendValue(std::string_view value) {
  if (holdsControlCharacter(value)) return QuoteError::ControlCharacter;
  if (value.empty()) return QuoteError::None;  // writes nothing, changes nothing
  State probe = state_;
  // A redirection "<" or an opened "$(" is decided by any character but "(": a value is one.
  if (probe.pending == Pending::Less) {
    probe.pending = Pending::None;
  } else if (probe.pending == Pending::DollarParen) {
    probe.pending = Pending::None;
    probe.push(FrameKind::CommandSub);
  }
  const ShellContext ctx = probe.context();
  const Quoted q = quoteForShell(value, {.context = ctx, .beginsWord = probe.beginsWord()});
  if (!q.ok()) return q.error;
  if (const Frame* here = probe.hereBody()) {
    // A line that could still become the closing delimiter must not depend on a name.
    const std::string line = probe.line + q.text;
    const std::string_view seen = here->body.stripTabs ? withoutLeadingTabs(line) : std::string_view(line);
    if (here->body.delimiter.compare(0, seen.size(), seen) == 0 && seen.size() <= here->body.delimiter.size())
      return QuoteError::EndsHereDocument;
  }
  const std::size_t depth = probe.frames.size();
  const FrameKind kind = probe.frames.back().kind;
  for (const char c : q.text) probe.feed(c);
  // The written value must leave the script where it found it; anything else is a fault of ours,
  // and refusing is the safe answer.
  if (probe.lost || probe.pending != Pending::None || probe.frames.size() != depth || probe.frames.back().kind != kind ||
      probe.context() != ctx)
    return QuoteError::UnsupportedContext;
  state_ = std::move(probe);
  text_ += q.text;
  return QuoteError::None;
}

ShellContext ShellScriptBuilder::context() const { return state_.context(); }

bool ShellScriptBuilder::atTopLevel() const {
  return !state_.lost && state_.pending == Pending::None && state_.frames.size() == 1 &&
         state_.frames.back().hereDocs.empty();
}

ShellScriptBuilder::Checkpoint ShellScriptBuilder::checkpoint() const { return {text_.size(), state_}; }

void ShellScriptBuilder::rollback(const Checkpoint& at) {
  if (at.size <= text_.size()) text_.resize(at.size);
  state_ = at.state;
}

std::string ShellScriptBuilder::takeText() {
  std::string out = std::move(text_);
  text_.clear();
  return out;
}

// --- the lexer ---------------------------------------------------------------------------------

bool ShellScriptBuilder::State::has(FrameKind kind) const {
  return std::any_of(frames.begin(), frames.end(), [kind](const Frame& f) { return f.kind == kind; });
}

const ShellScriptBuilder::Frame* ShellScriptBuilder::State::hereBody() const {
  for (auto it = frames.rbegin(); it != frames.rend(); ++it)
    if (it->kind == FrameKind::HereBody) return &*it;
  return nullptr;
}

ShellContext ShellScriptBuilder::State::context() const {
  if (lost || has(FrameKind::Parameter) || has(FrameKind::Backtick) || has(FrameKind::Arithmetic))
    return ShellContext::Unsupported;
  switch (pending) {
    case Pending::None:
    case Pending::Less:
      break;
    case Pending::DollarParen:
      return ShellContext::Bare;
    default:
      return ShellContext::Unsupported;  // after "\" or "$", or in a delimiter
  }
  switch (frames.back().kind) {
    case FrameKind::Code:
    case FrameKind::CommandSub: return ShellContext::Bare;
    case FrameKind::DoubleQuote: return ShellContext::DoubleQuoted;
    case FrameKind::SingleQuote: return ShellContext::SingleQuoted;
    case FrameKind::Comment: return ShellContext::Comment;
    case FrameKind::HereBody:
      return frames.back().body.literal ? ShellContext::HereDocumentLiteral : ShellContext::HereDocument;
    default: return ShellContext::Unsupported;
  }
}

bool ShellScriptBuilder::State::beginsWord() const {
  const Frame& f = frames.back();
  switch (f.kind) {
    case FrameKind::Code:
    case FrameKind::CommandSub: return f.wordEmpty;
    case FrameKind::DoubleQuote:
    case FrameKind::SingleQuote: return f.startsWord;
    default: return false;
  }
}

void ShellScriptBuilder::State::push(FrameKind kind) {
  Frame f;
  f.kind = kind;
  if (kind == FrameKind::DoubleQuote || kind == FrameKind::SingleQuote) {
    const Frame& below = frames.back();
    f.startsWord = (below.kind == FrameKind::Code || below.kind == FrameKind::CommandSub) && below.wordEmpty;
  }
  frames.push_back(std::move(f));
}

void ShellScriptBuilder::State::pop() {
  if (frames.size() <= 1) {
    lost = true;
    return;
  }
  if (!frames.back().hereDocs.empty()) lost = true;  // "$(cat <<E)": bodies that can never start
  frames.pop_back();
}

// A character that belongs to the current word of the code frame beneath any quote.
void ShellScriptBuilder::State::content() {
  for (auto it = frames.rbegin(); it != frames.rend(); ++it) {
    if (it->kind == FrameKind::DoubleQuote || it->kind == FrameKind::SingleQuote) {
      it->startsWord = false;
      continue;
    }
    if (it->kind == FrameKind::Code || it->kind == FrameKind::CommandSub) {
      it->wordOpen = true;
      it->wordEmpty = false;
    }
    return;
  }
}

void ShellScriptBuilder::State::endWord(Frame& f) {
  // "case ... in a) ..." inside "$(...)" has a ")" that does not close it: too much to follow.
  if (f.plainWord == "case" && has(FrameKind::CommandSub)) lost = true;
  f.wordOpen = false;
  f.wordEmpty = true;
  f.plainWord.clear();
}

void ShellScriptBuilder::State::startHereBody() {
  Frame& code = frames.back();
  if (code.hereDocs.empty()) return;
  Frame body;
  body.kind = FrameKind::HereBody;
  body.body = code.hereDocs.front();
  code.hereDocs.erase(code.hereDocs.begin());
  frames.push_back(std::move(body));
}

void ShellScriptBuilder::State::feed(char c) {
  if (lost) return;
  if (c != '\n' && line.size() < kLineKept) line += c;
  if (pending == Pending::HereDelim) {
    if (feedHereDelim(c)) return;
  } else if (pending != Pending::None && resolvePending(c)) {
    return;
  }
  if (lost) return;
  if (c == '\n') {
    const bool done = newlineInHereBody();
    line.clear();
    if (done || lost) return;
  }
  switch (frames.back().kind) {
    case FrameKind::Code:
    case FrameKind::CommandSub: feedCode(c); break;
    case FrameKind::Comment:
      if (c == '\n') {
        pop();
        feedCode(c);
      }
      break;
    default: feedQuoteOrExpansion(c); break;
  }
}

// The line just ended: does it close the innermost here-document? True when the newline is used up.
bool ShellScriptBuilder::State::newlineInHereBody() {
  const Frame* here = hereBody();
  if (here == nullptr) return false;
  const std::string_view seen = here->body.stripTabs ? withoutLeadingTabs(line) : std::string_view(line);
  if (seen == here->body.delimiter) {
    if (&frames.back() != here) {
      lost = true;  // ends inside its own "$(" or quote: the shell would fail here
      return true;
    }
    pop();
    startHereBody();
    return true;
  }
  return frames.back().kind == FrameKind::HereBody;
}

bool ShellScriptBuilder::State::resolvePending(char c) {
  const Pending p = pending;
  pending = Pending::None;
  Frame& f = frames.back();
  const bool code = f.kind == FrameKind::Code || f.kind == FrameKind::CommandSub;
  switch (p) {
    case Pending::Backslash:
      if (f.kind == FrameKind::HereBody && c == '\n') lost = true;  // a continued line: too much to follow
      else if (code && c != '\n') {
        content();
        f.plainWord = "!";
      }
      return true;
    case Pending::Dollar:
      if (c == '(') {
        pending = Pending::DollarParen;
        return true;
      }
      if (c == '{') {
        push(FrameKind::Parameter);
        return true;
      }
      if (c == '\'' && code) lost = true;  // $'...' quotes differently in bash than in dash
      return false;
    case Pending::DollarParen:
      if (c == '(') {
        push(FrameKind::Arithmetic);
        frames.back().depth = 2;
        return true;
      }
      push(FrameKind::CommandSub);
      return false;
    case Pending::Less:
      if (c == '<') {
        pending = Pending::LessLess;
        return true;
      }
      return false;
    case Pending::LessLess:
      if (c == '<' || hereBody() != nullptr) {  // "<<<", or a here-document inside a body
        lost = true;
        return true;
      }
      delim = HereDoc{};
      delimStarted = false;
      delimQuote = 0;
      delimEscape = false;
      pending = Pending::HereDelim;
      if (c == '-') {
        delim.stripTabs = true;
        return true;
      }
      return feedHereDelim(c);
    case Pending::None:
    case Pending::HereDelim: break;
  }
  return false;
}

// One character of a here-document's delimiter word; false when the word ended before it.
bool ShellScriptBuilder::State::feedHereDelim(char c) {
  if (delimEscape) {
    delimEscape = false;
    if (delimQuote == '"' && std::string_view("$`\"\\\n").find(c) == std::string_view::npos) delim.delimiter += '\\';
    delim.delimiter += c;
    return true;
  }
  if (delimQuote == '\'') {
    if (c == '\'') delimQuote = 0;
    else delim.delimiter += c;
    return true;
  }
  if (delimQuote == '"') {
    if (c == '"') delimQuote = 0;
    else if (c == '\\') delimEscape = true;
    else delim.delimiter += c;
    return true;
  }
  if (!delimStarted && isBlank(c)) return true;
  if (c == '\'' || c == '"' || c == '\\') {
    delimStarted = true;
    delim.literal = true;
    if (c == '\\') delimEscape = true;
    else delimQuote = c;
    return true;
  }
  if (isBlank(c) || c == '\n' || isOperator(c)) {
    pending = Pending::None;
    if (!delimStarted || delim.delimiter.size() >= kLineKept) {
      lost = true;
      return true;
    }
    frames.back().hereDocs.push_back(delim);
    return false;
  }
  delimStarted = true;
  delim.delimiter += c;
  return true;
}

void ShellScriptBuilder::State::feedCode(char c) {
  Frame& f = frames.back();
  switch (c) {
    case '\\':
      pending = Pending::Backslash;
      return;
    case '\'':
    case '"':
      f.wordOpen = true;
      f.plainWord = "!";
      push(c == '"' ? FrameKind::DoubleQuote : FrameKind::SingleQuote);
      return;
    case '`':
      content();
      f.plainWord = "!";
      push(FrameKind::Backtick);
      return;
    case '$':
      content();
      f.plainWord = "!";
      pending = Pending::Dollar;
      return;
    case '#':
      if (!f.wordOpen) {
        push(FrameKind::Comment);
        return;
      }
      break;
    case ' ':
    case '\t':
    case ';':
    case '&':
    case '|':
    case '>':
      endWord(f);
      return;
    case '\n':
      endWord(f);
      startHereBody();
      return;
    case '<':
      endWord(f);
      pending = Pending::Less;
      return;
    case '(':
      endWord(f);
      ++f.depth;
      return;
    case ')':
      endWord(f);
      if (f.depth > 0) --f.depth;
      else if (f.kind == FrameKind::CommandSub) pop();
      return;
    default:
      break;
  }
  content();
  if (isLetter(c) && f.plainWord != "!" && f.plainWord.size() < 8) f.plainWord += c;
  else f.plainWord = "!";
}

void ShellScriptBuilder::State::feedQuoteOrExpansion(char c) {
  Frame& f = frames.back();
  switch (f.kind) {
    case FrameKind::SingleQuote:
      if (c == '\'') pop();
      else content();
      return;
    case FrameKind::DoubleQuote:
      if (c == '"') {
        pop();
        return;
      }
      content();
      if (c == '\\') pending = Pending::Backslash;
      else if (c == '$') pending = Pending::Dollar;
      else if (c == '`') push(FrameKind::Backtick);
      return;
    case FrameKind::Backtick:
      if (c == '\\') pending = Pending::Backslash;
      else if (c == '`') pop();
      return;
    case FrameKind::Parameter:
      if (c == '}') pop();
      else if (c == '\\') pending = Pending::Backslash;
      else if (c == '$') pending = Pending::Dollar;
      else if (c == '`') push(FrameKind::Backtick);
      else if (c == '"') push(FrameKind::DoubleQuote);
      else if (c == '\'') {
        // Inside "${...}" shells disagree on what a single quote is.
        if (has(FrameKind::DoubleQuote)) lost = true;
        else push(FrameKind::SingleQuote);
      }
      return;
    case FrameKind::Arithmetic:
      if (c == '(') ++f.depth;
      else if (c == ')' && --f.depth == 0) pop();
      return;
    case FrameKind::HereBody:
      if (f.body.literal) return;
      if (c == '\\') pending = Pending::Backslash;
      else if (c == '$') pending = Pending::Dollar;
      else if (c == '`') push(FrameKind::Backtick);
      return;
    default:
      return;
  }
}

}  // namespace core
