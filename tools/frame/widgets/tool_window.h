// The frame every tool window is built on. ToolWindow is a top-level window above the main window
// that does what every tool window does the same way:
//   - its objectName is the form name ("frmRen"), which names its state and tip files, and its
//     language file is "Lfrm" + short name + ".bin";
//   - resizing reaches doResize once per burst, through the delayed-resize control (CtrlResize);
//   - Esc and the close box close it through hideForm(this, main window, 1, 1), which saves its
//     state; minimising it minimises the whole program (minForm);
//   - it implements core::ToolForm, so the shared dialogs call its doResize, loadHandle,
//     saveHandle, loadHandleFrmStr and browseClose;
//   - runStart wraps the Start handler: it refuses while any run is in progress, hands the run the
//     pipeline and a copy of this window's message table, and turns an exception into showRunError
//     (the run driver reports its steps' exceptions itself; this catches what happens around it,
//     such as the input checks).
//
// Example of use (a tool's window; the run itself is engine code that never sees a widget):
//
//   class FrmJoin : public tools::ToolWindow {
//    public:
//     FrmJoin() : ToolWindow("frmJoin", "Join") {
//       // objectNames are the control names the language and form-state files use.
//       auto* optBinary = new QRadioButton(this);
//       optBinary->setObjectName("optBinary");
//       auto* cmdStart = new uikit::CtrlCmd(this);
//       cmdStart->setObjectName("cmdStart");
//       // Follows a click, a menu's preset and the restored state alike.
//       tools::whenChosen(optBinary, [this] { core::enableControls(this, "txtSep", false); });
//       connect(cmdStart, &uikit::CtrlCmd::Click, this, [this] {
//         runStart([this](tools::ToolRun& run) {
//           if (txtName_->text().isEmpty()) {  // input checks: this window's messages
//             core::host().respond(this, "O", run.msg(3), "W", "");
//             return;
//           }
//           // Engine code on the run driver (core/run_driver.h), result lines from run.msg.
//           joinFiles(run.pipe, run.form, readOptions(), run.msg);
//         });
//       });
//     }
//     void doResize() override;  // lays the controls out for the new size
//    private:
//     JoinOptions readOptions() const;  // controls -> named options
//     QLineEdit* txtName_;
//   };
//
//   // The tool library's registration, one line of main_window/app/tool_list.cpp:
//   void registerJoinTool() {
//     mainwin::registerToolForm("frmJoin", [] { return new FrmJoin(); });
//   }
//
// Tests open a tool as the menus do: mainwin::launchTool("menuJoin", &mainForm) (or a click on
// the menu entry or button), then press its Start; usePipeline() puts a pipeline over a
// core::ScriptedRunHost in place of the main window's.
#pragma once

#include "core/message_table.h"
#include "core/widgets/tool_form.h"
#include "tools/frame/widgets/reader_names.h"

#include <QWidget>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

class QAbstractButton;

namespace core {
class Pipeline;
}
namespace mainwin {
class MainForm;
}
namespace uikit {
class CtrlResize;
}

namespace tools {

// What a run gets from its window's Start.
struct ToolRun {
  core::Pipeline& pipe;           // the program's pipeline
  core::ToolForm* form;           // the window, for buildDirList, finishOperation and questions
  const core::MessageTable& msg;  // this window's messages, a copy that nothing else changes
};

class ToolWindow : public QWidget, public core::ToolForm {
  Q_OBJECT

 public:
  // formName: the objectName ("frmJoin"); shortName: the language file's ("Join"). parent
  // nullptr: the main window, so that the tool stays in front of it.
  ToolWindow(std::string_view formName, std::string_view shortName, QWidget* parent = nullptr);
  ~ToolWindow() override;

  [[nodiscard]] const std::string& shortName() const { return shortName_; }
  // Message n of this window's own table (read from its language file each time it is shown);
  // never another window's, whatever was shown since.
  [[nodiscard]] const std::string& msg(int n) const { return messages_(n); }
  [[nodiscard]] const core::MessageTable& messages() const { return messages_; }

  // The Start handler's wrapper. Returns false, without calling worker, while any run is in
  // progress (another tool's Start, this one's, or a run of the main window): nothing of the
  // running run is touched, the user hears a beep and the busy window comes to the front. Else
  // makes this window's table the form table (core::msgForm), calls worker with the pipeline and
  // a copy of the table, and returns true; an exception out of worker goes to showRunError
  // (common message 103 and the exception's text). The call holds the main window's run scope
  // (mainwin::RunScope): however worker ends, the run is over when this returns, and a progress
  // window it left up has closed, giving this window back.
  using Worker = std::function<void(ToolRun&)>;
  bool runStart(const Worker& worker);
  // True while a Start runs here (the window does not close meanwhile).
  [[nodiscard]] bool running() const { return running_; }

  // Closes the window as Esc and the close box do: closing(), then hideForm(this, main window,
  // 1, 1). Refused while this window's run is in progress.
  void closeForm();

  // True while any tool's Start runs or the main window has a run in progress.
  [[nodiscard]] static bool runInProgress();
  // The pipeline runs are handed (tests: one over a ScriptedRunHost); nullptr restores the main
  // window's.
  static void usePipeline(core::Pipeline* pipeline);

  // Names again what a screen reader reads for the controls given to readAs, from this window's
  // language section; the window does it each time it shows (after showEvent), a tool again
  // after it changed a caption those names are made of.
  void applyReaderNames();

 protected:
  // Called before the window hides on closing (Esc, the close box, closeForm): the place for what
  // a tool keeps besides its form state.
  virtual void closing() {}
  // What a screen reader reads for control, which has no caption of its own or one that repeats
  // in the window (tools/frame/widgets/reader_names.h). Call it where the window is built.
  void readAs(QWidget* control, std::initializer_list<ReadPart> parts) { readerNames_.add(control, parts); }
  // The main window, or nullptr (tests without one): what a tool reads of it at Start, such as
  // currentFolder(), panel()->chkInclude and chkIncHidden, myPattern(), list().firstVisibleNames().
  [[nodiscard]] static mainwin::MainForm* mainForm();

  // A subclass that overrides one of these calls the frame's as well.

  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  std::string shortName_;
  core::MessageTable messages_;
  uikit::CtrlResize* ctrlResize_;
  ReaderNames readerNames_;
  bool running_ = false;
};

// Calls handler whenever option becomes the chosen one, however that happens: a click, the
// keyboard, a menu's preset (setChecked) or a restored form state; `clicked` misses all but the
// first two. Connect it where the form is built, before the state is loaded. (The flat check box,
// uikit::CtrlCheckBox, raises Click on every change of its Value already.)
void whenChosen(QAbstractButton* option, std::function<void()> handler);

}  // namespace tools
