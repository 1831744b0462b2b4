#include "ui_kit/results_viewer.h"

#include "core/file_content.h"
#include "core/file_paths.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/form_show.h"
#include "core/widgets/host.h"
#include "core/widgets/window_routines.h"
#include "platform/process.h"
#include "platform/widgets/window_effects.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/ctrl_dibber.h"
#include "ui_kit/ctrl_resize.h"
#include "ui_kit/file_dialog.h"
#include "ui_kit/look.h"
#include "ui_kit/message_box.h"
#include "core/results_history.h"
#include "core/shown_dates.h"
#include "ui_kit/results_save.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace uikit {

namespace {

constexpr std::uint64_t kEditorSize = 300000;
constexpr std::size_t kLongPrint = 4000;
constexpr int kMarkProperty = QTextFormat::UserProperty + 1;

QPointer<FrmResults>& openViewer() {
  static QPointer<FrmResults> v;
  return v;
}

core::RunHost*& saveHost() {
  static core::RunHost* h = nullptr;
  return h;
}

// The user's text editor: $VISUAL, else the desktop's application for the file.
FrmResults::Opener& opener() {
  static FrmResults::Opener o = [](const std::string& path, bool editor) {
    return editor ? platform::openInTextEditor(path) : platform::openWithDesktop(vb::qpath(path));
  };
  return o;
}

FrmResults::Printer& printer() {
  static FrmResults::Printer p = [](std::string_view text) { return core::PrintText(text); };
  return p;
}

std::uint64_t fileSizeOf(const std::string& path) {
  const QFileInfo info(vb::qpath(path));
  return info.isFile() ? static_cast<std::uint64_t>(info.size()) : 0;
}

bool endsWithTxt(const std::string& path) {
  return path.size() > 4 && vb::LCase(path.substr(path.size() - 4)) == ".txt";
}

CtrlCmd* makeButton(QWidget* parent, QLayout* row, const char* name, const QString& caption, int widthTw) {
  auto* b = new CtrlCmd(parent);
  b->setObjectName(QLatin1String(name));
  b->setCaption(caption);
  b->setDesignSize({px(widthTw), px(375)});
  row->addWidget(b);
  return b;
}

}  // namespace

ResultsRun& resultsRun() {
  static ResultsRun r;
  return r;
}

void FrmResults::setOpener(Opener o) { opener() = std::move(o); }
void FrmResults::setPrinter(Printer p) { printer() = std::move(p); }
void FrmResults::setSaveHost(core::RunHost* host) { saveHost() = host; }

FrmResults* FrmResults::current() { return openViewer().data(); }

FrmResults* FrmResults::showRun(QWidget* ref, const std::string& text, const std::string& stamp,
                                bool disableOwner) {
  resultsRun() = {text, stamp};
  if (FrmResults* old = openViewer()) old->unload();
  auto* v = new FrmResults();
  openViewer() = v;
  v->referrer = ref;
  v->loadStep(disableOwner);
  return v;
}

FrmResults* FrmResults::showCurrent(QWidget* ref) {
  const ResultsRun run = resultsRun();
  return showRun(ref, run.text, run.stamp, false);
}

