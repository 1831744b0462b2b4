// Batch code files (the builder's "*.qw" files and its state file): any text gives a code or a
// refusal; a code is written back and read again unchanged, without a carriage return in it; its
// file template reads into pieces that cover the template exactly.
#include <string>

#include "fuzz/fuzz_support.h"
#include "tools/file_ops/batch_code.h"
#include "tools/file_ops/batch_template.h"

namespace {

// The length of the text a piece was read from.
std::size_t spelledLength(const tools::file_ops::TemplatePiece& p) {
  using tools::file_ops::BatchTag;
  using Kind = tools::file_ops::TemplatePiece::Kind;
  if (p.kind == Kind::Code) return p.text.size();
  if (p.kind == Kind::Date) return p.text.size() + 5;  // "<DM;" format ">"
  switch (p.tag) {
    case BatchTag::Fold: return 8;         // <myFold>
    case BatchTag::DosFold: return 11;     // <myDosFold>
    case BatchTag::FoldNoPath: return 12;  // <foldNoPath>
    case BatchTag::File: return 8;         // <myFile>
    case BatchTag::Ext: return 7;          // <myExt>
    case BatchTag::DosFile: break;
  }
  return 11;  // <myDosFile>
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto code = tools::file_ops::parseBatchCode(text);
  if (!code) return 0;
  const auto& t = code->templates;
  for (const std::string* s : {&t.head, &t.fold, &t.file, &t.tail})
    fuzzing::check(s->find('\r') == std::string::npos, "a template kept a carriage return");
  fuzzing::check(tools::file_ops::parseBatchCode(tools::file_ops::batchCodeText(*code)) == code,
                 "a code changed on the way through its file");
  for (const auto kind : {tools::file_ops::TemplateKind::Folder, tools::file_ops::TemplateKind::File}) {
    std::size_t covered = 0;
    for (const auto& piece : tools::file_ops::parseTemplate(t.file, kind)) covered += spelledLength(piece);
    fuzzing::check(covered == t.file.size(), "the pieces do not cover the template");
  }
  return 0;
}
