#include "main_window/widgets/file_list_pane.h"

#include "main_window/widgets/file_list_model.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QMouseEvent>
#include <QStackedLayout>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace mainwin {

namespace {

// Every entry of the icon and list views takes the same cell, sized by the pane for the widest
// names of the listing (uniform sizes keep a 100,000-entry layout fast).
class CellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize cell{96, 64};
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    (void)option;
    (void)index;
    return cell;
  }
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->textElideMode = Qt::ElideMiddle;  // only names past the caps lose letters, in the middle
  }
};

// Names measured to size the cells: the longest by length (width follows length closely; the
// few longest are measured to catch wide letters).
constexpr std::size_t kMeasuredNames = 48;
// Caps: a list column at most this share of the view's width; icon cells at most this wide and
// this many lines of name.
constexpr int kIconCellMinWidth = 96;
constexpr int kIconCellMaxWidth = 200;
constexpr int kIconNameMaxLines = 5;

}  // namespace

FileListPane::FileListPane(FileListModel* model, QWidget* parent)
    : QWidget(parent), model_(model), note_(new QLabel(this)), stack_(new QStackedLayout),
      details_(new QTreeView(this)), icons_(new QListView(this)) {
  setObjectName(QStringLiteral("ListViewFiles"));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  note_->setObjectName(QStringLiteral("lblListNote"));
  note_->setWordWrap(true);
  note_->setTextFormat(Qt::PlainText);
  note_->setMargin(6);
  note_->setAutoFillBackground(true);
  QPalette notePalette = note_->palette();
  notePalette.setColor(QPalette::Window, QColor(255, 244, 206));  // a notice, not an error dialog
  notePalette.setColor(QPalette::WindowText, Qt::black);
  note_->setPalette(notePalette);
  note_->hide();
  outer->addWidget(note_);
  outer->addLayout(stack_, 1);
  // Screen readers name the list after the control; its rows and cells come from the model.
  details_->setAccessibleName(objectName());
  icons_->setAccessibleName(objectName());
  stack_->setContentsMargins(0, 0, 0, 0);

  details_->setRootIsDecorated(false);
  details_->setItemsExpandable(false);
  details_->setUniformRowHeights(true);
  details_->setAllColumnsShowFocus(true);
  details_->setModel(model_);
  QHeaderView* h = details_->header();
  h->setMinimumSectionSize(0);
  h->setStretchLastSection(false);
  h->setSectionsClickable(true);
  h->setSortIndicatorShown(true);
  h->setHighlightSections(false);
  connect(h, &QHeaderView::sectionClicked, this, [this](int section) { Q_EMIT headerClicked(section + 1); });
  connect(h, &QHeaderView::sectionResized, this, [this](int section, int oldSize, int newSize) {
    Q_EMIT columnResized(section + 1, toTwips(oldSize), toTwips(newSize));
  });

  icons_->setModel(model_);
  QItemSelectionModel* own = icons_->selectionModel();
  icons_->setSelectionModel(details_->selectionModel());
  delete own;
  cells_ = new CellDelegate(icons_);
  icons_->setItemDelegate(cells_);
  icons_->setUniformItemSizes(true);
  icons_->setTextElideMode(Qt::ElideMiddle);
  connect(model_, &QAbstractItemModel::modelReset, this, &FileListPane::fitNames);
  connect(model_, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& from) {
    if (from.column() == 0) fitNames();  // a rename may need a wider cell
  });

  icons_->setLayoutMode(QListView::Batched);
  icons_->setResizeMode(QListView::Adjust);
  icons_->setWrapping(true);

  for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(details_), static_cast<QAbstractItemView*>(icons_)}) {
    setUpView(v);
    stack_->addWidget(v);
  }
  connect(details_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, &FileListPane::editorClosed);
  connect(icons_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, &FileListPane::editorClosed);
  setView(kDetails);
  setFocusProxy(details_);
}

void FileListPane::setUpView(QAbstractItemView* v) {
  v->setSelectionMode(QAbstractItemView::ExtendedSelection);
  v->setSelectionBehavior(QAbstractItemView::SelectRows);
  v->setEditTriggers(QAbstractItemView::NoEditTriggers);  // F2 only, through startRename
  v->setDragEnabled(true);
  v->setDragDropMode(QAbstractItemView::DragDrop);
  v->setDefaultDropAction(Qt::CopyAction);
  v->setAcceptDrops(true);
  v->viewport()->setAcceptDrops(true);
  v->setContextMenuPolicy(Qt::CustomContextMenu);
  v->installEventFilter(this);
  v->viewport()->installEventFilter(this);
  connect(v, &QAbstractItemView::clicked, this, [this](const QModelIndex& i) {
    if (i.isValid()) Q_EMIT entryActivated(i.row());
  });
  connect(v, &QWidget::customContextMenuRequested, this,
          [this, v](const QPoint& pos) { Q_EMIT contextMenuAt(v->viewport()->mapToGlobal(pos)); });
}

