#include "main_window/widgets/tool_launcher.h"

#include "core/settings.h"
#include "core/widgets/form_show.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QStyle>

#include <map>
#include <memory>

namespace mainwin {

namespace {

using P = Preset;

const std::vector<LaunchEntry> kTable = {
    // Edit File Contents
    {"menuAppend", "menuCont", "&Append Data", "frmAppend", "Append", 1, 1, P::None, "", ""},
    {"menuConCase", "menuCont", "Change &Capitalization", "frmCase", "Case", 1, 1, P::Option, "optContents", ""},
    {"menuEncrypt", "menuCont", "&Encrypt Files", "frmEncrypt", "Encrypt", 2, 1, P::None, "", ""},
    {"menuConSer", "menuCont", "&Search And Replace", "frmReplace", "Replace", 1, 1, P::Option, "optContent", ""},
    {"menuTrim3", "menuCont", "&Trim (Truncate)", "frmTrim", "Trim", 1, 1, P::Option, "optContents", ""},
    // Rename: each entry opens its tool on file names, whatever mode the tool was left in
    {"menuRename", "menuRenFiles", "Append Text", "frmRen", "Ren", 1, 0, P::Option, "optFile", ""},
    {"menuCase", "menuRenFiles", "Change &Capitalization", "frmCase", "Case", 1, 1, P::Option, "optFile", ""},
    {"menuReplace", "menuRenFiles", "Search And &Replace", "frmReplace", "Replace", 1, 1, P::Option, "optFile", ""},
    {"menuSeq", "menuRenFiles", "&Sequence Names", "frmRen", "Ren", 1, 0, P::CheckTick, "chkSeq", ""},
    {"menuTrim", "menuRenFiles", "&Trim Characters", "frmTrim", "Trim", 1, 1, P::Option, "optFile", ""},
    // Operations
    {"menuAttributes", "menuOpers", "Change &Attributes", "frmAttrib", "Attrib", 1, 1, P::None, "", ""},
    {"menuCopyMove", "menuOpers", "&Copy Or Move Files", "", "", 0, 0, P::None, "", "menuCopy"},
    {"menuConBatch", "menuOpers", "Create Custo&m Batch Files", "frmCmd", "Cmd", 1, 1, P::None, "", ""},
    {"menuDates", "menuOpers", "&Date And Time Stamps", "frmDate", "Date", 1, 1, P::None, "", ""},
    {"menuDelete1", "menuOpers", "Dele&te Files", "frmDelete", "Delete", 1, 1, P::Option, "optDelete", ""},
    {"menuNamExtract", "menuOpers", "E&xtract Text", "frmExtract", "Extract", 1, 1, P::None, "", ""},
    {"menuFind", "menuOpers", "&Find", "frmFind", "Find", 1, 1, P::None, "", ""},
    {"menuDup", "menuOpers", "Find And Manage Duplicates", "", "", 0, 0, P::None, "", "menuDuplicates"},
    {"menuJoin", "menuOpers", "&Join Files", "frmJoin", "Join", 1, 1, P::None, "", ""},
    {"menuListF", "menuOpers", "&List", "frmList", "List", 1, 1, P::None, "", ""},
    {"menuSplit", "menuOpers", "&Split Files", "frmSplit", "Split", 1, 1, P::None, "", ""},
    {"menuDelete3", "menuOpers", "&Wipe Files", "frmDelete", "Delete", 1, 1, P::Option, "optFiles", ""},
    {"menuDelete2", "menuOpers", "Wipe Dis&k Free Space", "frmDelete", "Delete", 1, 1, P::Option, "optDrive", ""},
    // Quick-Find
    {"menuAppend2", "menuQuik", "Ap&pend", "", "", 0, 0, P::None, "", "menuAppend"},
    {"menuAtt", "menuQuik", "&Attributes", "frmAttrib", "Attrib", 1, 1, P::None, "", ""},
    {"menuCase2", "menuQuik", "&Case", "frmCase", "Case", 1, 1, P::None, "", ""},
    {"menuCmd", "menuQuik", "Co&mmand Line", "frmCmd", "Cmd", 0, 1, P::None, "", ""},
    {"menuCopy", "menuQuik", "C&opy", "frmCopy", "Copy", 1, 1, P::None, "", ""},
    {"menuDates2", "menuQuik", "&Dates", "frmDate", "Date", 1, 1, P::None, "", ""},
    {"menuDelete", "menuQuik", "Dele&te", "frmDelete", "Delete", 1, 1, P::None, "", ""},
    {"menuDuplicates", "menuQuik", "D&uplicates", "frmDuplicates", "Duplicates", 1, 1, P::None, "", ""},
    {"menuEncrypt2", "menuQuik", "&Encrypt", "frmEncrypt", "Encrypt", 2, 1, P::None, "", ""},
    {"menuExtract2", "menuQuik", "E&xtract", "frmExtract", "Extract", 1, 1, P::None, "", ""},
    {"menuFind2", "menuQuik", "&Find", "frmFind", "Find", 1, 1, P::None, "", ""},
    {"menuJoin2", "menuQuik", "&Join", "frmJoin", "Join", 1, 1, P::None, "", ""},
    {"menuList2", "menuQuik", "&List", "frmList", "List", 1, 1, P::None, "", ""},
    {"menuRename2", "menuQuik", "Re&name", "frmRen", "Ren", 1, 1, P::None, "", ""},
    {"menuReplace2", "menuQuik", "&Replace", "frmReplace", "Replace", 1, 1, P::None, "", ""},
    {"menuSplit2", "menuQuik", "&Split", "frmSplit", "Split", 1, 1, P::None, "", ""},
    {"menuTrim2", "menuQuik", "Tr&im", "frmTrim", "Trim", 1, 1, P::None, "", ""},
    // View
    {"menuSettings", "menuView", "&Settings...", "frmSettings", "Settings", 1, 1, P::SettingsProtect, "optProtect", ""},
};

constexpr std::string_view kButtonMenus[kButtonCount + 1] = {
    "",          "menuAppend", "menuAtt",   "menuCase",     "menuCmd",      "menuDates",
    "menuDelete", "menuEncrypt", "menuNamExtract", "menuFind2", "menuJoin", "menuList2",
    "menuRename2", "menuReplace", "menuSplit", "menuTrim", "menuCopy", "menuDuplicates"};

constexpr std::string_view kButtonIcons[kButtonCount + 1] = {
    "",                  "list-add",        "document-properties", "format-text-bold",
    "utilities-terminal", "x-office-calendar", "edit-delete",       "dialog-password",
    "insert-text",       "edit-find",       "insert-link",         "format-justify-left",
    "accessories-text-editor", "edit-find-replace", "edit-cut",    "format-indent-less",
    "edit-copy",         "emblem-documents"};

struct Registry {
  std::map<std::string, FormFactory, std::less<>> factories;
  std::map<std::string, QPointer<QWidget>, std::less<>> instances;
};
Registry& registry() {
  static Registry r;
  return r;
}

// A picture for a theme without the named icon: a tinted square with a stroke pattern per button.
QIcon drawnIcon(int i) {
  QPixmap pm(24, 24);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor::fromHsv((i * 21) % 360, 110, 200));
  p.setPen(QColor(60, 60, 60));
  p.drawRoundedRect(QRectF(2.5, 2.5, 19, 19), 4, 4);
  p.setPen(QPen(QColor(30, 30, 30), 2));
  for (int k = 0; k < (i % 4) + 1; ++k) p.drawLine(7, 7 + k * 3, 17, 7 + k * 3);
  return QIcon(pm);
}

void presetControl(QWidget* form, const LaunchEntry& e) {
  if (e.preset == P::None || !form) return;
  QObject* c = form->findChild<QObject*>(QString::fromUtf8(e.control.data(), static_cast<int>(e.control.size())));
  if (!c) return;
  auto setValue = [c](const QVariant& v) {
    if (c->property("Value").isValid()) {
      c->setProperty("Value", v);
    } else if (auto* b = qobject_cast<QAbstractButton*>(c)) {
      b->setChecked(v.toBool());
    }
  };
  switch (e.preset) {
    case P::Option:
      setValue(true);
      if (auto* w = qobject_cast<QWidget*>(c)) w->setFocus();
      break;
    case P::CheckTick:
      setValue(1);
      break;
    case P::SettingsProtect:
      if (core::getSet("smartProtect") == "1") setValue(true);
      break;
    case P::None:
      break;
  }
}

}  // namespace

