// The file list window offscreen, on a small fixture folder: the filter panel refilling the list
// (typing, ticks, dates, sizes), sorting by header clicks and lazy columns, in-place rename and its
// refusals, double-click to pattern, the Targets commands and drops, the tools' job walk kept apart
// from the visible list, and refills waiting for a run.
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/fake_host.h"
#include "main_window/entry_format.h"
#include "main_window/folder_listing.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/selection_commands.h"
#include "platform/test_temp_dir.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/progress_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTreeView>
#include <QVBoxLayout>

#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace mainwin;

namespace {

// The main window as the list sees it: the folder tree is a string, the panel layout shows or
// hides the panel, and every outward call is recorded.
class FakeListHost : public FileListHost {
 public:
  QWidget* window = nullptr;
  FileListController* controller = nullptr;
  std::string folder;
  bool running = false;
  bool escCloses = true;
  int quickDeletes = 0, menus = 0, wendles = 0;
  std::vector<std::string> sent;
  std::vector<std::string> results;

  QWidget* hostWindow() override { return window; }
  std::string currentFolder() const override { return folder; }
  void setCurrentFolder(const std::string& f) override {
    folder = f;
    if (controller) (void)controller->updateFiles(true, {});  // the tree's change handler
  }
  int Wendle(int) override {
    ++wendles;
    return controller->updateFiles(true, {});
  }
  void layoutPanels(bool show) override {
    if (controller->panel()) controller->panel()->setVisible(show);
  }
  void sendToPropertiesEditor(const std::string& path) override { sent.push_back(path); }
  void popupTargetsMenu(const QPoint&) override { ++menus; }
  void quickDelete() override { ++quickDeletes; }
  void setEscCloses(bool closes) override { escCloses = closes; }
  bool runInProgress() const override { return running; }
  core::RunHost* runHost() override { return nullptr; }
  void addResult(const std::string& line) override { results.push_back(line); }
};

bool writeFile(const QString& path, int bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  return f.write(QByteArray(bytes, 'x')) == bytes;
}

}  // namespace

class FileListTest : public QObject {
  Q_OBJECT
  platform::testing::TempDir root_;
  std::unique_ptr<core::ScopedCoreState> state_;
  std::unique_ptr<core::FakeHost> fake_;
  std::unique_ptr<core::ScopedHost> scoped_;
  std::unique_ptr<FakeListHost> host_;
  std::unique_ptr<QWidget> window_;
  FileListController* c_ = nullptr;

  QString dir() const { return root_.path() + QStringLiteral("/files/"); }
  std::string folder() const { return dir().toStdString(); }

  QStringList names() const {
    QStringList out;
    for (const FileEntry& e : c_->model()->entries()) out << QString::fromStdString(e.name);
    return out;
  }
  int rowOf(const char* name) const {
    const auto& e = c_->model()->entries();
    for (std::size_t i = 0; i < e.size(); ++i) {
      if (e[i].name == name) return static_cast<int>(i);
    }
    return -1;
  }
  FilterPanel* panel() const { return c_->panel(); }
  QTreeView* view() const { return c_->pane()->detailsView(); }

  void fireDelayedRefill() {
    QVERIFY(c_->delayedRefillPending());
    c_->delayTimer().stop();
    c_->requestRefill();  // what the timer does when the pause is over
  }

