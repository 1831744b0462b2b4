#include "tools/renaming/widgets/case_trim_controls.h"

#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/look.h"

#include <QHeaderView>
#include <QLayout>
#include <QRadioButton>
#include <QTreeWidget>

namespace tools {

QRadioButton* addModeOption(QWidget* parent, QLayout* layout, const QString& name, const QString& caption) {
  auto* o = new QRadioButton(caption, parent);
  o->setObjectName(name);
  layout->addWidget(o);
  return o;
}

uikit::CtrlCmd* addFlatButton(QWidget* parent, const char* name, const char* caption) {
  auto* b = new uikit::CtrlCmd(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setCaption(QString::fromUtf8(caption));
  b->setDesignSize(QSize(uikit::px(1000), uikit::px(375)));
  return b;
}

QTreeWidget* addPreviewList(QWidget* parent, const QString& result, int firstColumnTwips, int minWidthTwips) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(QStringLiteral("ListViewPrev"));
  list->setColumnCount(2);
  list->setHeaderLabels({QStringLiteral("Name"), result});
  list->setRootIsDecorated(false);
  list->setSelectionMode(QAbstractItemView::NoSelection);
  list->header()->setSectionsMovable(false);
  list->setColumnWidth(0, uikit::px(firstColumnTwips));
  list->setMinimumWidth(uikit::px(minWidthTwips) + 4);
  list->setFixedHeight(uikit::px(1700));
  return list;
}

}  // namespace tools
