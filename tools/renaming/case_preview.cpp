#include "tools/renaming/case_preview.h"

#include "core/folder_structure.h"


namespace tools {

std::vector<std::string> listSubFolders(const std::string& folder, bool withHidden, std::size_t max) {
  std::vector<std::string> paths;
  (void)(withHidden ? core::RetDirStruct(folder, paths) : core::RetDirStructVisible(folder, paths));
  if (paths.size() > max) paths.resize(max);
  // The listing gives the folder with its trailing "/" and the name.
  const std::size_t base = core::withTrailingSlash(folder).size();
  std::vector<std::string> names;
  for (auto it = paths.rbegin(); it != paths.rend(); ++it) names.push_back(it->substr(base));
  return names;
}

std::vector<PreviewRow> casePreview(const std::vector<std::string>& samples, const CaseStyles& styles,
                                    bool folders) {
  const CaseConverter conv(styles);
  std::vector<PreviewRow> rows;
  for (const std::string& sample : samples) {
    if (sample.empty()) break;
    rows.push_back({sample, conv.convertName(sample, folders)});
  }
  return rows;
}

}  // namespace tools
