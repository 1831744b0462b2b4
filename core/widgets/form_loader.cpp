#include "core/widgets/form_loader.h"

#include "core/data_files.h"
#include "core/file_content.h"
#include "core/file_paths.h"
#include "core/form_state.h"
#include "core/language_file.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "core/widgets/text_controls.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <algorithm>
#include <memory>
#include <utility>

namespace core {

namespace {

using Tips = std::vector<std::pair<QString, std::unique_ptr<TipObject>>>;
Tips& tipList() {
  static Tips tips;
  return tips;
}

bool in(std::string_view prefix, std::initializer_list<std::string_view> set) {
  return std::find(set.begin(), set.end(), prefix) != set.end();
}

bool hasProperty(const QObject* o, const char* name) { return o->property(name).isValid(); }

void collect(QObject* parent, std::vector<QObject*>& out) {
  for (QObject* child : parent->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (w && w->isWindow() && !qobject_cast<QMenu*>(w)) continue;  // another form
    const QString name = child->objectName();
    if ((w || qobject_cast<QAction*>(child)) && !name.isEmpty() && !name.startsWith(QLatin1String("qt_"))) {
      out.push_back(child);
    }
    collect(child, out);
  }
}

QAction* actionOf(QObject* o) {
  if (auto* a = qobject_cast<QAction*>(o)) return a;
  if (auto* m = qobject_cast<QMenu*>(o)) return m->menuAction();
  return nullptr;
}

// --- text and caption ---------------------------------------------------------------------------

void setText(QObject* o, const QString& t) {
  if (hasProperty(o, "Text")) {
    o->setProperty("Text", t);
  } else if (auto* e = qobject_cast<QLineEdit*>(o)) {
    e->setText(t);
  } else if (auto* c = qobject_cast<QComboBox*>(o)) {
    if (c->isEditable()) {
      c->setEditText(t);
    } else {
      c->setCurrentText(t);
    }
  } else if (auto* p = qobject_cast<QPlainTextEdit*>(o)) {
    p->setPlainText(t);
  } else if (auto* r = qobject_cast<QTextEdit*>(o)) {
    r->setPlainText(t);
  }
}

QString getText(QObject* o) {
  if (hasProperty(o, "Text")) return o->property("Text").toString();
  if (auto* e = qobject_cast<QLineEdit*>(o)) return e->text();
  if (auto* c = qobject_cast<QComboBox*>(o)) return c->currentText();
  if (auto* p = qobject_cast<QPlainTextEdit*>(o)) return p->toPlainText();
  if (auto* r = qobject_cast<QTextEdit*>(o)) return r->toPlainText();
  return {};
}

bool holdsText(QObject* o) {
  return hasProperty(o, "Text") || qobject_cast<QLineEdit*>(o) || qobject_cast<QComboBox*>(o) ||
         qobject_cast<QPlainTextEdit*>(o) || qobject_cast<QTextEdit*>(o);
}

void setCaption(QObject* o, const QString& t) {
  if (hasProperty(o, "Caption")) {
    o->setProperty("Caption", t);
  } else if (auto* m = qobject_cast<QMenu*>(o)) {
    m->setTitle(t);
  } else if (auto* a = qobject_cast<QAction*>(o)) {
    a->setText(t);
  } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
    b->setText(t);
  } else if (auto* l = qobject_cast<QLabel*>(o)) {
    l->setText(t);
  } else if (auto* g = qobject_cast<QGroupBox*>(o)) {
    g->setTitle(t);
  }
}

void setFontName(QObject* o, const std::string& fontName) {
  auto* w = qobject_cast<QWidget*>(o);
  if (!w || qobject_cast<QMenu*>(w)) return;
  QFont f = w->font();
  f.setFamily(vb::qs(fontName));
  w->setFont(f);
}

// --- values -------------------------------------------------------------------------------------

// A saved list index that a combo box cannot take yet because its items are filled later (from
// the settings, a folder, a history): kept on the box and applied once it holds that many items,
// and what the box saves until then, so that closing it unfilled does not lose the choice. The
// user's own pick replaces it.
constexpr const char* kPendingIndex = "pendingListIndex";

void applyPendingIndex(QComboBox* c) {
  const QVariant pending = c->property(kPendingIndex);
  if (!pending.isValid() || pending.toInt() >= c->count()) return;
  c->setProperty(kPendingIndex, QVariant());
  c->setCurrentIndex(pending.toInt());
}

void setComboIndex(QComboBox* c, std::int64_t n) {
  if (n < -1 || n > (1 << 30)) return;
  if (n < c->count()) {
    c->setProperty(kPendingIndex, QVariant());
    c->setCurrentIndex(static_cast<int>(n));
    return;
  }
  c->setProperty(kPendingIndex, static_cast<int>(n));
  if (c->property("pendingListIndexWatched").toBool()) return;
  c->setProperty("pendingListIndexWatched", true);
  QObject::connect(c->model(), &QAbstractItemModel::rowsInserted, c, [c] { applyPendingIndex(c); });
  QObject::connect(c, &QComboBox::activated, c, [c] { c->setProperty(kPendingIndex, QVariant()); });
}

std::optional<bool> boolValue(const std::string& v) {
  const std::string t = vb::LCase(vb::Trim(v));
  if (t == "true") return true;
  if (t == "false") return false;
  if (!t.empty() && ((t[0] >= '0' && t[0] <= '9') || t[0] == '-' || t[0] == '+')) return vb::Val(t) != 0;
  return std::nullopt;
}

std::optional<std::string> savedValue(QObject* o, const std::string& prefix, int mode) {
  if (prefix == "chk") {
    if (hasProperty(o, "Value")) return vb::Str(o->property("Value").toInt());
    if (auto* c = qobject_cast<QCheckBox*>(o)) {
      // Check values: 0 unticked, 1 ticked, 2 greyed.
      const Qt::CheckState s = c->checkState();
      return vb::Str(s == Qt::Checked ? 1 : s == Qt::PartiallyChecked ? 2 : 0);
    }
    if (auto* b = qobject_cast<QAbstractButton*>(o)) return std::string(b->isChecked() ? "1" : "0");
    return std::nullopt;
  }
  if (prefix == "opt" || prefix == "sme") {
    std::optional<bool> v;
    if (hasProperty(o, "Value")) {
      v = o->property("Value").toBool();
    } else if (QAction* a = actionOf(o)) {
      v = a->isChecked();
    } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
      v = b->isChecked();
    }
    if (!v) return std::nullopt;
    return std::string(*v ? "True" : "False");
  }
  if (prefix == "txt") {
    if (!holdsText(o)) return std::nullopt;
    return mode == 1 ? vb::bs(getText(o)) : std::string();
  }
  if (prefix == "fil") {
    if (!hasProperty(o, "Pattern")) return std::nullopt;
    return vb::bpath(o->property("Pattern").toString());
  }
  if (prefix == "dir") {
    if (!hasProperty(o, "Path")) return std::nullopt;
    return vb::bpath(o->property("Path").toString());
  }
  if (prefix == "com") {
    if (hasProperty(o, "ListIndex")) return vb::Str(o->property("ListIndex").toInt());
    if (auto* c = qobject_cast<QComboBox*>(o)) {
      const QVariant pending = c->property(kPendingIndex);
      return vb::Str(pending.isValid() ? pending.toInt() : c->currentIndex());
    }
    return std::nullopt;
  }
  if (prefix == "dri") {
    for (const char* p : {"Drive", "Path"}) {
      if (hasProperty(o, p)) return vb::bpath(o->property(p).toString());
    }
    return std::nullopt;
  }
  return std::nullopt;
}

