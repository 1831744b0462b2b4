// The visible file list "ListViewFiles": one model shown in a details view (QTreeView, five
// columns with a clickable header) or in an icon or list view (QListView), sharing one selection.
// The pane turns user actions into signals (header click, click or Enter, double-click, right
// click, F2, Delete, files dropped in) and leaves their meaning to FileListController; F2 and
// Delete act only while the list itself, not its rename editor, has the focus. Entries can be
// dragged out as file URLs.
#pragma once

#include "main_window/file_sort.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <vector>

class QAbstractItemView;
class QHeaderView;
class QLabel;
class QListView;
class QStyledItemDelegate;
class QStackedLayout;
class QTreeView;

namespace mainwin {

class FileListModel;

class FileListPane : public QWidget {
  Q_OBJECT

 public:
  enum View : int { kLargeIcons = 0, kList = 2, kDetails = 3 };  // the list view's View values

  explicit FileListPane(FileListModel* model, QWidget* parent = nullptr);

  void setView(View view);
  [[nodiscard]] View view() const { return view_; }
  [[nodiscard]] QTreeView* detailsView() const { return details_; }
  [[nodiscard]] QListView* iconView() const { return icons_; }
  [[nodiscard]] QAbstractItemView* currentView() const;
  [[nodiscard]] QHeaderView* header() const;

  // Width of column c (1..5) in twips (15 per pixel at 96 dpi), and setting it.
  [[nodiscard]] int columnTwips(int column) const;
  void setColumnTwips(int column, int twips);
  // The header arrow of the sort column (the others show none).
  void showSortArrow(SortState sort);

  // Rows selected, first to last; the focused row (-1 when none).
  [[nodiscard]] std::vector<int> selectedRows() const;
  [[nodiscard]] int currentRow() const;
  // Selects exactly these rows (tests and commands); the first becomes current.
  void selectRows(const std::vector<int>& rows);
  void clearSelection();
  // F2: opens the name editor on the focused (else first selected) entry. False when none.
  bool startRename();
  [[nodiscard]] bool renameOpen() const { return renameOpen_; }

  // A line above the list that says why it shows nothing (a folder that cannot be read); an empty
  // text hides it.
  void showNote(const QString& text);
  [[nodiscard]] QString note() const;

  // The name screen readers give the list (in every view).
  void setListName(const QString& name);

  // Pixels <-> twips for this screen.
  [[nodiscard]] int toTwips(int pixels) const;
  [[nodiscard]] int toPixels(int twips) const;

 Q_SIGNALS:
  void headerClicked(int column);        // 1-based
  void columnResized(int column, int oldTwips, int newTwips);
  void entryActivated(int row);          // click or Enter on an entry
  void entryDoubleClicked(int row);      // -1: the list is empty
  void contextMenuAt(QPoint globalPos);
  void deletePressed();
  void renameStarted();
  // The rename editor closed and the key that closed it (if any) was released.
  void renameFinished();
  void filesDropped(QStringList localPaths);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setUpView(QAbstractItemView* v);
  // Sizes the cells of the icon and list views so that the listing's names show whole: measures
  // the widest names, then applyCells. applyCells sets the cell for the view and its width and
  // tells whether it changed.
  void fitNames();
  bool applyCells();
  [[nodiscard]] int cellPadding() const;
  void editorClosed();
  void endRenameWatch();

  FileListModel* model_;
  QLabel* note_;
  QStackedLayout* stack_;
  QTreeView* details_;
  QListView* icons_;
  QStyledItemDelegate* cells_;
  int widestName_ = 0;  // pixels, of the listing's widest name
  int nameLines_ = 1;   // lines the widest name takes in an icon cell
  View view_ = kDetails;
  bool renameOpen_ = false;
  bool awaitingRelease_ = false;
};

}  // namespace mainwin
