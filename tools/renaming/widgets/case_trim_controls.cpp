#include "tools/renaming/widgets/case_trim_controls.h"

#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/look.h"

#include <QLayout>
#include <QRadioButton>

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

}  // namespace tools
