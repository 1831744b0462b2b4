// For the case changer's and the trimmer's window tests: a preview's rows, and the texts each
// window shows cut short in any language and any mode. Only *_qtest.cpp files include it.
#pragma once

#include "core/language_file.h"
#include "core/state.h"
#include "main_window/widgets/cut_texts_test_support.h"

#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <functional>
#include <map>

namespace tools::testing {

// The rows of the window's ListViewPrev as sample -> what the run would make of it.
inline std::map<QString, QString> previewRows(QWidget* form) {
  auto* list = form->findChild<QTreeWidget*>(QStringLiteral("ListViewPrev"));
  std::map<QString, QString> rows;
  for (int i = 0; list && i < list->topLevelItemCount(); ++i) {
    rows[list->topLevelItem(i)->text(0)] = list->topLevelItem(i)->text(1);
  }
  return rows;
}

// Opens the window through open() in each of the five languages, chooses each of its modes
// (optFile, optFold, optContents) and lists every text cut short as "[language mode] problem",
// plus a caption left in English. With CORVANE_SHOT_DIR set, saves each layout there as a PNG to
// look at. close(form) closes the window after each language.
inline QStringList cutTextsInEveryLanguage(const std::function<QWidget*()>& open,
                                           const std::function<void(QWidget*)>& close) {
  QStringList problems;
  const int saved = core::coreState().langIndex;
  const QString shots = qEnvironmentVariable("CORVANE_SHOT_DIR");
  QString english;
  for (int lang = 0; lang < 5; ++lang) {
    core::coreState().langIndex = lang;
    (void)core::loadLanguageFile("Main");
    QWidget* form = open();
    if (lang == 0) english = form->windowTitle();
    if (lang > 0 && form->windowTitle() == english) problems << QStringLiteral("[%1] caption in English").arg(lang);
    for (const char* mode : {"optFile", "optFold", "optContents"}) {
      form->findChild<QRadioButton*>(QString::fromLatin1(mode))->setChecked(true);
      QTest::qWait(20);
      const QString where = QStringLiteral("%1%2").arg(lang).arg(QLatin1String(mode));
      if (!shots.isEmpty()) form->grab().save(shots + QLatin1Char('/') + form->objectName() + where + ".png");
      for (const QString& p : mainwin::test::cutTexts(form)) {
        problems << QStringLiteral("[%1 %2] ").arg(lang).arg(QLatin1String(mode)) + p;
      }
    }
    close(form);
  }
  core::coreState().langIndex = saved;
  (void)core::loadLanguageFile("Main");
  return problems;
}

}  // namespace tools::testing
