// The rows the date and attribute windows share: a pair of option buttons choosing the window's
// mode at the top (the first chosen), and Start and Close at the bottom right.
#pragma once

#include "tools/text/widgets/frm_list_find_append_controls.h"

#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tools::file_ops {

inline void addModeRow(QWidget* form, QVBoxLayout* layout, QRadioButton*& first, const char* firstName,
                       const char* firstCaption, QRadioButton*& second, const char* secondName,
                       const char* secondCaption) {
  auto* row = new QWidget(form);
  auto* options = new QHBoxLayout(row);
  options->setContentsMargins(0, 0, 0, 0);
  first = tools::text::makeOption(row, options, firstName, firstCaption);
  second = tools::text::makeOption(row, options, secondName, secondCaption);
  options->addStretch(1);
  first->setChecked(true);
  layout->addWidget(row);
}

inline void addStartClose(QWidget* form, QVBoxLayout* layout, uikit::CtrlCmd*& start, uikit::CtrlCmd*& close) {
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  start = tools::text::makeButton(form, "cmdStart", "&Start");
  close = tools::text::makeButton(form, "cmdClose", "&Close");
  buttons->addWidget(start);
  buttons->addWidget(close);
  layout->addStretch(1);
  layout->addLayout(buttons);
}

}  // namespace tools::file_ops
