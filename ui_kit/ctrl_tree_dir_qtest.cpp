#include "ui_kit/ctrl_tree_dir.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <unistd.h>

using uikit::CtrlTreeDir;

namespace {
QTemporaryDir* g_home = nullptr;
}

// Fixture (inside a temporary HOME): a/ with b/c, .dot, listed (named in a/.hidden), locked, Zeta.
class TreeDirTest : public QObject {
  Q_OBJECT
 private:
  QByteArray base_;

 private Q_SLOTS:
  void initTestCase() {
    QVERIFY(g_home->isValid());
    base_ = QFile::encodeName(g_home->path()) + "/a";
    QDir d(g_home->path());
    for (const char* p : {"a/b/c", "a/.dot/inner", "a/listed", "a/locked/deep", "a/Zeta", "a/alpha"})
      QVERIFY(d.mkpath(QString::fromLatin1(p)));
    QFile hidden(g_home->path() + QStringLiteral("/a/.hidden"));
    QVERIFY(hidden.open(QIODevice::WriteOnly));
    hidden.write("listed\n");
  }

  void pathBeforeInitializeIsEmpty() {
    CtrlTreeDir tree;
    tree.setPath(QFile::decodeName(base_));
    QCOMPARE(tree.Path(), QString());
    tree.Initialize();  // opens the recorded path
    QCOMPARE(tree.pathBytes(), base_);
  }

  void setAndGetPath_data() {
    QTest::addColumn<QByteArray>("rel");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<bool>("showHidden");
    QTest::newRow("folder") << QByteArray("/b/c") << QByteArray("/b/c") << false;
    QTest::newRow("trailing slash") << QByteArray("/b/") << QByteArray("/b") << false;
    QTest::newRow("missing part: as deep as exists") << QByteArray("/b/nothere/x") << QByteArray("/b") << false;
    QTest::newRow("dot folder opened by path") << QByteArray("/.dot/inner") << QByteArray("/.dot/inner") << false;
    QTest::newRow("listed in .hidden") << QByteArray("/listed") << QByteArray("/listed") << false;
    QTest::newRow("case differs: no match") << QByteArray("/zeta") << QByteArray("") << false;
    QTest::newRow("showHidden") << QByteArray("/.dot") << QByteArray("/.dot") << true;
  }
  void setAndGetPath() {
    QFETCH(QByteArray, rel);
    QFETCH(QByteArray, expected);
    QFETCH(bool, showHidden);
    CtrlTreeDir tree;
    tree.setShowHidden(showHidden);
    tree.Initialize();
    QSignalSpy changes(&tree, &CtrlTreeDir::Change);
    tree.setPathBytes(base_ + rel);
    QCOMPARE(tree.pathBytes(), base_ + expected);
    QCOMPARE(changes.count(), 1);
    tree.setPathBytes(base_ + rel);  // already current: no Change
    QCOMPARE(changes.count(), 1);
  }

  void asteriskOpensOneLevelOnly() {
    CtrlTreeDir tree;
    tree.Initialize();
    tree.setPathBytes(base_);
    QTreeWidgetItem* a = tree.currentNode();
    QVERIFY(a);
    a->setExpanded(false);
    tree.setCurrentItem(a);
    QTest::keyClick(&tree, Qt::Key_Asterisk);
    QVERIFY(a->isExpanded());
    QVERIFY(a->childCount() > 0);
    for (int i = 0; i < a->childCount(); ++i)
      QVERIFY(!a->child(i)->isExpanded());  // the view's own "*" would open every folder below
  }

  void hiddenFoldersListedOnlyWhenAsked() {
    CtrlTreeDir tree;
    tree.Initialize();
    tree.setPathBytes(base_);
    QTreeWidgetItem* a = tree.currentNode();
    QStringList names;
    for (int i = 0; i < a->childCount(); ++i) names << a->child(i)->text(0);
    QCOMPARE(names, (QStringList{"alpha", "b", "locked", "Zeta"}));  // sorted without regard to case
    // Opening a path inside a hidden folder adds that one folder, grey, once.
    tree.setPathBytes(base_ + "/.dot");
    tree.setPathBytes(base_ + "/b");
    tree.setPathBytes(base_ + "/.dot");
    QTreeWidgetItem* dot = CtrlTreeDir::childWithPath(a, base_ + "/.dot/");
    QVERIFY(dot != nullptr);
    QVERIFY(CtrlTreeDir::nodeHidden(dot));
    QCOMPARE(a->childCount(), 5);
    tree.setPathBytes(base_ + "/b");  // not current any more: hidden colour
    QCOMPARE(dot->foreground(0).color(), QColor(0x90, 0x90, 0x90));
    tree.setPathBytes(base_ + "/.dot");
    tree.setShowHidden(true);  // rebuilds, keeping the current folder
    QCOMPARE(tree.pathBytes(), base_ + "/.dot");
    QCOMPARE(tree.currentNode()->parent()->childCount(), 6);
  }

  void currentNodeIsInverted() {
    CtrlTreeDir tree;
    tree.Initialize();
    tree.setPathBytes(base_ + "/b");
    QTreeWidgetItem* cur = tree.currentNode();
    QCOMPARE(cur->background(0).color(), QColor(0xE0, 0xE0, 0xE0));
    QCOMPARE(cur->foreground(0).color(), QColor(0x40, 0x40, 0x40));
    tree.setCurrentItem(tree.rootNode());
    QCOMPARE(tree.Path(), QStringLiteral("My Computer"));
  }

