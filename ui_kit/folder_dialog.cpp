#include "ui_kit/folder_dialog.h"

#include "core/file_paths.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/form_show.h"
#include "core/widgets/host.h"
#include "core/widgets/tool_form.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/ctrl_tree_dir.h"
#include "ui_kit/look.h"
#include "ui_kit/message_box.h"

#include <QHBoxLayout>
#include <QMenuBar>
#include <QVBoxLayout>

namespace uikit {

namespace {

QPointer<FrmBrowse2>& openDialog() {
  static QPointer<FrmBrowse2> d;
  return d;
}

}  // namespace

FrmBrowse2* FrmBrowse2::current() { return openDialog().data(); }

FrmBrowse2::FrmBrowse2(QWidget* parent) : UnloadingWindow(parent, true) {
  setObjectName(QStringLiteral("frmBrowse2"));
  setWindowTitle(QStringLiteral("Select Folder Path"));
  resize(px(4800), px(5400));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(px(120), px(60), px(120), px(120));
  auto* bar = new QMenuBar(this);
  outer->setMenuBar(bar);
  QAction* desktop = bar->addAction(QStringLiteral("Desktop"));
  desktop->setObjectName(QStringLiteral("menuDesktop"));
  connect(desktop, &QAction::triggered, this, &FrmBrowse2::menuDesktopClick);

  auto* bak = new QWidget(this);
  bak->setObjectName(QStringLiteral("bakDir1"));
  auto* bakLayout = new QVBoxLayout(bak);
  bakLayout->setContentsMargins(1, 1, 1, 1);
  dir1_ = new CtrlTreeDir(bak);
  dir1_->setObjectName(QStringLiteral("dir1"));
  bakLayout->addWidget(dir1_);
  outer->addWidget(bak, 1);

  auto* row = new QHBoxLayout();
  row->addStretch(1);
  cmdOpen_ = new CtrlCmd(this);
  cmdOpen_->setObjectName(QStringLiteral("cmdOpen"));
  cmdOpen_->setCaption(QStringLiteral("&Open"));
  cmdOpen_->setDesignSize({px(1095), px(375)});
  cmdCancel_ = new CtrlCmd(this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel_->setCaption(QStringLiteral("Cancel"));
  cmdCancel_->setDesignSize({px(1095), px(375)});
  row->addWidget(cmdOpen_);
  row->addWidget(cmdCancel_);
  outer->addLayout(row);
  connect(cmdOpen_, &CtrlCmd::Click, this, &FrmBrowse2::cmdOpenClick);
  connect(cmdCancel_, &CtrlCmd::Click, this, &FrmBrowse2::cmdCancelClick);
}

FrmBrowse2* FrmBrowse2::LoadMe(QWidget* myForm, const QString& myPath) {
  FrmBrowse2* d = openDialog();
  if (!d) {
    d = new FrmBrowse2();
    openDialog() = d;
  }
  core::Host& h = core::host();
  d->setWindowIcon(h.icon());
  int stateMode = 1;
  core::loadForm(d, stateMode, {}, "Browse2");
  d->dir1_->setWords(treeWordsFor("Browse2"));
  const std::string path = vb::bpath(myPath);
  if (!path.empty() && core::PathExist(path) != 0) d->dir1_->setPathBytes(QByteArray::fromStdString(path));
  d->opener_ = myForm;
  d->dir1_->Initialize();
  if (h.sMenuOpa() && myForm) h.formOpacity(myForm, true);
  placeOverOwner(d, myForm ? myForm->window() : h.getForm());
  d->show();
  d->raise();
  d->activateWindow();
  h.addForm(d);
  return d;
}

void FrmBrowse2::cmdOpenClick() {
  const QByteArray folder = dir1_->pathBytes();
  // The root node names no folder, and a folder removed meanwhile is no answer either.
  if (folder.isEmpty() || folder.front() != '/' || core::PathExist(folder.toStdString()) == 0) return;
  (void)core::saveFormState(this, std::string_view{}, 1);
  hide();
  if (auto* form = dynamic_cast<core::ToolForm*>(opener_.data())) form->browseClose(vb::qpath(folder.toStdString()));
  unload();
}

void FrmBrowse2::cmdCancelClick() { unload(); }

void FrmBrowse2::menuDesktopClick() {
  const std::string desktop = core::GetDesktop();
  if (desktop == "A_Err") {
    respond(this, "O", core::msgMain(2), "E", "");
    return;
  }
  dir1_->setPathBytes(QByteArray::fromStdString(desktop));
}

void FrmBrowse2::unloadWindow() {
  core::Host& h = core::host();
  if (h.sMenuOpa() && opener_) h.formOpacity(opener_, false);
  core::hideForm(this, opener_, 0, 1);
  if (openDialog() == this) openDialog() = nullptr;
}

}  // namespace uikit
