// The case changer's preview: the samples it shows (the first names of the main window's list, or
// the first subfolders of its folder) and each sample's converted form. The trimmer shows the
// same folder samples.
#pragma once

#include "tools/renaming/case_styles.h"

#include <string>
#include <vector>

namespace tools {

// One row of a preview: the sample and what the run would make of it.
struct PreviewRow {
  std::string sample, result;
};

// Up to max names of the subfolders of folder (hidden ones only withHidden), the last one found
// first. Empty when the folder cannot be read.
[[nodiscard]] std::vector<std::string> listSubFolders(const std::string& folder, bool withHidden,
                                                      std::size_t max = 5);

// The rows for samples, converted as names of files (folders: false) or of folders, up to the
// first empty sample.
[[nodiscard]] std::vector<PreviewRow> casePreview(const std::vector<std::string>& samples, const CaseStyles& styles,
                                                  bool folders);

}  // namespace tools
