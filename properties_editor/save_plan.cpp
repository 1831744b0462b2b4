#include "properties_editor/save_plan.h"

#include "core/file_errors.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "platform/file_attributes.h"
#include "properties_editor/editor_fields.h"

#include <cerrno>

namespace propedit {

namespace {

constexpr std::size_t kMaxNameBytes = 255;

// The refusal for a name no file may have here, or "".
std::string nameProblem(const std::string& name) {
  if (name.empty()) return "The name is empty.";
  if (name == "." || name == "..") return "\"" + name + "\" cannot be a file name.";
  if (name.find('/') != std::string::npos) return "A file name cannot hold \"/\".";
  if (name.find('\0') != std::string::npos) return "A file name cannot hold a NUL character.";
  if (name.size() > kMaxNameBytes) return "The name is longer than 255 bytes.";
  return {};
}

struct TimeEdit {
  std::optional<core::SystemTime> value;  // set: write this time
  std::string refusal;
};

// A time is written only when its boxes differ from what was loaded, and never when it was not read.
TimeEdit timeEdit(const char* what, const core::SystemTime& loaded, const std::string& date, const std::string& time) {
  if (!loaded.known) return {};
  const std::string shown = formatEditorTime(loaded);
  if (date == shown.substr(0, 10) && time == shown.substr(11)) return {};
  const std::optional<core::SystemTime> t = readTimeBoxes(date, time);
  const std::string typed = std::string("Not saved: the ") + what + " time \"" + date + " " + time + "\"";
  if (!t) return {std::nullopt, typed + " is not a valid date and time (month/day/year hh:mm:ss)."};
  if (!core::isSettableTime(*t)) {
    return {std::nullopt, typed + " is outside the times a file may be given (01/01/" +
                              std::to_string(core::kFirstSettableYear) + " to 12/31/" +
                              std::to_string(core::kLastSettableYear) + ")."};
  }
  return {t, {}};
}

// The failure for times this file system stored otherwise than asked (and that were put back).
std::string notHeld(const SavePlan& plan, const core::TimesWritten& w) {
  std::string times;
  if (!w.modifiedHeld) times = "the modified time " + formatEditorTime(*plan.modified);
  if (!w.accessedHeld) {
    times += (times.empty() ? "the accessed time " : " and the accessed time ") + formatEditorTime(*plan.accessed);
  }
  return "This file system cannot hold " + times + "; the times were left as they were";
}

std::string renameError(int number) {
  switch (number) {
    case core::kErrFileExists: return "a file of that name already exists";
    case core::kErrFileNotFound: return "the file is gone";
    case core::kErrPermissionDenied: return "permission denied in the folder";
    case core::kErrBadFileName: return "the system refuses that name";
    case core::kErrDiskFull: return "the disk is full";
    default: return "system error " + std::to_string(number);
  }
}

std::string flagError(const char* flag, bool on, int err, const std::string& name) {
  const std::string what = std::string(flag) + (on ? " could not be set" : " could not be cleared");
  if (err == ENOTSUP && std::string(flag) == "Hidden") return what + " (the name starts with \".\")";
  if (err == ENOTSUP && std::string(flag) == "Archive") return what + " (this file system keeps no extended attributes)";
  if (err == EINVAL && name.find('\n') != std::string::npos) return what + " (the name holds a line break)";
  if (err == EACCES || err == EPERM) return what + " (permission denied)";
  if (err == EROFS) return what + " (read-only file system)";
  return what + " (system error " + std::to_string(err) + ")";
}

}  // namespace

SavePlan planSave(const LoadedFile& loaded, const EditorEdits& edits) {
  SavePlan plan;
  const bool renaming = edits.name && *edits.name != loaded.name;
  if (renaming) {
    plan.refusal = nameProblem(*edits.name);
    if (!plan.refusal.empty()) return plan;
    plan.newName = *edits.name;
  }
  const TimeEdit modified = timeEdit("modified", loaded.modified, edits.modifiedDate, edits.modifiedTime);
  const TimeEdit accessed = timeEdit("accessed", loaded.accessed, edits.accessedDate, edits.accessedTime);
  for (const TimeEdit* t : {&modified, &accessed}) {
    if (!t->refusal.empty()) {
      plan.refusal = t->refusal;
      return plan;
    }
  }
  plan.modified = modified.value;
  plan.accessed = accessed.value;
  plan.hidden = edits.hidden;
  plan.archive = edits.archive;

  if (renaming) plan.steps.push_back(SaveStep::Rename);
  if (loaded.readOnly && !edits.readOnly) plan.steps.push_back(SaveStep::ClearReadOnly);
  if (plan.modified || plan.accessed) plan.steps.push_back(SaveStep::WriteTimes);
  // A new name is not in the ".hidden" list yet: the wanted state is checked against it anew. A
  // dot-name is hidden by its name, whatever the box says: there is nothing to write for it.
  const std::string& finalName = renaming ? plan.newName : loaded.name;
  if (!finalName.starts_with('.') && (edits.hidden != loaded.hidden || renaming))
    plan.steps.push_back(SaveStep::SetHidden);
  if (edits.archive != loaded.archive) plan.steps.push_back(SaveStep::SetArchive);
  if (!loaded.readOnly && edits.readOnly) plan.steps.push_back(SaveStep::SetReadOnly);
  return plan;
}

SaveOutcome applySave(const LoadedFile& loaded, const SavePlan& plan) {
  SaveOutcome out{.ok = false, .renamed = false, .path = loaded.path, .name = loaded.name, .status = {}};
  if (!plan.refusal.empty()) {
    out.status = plan.refusal;
    return out;
  }
  if (!isRegularFile(loaded.path)) {
    out.status = "Not saved: the file is no longer there.";
    return out;
  }
  std::vector<std::string> failures;
  for (const SaveStep step : plan.steps) {
    switch (step) {
      case SaveStep::Rename: {
        const std::string target = loaded.folder + plan.newName;
        const int e = core::Rename(loaded.path, target);
        if (e != 0) {
          out.status = "Not renamed: " + renameError(e) + ". Nothing was saved.";
          return out;
        }
        platform::forgetHiddenEntry(loaded.path);
        out.renamed = true;
        out.path = target;
        out.name = plan.newName;
        break;
      }
      case SaveStep::ClearReadOnly:
      case SaveStep::SetReadOnly: {
        const bool on = step == SaveStep::SetReadOnly;
        if (platform::readAttributes(out.path).readOnly == on) break;
        if (const int e = platform::setReadOnly(out.path, on)) failures.push_back(flagError("Read Only", on, e, out.name));
        break;
      }
      case SaveStep::WriteTimes: {
        core::FileTimeRecords& rec = core::coreState().fileTimes;
        if (plan.modified) rec.modified = *plan.modified;
        if (plan.accessed) rec.accessed = *plan.accessed;
        const core::TimesWritten w =
            core::writeFileTimesExactly(out.path, plan.accessed.has_value(), plan.modified.has_value());
        if (w.error != 0) failures.push_back("The times could not be written (only the file's owner may set them)");
        else if (!w.ok()) failures.push_back(notHeld(plan, w));
        break;
      }
      case SaveStep::SetHidden: {
        if (platform::readAttributes(out.path).hidden == plan.hidden) break;
        if (const int e = platform::setHidden(out.path, plan.hidden)) failures.push_back(flagError("Hidden", plan.hidden, e, out.name));
        break;
      }
      case SaveStep::SetArchive: {
        if (platform::readAttributes(out.path).archive == plan.archive) break;
        if (const int e = platform::setArchive(out.path, plan.archive)) failures.push_back(flagError("Archive", plan.archive, e, out.name));
        break;
      }
    }
  }
  out.ok = failures.empty();
  if (out.ok) {
    out.status = plan.steps.empty() ? "Nothing to change." : out.renamed ? "Renamed and saved." : "Saved.";
    return out;
  }
  out.status = out.renamed ? "Renamed, but: " : "Not all saved: ";
  for (std::size_t i = 0; i < failures.size(); ++i) out.status += (i ? "; " : "") + failures[i];
  out.status += ".";
  return out;
}

}  // namespace propedit
