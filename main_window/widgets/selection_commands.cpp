#include "main_window/widgets/selection_commands.h"

#include "core/file_paths.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "main_window/folder_listing.h"
#include "main_window/selection_pattern.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"
#include "ui_kit/ctrl_check_box.h"

#include <QLineEdit>

#include <vector>

namespace mainwin {

namespace {

// Messages of the common table used here.
enum : int {
  kMsgNothingSelected = 44,
  kMsgTooLong = 59,
  kMsgNothingToTarget = 63,
  kMsgFolderGone = 64,
  kMsgNotExact = 123,
  kMsgSeveralFolders = 124,
};

void notice(FileListController& c, const std::string& text) {
  core::host().respond(c.host().hostWindow(), "O", text, "N", "");
}

// Tells the user why a build was refused. False when it was not.
bool refused(FileListController& c, const PatternBuild& b) {
  switch (b.refusal) {
    case PatternRefusal::None:
      return false;
    case PatternRefusal::NothingSelected:
      notice(c, core::msgMain(kMsgNothingSelected));
      break;
    case PatternRefusal::NothingToTarget:
      notice(c, core::msgMain(kMsgNothingToTarget));
      break;
    case PatternRefusal::TooLong:
      notice(c, core::msgMain(kMsgTooLong));
      break;
    case PatternRefusal::NotExact:
      notice(c, core::msgMain(kMsgNotExact) + b.name);
      break;
    case PatternRefusal::SeveralFolders:
      notice(c, core::msgMain(kMsgSeveralFolders));
      break;
  }
  return true;
}

std::vector<std::string> selectedNames(FileListController& c, std::vector<bool>* flags = nullptr) {
  std::vector<std::string> names;
  const auto& entries = c.model()->entries();
  if (flags) flags->assign(entries.size(), false);
  if (!c.pane()) return names;
  for (int row : c.pane()->selectedRows()) {
    names.push_back(entries[static_cast<std::size_t>(row)].name);
    if (flags) (*flags)[static_cast<std::size_t>(row)] = true;
  }
  return names;
}

// The context for names of `folder`: with letter case folding, every file of the folder, so that
// a name whose case twin is not among them is refused.
struct Context {
  std::vector<std::string> folderNames;
  NameContext names;
};
Context contextFor(FileListController& c, const std::string& folder) {
  Context ctx;
  ctx.names.foldCase = !(c.panel() && c.panel()->chkCase->Value() != 0);
  if (ctx.names.foldCase) ctx.folderNames = folderFileNames(folder);
  return ctx;
}

// Puts text in effect as the pattern with the extension filter ticked; a hidden panel is shown
// with only the pattern as its filter. The caller holds hasLoaded at 0.
void putPatternInEffect(FileListController& c, const std::string& text, bool cancelDelayed) {
  FilterPanel* p = c.panel();
  if (!p) return;
  p->setExtensionText(vb::qs(text));
  if (p->chkExtension->Value() == 0) {
    p->chkExtension->setValue(1);
  } else {
    p->extensionChanged();
  }
  if (cancelDelayed) c.cancelDelayedRefill();
  if (!c.panelShown()) {
    p->chkDat->setValue(0);
    p->chkSiz->setValue(0);
    p->chkHidden->setValue(0);
    p->enableFilters();
  }
}

bool boxFilterInEffect(FileListController& c) {
  FilterPanel* p = c.panel();
  return p && p->chkExtension->Value() != 0 && c.panelShown() && p->txtExtension->text() != QLatin1String("*");
}

}  // namespace

bool targetSelected(FileListController& c) {
  std::vector<bool> keep;
  const std::vector<std::string> names = selectedNames(c, &keep);
  Context ctx = contextFor(c, c.model()->folder());
  ctx.names.folderNames = ctx.names.foldCase ? &ctx.folderNames : nullptr;
  // The names alone: a pattern kept from before could reach files the list no longer shows.
  const PatternBuild b = buildSelectionPattern(names, ctx.names);
  if (refused(c, b)) return false;
  c.model()->keepRows(keep);
  if (c.pane()) c.pane()->clearSelection();
  c.setHasLoaded(0);
  putPatternInEffect(c, b.text, true);
  c.setHasLoaded(1);
  return true;
}

bool targetNotSelected(FileListController& c) {
  std::vector<bool> selected;
  const std::vector<std::string> names = selectedNames(c, &selected);
  const std::string previous = boxFilterInEffect(c) ? vb::bs(c.panel()->txtExtension->text()) : std::string();
  Context ctx = contextFor(c, c.model()->folder());
  ctx.names.folderNames = ctx.names.foldCase ? &ctx.folderNames : nullptr;
  const PatternBuild b = buildExclusionPattern(names, previous, ctx.names);
  if (refused(c, b)) return false;
  c.setHasLoaded(0);
  std::vector<bool> keep(selected.size());
  for (std::size_t i = 0; i < selected.size(); ++i) keep[i] = !selected[i];
  c.model()->keepRows(keep);
  putPatternInEffect(c, b.text, true);
  c.setHasLoaded(1);
  return true;
}

bool targetExtensions(FileListController& c) {
  const std::string folder = core::AddSlash(c.host().currentFolder());
  if (!core::PathExist(folder)) {
    notice(c, core::msgMain(kMsgFolderGone) + folder);
    (void)c.host().Wendle(1);
    return false;
  }
  const PatternBuild b = buildExtensionPattern(selectedNames(c));
  if (refused(c, b)) return false;
  c.setHasLoaded(0);
  putPatternInEffect(c, b.text, false);
  c.setHasLoaded(1);
  (void)c.updateFiles(true, {});
  return true;
}

void targetAll(FileListController& c) {
  c.setHasLoaded(0);
  if (c.panel()) {
    c.panel()->disableFilters();
  } else {
    c.setPanelShown(false);
  }
  c.setHasLoaded(1);
  if (core::PathExist(c.host().currentFolder())) {
    (void)c.updateFiles(true, {});
  } else {
    (void)c.host().Wendle(1);
  }
}

bool doubleClickName(FileListController& c, const std::string& name) {
  FilterPanel* p = c.panel();
  if (!p) return false;
  Context ctx = contextFor(c, c.model()->folder());
  ctx.names.folderNames = ctx.names.foldCase ? &ctx.folderNames : nullptr;
  const PatternBuild b =
      buildDoubleClickPattern(name, vb::bs(p->txtExtension->text()), c.panelShown(), ctx.names);
  if (refused(c, b)) return false;
  c.setHasLoaded(0);
  p->setExtensionText(vb::qs(b.text));
  p->chkExtension->setValue(1);
  if (!c.panelShown()) {
    p->chkDat->setValue(0);
    p->chkSiz->setValue(0);
    p->chkHidden->setValue(0);
    c.setPanelShown(true);
    c.host().layoutPanels(true);
  }
  c.setHasLoaded(1);
  p->applyFilterSet();
  return true;
}

bool dropPaths(FileListController& c, const QStringList& localPaths) {
  if (localPaths.isEmpty()) return false;
  std::vector<std::string> paths;
  for (const QString& p : localPaths) paths.push_back(vb::bpath(p));
  FilterPanel* p = c.panel();
  if (paths.size() == 1 && core::PathExist(paths.front())) {
    c.setHasLoaded(0);
    if (p) p->disableFilters();
    c.setHasLoaded(1);
    c.host().setCurrentFolder(core::AddSlash(paths.front()));
    return true;
  }
  const DroppedFiles d = splitDroppedPaths(paths);
  if (d.refusal == PatternRefusal::SeveralFolders) {
    notice(c, core::msgMain(kMsgSeveralFolders));
    return false;
  }
  Context ctx = contextFor(c, d.folder);
  ctx.names.folderNames = ctx.names.foldCase ? &ctx.folderNames : nullptr;
  const PatternBuild b = buildSelectionPattern(d.names, ctx.names);
  if (refused(c, b) || !p) return false;
  c.setHasLoaded(0);
  c.host().setCurrentFolder(d.folder);
  if (c.host().currentFolder() != d.folder) {
    // The tree could not show that folder: a pattern of these names must not act elsewhere.
    c.setHasLoaded(1);
    return false;
  }
  p->chkDat->setValue(0);
  p->chkSiz->setValue(0);
  p->chkHidden->setValue(0);
  c.setPanelShown(true);
  c.host().layoutPanels(true);
  p->applyFilterSet();
  p->setExtensionText(vb::qs(b.text));
  p->chkExtension->setValue(1);
  c.setHasLoaded(1);
  (void)c.updateFiles(true, {});
  return true;
}

}  // namespace mainwin
