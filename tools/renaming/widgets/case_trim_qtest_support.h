// For the case changer's and the trimmer's window tests: a preview's rows. Only *_qtest.cpp files
// include it.
#pragma once

#include "tools/frame/widgets/tool_qtest_support.h"

#include <QTreeWidget>

#include <map>

namespace tools::testing {

// The rows of the window's ListViewPrev as sample -> what the run would make of it.
inline std::map<QString, QString> previewRows(QWidget* form) {
  auto* list = child<QTreeWidget>(form, "ListViewPrev");
  std::map<QString, QString> rows;
  for (int i = 0; list && i < list->topLevelItemCount(); ++i) {
    rows[list->topLevelItem(i)->text(0)] = list->topLevelItem(i)->text(1);
  }
  return rows;
}

}  // namespace tools::testing
