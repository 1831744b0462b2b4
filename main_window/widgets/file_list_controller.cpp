#include "main_window/widgets/file_list_controller.h"

#include "core/state.h"
#include "core/vb.h"
#include "main_window/entry_format.h"
#include "main_window/filter_box.h"
#include "main_window/folder_listing.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/selection_commands.h"
#include "ui_kit/dialog_run_host.h"
#include "ui_kit/form_texts.h"
#include "ui_kit/progress_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLineEdit>

#include <cerrno>
#include <cstring>

namespace mainwin {

namespace {

// Width the sort and column menus give a hidden column, in twips.
constexpr int kShownColumnTwips = 2200;

// What the note above the list says about a folder that could not be opened, and why.
QString folderProblemText(const std::string& folder, int error) {
  const QString path = vb::qpath(folder);
  if (error == ENOENT) {
    const std::string& gone = core::msgMain(64);
    return (gone.empty() ? QStringLiteral("This folder no longer exists: ") : vb::qs(gone)) + path;
  }
  const std::string section = uikit::formSection("Main");
  if (error == EACCES || error == EPERM) {
    return uikit::formText(section, "noReadAccess", "You do not have permission to read this folder: ") + path;
  }
  return uikit::formText(section, "noReadOther", "This folder cannot be read: ") + path + QStringLiteral(" (") +
         QString::fromLocal8Bit(std::strerror(error)) + QLatin1Char(')');
}

std::string lastFolderName(const std::string& folder) {
  std::string f = folder;
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  const std::size_t slash = f.rfind('/');
  return slash == std::string::npos ? f : f.substr(slash + 1);
}

}  // namespace

// Progress of a visible fill or a column fill: the progress window from 501 entries (column
// fills: more than 50), with the main panel disabled meanwhile. While a large folder is read the
// window shows the names read so far and a moving block; keys typed into a filter box meanwhile
// are kept and handed to the box once the listing is over.
class FileListController::VisibleProgress : public ListingObserver, public QObject {
 public:
  VisibleProgress(FileListController& c, int captionMessage) : c_(c), caption_(captionMessage) {}
  ~VisibleProgress() override { finish(); }
  VisibleProgress(const VisibleProgress&) = delete;
  VisibleProgress& operator=(const VisibleProgress&) = delete;

  bool reading(std::size_t namesRead) override {
    if (!win_ && namesRead + 2 < kProgressEntries) return false;
    if (!shown_) {
      show();
      if (win_) win_->startBlock();
    }
    if (!win_) return true;  // the window was closed under us: stop
    if (!textTimer_.isValid() || textTimer_.elapsed() >= 50) {
      textTimer_.start();
      win_->setFileText(vb::qs(core::msgMain(40) + std::to_string(namesRead)));
    }
    return serveEvents();
  }
  void started(std::size_t entries) override {
    total_ = entries;
    if (!shown_) show();
    if (!win_) return;
    win_->endBlock();
    win_->showBar(true);
  }
  bool step(std::size_t index, std::size_t entries) override {
    if (!win_) return true;  // the window was closed under us: stop
    // A million entries make ten thousand steps: the texts change at a pace one can read, and
    // the window is not repainted for each step (nor are events served: see serveEvents).
    if (!textTimer_.isValid() || textTimer_.elapsed() >= 50) {
      textTimer_.start();
      const std::size_t n = entries ? entries : 1;
      win_->setBarTwips(static_cast<int>((index + 1) * 6015 / n));
      win_->setFileText(vb::qs(core::msgMain(40) + std::to_string(index + 1) + core::msgMain(28) +
                               std::to_string(entries)));
    }
    return serveEvents();
  }
  void finish() {
    if (!win_) return;
    qApp->removeEventFilter(this);
    uikit::hideProgressWindow(win_, c_.host_.hostWindow(), 1);
    win_->deleteLater();
    win_ = nullptr;
    if (focus_ && focus_->isVisible() && focus_->isEnabled()) {
      focus_->activateWindow();
      focus_->setFocus(Qt::OtherFocusReason);
      // A box selects its text when it gets the focus; typing goes on where it was instead.
      if (auto* edit = qobject_cast<QLineEdit*>(focus_.data())) {
        if (selectionStart_ >= 0 && selectionLength_ > 0) {
          edit->setSelection(selectionStart_, selectionLength_);
        } else {
          edit->setCursorPosition(caret_);
        }
      }
      for (const auto& k : typed_) {
        QKeyEvent ev(k.type, k.key, k.modifiers, k.text, k.autoRepeat, k.count);
        QApplication::sendEvent(focus_, &ev);
      }
    }
    typed_.clear();
  }