FrmResults::FrmResults(QWidget* parent) : UnloadingWindow(parent, true) {
  setObjectName(QStringLiteral("frmResults"));
  setWindowTitle(QStringLiteral("Results"));
  setAttribute(Qt::WA_DeleteOnClose, false);
  setMinimumSize(px(7935), px(6780 - 450));
  resize(px(9600), px(7200));

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(px(120), px(60), px(120), px(120));
  menuBar_ = new QMenuBar(this);
  outer->setMenuBar(menuBar_);
  historyMenu_ = menuBar_->addMenu(QStringLiteral("&History"));
  menuHistory_ = historyMenu_->menuAction();
  menuHistory_->setObjectName(QStringLiteral("menuHistory"));
  menuClear_ = historyMenu_->addAction(QStringLiteral("&Clear All History"));
  menuClear_->setObjectName(QStringLiteral("menuClear"));
  menuClear_->setEnabled(false);
  menuCurrent_ = historyMenu_->addAction(QStringLiteral("View Current &Results"));
  menuCurrent_->setObjectName(QStringLiteral("menuCurrent"));
  menuCurrent_->setEnabled(false);
  menuSep_ = historyMenu_->addSeparator();
  menuSep_->setObjectName(QStringLiteral("menuSep"));
  menuSep_->setVisible(false);
  QMenu* view = menuBar_->addMenu(QStringLiteral("&View"));
  view->menuAction()->setObjectName(QStringLiteral("menuView"));
  menuWrap_ = view->addAction(QStringLiteral("Word Wrap"));
  menuWrap_->setObjectName(QStringLiteral("menuWrap"));
  menuWrap_->setCheckable(true);
  menuWrap_->setChecked(true);

  rtxResults_ = new QTextEdit(this);
  rtxResults_->setObjectName(QStringLiteral("rtxResults"));
  rtxResults_->setReadOnly(true);
  rtxResults_->setUndoRedoEnabled(false);
  rtxResults_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  rtxResults_->viewport()->installEventFilter(this);
  rtxResults_->installEventFilter(this);
  outer->addWidget(rtxResults_, 1);

  framCmd_ = new QWidget(this);
  framCmd_->setObjectName(QStringLiteral("framCmd"));
  auto* row = new QHBoxLayout(framCmd_);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(px(60));
  cmdFirst_ = makeButton(framCmd_, row, "cmdFirst", QStringLiteral("<<"), 495);
  cmdPrevious_ = makeButton(framCmd_, row, "cmdPrevious", QStringLiteral("<"), 495);
  cmdNext_ = makeButton(framCmd_, row, "cmdNext", QStringLiteral(">"), 495);
  cmdLast_ = makeButton(framCmd_, row, "cmdLast", QStringLiteral(">>"), 495);
  cmdSave_ = makeButton(framCmd_, row, "cmdSave", QStringLiteral("&Save"), 1095);
  cmdPrint_ = makeButton(framCmd_, row, "cmdPrint", QStringLiteral("Print"), 1095);
  cmdClose_ = makeButton(framCmd_, row, "cmdClose", QStringLiteral("&Close"), 1095);
  cmdSave_->setEnabledFlag(false);
  cmdPrint_->setEnabledFlag(false);
  auto* bottom = new QHBoxLayout();
  bottom->addStretch(1);
  bottom->addWidget(framCmd_);
  bottom->addSpacing(px(240));
  outer->addLayout(bottom);

  lblNoPrinter_ = new QLabel(QStringLiteral("The results could not be printed: no printer is set up, or the printer failed."), this);
  lblNoPrinter_->setObjectName(QStringLiteral("lblNoPrinter"));
  lblNoPrinter_->hide();

  dibber_ = new CtrlDibber(this);
  dibber_->setObjectName(QStringLiteral("CtrlDibber1"));
  resize_ = new CtrlResize(this);
  resize_->setObjectName(QStringLiteral("CtrlResize1"));

  connect(cmdFirst_, &CtrlCmd::Click, this, [this] { showPage(1); });
  connect(cmdPrevious_, &CtrlCmd::Click, this, [this] { showPage(currentPage_ - 1); });
  connect(cmdNext_, &CtrlCmd::Click, this, [this] { showPage(currentPage_ + 1); });
  connect(cmdLast_, &CtrlCmd::Click, this, [this] { showPage(pageCount_); });
  connect(cmdClose_, &CtrlCmd::Click, this, [this] { unload(); });
  connect(cmdPrint_, &CtrlCmd::Click, this, [this] { cmdPrint_Click(); });
  connect(cmdSave_, &CtrlCmd::Click, this, [this] {
    if (resultsRun().text.empty()) {
      respond(this, "O", core::msgMain(34), "I", "");
      return;
    }
    FrmBrowse::LoadMe(this, QString(), QStringLiteral("Results.txt"), QStringLiteral("*.txt"));
  });
  connect(menuWrap_, &QAction::triggered, this, [this](bool checked) {
    core::saveSet("nowrap", checked ? "0" : "1");
    setWrap(checked);
  });
  connect(menuClear_, &QAction::triggered, this, [this] {
    core::clearHistory(slot_);
    for (QAction* a : hist_) a->setVisible(false);
    menuClear_->setEnabled(false);
    menuSep_->setVisible(false);
  });
  connect(menuCurrent_, &QAction::triggered, this, [this] {
    if (viewed_) viewed_->setEnabled(true);
    viewed_ = nullptr;
    menuCurrent_->setEnabled(false);
    viewHistory(core::historySlotFile(slot_));
  });
}

