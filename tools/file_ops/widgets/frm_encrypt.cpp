#include "tools/file_ops/widgets/frm_encrypt.h"

#include "core/vb.h"
#include "core/widgets/host.h"
#include "core/widgets/text_controls.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/widgets/frm_encrypt_split_join_tools.h"
#include "tools/file_ops/widgets/frm_encrypt_split_join_controls.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tools::file_ops {

FrmEncrypt::FrmEncrypt() : ToolWindow("frmEncrypt", "Encrypt") {
  setWindowTitle(QStringLiteral("Encrypt Files"));
  auto* main = new QVBoxLayout(this);
  auto* lblKey = new QLabel(QStringLiteral("&Key (6 to 254 characters):"), this);
  lblKey->setObjectName(QStringLiteral("lblKey"));
  main->addWidget(lblKey);
  txtKey_ = new QLineEdit(this);
  // Not "txt...": text boxes of that prefix go to the form-state file, and the key must not.
  txtKey_->setObjectName(QStringLiteral("keyText"));
  txtKey_->setMaxLength(300);
  lblKey->setBuddy(txtKey_);
  txtKey_->installEventFilter(this);
  main->addWidget(txtKey_);
  auto* lblNote = new QLabel(QStringLiteral("The same key decrypts. A simple scramble, not strong encryption."), this);
  lblNote->setObjectName(QStringLiteral("lblNote"));
  lblNote->setWordWrap(true);
  main->addWidget(lblNote);
  main->addStretch(1);

  const StartClose row = addStartCloseRow(this, main);
  cmdStart_ = row.start;

  connect(txtKey_, &QLineEdit::returnPressed, this, &FrmEncrypt::start);
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmEncrypt::start);
  resize(380, 170);
}

EncryptOptions FrmEncrypt::readOptions() const {
  const tools::text::MainBoxes boxes = tools::text::mainBoxes(mainForm());
  return {.typedKey = vb::bs(txtKey_->text()), .withSubfolders = boxes.withSubfolders, .withHidden = boxes.withHidden};
}

bool FrmEncrypt::showStoredKey(const QKeyEvent* e) {
  if (e->key() != Qt::Key_Alt || !(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) return false;
  core::host().respond(this, "O", "\"" + storedEncryptKey() + "\"", "I", "");
  return true;
}

void FrmEncrypt::keyReleaseEvent(QKeyEvent* e) {
  if (!showStoredKey(e)) ToolWindow::keyReleaseEvent(e);
}

bool FrmEncrypt::eventFilter(QObject* watched, QEvent* e) {
  if (watched == txtKey_ && e->type() == QEvent::KeyRelease && showStoredKey(static_cast<QKeyEvent*>(e))) return true;
  return ToolWindow::eventFilter(watched, e);
}

void FrmEncrypt::start() {
  runStart([this](tools::ToolRun& run) {
    if (encryptFiles(run.pipe, run.form, readOptions(), run.msg) == EncryptStart::BadKey) {
      focusAndSelect(txtKey_);
    }
  });
}

void registerEncryptTool() {
  mainwin::registerToolForm("frmEncrypt", [] { return new FrmEncrypt(); });
}

}  // namespace tools::file_ops
