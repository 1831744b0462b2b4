#include "ui_kit/ctrl_tree_dir.h"

#include "core/state.h"
#include "core/vb.h"
#include "ui_kit/form_texts.h"
#include "ui_kit/look.h"
#include "ui_kit/tree_icons.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include <memory>

namespace uikit {

namespace {

enum Role : int { PathRole = Qt::UserRole + 1, KindRole, HiddenRole, PendingLabelRole };
enum Kind : int { RootKind = 0, VolumeKind = 1, FolderKind = 2 };

// What Path reports while the root is selected, whatever its caption says in the language shown.
const char* const kRootPath = "My Computer";

QByteArray withSlash(QByteArray p) {
  if (!p.endsWith('/')) p += '/';
  return p;
}

// A path in the tree's own form: absolute, no "." or ".." or doubled "/", trailing "/".
QByteArray cleanFolderPath(const QByteArray& p) {
  if (!p.startsWith('/')) return p;
  return withSlash(QFile::encodeName(QDir::cleanPath(QFile::decodeName(p))));
}

QIcon folderIcon(bool hidden) {
  static const QIcon vis = [] {
    QIcon i;
    i.addPixmap(treeIcon(TreeIcon::closVis).pixmap(16), QIcon::Normal);
    i.addPixmap(treeIcon(TreeIcon::openVis).pixmap(16), QIcon::Selected);
    return i;
  }();
  static const QIcon hid = [] {
    QIcon i;
    i.addPixmap(treeIcon(TreeIcon::closHid).pixmap(16), QIcon::Normal);
    i.addPixmap(treeIcon(TreeIcon::openHid).pixmap(16), QIcon::Selected);
    return i;
  }();
  return hidden ? hid : vis;
}

// The picture of a volume and which of the tree's words names its kind.
struct VolumeKindLook {
  QString TreeWords::*word;
  TreeIcon icon;
};

VolumeKindLook volumeKind(const platform::MountEntry& m) {
  if (m.network) return {&TreeWords::remoteDrive, TreeIcon::drvNet};
  if (m.cdrom) return {&TreeWords::romDrive, TreeIcon::drvCD};
  if (m.removable) return {&TreeWords::removableDrive, TreeIcon::drvRemov};
  if (m.fsType == "tmpfs" || m.fsType == "ramfs") return {&TreeWords::ramDisk, TreeIcon::drvRAM};
  return {&TreeWords::localDisk, TreeIcon::drvFixed};
}

}  // namespace

TreeWords treeWordsFor(std::string_view shortName) {
  const std::string section = formSection(shortName);
  TreeWords w;
  w.root = formText(section, "treeRoot", "My Computer");
  w.localDisk = formText(section, "treeLocalDisk", "Local Disk");
  w.remoteDrive = formText(section, "treeRemoteDrive", "Remote Drive");
  w.romDrive = formText(section, "treeRomDrive", "Rom Drive");
  w.removableDrive = formText(section, "treeRemovableDrive", "Removable Drive");
  w.ramDisk = formText(section, "treeRamDisk", "RAM Disk");
  return w;
}

QString CtrlTreeDir::volumeCaption(const platform::MountEntry& m) const {
  // Its label, else the word for its kind, then its mount point.
  QByteArray mp = QByteArray::fromStdString(m.mountPoint);
  if (mp.size() > 1) mp.chop(1);
  const QString label = m.label.empty() ? words_.*(volumeKind(m).word) : vb::qs(m.label);
  return label + QStringLiteral(" (") + QFile::decodeName(mp) + QStringLiteral(")");
}

void CtrlTreeDir::setWords(const TreeWords& words) {
  words_ = words;
  QTreeWidgetItem* root = rootNode();
  if (!root) return;
  root->setText(0, words_.root);
  const QByteArray home = withSlash(QFile::encodeName(QDir::homePath()));
  for (int i = 0; i < root->childCount(); ++i) {
    QTreeWidgetItem* node = root->child(i);
    const QByteArray p = nodePath(node);
    if (p == home && p != "/") continue;  // the home folder is named after itself
    platform::MountEntry m;
    m.mountPoint = p.toStdString();
    bool known = p == "/";  // "/" shows even where the mount table has no entry for it
    for (const auto& v : platform::filterVolumes(mounts_)) {
      if (QByteArray::fromStdString(v.mountPoint) == p) {
        m = v;
        known = true;
      }
    }
    if (known) node->setText(0, volumeCaption(m));
  }
}

CtrlTreeDir::CtrlTreeDir(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  // Deep folders and long names scroll sideways instead of being cut short with an ellipsis.
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  setTextElideMode(Qt::ElideNone);
  setUniformRowHeights(true);
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setExpandsOnDoubleClick(true);
  setFont(faceFont(vb::qs(core::coreState().fontName), font().pointSizeF(), false));
  lister_ = [](const QByteArray& f, bool hid) { return listSubFolders(f, hid); };
  prober_ = [](const QByteArray& f) { return folderOpens(f); };
  setBackColor(backColor_);
  startPath_ = QFile::encodeName(QDir::homePath());
  connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* it) { fillChildrenIfEmpty(it); });
  connect(this, &QObject::objectNameChanged, this, [this] { applyAccessibleName(this, QString()); });
}