FrmResults::~FrmResults() = default;

void FrmResults::setWrap(bool wrap) {
  rtxResults_->setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
  menuWrap_->setChecked(wrap);
}

void FrmResults::loadStep(bool disableOwner) {
  const core::CoreState& st = core::coreState();
  int stateMode = 0;
  core::showForm(this, referrer, stateMode, 0, "Results", disableOwner ? 1 : 0);
  QPalette p = rtxResults_->palette();
  p.setColor(QPalette::Base, core::toQColor(st.backColor));
  p.setColor(QPalette::Text, core::toQColor(st.foreColor));
  rtxResults_->setPalette(p);
  rtxResults_->setFont(faceFont(vb::qs(st.fontName), 9, false));

  std::string wrap = core::getSet("nowrap");
  if (wrap.empty()) {
    wrap = "0";
    core::saveSet("nowrap", "0");
  }
  setWrap(vb::Val(wrap) == 0);
  viewed_ = nullptr;
  dibber_->setMinX(twips(minimumWidth()));
  dibber_->setMinY(twips(minimumHeight()));

  slot_ = core::currentHistorySlot();
  currentFile_ = core::historySlotFile(slot_);
  std::string& text = resultsRun().text;
  if (text.empty()) {
    text = core::readHistoryFile(currentFile_);
  } else if (text.size() < core::kHistoryLimit) {
    const std::string name = core::recordRun(text);
    if (!name.empty()) currentFile_ = name;
    slot_ = core::currentHistorySlot();
  }
  buildHistoryMenu();
  runPaging();
}

void FrmResults::buildHistoryMenu() {
  for (QAction* a : hist_) {
    historyMenu_->removeAction(a);
    a->deleteLater();
  }
  hist_.clear();
  const auto entries = core::historyEntries(slot_);
  for (const auto& [slot, name] : entries) {
    // The file keeps English month names; the entry reads in the window's language.
    QAction* a =
        historyMenu_->addAction(vb::qs(core::shownMonths(core::historyCaption(name), core::coreState().langIndex)));
    a->setObjectName(QStringLiteral("menuHist1"));
    a->setData(vb::qs(name));
    connect(a, &QAction::triggered, this, [this, a] {
      if (viewed_) viewed_->setEnabled(true);
      a->setEnabled(false);
      viewed_ = a;
      menuCurrent_->setEnabled(true);
      viewHistory(vb::bs(a->data().toString()));
    });
    hist_.push_back(a);
  }
  menuSep_->setVisible(!entries.empty());
  menuClear_->setEnabled(!entries.empty());
}

std::vector<QAction*> FrmResults::historyActions() const { return hist_; }

void FrmResults::viewHistory(const std::string& fileName) {
  bool exists = false;
  std::string text = core::readHistoryFile(fileName, &exists);
  if (!exists) {
    respond(this, "O", core::msgMain(21), "E", "");
    return;
  }
  resultsRun().text = std::move(text);
  runPaging();
}

