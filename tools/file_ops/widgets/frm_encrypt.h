// frmEncrypt, the encryption tool's window ("Encrypt Files"): the key and Start, which scrambles
// the listed files with it (or unscrambles files scrambled with the same key) through
// tools::file_ops::encryptFiles. Shift or Ctrl held while Alt is released shows the last key used.
// The key box is never written to the form-state file: its name carries no saved prefix.
#pragma once

#include "tools/frame/widgets/tool_window.h"
#include "tools/file_ops/encrypt_run.h"

class QLineEdit;

namespace uikit {
class CtrlCmd;
}

namespace tools::file_ops {

class FrmEncrypt : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmEncrypt();
  [[nodiscard]] EncryptOptions readOptions() const;
  void doResize() override {}

 protected:
  void keyReleaseEvent(QKeyEvent* e) override;
  // The key box keeps its key releases to itself; the window looks at them there.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void start();
  // Shows the last key when e is Alt's release with Shift or Ctrl held; true when it did.
  bool showStoredKey(const QKeyEvent* e);

  QLineEdit* txtKey_;
  uikit::CtrlCmd* cmdStart_;
};

}  // namespace tools::file_ops
