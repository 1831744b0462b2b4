#include "tools/file_ops/widgets/frm_duplicates.h"

#include "core/file_paths.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/text/widgets/frm_list_find_append_controls.h"
#include "ui_kit/folder_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tools::file_ops {

namespace {

// English defaults of the mode list; the language file's messages replace them when shown.
constexpr const char* kModeNames[] = {
    "Find Identical Files And List Them",       "Find Identical Files And Delete Them",
    "Find Identical Files And Copy Them",       "Find Identical Files And Move Them",
    "Find Files With The Same Name And List Them", "Find Files With The Same Name And Delete Them",
};

}  // namespace

FrmDuplicates::FrmDuplicates() : ToolWindow("frmDuplicates", "Duplicates") {
  setWindowTitle(QStringLiteral("Manage Duplicate Files"));
  auto* main = new QVBoxLayout(this);

  comDup_ = new QComboBox(this);
  comDup_->setObjectName(QStringLiteral("comDup"));
  for (const char* name : kModeNames) comDup_->addItem(QString::fromUtf8(name));
  main->addWidget(comDup_);
  readAs(comDup_, {{"accMode", "What to find and do"}});

  framPath_ = tools::text::makeFrame(this, "framPath", "Target Folder");
  auto* path = new QHBoxLayout(framPath_);
  txtPath_ = new QLineEdit(framPath_);
  txtPath_->setObjectName(QStringLiteral("txtPath"));
  path->addWidget(txtPath_, 1);
  cmdFind_ = tools::text::makeButton(framPath_, "cmdFind", "...");
  cmdFind_->setMaximumWidth(cmdFind_->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 32);
  path->addWidget(cmdFind_);
  main->addWidget(framPath_);
  main->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cmdStart_ = tools::text::makeButton(this, "cmdStart", "&Start");
  cmdClose_ = tools::text::makeButton(this, "cmdClose", "&Close");
  buttons->addWidget(cmdStart_);
  buttons->addWidget(cmdClose_);
  main->addLayout(buttons);

  // currentIndexChanged follows a pick, the keyboard and a restored state alike.
  connect(comDup_, &QComboBox::currentIndexChanged, this, &FrmDuplicates::follow);
  connect(txtPath_, &QLineEdit::textChanged, this, &FrmDuplicates::stripInvalid);
  connect(cmdFind_, &uikit::CtrlCmd::Click, this, &FrmDuplicates::findFolder);
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmDuplicates::start);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmDuplicates::closeForm);
  follow();
  resize(440, 200);
}

void FrmDuplicates::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);  // reads this window's messages
  for (int i = 0; i < comDup_->count() && i < static_cast<int>(std::size(kDupesModeMessages)); ++i) {
    const std::string& text = msg(kDupesModeMessages[i]);
    if (!text.empty()) comDup_->setItemText(i, vb::qs(text));
  }
}

void FrmDuplicates::follow() {
  framPath_->setVisible(dupesModeNeedsTarget(static_cast<DupesMode>(std::max(0, comDup_->currentIndex()))));
}

void FrmDuplicates::stripInvalid() {
  // "/" stays: it is the separator of the folder path typed here.
  static const QString invalid = QStringLiteral("\"|*?");
  QString text = txtPath_->text();
  bool changed = false;
  for (qsizetype i = text.size() - 1; i >= 0; --i) {
    if (invalid.contains(text[i])) {
      text.remove(i, 1);
      changed = true;
    }
  }
  if (!changed) return;
  const int cursor = txtPath_->cursorPosition();
  txtPath_->setText(text);
  txtPath_->setCursorPosition(std::min(cursor, static_cast<int>(text.size())));
}

void FrmDuplicates::findFolder() {
  const std::string typed = vb::bpath(txtPath_->text());
  uikit::FrmBrowse2::LoadMe(this, core::PathExist(typed) != 0 ? txtPath_->text() : QString());
}

void FrmDuplicates::browseClose(const QString& myPath) {
  if (core::PathExist(vb::bpath(myPath)) != 0) {
    txtPath_->setText(myPath);
  } else {
    (void)core::host().respond(nullptr, "O", core::msgMain(107) + vb::bpath(myPath), "E", "");
  }
}

DupesOptions FrmDuplicates::readOptions() const {
  const tools::text::MainBoxes boxes = tools::text::mainBoxes(mainForm());
  return {.mode = static_cast<DupesMode>(std::clamp(comDup_->currentIndex(), 0, 5)),
          .withSubfolders = boxes.withSubfolders,
          .withHidden = boxes.withHidden,
          .targetFolder = vb::bpath(txtPath_->text())};
}

void FrmDuplicates::start() {
  runStart([this](tools::ToolRun& run) {
    const DupesOptions options = readOptions();
    if (dupesModeNeedsTarget(options.mode) && !options.targetFolder.empty()) {
      txtPath_->setText(vb::qpath(core::AddSlash(options.targetFolder)));
    }
    (void)findDuplicates(run.pipe, run.form, options, run.msg);
  });
}

void registerDuplicatesTool() {
  mainwin::registerToolForm("frmDuplicates", [] { return new FrmDuplicates(); });
}

}  // namespace tools::file_ops
