// The rename window's preview: what the run would make of up to five sample names, renaming
// nothing. It numbers, finishes and skips names as the run does: a new name that exists in the
// folder is tried again with the next number (with a sequence) or leaves the sample as it is, and
// a sample whose name blocked an earlier sample's new name keeps its name and uses no number (a
// folder's moves the number on, as every folder of a run does).
//
//   const auto rows = tools::ren::buildPreview(main.list().firstVisibleNames(5), {
//       .mode = tools::ren::RenameMode::Files, .startRule = shortStart, .endRule = shortEnd,
//       .sequence = true, .startNumber = 1, .width = 3,
//       .folder = "/photos/", .runStamp = core::nowDateStamp()});
#pragma once

#include "tools/renaming/rename_rules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tools::ren {

inline constexpr std::size_t kPreviewSamples = 5;

struct PreviewOptions {
  RenameMode mode = RenameMode::Files;
  std::string startRule{};  // short forms; "" for a box that is not ticked
  std::string endRule{};
  bool sequence = false;
  std::int64_t startNumber = 0;
  int width = 0;
  std::string folder{};     // the folder of the samples, ending with "/": existing names, file dates
  std::string runStamp{};
  LetterSource letters{};   // empty: random letters
};

struct PreviewRow {
  std::string oldName;
  std::string newName;
  friend bool operator==(const PreviewRow&, const PreviewRow&) = default;
};

// One row per sample, in order, up to kPreviewSamples; an empty first sample gives no rows.
[[nodiscard]] std::vector<PreviewRow> buildPreview(const std::vector<std::string>& samples,
                                                   const PreviewOptions& options);

// The first max subfolder names of folder, in the order a run over folders takes them (name
// order; hidden ones only withHidden): the folder mode's samples.
[[nodiscard]] std::vector<std::string> listFolderItems(const std::string& folder, bool withHidden,
                                                       std::size_t max = kPreviewSamples);

}  // namespace tools::ren
