// frmMainB, the editor's one window: one file's name (editable), real folder, size, full path,
// created / modified / accessed times (date box "mm/dd/yyyy" with a drop-down calendar, time box
// that keeps "hh:mm:ss") and the Read Only, Hidden and Archive flags, with Save and Cancel. Its
// captions and the names screen readers read come from its language file "LfrmMainB.bin". It
// shows no message boxes: what it must tell goes to the status line. Started by the main program
// it serves the link "Properties Editor|frmMainB" (a path per message), follows the main
// program's selection, reports a rename back ("3" + name to "Quarrow|frmMain") and ends when the
// main program's link closes; started alone it ends after a save that succeeded.
#pragma once

#include "properties_editor/editor_command_line.h"
#include "properties_editor/file_properties.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;

namespace platform {
class LinkServer;
}
namespace uikit {
class CtrlCalendar;
class CtrlCheckBox;
class CtrlCmd;
}  // namespace uikit

namespace propedit {

// The link the editor serves and the one it reports renames to.
inline constexpr const char* kEditorLinkApplication = "Properties Editor";
inline constexpr const char* kEditorLinkTopic = "frmMainB";
// The short name of the editor's language file.
inline constexpr const char* kEditorTexts = "MainB";

class FrmMainB : public QWidget {
  Q_OBJECT
 public:
  explicit FrmMainB(QWidget* parent = nullptr);
  ~FrmMainB() override;

  // Applies the command line: serves the link when started by the main program (a second editor
  // that cannot serve it behaves as started alone) and shows the path when it names a file.
  void start(const EditorLaunch& launch);

  // Shows the file at an absolute path. A path naming nothing changes nothing when it came over
  // the link (the main program's goodbye names no file) and empties the window otherwise; a path
  // naming something other than a regular file empties the window and says why.
  void loadProperties(const std::string& path, bool fromLink);

  // The Save button: writes what changed (see save_plan.h), shows the file again as it now is.
  void cmdSave_Click();
  // Cancel, Esc and the close box: the program ends.
  void cmdCancel_Click();

  // The link handlers: a message is a path; any message clears launchedAlone. The program ends
  // when the last link closes after one of them carried a message.
  void formLinkExecute(const QByteArray& command);
  void formLinkOpened();
  void formLinkClosed();

  // What ends the program (default: the application's quit); tests install their own.
  void setEndProgram(std::function<void()> end) { endProgram_ = std::move(end); }

  [[nodiscard]] bool launchedAlone() const { return launchedAlone_; }
  [[nodiscard]] bool servingLink() const;
  [[nodiscard]] std::string loadedPath() const { return loaded_ ? loaded_->path : std::string(); }
  [[nodiscard]] QString statusText() const;

 Q_SIGNALS:
  // A file is shown (its path as bytes), or the window was emptied (an empty path).
  void fileShown(const QByteArray& path);

 protected:
  void keyReleaseEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildWindow();
  // Captions and the names screen readers read, from the language file.
  void nameControls();
  [[nodiscard]] QString text(const char* key, const char* fallback) const;
  void applyScheme();
  void showFile(const LoadedFile& f);
  void clearFile();
  void setStatus(const std::string& text);  // the engine's texts (bytes, paths among them)
  void showStatus(const QString& text);
  void showCalendar(QLineEdit* box);
  void onNameEdited(const QString& text);
  // The Hidden box for a name: ticked and locked for a dot-name, else as the user set it.
  void followName(const QString& name);
  void onTimeEdited(QLineEdit* box);
  void reportRename(const std::string& name);
  // Esc: closes the calendar when it is down, else cancels.
  void escape();
  void end();

  QLabel* imgIcon_ = nullptr;
  QLineEdit* txtName_ = nullptr;
  QLineEdit* txtPath_ = nullptr;
  QLineEdit* txtSize_ = nullptr;
  QLineEdit* txtDos_ = nullptr;
  QLineEdit* txtCreate_ = nullptr;
  QLineEdit* txtCreateT_ = nullptr;
  QLineEdit* txtMod_ = nullptr;
  QLineEdit* txtModT_ = nullptr;
  QLineEdit* txtAccess_ = nullptr;
  QLineEdit* txtAccessT_ = nullptr;
  uikit::CtrlCheckBox* chkRO_ = nullptr;
  uikit::CtrlCheckBox* chkHidden_ = nullptr;
  uikit::CtrlCheckBox* chkArchive_ = nullptr;
  uikit::CtrlCmd* cmdSave_ = nullptr;
  uikit::CtrlCmd* cmdCancel_ = nullptr;
  uikit::CtrlCalendar* calMain_ = nullptr;
  QLabel* lblStatus_ = nullptr;

  std::string texts_;  // the language file's section
  platform::LinkServer* server_ = nullptr;
  std::optional<LoadedFile> loaded_;
  QString shownName_;   // the name box's text as the file was shown
  QString nameBefore_;  // the name box's text before the current edit
  bool hiddenChoice_ = false;   // the Hidden box as the user set it for a name without a dot
  bool followingName_ = false;  // the Hidden box is being set for the name, not by the user
  bool launchedAlone_ = true;
  int openLinks_ = 0;
  bool linkCarriedMessage_ = false;
  bool ending_ = false;
  std::function<void()> endProgram_;
};

}  // namespace propedit
