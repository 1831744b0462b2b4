#include "tools/text/widgets/frm_list.h"

#include "main_window/widgets/tool_launcher.h"
#include "tools/text/widgets/frm_list_find_append_controls.h"
#include "tools/text/widgets/frm_list_find_append_tools.h"

#include <QHBoxLayout>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace tools::text {

FrmList::FrmList() : ToolWindow("frmList", "List") {
  setWindowTitle(QStringLiteral("Generate Lists"));
  auto* main = new QVBoxLayout(this);

  auto* what = new QWidget(this);
  auto* whatRow = new QHBoxLayout(what);
  whatRow->setContentsMargins(0, 0, 0, 0);
  optFile_ = makeOption(what, whatRow, "optFile", "List Files");
  optFold_ = makeOption(what, whatRow, "optFold", "List Folders");
  whatRow->addStretch(1);
  optFile_->setChecked(true);
  main->addWidget(what);

  chkPath_ = makeCheck(this, main, "chkPath", "Include Folder Path");
  // Linux file systems have no short 8.3 names: the box stays for the saved states, unseen.
  chkDos_ = makeCheck(this, main, "chkDos", "Use Short (8.3) Names");
  chkDos_->hide();

  chkSize_ = makeCheck(this, main, "chkSize", "Include Size");
  framSize_ = makeFrame(this, "framSize", "Size Unit");
  auto* sizeRow = new QHBoxLayout(framSize_);
  optBytes_ = makeOption(framSize_, sizeRow, "optBytes", "Bytes");
  optKB_ = makeOption(framSize_, sizeRow, "optKB", "KB");
  optMB_ = makeOption(framSize_, sizeRow, "optMB", "MB");
  sizeRow->addStretch(1);
  optKB_->setChecked(true);
  main->addWidget(framSize_);

  chkDate_ = makeCheck(this, main, "chkDate", "Include Dates");
  framDate_ = makeFrame(this, "framDate", "Dates");
  auto* dateRow = new QHBoxLayout(framDate_);
  chkCreated_ = makeCheck(framDate_, dateRow, "chkCreated", "Created");
  chkModified_ = makeCheck(framDate_, dateRow, "chkModified", "Modified");
  chkAccessed_ = makeCheck(framDate_, dateRow, "chkAccessed", "Accessed");
  dateRow->addStretch(1);
  chkModified_->setValue(1);
  main->addWidget(framDate_);

  chkAtt_ = makeCheck(this, main, "chkAtt", "Include Attributes");
  chkDelim_ = makeCheck(this, main, "chkDelim", "Tab-Delimited (For Spreadsheets)");
  chkNull_ = makeCheck(this, main, "chkNull", "Include Folders Without Listed Files");

  framInclude_ = makeFrame(this, "framInclude", "Include");
  auto* includeCol = new QVBoxLayout(framInclude_);
  optAll_ = makeOption(framInclude_, includeCol, "optAll", "All Entries");
  optRead_ = makeOption(framInclude_, includeCol, "optRead", "Only Read-Only Entries");
  optArchive_ = makeOption(framInclude_, includeCol, "optArchive", "Only Entries With The Archive Attribute");
  optAll_->setChecked(true);
  main->addWidget(framInclude_);

  framCmd_ = new QWidget(this);
  framCmd_->setObjectName(QStringLiteral("framCmd"));
  auto* buttons = new QHBoxLayout(framCmd_);
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->addStretch(1);
  cmdStart_ = makeButton(framCmd_, "cmdStart", "&Start");
  cmdClose_ = makeButton(framCmd_, "cmdClose", "&Close");
  buttons->addWidget(cmdStart_);
  buttons->addWidget(cmdClose_);
  main->addStretch(1);
  main->addWidget(framCmd_);

  // Follows every change, however it comes: a click, the keyboard, a restored state.
  tools::whenChosen(optFile_, [this] { follow(); });
  tools::whenChosen(optFold_, [this] { follow(); });
  for (uikit::CtrlCheckBox* box : {chkSize_, chkDate_, chkPath_}) {
    connect(box, &uikit::CtrlCheckBox::Click, this, &FrmList::follow);
  }
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmList::start);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmList::closeForm);
  follow();
}

void FrmList::follow() {
  if (following_) return;  // unticking a box below raises its Click again
  following_ = true;
  const bool files = optFile_->isChecked();
  if (!files) {
    chkSize_->setValue(0);
    chkDate_->setValue(0);
    chkNull_->setValue(0);
  }
  if (chkPath_->Value() != 0) chkNull_->setValue(0);
  chkSize_->setEnabledFlag(files);
  chkDate_->setEnabledFlag(files);
  chkPath_->setEnabledFlag(files);
  chkNull_->setEnabledFlag(files && chkPath_->Value() == 0);
  chkAtt_->setVisible(files);
  chkDelim_->setVisible(files);
  framSize_->setVisible(files && chkSize_->Value() != 0);
  framDate_->setVisible(files && chkDate_->Value() != 0);
  following_ = false;
  // The window grows and shrinks with its frames once the layout has taken the change.
  QTimer::singleShot(0, this, [this] {
    if (!isMaximized()) resize(width(), sizeHint().height());
  });
}

void FrmList::doResize() {}

void FrmList::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);
  follow();
}

ListOptions FrmList::readOptions() const {
  const MainBoxes boxes = mainBoxes(mainForm());
  const bool files = optFile_->isChecked();
  const bool dates = files && chkDate_->Value() != 0;
  ListOptions o{
      .what = files ? ListWhat::Files : ListWhat::Folders,
      .filter = optRead_->isChecked() ? ListFilter::ReadOnly : optArchive_->isChecked() ? ListFilter::Archive : ListFilter::All,
      .withSubfolders = boxes.withSubfolders,
      .withHidden = boxes.withHidden,
      .pattern = mainForm() ? mainForm()->myPattern() : std::string("*"),
      .withPath = files && chkPath_->Value() != 0,
      .emptyFolders = files && chkPath_->Value() == 0 && chkNull_->Value() != 0,
      .dates = dates,
      .layout = {.delimited = files && chkDelim_->Value() != 0,
                 .columns = {.attributes = files && chkAtt_->Value() != 0,
                             .created = dates && chkCreated_->Value() != 0,
                             .accessed = dates && chkAccessed_->Value() != 0,
                             .modified = dates && chkModified_->Value() != 0,
                             .size = files && chkSize_->Value() != 0},
                 .unit = optMB_->isChecked() ? SizeUnit::MB : optKB_->isChecked() ? SizeUnit::KB : SizeUnit::Bytes,
                 .decimalPoint = localeDecimalPoint()}};
  return o;
}

void FrmList::start() {
  runStart([this](tools::ToolRun& run) {
    if (listFiles(run.pipe, run.form, readOptions(), run.msg) == ListStart::NoDateKind) chkDate_->setValue(0);
  });
}

void registerListTool() {
  mainwin::registerToolForm("frmList", [] { return new FrmList(); });
}

}  // namespace tools::text
