// frmResults: the results viewer. Shows a run's report in pages of about 15,000 bytes, keeps the
// last nine reports as history files with a History menu, marks the paths of existing files (and
// spill pointer lines), opens the file of a double-clicked line with the desktop's application,
// and saves or prints the report. Unloaded on every close; each showing runs the load step anew.
#pragma once

#include "core/widgets/tool_form.h"
#include "ui_kit/results_paging.h"
#include "ui_kit/unloading_window.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QTextEdit;

namespace core {
class RunHost;
}

namespace uikit {

class CtrlCmd;
class CtrlDibber;
class CtrlResize;

// The report the viewer shows (resultsText) with the stamp of its run; the main window's Results
// command shows the same run again from here.
struct ResultsRun {
  std::string text;
  std::string stamp;
};
ResultsRun& resultsRun();

class FrmResults : public UnloadingWindow, public core::ToolForm {
  Q_OBJECT

 public:
  // Opens a file with the desktop's application (editor false) or the user's text editor (true);
  // false when that failed. Tests put a recorder in place.
  using Opener = std::function<bool(const std::string& path, bool editor)>;
  // Prints text on the default printer: 0 or an error number.
  using Printer = std::function<int(std::string_view text)>;
  static void setOpener(Opener opener);
  static void setPrinter(Printer printer);
  // The run host whose saveTextFile saves the report (the program's DialogRunHost).
  static void setSaveHost(core::RunHost* host);

  // Shows the viewer for a run: text becomes resultsText (kept with stamp), any open viewer is
  // unloaded first, the viewer is shown through showForm with the short name "Results" (the
  // owner disabled when disableOwner) and its load step records the run in the history.
  static FrmResults* showRun(QWidget* referrer, const std::string& text, const std::string& stamp,
                             bool disableOwner);
  // Shows resultsRun() again (the main window's Results command).
  static FrmResults* showCurrent(QWidget* referrer);
  // The viewer that is open, or nullptr.
  static FrmResults* current();

  explicit FrmResults(QWidget* parent = nullptr);
  ~FrmResults() override;

  QPointer<QWidget> referrer;

  // The print command (also run by the main window).
  void cmdPrint_Click();
  // The file dialog's callback: 0 saved (the dialog closes), else it stays open.
  std::uint8_t saveHandle(const QString& myFile) override;
  void doResize() override;

  // Paging and marking, for the buttons and for tests.
  void showPage(int k);
  [[nodiscard]] int pageCount() const { return pageCount_; }
  [[nodiscard]] int currentPage() const { return currentPage_; }
  [[nodiscard]] TextRange pageRange() const { return page_; }
  [[nodiscard]] QString shownText() const;
  // The marked paths of the shown page (positions in shownText), and whether each still carries
  // the mark.
  [[nodiscard]] std::vector<TextRange> markedRanges() const;
  // The launch for a double-click at position pos of shownText.
  void launchAt(int pos);
  // Reads a history item (its file name) as the History menu does.
  void viewHistory(const std::string& fileName);
  [[nodiscard]] const std::string& currentFileName() const { return currentFile_; }
  [[nodiscard]] std::vector<QAction*> historyActions() const;

 protected:
  void unloadWindow() override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  struct Mark {
    TextRange bytes;     // in the page
    TextRange display;   // in the box
    bool marked = true;  // false once a missing file lost its mark
  };
  void loadStep(bool disableOwner);
  void runPaging();
  void markPaths();
  void applyMark(const Mark& m, bool on);
  void buildHistoryMenu();
  void setWrap(bool wrap);

  QTextEdit* rtxResults_;
  QWidget* framCmd_;
  CtrlCmd* cmdFirst_;
  CtrlCmd* cmdPrevious_;
  CtrlCmd* cmdNext_;
  CtrlCmd* cmdLast_;
  CtrlCmd* cmdSave_;
  CtrlCmd* cmdPrint_;
  CtrlCmd* cmdClose_;
  QLabel* lblNoPrinter_;
  CtrlDibber* dibber_;
  CtrlResize* resize_;
  QMenuBar* menuBar_;
  QAction* menuHistory_;
  QAction* menuClear_;
  QAction* menuCurrent_;
  QAction* menuSep_;
  QAction* menuWrap_;
  QMenu* historyMenu_;
  std::vector<QAction*> hist_;
  QAction* viewed_ = nullptr;

  int slot_ = 1;
  std::string currentFile_;
  int pageCount_ = 1;
  int currentPage_ = 1;
  TextRange page_;
  HeaderPaths header_;
  std::vector<Mark> marks_;
};

}  // namespace uikit