 protected:
  // While the window shows, keys meant for the box the user was typing in are kept for it (the
  // panel is disabled, so they would be lost); Esc still asks the progress window to cancel.
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
    if (!win_ || !qobject_cast<QLineEdit*>(focus_.data())) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (w && (w == win_ || win_->isAncestorOf(w))) return false;  // the progress window's own keys
    if (w && w->window() != focus_->window()) return false;       // another window (a question box)
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Escape) {
      if (e->type() == QEvent::KeyRelease) {
        QMetaObject::invokeMethod(win_, &uikit::FrmProgress::cmdCancelClick, Qt::QueuedConnection);
      }
      return true;
    }
    typed_.push_back(Typed{e->type(), k->key(), k->modifiers(), k->text(), k->isAutoRepeat(),
                           static_cast<ushort>(k->count())});
    return true;
  }

 private:
  struct Typed {
    QEvent::Type type;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    bool autoRepeat;
    ushort count;
  };

  // Serves the window's events, at most every 20 ms: each round costs a tenth of a millisecond
  // or more, which ten thousand steps would turn into seconds. True when the user cancelled.
  bool serveEvents() {
    if (!eventsTimer_.isValid() || eventsTimer_.elapsed() >= 20) {
      QApplication::processEvents();
      eventsTimer_.start();
    }
    return !win_ || win_->isCancel != 0;
  }

  void show() {
    shown_ = true;
    // Showing the progress disables the panel, which takes the keyboard focus away from the box
    // the user is typing in; it goes back there once the listing is over.
    focus_ = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(focus_.data())) {
      caret_ = edit->cursorPosition();
      selectionStart_ = edit->selectionStart();
      selectionLength_ = static_cast<int>(edit->selectedText().size());
    }
    win_ = new uikit::FrmProgress();
    win_->isCancel = 0;
    // The user typing in a box keeps the keyboard: the window shows without taking it.
    if (qobject_cast<QLineEdit*>(focus_.data())) win_->setAttribute(Qt::WA_ShowWithoutActivating);
    qApp->installEventFilter(this);
    uikit::showProgressWindow(win_, c_.host_.hostWindow(), 0);
    win_->setWindowTitle(vb::qs(core::msgMain(caption_)));
  }

  FileListController& c_;
  int caption_;
  std::size_t total_ = 0;
  bool shown_ = false;
  QPointer<uikit::FrmProgress> win_;
  QPointer<QWidget> focus_;
  int caret_ = 0;
  int selectionStart_ = -1;
  int selectionLength_ = 0;
  QElapsedTimer textTimer_;
  QElapsedTimer eventsTimer_;
  std::vector<Typed> typed_;
};

// Progress of a tool's job walk: the run's own progress window shows "Listing <folder> n%".
class FileListController::JobProgress : public ListingObserver {
 public:
  JobProgress(FileListController& c, const std::string& folder) : c_(c), folder_(folder) {}
  ~JobProgress() override {
    if (restore_ && c_.host_.runHost()) c_.host_.runHost()->setProgressCaption(saved_);
  }
  JobProgress(const JobProgress&) = delete;
  JobProgress& operator=(const JobProgress&) = delete;

  void started(std::size_t entries) override {
    (void)entries;
    begin();
  }
  bool reading(std::size_t namesRead) override {
    core::RunHost* rh = c_.host_.runHost();
    if (!rh || namesRead + 2 < kProgressEntries) return false;
    begin();
    serveEvents(*rh);
    return rh->isCancel() == core::CancelState::Cancelled;
  }
  bool step(std::size_t index, std::size_t entries) override {
    core::RunHost* rh = c_.host_.runHost();
    if (!rh) return false;
    const std::size_t n = entries ? entries : 1;
    rh->setProgressCaption(prefix_ + std::to_string(index * 100 / n) + "%");
    serveEvents(*rh);
    // Skip (2) is about a file of the run, not the listing: only Cancel ends the walk.
    return rh->isCancel() == core::CancelState::Cancelled;
  }
  void dateUnreadable(const std::string& folder, const std::string& name) override {
    c_.host_.addResult(core::msgMain(39) + folder + name);
  }

