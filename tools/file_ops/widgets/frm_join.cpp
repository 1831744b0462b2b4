#include "tools/file_ops/widgets/frm_join.h"

#include "core/file_paths.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "core/widgets/text_controls.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/widgets/frm_encrypt_split_join_tools.h"
#include "tools/file_ops/widgets/frm_encrypt_split_join_controls.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace tools::file_ops {

FrmJoin::FrmJoin() : ToolWindow("frmJoin", "Join") {
  setWindowTitle(QStringLiteral("Join Files"));
  auto* main = new QVBoxLayout(this);
  optJoinFM_ = tools::text::makeOption(this, main, "optJoinFM", "Pieces made by the splitter");
  optJoinThird_ = tools::text::makeOption(this, main, "optJoinThird", "Numbered pieces (name.001 ...)");
  auto* allRow = new QHBoxLayout;
  optJoinAll_ = tools::text::makeOption(this, allRow, "optJoinAll", "All listed files into:");
  txtJoinAllFile_ = new QLineEdit(this);
  txtJoinAllFile_->setObjectName(QStringLiteral("txtJoinAllFile"));
  txtJoinAllFile_->setText(QStringLiteral("joined.txt"));
  allRow->addWidget(txtJoinAllFile_, 1);
  readAs(txtJoinAllFile_, {optJoinAll_});
  main->addLayout(allRow);
  auto* breakRow = new QHBoxLayout;
  breakRow->addSpacing(20);
  auto* lblBreak = new QLabel(QStringLiteral("Between files:"), this);
  lblBreak->setObjectName(QStringLiteral("lblBreak"));
  breakRow->addWidget(lblBreak);
  comBreak_ = new QComboBox(this);
  comBreak_->setObjectName(QStringLiteral("comBreak"));
  lblBreak->setBuddy(comBreak_);
  breakRow->addWidget(comBreak_, 1);
  main->addLayout(breakRow);
  auto* spanRow = new QHBoxLayout;
  spanRow->addSpacing(20);
  chkSpan_ = tools::text::makeCheck(this, spanRow, "chkSpan", "One file for all folders");
  main->addLayout(spanRow);
  chkJoinOverwrite_ = tools::text::makeCheck(this, main, "chkJoinOverwrite", "Overwrite");
  chkJoinDelete_ = tools::text::makeCheck(this, main, "chkJoinDelete", "Delete the pieces after joining");
  main->addStretch(1);
  optJoinFM_->setChecked(true);

  const StartClose row = addStartCloseRow(this, main);
  cmdStart_ = row.start;

  for (QRadioButton* o : {optJoinFM_, optJoinThird_, optJoinAll_}) tools::whenChosen(o, [this] { follow(); });
  connect(chkSpan_, &uikit::CtrlCheckBox::NotAbled, this, [this] { core::host().respond(this, "O", msg(30), "I", ""); });
  connect(txtJoinAllFile_, &QLineEdit::textEdited, this, [this](const QString& text) {
    const QString kept = vb::qs(core::RemInvalid(vb::bs(text)));
    if (kept != text) txtJoinAllFile_->setText(kept);
  });
  txtJoinAllFile_->installEventFilter(this);
  connect(txtJoinAllFile_, &QLineEdit::returnPressed, this, &FrmJoin::start);
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmJoin::start);
  follow();
  resize(380, 260);
}

void FrmJoin::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);  // the language file first: the separator's words are messages
  const int chosen = std::max(0, comBreak_->currentIndex());
  comBreak_->clear();
  comBreak_->addItem(vb::qs(msg(28)));
  comBreak_->addItem(vb::qs(msg(29)));
  comBreak_->setCurrentIndex(std::min(chosen, 1));
  follow();
}

bool FrmJoin::eventFilter(QObject* watched, QEvent* e) {
  if (watched == txtJoinAllFile_ && e->type() == QEvent::FocusIn) {
    // The name before its extension is what one usually changes: it is selected on arrival.
    QTimer::singleShot(0, txtJoinAllFile_, [this] {
      const QString text = txtJoinAllFile_->text();
      const int dot = text.lastIndexOf(QLatin1Char('.'));
      txtJoinAllFile_->setSelection(0, dot > 0 ? dot : static_cast<int>(text.size()));
    });
  }
  return ToolWindow::eventFilter(watched, e);
}

void FrmJoin::follow() {
  const bool all = optJoinAll_->isChecked();
  const tools::text::MainBoxes boxes = tools::text::mainBoxes(mainForm());
  for (QWidget* w : {static_cast<QWidget*>(txtJoinAllFile_), static_cast<QWidget*>(comBreak_)}) {
    w->setEnabled(all);
    if (all) {
      core::enableText(w);
    } else {
      core::disableText(w);
    }
  }
  const bool span = all && boxes.withSubfolders;
  chkSpan_->setEnabledFlag(span);
  if (!span && chkSpan_->Value() != 0) chkSpan_->setValue(0);
}

JoinOptions FrmJoin::readOptions() const {
  const tools::text::MainBoxes boxes = tools::text::mainBoxes(mainForm());
  JoinMode mode = JoinMode::SplitPieces;
  if (optJoinThird_->isChecked()) mode = JoinMode::Numbered;
  if (optJoinAll_->isChecked()) mode = JoinMode::AllFiles;
  return {.mode = mode,
          .allFilesName = vb::bs(txtJoinAllFile_->text()),
          .lineBreaks = comBreak_->currentIndex() > 0,
          .span = chkSpan_->Value() != 0 && boxes.withSubfolders,
          .overwrite = chkJoinOverwrite_->Value() != 0,
          .deletePieces = chkJoinDelete_->Value() != 0,
          .withSubfolders = boxes.withSubfolders,
          .withHidden = boxes.withHidden};
}

void FrmJoin::start() {
  runStart([this](tools::ToolRun& run) {
    if (joinFiles(run.pipe, run.form, readOptions(), run.msg) == JoinStart::Invalid) txtJoinAllFile_->setFocus();
  });
}

void registerJoinTool() {
  mainwin::registerToolForm("frmJoin", [] { return new FrmJoin(); });
}

}  // namespace tools::file_ops