void FrmResults::runPaging() {
  const std::string& text = resultsRun().text;
  header_ = detectHeader(text);
  pageCount_ = uikit::pageCount(text.size());
  const bool several = pageCount_ > 1;
  for (CtrlCmd* b : {cmdFirst_, cmdPrevious_, cmdNext_, cmdLast_}) b->setVisible(several);
  cmdSave_->setEnabledFlag(!text.empty());
  cmdPrint_->setEnabledFlag(!text.empty());
  showPage(1);
  rtxResults_->setVisible(true);
}

void FrmResults::showPage(int k) {
  k = std::clamp(k, 1, pageCount_);
  currentPage_ = k;
  cmdFirst_->setEnabledFlag(k != 1);
  cmdNext_->setEnabledFlag(k < pageCount_);
  cmdPrevious_->setEnabledFlag(k >= 2);
  cmdLast_->setEnabledFlag(k != pageCount_);
  const std::string& text = resultsRun().text;
  page_ = pageCount_ > 1 ? pageBounds(text, k) : TextRange{0, text.size()};
  markPaths();
  if (pageCount_ > 1) {
    setWindowTitle(vb::qs(core::msgMain(27) + std::to_string(k) + core::msgMain(28) + std::to_string(pageCount_)));
  }
  QTextCursor c = rtxResults_->textCursor();
  c.movePosition(pageCount_ > 1 ? QTextCursor::End : QTextCursor::Start);
  rtxResults_->setTextCursor(c);
}

void FrmResults::markPaths() {
  const std::string& text = resultsRun().text;
  const std::string_view page = std::string_view(text).substr(page_.start, page_.end - page_.start);
  const std::vector<TextRange> paths = pathMarks(page, page_.start, header_, [](const std::string& path) {
    return core::FileExist(path) != 0;
  });
  const std::vector<TextRange> hidden = hiddenMarkers(page);
  // One sorted list of both kinds for the display mapping.
  std::vector<std::pair<TextRange, bool>> all;
  for (const TextRange& r : paths) all.emplace_back(r, true);
  for (const TextRange& r : hidden) all.emplace_back(r, false);
  std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first.start < b.first.start; });
  std::vector<TextRange> ranges;
  for (const auto& [r, isPath] : all) ranges.push_back(r);
  std::vector<TextRange> shown;
  rtxResults_->setPlainText(displayText(page, ranges, shown));

  const core::CoreState& st = core::coreState();
  marks_.clear();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (shown[i].end == shown[i].start) continue;
    if (all[i].second) {
      marks_.push_back({all[i].first, shown[i], true});
      applyMark(marks_.back(), true);
    } else {
      QTextCursor c(rtxResults_->document());
      c.setPosition(static_cast<int>(shown[i].start));
      c.setPosition(static_cast<int>(shown[i].end), QTextCursor::KeepAnchor);
      QTextCharFormat f;
      f.setForeground(core::toQColor(st.backColor));
      c.mergeCharFormat(f);
    }
  }
  rtxResults_->moveCursor(QTextCursor::Start);
}

void FrmResults::applyMark(const Mark& m, bool on) {
  QTextCursor c(rtxResults_->document());
  c.setPosition(static_cast<int>(m.display.start));
  c.setPosition(static_cast<int>(m.display.end), QTextCursor::KeepAnchor);
  QTextCharFormat f;
  f.setFontUnderline(on);
  f.setProperty(kMarkProperty, on);
  c.mergeCharFormat(f);
}

QString FrmResults::shownText() const { return rtxResults_->toPlainText(); }

std::vector<TextRange> FrmResults::markedRanges() const {
  std::vector<TextRange> out;
  for (const Mark& m : marks_) {
    if (m.marked) out.push_back(m.display);
  }
  return out;
}