 private:
  // Events at most every 20 ms (see VisibleProgress::serveEvents).
  void serveEvents(core::RunHost& rh) {
    if (!eventsTimer_.isValid() || eventsTimer_.elapsed() >= 20) {
      rh.doEvents();
      eventsTimer_.start();
    }
  }
  void begin() {
    core::RunHost* rh = c_.host_.runHost();
    if (!rh || begun_) return;
    begun_ = true;
    if (auto* d = dynamic_cast<uikit::DialogRunHost*>(rh); d && d->progressWindow()) {
      saved_ = vb::bs(d->progressWindow()->windowTitle());
      restore_ = true;
    }
    prefix_ = core::msgMain(38) + lastFolderName(folder_) + " ";
    rh->setProgressCaption(prefix_);
  }

  FileListController& c_;
  std::string folder_;
  std::string prefix_;
  std::string saved_;
  bool restore_ = false;
  bool begun_ = false;
  QElapsedTimer eventsTimer_;
};

FileListController::FileListController(FileListHost& host, QObject* parent)
    : QObject(parent), host_(host), model_(new FileListModel(this)) {
  model_->setRenameHook([this](int row, const std::string& name) {
    // The model takes the new name itself once the file is renamed.
    if (row < 0 || row >= model_->rowCount()) return false;
    const std::string folder = model_->folder();
    if (!renameListedFile(folder, model_->mutableEntries()[static_cast<std::size_t>(row)], name)) return false;
    host_.sendToPropertiesEditor(folder + name);
    return true;
  });
  delayTimer_.setSingleShot(true);
  delayTimer_.setInterval(1500);
  connect(&delayTimer_, &QTimer::timeout, this, [this] { requestRefill(); });
  colTimer_.setInterval(1000);
  connect(&colTimer_, &QTimer::timeout, this, &FileListController::columnTimerTick);
  sliceTimer_.setInterval(0);
  connect(&sliceTimer_, &QTimer::timeout, this, &FileListController::fillSlice);
  // A sort or a narrowed list moves entries behind the slices: they start over (filled
  // entries cost nothing the second time).
  connect(model_, &QAbstractItemModel::layoutChanged, this, [this] { sliceAt_ = 0; });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { sliceAt_ = 0; });
}

FileListController::~FileListController() = default;

FileListPane* FileListController::createPane(QWidget* parent) {
  if (pane_) return pane_;
  pane_ = new FileListPane(model_, parent);
  pane_->setColumnTwips(1, 3960);
  for (int c = 2; c <= 5; ++c) pane_->setColumnTwips(c, 0);
  pane_->showSortArrow(engine_.sort());
  connect(pane_, &FileListPane::headerClicked, this, &FileListController::headerClick);
  connect(pane_, &FileListPane::columnResized, this, &FileListController::onColumnResized);
  connect(pane_, &FileListPane::entryActivated, this, [this](int row) {
    if (row >= 0 && row < model_->rowCount()) {
      host_.sendToPropertiesEditor(model_->folder() + model_->entries()[static_cast<std::size_t>(row)].name);
    }
  });
  connect(pane_, &FileListPane::entryDoubleClicked, this, &FileListController::onDoubleClick);
  connect(pane_, &FileListPane::contextMenuAt, this, [this](QPoint p) { host_.popupTargetsMenu(p); });
  connect(pane_, &FileListPane::deletePressed, this, [this] { host_.quickDelete(); });
  connect(pane_, &FileListPane::renameStarted, this, [this] { host_.setEscCloses(false); });
  connect(pane_, &FileListPane::renameFinished, this, [this] { host_.setEscCloses(true); });
  connect(pane_, &FileListPane::filesDropped, this, &FileListController::onDrop);
  colTimer_.start();
  return pane_;
}

FilterPanel* FileListController::createPanel(QWidget* parent) {
  if (!panel_) panel_ = new FilterPanel(*this, parent);
  return panel_;
}

void FileListController::setPanelShown(bool shown) {
  engine_.filters().panelShown = shown;
  if (!shown) cancelDelayedRefill();
}

void FileListController::syncFilters() {
  if (panel_) panel_->readInto(engine_.filters());
  if (pane_) {
    for (int c = 1; c <= 5; ++c) engine_.setColumnWidth(c, pane_->columnTwips(c));
  }
}

std::string FileListController::myPattern() {
  syncFilters();
  const FilterSettings& s = engine_.filters();
  if (!s.panelShown || !s.extensionOn) return "*";
  return cleanExtensionText(s.extensionText).pattern;
}

