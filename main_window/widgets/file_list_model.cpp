#include "main_window/widgets/file_list_model.h"

#include "core/file_paths.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/text_controls.h"
#include "main_window/edited_name.h"
#include "main_window/entry_format.h"

#include <QMimeData>
#include <QUrl>

#include <unordered_map>

namespace mainwin {

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) { retranslate(); }

void FileListModel::retranslate() {
  headers_.clear();
  for (int msg : {46, 45, 47, 48, 109}) headers_ << vb::qs(core::msgMain(msg));
  // Design defaults while no language file has been read.
  static const char* const kDefaults[] = {"Name", "Size", "Modified", "Created", "Attributes"};
  for (int i = 0; i < headers_.size(); ++i) {
    if (headers_[i].isEmpty()) headers_[i] = QString::fromLatin1(kDefaults[i]);
  }
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, 4);
}

void FileListModel::setEntries(std::vector<FileEntry>&& entries, std::string folder, std::uint8_t lazy) {
  beginResetModel();
  entries_ = std::move(entries);
  folder_ = std::move(folder);
  lazy_ = lazy;
  filler_ = DetailFiller(folder_);
  iconIndex_.clear();
  if (iconsShown_) assignIcons();
  endResetModel();
}

void FileListModel::assignIcons() {
  // Icons are looked up when a view first asks for a row: a million-file list shows its first
  // screen without a million extension lookups.
  icons_.trim();
  iconIndex_.assign(entries_.size(), kIconUnknown);
}

int FileListModel::iconOf(std::size_t row) const {
  int& index = iconIndex_[row];
  if (index == kIconUnknown) index = icons_.indexOf(entries_[row].name);
  return index;
}

void FileListModel::setIconsShown(bool shown) {
  if (shown == iconsShown_ && (!shown || iconIndex_.size() == entries_.size())) return;
  iconsShown_ = shown;
  if (shown) {
    assignIcons();
  } else {
    iconIndex_.clear();
  }
  if (!entries_.empty()) Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

void FileListModel::detailsChanged(std::uint8_t what) {
  if (entries_.empty()) return;
  const int last = rowCount() - 1;
  if (what & kDetailSize) Q_EMIT dataChanged(index(0, 1), index(last, 1));
  if (what & kDetailTimes) Q_EMIT dataChanged(index(0, 2), index(last, 3));
  if (what & kDetailAttrs) Q_EMIT dataChanged(index(0, 4), index(last, 4));
}

void FileListModel::sortBy(SortState sort) {
  // Views hold selected and current rows as persistent indexes; follow them through their names
  // (unique within a folder).
  const QModelIndexList before = persistentIndexList();
  std::vector<std::string> oldNames;
  oldNames.reserve(static_cast<std::size_t>(before.size()));
  std::unordered_map<std::string, int> newRow;
  for (const QModelIndex& i : before) {
    const bool ok = i.isValid() && i.row() < rowCount();
    oldNames.push_back(ok ? entries_[static_cast<std::size_t>(i.row())].name : std::string());
    if (ok) newRow.emplace(oldNames.back(), -1);
  }
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  sortEntries(entries_, sort);
  if (iconsShown_) assignIcons();
  if (!newRow.empty()) {
    for (std::size_t r = 0; r < entries_.size(); ++r) {
      const auto it = newRow.find(entries_[r].name);
      if (it != newRow.end()) it->second = static_cast<int>(r);
    }
  }
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype k = 0; k < before.size(); ++k) {
    const auto it = newRow.find(oldNames[static_cast<std::size_t>(k)]);
    after.push_back(it == newRow.end() || it->second < 0 ? QModelIndex()
                                                         : index(it->second, before[k].column()));
  }
  changePersistentIndexList(before, after);
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileListModel::keepRows(const std::vector<bool>& keep) {
  beginResetModel();
  std::vector<FileEntry> kept;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (i < keep.size() && keep[i]) kept.push_back(std::move(entries_[i]));
  }
  entries_ = std::move(kept);
  if (iconsShown_) assignIcons();
  endResetModel();
}