 private Q_SLOTS:
  void init() {
    // By bytes: a name that is not UTF-8, left by a failed case, would be seen by the next.
    std::error_code gone;
    for (const auto& entry : std::filesystem::directory_iterator(QFile::encodeName(root_.path()).toStdString())) {
      std::filesystem::remove_all(entry.path(), gone);
    }
    QVERIFY(QDir().mkpath(dir() + "sub"));
    QVERIFY(QDir().mkpath(root_.path() + "/other"));
    QVERIFY(writeFile(dir() + "a.txt", 10));
    QVERIFY(writeFile(dir() + "b.doc", 2000));
    QVERIFY(writeFile(dir() + "c.txt", 0));
    QVERIFY(writeFile(dir() + ".hid.txt", 5));
    QVERIFY(writeFile(dir() + "Readme", 3));
    QVERIFY(writeFile(root_.path() + "/other/o.txt", 1));

    state_ = std::make_unique<core::ScopedCoreState>();
    state_->state().appPath = root_.path().toStdString() + "/";
    auto& msg = state_->state().msgMain;
    for (int n : {44, 59, 63, 64, 123, 124}) msg[static_cast<std::size_t>(n)] = "m" + std::to_string(n) + ":";
    fake_ = std::make_unique<core::FakeHost>();
    scoped_ = std::make_unique<core::ScopedHost>(*fake_);

    window_ = std::make_unique<QWidget>();
    window_->setObjectName(QStringLiteral("frmMain"));
    window_->resize(900, 500);
    host_ = std::make_unique<FakeListHost>();
    host_->window = window_.get();
    host_->folder = folder();
    c_ = new FileListController(*host_, window_.get());
    host_->controller = c_;
    auto* layout = new QVBoxLayout(window_.get());
    layout->addWidget(c_->createPane(window_.get()), 1);
    layout->addWidget(c_->createPanel(window_.get()));
    c_->columnTimer().stop();  // tests drive the lazy columns themselves
    window_->show();
    window_->activateWindow();  // the editor and key cases need the keyboard, as on a desktop
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    c_->setHasLoaded(1);
    c_->setPanelShown(true);
    QCOMPARE(c_->updateFiles(true), 1);
  }

  void cleanup() {
    window_.reset();
    host_.reset();
    scoped_.reset();
    fake_.reset();
    state_.reset();
  }

  // ------------------------------------------------------------------ the filter panel

  // A large folder lists without the deferred columns: the model computes a row's detail when a
  // view asks for its text, and leaves the other rows alone.
  void lazyDetailsFillTheRowsShown() {
    Listing l = listFolder(folder(), ResolvedFilter{}, kDetailSize, SortState{}, nullptr,
                           DeferredDetails{.bits = kDetailSize, .fromEntries = 1});
    QCOMPARE(l.computed, std::uint8_t{0});
    FileListModel m;
    m.setEntries(std::move(l.entries), l.folder, kDetailSize);
    int row = -1;
    for (std::size_t i = 0; i < m.entries().size(); ++i)
      if (m.entries()[i].name == "b.doc") row = static_cast<int>(i);
    QVERIFY(row >= 0);
    FileEntry expected = m.entries()[static_cast<std::size_t>(row)];
    expected.size = 2000;
    expected.known = kDetailSize;
    QCOMPARE(m.data(m.index(row, 1), Qt::DisplayRole).toString(), vb::qs(columnText(expected, kColSize)));
    QCOMPARE(m.entries()[static_cast<std::size_t>(row)].known, std::uint8_t{kDetailSize});
    for (std::size_t i = 0; i < m.entries().size(); ++i)
      if (static_cast<int>(i) != row) QCOMPARE(m.entries()[i].known, std::uint8_t{0});
  }

  void typingRefillsAfterAPauseOnly() {
    QCOMPARE(names(), QStringList({".hid.txt", "a.txt", "b.doc", "c.txt", "Readme"}));
    panel()->chkExtension->setValue(1);
    panel()->txtExtension->selectAll();  // as getting the focus does
    QTest::keyClicks(panel()->txtExtension, QStringLiteral("*.TXT"));
    QCOMPARE(panel()->txtExtension->text(), QStringLiteral("*.TXT"));
    QCOMPARE(names().size(), 5);  // not per key
    QCOMPARE(c_->myPattern(), std::string("*.TXT"));  // in effect for the tools at once
    fireDelayedRefill();
    QCOMPARE(names(), QStringList({".hid.txt", "a.txt", "c.txt"}));  // letter case folds

    panel()->chkCase->setValue(1);  // a ticked box refills at once
    QCOMPARE(names(), QStringList());
    panel()->chkCase->setValue(0);
    panel()->chkHidden->setValue(1);
    QCOMPARE(names(), QStringList({"a.txt", "c.txt"}));

    // Characters the box does not take vanish as typed; the caret stays after what was typed.
    panel()->txtExtension->setText(QStringLiteral("a.txt"));
    panel()->txtExtension->setCursorPosition(1);
    QTest::keyClicks(panel()->txtExtension, QStringLiteral(":"));
    QCOMPARE(panel()->txtExtension->text(), QStringLiteral("a.txt"));
    QCOMPARE(panel()->txtExtension->cursorPosition(), 1);

    // Unticking the extension box lists everything again, at once.
    panel()->chkExtension->setValue(0);
    QCOMPARE(c_->myPattern(), std::string("*"));
    QCOMPARE(names(), QStringList({"a.txt", "b.doc", "c.txt", "Readme"}));

    // Hiding the panel stops a pending refill and turns every filter off.
    panel()->txtSize->setText(QStringLiteral("5"));
    panel()->chkExtension->setValue(1);
    QTest::keyClicks(panel()->txtExtension, QStringLiteral("x"));
    QVERIFY(c_->delayedRefillPending());
    panel()->disableFilters();
    QVERIFY(!c_->delayedRefillPending());
    QCOMPARE(names().size(), 5);
  }