void CtrlTreeDir::setFolderReaders(Lister lister, Prober prober) {
  lister_ = std::move(lister);
  prober_ = std::move(prober);
}

QByteArray CtrlTreeDir::nodePath(const QTreeWidgetItem* item) {
  return item != nullptr ? item->data(0, PathRole).toByteArray() : QByteArray();
}

bool CtrlTreeDir::nodeHidden(const QTreeWidgetItem* item) {
  return item != nullptr && item->data(0, HiddenRole).toBool();
}

QTreeWidgetItem* CtrlTreeDir::childWithPath(const QTreeWidgetItem* parent, const QByteArray& path) {
  if (parent == nullptr) return nullptr;
  for (int i = 0; i < parent->childCount(); ++i)
    if (nodePath(parent->child(i)) == path) return parent->child(i);
  return nullptr;
}

bool CtrlTreeDir::onNetwork(const QByteArray& path) const {
  const auto m = platform::mountOf(path.toStdString(), mounts_);
  return m && m->network;
}

FolderListing CtrlTreeDir::readFolder(const QByteArray& folder) const {
  if (!onNetwork(folder)) return lister_(folder, showHidden_);
  // A network folder is read off the window thread; no answer in time counts as not ready.
  const Lister lister = lister_;
  const bool hid = showHidden_;
  auto shared = std::make_shared<FolderListing>();
  const bool done = runWithin([shared, lister, folder, hid] { *shared = lister(folder, hid); }, kNetworkLimitMs);
  return done ? *shared : FolderListing{};
}

bool CtrlTreeDir::folderReady(const QByteArray& path) const {
  if (path.isEmpty() || !path.startsWith('/')) return false;
  const QByteArray p = withSlash(path);
  if (!onNetwork(p)) return prober_(p);
  const Prober prober = prober_;
  auto ok = std::make_shared<bool>(false);
  const bool done = runWithin([ok, prober, p] { *ok = prober(p); }, kNetworkLimitMs);
  return done && *ok;
}

void CtrlTreeDir::colourNode(QTreeWidgetItem* item) const {
  const bool hidden = nodeHidden(item);
  if (item == current_ && item->data(0, KindRole).toInt() != RootKind) {
    item->setBackground(0, core::toQColor(foreColor_));
    item->setForeground(0, core::toQColor(backColor_));
  } else {
    item->setBackground(0, core::toQColor(backColor_));
    item->setForeground(0, core::toQColor(hidden ? hiddenColor_ : foreColor_));
  }
}

void CtrlTreeDir::colourAll() {
  for (QTreeWidgetItemIterator it(this); *it != nullptr; ++it) colourNode(*it);
}

