// The main window "frmMain": the folder tree, the file list and its filter panel, the tool button
// bar, the menus, the window stack, the link server for the companion programs, and the window's
// start-up and shutdown. It implements the core's Host and RunHost (main_host.h), the file list's
// FileListHost and the ToolForm calls the shared pieces make by name (doResize, browseClose).
//
// Implementation by purpose: main_form.cpp (construction, layout, splitter), main_menus.cpp (the
// menus and the button bar), main_startup.cpp (load), main_shutdown.cpp (unload, close, keys),
// main_links.cpp (links and refresh), main_commands.cpp (the window's own commands),
// main_favourites.cpp (the Favourites menu).
#pragma once

#include "core/widgets/tool_form.h"
#include "main_window/widgets/file_list_host.h"

#include <QByteArray>
#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QAction;
class QMenu;
class QSplitter;
class QTimer;

namespace core {
class Pipeline;
class TipObject;
}
namespace platform {
class LinkServer;
class LinkClient;
}
namespace uikit {
class CtrlCmd;
class CtrlTreeDir;
class ImageList;
}

namespace mainwin {

class FileListController;
class FileListPane;
class FilterPanel;
class FrmFav;
class FrmSettings;
class MainHost;
class MainRunHost;
class WindowStack;

class MainForm : public QMainWindow, public core::ToolForm, public FileListHost {
  Q_OBJECT

 public:
  // commandLinePath: argv[1] as given (nullopt: taken from the application's arguments). The
  // window loads (Form_Load) in the constructor and installs itself as the core's host.
  explicit MainForm(std::optional<std::string> commandLinePath = std::nullopt, QWidget* parent = nullptr);
  ~MainForm() override;

  // --- what other parts use (tools, dialogs, the pipeline) ---
  [[nodiscard]] uikit::CtrlTreeDir* dir1() const { return dir1_; }
  [[nodiscard]] FileListController& list() const { return *list_; }
  [[nodiscard]] FilterPanel* panel() const { return panel_; }
  [[nodiscard]] FileListPane* pane() const { return pane_; }
  [[nodiscard]] std::string myPattern() const;
  // Caption plus borders of a window with an empty client area, in twips.
  [[nodiscard]] int heightDiff() const;
  [[nodiscard]] WindowStack& stack() const { return *stack_; }
  [[nodiscard]] MainRunHost& mainRunHost() const { return *runHost_; }
  [[nodiscard]] core::Pipeline& pipeline() const { return *pipeline_; }
  [[nodiscard]] QWidget* framMain() const { return framMain_; }
  [[nodiscard]] int hasLoaded() const;
  [[nodiscard]] bool escCloses() const { return escCloses_; }
  // A menu item (QAction) or a menu (its menuAction) by name, or nullptr.
  [[nodiscard]] QAction* action(const QString& name) const;
  [[nodiscard]] QMenu* menu(const QString& name) const;
  [[nodiscard]] uikit::CtrlCmd* button(int i) const;
  [[nodiscard]] FrmSettings* settingsForm() const;
  [[nodiscard]] FrmFav* favForm() const;
  // The folder tree's width in pixels (the splitter's first part).
  [[nodiscard]] int treeWidth() const;

  // --- core::ToolForm ---
  void doResize() override;
  // The folder dialog's choice for "Add..." of the Favourites menu.
  void browseClose(const QString& myPath) override;

  // --- FileListHost ---
  QWidget* hostWindow() override { return this; }
  [[nodiscard]] std::string currentFolder() const override;
  void setCurrentFolder(const std::string& folder) override;
  int Wendle(int doDirTree) override;
  void layoutPanels(bool show) override;
  void sendToPropertiesEditor(const std::string& path) override;
  void popupTargetsMenu(const QPoint& globalPos) override;
  void quickDelete() override { menuQuickDel(); }
  void setEscCloses(bool closes) override { escCloses_ = closes; }
  // True while a RunScope of this window is open (below): link messages, a language change, the
  // list's refills and closing wait for its end.
  [[nodiscard]] bool runInProgress() const override { return openRuns_ > 0; }
  [[nodiscard]] core::RunHost* runHost() override;
  // A line of the job walk (message 39: a file whose date cannot be read) joins the run's results.
  void addResult(const std::string& line) override;

  // --- start-up and shutdown ---
  void formLoad();
  // Saves everything start-up restores, says goodbye to the properties editor and, with cancel
  // false, ends the program (closes the window). Asks first while a run is in progress.
  void formUnload(bool cancel);

  // --- links ---
  // One message of the link "Quarrow|frmMain" (code character + argument); queued during a run.
  void ddeCommand(const QByteArray& message);
  [[nodiscard]] bool linkServing() const;
  // True while the batch builder's topic "Quarrow|frmCmd" is served (a link opened there, as the
  // refresh trigger at the end of a batch job opens one, refreshes the tree and the list).
  [[nodiscard]] bool builderLinkServing() const;

