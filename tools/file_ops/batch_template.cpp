#include "tools/file_ops/batch_template.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

namespace tools::file_ops {

namespace {

struct TagSpelling {
  std::string_view text;  // lower case
  BatchTag tag;
  bool folderTag;
};

constexpr std::array<TagSpelling, 6> kTags = {{
    {"<myfold>", BatchTag::Fold, true},
    {"<mydosfold>", BatchTag::DosFold, true},
    {"<foldnopath>", BatchTag::FoldNoPath, true},
    {"<myfile>", BatchTag::File, false},
    {"<myext>", BatchTag::Ext, false},
    {"<mydosfile>", BatchTag::DosFile, false},
}};

bool startsWithCaseless(std::string_view text, std::size_t at, std::string_view lower) {
  if (text.size() - at < lower.size()) return false;
  for (std::size_t i = 0; i < lower.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[at + i])) != lower[i]) return false;
  }
  return true;
}

// The length of the date token at text[at] ("<DM;fmt>"), or 0 when none starts there.
std::size_t dateTokenLength(std::string_view text, std::size_t at) {
  if (text.size() - at < 5 || text[at + 1] != 'D' || text[at + 3] != ';') return 0;
  if (std::string_view("CMAT").find(text[at + 2]) == std::string_view::npos) return 0;
  const std::size_t end = text.find_first_of("<>\n", at + 4);
  if (end == std::string_view::npos || text[end] != '>') return 0;
  return end - at + 1;
}

void appendCode(ParsedTemplate& out, std::string_view code) {
  if (code.empty()) return;
  if (!out.empty() && out.back().kind == TemplatePiece::Kind::Code) {
    out.back().text += code;
  } else {
    out.push_back({.kind = TemplatePiece::Kind::Code, .text = std::string(code)});
  }
}

std::string_view withoutTrailingSlash(std::string_view folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  return folder;
}

const std::string& valueOf(const TagValues& v, BatchTag tag) {
  switch (tag) {
    case BatchTag::Fold: return v.fold;
    case BatchTag::DosFold: return v.dosFold;
    case BatchTag::FoldNoPath: return v.foldNoPath;
    case BatchTag::File: return v.file;
    case BatchTag::Ext: return v.ext;
    case BatchTag::DosFile: break;
  }
  return v.dosFile;
}

// The command words of a line of shell code, each without the folders before it ("/bin/sh" is
// "sh"): the runs of characters between blanks, separators and quotes.
std::vector<std::string_view> commandWords(std::string_view code) {
  constexpr std::string_view kBreaks = " \t;|&()`'\"<>{}$";
  std::vector<std::string_view> words;
  for (std::size_t at = code.find_first_not_of(kBreaks); at != std::string_view::npos;) {
    const std::size_t end = std::min(code.find_first_of(kBreaks, at), code.size());
    std::string_view word = code.substr(at, end - at);
    if (const std::size_t slash = word.rfind('/'); slash != std::string_view::npos && slash + 1 < word.size()) {
      word.remove_prefix(slash + 1);
    }
    words.push_back(word);
    at = end < code.size() ? code.find_first_not_of(kBreaks, end) : std::string_view::npos;
  }
  return words;
}

// "-c", or short options that hold a c ("-ec", "-lc"): the shell's next argument is code.
bool isCommandOption(std::string_view word) {
  return word.size() >= 2 && word[0] == '-' && word[1] != '-' && word.find('c') != std::string_view::npos;
}

// Whether code runs a second shell on text of its own: a shell with -c, su with -c, eval, alias,
// ssh.
bool handsToSecondShell(std::string_view code) {
  constexpr std::array<std::string_view, 6> kShells = {"sh", "bash", "dash", "zsh", "ksh", "ash"};
  const std::vector<std::string_view> words = commandWords(code);
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string_view w = words[i];
    if (w == "eval" || w == "alias" || w == "ssh") return true;
    const bool shell = std::find(kShells.begin(), kShells.end(), w) != kShells.end();
    if (shell || w == "su") {
      for (std::size_t j = i + 1; j < words.size(); ++j) {
        if (isCommandOption(words[j]) || (w == "su" && words[j] == "--command")) return true;
      }
    }
  }
  return false;
}

}  // namespace