  void sizeAndDateFilters() {
    panel()->chkSiz->setValue(1);  // "Greater Than" 0 bytes
    QCOMPARE(names(), QStringList({".hid.txt", "a.txt", "b.doc", "Readme"}));
    panel()->comSizeType->setCurrentIndex(kUnitKB);
    panel()->txtSize->setText(QStringLiteral("1.5"));  // 1536 bytes
    fireDelayedRefill();
    QCOMPARE(names(), QStringList({"b.doc"}));
    panel()->comSizeIs->setCurrentIndex(kSizeLess);  // same number, other comparison: refills
    QCOMPARE(names(), QStringList({".hid.txt", "a.txt", "c.txt", "Readme"}));
    panel()->chkSiz->setValue(0);

    // Today's range keeps the files just written; the date boxes refill after a pause.
    panel()->chkDat->setValue(1);
    QCOMPARE(names().size(), 5);
    QVERIFY(!panel()->dateMarked());
    panel()->txtDateFrom->setText(QStringLiteral("01/01/2000"));
    panel()->txtDateTo->setText(QStringLiteral("01/31/2000"));
    fireDelayedRefill();
    QCOMPARE(names(), QStringList());
    // Boxes in the wrong order are swapped.
    panel()->txtDateFrom->setText(QDate::currentDate().addDays(1).toString("MM/dd/yyyy"));
    fireDelayedRefill();
    QCOMPARE(names().size(), 5);
    // A box that is not a real date keeps no file and is marked; a tool's walk keeps none either.
    panel()->txtDateTo->setText(QStringLiteral("02/31/2020"));
    QVERIFY(panel()->dateMarked());
    fireDelayedRefill();
    QCOMPARE(names(), QStringList());
    std::string f = folder();
    QCOMPARE(c_->updateFiles(false, f), 1);
    QCOMPARE(c_->listCount(), 0L);
    panel()->chkDat->setValue(0);
    QVERIFY(!panel()->dateMarked());
    QCOMPARE(names().size(), 5);
  }

  void patternHistory() {
    panel()->chkExtension->setValue(1);
    for (int i = 1; i <= 11; ++i) {
      panel()->txtExtension->setText(QStringLiteral("*.e%1").arg(i));
      panel()->addExt();
    }
    QStringList h = panel()->history();
    QCOMPARE(h.size(), 10);
    QCOMPARE(h.front(), QStringLiteral("*.e11"));
    QVERIFY(!h.contains(QStringLiteral("*.e1")));
    panel()->txtExtension->setText(QStringLiteral("*.e5"));
    panel()->addExt();
    QCOMPARE(panel()->history().front(), QStringLiteral("*.e5"));
    QCOMPARE(panel()->history().size(), 10);
  }