void FrmResults::launchAt(int pos) {
  const QTextBlock block = rtxResults_->document()->findBlock(pos);
  if (!block.isValid()) return;
  const std::string& text = resultsRun().text;
  const std::string_view page = std::string_view(text).substr(page_.start, page_.end - page_.start);
  const std::vector<TextRange> lines = splitLines(page);
  const auto index = static_cast<std::size_t>(block.blockNumber());
  if (index >= lines.size()) return;
  const TextRange line = lines[index];
  const std::vector<std::size_t> starts = pathStarts(page, line);
  if (starts.empty()) return;
  for (std::size_t start : starts) {
    const std::string path = pathAt(page, start, line);
    if (core::FileExist(path) == 0) continue;
    if (vb::Val(core::getSet("frmResultsShowLaunch")) == 0) {
      if (respond(this, "YN", core::msgMain(35) + path, core::msgMain(35), "frmResultsShowLaunch") != 6) return;
    }
    const bool editor = endsWithTxt(path) && fileSizeOf(path) > kEditorSize;
    if (!opener()(path, editor)) respond(this, "O", core::msgMain(36), "I", "");
    return;
  }
  // No path on the line exists any more: a path still marked loses its mark, once, with a notice.
  for (Mark& m : marks_) {
    if (!m.marked || m.bytes.start < line.start || m.bytes.start > line.end) continue;
    m.marked = false;
    applyMark(m, false);
    respond(this, "O", core::msgMain(1) + pathAt(page, m.bytes.start, line), "I", "");
    return;
  }
}

void FrmResults::cmdPrint_Click() {
  const std::string& text = resultsRun().text;
  if (text.empty()) {
    respond(this, "O", core::msgMain(33), "I", "");
    return;
  }
  if (respond(this, "YN", core::msgMain(30), core::msgMain(31), "") != 6) return;
  if (text.size() > kLongPrint && respond(this, "", core::msgMain(32), "W", "") != 6) return;
  const std::string body = "\r\n\t" + vb::Replace(text, "\n", "\n\t") + "\r\n";
  if (printer()(body) != 0) respond(this, "O", vb::bs(lblNoPrinter_->text()), "E", "");
}

std::uint8_t FrmResults::saveHandle(const QString& myFile) {
  const std::string path = vb::bpath(myFile);
  const std::string& text = resultsRun().text;
  if (core::RunHost* h = saveHost()) {
    return static_cast<std::uint8_t>(saveResultsText(*h, this, path, text) == 0 ? 0 : 1);
  }
  // Without a run host: ask as saveTextFile does, then write.
  int answer = 1;
  if (core::FileExist(path) != 0) {
    answer = respond(this, "OAC", core::msgMain(86), "W", "");
    if (answer != 1 && answer != 2) return 1;
  }
  const int rc = answer == 2 ? core::AppendFile(path, text) : core::OutputFile(path, text);
  return rc == 0 ? 0 : 1;
}

void FrmResults::doResize() {
  if (isMinimized()) return;
  dibber_->setVisible(!isMaximized());
  core::loadToolTips(this);
}

void FrmResults::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  const QSize g = dibber_->sizeHint();
  dibber_->setGeometry(width() - g.width() - 2, height() - g.height() - 2, g.width(), g.height());
  dibber_->raise();
  // Minimising reaches the window stack through the window-state change (UnloadingWindow).
  if (!isMinimized()) resize_->doSize();
}

bool FrmResults::eventFilter(QObject* watched, QEvent* e) {
  if (watched == rtxResults_->viewport() && e->type() == QEvent::MouseButtonDblClick) {
    const auto* me = static_cast<QMouseEvent*>(e);
    const int pos = rtxResults_->cursorForPosition(me->position().toPoint()).position();
    launchAt(pos);
    return true;
  }
  if (watched == rtxResults_ && e->type() == QEvent::KeyPress) {
    const auto* ke = static_cast<QKeyEvent*>(e);
    if (ke->key() == Qt::Key_A && (ke->modifiers() & Qt::ControlModifier)) {
      rtxResults_->selectAll();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

void FrmResults::unloadWindow() {
  core::hideForm(this, referrer, 2, 1);
  if (openViewer() == this) openViewer() = nullptr;
}

}  // namespace uikit