void FileListModel::setEntryName(int row, std::string name) {
  if (row < 0 || row >= rowCount()) return;
  FileEntry& e = entries_[static_cast<std::size_t>(row)];
  e.name = std::move(name);
  // A new name can hide or show the file (a dot-name, a name listed in ".hidden").
  const bool hidden = (core::GetAtt(folder_ + e.name) & kEntryHidden) != 0;
  e.attrs = static_cast<std::uint8_t>(hidden ? e.attrs | kEntryHidden : e.attrs & ~kEntryHidden);
  if (iconsShown_ && static_cast<std::size_t>(row) < iconIndex_.size()) {
    iconIndex_[static_cast<std::size_t>(row)] = kIconUnknown;
  }
  Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void FileListModel::showRenamedFile(int row, std::string name) {
  if (row < 0 || row >= rowCount()) return;
  FileEntry& e = entries_[static_cast<std::size_t>(row)];
  const std::uint8_t shown = e.known;
  e.known = 0;
  e.name = name;
  DetailFiller(folder_).fill(e, shown);
  setEntryName(row, std::move(name));
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 5; }

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  FileEntry& e = entries_[static_cast<std::size_t>(index.row())];
  const int column = index.column() + 1;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
      if (column == kColName) return vb::qpath(e.name);
      if (const std::uint8_t want = lazy_ & detailOfColumn(column)) filler_.fill(e, want);
      return vb::qs(columnText(e, column));
    case Qt::DecorationRole:
      if (column != kColName || !iconsShown_ || static_cast<std::size_t>(index.row()) >= iconIndex_.size()) return {};
      return icons_.icon(iconOf(static_cast<std::size_t>(index.row())), e.hidden());
    case Qt::ForegroundRole:
      if (e.hidden()) return core::toQColor(core::coreState().hiddenColor);
      return {};
    case Qt::TextAlignmentRole:
      if (column == kColSize) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    default:
      return {};
  }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= headers_.size()) return {};
  if (role == Qt::DisplayRole) return headers_[section];
  if (role == Qt::TextAlignmentRole && section == 1) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
  if (index.column() == 0 && rename_) f |= Qt::ItemIsEditable;
  return f;
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.column() != 0 || !rename_) return false;
  const int row = index.row();
  if (row >= rowCount()) return false;
  // The editor holds text: the bytes of the parts the user left alone come from the old name.
  const std::optional<std::string> newName = nameAfterEdit(entries_[static_cast<std::size_t>(row)].name, value.toString());
  return newName && renameRow(row, *newName);
}

bool FileListModel::renameRow(int row, const std::string& newName) {
  if (!rename_ || row < 0 || row >= rowCount() || newName == entries_[static_cast<std::size_t>(row)].name) return false;
  if (!rename_(row, newName)) return false;
  setEntryName(row, newName);
  return true;
}

QStringList FileListModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

QMimeData* FileListModel::mimeData(const QModelIndexList& indexes) const {
  QList<QUrl> urls;
  std::vector<bool> seen(entries_.size(), false);
  for (const QModelIndex& i : indexes) {
    if (!i.isValid() || i.row() >= rowCount() || seen[static_cast<std::size_t>(i.row())]) continue;
    seen[static_cast<std::size_t>(i.row())] = true;
    urls << QUrl::fromLocalFile(vb::qpath(folder_ + entries_[static_cast<std::size_t>(i.row())].name));
  }
  if (urls.isEmpty()) return nullptr;
  auto* mime = new QMimeData;
  mime->setUrls(urls);
  return mime;
}

Qt::DropActions FileListModel::supportedDragActions() const { return Qt::CopyAction | Qt::LinkAction; }

}  // namespace mainwin