  void tooLongPatternIsRefusedAndNothingChanges() {
    panel()->chkExtension->setValue(1);
    panel()->txtExtension->setText(QStringLiteral("*.txt"));
    const QString huge = QString(9000, QLatin1Char('a'));
    panel()->txtExtension->setText(huge);
    QCOMPARE(fake_->responds.size(), std::size_t{1});
    QCOMPARE(fake_->responds.back().text, std::string("m59:"));
    QCOMPARE(panel()->txtExtension->text(), QStringLiteral("*.txt"));
    QCOMPARE(c_->myPattern(), std::string("*.txt"));
    // A long pattern that is accepted is in effect as it stands, never widened to "*".
    QString longer;
    for (int i = 0; longer.size() < 300; ++i) longer += QStringLiteral("n%1.txt;").arg(i);
    longer += QStringLiteral("a.txt");
    panel()->txtExtension->setText(longer);
    fireDelayedRefill();
    QCOMPARE(names(), QStringList({"a.txt"}));
  }

  // ------------------------------------------------------------------ sorting and columns

  void headerClicksSortAndFillTheColumnFirst() {
    QHeaderView* h = view()->header();
    auto clickHeader = [&](int column) {
      const int x = h->sectionViewportPosition(column - 1) + h->sectionSize(column - 1) / 2;
      QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(x, h->height() / 2));
    };
    // Name is the sort column: a click flips it, another flips it back.
    clickHeader(1);
    QCOMPARE(names(), QStringList({"Readme", "c.txt", "b.doc", "a.txt", ".hid.txt"}));
    QCOMPARE(h->sortIndicatorOrder(), Qt::DescendingOrder);
    clickHeader(1);
    QCOMPARE(names().front(), QStringLiteral(".hid.txt"));

    // The size column was hidden during the fill: widening it and sorting on it fills it first.
    c_->pane()->setColumnTwips(kColSize, 1500);
    QVERIFY(!(c_->columnsFilled() & kDetailSize));
    clickHeader(kColSize);
    QVERIFY(c_->columnsFilled() & kDetailSize);
    QCOMPARE(names(), QStringList({"c.txt", "Readme", ".hid.txt", "a.txt", "b.doc"}));
    QCOMPARE(h->sortIndicatorSection(), 1);
    QCOMPARE(c_->model()->index(rowOf("b.doc"), 1).data().toString(), QStringLiteral("2,000"));
    clickHeader(kColSize);
    QCOMPARE(names().front(), QStringLiteral("b.doc"));

    // A tool's walk of the folder follows the same order.
    std::string f = folder();
    QCOMPARE(c_->updateFiles(false, f), 1);
    QCOMPARE(c_->jobEntries().front().name, std::string("b.doc"));

