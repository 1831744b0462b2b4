#include "tools/file_ops/widgets/frm_attrib.h"

#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/widgets/frm_date_attrib_tools.h"
#include "tools/file_ops/widgets/frm_date_attrib_controls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <tuple>

namespace tools::file_ops {

using tools::text::makeCheck;
using tools::text::makeFrame;
using tools::text::makeOption;

namespace {

// One attribute: its check box, then its frame with the set and clear choices (set chosen).
QGroupBox* makeAttribute(QWidget* parent, QVBoxLayout* layout, uikit::CtrlCheckBox*& check, const char* checkName,
                         const char* caption, const char* frameName, QRadioButton*& set, const char* setName,
                         QRadioButton*& clear, const char* clearName) {
  check = makeCheck(parent, layout, checkName, caption);
  QGroupBox* frame = makeFrame(parent, frameName, "");
  auto* row = new QHBoxLayout(frame);
  set = makeOption(frame, row, setName, "Set");
  clear = makeOption(frame, row, clearName, "Clear");
  row->addStretch(1);
  set->setChecked(true);
  layout->addWidget(frame);
  return frame;
}

AttribChange changeOf(const uikit::CtrlCheckBox* check, const QRadioButton* set, const QRadioButton* clear) {
  if (check->Value() == 0) return AttribChange::Leave;
  return set->isChecked() ? AttribChange::Set : clear->isChecked() ? AttribChange::Clear : AttribChange::Leave;
}

}  // namespace

FrmAttrib::FrmAttrib() : ToolWindow("frmAttrib", "Attrib") {
  setWindowTitle(QStringLiteral("Change Attributes"));
  auto* main = new QVBoxLayout(this);

  addModeRow(this, main, optFile_, "optFile", "Files", optFold_, "optFold", "Folders");

  framArchive_ = makeAttribute(this, main, chkArchive_, "chkArchive", "Archive", "framArchive", optArchive2_,
                               "optArchive2", optArchive3_, "optArchive3");
  framHidden_ = makeAttribute(this, main, chkHidden_, "chkHidden", "Hidden", "framHidden", optHidden2_, "optHidden2",
                              optHidden3_, "optHidden3");
  framRO_ = makeAttribute(this, main, chkRO_, "chkRO", "Read-Only", "framRO", optRO2_, "optRO2", optRO3_, "optRO3");

  lblFoldRO_ = new QLabel(QStringLiteral("A read-only folder takes no new files: its write permission is removed."), this);
  lblFoldRO_->setObjectName(QStringLiteral("lblFoldRO"));
  lblFoldRO_->setWordWrap(true);
  main->addWidget(lblFoldRO_);

  addStartClose(this, main, cmdStart_, cmdClose_);
  // Three pairs of "Set" and "Clear": each is read with its attribute.
  for (const auto& [check, set, clear] : {std::tuple{chkArchive_, optArchive2_, optArchive3_},
                                          std::tuple{chkHidden_, optHidden2_, optHidden3_},
                                          std::tuple{chkRO_, optRO2_, optRO3_}}) {
    readAs(set, {check, set});
    readAs(clear, {check, clear});
  }
  readAs(framArchive_, {chkArchive_});  // the panels have no title of their own
  readAs(framHidden_, {chkHidden_});
  readAs(framRO_, {chkRO_});
  setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);

  tools::whenChosen(optFile_, [this] { follow(); });
  tools::whenChosen(optFold_, [this] { follow(); });
  tools::whenChosen(optRO2_, [this] { follow(); });
  tools::whenChosen(optRO3_, [this] { follow(); });
  for (uikit::CtrlCheckBox* box : {chkArchive_, chkHidden_, chkRO_}) {
    connect(box, &uikit::CtrlCheckBox::Click, this, &FrmAttrib::follow);
  }
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmAttrib::start);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmAttrib::closeForm);
  follow();
}

void FrmAttrib::follow() {
  framArchive_->setVisible(chkArchive_->Value() != 0);
  framHidden_->setVisible(chkHidden_->Value() != 0);
  framRO_->setVisible(chkRO_->Value() != 0);
  lblFoldRO_->setVisible(optFold_->isChecked() && chkRO_->Value() != 0 && optRO2_->isChecked());
  // The window grows and shrinks with its frames once the layout has taken the change.
  QTimer::singleShot(0, this, [this] {
    if (isMaximized()) return;
    // The note wraps: its height depends on the width the window has.
    resize(width(), layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width()) : sizeHint().height());
  });
}

void FrmAttrib::doResize() {}

void FrmAttrib::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);
  follow();
}

AttribOptions FrmAttrib::readOptions() const {
  const tools::text::MainBoxes boxes = tools::text::mainBoxes(mainForm());
  return {.target = optFold_->isChecked() ? AttribTarget::Folders : AttribTarget::Files,
          .archive = changeOf(chkArchive_, optArchive2_, optArchive3_),
          .hidden = changeOf(chkHidden_, optHidden2_, optHidden3_),
          .readOnly = changeOf(chkRO_, optRO2_, optRO3_),
          .withSubfolders = boxes.withSubfolders,
          .withHidden = boxes.withHidden,
          .pattern = mainForm() ? mainForm()->myPattern() : std::string("*")};
}

void FrmAttrib::start() {
  runStart([this](tools::ToolRun& run) { runAttributes(run.pipe, run.form, readOptions(), run.msg); });
}

void registerAttribTool() {
  mainwin::registerToolForm("frmAttrib", [] { return new FrmAttrib(); });
}

}  // namespace tools::file_ops
