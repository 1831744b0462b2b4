// What the window tests that walk every tool window in every language share: the languages, the
// tool windows the launcher offers, which controls a user meets in a window as it stands, and the
// access key a caption carries.
#pragma once

#include "main_window/widgets/tool_launcher.h"

#include <QFrame>
#include <QGroupBox>
#include <QString>
#include <QWidget>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace mainwin::testing {

inline const char* const kLanguages[] = {"English", "French", "German", "Spanish", "Dutch"};

// Each tool window once (its form name), with the Quick-Find entry that opens it without a preset.
inline std::vector<std::pair<std::string, std::string>> toolWindows() {
  std::vector<std::pair<std::string, std::string>> out;
  std::set<std::string> seen;
  for (const LaunchEntry& e : launchTable()) {
    const LaunchEntry* opened = resolvedEntry(e.menu);
    if (e.parent != "menuQuik" || !opened || !toolFormAvailable(opened->form)) continue;
    if (seen.insert(std::string(opened->form)).second) out.emplace_back(std::string(opened->form), std::string(e.menu));
  }
  return out;
}

// Whether a user (or a screen reader) meets w in form as it stands: shown, or inside a frame that
// is hidden only until an option or a tick calls for it (the frame, not the control, is hidden).
inline bool metInForm(const QWidget* w, const QWidget* form) {
  for (const QWidget* p = w; p && p != form; p = p->parentWidget()) {
    if (!p->isHidden()) continue;
    const QMetaObject* mo = p->metaObject();
    const bool frame = mo == &QFrame::staticMetaObject || mo == &QGroupBox::staticMetaObject || mo == &QWidget::staticMetaObject;
    if (p == w || !frame) return false;
  }
  return true;
}

// The letter a caption underlines for Alt (lower case), or a null character ("&&" is a plain "&").
inline QChar accessKey(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] != u'&') return caption[i + 1].toLower();
    ++i;
  }
  return {};
}

}  // namespace mainwin::testing
