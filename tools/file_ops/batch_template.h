// The templates of a batch job and their tags: a template is read once into pieces (the user's
// shell code, tags, date tokens), then each folder or file appends it to the job with its own
// values. Values never pass through the parser again, so a file named "<DM;yyyy>.txt" or
// "<myFile>" keeps its name, and each value is quoted by core::ShellScriptBuilder for the place
// where it lands (inside "...", inside '...', bare, in a comment, in a here-document).
//
// Tags, matched without regard to letter case:
//   <myFold>      the folder's path: without a trailing "/" in a folder template, with one in a file
//                 template ("/" itself for the root either way)
//   <myDosFold>   the same (there are no 8.3 names here)
//   <foldNoPath>  the folder's own name ("" for the root)
//   <myFile>      file templates only: the name without its extension
//   <myExt>       file templates only: the extension without its dot
//   <myDosFile>   file templates only: the whole name
// Date tokens, file templates only: "<D" + C, M, A or T + ";" + format + ">" (case-sensitive, the
// format without "<" or a line break), the format filled from the file's creation, modification or
// access time or the Today stamp (core::formatDateStamp). Anything else that starts with "<" is
// shell code: "sort <Data.txt >out.txt" stays as typed.
//
// Example:
//   const auto file = parseTemplate(core::shortenDateTokens(text, core::DateTokenStyle::Semicolon),
//                                   TemplateKind::File);
//   const auto at = job.checkpoint();
//   if (appendTemplate(job, file, fileValues(folder, name), stampOf) != core::QuoteError::None)
//     job.rollback(at);   // and skip the file with a result line
#pragma once

#include "core/date_tokens.h"
#include "core/shell_quote.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tools::file_ops {

enum class BatchTag : std::uint8_t { Fold, DosFold, FoldNoPath, File, Ext, DosFile };

// Which tags a template knows: a folder template only the three folder tags and no date tokens.
enum class TemplateKind : std::uint8_t { Folder, File };

struct TemplatePiece {
  enum class Kind : std::uint8_t { Code, Tag, Date };
  Kind kind = Kind::Code;
  std::string text{};  // Code: the code as typed; Date: the format
  BatchTag tag = BatchTag::Fold;                         // Tag
  core::DateSource source = core::DateSource::Modified;  // Date
  friend bool operator==(const TemplatePiece&, const TemplatePiece&) = default;
};
using ParsedTemplate = std::vector<TemplatePiece>;

// The template in pieces, in one pass from the start; neighbouring code is one piece.
[[nodiscard]] ParsedTemplate parseTemplate(std::string_view text, TemplateKind kind);
[[nodiscard]] bool usesDates(const ParsedTemplate& parsed);

// The name's base and extension: the extension is the text after the last "."; when it is not
// empty the base is the name less "." and the extension, else the whole name ("a." has no
// extension, ".profile" an empty base).
struct NameParts {
  std::string base, ext;
};
[[nodiscard]] NameParts splitName(std::string_view name);

// The values of one folder or file for its template.
struct TagValues {
  std::string fold, dosFold, foldNoPath, file, ext, dosFile;
};
// folder: a folder path, with or without a trailing "/". forFileTemplate: <myFold> ends with "/".
[[nodiscard]] TagValues folderValues(std::string_view folder, bool forFileTemplate);
// The values of the file name in folder (a file template's).
[[nodiscard]] TagValues fileValues(std::string_view folder, std::string_view name);

// The stamp ("dd/mm/yyyy hh:mm:ss", "" when unknown) of a date token's source.
using StampOf = std::function<std::string(core::DateSource)>;

// A line of a template that hands a tag's value to a second shell: the job quotes the value for
// the shell that reads the job, but "sh -c '... <myFile> ...'", "bash -c", "eval", "alias",
// "su -c" and "ssh host ..." give the text to another shell, which reads the name once more as
// code (a file named "$(touch PWNED)" would run touch). Found by the command words of the line;
// comment lines are left alone. line counts from 1; text is the line as typed.
struct SecondShellLine {
  int line = 0;
  std::string text{};
  friend bool operator==(const SecondShellLine&, const SecondShellLine&) = default;
};
[[nodiscard]] std::vector<SecondShellLine> secondShellLines(std::string_view templateText, TemplateKind kind);

// Appends parsed to job: code as typed, tags as values quoted for where they land, date tokens
// formatted (digits and month names in the user's own format, so appended as code). On the first
// value the job refuses, the job is put back as it was before this call and that refusal returned.
core::QuoteError appendTemplate(core::ShellScriptBuilder& job, const ParsedTemplate& parsed,
                                const TagValues& values, const StampOf& stampOf);

}  // namespace tools::file_ops