void FileListPane::setView(View view) {
  view_ = view;
  if (view == kDetails) {
    stack_->setCurrentWidget(details_);
    setFocusProxy(details_);
    return;
  }
  if (view == kLargeIcons) {
    icons_->setViewMode(QListView::IconMode);
    icons_->setFlow(QListView::LeftToRight);
    icons_->setIconSize(QSize(32, 32));
    icons_->setWordWrap(true);
  } else {
    icons_->setViewMode(QListView::ListMode);
    icons_->setFlow(QListView::TopToBottom);
    icons_->setIconSize(QSize(16, 16));
    icons_->setGridSize(QSize());
    icons_->setWordWrap(false);
  }
  icons_->setWrapping(true);
  icons_->setResizeMode(QListView::Adjust);
  icons_->setMovement(QListView::Static);
  icons_->setDragEnabled(true);
  fitNames();
  stack_->setCurrentWidget(icons_);
  setFocusProxy(icons_);
}

void FileListPane::fitNames() {
  if (view_ == kDetails) return;
  // The longest names, found without measuring every one.
  const auto& entries = model_->entries();
  std::vector<std::size_t> longest;
  longest.reserve(kMeasuredNames + 1);
  const auto shorter = [&entries](std::size_t a, std::size_t b) { return entries[a].name.size() > entries[b].name.size(); };
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (longest.size() == kMeasuredNames && entries[i].name.size() <= entries[longest.back()].name.size()) continue;
    longest.insert(std::upper_bound(longest.begin(), longest.end(), i, shorter), i);
    if (longest.size() > kMeasuredNames) longest.pop_back();
  }
  const QFontMetrics fm(icons_->font());
  widestName_ = fm.horizontalAdvance(QStringLiteral("MMMMM"));
  for (std::size_t i : longest) {
    widestName_ = std::max(widestName_, fm.horizontalAdvance(model_->index(static_cast<int>(i), 0).data().toString()));
  }
  nameLines_ = 1;
  if (view_ == kLargeIcons) {
    const int width = std::clamp(widestName_ + cellPadding(), kIconCellMinWidth, kIconCellMaxWidth) - cellPadding();
    for (std::size_t i : longest) {
      const QString name = model_->index(static_cast<int>(i), 0).data().toString();
      const QRect r = fm.boundingRect(QRect(0, 0, width, 100000), Qt::TextWrapAnywhere | Qt::AlignHCenter, name);
      nameLines_ = std::max(nameLines_, (r.height() + fm.lineSpacing() - 1) / fm.lineSpacing());
    }
    nameLines_ = std::min(nameLines_, kIconNameMaxLines);
  }
  (void)applyCells();
  icons_->doItemsLayout();
}

int FileListPane::cellPadding() const {
  return 2 * icons_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, icons_) + 8;
}

bool FileListPane::applyCells() {
  auto* cells = static_cast<CellDelegate*>(cells_);
  const QSize before = cells->cell;
  const QFontMetrics fm(icons_->font());
  if (view_ == kList) {
    // A name wider than the view itself is shortened in the middle rather than scrolled past.
    const int cap = std::max(120, icons_->viewport()->width() - 24);
    cells->cell = QSize(std::min(cap, icons_->iconSize().width() + 4 + widestName_ + cellPadding()),
                        std::max(icons_->iconSize().height(), fm.height()) + 4);
    icons_->setGridSize(QSize());
  } else {
    const int width = std::clamp(widestName_ + cellPadding(), kIconCellMinWidth, kIconCellMaxWidth);
    cells->cell = QSize(width, icons_->iconSize().height() + 8 + nameLines_ * fm.lineSpacing() + 4);
    icons_->setGridSize(cells->cell + QSize(8, 8));
  }
  return cells->cell != before;
}

void FileListPane::setListName(const QString& name) {
  details_->setAccessibleName(name);
  icons_->setAccessibleName(name);
}

void FileListPane::showNote(const QString& text) {
  note_->setText(text);
  note_->setAccessibleName(text);
  note_->setVisible(!text.isEmpty());
}

QString FileListPane::note() const { return note_->isHidden() ? QString() : note_->text(); }

QAbstractItemView* FileListPane::currentView() const {
  return view_ == kDetails ? static_cast<QAbstractItemView*>(details_) : static_cast<QAbstractItemView*>(icons_);
}

QHeaderView* FileListPane::header() const { return details_->header(); }

int FileListPane::toTwips(int pixels) const {
  const int dpi = std::max(1, logicalDpiX());
  return pixels * 1440 / dpi;
}

int FileListPane::toPixels(int twips) const {
  const int dpi = std::max(1, logicalDpiX());
  return (twips * dpi + 720) / 1440;
}

int FileListPane::columnTwips(int column) const {
  if (column < 1 || column > 5) return 0;
  return toTwips(details_->header()->sectionSize(column - 1));
}

void FileListPane::setColumnTwips(int column, int twips) {
  if (column < 1 || column > 5) return;
  details_->header()->resizeSection(column - 1, toPixels(std::max(0, twips)));
}

