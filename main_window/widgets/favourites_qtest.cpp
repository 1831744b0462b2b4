// Favourites: the stored list (20 slots, stops at the first empty caption), seeding the desktop
// entry, captions proposed for a folder, rewriting the list, and the organiser's buttons.
#include "main_window/favourites.h"
#include "main_window/widgets/favourites_dialog.h"
#include "main_window/widgets/main_test_support.h"

#include "core/file_paths.h"
#include "core/settings.h"
#include "core/widgets/fake_host.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTest>

using namespace mainwin;

class FavouritesTest : public QObject {
  Q_OBJECT

  static void store(int n, const std::string& caption, const std::string& folder) {
    core::saveSet("FavC" + std::to_string(n), caption);
    core::saveSet("FavP" + std::to_string(n), folder);
  }

 private Q_SLOTS:
  void init() { core::clearSettings(); }

  void listStopsAtFirstEmptyCaption() {
    store(1, "One", "/a/");
    store(2, "Two", "/b/");
    store(4, "Four", "/d/");  // beyond the gap: never read
    const auto list = readFavourites();
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(list[1], (Favourite{"Two", "/b/"}));
    QCOMPARE(firstFreeFavouriteSlot(), 3);
  }

  void twentySlotsAtMost() {
    for (int n = 1; n <= 21; ++n) store(n, "F" + std::to_string(n), "/f/");
    QCOMPARE(readFavourites().size(), std::size_t(kMaxFavourites));
    QCOMPARE(firstFreeFavouriteSlot(), 0);
  }

  // The desktop favourite is the XDG desktop folder, or the home folder where none exists; a
  // folder that is gone is re-pointed (desktop) or named in a notice (any other favourite).
  void desktopFavouriteFollowsTheXdgDesktop() {
    const QString home = QDir::homePath();
    const QString userDirs = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/user-dirs.dirs");
    QFile::remove(userDirs);
    QDir(home).rmdir(QStringLiteral("Desktop"));
    seedDesktopFavourite();
    QCOMPARE(core::getSet("FavC1"), core::msgMain(105));
    QCOMPARE(QString::fromStdString(core::getSet("FavP1")), home + QLatin1Char('/'));
    store(1, "Mine", "/m/");
    seedDesktopFavourite();  // only an empty first slot is seeded
    QCOMPARE(core::getSet("FavC1"), std::string("Mine"));

    QVERIFY(QDir(home).mkpath(QStringLiteral("Bureau")));
    QFile f(userDirs);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
    f.close();
    core::clearSettings();
    seedDesktopFavourite();
    QCOMPARE(QString::fromStdString(core::getSet("FavP1")), home + QStringLiteral("/Bureau/"));

    // The desktop goes away (or an older start stored the error text "A_Err"): home is opened.
    store(1, core::msgMain(105), "A_Err");
    QVERIFY(QDir(home).rmdir(QStringLiteral("Bureau")));
    const FavouriteTarget desk = favouriteTarget(1);
    QCOMPARE(desk.kind, FavouriteTarget::Open);
    QCOMPARE(QString::fromStdString(desk.folder), home + QLatin1Char('/'));
    QCOMPARE(QString::fromStdString(core::getSet("FavP1")), home + QLatin1Char('/'));
    store(2, "Work", "/no/such/folder/");
    const FavouriteTarget work = favouriteTarget(2);
    QCOMPARE(work.kind, FavouriteTarget::Missing);
    QCOMPARE(work.folder, std::string("/no/such/folder/"));
    QFile::remove(userDirs);
  }

  void proposedCaptions_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("caption");
    QTest::newRow("last part") << "/home/me/Reports" << "Reports";
    QTest::newRow("trailing slash") << "/home/me/Reports/" << "Reports";
    QTest::newRow("root") << "/" << "/";
  }
  void proposedCaptions() {
    QFETCH(QString, folder);
    QFETCH(QString, caption);
    QCOMPARE(QString::fromStdString(defaultFavouriteCaption(folder.toStdString())), caption);
  }

  void rewriteBlanksEveryLaterSlot() {
    for (int n = 1; n <= 5; ++n) store(n, "F" + std::to_string(n), "/f/");
    writeFavourites({{"A", "/a/"}, {"B", "/b/"}});
    QCOMPARE(readFavourites().size(), std::size_t(2));
    for (int n = 3; n <= 5; ++n) QVERIFY(core::getSet("FavC" + std::to_string(n)).empty());
  }

  void organiserMovesDeletesAndSaves() {
    core::FakeHost fake;
    core::ScopedHost scoped(fake);
    store(1, "A", "/a/");
    store(2, "B", "/b/");
    store(3, "C", "/c/");
    QWidget owner;
    owner.setObjectName(QStringLiteral("frmMain"));
    FrmFav fav;
    int refreshed = 0;
    fav.open(&owner, [&refreshed] { ++refreshed; });
    QCOMPARE(fav.list()->count(), 3);

    fav.cmdUpClick();  // nothing selected: the organiser's notice, nothing moves
    QCOMPARE(fake.responds.size(), std::size_t(1));
    fav.list()->setCurrentRow(0);
    fav.cmdUpClick();  // first item up: nothing happens
    QCOMPARE(fav.items()[0].caption, std::string("A"));
    fav.cmdDownClick();
    QCOMPARE(fav.items()[1], (Favourite{"A", "/a/"}));
    QCOMPARE(fav.list()->currentRow(), 1);
    fav.list()->setCurrentRow(2);
    fav.cmdDelClick();  // deletes C and blanks slot 3 at once
    QVERIFY(core::getSet("FavC3").empty());
    fav.cmdCloseClick();
    QCOMPARE(refreshed, 1);
    const auto list = readFavourites();
    QCOMPARE(list.size(), std::size_t(2));
    QCOMPARE(list[0], (Favourite{"B", "/b/"}));
    QCOMPARE(list[1], (Favourite{"A", "/a/"}));
    QVERIFY(!fav.isVisible());
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FavouritesTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "favourites_qtest.moc"
