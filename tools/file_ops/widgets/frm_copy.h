// frmCopy: the window of the copy and move tool. It holds the target pattern with its insertion
// menus, the run's options, a preview of five sample targets, and the undo button with its menu
// of the last nine runs. Start reads the controls into CopyJobOptions and calls runCopyJob; the
// undo entries call undoCopyJob (tools/file_ops/copy_run.h, copy_journal.h).
//
// Opened from the main window's menus as "Copy"; tests open it with mainwin::launchTool("menuCopy").
#pragma once

#include "core/date_tokens.h"
#include "tools/file_ops/copy_run.h"
#include "tools/frame/widgets/tool_window.h"

#include <QString>

#include <array>
#include <string>

class QAction;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QTreeWidget;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
}  // namespace uikit

namespace tools::file_ops {

class FrmCopy : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmCopy();

  // --- what the shared dialogs call (the layouts follow every resize, so doResize has nothing to do) ---
  // The folder dialog's choice: the path box's new text, or message 16 when it no longer exists.
  void browseClose(const QString& myPath) override;
  // The substring dialog's "start;length": inserts "<CustSub;start;length>".
  void loadHandleFrmStr(const QString& myData) override;

  // --- the window's commands (buttons, menus) ---
  void cmdStartClick();
  // Inserts text at the caret of the path box, replacing the selection.
  void insertAtCaret(const QString& text);
  void menuUpClick();
  void undoSlot(int slot);
  void clearCopyUndo();
  // Refills the undo menu from the journals that exist.
  void rebuildUndoMenu();
  // The five sample targets of the pattern as it stands.
  void fillPreview();

  // The options the controls hold now.
  [[nodiscard]] CopyJobOptions readOptions() const;

  // --- controls, for tests ---
  [[nodiscard]] QLineEdit* txtPath() const { return txtPath_; }
  [[nodiscard]] QComboBox* comCopyMove() const { return comCopyMove_; }
  [[nodiscard]] QComboBox* comDup() const { return comDup_; }
  [[nodiscard]] uikit::CtrlCheckBox* chkPreserve() const { return chkPreserve_; }
  [[nodiscard]] uikit::CtrlCheckBox* chkEmpty() const { return chkEmpty_; }
  [[nodiscard]] uikit::CtrlCheckBox* chkContents() const { return chkContents_; }
  [[nodiscard]] QGroupBox* framText() const { return framText_; }
  [[nodiscard]] QPlainTextEdit* txtTargWords() const { return txtTargWords_; }
  [[nodiscard]] QTreeWidget* listViewPrev() const { return listViewPrev_; }
  [[nodiscard]] QMenu* menuMain() const { return menuMain_; }
  [[nodiscard]] QMenu* menuUndo() const { return menuUndo_; }
  [[nodiscard]] QAction* menuRecent() const { return menuRecent_; }
  [[nodiscard]] QAction* menuClear() const { return menuClear_; }
  [[nodiscard]] QAction* undoEntry(int slot) const { return menuUndo1_[static_cast<std::size_t>(slot - 1)]; }

 protected:
  void showEvent(QShowEvent* e) override;
  void closing() override;

 private:
  void buildControls();
  void buildMenus();
  void addDateMenu(QMenu* parent, const char* name, const char* caption, const char* itemName,
                   core::DateSource source);
  void txtPathChanged();
  void chkContentsClick();
  void chkPreserveClick();
  void fillCombos();
  void applySavedWidths();

  QLineEdit* txtPath_ = nullptr;
  uikit::CtrlCmd* cmdFind_ = nullptr;
  QComboBox* comCopyMove_ = nullptr;
  QComboBox* comDup_ = nullptr;
  uikit::CtrlCheckBox* chkPreserve_ = nullptr;
  uikit::CtrlCheckBox* chkEmpty_ = nullptr;
  uikit::CtrlCheckBox* chkContents_ = nullptr;
  QGroupBox* framText_ = nullptr;
  QPlainTextEdit* txtTargWords_ = nullptr;
  QRadioButton* optTargAny_ = nullptr;
  QRadioButton* optTargAll_ = nullptr;
  uikit::CtrlCheckBox* chkSens_ = nullptr;
  uikit::CtrlCheckBox* chkPhrase_ = nullptr;
  QTreeWidget* listViewPrev_ = nullptr;
  uikit::CtrlCmd* cmdUndo_ = nullptr;
  uikit::CtrlCmd* cmdStart_ = nullptr;
  uikit::CtrlCmd* cmdClose_ = nullptr;
  QMenu* menuMain_ = nullptr;
  QMenu* menuUndo_ = nullptr;
  QAction* menuRecent_ = nullptr;
  QAction* menuClear_ = nullptr;
  QAction* menuSep_ = nullptr;
  std::array<QAction*, 5> menuWord_{};
  std::array<QAction*, 9> menuUndo1_{};
  bool loaded_ = false;  // the first showing has laid the window out
};

}  // namespace tools::file_ops
