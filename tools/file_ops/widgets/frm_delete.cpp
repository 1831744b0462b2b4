#include "tools/file_ops/widgets/frm_delete.h"

#include "core/vb.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/tool_launcher.h"
#include "platform/mounts.h"
#include "platform/program_paths.h"
#include "tools/file_ops/delete_run.h"
#include "tools/file_ops/widgets/frm_delete_tool.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QFile>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <optional>
#include <vector>

namespace tools::file_ops {

namespace {

QRadioButton* option(QWidget* parent, QLayout* layout, const char* name, const char* caption) {
  auto* o = new QRadioButton(QString::fromUtf8(caption), parent);
  o->setObjectName(QString::fromLatin1(name));
  layout->addWidget(o);
  return o;
}

QGroupBox* frame(QWidget* parent, const char* name, const char* caption) {
  auto* g = new QGroupBox(QString::fromUtf8(caption), parent);
  g->setObjectName(QString::fromLatin1(name));
  return g;
}

uikit::CtrlCmd* button(QWidget* parent, QLayout* layout, const char* name, const char* caption) {
  auto* b = uikit::CtrlCmd::make(parent, name, QString::fromUtf8(caption));
  b->setDesignSize(QSize(90, 26));
  layout->addWidget(b);
  return b;
}

// "/media/me/stick/  [STICK]  (vfat)": the mount point as the file system names it, its label.
QString describe(const platform::MountEntry& m) {
  QString text = QFile::decodeName(QByteArray::fromStdString(m.mountPoint));
  if (!m.label.empty()) text += QStringLiteral("  [") + QString::fromStdString(m.label) + QLatin1Char(']');
  return text + QStringLiteral("  (") + QString::fromStdString(m.fsType) + QLatin1Char(')');
}

}  // namespace

// ------------------------------------------------------------------ DriveList

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {}

void DriveList::refresh(const std::string& preferred) {
  const std::string keep = wanted_.empty() ? mountPoint() : wanted_;
  std::vector<platform::MountEntry> mounts = platform::readVolumes();
  const std::vector<platform::MountEntry> table = platform::readMountTable();
  // The mounts of the main window's folder and of the home folder are offered even where the
  // volume list leaves them out (a tmpfs, a bind mount).
  for (const std::string& path : {preferred, platform::homeDir()}) {
    const std::optional<platform::MountEntry> m = path.empty() ? std::nullopt : platform::mountOf(path, table);
    if (!m) continue;
    bool listed = false;
    for (const platform::MountEntry& v : mounts) listed = listed || v.mountPoint == m->mountPoint;
    if (!listed) mounts.push_back(*m);
  }
  clear();
  for (const platform::MountEntry& m : mounts) addItem(describe(m), QByteArray::fromStdString(m.mountPoint));
  if (choose(keep)) {
    wanted_.clear();
    return;
  }
  const std::optional<platform::MountEntry> pref = preferred.empty() ? std::nullopt : platform::mountOf(preferred, table);
  if (!pref || !choose(pref->mountPoint)) setCurrentIndex(count() > 0 ? 0 : -1);
}

bool DriveList::choose(const std::string& mountPoint) {
  if (mountPoint.empty()) return false;
  const int i = findData(QByteArray::fromStdString(mountPoint));
  if (i < 0) return false;
  setCurrentIndex(i);
  return true;
}

std::string DriveList::mountPoint() const { return currentData().toByteArray().toStdString(); }

QString DriveList::Drive() const { return vb::qpath(mountPoint()); }

void DriveList::setDrive(const QString& drive) {
  const std::string m = vb::bpath(drive);
  if (!choose(m)) wanted_ = m;
}

// ------------------------------------------------------------------ FrmDelete

FrmDelete::FrmDelete() : ToolWindow("frmDelete", "Delete") {
  setWindowTitle(QStringLiteral("Delete And Wipe"));
  auto* main = new QVBoxLayout(this);
  optDelete_ = option(this, main, "optDelete", "Delete Files");
  optRecycle_ = option(this, main, "optRecycle", "Send Files To The Trash");
  optFiles_ = option(this, main, "optFiles", "Wipe Files");
  optDrive_ = option(this, main, "optDrive", "Wipe Free Space On Drive");
  optDelete_->setChecked(true);
  // A group of their own: Qt counts every option below the window into the window's own options,
  // and choosing one of them would take the passes' options out of the Tab round.
  auto* modes = new QButtonGroup(this);
  for (QRadioButton* o : {optDelete_, optRecycle_, optFiles_, optDrive_}) modes->addButton(o);

  framWFiles_ = frame(this, "framWFiles", "Overwrite");
  auto* files = new QHBoxLayout(framWFiles_);
  optFile1_ = option(framWFiles_, files, "optFile1", "1 Pass");
  optFile3_ = option(framWFiles_, files, "optFile3", "3 Passes");
  files->addStretch(1);
  optFile1_->setChecked(true);
  main->addWidget(framWFiles_);

  framWFS_ = frame(this, "framWFS", "Free Space");
  auto* wfs = new QVBoxLayout(framWFS_);
  framDrive_ = frame(framWFS_, "framDrive", "Drive");
  auto* drive = new QVBoxLayout(framDrive_);
  driveWipe_ = new DriveList(framDrive_);
  driveWipe_->setObjectName(QStringLiteral("DriveWipe"));
  drive->addWidget(driveWipe_);
  wfs->addWidget(framDrive_);
  auto* passes = new QHBoxLayout;
  optDrive1_ = option(framWFS_, passes, "optDrive1", "1 Pass");
  optDrive3_ = option(framWFS_, passes, "optDrive3", "3 Passes");
  passes->addStretch(1);
  optDrive1_->setChecked(true);
  wfs->addLayout(passes);
  main->addWidget(framWFS_);
  // The passes of both wipes read with what they wipe.
  for (QRadioButton* o : {optFile1_, optFile3_}) readAs(o, {framWFiles_, o});
  for (QRadioButton* o : {optDrive1_, optDrive3_}) readAs(o, {framWFS_, o});

  lblNote_ = new QLabel(this);
  lblNote_->setObjectName(QStringLiteral("lblNote"));
  lblNote_->setText(QStringLiteral(
      "Wiping overwrites what the file system shows. Copy-on-write file systems (Btrfs, ZFS), SSDs and "
      "snapshots may keep old blocks elsewhere, out of reach of any wipe."));
  lblNote_->setWordWrap(true);
  lblNote_->setMinimumWidth(340);
  main->addWidget(lblNote_);

  framCmd_ = new QWidget(this);
  framCmd_->setObjectName(QStringLiteral("framCmd"));
  auto* cmd = new QHBoxLayout(framCmd_);
  cmd->setContentsMargins(0, 6, 0, 0);
  cmd->addStretch(1);
  cmdStart_ = button(framCmd_, cmd, "cmdStart", "&Start");
  cmdClose_ = button(framCmd_, cmd, "cmdClose", "&Close");
  main->addWidget(framCmd_);
  main->setSizeConstraint(QLayout::SetFixedSize);

  for (QRadioButton* o : {optDelete_, optRecycle_, optFiles_, optDrive_}) tools::whenChosen(o, [this] { layoutFrames(); });
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmDelete::cmdStartClick);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmDelete::closeForm);
  layoutFrames();
}

