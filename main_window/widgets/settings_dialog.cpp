#include "main_window/widgets/settings_dialog.h"

#include "core/settings.h"
#include "core/state.h"
#include "core/widgets/form_show.h"
#include "core/widgets/host.h"
#include "main_window/startup_steps.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QRadioButton>
#include <QVBoxLayout>

namespace mainwin {

namespace {

QRadioButton* option(QWidget* parent, QLayout* layout, const char* name, const char* caption) {
  auto* o = new QRadioButton(QString::fromUtf8(caption), parent);
  o->setObjectName(QString::fromLatin1(name));
  layout->addWidget(o);
  return o;
}

uikit::CtrlCheckBox* check(QWidget* parent, QLayout* layout, const char* name, const char* caption, int value) {
  auto* c = new uikit::CtrlCheckBox(parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setCaption(QString::fromUtf8(caption));
  c->setValue(value);
  layout->addWidget(c);
  return c;
}

QGroupBox* frame(QWidget* parent, const char* name) {
  auto* g = new QGroupBox(parent);
  g->setObjectName(QString::fromLatin1(name));
  return g;
}

}  // namespace

std::string propertiesProgramPath() { return core::coreState().exeDir + "Properties"; }

FrmSettings::FrmSettings(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmSettings"));
  setWindowTitle(QStringLiteral("Corvane Settings"));

  auto* f3 = frame(this, "Frame3");
  auto* l3 = new QVBoxLayout(f3);
  optProtect_ = option(f3, l3, "optProtect", "Smart Protect Is ON");
  optNoProtect_ = option(f3, l3, "optNoProtect", "Smart Protect Is OFF");
  chkSPLaunch_ = check(f3, l3, "chkSPLaunch", "Turn Smart Protect On When Corvane Next Launches", 1);
  optProtect_->setChecked(true);

  auto* f2 = frame(this, "Frame2");
  auto* l2 = new QVBoxLayout(f2);
  optDeleteY_ = option(f2, l2, "optDeleteY", "Send deleted files directly to the recycle bin (recommended)");
  optDeleteN_ = option(f2, l2, "optDeleteN", "Remove deleted files without sending to the recycle bin");
  optDeleteY_->setChecked(true);

  auto* f1 = frame(this, "Frame1");
  auto* l1 = new QVBoxLayout(f1);
  optContentY_ = option(f1, l1, "optContentY", "Copy files to the recycle bin before editing contents (recommended)");
  optContentN_ = option(f1, l1, "optContentN", "Do not copy files to the recycle bin before editing contents");
  optContentY_->setChecked(true);

  auto* main = new QVBoxLayout(this);
  main->addWidget(f3);
  main->addWidget(f2);
  main->addWidget(f1);
  chkProp_ = check(this, main, "chkProp", "Integrate properties editor with windows context menu", 1);
  chkStartProp_ = check(this, main, "chkStartProp", "Load properties editor on launch", 0);
  cmdClose_ = new uikit::CtrlCmd(this);
  cmdClose_->setObjectName(QStringLiteral("cmdClose"));
  cmdClose_->setCaption(QStringLiteral("&Done"));
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(cmdClose_);
  main->addLayout(row);
  main->setSizeConstraint(QLayout::SetMinimumSize);

  // Each group is exclusive on its own (the frames are separate parents already).
  connect(optNoProtect_, &QRadioButton::toggled, this, &FrmSettings::updateLaunchVisibility);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmSettings::saveAndClose);
  updateLaunchVisibility();
  adjustSize();
}

void FrmSettings::updateLaunchVisibility() { chkSPLaunch_->setVisible(optNoProtect_->isChecked()); }

SettingsValues FrmSettings::values() const {
  SettingsValues v;
  v.sendContent = optContentY_->isChecked() ? "0" : "1";
  v.sendDeleted = optDeleteY_->isChecked() ? "0" : "1";
  v.smartProtect = optProtect_->isChecked() ? "1" : chkSPLaunch_->Value() > 0 ? "2" : "0";
  v.isShell = chkProp_->Value() > 0 ? "1" : "0";
  v.isProp = chkStartProp_->Value() > 0 ? "1" : "0";
  return v;
}

void FrmSettings::saveAndClose() {
  if (closing_) return;
  closing_ = true;
  const SettingsValues v = values();
  core::saveSet("sendContent", v.sendContent);
  core::saveSet("sendDeleted", v.sendDeleted);
  core::saveSet("smartProtect", v.smartProtect);
  (void)syncPropertiesEntry(propertiesProgram_.empty() ? propertiesProgramPath() : propertiesProgram_,
                            v.isShell == "1");
  core::saveSet("isShell", v.isShell);
  core::saveSet("isProp", v.isProp);
  core::hideForm(this, core::host().mainForm(), 1, 1);
  closing_ = false;
}

void FrmSettings::showEvent(QShowEvent* e) {
  updateLaunchVisibility();
  // The language file may have changed captions and font since the last layout.
  adjustSize();
  QWidget::showEvent(e);
}

void FrmSettings::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    saveAndClose();
    return;
  }
  QWidget::keyReleaseEvent(e);
}

void FrmSettings::closeEvent(QCloseEvent* e) {
  if (!closing_) {
    e->ignore();
    saveAndClose();
    return;
  }
  QWidget::closeEvent(e);
}

void FrmSettings::changeEvent(QEvent* e) {
  if (e->type() == QEvent::WindowStateChange && isMinimized()) core::host().minForm();
  QWidget::changeEvent(e);
}

}  // namespace mainwin
