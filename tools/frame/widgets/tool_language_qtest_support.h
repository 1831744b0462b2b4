// Test support for tool windows: a window opened in each of the five languages, the texts that do
// not fit their controls in each, and its titles. Only *_qtest.cpp files include it.
#pragma once

#include "core/language_file.h"
#include "core/state.h"
#include "main_window/widgets/cut_texts_test_support.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "tools/frame/widgets/tool_window.h"

#include <QRadioButton>
#include <QStringList>
#include <QTest>

#include <functional>
#include <initializer_list>
#include <utility>

namespace tools::testing {

struct LanguagePass {
  QStringList titles;    // the window's title in each language, in language order
  QStringList problems;  // "[language state] ..." for each text that does not fit, a title left in
                         // English, and windows that did not open
};

// Handed to look(): check(state) looks at the window as it stands, state naming what look() chose
// (an option's name, or nothing). Texts that do not fit go to the problems; with CORVANE_SHOT_DIR
// set, the window is also saved there as "<window>-<language>[-<state>].png" to look at.
class Check {
 public:
  explicit Check(std::function<void(const char*)> look) : look_(std::move(look)) {}
  void operator()(const char* state = "") const { look_(state); }

 private:
  std::function<void(const char*)> look_;
};

// Chooses each of the window's radio buttons named in turn and checks the window with each, the
// state named after the button. A name the window lacks fails the test.
inline void checkEachOption(QWidget* w, const Check& check, std::initializer_list<const char*> options) {
  for (const char* name : options) {
    auto* option = child<QRadioButton>(w, name);
    QVERIFY2(option, name);
    option->setChecked(true);
    QTest::qWait(20);
    check(name);
  }
}

// For each language: sets it (and the main window's messages), open() shows the window (nullptr
// when it did not open), look(w, check) puts the window in each state worth looking at and calls
// check() in each, then the window closes. A title that stays English in another language is a
// problem. The language in use before is set again at the end.
template <class Window>
LanguagePass inEveryLanguage(const std::function<Window*()>& open,
                             const std::function<void(Window*, const Check&)>& look = {}) {
  static const char* const names[] = {"English", "French", "German", "Spanish", "Dutch"};
  LanguagePass out;
  const int before = core::coreState().langIndex;
  const QString shots = qEnvironmentVariable("CORVANE_SHOT_DIR");
  for (int lang = 0; lang < 5; ++lang) {
    core::coreState().langIndex = lang;
    (void)core::loadLanguageFile("Main");
    const QString language = QString::fromLatin1(names[lang]);
    Window* w = open();
    if (!w) {
      out.titles << QString();
      out.problems << QStringLiteral("[%1] the window did not open").arg(language);
      continue;
    }
    out.titles << w->windowTitle();
    if (lang > 0 && !out.titles[0].isEmpty() && w->windowTitle() == out.titles[0]) {
      out.problems << QStringLiteral("[%1] the title is left in English: \"%2\"").arg(language, w->windowTitle());
    }
    const Check check([&](const char* state) {
      const QString where = *state ? language + QLatin1Char(' ') + QLatin1String(state) : language;
      if (!shots.isEmpty()) {
        QString file = w->objectName() + QLatin1Char('-') + language;
        if (*state) file += QLatin1Char('-') + QLatin1String(state);
        (void)w->grab().save(shots + QLatin1Char('/') + file + QStringLiteral(".png"));
      }
      for (const QString& p : mainwin::test::cutTexts(w)) out.problems << QStringLiteral("[%1] ").arg(where) + p;
    });
    if (look) {
      look(w, check);
    } else {
      check();
    }
    static_cast<ToolWindow*>(w)->closeForm();
  }
  core::coreState().langIndex = before;
  (void)core::loadLanguageFile("Main");
  return out;
}

}  // namespace tools::testing