const std::vector<LaunchEntry>& launchTable() { return kTable; }

const LaunchEntry* launchEntry(std::string_view menu) {
  for (const auto& e : kTable) {
    if (e.menu == menu) return &e;
  }
  return nullptr;
}

const LaunchEntry* resolvedEntry(std::string_view menu) {
  const LaunchEntry* e = launchEntry(menu);
  for (int guard = 0; e && !e->runs.empty() && guard < 4; ++guard) e = launchEntry(e->runs);
  return e && e->runs.empty() ? e : nullptr;
}

std::string_view buttonMenu(int i) { return i >= 1 && i <= kButtonCount ? kButtonMenus[i] : std::string_view{}; }

std::string_view buttonIconName(int i) {
  return i >= 1 && i <= kButtonCount ? kButtonIcons[i] : std::string_view{};
}

QIcon buttonIcon(int i) {
  if (i < 1 || i > kButtonCount) return {};
  const std::string_view name = kButtonIcons[i];
  QIcon icon = QIcon::fromTheme(QString::fromLatin1(name.data(), static_cast<int>(name.size())));
  return icon.isNull() ? drawnIcon(i) : icon;
}

ToolRegistry& toolRegistry() {
  static ToolRegistry notifier;
  return notifier;
}

void registerToolForm(std::string_view formName, FormFactory factory) {
  registry().factories[std::string(formName)] = std::move(factory);
  Q_EMIT toolRegistry().changed();
}

void unregisterToolForm(std::string_view formName) {
  auto& r = registry();
  if (auto it = r.factories.find(formName); it != r.factories.end()) {
    r.factories.erase(it);
    Q_EMIT toolRegistry().changed();
  }
}

bool toolFormAvailable(std::string_view formName) {
  const auto& f = registry().factories;
  return f.find(formName) != f.end();
}

bool launchAvailable(std::string_view menu) {
  const LaunchEntry* target = resolvedEntry(menu);
  return target && toolFormAvailable(target->form);
}

QWidget* toolFormInstance(std::string_view formName) {
  auto& r = registry();
  if (auto it = r.instances.find(formName); it != r.instances.end() && it->second) return it->second;
  auto f = r.factories.find(formName);
  if (f == r.factories.end() || !f->second) return nullptr;
  QWidget* w = f->second();
  if (w) r.instances[std::string(formName)] = w;
  return w;
}

void resetToolForms() {
  auto& r = registry();
  for (auto& [name, w] : r.instances) delete w.data();
  r.instances.clear();
}

QWidget* launchTool(std::string_view menu, QWidget* owner) {
  const LaunchEntry* e = resolvedEntry(menu);
  if (!e) return nullptr;
  QWidget* form = toolFormInstance(e->form);
  if (!form) return nullptr;
  int stateMode = e->stateMode;
  core::showForm(form, owner, stateMode, e->tips, e->shortName, 1);
  presetControl(form, *e);
  return form;
}

}  // namespace mainwin
