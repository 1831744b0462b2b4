// frmCmd, the batch builder: four templates (head, per folder, per file, tail) on four tabs, the
// Insert Tag menus, the file choice, batch code files ("*.qw") to load and save, and the job:
// compile, compile and run, launch, edit and save a copy (the engine is batch_job.h).
//
// The window is made once and then only shown and hidden. At its making it takes the Today stamp
// of date tokens, deletes a job left from an earlier run and loads the last code file ("vardtlf":
// a "*.qw" file or its own state file "frmCmd.txt"; a value naming another tool's file, or none,
// loads "frmCmd.txt", else the shipped "Append.qw"). Closing it saves its state file and
// remembers that file as the last code.
//
// Implementation: frm_cmd.cpp (the window, tabs, options, tag menus), frm_cmd_files.cpp (code
// files, job copies, clear, close), frm_cmd_job.cpp (compile, run, launch, edit, help).
#pragma once

#include "tools/file_ops/batch_code.h"
#include "tools/file_ops/batch_job.h"
#include "tools/frame/widgets/tool_window.h"

#include <QHash>

#include <array>
#include <functional>
#include <string>

class QAction;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QStackedWidget;
class QTabBar;

namespace uikit {
class CtrlCmd;
}

namespace tools::file_ops {

class FrmCmd : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmCmd();

  // What the file dialog's save writes.
  enum class SaveMode { JobCopy, Code, CodeThenClear };

  // --- core::ToolForm (the file dialog) ---
  std::uint8_t loadHandle(const QString& myFile) override;
  std::uint8_t saveHandle(const QString& myFile) override;
  void doResize() override;

  // --- the menus and buttons ---
  void menuLoad();
  void menuSaveC() { saveCode(SaveMode::Code); }
  void menuSaveJ();
  void menuClear();
  void menuExit() { closeForm(); }
  void menuCompile();
  void menuRun();
  void menuLaunch();
  void menuEdit();
  void menuContents();

  // --- what the window holds ---
  [[nodiscard]] BatchCode code() const;
  // True when a template differs from the templates last loaded, saved or cleared (or shown when
  // the window first opened).
  [[nodiscard]] bool hasUnsavedChanges() const { return templates() != baseline_; }
  [[nodiscard]] const std::string& jobPath() const { return jobPath_; }
  [[nodiscard]] const std::string& todayStamp() const { return todayStamp_; }
  [[nodiscard]] QPlainTextEdit* box(int tab) const { return boxes_[static_cast<std::size_t>(tab - 1)]; }
  [[nodiscard]] QTabBar* tabBoxes() const { return tabBoxes_; }
  // Selects tab 1..4 as a click on it does.
  void selectTab(int tab);
  // A menu item or a menu's own item by name ("menuLaunch", "menuDate"), or nullptr.
  [[nodiscard]] QAction* action(const QString& name) const;
  // The date item of a source menu ("menuMod", "menuAcc", "menuCreate", "menuToday"), 1..17.
  [[nodiscard]] QAction* dateItem(const QString& sourceMenu, int item) const;

  // How jobs are started and edited (tests replace them; empty: the real ones).
  static void setJobLauncher(JobLauncher launcher);
  using EditorOpener = std::function<bool(const std::string& path)>;
  static void setEditorOpener(EditorOpener opener);

 protected:
  void closing() override;
  void showEvent(QShowEvent* e) override;

 private:
  void buildWindow();
  void buildMenus();
  QAction* addItem(QMenu* menu, const char* name, const char* caption);
  QMenu* addMenu(QMenu* parent, const char* name, const char* caption);
  void loadAtStart();
  void enableJobMenus();
  void reportNoJob();
  void clearBoxes();
  void insertAtCursor(const std::string& tag, QPlainTextEdit* box);
  void insertTag(const char* tag, bool folderTag);
  void enableInsertMenus();
  void optionChosen();
  void setCode(const BatchCode& code);
  void setCaptionText(const std::string& text);
  [[nodiscard]] BatchTemplates templates() const;
  // This window's message n, also before it was first shown.
  [[nodiscard]] std::string message(int n) const;
  // Asks whether unsaved templates are to be saved first: true to go on (No), false when the user
  // chose Yes (saving instead) or Cancel.
  bool goOnWithoutSaving(SaveMode ifSaved);
  void openSaveDialog(SaveMode mode, const std::string& name, const std::string& pattern);
  void saveCode(SaveMode mode);
  // Loads the code file at path (bytes); 0 loaded, 1 refused after a notice.
  std::uint8_t loadCode(const std::string& path);
  void compile(bool runAfter);
  [[nodiscard]] JobLaunch launchJob() const;

  std::array<QPlainTextEdit*, 4> boxes_{};
  QTabBar* tabBoxes_ = nullptr;
  QStackedWidget* stack_ = nullptr;
  std::array<QRadioButton*, 4> options_{};  // optAll, optRead, optArchive, optFold
  std::array<uikit::CtrlCmd*, 3> buttons_{};  // cmdOpen, cmdSaveC, cmdCompile
  QHash<QString, QAction*> actions_;
  QHash<QString, QMenu*> dateMenus_;
  std::string jobPath_;
  std::string todayStamp_;
  BatchTemplates baseline_;
  SaveMode saveMode_ = SaveMode::Code;
  bool shownBefore_ = false;
};

}  // namespace tools::file_ops