  // --- commands ---
  void menuClear();
  void menuQuickDel();
  void menuQuickRen();
  void menuProp();
  void menuFont();
  void menuCol();
  void menuTips();
  void menuResults();
  void menuPrint();
  void menuLang(int index);
  void sMenuAutoClick();
  void menuAbout();
  void menuExit() { formUnload(false); }
  void menuRefresh() { (void)Wendle(1); }
  void sMenuHiddenFoldsClick();
  void targetsMenuOpened();

  // --- tools ---
  // Opens the tool of a launch-table entry (nothing for a tool that is not available).
  void launch(std::string_view menu);
  // A click on tool button i (1..17): asks first when some but not all entries are selected.
  void buttonClick(int i);
  void loadButtonTips();
  [[nodiscard]] int buttonTipCount() const;

  // --- favourites ---
  void refreshFav();
  void menuAddFav();
  void openFavourite(int n);
  void menuOrgFav();

  // Starts a companion or outside program beside this executable (tests record instead).
  using ProgramStarter = std::function<void(const std::string& program, const std::string& argument)>;
  void setProgramStarter(ProgramStarter starter) { starter_ = std::move(starter); }
  // The starter every new main window takes (tests set it before constructing one; empty: real starts).
  static void setDefaultProgramStarter(ProgramStarter starter);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildWindow();
  void buildMenus();
  void buildButtons();
  QAction* addItem(QMenu* parent, const char* name, const char* caption);
  QMenu* addMenu(QMenu* parent, const char* name, const char* caption);
  void setCaptionText();
  void applySplitter();
  void saveSplitter();
  // tied: the program ends with this one (platform::startTiedProgram).
  void startProgram(const std::string& program, const std::string& argument, bool tied = false);
  void applyCommandLine();
  void loadColumns();
  void saveColumns();
  void startLinkServers();
  void applyLinkCommand(const QByteArray& message);
  void reloadAppearance();
  bool confirmCloseDuringRun();
  // The last RunScope closed: applies what waited for the run (queued link messages, a language
  // change, a close the user agreed to).
  void runEnded();
  friend class RunScope;
  void connectSelectionCommands();

  std::optional<std::string> commandLinePath_;
  std::unique_ptr<MainHost> host_;
  std::unique_ptr<MainRunHost> runHost_;
  int openRuns_ = 0;  // RunScopes open now; only RunScope changes it
  std::unique_ptr<core::Pipeline> pipeline_;
  std::unique_ptr<WindowStack> stack_;
  FileListController* list_ = nullptr;
  QWidget* framMain_ = nullptr;
  QSplitter* splitter_ = nullptr;
  uikit::CtrlTreeDir* dir1_ = nullptr;
  FileListPane* pane_ = nullptr;
  FilterPanel* panel_ = nullptr;
  QWidget* framOpers_ = nullptr;
  uikit::ImageList* imgSet_ = nullptr;
  std::array<uikit::CtrlCmd*, 18> cmdButtons_{};
  std::vector<std::unique_ptr<core::TipObject>> buttonTips_;
  QHash<QString, QAction*> actions_;
  QHash<QString, QMenu*> menus_;
  std::array<QAction*, 21> menuFav1_{};
  std::array<QAction*, 5> menuLang_{};
  FrmSettings* frmSettings_ = nullptr;  // children of this window
  FrmFav* frmFav_ = nullptr;
  platform::LinkServer* server_ = nullptr;
  platform::LinkServer* builderServer_ = nullptr;
  platform::LinkClient* propClient_ = nullptr;
  std::deque<QByteArray> pendingLinks_;
  QTimer* timerTips_ = nullptr;
  int tipTicks_ = 0;
  ProgramStarter starter_;
  bool firstLoad_ = true;
  bool escCloses_ = true;
  QPointer<QWidget> escPressWindow_;  // the window that had the last Esc press
  bool escPressInPopup_ = false;      // a menu or drop-down list was open at that press
  bool panelShown_ = false;
  bool splitterFromSettings_ = true;
  bool closePending_ = false;
  bool closing_ = false;
  int pendingLanguage_ = -1;
};

// "A run is in progress" on a main window for exactly the lifetime of this object. It is the only
// way that state begins and ends, so it cannot outlive its run however the run ends: finished,
// cancelled, a question answered No, an error report or an exception leaving the scope. Scopes
// nest (a tool's Start and the progress window it shows); when the window's last one closes, what
// waited for the run happens. A scope whose window is gone meanwhile ends quietly.
class RunScope {
 public:
  explicit RunScope(MainForm& main);
  ~RunScope();
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  QPointer<MainForm> main_;
};

}  // namespace mainwin
