// What the encryption, split and join windows build alike: the Start and Close row at the bottom
// (Close wired to closeForm), and putting the focus back in a box with its text selected after
// the run refused what it holds.
#pragma once

#include "core/widgets/text_controls.h"
#include "tools/frame/widgets/tool_window.h"
#include "tools/text/widgets/frm_list_find_append_controls.h"

#include <QBoxLayout>

namespace tools::file_ops {

struct StartClose {
  uikit::CtrlCmd* start;
  uikit::CtrlCmd* close;
};

inline StartClose addStartCloseRow(tools::ToolWindow* window, QBoxLayout* main) {
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  const StartClose row{tools::text::makeButton(window, "cmdStart", "&Start"),
                       tools::text::makeButton(window, "cmdClose", "&Close")};
  buttons->addWidget(row.start);
  buttons->addWidget(row.close);
  main->addLayout(buttons);
  QObject::connect(row.close, &uikit::CtrlCmd::Click, window, &tools::ToolWindow::closeForm);
  return row;
}

inline void focusAndSelect(QWidget* box) {
  box->setFocus();
  core::SelectText(box);
}

}  // namespace tools::file_ops