void FrmDelete::layoutFrames() {
  framWFiles_->setVisible(optFiles_->isChecked());
  framWFS_->setVisible(optDrive_->isChecked());
  lblNote_->setVisible(optFiles_->isChecked() || optDrive_->isChecked());
  if (optDrive_->isChecked() && isVisible()) {
    const mainwin::MainForm* main = mainForm();
    driveWipe_->refresh(main ? main->currentFolder() : std::string());
  }
  adjustSize();
}

void FrmDelete::doResize() {
  // The layout keeps the window fitted to the frame of the chosen mode.
}

void FrmDelete::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);
  const mainwin::MainForm* main = mainForm();
  driveWipe_->refresh(main ? main->currentFolder() : std::string());
  layoutFrames();
}

DeleteOptions FrmDelete::readOptions() const {
  DeleteOptions o;
  o.mode = optRecycle_->isChecked() ? DeleteMode::Recycle
           : optFiles_->isChecked() ? DeleteMode::WipeFiles
           : optDrive_->isChecked() ? DeleteMode::WipeFreeSpace
                                    : DeleteMode::Delete;
  if (o.mode == DeleteMode::WipeFiles) o.passes = optFile3_->isChecked() ? 3 : 1;
  if (o.mode == DeleteMode::WipeFreeSpace) o.passes = optDrive3_->isChecked() ? 3 : 1;
  if (const mainwin::MainForm* main = mainForm()) {
    o.folder = main->currentFolder();
    o.withSubfolders = o.mode != DeleteMode::WipeFreeSpace && main->panel()->chkInclude->Value() != 0;
    o.withHidden = main->panel()->chkIncHidden->Value() != 0;
    o.pattern = main->myPattern();
  }
  o.mountPoint = driveWipe_->mountPoint();
  o.fillFolderParents = {platform::homeDir(), o.folder};
  return o;
}

void FrmDelete::cmdStartClick() {
  runStart([this](tools::ToolRun& run) { (void)deleteStart(run.pipe, run.form, readOptions(), run.msg); });
  if (optDrive_->isChecked()) {
    const mainwin::MainForm* main = mainForm();
    driveWipe_->refresh(main ? main->currentFolder() : std::string());
  }
}

void registerDeleteTool() {
  mainwin::registerToolForm("frmDelete", [] { return new FrmDelete(); });
}

}  // namespace tools::file_ops