std::vector<SecondShellLine> secondShellLines(std::string_view templateText, TemplateKind kind) {
  std::vector<SecondShellLine> out;
  int number = 0;
  for (std::size_t from = 0; from <= templateText.size();) {
    std::size_t end = templateText.find('\n', from);
    if (end == std::string_view::npos) end = templateText.size();
    std::string_view line = templateText.substr(from, end - from);
    if (line.ends_with('\r')) line.remove_suffix(1);
    ++number;
    from = end + 1;
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;  // blank, or a comment
    std::string code;
    bool tagged = false;
    for (const TemplatePiece& p : parseTemplate(line, kind)) {
      if (p.kind == TemplatePiece::Kind::Tag) {
        tagged = true;
        code += ' ';
      } else if (p.kind == TemplatePiece::Kind::Code) {
        code += p.text;
      }
    }
    if (tagged && handsToSecondShell(code)) out.push_back({number, std::string(line)});
  }
  return out;
}

ParsedTemplate parseTemplate(std::string_view text, TemplateKind kind) {
  ParsedTemplate out;
  std::size_t codeFrom = 0;
  std::size_t at = text.find('<');
  while (at != std::string_view::npos) {
    TemplatePiece piece;
    std::size_t length = 0;
    for (const TagSpelling& t : kTags) {
      if ((t.folderTag || kind == TemplateKind::File) && startsWithCaseless(text, at, t.text)) {
        piece = {.kind = TemplatePiece::Kind::Tag, .text = {}, .tag = t.tag};
        length = t.text.size();
        break;
      }
    }
    if (length == 0 && kind == TemplateKind::File) {
      length = dateTokenLength(text, at);
      if (length > 0) {
        piece = {.kind = TemplatePiece::Kind::Date,
                 .text = std::string(text.substr(at + 4, length - 5)),
                 .tag = BatchTag::Fold,
                 .source = core::dateSourceOfLetter(text[at + 2])};
      }
    }
    if (length == 0) {
      at = text.find('<', at + 1);
      continue;
    }
    appendCode(out, text.substr(codeFrom, at - codeFrom));
    out.push_back(std::move(piece));
    codeFrom = at + length;
    at = text.find('<', codeFrom);
  }
  appendCode(out, text.substr(codeFrom));
  return out;
}

bool usesDates(const ParsedTemplate& parsed) {
  return std::any_of(parsed.begin(), parsed.end(),
                     [](const TemplatePiece& p) { return p.kind == TemplatePiece::Kind::Date; });
}

NameParts splitName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == name.size()) return {std::string(name), {}};
  return {std::string(name.substr(0, dot)), std::string(name.substr(dot + 1))};
}

TagValues folderValues(std::string_view folder, bool forFileTemplate) {
  const std::string_view bare = withoutTrailingSlash(folder);
  TagValues v;
  v.fold = std::string(bare);
  if (forFileTemplate && bare != "/") v.fold += '/';
  v.dosFold = v.fold;
  const std::size_t slash = bare.rfind('/');
  v.foldNoPath = bare == "/" ? std::string() : std::string(slash == std::string_view::npos ? bare : bare.substr(slash + 1));
  return v;
}

TagValues fileValues(std::string_view folder, std::string_view name) {
  TagValues v = folderValues(folder, true);
  NameParts parts = splitName(name);
  v.file = std::move(parts.base);
  v.ext = std::move(parts.ext);
  v.dosFile = std::string(name);
  return v;
}

core::QuoteError appendTemplate(core::ShellScriptBuilder& job, const ParsedTemplate& parsed,
                                const TagValues& values, const StampOf& stampOf) {
  const auto before = job.checkpoint();
  for (const TemplatePiece& p : parsed) {
    switch (p.kind) {
      case TemplatePiece::Kind::Code: job.appendCode(p.text); break;
      case TemplatePiece::Kind::Date: job.appendCode(core::formatDateStamp(stampOf(p.source), p.text)); break;
      case TemplatePiece::Kind::Tag:
        if (const core::QuoteError e = job.appendValue(valueOf(values, p.tag)); e != core::QuoteError::None) {
          job.rollback(before);
          return e;
        }
        break;
    }
  }
  return core::QuoteError::None;
}

}  // namespace tools::file_ops
