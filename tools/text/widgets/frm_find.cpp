#include "tools/text/widgets/frm_find.h"

#include "core/vb.h"
#include "core/widgets/text_controls.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/text/widgets/frm_list_find_append_controls.h"
#include "tools/text/widgets/frm_list_find_append_tools.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace tools::text {

FrmFind::FrmFind() : ToolWindow("frmFind", "Find") {
  setWindowTitle(QStringLiteral("Search Engine"));
  auto* main = new QVBoxLayout(this);

  auto* framTargets = makeFrame(this, "framTargets", "Search For");
  auto* targets = new QVBoxLayout(framTargets);
  // The backdrop takes the scheme's back colour around the text box.
  auto* bakTargWords = new QFrame(framTargets);
  bakTargWords->setObjectName(QStringLiteral("bakTargWords"));
  auto* bak = new QVBoxLayout(bakTargWords);
  bak->setContentsMargins(0, 0, 0, 0);
  txtTargWords_ = new QPlainTextEdit(bakTargWords);
  txtTargWords_->setObjectName(QStringLiteral("txtTargWords"));
  txtTargWords_->setTabChangesFocus(true);
  txtTargWords_->setMinimumHeight(70);
  txtTargWords_->installEventFilter(this);
  bak->addWidget(txtTargWords_);
  readAs(txtTargWords_, {framTargets});
  targets->addWidget(bakTargWords, 1);
  chkPhrase_ = makeCheck(framTargets, targets, "chkPhrase", "Split Into Words (Keep \"Quoted Phrases\" Whole)");
  chkSens_ = makeCheck(framTargets, targets, "chkSens", "Match Case");
  main->addWidget(framTargets, 1);

  auto* framSet = makeFrame(this, "framSet", "Files Must Contain");
  auto* set = new QHBoxLayout(framSet);
  optTargAll_ = makeOption(framSet, set, "optTargAll", "All Targets");
  optTargAny_ = makeOption(framSet, set, "optTargAny", "Any Target");
  set->addStretch(1);
  optTargAny_->setChecked(true);
  main->addWidget(framSet);

  auto* framIn = new QWidget(this);
  auto* in = new QVBoxLayout(framIn);
  in->setContentsMargins(0, 0, 0, 0);
  optFile_ = makeOption(framIn, in, "optFile", "Search File Contents");
  optFileName_ = makeOption(framIn, in, "optFileName", "Search File Names");
  optFold_ = makeOption(framIn, in, "optFold", "Search Folder Names");
  optFile_->setChecked(true);
  main->addWidget(framIn);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cmdStart_ = makeButton(this, "cmdStart", "&Start");
  cmdClose_ = makeButton(this, "cmdClose", "&Close");
  buttons->addWidget(cmdStart_);
  buttons->addWidget(cmdClose_);
  main->addLayout(buttons);

  chkPhrase_->setValue(1);
  connect(chkPhrase_, &uikit::CtrlCheckBox::Click, this, &FrmFind::follow);
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmFind::start);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmFind::closeForm);
  follow();
  resize(420, 360);
}

void FrmFind::follow() {
  const bool split = chkPhrase_->Value() != 0;
  optTargAll_->setEnabled(split);
  optTargAny_->setEnabled(split);
}

bool FrmFind::eventFilter(QObject* watched, QEvent* e) {
  if (watched == txtTargWords_ && e->type() == QEvent::FocusIn) core::SelectText(txtTargWords_);
  return ToolWindow::eventFilter(watched, e);
}

FindOptions FrmFind::readOptions() const {
  const MainBoxes boxes = mainBoxes(mainForm());
  return {.text = vb::bs(txtTargWords_->toPlainText()),
          .phrases = chkPhrase_->Value() != 0,
          .matchCase = chkSens_->Value() != 0,
          .mode = optTargAll_->isChecked() ? MatchMode::All : MatchMode::Any,
          .in = optFold_->isChecked() ? FindIn::FolderNames : optFileName_->isChecked() ? FindIn::FileNames : FindIn::Contents,
          .withSubfolders = boxes.withSubfolders,
          .withHidden = boxes.withHidden};
}

void FrmFind::start() {
  runStart([this](tools::ToolRun& run) {
    // Unsplit text is one target: any-mode is the only sense it has.
    if (chkPhrase_->Value() == 0) optTargAny_->setChecked(true);
    if (findWords(run.pipe, run.form, readOptions(), run.msg) == FindStart::NoTargets) txtTargWords_->setFocus();
  });
}

void registerFindTool() {
  mainwin::registerToolForm("frmFind", [] { return new FrmFind(); });
}

}  // namespace tools::text