void restoreValue(QObject* o, const std::string& prefix, const std::string& value, int mode) {
  if (prefix == "chk") {
    const std::int64_t n = vb::ValInt(value);
    if (n < 0 || n > 2) return;  // not a check value
    if (hasProperty(o, "Value")) {
      o->setProperty("Value", static_cast<int>(n));
    } else if (auto* c = qobject_cast<QCheckBox*>(o)) {
      if (n == 2) c->setTristate(true);
      c->setCheckState(n == 0 ? Qt::Unchecked : n == 1 ? Qt::Checked : Qt::PartiallyChecked);
    } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
      b->setChecked(n != 0);
    }
  } else if (prefix == "opt" || prefix == "sme") {
    const auto v = boolValue(value);
    if (!v) return;
    if (hasProperty(o, "Value")) {
      o->setProperty("Value", *v);
    } else if (QAction* a = actionOf(o)) {
      if (*v) a->setCheckable(true);
      a->setChecked(*v);
    } else if (auto* b = qobject_cast<QAbstractButton*>(o)) {
      if (*v) b->setCheckable(true);
      b->setChecked(*v);
    }
  } else if (prefix == "txt") {
    if (mode == 1) setText(o, vb::qs(value));
  } else if (prefix == "fil") {
    if (hasProperty(o, "Pattern")) o->setProperty("Pattern", vb::qpath(value));
  } else if (prefix == "dir") {
    if (hasProperty(o, "Path") && !value.empty()) o->setProperty("Path", vb::qpath(AddSlash(value)));
  } else if (prefix == "com") {
    const std::int64_t n = vb::ValInt(value);
    if (hasProperty(o, "ListIndex")) {
      o->setProperty("ListIndex", static_cast<int>(std::clamp<std::int64_t>(n, -1, 1 << 30)));
    } else if (auto* c = qobject_cast<QComboBox*>(o)) {
      setComboIndex(c, n);
    }
  } else if (prefix == "dri") {
    for (const char* p : {"Drive", "Path"}) {
      if (hasProperty(o, p)) {
        o->setProperty(p, vb::qpath(value));
        break;
      }
    }
  }
}

std::string defaultStatePath(QWidget* form) {
  return coreState().appPath + vb::bs(form->objectName()) + ".txt";
}