int FileListController::updateFiles(bool visible, const std::string& folder) {
  if (hasLoaded_ == 0) return kListDone;
  if (visible) {
    if (listingDepth_ > 0) {
      // Never a refill inside a listing's own yield: it follows once that listing ends.
      refillWanted_ = true;
      return kListDone;
    }
    return fillVisibleNow(folder);
  }
  syncFilters();
  std::string f = folder.empty() ? host_.currentFolder() : folder;
  int result;
  std::vector<core::ListEntry>().swap(jobEntries_);  // stale now: free before listing anew
  {
    JobProgress progress(*this, f);
    ++listingDepth_;
    result = engine_.fillJobWalk(f, &progress);
    --listingDepth_;
  }
  std::vector<FileEntry> walked = engine_.takeJobEntries();
  jobEntries_.reserve(walked.size());
  for (FileEntry& e : walked) {
    core::ListEntry le;
    le.name = std::move(e.name);
    le.size = e.size;
    le.modified = e.modified;
    le.created = (e.known & kDetailTimes) && e.hasCreated ? e.created : core::ListEntry::kUnknownTime;
    le.attributes = e.attrs;
    jobEntries_.push_back(std::move(le));
  }
  afterListing();
  return result;
}

int FileListController::fillVisibleNow(const std::string& folder) {
  cancelDelayedRefill();
  refillWanted_ = false;
  stopSlices();
  const std::string f = folder.empty() ? host_.currentFolder() : folder;
  syncFilters();
  // The old list goes first: a refill of a million files would otherwise hold two lists at once.
  // A cancelled listing then leaves the list empty, wherever it stopped.
  model_->setEntries({}, normalizeFolder(f));
  FileListEngine::VisibleFill fill;
  {
    VisibleProgress progress(*this, 37);
    ++listingDepth_;
    fill = engine_.fillVisible(f, &progress);
    --listingDepth_;
  }
  std::string listed = fill.listing.folder.empty() ? normalizeFolder(f) : fill.listing.folder;
  noteFolderProblem(listed, fill.listing.error);
  model_->setEntries(std::move(fill.listing.entries), std::move(listed), fill.deferred);
  filled_ = fill.computed;
  cancelled_ = 0;
  if (pane_) pane_->showSortArrow(engine_.sort());
  Q_EMIT listRefilled();
  afterListing();
  return fill.listing.result;
}

std::vector<std::string> FileListController::firstVisibleNames(int n) const {
  std::vector<std::string> out;
  for (const FileEntry& e : model_->entries()) {
    if (static_cast<int>(out.size()) >= n) break;
    out.push_back(e.name);
  }
  return out;
}

bool FileListController::busy() const { return listingDepth_ > 0 || host_.runInProgress(); }

void FileListController::requestRefill() {
  if (hasLoaded_ == 0) return;
  if (busy()) {
    refillWanted_ = true;
    return;
  }
  (void)updateFiles(true, {});
}

void FileListController::whenIdle(std::function<void()> action) {
  if (busy()) {
    deferred_.push_back(std::move(action));
    return;
  }
  action();
}

void FileListController::afterListing() {
  if (busy() || (!refillWanted_ && deferred_.empty())) return;
  QTimer::singleShot(0, this, &FileListController::runDeferred);
}

void FileListController::runEnded() { QTimer::singleShot(0, this, &FileListController::runDeferred); }

void FileListController::runDeferred() {
  if (busy()) return;
  std::vector<std::function<void()>> actions;
  actions.swap(deferred_);
  for (auto& a : actions) {
    a();
    if (busy()) break;  // an action started a run; the rest waits for its end
  }
  if (refillWanted_ && !busy()) {
    refillWanted_ = false;
    requestRefill();
  }
}

void FileListController::scheduleRefill() {
  if (hasLoaded_ == 0) return;
  delayTimer_.start();
}

void FileListController::cancelDelayedRefill() { delayTimer_.stop(); }

void FileListController::setSort(SortState sort) {
  if (sort.column < kColName || sort.column > kColAttrs) sort = SortState{};
  engine_.sort() = sort;
  if (pane_) pane_->showSortArrow(sort);
}

void FileListController::headerClick(int column) {
  whenIdle([this, column] {
    if (column < kColName || column > kColAttrs) return;
    const SortState next = clickSort(engine_.sort(), column);
    const std::uint8_t bits = detailOfColumn(column);
    // Sorting on values that are only partly there would scatter the unknown ones.
    if (bits && (filled_ & bits) != bits && fillDetailColumns(column) != 1) return;
    engine_.sort() = next;
    model_->sortBy(next);
    if (pane_) pane_->showSortArrow(next);
  });
}

void FileListController::sortMenu(int column) {
  whenIdle([this, column] {
    if (!pane_ || column < kColName || column > kColAttrs) return;
    if (pane_->columnTwips(column) < kHiddenColumnTwips) pane_->setColumnTwips(column, kShownColumnTwips);
    headerClick(column);  // the menu sorts like a header click on that column
  });
}

