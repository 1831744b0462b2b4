// CtrlTreeDir: the program's folder tree. One root node ("My Computer") with the home folder,
// "/" and the mounted volumes below it; folders are read one level at a time when a node is
// opened. The tree tells the *selected* node (its own selection) from the *current* node (the
// folder Path reports, painted in inverted colours); Change is raised when the current folder
// changes. Every node keeps its full path as bytes, so paths never depend on captions.
#pragma once

#include "platform/mounts.h"
#include "ui_kit/folder_lister.h"

#include <QTreeWidget>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>
#include <string_view>

namespace uikit {

// The words the tree shows of its own: the root node and the kinds of volume that have no label.
struct TreeWords {
  QString root = QStringLiteral("My Computer");
  QString localDisk = QStringLiteral("Local Disk");
  QString remoteDrive = QStringLiteral("Remote Drive");
  QString romDrive = QStringLiteral("Rom Drive");
  QString removableDrive = QStringLiteral("Removable Drive");
  QString ramDisk = QStringLiteral("RAM Disk");
};
// The words of the language file of shortName ("Main", "Browse2") for the current language: the
// entries treeRoot, treeLocalDisk, treeRemoteDrive, treeRomDrive, treeRemovableDrive and
// treeRamDisk; English for any that is missing.
[[nodiscard]] TreeWords treeWordsFor(std::string_view shortName);

class CtrlTreeDir : public QTreeWidget {
  Q_OBJECT
  Q_PROPERTY(QString Path READ Path WRITE setPath)
  Q_PROPERTY(bool showHidden READ showHidden WRITE setShowHidden)
  Q_PROPERTY(uint ForeColor READ ForeColor WRITE setForeColor)
  Q_PROPERTY(uint HiddenColor READ HiddenColor WRITE setHiddenColor)
  Q_PROPERTY(uint BackColor READ BackColor WRITE setBackColor)
  Q_PROPERTY(QString Font READ Font WRITE setFontName)
  Q_PROPERTY(bool Enabled READ Enabled)

 public:
  explicit CtrlTreeDir(QWidget* parent = nullptr);

  // Builds the volume level and opens the path last given to Path (hosts call it once).
  void Initialize();
  // Rebuilds the tree, keeping the current folder and whether the selected node is open.
  void Refresh();

  // "" before Initialize; "My Computer" (whatever the root shows) while the root is selected; else
  // the current folder
  // without its final "/" ("/" itself for the root file system).
  [[nodiscard]] QString Path() const;
  [[nodiscard]] QByteArray pathBytes() const;
  // Opens the tree as deep as the existing part of the path reaches and makes that node current
  // (raising Change when it differs). Before Initialize it only records the start path.
  void setPath(const QString& myPath);
  void setPathBytes(const QByteArray& myPath);

  [[nodiscard]] bool showHidden() const { return showHidden_; }
  void setShowHidden(bool isHid);
  [[nodiscard]] uint ForeColor() const { return foreColor_; }
  void setForeColor(uint myCol);
  [[nodiscard]] uint HiddenColor() const { return hiddenColor_; }
  void setHiddenColor(uint myCol);
  [[nodiscard]] uint BackColor() const { return backColor_; }
  void setBackColor(uint myCol);
  [[nodiscard]] QString Font() const { return font().family(); }
  void setFontName(const QString& myFont);
  [[nodiscard]] bool Enabled() const { return true; }

  // The root caption and the volume words (language files); the nodes shown take them at once.
  void setWords(const TreeWords& words);
  [[nodiscard]] const TreeWords& words() const { return words_; }

  // Applies "Path", "BackColor", "ForeColor", "HiddenColor", "showHidden", "Font".
  void ReadProperties(const QVariantMap& bag);
  [[nodiscard]] QVariantMap WriteProperties() const;

  // The folder reader (tests put a failing one in place to stand for unreadable folders).
  using Lister = std::function<FolderListing(const QByteArray& folder, bool showHidden)>;
  using Prober = std::function<bool(const QByteArray& folder)>;
  void setFolderReaders(Lister lister, Prober prober);

  // Inspection for hosts and tests: the current and root nodes, a node's path, whether it is
  // hidden, and the time a network folder may take before it counts as not ready.
  [[nodiscard]] QTreeWidgetItem* currentNode() const { return current_; }
  [[nodiscard]] QTreeWidgetItem* rootNode() const { return topLevelItemCount() > 0 ? topLevelItem(0) : nullptr; }
  [[nodiscard]] static QByteArray nodePath(const QTreeWidgetItem* item);
  [[nodiscard]] static bool nodeHidden(const QTreeWidgetItem* item);
  // The child of parent whose path is path, or null.
  [[nodiscard]] static QTreeWidgetItem* childWithPath(const QTreeWidgetItem* parent, const QByteArray& path);
  static constexpr int kNetworkLimitMs = 2000;

  // Reads the node's folder when it has no children yet (one level).
  void fillChildrenIfEmpty(QTreeWidgetItem* item);

 Q_SIGNALS:
  void Click();
  void Change();
  void RightClick();

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void listDrives();
  void fillSubFolders(const QByteArray& folder, QTreeWidgetItem* parent);
  void expandToPath(const QByteArray& path);
  void markCurrent(QTreeWidgetItem* item);
  void checkSelChange();
  void selectNode();
  [[nodiscard]] bool folderReady(const QByteArray& path) const;
  [[nodiscard]] bool onNetwork(const QByteArray& path) const;
  [[nodiscard]] FolderListing readFolder(const QByteArray& folder) const;
  void colourNode(QTreeWidgetItem* item) const;
  void colourAll();
  QTreeWidgetItem* addFolderNode(QTreeWidgetItem* parent, const SubFolder& f) const;
  void refreshVolumeLabel(QTreeWidgetItem* item);
  [[nodiscard]] QString volumeCaption(const platform::MountEntry& m) const;

  TreeWords words_;
  QByteArray startPath_;
  uint backColor_ = 0x404040;
  uint foreColor_ = 0xE0E0E0;
  uint hiddenColor_ = 0x909090;
  bool showHidden_ = false;
  bool isLoaded_ = false;
  QTreeWidgetItem* current_ = nullptr;
  std::vector<platform::MountEntry> mounts_;
  Lister lister_;
  Prober prober_;
};

}  // namespace uikit
