// Building the controls of the lister, finder and appender windows: each control gets the name
// the language and form-state files know it by, and its English design caption, which the
// language file replaces. Also what a Start reads of the main window.
#pragma once

#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QGroupBox>
#include <QLayout>
#include <QRadioButton>

namespace tools::text {

inline QRadioButton* makeOption(QWidget* parent, QLayout* layout, const char* name, const char* caption) {
  auto* o = new QRadioButton(QString::fromUtf8(caption), parent);
  o->setObjectName(QString::fromLatin1(name));
  layout->addWidget(o);
  return o;
}

inline uikit::CtrlCheckBox* makeCheck(QWidget* parent, QLayout* layout, const char* name, const char* caption) {
  auto* c = new uikit::CtrlCheckBox(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setCaption(QString::fromUtf8(caption));
  layout->addWidget(c);
  return c;
}

inline QGroupBox* makeFrame(QWidget* parent, const char* name, const char* caption) {
  auto* g = new QGroupBox(QString::fromUtf8(caption), parent);
  g->setObjectName(QString::fromLatin1(name));
  return g;
}

inline uikit::CtrlCmd* makeButton(QWidget* parent, const char* name, const char* caption) {
  auto* b = new uikit::CtrlCmd(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setCaption(QString::fromUtf8(caption));
  return b;
}

// The main window's include-subfolders and include-hidden boxes (both off without a main window).
struct MainBoxes {
  bool withSubfolders = false;
  bool withHidden = false;
};
inline MainBoxes mainBoxes(const mainwin::MainForm* main) {
  if (!main || !main->panel()) return {};
  return {.withSubfolders = main->panel()->chkInclude->Value() != 0,
          .withHidden = main->panel()->chkIncHidden->Value() != 0};
}

}  // namespace tools::text
