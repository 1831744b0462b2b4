// The file dialog: the opener's answer accepts or keeps the dialog open, the recent-files list,
// the type's extension rule on the name only, a missing file in open mode; the folder dialog's
// Open on a folder that is gone.
#include "core/settings.h"
#include "core/widgets/tool_form.h"
#include "ui_kit/ctrl_tree_dir.h"
#include "ui_kit/dialog_test_support.h"
#include "ui_kit/file_dialog.h"
#include "ui_kit/folder_dialog.h"

#include <QLineEdit>
#include <QTest>

using namespace uikit;
using uikit::testing::DialogEnv;
using uikit::testing::answerNextBox;

namespace {

// A ToolForm test double: answers the file dialog from a queue and records every call.
class Opener : public QWidget, public core::ToolForm {
 public:
  std::vector<std::uint8_t> answers;
  std::vector<std::string> saved, loaded, folders;
  std::uint8_t saveHandle(const QString& f) override { return take(saved, f); }
  std::uint8_t loadHandle(const QString& f) override { return take(loaded, f); }
  void browseClose(const QString& p) override { folders.push_back(p.toStdString()); }

 private:
  std::uint8_t take(std::vector<std::string>& into, const QString& f) {
    into.push_back(f.toStdString());
    if (answers.empty()) return 0;
    const std::uint8_t a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
};

RecentFiles places(std::initializer_list<std::string> items) {
  RecentFiles r;
  std::size_t i = 0;
  for (const auto& s : items) r[i++] = s;
  return r;
}

}  // namespace

class FileDialogTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() { env_ = std::make_unique<DialogEnv>(); }
  void cleanup() {
    if (FrmBrowse* d = FrmBrowse::current()) d->unload();
    if (FrmBrowse2* d = FrmBrowse2::current()) d->cmdCancelClick();
    QApplication::processEvents();
    env_.reset();
  }

  void recentList() {
    const RecentFiles full = places({"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/9"});
    QCOMPARE(addRecent(full, "/new"), places({"/new", "/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"}));
    QCOMPARE(addRecent(full, "/5"), places({"/5", "/1", "/2", "/3", "/4", "/6", "/7", "/8", "/9"}));
    // Exact comparison: another letter case is another file.
    QCOMPARE(addRecent(places({"/a/Notes.txt"}), "/a/notes.txt"), places({"/a/notes.txt", "/a/Notes.txt"}));
    const std::string p99 = "/" + std::string(98, 'x');
    QCOMPARE(addRecent(RecentFiles{}, p99)[0], p99);
    QCOMPARE(addRecent(RecentFiles{}, p99 + "x"), RecentFiles{});  // 100 bytes: not recorded
  }

  void extensionRuleLooksAtTheNameOnly_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("allFiles");
    QTest::addColumn<QString>("expected");
    QTest::newRow("added") << "/d/report" << "*.txt" << false << "/d/report.txt";
    QTest::newRow("name has a dot") << "/d/report.old" << "*.txt" << false << "/d/report.old";
    QTest::newRow("folder has a dot") << "/home/u/.local/share/report" << "*.txt" << false
                                      << "/home/u/.local/share/report.txt";
    QTest::newRow("all files") << "/d/report" << "All" << true << "/d/report";
  }
  void extensionRuleLooksAtTheNameOnly() {
    QFETCH(QString, path);
    QFETCH(QString, type);
    QFETCH(bool, allFiles);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(withTypeExtension(path.toStdString(), type.toStdString(), allFiles)), expected);
  }

  void openerAnswerDecides() {
    const std::string folder = env_->base() + "out.d/";
    std::filesystem::create_directories(folder);
    Opener opener;
    opener.show();
    opener.answers = {1, 0};  // refuse once, then accept
    FrmBrowse* d = FrmBrowse::LoadMe(&opener, QString(), QString::fromStdString(folder + "Results.txt"),
                                     QStringLiteral("*.txt"));
    QVERIFY(d->isSaveMode());
    QCOMPARE(d->nameBox()->text(), QStringLiteral("Results.txt"));
    QVERIFY(!opener.isEnabled());
    d->nameBox()->setText(QStringLiteral("report"));
    d->accept();
    QCOMPARE(opener.saved, std::vector<std::string>{folder + "report.txt"});
    QVERIFY(d->isVisible());  // refused: the dialog stays, usable
    QVERIFY(d->isEnabled());
    QCOMPARE(core::getSet("lastFile1"), std::string());
    d->accept();
    QCOMPARE(opener.saved.size(), std::size_t(2));
    QVERIFY(!d->isVisible());
    QVERIFY(opener.isEnabled());
    QCOMPARE(core::getSet("lastFile1"), folder + "report.txt");
    QCOMPARE(core::getSet("vardlsp"), folder + "report.txt");
  }

  void recentMenuShowsExistingFiles() {
    const std::string kept = env_->makeFile("r/kept.txt", "x");
    writeRecent(places({env_->base() + "r/gone.txt", kept}));
    Opener opener;
    FrmBrowse* d = FrmBrowse::LoadMe(&opener, QStringLiteral("Load"), QString(), QString());
    QVERIFY(!d->recentItem(1)->isVisible());
    QVERIFY(d->recentItem(2)->isVisible());
    QCOMPARE(core::getSet("lastFile1"), std::string());  // the gone file's place is emptied
    QCOMPARE(core::getSet("lastFile2"), kept);           // gaps are not closed up
    d->recentItem(2)->trigger();                         // open mode: loadHandle with that path
    QCOMPARE(opener.loaded, std::vector<std::string>{kept});
    QCOMPARE(core::getSet("lastFile1"), kept);
  }

  void missingFileInOpenModeKeepsTheDialog() {
    Opener opener;
    FrmBrowse* d = FrmBrowse::LoadMe(&opener, QStringLiteral("Load"), QString(), QString());
    answerNextBox("cmd6");
    d->accept(env_->base() + "no such file");
    QVERIFY(opener.loaded.empty());
    QVERIFY(d->isVisible());
  }

  void folderDialogOpenAndGoneFolder() {
    const std::string folder = env_->base() + "pick";
    std::filesystem::create_directories(folder);
    Opener opener;
    FrmBrowse2* d = FrmBrowse2::LoadMe(&opener, QString::fromStdString(folder));
    QCOMPARE(d->tree()->Path(), QString::fromStdString(folder));
    std::filesystem::remove(folder);
    d->cmdOpenClick();  // gone: nothing called, the dialog stays
    QVERIFY(opener.folders.empty());
    QVERIFY(d->isVisible());
    d->tree()->setPath(QString::fromStdString(env_->base()));
    d->cmdOpenClick();
    QCOMPARE(opener.folders.size(), std::size_t(1));
    QVERIFY(!d->isVisible());
  }

 private:
  std::unique_ptr<DialogEnv> env_;
};

QTEST_MAIN(FileDialogTest)
#include "file_dialog_qtest.moc"
