#include "ui_kit/substring_dialog.h"

#include "core/vb.h"
#include "core/widgets/form_show.h"
#include "core/widgets/host.h"
#include "core/widgets/tool_form.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/look.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace uikit {

namespace {

QPointer<FrmStr>& openDialog() {
  static QPointer<FrmStr> d;
  return d;
}

QLineEdit* makeBox(QWidget* parent, QGridLayout* grid, int row, const char* bakName, const char* boxName,
                   const char* labelName, const QString& caption) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QLatin1String(labelName));
  auto* bak = new QWidget(parent);
  bak->setObjectName(QLatin1String(bakName));
  auto* l = new QHBoxLayout(bak);
  l->setContentsMargins(1, 1, 1, 1);
  auto* box = new QLineEdit(bak);
  box->setObjectName(QLatin1String(boxName));
  box->setText(QStringLiteral("1"));
  box->setFixedWidth(px(735));
  l->addWidget(box);
  grid->addWidget(label, row, 0);
  grid->addWidget(bak, row, 1);
  return box;
}

}  // namespace

std::string clampSubstringField(std::string_view text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return "1";  // empty or all zeros
  if (digits.size() - first > 3 || std::stoi(digits.substr(first)) > 255) return "255";
  return digits;
}

FrmStr* FrmStr::current() { return openDialog().data(); }

FrmStr::FrmStr(QWidget* parent) : UnloadingWindow(parent, true) {
  setObjectName(QStringLiteral("frmStr"));
  setWindowTitle(QStringLiteral("Define Sub-String"));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(px(240), px(240), px(240), px(180));
  auto* grid = new QGridLayout();
  txtStart_ = makeBox(this, grid, 0, "bakTxtStart", "txtStart", "Label1", QStringLiteral("Start Position"));
  txtLen_ = makeBox(this, grid, 1, "bakTxtLen", "txtLen", "Label2", QStringLiteral("Length"));
  outer->addLayout(grid);
  auto* row = new QHBoxLayout();
  cmdStart_ = new CtrlCmd(this);
  cmdStart_->setObjectName(QStringLiteral("cmdStart"));
  cmdStart_->setCaption(QStringLiteral("&Done"));
  cmdStart_->setDesignSize({px(1095), px(375)});
  cmdClose_ = new CtrlCmd(this);
  cmdClose_->setObjectName(QStringLiteral("cmdClose"));
  cmdClose_->setCaption(QStringLiteral("&Cancel"));
  cmdClose_->setDesignSize({px(1095), px(375)});
  row->addStretch(1);
  row->addWidget(cmdStart_);
  row->addWidget(cmdClose_);
  row->addStretch(1);
  outer->addSpacing(px(120));
  outer->addLayout(row);
  for (QLineEdit* box : {txtStart_, txtLen_}) {
    connect(box, &QLineEdit::textChanged, this, [this, box] { clampBox(box); });
  }
  connect(cmdStart_, &CtrlCmd::Click, this, &FrmStr::cmdStartClick);
  connect(cmdClose_, &CtrlCmd::Click, this, &FrmStr::cmdCloseClick);
}

void FrmStr::clampBox(QLineEdit* box) {
  const QString clamped = vb::qs(clampSubstringField(vb::bs(box->text())));
  if (clamped != box->text()) {
    const QSignalBlocker block(box);
    box->setText(clamped);
  }
}

FrmStr* FrmStr::LoadMe(QWidget* myRef) {
  FrmStr* d = openDialog();
  if (!d) {
    d = new FrmStr();
    openDialog() = d;
  }
  d->opener_ = myRef;
  int stateMode = 1;
  core::showForm(d, myRef, stateMode, 1, "Str", 1);
  d->clampBox(d->txtStart_);
  d->clampBox(d->txtLen_);
  d->txtStart_->setFocus();
  return d;
}

void FrmStr::cmdStartClick() {
  if (opener_) opener_->setEnabled(true);
  if (auto* form = dynamic_cast<core::ToolForm*>(opener_.data())) {
    form->loadHandleFrmStr(txtStart_->text() + QLatin1Char(';') + txtLen_->text());
  }
  unload();
}

void FrmStr::cmdCloseClick() { unload(); }

void FrmStr::unloadWindow() {
  core::hideForm(this, opener_, 1, 1);
  if (openDialog() == this) openDialog() = nullptr;
}

}  // namespace uikit
