// frmRen: the batch rename window. The start and end rules with their token menus, the sequence
// number, files or folders, a live preview of the first five names, the undo menu of the nine
// journals and the rule-set files (*.Ren). The window reads its controls into options and calls
// the engine (tools/renaming/rename_*.h); it renames nothing itself.
//
// Implementation: frm_ren.cpp (controls, layout, the boxes' rules, preview, Start),
// frm_ren_menus.cpp (token, undo and rule-set menus).
#pragma once

#include "tools/frame/widgets/tool_window.h"
#include "tools/renaming/rename_preview.h"
#include "tools/renaming/rename_rules.h"

#include <QLineEdit>
#include <QPointer>

#include <array>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QRadioButton;
class QTreeWidget;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
}

namespace tools::ren {

class FrmRen : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmRen();

  // --- core::ToolForm ---
  void doResize() override;
  // The substring dialog's "start;length": "<CustSub;start;length>" at the cursor of the box the
  // token menu was opened for.
  void loadHandleFrmStr(const QString& myData) override;
  // Applies a rule-set file: 0 accepted; 1 refused (common message 116) or not readable.
  std::uint8_t loadHandle(const QString& myFile) override;
  // Saves the rule set (asking before replacing a file): 0 saved; 1 not saved.
  std::uint8_t saveHandle(const QString& myFile) override;

  // --- what the buttons and menus do (tests call them as a click would) ---
  void cmdStartClick();
  void refreshUndoMenu();
  void undoSlot(int slot);  // menuRecent (the current slot) and menuUndo1(slot)
  void menuClearClick();
  // Replaces the selection of the target box with text, the caret after it, the focus back.
  void insertAtCursor(const QString& text);
  // The box the token menu inserts into: the start box (cmdIns1) or the end box (cmdIns2).
  void setInsertTarget(QLineEdit* box) { target_ = box; }

  // The preview as shown (old, new) and the samples it was built from.
  [[nodiscard]] std::vector<PreviewRow> previewRows() const { return rows_; }
  [[nodiscard]] RenameMode mode() const;

  // Controls by their role (tests, and the menus' file).
  uikit::CtrlCheckBox *chkStart, *chkEnd, *chkSeq;
  QLineEdit *txtStart, *txtEnd, *txtStartHold, *txtEndHold, *txtFirst, *txtZeros;
  QRadioButton *optFile, *optFold, *optNewFoldRestart, *optNewFoldContinue;
  QTreeWidget* ListViewPrev;
  uikit::CtrlCmd *cmdIns1, *cmdIns2, *cmdStart, *cmdUndo, *cmdClose;
  QFrame *framSeq, *bbbTxtStart, *bbbTxtEnd;
  QMenuBar* menuBar;
  QMenu *menuPresets, *menuUndo, *menuAdd, *menuSub, *menuDate;
  QAction *menuLoad, *menuSave, *menuClear, *menuRecent, *menuSep, *menuOld, *menuExt, *menuFold, *menuRand,
      *menuDash1, *menuDash2, *menuCustSub;
  std::array<QAction*, 9> menuUndo1{};
  std::array<QAction*, 10> menuWord{};
  std::array<QMenu*, 4> dateSources{};  // menuMod, menuAcc, menuCreate, menuToday

 protected:
  void showEvent(QShowEvent* e) override;
  void closing() override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildControls();
  void buildMenus();
  void connectControls();
  void ruleEdited(QLineEdit* box);
  void numberEdited(QLineEdit* box, std::string_view allowed, bool emptyIsZero);
  void ruleTicked(uikit::CtrlCheckBox* tick, QLineEdit* box, QFrame* frame, uikit::CtrlCmd* insert);
  void sequenceTicked();
  void modeChosen();
  void setNewFolderOptions();
  void applyMessageTexts();
  void syncHoldTexts();
  void refreshPreviewSource();
  void buildPreview();
  [[nodiscard]] std::string currentFolder() const;
  void popUnder(QMenu* menu, QWidget* button);

  std::vector<std::string> samples_;
  std::vector<PreviewRow> rows_;
  QPointer<QLineEdit> target_;
  int designWidth_ = 0;
  bool folderMode_ = false;  // the mode the boxes hold the rules of
  bool ready_ = false;       // built: handlers may lay out and preview
};

}  // namespace tools::ren