QTreeWidgetItem* CtrlTreeDir::addFolderNode(QTreeWidgetItem* parent, const SubFolder& f) const {
  auto* item = new QTreeWidgetItem(QStringList{f.name});
  item->setData(0, PathRole, f.path);
  item->setData(0, KindRole, FolderKind);
  item->setData(0, HiddenRole, f.hidden);
  item->setIcon(0, folderIcon(f.hidden));
  item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  item->setBackground(0, core::toQColor(backColor_));
  item->setForeground(0, core::toQColor(f.hidden ? hiddenColor_ : foreColor_));
  if (parent != nullptr) parent->addChild(item);
  return item;
}

void CtrlTreeDir::listDrives() {
  isLoaded_ = false;
  current_ = nullptr;
  clear();
  mounts_ = platform::readMountTable();
  auto* root = new QTreeWidgetItem(QStringList{words_.root});
  root->setData(0, KindRole, RootKind);
  root->setIcon(0, treeIcon(TreeIcon::myComp));
  addTopLevelItem(root);

  const auto addVolume = [&](const QByteArray& path, const QString& caption, TreeIcon icon, bool pendingLabel) {
    auto* node = new QTreeWidgetItem(QStringList{caption});
    node->setData(0, PathRole, path);
    node->setData(0, KindRole, VolumeKind);
    node->setData(0, PendingLabelRole, pendingLabel);
    node->setIcon(0, treeIcon(icon));
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    root->addChild(node);
  };
  const QByteArray home = withSlash(QFile::encodeName(QDir::homePath()));
  if (home != "/") {
    QByteArray name = home;
    name.chop(1);
    addVolume(home, QFile::decodeName(name.mid(name.lastIndexOf('/') + 1)) + QStringLiteral(" (") +
                        QFile::decodeName(name) + QStringLiteral(")"),
              TreeIcon::home, false);
  }
  // "/" always shows, whatever the root file system is (an overlay in a container).
  platform::MountEntry rootMount;
  rootMount.mountPoint = "/";
  for (const auto& m : platform::filterVolumes(mounts_))
    if (m.mountPoint == "/") rootMount = m;
  addVolume("/", volumeCaption(rootMount), volumeKind(rootMount).icon, false);
  for (const auto& m : platform::filterVolumes(mounts_)) {
    if (m.mountPoint == "/" || QByteArray::fromStdString(m.mountPoint) == home) continue;
    addVolume(QByteArray::fromStdString(m.mountPoint), volumeCaption(m), volumeKind(m).icon, m.removable || m.cdrom);
  }
  root->setExpanded(true);
  setCurrentItem(root);
  current_ = root;
  colourAll();
  isLoaded_ = true;
}

void CtrlTreeDir::fillSubFolders(const QByteArray& folder, QTreeWidgetItem* parent) {
  const FolderListing listing = readFolder(folder);
  if (!listing.ok) {
    parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    return;
  }
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(listing.folders.size()));
  for (const SubFolder& f : listing.folders) items.append(addFolderNode(nullptr, f));
  parent->addChildren(items);
  parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void CtrlTreeDir::fillChildrenIfEmpty(QTreeWidgetItem* item) {
  if (item == nullptr || !isLoaded_ || item->data(0, KindRole).toInt() == RootKind || item->childCount() > 0)
    return;
  fillSubFolders(nodePath(item), item);
}

QByteArray CtrlTreeDir::pathBytes() const {
  if (!isLoaded_) return {};
  QTreeWidgetItem* sel = currentItem();
  if (sel != nullptr && sel == rootNode()) return QByteArray(kRootPath);
  QByteArray p = nodePath(current_);
  if (p.size() > 1 && p.endsWith('/')) p.chop(1);
  return p;
}

QString CtrlTreeDir::Path() const { return QFile::decodeName(pathBytes()); }

void CtrlTreeDir::markCurrent(QTreeWidgetItem* item) {
  if (item == nullptr || item == rootNode()) return;
  QTreeWidgetItem* old = current_;
  current_ = item;
  if (old != nullptr) colourNode(old);
  colourNode(item);
}

void CtrlTreeDir::checkSelChange() {
  QTreeWidgetItem* sel = currentItem();
  if (sel != nullptr && sel != current_) {
    markCurrent(sel);
    Q_EMIT Change();
  }
}

