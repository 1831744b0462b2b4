#include "core/scripted_run_host.h"

#include "core/file_paths.h"
#include "core/name_key.h"
#include "platform/dir_listing.h"
#include "platform/hidden_list.h"

#include <algorithm>
#include <unordered_set>

namespace core {

void ScriptedRunHost::hideProgress(ToolForm* owner, bool reEnableOwner) {
  progressShown = false;
  ownerReEnabled = reEnableOwner;
  if (reEnableOwner) formEnabled[owner] = true;
}

RespondAnswer ScriptedRunHost::respond(ToolForm* caller, std::string_view style, const std::string& message,
                                       std::string_view title) {
  questions.push_back({caller, std::string(style), message, std::string(title)});
  if (answers.empty()) return defaultAnswer;
  const RespondAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

void ScriptedRunHost::doEvents() {
  ++yields;
  if (cancelAt_ != 0 && yields >= cancelAt_) {
    cancel = cancelValue_;
    cancelAt_ = 0;
  }
}

bool ScriptedRunHost::listReal(const std::string& folder) {
  platform::FolderReader reader;
  if (reader.open(folder) != 0) return false;
  std::vector<platform::DirName> names;
  if (reader.readNames(names) != 0) return false;
  const std::unordered_set<std::string> hidden = reader.hiddenNames();
  for (const platform::DirName& n : names) {
    if (!listHidden && platform::isHiddenEntry(n.name, hidden)) continue;
    if (platform::isHiddenFileName(n.name)) continue;  // as the main window's job walk
    const platform::EntryStatus st = reader.status(n.name, platform::kStatSize | platform::kStatTimes);
    if (!st.ok || !st.isRegular || st.isSymlink) continue;
    ListEntry e;
    e.name = n.name;
    e.size = st.size;
    e.modified = st.modified;
    if (st.hasCreated) e.created = st.created;
    if (st.readOnly) e.attributes |= kAttrReadOnly;
    entries_.push_back(std::move(e));
  }
  std::string keyA, keyB;
  std::sort(entries_.begin(), entries_.end(),
            [&](const ListEntry& a, const ListEntry& b) { return nameKeyLess(a.name, b.name, keyA, keyB); });
  return true;
}

UpdateFilesResult ScriptedRunHost::updateFiles(bool visibleList, const std::string& folder) {
  const auto forced = forcedResults.find(folder);
  if (visibleList) return forced != forcedResults.end() ? forced->second : kListDone;
  listed.push_back(folder);
  // A folder reported missing leaves no entries behind from the folder listed before it.
  entries_.clear();
  if (forced != forcedResults.end()) return forced->second;
  if (realListing) return listReal(folder) ? kListDone : kListMissing;
  const auto fake = fakeFolders.find(folder);
  if (fake == fakeFolders.end()) return kListMissing;
  entries_ = fake->second;
  return kListDone;
}

}  // namespace core