void FileListPane::showSortArrow(SortState sort) {
  details_->header()->setSortIndicator(sort.column - 1, sort.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

std::vector<int> FileListPane::selectedRows() const {
  std::vector<int> rows;
  const QModelIndexList sel = details_->selectionModel()->selectedRows(0);
  rows.reserve(static_cast<std::size_t>(sel.size()));
  for (const QModelIndex& i : sel) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int FileListPane::currentRow() const {
  const QModelIndex i = details_->selectionModel()->currentIndex();
  return i.isValid() ? i.row() : -1;
}

void FileListPane::selectRows(const std::vector<int>& rows) {
  QItemSelection sel;
  for (int r : rows) {
    if (r >= 0 && r < model_->rowCount()) sel.select(model_->index(r, 0), model_->index(r, 4));
  }
  QItemSelectionModel* sm = details_->selectionModel();
  sm->select(sel, QItemSelectionModel::ClearAndSelect);
  if (!rows.empty() && rows.front() >= 0 && rows.front() < model_->rowCount()) {
    sm->setCurrentIndex(model_->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
  }
}

void FileListPane::clearSelection() { details_->selectionModel()->clearSelection(); }

bool FileListPane::startRename() {
  int row = currentRow();
  if (row < 0) {
    const std::vector<int> sel = selectedRows();
    if (sel.empty()) return false;
    row = sel.front();
  }
  if (row >= model_->rowCount()) return false;
  const QModelIndex index = model_->index(row, 0);
  if (!(model_->flags(index) & Qt::ItemIsEditable)) return false;
  QAbstractItemView* v = currentView();
  v->setCurrentIndex(index);
  renameOpen_ = true;
  Q_EMIT renameStarted();
  v->edit(index);
  return true;
}

void FileListPane::editorClosed() {
  if (!renameOpen_) return;
  renameOpen_ = false;
  // Esc or Enter closed the editor on its key press; the window must not see that key's release
  // as its own (Esc would close the window). Wait for the release, or a moment when none comes.
  awaitingRelease_ = true;
  qApp->installEventFilter(this);
  QTimer::singleShot(400, this, [this] { endRenameWatch(); });
}

void FileListPane::endRenameWatch() {
  if (!awaitingRelease_) return;
  awaitingRelease_ = false;
  qApp->removeEventFilter(this);
  Q_EMIT renameFinished();
}

bool FileListPane::eventFilter(QObject* watched, QEvent* event) {
  if (awaitingRelease_ && event->type() == QEvent::KeyRelease) {
    auto* k = static_cast<QKeyEvent*>(event);
    if (!k->isAutoRepeat()) {
      endRenameWatch();
      if (k->key() == Qt::Key_Escape) return true;  // swallowed: it ended the edit
    }
    return false;
  }
  const bool isView = watched == details_ || watched == icons_;
  const bool isViewport = watched == details_->viewport() || watched == icons_->viewport();
  if (isView && event->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(event);
    if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    switch (k->key()) {
      case Qt::Key_F2:
        startRename();
        return true;
      case Qt::Key_Delete:
        Q_EMIT deletePressed();
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (currentRow() >= 0) Q_EMIT entryActivated(currentRow());
        return true;
      default:
        return false;
    }
  }
  if (!isViewport) return QWidget::eventFilter(watched, event);
  auto* view = static_cast<QAbstractItemView*>(watched->parent());
  switch (event->type()) {
    case QEvent::Resize:
      if (view == icons_ && view_ == kList && applyCells()) icons_->doItemsLayout();
      return false;
    case QEvent::MouseButtonDblClick: {
      auto* m = static_cast<QMouseEvent*>(event);
      if (m->button() != Qt::LeftButton) return false;
      if (model_->rowCount() == 0) {
        Q_EMIT entryDoubleClicked(-1);
        return true;
      }
      const QModelIndex i = view->indexAt(m->position().toPoint());
      const int row = i.isValid() ? i.row() : currentRow();
      if (row < 0) return true;
      if (i.isValid()) selectRows({row});
      Q_EMIT entryDoubleClicked(row);
      return true;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* d = static_cast<QDropEvent*>(event);
      const bool ours = d->source() == details_ || d->source() == icons_;
      if (!ours && d->mimeData() && d->mimeData()->hasUrls()) {
        d->acceptProposedAction();
      } else {
        d->ignore();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* d = static_cast<QDropEvent*>(event);
      const bool ours = d->source() == details_ || d->source() == icons_;
      QStringList paths;
      if (!ours && d->mimeData()) {
        for (const QUrl& u : d->mimeData()->urls()) {
          if (u.isLocalFile()) paths << u.toLocalFile();
        }
      }
      if (paths.isEmpty()) {
        d->ignore();
        return true;
      }
      d->acceptProposedAction();
      // Acted on after the drop returns: the handler may refill the list under the view.
      QTimer::singleShot(0, this, [this, paths] { Q_EMIT filesDropped(paths); });
      return true;
    }
    default:
      return false;
  }
}

}  // namespace mainwin
