#include "tools/file_ops/widgets/frm_split.h"

#include "core/text_routines.h"
#include "core/vb.h"
#include "core/widgets/text_controls.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/split_pieces.h"
#include "tools/file_ops/widgets/frm_encrypt_split_join_tools.h"
#include "tools/file_ops/widgets/frm_encrypt_split_join_controls.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace tools::file_ops {

FrmSplit::FrmSplit() : ToolWindow("frmSplit", "Split") {
  setWindowTitle(QStringLiteral("Split Files"));
  auto* main = new QVBoxLayout(this);
  auto* sizeRow = new QHBoxLayout;
  auto* lblSize = new QLabel(QStringLiteral("&Piece size:"), this);
  lblSize->setObjectName(QStringLiteral("lblSize"));
  sizeRow->addWidget(lblSize);
  txtSplitSize_ = new QLineEdit(this);
  txtSplitSize_->setObjectName(QStringLiteral("txtSplitSize"));
  txtSplitSize_->setText(QStringLiteral("1"));
  lblSize->setBuddy(txtSplitSize_);
  sizeRow->addWidget(txtSplitSize_, 1);
  comSplitSize_ = new QComboBox(this);
  comSplitSize_->setObjectName(QStringLiteral("comSplitSize"));
  comSplitSize_->addItems({QStringLiteral("Bytes"), QStringLiteral("KB"), QStringLiteral("MB")});
  comSplitSize_->setCurrentIndex(static_cast<int>(SplitUnit::MB));
  sizeRow->addWidget(comSplitSize_);
  readAs(comSplitSize_, {lblSize, {"accUnit", "Unit"}});
  main->addLayout(sizeRow);
  chkAJoiSplit_ = tools::text::makeCheck(this, main, "chkAJoiSplit", "Write a rejoin script");
  chkSplitDelOrig_ = tools::text::makeCheck(this, main, "chkSplitDelOrig", "Delete the original file");
  main->addStretch(1);

  const StartClose row = addStartCloseRow(this, main);
  cmdStart_ = row.start;

  // Only digits and the decimal point: the size is a number of units.
  connect(txtSplitSize_, &QLineEdit::textEdited, this, [this](const QString& text) {
    const QString kept = vb::qs(core::FilterTxt(vb::bs(text), "0123456789."));
    if (kept != text) txtSplitSize_->setText(kept);
  });
  connect(txtSplitSize_, &QLineEdit::returnPressed, this, &FrmSplit::start);
  txtSplitSize_->installEventFilter(this);
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmSplit::start);
  resize(360, 170);
}

SplitOptions FrmSplit::readOptions() const {
  const tools::text::MainBoxes boxes = tools::text::mainBoxes(mainForm());
  return {.pieceSize = splitPieceSize(vb::bs(txtSplitSize_->text()), comSplitSize_->currentIndex()),
          .rejoinScript = chkAJoiSplit_->Value() != 0,
          .deleteOriginal = chkSplitDelOrig_->Value() != 0,
          .withSubfolders = boxes.withSubfolders,
          .withHidden = boxes.withHidden};
}

bool FrmSplit::eventFilter(QObject* watched, QEvent* e) {
  if (watched == txtSplitSize_ && e->type() == QEvent::FocusIn) {
    QTimer::singleShot(0, txtSplitSize_, &QLineEdit::selectAll);  // after the click that placed the caret
  }
  return ToolWindow::eventFilter(watched, e);
}

void FrmSplit::start() {
  runStart([this](tools::ToolRun& run) {
    if (splitFiles(run.pipe, run.form, readOptions(), run.msg) == SplitStart::ZeroSize) {
      focusAndSelect(txtSplitSize_);
    }
  });
}

void registerSplitTool() {
  mainwin::registerToolForm("frmSplit", [] { return new FrmSplit(); });
}

}  // namespace tools::file_ops
