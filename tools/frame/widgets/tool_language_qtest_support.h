// Test support for tool windows: a window opened in each of the five languages, the texts that do
// not fit their controls in each, and its titles. Only *_qtest.cpp files include it.
#pragma once

#include "core/state.h"
#include "main_window/widgets/cut_texts_test_support.h"
#include "tools/frame/widgets/tool_window.h"

#include <QStringList>

#include <functional>

namespace tools::testing {

struct LanguagePass {
  QStringList titles;    // the window's title in each language, in language order
  QStringList problems;  // "[language] ..." for each text that does not fit, and windows that did not open
};

// For each language: sets it, open() shows the window (nullptr when it did not open), look(w, check)
// puts the window in each state worth looking at and calls check() in each, then the window closes.
// English is set again at the end.
template <class Window>
LanguagePass inEveryLanguage(const std::function<Window*()>& open,
                             const std::function<void(Window*, const std::function<void()>&)>& look = {}) {
  LanguagePass out;
  for (int lang = 0; lang < 5; ++lang) {
    core::coreState().langIndex = lang;
    Window* w = open();
    if (!w) {
      out.titles << QString();
      out.problems << QStringLiteral("[%1] the window did not open").arg(lang);
      continue;
    }
    out.titles << w->windowTitle();
    const std::function<void()> check = [&] {
      for (const QString& p : mainwin::test::cutTexts(w)) out.problems << QStringLiteral("[%1] ").arg(lang) + p;
    };
    if (look) {
      look(w, check);
    } else {
      check();
    }
    static_cast<ToolWindow*>(w)->closeForm();
  }
  core::coreState().langIndex = 0;
  return out;
}

}  // namespace tools::testing