void CtrlTreeDir::expandToPath(const QByteArray& rawPath) {
  if (!isLoaded_) return;
  const QByteArray path = cleanFolderPath(rawPath);
  QTreeWidgetItem* root = rootNode();
  // The volume whose path is the longest prefix of the path holds it.
  QTreeWidgetItem* found = nullptr;
  for (int i = 0; i < root->childCount(); ++i) {
    const QByteArray vp = nodePath(root->child(i));
    if (path.startsWith(vp) && (found == nullptr || vp.size() > nodePath(found).size())) found = root->child(i);
  }
  if (found != nullptr) {
    setCurrentItem(found);
    fillChildrenIfEmpty(found);
    found->setExpanded(true);
    QByteArray prefix = nodePath(found);
    const QList<QByteArray> parts = path.mid(prefix.size()).split('/');
    for (const QByteArray& part : parts) {
      if (part.isEmpty()) continue;
      prefix += part + '/';
      if (!folderReady(prefix)) break;
      fillChildrenIfEmpty(found);
      // A hidden folder on the way is added by itself when hidden folders are not listed.
      if (!showHidden_ && childWithPath(found, prefix) == nullptr && isHiddenFolder(prefix))
        addFolderNode(found, {QFile::decodeName(part), prefix, true});
      if (QTreeWidgetItem* child = childWithPath(found, prefix)) found = child;
      setCurrentItem(found);
      found->setExpanded(true);
    }
  }
  fillChildrenIfEmpty(currentItem());
  if (currentItem() != nullptr) scrollToItem(currentItem());
  checkSelChange();
}

void CtrlTreeDir::setPath(const QString& myPath) { setPathBytes(QFile::encodeName(myPath)); }

void CtrlTreeDir::setPathBytes(const QByteArray& myPath) {
  if (myPath.isEmpty()) return;
  if (myPath.size() > 1) startPath_ = myPath;
  expandToPath(myPath);
  if (!isLoaded_) return;
  if (withSlash(pathBytes()) != cleanFolderPath(myPath) && folderReady(cleanFolderPath(myPath))) {
    // The folder exists but the tree did not reach it (made after its parent was read).
    Refresh();
    expandToPath(myPath);
  }
}

void CtrlTreeDir::Initialize() {
  listDrives();
  expandToPath(startPath_);
}

void CtrlTreeDir::Refresh() {
  setUpdatesEnabled(false);
  QTreeWidgetItem* sel = currentItem();
  const bool wasExpanded = sel != nullptr && sel->isExpanded();
  const QByteArray remembered = pathBytes();
  listDrives();
  expandToPath(remembered);
  markCurrent(currentItem());
  if (currentItem() != nullptr) currentItem()->setExpanded(wasExpanded);
  setUpdatesEnabled(true);
}

void CtrlTreeDir::setShowHidden(bool isHid) {
  showHidden_ = isHid;
  if (isLoaded_) Refresh();
}

void CtrlTreeDir::setForeColor(uint myCol) {
  if (myCol == foreColor_) return;
  foreColor_ = myCol;
  colourAll();
}

void CtrlTreeDir::setHiddenColor(uint myCol) {
  if (myCol == hiddenColor_) return;
  hiddenColor_ = myCol;
  colourAll();
}

void CtrlTreeDir::setBackColor(uint myCol) {
  backColor_ = myCol;
  QPalette pal = palette();
  pal.setColor(QPalette::Base, core::toQColor(myCol));
  pal.setColor(QPalette::Window, core::toQColor(myCol));
  pal.setColor(QPalette::Text, core::toQColor(foreColor_));
  setPalette(pal);
  colourAll();
}

void CtrlTreeDir::setFontName(const QString& myFont) { setFontFace(this, myFont); }