    // Narrowing the sort column makes the next fill fall back to Name ascending.
    c_->pane()->setColumnTwips(kColSize, 300);
    QCOMPARE(c_->updateFiles(true), 1);
    QCOMPARE(c_->sort(), (SortState{kColName, false}));
    QCOMPARE(h->sortIndicatorSection(), 0);
  }

  void lazyColumnTimerAndCancelledFill() {
    // Enough entries for the fill to show its progress window, which the user cancels.
    for (int i = 0; i < 70; ++i) QVERIFY(writeFile(dir() + QStringLiteral("n%1").arg(i), i));
    QCOMPARE(c_->updateFiles(true), 1);
    c_->pane()->setColumnTwips(kColAttrs, 1200);
    QTimer::singleShot(0, [] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* p = qobject_cast<uikit::FrmProgress*>(w)) p->isCancel = 1;
      }
    });
    c_->columnTimerTick();
    QVERIFY(!(c_->columnsFilled() & kDetailAttrs));
    // The timer leaves the cancelled column alone ...
    c_->columnTimerTick();
    QVERIFY(!(c_->columnsFilled() & kDetailAttrs));
    // ... until it is widened again.
    c_->pane()->setColumnTwips(kColAttrs, 1800);
    c_->columnTimerTick();
    QVERIFY(c_->columnsFilled() & kDetailAttrs);
    QCOMPARE(c_->model()->index(rowOf(".hid.txt"), 4).data().toString().contains('H'), true);
  }

  // A large list fills a widened column between the window's events, with no progress window;
  // a sort meanwhile leaves no entry behind (the one here moves from the end, not yet reached,
  // to a row the slices have passed and no view shows).
  void largeListFillsItsColumnBetweenEvents() {
    QVERIFY(writeFile(dir() + "gone200x", 7));
    std::vector<FileEntry> entries(kLazyDetailsFrom);
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) entries[i].name = "gone" + std::to_string(i);
    entries.back().name = "gone200x";
    c_->model()->setEntries(std::move(entries), folder(), kDetailSize);
    c_->pane()->setColumnTwips(kColSize, 1200);
    c_->columnTimerTick();
    QVERIFY(!(c_->columnsFilled() & kDetailSize));
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!qobject_cast<uikit::FrmProgress*>(w));
    QVERIFY(!c_->busy());
    QTest::qWait(1);  // a first slice
    c_->model()->sortBy({kColName, false});
    QTRY_VERIFY(c_->columnsFilled() & kDetailSize);
    const FileEntry& real = c_->model()->entries()[static_cast<std::size_t>(rowOf("gone200x"))];
    QCOMPARE(real.known & kDetailSize, int{kDetailSize});
    QCOMPARE(real.size, std::uint64_t{7});
  }

  // A long listing keeps the window answering: the progress window shows while the names are
  // still read, Cancel stops the listing and leaves the list empty, and what the user typed into
  // a filter box meanwhile reaches the box afterwards.
  void cancelDuringALongListingKeepsWhatWasTyped() {
    const QString many = root_.path() + QStringLiteral("/many/");
    QVERIFY(QDir().mkpath(many));
    for (std::size_t i = 0; i < kReadPollNames + 1000; ++i) {
      QVERIFY(writeFile(many + QStringLiteral("f%1").arg(i), 0));
    }
    fake_->panel = panel();  // disabled while the progress shows, as the main window's panel
    panel()->chkExtension->setValue(1);
    window_->activateWindow();
    panel()->txtExtension->setFocus();
    QTRY_VERIFY(panel()->txtExtension->hasFocus());
    QString shownText;
    QTimer typist;
    typist.setInterval(0);
    connect(&typist, &QTimer::timeout, this, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* p = qobject_cast<uikit::FrmProgress*>(w);
        if (!p || !p->isVisible()) continue;
        typist.stop();
        shownText = p->findChild<QLabel*>(QStringLiteral("lblFile"))->text();
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window_.get();
        QTest::keyClicks(target, QStringLiteral("ab"));
        p->isCancel = 1;
      }
    });
    typist.start();
    host_->folder = many.toStdString();
    QCOMPARE(c_->updateFiles(true), 2);
    QVERIFY(!typist.isActive());
    QCOMPARE(shownText, QStringLiteral("%1").arg(kReadPollNames));  // the names read so far
    QCOMPARE(names(), QStringList());
    QCOMPARE(c_->listCount(), 0L);
    QCOMPARE(panel()->txtExtension->text(), QStringLiteral("ab"));
    // The next refill lists the folder whole.
    panel()->chkExtension->setValue(0);
    QCOMPARE(c_->listCount(), static_cast<long>(kReadPollNames + 1000));
  }

  // ------------------------------------------------------------------ interaction

  void inPlaceRename_data() {
    QTest::addColumn<QString>("newName");
    QTest::addColumn<bool>("renamed");
    QTest::newRow("plain") << "z.txt" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dotdot") << ".." << false;
    QTest::newRow("slash") << "sub/a.txt" << false;
    QTest::newRow("existing") << "b.doc" << false;
  }
  void inPlaceRename() {
    QFETCH(QString, newName);
    QFETCH(bool, renamed);
    const int row = rowOf("a.txt");
    const bool ok = c_->model()->setData(c_->model()->index(row, 0), newName, Qt::EditRole);
    QCOMPARE(ok, renamed);
    QCOMPARE(QFile::exists(dir() + "a.txt"), !renamed);
    QCOMPARE(QFileInfo(dir() + "b.doc").size(), qint64{2000});  // never replaced
    if (renamed) {
      QCOMPARE(c_->model()->index(row, 0).data().toString(), newName);
      QCOMPARE(host_->sent.back(), folder() + newName.toStdString());
    } else {
      QCOMPARE(c_->model()->index(row, 0).data().toString(), QStringLiteral("a.txt"));
    }
  }

  // A name that is not UTF-8 shows with U+FFFD; Enter on the untouched editor renames nothing, and
  // an edit keeps the unknown byte (its twin spelled with the real U+FFFD is never touched).
  void inPlaceRenameKeepsBytesItCannotShow() {
    const QByteArray bad = QFile::encodeName(dir()) + "bad\xFF.txt";
    const QByteArray twin = QFile::encodeName(dir()) + "bad\xEF\xBF\xBD.txt";
    QVERIFY(::close(::open(bad.constData(), O_CREAT | O_WRONLY, 0644)) == 0);
    QCOMPARE(c_->updateFiles(true), 1);
    const int row = rowOf("bad\xFF.txt");
    QVERIFY(row >= 0);
    view()->setFocus();
    c_->pane()->selectRows({row});
    QVERIFY(c_->pane()->startRename());
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(qobject_cast<QLineEdit*>(editor));
    QTest::keyClick(editor, Qt::Key_Return);  // committed unchanged
    QTRY_VERIFY(!c_->pane()->renameOpen());
    struct stat st {};
    QVERIFY(::lstat(bad.constData(), &st) == 0);
    QVERIFY(::lstat(twin.constData(), &st) != 0);

    QVERIFY(::close(::open(twin.constData(), O_CREAT | O_WRONLY, 0644)) == 0);
    QVERIFY(::truncate(twin.constData(), 7) == 0);

    const QString shown = c_->model()->index(row, 0).data(Qt::EditRole).toString();
    QVERIFY(c_->model()->setData(c_->model()->index(row, 0), shown.chopped(3) + QStringLiteral("log"), Qt::EditRole));
    QVERIFY(::lstat((QFile::encodeName(dir()) + "bad\xFF.log").constData(), &st) == 0);
    QVERIFY(::lstat(bad.constData(), &st) != 0);
    QVERIFY(::lstat(twin.constData(), &st) == 0 && st.st_size == 7);
    QCOMPARE(host_->sent.back(), folder() + "bad\xFF.log");
    // Qt's own folder removal (the fixture's) cannot spell these names: they go here, by bytes.
    QVERIFY(::unlink((QFile::encodeName(dir()) + "bad\xFF.log").constData()) == 0);
    QVERIFY(::unlink(twin.constData()) == 0);
  }

  // Names are readable in every view: each entry's cell holds its whole name.
  void everyViewShowsNamesWhole_data() {
    QTest::addColumn<int>("view");
    QTest::newRow("list") << int(FileListPane::kList);
    QTest::newRow("large icons") << int(FileListPane::kLargeIcons);
  }
  void everyViewShowsNamesWhole() {
    QFETCH(int, view);
    for (const char* name : {"Quarterly report for the board, final.odt", "a", "Ünïcödé-námé-wïth-áccents.txt",
                             "x_without_any_blank_but_long_enough.tar.gz"}) {
      QVERIFY(writeFile(dir() + QString::fromUtf8(name), 1));
    }
    QCOMPARE(c_->updateFiles(true), 1);
    c_->setView(view);
    QListView* v = c_->pane()->iconView();
    QTRY_VERIFY(v->isVisible());
    QCoreApplication::processEvents();
    const QFontMetrics fm(v->font());
    for (int r = 0; r < c_->model()->rowCount(); ++r) {
      const QModelIndex i = c_->model()->index(r, 0);
      const QString name = i.data().toString();
      const QRect cell = v->visualRect(i);
      if (view == FileListPane::kList) {
        QVERIFY2(cell.width() >= v->iconSize().width() + fm.horizontalAdvance(name), qPrintable(name));
      } else {
        const int textWidth = cell.width() - 8;
        const QRect text = fm.boundingRect(QRect(0, 0, textWidth, 10000), Qt::TextWrapAnywhere | Qt::AlignHCenter, name);
        QVERIFY2(cell.height() >= v->iconSize().height() + text.height(), qPrintable(name));
      }
    }
    c_->setView(FileListPane::kDetails);
  }

  void keysActOnTheListNotItsEditor() {
    view()->setFocus();
    c_->pane()->selectRows({rowOf("a.txt")});
    QTest::keyClick(view(), Qt::Key_Delete);
    QCOMPARE(host_->quickDeletes, 1);
    QTest::keyClick(view(), Qt::Key_F2);
    QVERIFY(!host_->escCloses);
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(qobject_cast<QLineEdit*>(editor));
    QTest::keyClick(editor, Qt::Key_Delete);  // edits the name, deletes no file
    QCOMPARE(host_->quickDeletes, 1);
    QTest::keyPress(editor, Qt::Key_Escape);
    QVERIFY(!host_->escCloses);  // the Esc that closed the editor must not close the window
    QTest::keyRelease(view(), Qt::Key_Escape);
    QVERIFY(host_->escCloses);
    QVERIFY(QFile::exists(dir() + "a.txt"));

    // Enter sends the selected path to the properties editor, like a click.
    view()->setFocus();
    QTest::keyClick(view(), Qt::Key_Return);
    QCOMPARE(host_->sent.back(), folder() + "a.txt");
  }

  void doubleClickNarrowsToTheNameThenItsExtension() {
    auto dclick = [&](const char* name) {
      const QRect r = view()->visualRect(c_->model()->index(rowOf(name), 0));
      QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, r.center());
    };
    dclick("a.txt");
    QCOMPARE(panel()->txtExtension->text(), QStringLiteral("a.txt"));
    QCOMPARE(panel()->chkExtension->Value(), 1);
    QCOMPARE(names(), QStringList({"a.txt"}));
    dclick("a.txt");
    QCOMPARE(panel()->txtExtension->text(), QStringLiteral("*.txt"));
    QCOMPARE(names(), QStringList({".hid.txt", "a.txt", "c.txt"}));

    // With the panel hidden, a double-click shows it with only the pattern in effect.
    panel()->chkHidden->setValue(1);
    panel()->disableFilters();
    QVERIFY(!panel()->isVisible());
    dclick("b.doc");
    QVERIFY(panel()->isVisible());
    QCOMPARE(panel()->chkHidden->Value(), 0);
    QCOMPARE(panel()->txtExtension->text(), QStringLiteral("*.doc"));
    QCOMPARE(names(), QStringList({"b.doc"}));
  }

  void doubleClickRefusesANameWithACaseTwin() {
    QVERIFY(writeFile(dir() + "README", 1));
    QCOMPARE(c_->updateFiles(true), 1);
    QVERIFY(!doubleClickName(*c_, "Readme"));
    QCOMPARE(fake_->responds.back().text, std::string("m123:Readme"));
    QCOMPARE(panel()->chkExtension->Value(), 0);
    panel()->chkCase->setValue(1);  // case-sensitive matching: the name is exact now
    QVERIFY(doubleClickName(*c_, "Readme"));
    QCOMPARE(names(), QStringList({"Readme"}));
  }

  // ------------------------------------------------------------------ selection to pattern

  void targetSelectedKeepsExactlyTheSelection() {
    c_->pane()->selectRows({rowOf("a.txt"), rowOf("b.doc")});
    QVERIFY(targetSelected(*c_));
    QCOMPARE(names(), QStringList({"a.txt", "b.doc"}));
    QVERIFY(c_->pane()->selectedRows().empty());
    QCOMPARE(panel()->txtExtension->text(), QStringLiteral("a.txt;b.doc;"));
    QCOMPARE(c_->myPattern(), std::string("a.txt;b.doc"));
    QVERIFY(!c_->delayedRefillPending());
    QCOMPARE(c_->updateFiles(true), 1);
    QCOMPARE(names(), QStringList({"a.txt", "b.doc"}));

    c_->pane()->clearSelection();
    QVERIFY(!targetSelected(*c_));
    QCOMPARE(fake_->responds.back().text, std::string("m44:"));
    QVERIFY(!targetNotSelected(*c_));
    QCOMPARE(fake_->responds.back().text, std::string("m63:"));
  }

  void excludeKeepsThePreviousPatternBehind() {
    panel()->chkExtension->setValue(1);
    panel()->txtExtension->setText(QStringLiteral("*.txt"));
    fireDelayedRefill();
    c_->pane()->selectRows({rowOf("a.txt")});
    QVERIFY(targetNotSelected(*c_));
    QCOMPARE(panel()->txtExtension->text(), QStringLiteral("<-a.txt;*.txt"));
    QCOMPARE(names(), QStringList({".hid.txt", "c.txt"}));
    QCOMPARE(c_->updateFiles(true), 1);
    QCOMPARE(names(), QStringList({".hid.txt", "c.txt"}));
  }

  void extensionsAndAllFiles() {
    c_->pane()->selectRows({rowOf("a.txt"), rowOf("c.txt"), rowOf("Readme")});
    QVERIFY(targetExtensions(*c_));
    QCOMPARE(panel()->txtExtension->text(), QStringLiteral("*.txt;"));
    QCOMPARE(names(), QStringList({".hid.txt", "a.txt", "c.txt"}));
    targetAll(*c_);
    QVERIFY(!c_->panelShown());
    QCOMPARE(names().size(), 5);
    QCOMPARE(panel()->txtExtension->text(), QStringLiteral("*.txt;"));  // kept for later
    panel()->enableFilters();
    QCOMPARE(names().size(), 3);
  }

  void dropsSelectFilesOfOneFolderOnly() {
    const QString other = root_.path() + "/other/o.txt";
    QVERIFY(!dropPaths(*c_, {dir() + "a.txt", other}));
    QCOMPARE(fake_->responds.back().text, std::string("m124:"));
    QCOMPARE(names().size(), 5);
    QVERIFY(dropPaths(*c_, {dir() + "a.txt", dir() + "c.txt"}));
    QCOMPARE(names(), QStringList({"a.txt", "c.txt"}));
    // One folder: that folder with every filter off.
    QVERIFY(dropPaths(*c_, {root_.path() + "/other"}));
    QCOMPARE(host_->folder, root_.path().toStdString() + "/other/");
    QVERIFY(!c_->panelShown());
    QCOMPARE(names(), QStringList({"o.txt"}));
  }

  // ------------------------------------------------------------------ job walk and runs

  void jobWalkKeepsItsOwnEntries() {
    const QStringList visible = names();
    std::string other = root_.path().toStdString() + "/other";
    QCOMPARE(c_->updateFiles(false, other), 1);
    QCOMPARE(c_->jobEntries().size(), std::size_t{1});
    QCOMPARE(c_->jobEntries().front().name, std::string("o.txt"));
    QCOMPARE(c_->listCount(), 1L);
    QCOMPARE(names(), visible);
    QCOMPARE(c_->firstVisibleNames(2), (std::vector<std::string>{".hid.txt", "a.txt"}));
    // A missing folder: 0, nothing listed.
    QCOMPARE(c_->updateFiles(false, root_.path().toStdString() + "/gone"), 0);
    QCOMPARE(c_->listCount(), 0L);
    QVERIFY(c_->jobEntries().empty());
    QCOMPARE(names(), visible);
  }

  void refillsWaitForTheRunToEnd() {
    host_->running = true;
    QVERIFY(writeFile(dir() + "new.txt", 1));
    c_->requestRefill();
    c_->headerClick(kColName);
    QCOMPARE(names().size(), 5);
    QCOMPARE(c_->sort(), (SortState{kColName, false}));
    host_->running = false;
    c_->runEnded();
    QTRY_COMPARE(names().size(), 6);
    QCOMPARE(c_->sort(), (SortState{kColName, true}));
    // hasLoaded 0: updateFiles does nothing and answers 1.
    c_->setHasLoaded(0);
    QVERIFY(QFile::remove(dir() + "new.txt"));
    QCOMPARE(c_->updateFiles(true), 1);
    QCOMPARE(names().size(), 6);
  }
};

int main(int argc, char** argv) {
  (void)mainwin::test::isolateHome();
  QApplication app(argc, argv);
  FileListTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "file_list_qtest.moc"