void FileListController::setColumnShown(int column, bool shown) {
  if (!pane_ || column < 1 || column > 5) return;
  if (!shown) {
    pane_->setColumnTwips(column, 0);
  } else if (pane_->columnTwips(column) < kHiddenColumnTwips) {
    pane_->setColumnTwips(column, kShownColumnTwips);
  }
}

void FileListController::onColumnResized(int column, int oldTwips, int newTwips) {
  // Widening a column whose fill was cancelled gives the timer leave to fill it again.
  if (newTwips > oldTwips) cancelled_ &= static_cast<std::uint8_t>(~detailOfColumn(column));
}

void FileListController::columnTimerTick() {
  if (!pane_ || hasLoaded_ == 0 || busy() || sliceBits_) return;
  for (int c = kColSize; c <= kColAttrs; ++c) {
    const std::uint8_t bits = detailOfColumn(c);
    if (pane_->columnTwips(c) > kHiddenColumnTwips && !(filled_ & bits) && !(cancelled_ & bits)) {
      if (static_cast<std::size_t>(model_->rowCount()) >= kLazyDetailsFrom) {
        // A large list stays usable: its column fills in slices between the window's events.
        sliceBits_ = bits;
        sliceAt_ = 0;
        sliceFiller_ = DetailFiller(model_->folder());
        sliceTimer_.start();
        return;
      }
      colTimer_.stop();
      (void)fillDetailColumns(c);
      return;
    }
  }
}

void FileListController::fillSlice() {
  if (!sliceBits_ || busy()) return;  // a listing or a run first; the timer comes back
  std::vector<FileEntry>& entries = model_->mutableEntries();
  QElapsedTimer spent;
  spent.start();
  while (sliceAt_ < entries.size() && spent.elapsed() < 15) {
    const std::size_t end = std::min(entries.size(), sliceAt_ + 256);
    for (; sliceAt_ < end; ++sliceAt_) sliceFiller_.fill(entries[sliceAt_], sliceBits_);
  }
  if (sliceAt_ < entries.size()) return;
  const std::uint8_t bits = sliceBits_;
  stopSlices();
  filled_ |= bits;
  model_->detailsChanged(bits);
}

void FileListController::stopSlices() {
  sliceTimer_.stop();
  sliceBits_ = 0;
  sliceFiller_ = DetailFiller();
}

int FileListController::fillDetailColumns(int column) {
  const std::uint8_t bits = detailOfColumn(column);
  if (!bits) return 0;
  const int caption = bits == kDetailSize ? 41 : bits == kDetailAttrs ? 108 : 42;
  const bool timerWasOn = colTimer_.isActive() || pane_;
  colTimer_.stop();
  int r;
  {
    VisibleProgress progress(*this, caption);
    ++listingDepth_;
    r = fillDetails(model_->folder(), model_->mutableEntries(), bits, &progress);
    --listingDepth_;
  }
  model_->detailsChanged(bits);
  if (r == kListCancelled) {
    cancelled_ |= bits;
  } else {
    filled_ |= bits;
    if (sliceBits_ == bits) stopSlices();  // done at once (a sort on the column asked for it)
  }
  if (timerWasOn) colTimer_.start();
  afterListing();
  return r == kListCancelled ? 2 : 1;
}

void FileListController::setView(int view) {
  if (!pane_) return;
  pane_->setView(view == FileListPane::kLargeIcons ? FileListPane::kLargeIcons
                 : view == FileListPane::kList     ? FileListPane::kList
                                                   : FileListPane::kDetails);
  model_->setIconsShown(true);
}

void FileListController::noteFolderProblem(const std::string& folder, int error) {
  if (pane_) pane_->showNote(error == 0 ? QString() : folderProblemText(folder, error));
}

bool FileListController::renameEntry(int row, const std::string& newName) {
  return model_->renameRow(row, newName);
}

void FileListController::onDoubleClick(int row) {
  // The name, not the row: a deferred command must not act on whatever a refill put there.
  const std::string name =
      row >= 0 && row < model_->rowCount() ? model_->entries()[static_cast<std::size_t>(row)].name : std::string();
  if (row >= 0 && name.empty()) return;
  whenIdle([this, name] { (void)doubleClickName(*this, name); });
}

void FileListController::onDrop(const QStringList& paths) {
  whenIdle([this, paths] { (void)dropPaths(*this, paths); });
}

}  // namespace mainwin