void languagePart(QWidget* form, const std::vector<QObject*>& controls, std::string_view shortName) {
  const LanguageLoad load = loadLanguageFile(shortName);
  if (load.missing) {
    host().respond(form, "O", msgMain(load.tooLarge ? 161 : 85) + load.path, "W", "");
    return;
  }
  if (!load.section) return;
  const std::string& section = *load.section;
  const std::string& fontName = coreState().fontName;
  for (QObject* o : controls) {
    const std::string prefix = controlPrefix(o);
    const auto text = sectionEntry(section, vb::bs(o->objectName()));
    if (text) {
      const QString t = vb::qs(*text);
      if (in(prefix, {"txt", "com"})) {
        setText(o, t);
      } else if (in(prefix, {"arr", "opt", "chk", "lbl", "cmd", "fra", "sme", "men"})) {
        setCaption(o, t);
      }
      if (in(prefix, {"txt", "com", "arr", "opt", "chk", "lbl", "cmd", "fra", "lis"})) setFontName(o, fontName);
    } else if (in(prefix, {"dir", "txt", "arr", "opt", "chk", "com", "lbl", "cmd", "fra", "dri", "lis"})) {
      setFontName(o, fontName);
    }
  }
  if (auto caption = sectionEntry(section, vb::bs(form->objectName()))) form->setWindowTitle(vb::qs(*caption));
}

}  // namespace

std::vector<QObject*> formControls(QWidget* form) {
  std::vector<QObject*> out;
  if (form) collect(form, out);
  return out;
}

std::string controlPrefix(const QObject* control) {
  return vb::LCase(vb::Left(vb::bs(control->objectName()), 3));
}

void loadForm(QWidget* form, int& stateMode, std::string_view pathOrText, std::string_view shortName) {
  if (!form) return;
  const std::vector<QObject*> controls = formControls(form);
  if (!shortName.empty()) languagePart(form, controls, shortName);

  ParsedFormState state;
  if (stateMode == 3) {
    state = parseFormState(pathOrText, false);
    stateMode = 1;
  } else {
    const std::string path = pathOrText.empty() ? defaultStatePath(form) : std::string(pathOrText);
    const CappedRead text = readCapped(path);
    // A state file beyond any real one is left alone and the window opens as it was made.
    if (text.tooLarge) host().respond(form, "O", msgMain(161) + path, "W", "");
    state = parseFormState(text.data ? std::string_view(*text.data) : std::string_view{});
    if (!state.valid) {
      stateMode = 0;
    } else if (state.winState == 2) {
      form->setWindowState((form->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    } else {
      form->setWindowState(form->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    }
  }

  const CoreState& st = coreState();
  for (QObject* o : controls) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w) continue;
    const std::string prefix = controlPrefix(o);
    if (prefix == "bak") {
      setBackColour(w, st.backColor);
    } else if (in(prefix, {"lis", "txt", "fil", "dir", "com", "dri"}) && !w->testAttribute(Qt::WA_Disabled)) {
      setBackColour(w, st.backColor);
      setForeColour(w, st.foreColor);
      if (prefix == "dir") host().setTreeHiddenColour(w, st.hiddenColor);
    }
  }
  if (stateMode == 0) return;

  for (QObject* o : controls) {
    const auto value = state.value(vb::bs(o->objectName()));
    if (value) restoreValue(o, controlPrefix(o), *value, stateMode);
  }
}

std::string formStateText(QWidget* form, int mode) {
  std::vector<FormStateEntry> entries;
  int winState = 0;
  if (form) {
    const Qt::WindowStates s = form->windowState();
    winState = (s & Qt::WindowMinimized) ? 0 : (s & Qt::WindowMaximized) ? 2 : 0;
    if (mode != 0) {
      for (QObject* o : formControls(form)) {
        if (auto v = savedValue(o, controlPrefix(o), mode)) entries.push_back({vb::bs(o->objectName()), std::move(*v)});
      }
    }
  }
  return buildFormState(winState, entries);
}

int saveFormState(QWidget* form, std::string& path, int mode) {
  if (path == "N") {
    path = formStateText(form, mode);
    return 0;
  }
  return saveFormState(form, std::string_view(path), mode);
}

int saveFormState(QWidget* form, std::string_view path, int mode) {
  if (!form || mode == 0 || path == "N") return 0;
  const std::string target = path.empty() ? defaultStatePath(form) : std::string(path);
  return OutputFile(target, formStateText(form, mode));
}

void loadToolTips(QWidget* form) {
  clearToolTips();
  if (!form) return;
  // A tip file larger than any real one is passed over like a missing one.
  const std::string text =
      readCapped(dataFile(tipFileName(vb::bs(form->objectName()), coreState().langIndex))).data.value_or(std::string());
  if (text.size() <= 5 || !host().sMenuAuto()) return;
  const CoreState& st = coreState();
  for (QObject* o : formControls(form)) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w) continue;
    const auto tip = sectionEntry(text, vb::bs(o->objectName()));
    if (!tip) continue;
    if (auto obj = host().makeTip(w, form, *tip, st.foreColor, st.backColor, st.fontName)) {
      tipList().emplace_back(o->objectName(), std::move(obj));
    }
  }
}

std::vector<QString> liveTipNames() {
  std::vector<QString> names;
  for (const auto& [name, tip] : tipList()) names.push_back(name);
  return names;
}

void clearToolTips() { tipList().clear(); }

}  // namespace core
