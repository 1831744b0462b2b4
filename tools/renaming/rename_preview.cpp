#include "tools/renaming/rename_preview.h"

#include "core/file_paths.h"
#include "core/folder_structure.h"

#include <unordered_set>

namespace tools::ren {

namespace {

// A sample is tried with at most this many numbers (every existing name costs one).
constexpr int kMaxAttempts = 100000;

}  // namespace

std::vector<PreviewRow> buildPreview(const std::vector<std::string>& samples, const PreviewOptions& options) {
  const RuleContext ctx{.mode = options.mode, .runStamp = options.runStamp, .letters = options.letters};
  const std::string_view folderArg = options.mode == RenameMode::Files ? std::string_view(options.folder) : "";
  std::vector<PreviewRow> rows;
  std::unordered_set<std::string> skip;
  std::int64_t number = options.startNumber;
  for (std::size_t k = 0; k < samples.size() && k < kPreviewSamples; ++k) {
    const std::string& sample = samples[k];
    if (sample.empty()) break;
    if (skip.erase(sample) != 0) {  // it blocked an earlier sample's new name: left as it is
      rows.push_back({sample, sample});
      if (options.mode == RenameMode::Folders) number = nextNumber(number);
      continue;
    }
    for (int attempt = 0;; ++attempt) {
      const std::string sequence = options.sequence ? sequenceText(number, options.width) : std::string();
      const std::string newName = finishName(expandTokens(folderArg, sample, options.startRule, ctx) + sequence +
                                             expandTokens(folderArg, sample, options.endRule, ctx));
      number = nextNumber(number);
      const bool taken = !newName.empty() && newName != sample && isUsableName(newName) &&
                         core::FileExist(options.folder + newName) != 0;
      if (!taken) {
        rows.push_back({sample, newName});
        break;
      }
      if (!options.sequence || !skip.insert(newName).second || attempt >= kMaxAttempts) {
        rows.push_back({sample, sample});
        break;
      }
    }
  }
  return rows;
}

std::vector<std::string> listFolderItems(const std::string& folder, bool withHidden, std::size_t max) {
  std::vector<std::string> paths;
  if (withHidden) {
    (void)core::RetDirStruct(folder, paths);
  } else {
    (void)core::RetDirStructVisible(folder, paths);
  }
  std::vector<std::string> names;
  for (std::size_t i = 0; i < paths.size() && names.size() < max; ++i) {
    const std::string& p = paths[i];
    const std::size_t slash = p.rfind('/');
    names.push_back(slash == std::string::npos ? p : p.substr(slash + 1));
  }
  return names;
}

}  // namespace tools::ren
