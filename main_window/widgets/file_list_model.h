// The visible file list's table model: five columns (name, size, modified, created, attributes)
// over the engine's entries. Texts are formatted when a view asks for them; a new listing is
// swapped in with one reset. Hidden files show in the hidden colour with a dimmed icon. Dragging
// entries out gives their paths as file URLs; the name column is editable (in-place rename goes
// through the rename hook, which decides).
#pragma once

#include "main_window/file_entry.h"
#include "main_window/file_sort.h"
#include "main_window/folder_listing.h"
#include "main_window/widgets/file_list_icons.h"

#include <QAbstractTableModel>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mainwin {

class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit FileListModel(QObject* parent = nullptr);

  // Replaces the list (one model reset). `folder` is the folder the names belong to (with "/").
  // The DetailBits in `lazy` are computed for a row when a view first asks for its texts (a large
  // folder lists without them; a column fill completes them).
  void setEntries(std::vector<FileEntry>&& entries, std::string folder, std::uint8_t lazy = 0);
  [[nodiscard]] const std::vector<FileEntry>& entries() const { return entries_; }
  // Direct access for a detail fill; call detailsChanged() afterwards.
  [[nodiscard]] std::vector<FileEntry>& mutableEntries() { return entries_; }
  [[nodiscard]] const std::string& folder() const { return folder_; }
  // Tells the views that the texts of the detail columns of `what` (DetailBits) changed.
  void detailsChanged(std::uint8_t what);

  // Re-sorts the entries; selected and current entries stay selected and current.
  void sortBy(SortState sort);
  // Keeps only the rows whose flag is true (same order), in one reset.
  void keepRows(const std::vector<bool>& keep);

  // Gives every entry its icon (one lookup per extension, when a view first shows the row); with
  // `shown` false icons are off.
  void setIconsShown(bool shown);
  [[nodiscard]] bool iconsShown() const { return iconsShown_; }
  [[nodiscard]] const ExtensionIcons& icons() const { return icons_; }

  // Decides an in-place rename of row to the new name (bytes); true when the file was renamed
  // (the entry then takes the new name).
  using RenameHook = std::function<bool(int row, const std::string& newName)>;
  void setRenameHook(RenameHook hook) { rename_ = std::move(hook); }
  // Renames the file of row to newName (bytes) through the rename hook; the entry takes the new
  // name. False when the hook refuses or the name is the same.
  bool renameRow(int row, const std::string& newName);
  // Changes the row's name in the list only (the file was renamed elsewhere). The hidden look
  // follows the new name.
  void setEntryName(int row, std::string name);
  // The file of row was renamed elsewhere and may have changed besides (the properties editor
  // saves its times and flags with the name): the row takes the new name, and the details it
  // showed are read again from the file under that name.
  void showRenamedFile(int row, std::string name);

  // Header captions (common messages 46, 45, 47, 48, 109).
  void retranslate();

  [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  [[nodiscard]] QStringList mimeTypes() const override;
  [[nodiscard]] QMimeData* mimeData(const QModelIndexList& indexes) const override;
  [[nodiscard]] Qt::DropActions supportedDragActions() const override;

 private:
  void assignIcons();
  // The icon index of row, looked up on first use.
  int iconOf(std::size_t row) const;

  static constexpr int kIconUnknown = -1;
  mutable std::vector<FileEntry> entries_;  // lazy details are filled as rows are shown
  mutable std::vector<int> iconIndex_;  // per entry while icons are shown; kIconUnknown until asked
  std::string folder_;
  std::uint8_t lazy_ = 0;
  mutable DetailFiller filler_;
  mutable ExtensionIcons icons_;
  bool iconsShown_ = true;
  RenameHook rename_;
  QStringList headers_;
};

}  // namespace mainwin