  void unreadableFolderStopsTheWalk_data() {
    QTest::addColumn<bool>("injected");
    QTest::newRow("mode 000") << false;
    QTest::newRow("reader refuses") << true;
  }
  void unreadableFolderStopsTheWalk() {
    QFETCH(bool, injected);
    const QByteArray locked = base_ + "/locked/";
    CtrlTreeDir tree;
    if (injected) {
      tree.setFolderReaders(
          [locked](const QByteArray& f, bool hid) {
            return f.startsWith(locked) ? uikit::FolderListing{} : uikit::listSubFolders(f, hid);
          },
          [locked](const QByteArray& f) { return !f.startsWith(locked) && uikit::folderOpens(f); });
    } else {
      if (geteuid() == 0) QSKIP("root reads mode-000 folders");
      QVERIFY(QFile::setPermissions(QFile::decodeName(locked), QFileDevice::Permissions{}));
    }
    tree.Initialize();
    tree.setPathBytes(base_ + "/locked/deep");
    if (!injected) QFile::setPermissions(QFile::decodeName(locked), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(tree.pathBytes(), base_);
    QTreeWidgetItem* lockedNode = CtrlTreeDir::childWithPath(tree.currentNode(), locked);
    QVERIFY(lockedNode != nullptr);
    tree.fillChildrenIfEmpty(lockedNode);
    QCOMPARE(lockedNode->childCount(), 0);
  }

  // Files dropped on the tree take it to the dropped folder, or to the folder of a dropped file.
  void dropMovesTheTree_data() {
    QTest::addColumn<QString>("dropped");  // relative to a/, or a whole URL
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("folder") << "b/c" << QByteArray("/b/c");
    QTest::newRow("file: its folder") << "b/note.txt" << QByteArray("/b");
    QTest::newRow("hidden folder") << ".dot/inner" << QByteArray("/.dot/inner");
    QTest::newRow("missing file: stays") << "b/gone.txt" << QByteArray("/Zeta");
    QTest::newRow("remote address: stays") << "http://example.invalid/a/" << QByteArray("/Zeta");
  }
  void dropMovesTheTree() {
    QFETCH(QString, dropped);
    QFETCH(QByteArray, expected);
    QFile note(g_home->path() + QStringLiteral("/a/b/note.txt"));
    QVERIFY(note.open(QIODevice::WriteOnly));
    note.close();
    CtrlTreeDir tree;
    tree.Initialize();
    tree.setPathBytes(base_ + "/Zeta");
    tree.resize(300, 300);
    QSignalSpy changes(&tree, &CtrlTreeDir::Change);

    QMimeData mime;
    const QUrl url = dropped.contains(QLatin1String("://"))
                         ? QUrl(dropped)
                         : QUrl::fromLocalFile(QFile::decodeName(base_) + QLatin1Char('/') + dropped);
    mime.setUrls({url});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree.viewport(), &enter);
    QVERIFY(enter.isAccepted());  // the tree takes drops of file lists
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree.viewport(), &drop);
    QCOMPARE(tree.pathBytes(), base_ + expected);
    QCOMPARE(changes.count(), expected == "/Zeta" ? 0 : 1);
  }

  void volumesHaveHomeAndRoot() {
    CtrlTreeDir tree;
    tree.Initialize();
    QTreeWidgetItem* root = tree.rootNode();
    QCOMPARE(root->text(0), QStringLiteral("My Computer"));
    QVERIFY(root->childCount() >= 2);
    QCOMPARE(CtrlTreeDir::nodePath(root->child(0)), QFile::encodeName(g_home->path()) + "/");
    QCOMPARE(CtrlTreeDir::nodePath(root->child(1)), QByteArray("/"));
    tree.setPathBytes("/");
    QCOMPARE(tree.Path(), QStringLiteral("/"));

    // The tree's own words come from the language files; Path still names the root the same way.
    const QString rootVolume = root->child(1)->text(0);
    uikit::TreeWords words;
    words.root = QStringLiteral("Poste de travail");
    words.localDisk = QStringLiteral("Disque local");
    words.ramDisk = QStringLiteral("Disque RAM");
    tree.setWords(words);
    QCOMPARE(root->text(0), words.root);
    if (rootVolume.startsWith(QLatin1String("Local Disk ("))) {
      QCOMPARE(root->child(1)->text(0), QStringLiteral("Disque local (/)"));
    }
    for (int i = 0; i < root->childCount(); ++i) QVERIFY(!root->child(i)->text(0).startsWith(QLatin1String("RAM Disk")));
    tree.setCurrentItem(root);
    QCOMPARE(tree.Path(), QStringLiteral("My Computer"));
  }
};

int main(int argc, char** argv) {
  // HOME must point into the fixture before anything reads it.
  QTemporaryDir home;
  g_home = &home;
  qputenv("HOME", QFile::encodeName(home.path()));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
  qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
  QApplication app(argc, argv);
  TreeDirTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "ctrl_tree_dir_qtest.moc"