void CtrlTreeDir::ReadProperties(const QVariantMap& bag) {
  isLoaded_ = false;
  const QString path = bag.value(QStringLiteral("Path"), QDir::homePath()).toString();
  if (path.size() > 1) startPath_ = QFile::encodeName(path);
  setBackColor(static_cast<uint>(bag.value(QStringLiteral("BackColor"), qlonglong{0x404040}).toLongLong()));
  foreColor_ = static_cast<uint>(bag.value(QStringLiteral("ForeColor"), qlonglong{0xE0E0E0}).toLongLong());
  hiddenColor_ = static_cast<uint>(bag.value(QStringLiteral("HiddenColor"), qlonglong{0x909090}).toLongLong());
  showHidden_ = bag.value(QStringLiteral("showHidden"), false).toBool();
  colourAll();
  setFontName(bag.value(QStringLiteral("Font"), QStringLiteral("MS Sans Serif")).toString());
}

QVariantMap CtrlTreeDir::WriteProperties() const {
  return {{QStringLiteral("Path"), Path()},          {QStringLiteral("BackColor"), backColor_},
          {QStringLiteral("ForeColor"), foreColor_}, {QStringLiteral("HiddenColor"), hiddenColor_},
          {QStringLiteral("showHidden"), showHidden_}, {QStringLiteral("Font"), Font()}};
}

void CtrlTreeDir::refreshVolumeLabel(QTreeWidgetItem* item) {
  const QByteArray p = nodePath(item);
  for (const auto& m : platform::readVolumes())
    if (QByteArray::fromStdString(m.mountPoint) == p) item->setText(0, volumeCaption(m));
  item->setData(0, PendingLabelRole, false);
}

void CtrlTreeDir::selectNode() {
  QTreeWidgetItem* root = rootNode();
  if (root == nullptr || root->childCount() == 0) return;
  setCurrentItem(root->child(0));
  // A short pause keeps the click that reached the root from acting on the node now selected.
  setEnabled(false);
  QTimer::singleShot(1000, this, [this] {
    setEnabled(true);
    setFocus();
  });
}

void CtrlTreeDir::mouseReleaseEvent(QMouseEvent* e) {
  QTreeWidget::mouseReleaseEvent(e);
  if (e->button() == Qt::RightButton) {
    Q_EMIT RightClick();
    return;
  }
  if (e->button() != Qt::LeftButton) return;
  QTreeWidgetItem* sel = currentItem();
  if (sel == nullptr) return;
  if (sel == rootNode()) {
    if (itemAt(e->position().toPoint()) == sel) selectNode();
    return;
  }
  if (sel->childCount() == 0) {
    fillChildrenIfEmpty(sel);
    sel->setExpanded(true);
  }
  if (sel->data(0, PendingLabelRole).toBool()) {
    if (!folderReady(nodePath(sel))) return;  // a volume that is not ready: no event
    refreshVolumeLabel(sel);
  }
  checkSelChange();
  Q_EMIT Click();
}

void CtrlTreeDir::keyPressEvent(QKeyEvent* e) {
  QTreeWidgetItem* sel = currentItem();
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    if (sel != nullptr && sel != rootNode() && sel != current_) {
      markCurrent(sel);
      fillChildrenIfEmpty(sel);
      sel->setExpanded(!sel->isExpanded());
      Q_EMIT Change();
    }
    return;
  }
  if (e->key() == Qt::Key_Asterisk) {
    // The view's "*" expands the whole tree below; on "/" that would read every folder of the
    // machine. Here it opens one level, as a click on the arrow does.
    if (sel != nullptr) {
      fillChildrenIfEmpty(sel);
      sel->setExpanded(true);
    }
    return;
  }
  if (e->key() == Qt::Key_Right) fillChildrenIfEmpty(sel);
  QTreeWidget::keyPressEvent(e);
}

void CtrlTreeDir::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void CtrlTreeDir::dragMoveEvent(QDragMoveEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void CtrlTreeDir::dropEvent(QDropEvent* e) {
  const QList<QUrl> urls = e->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  const QFileInfo fi(urls.first().toLocalFile());
  e->acceptProposedAction();
  if (fi.isDir()) setPath(fi.absoluteFilePath());
  else if (fi.exists()) setPath(fi.absolutePath() + QLatin1Char('/'));
}

}  // namespace uikit
