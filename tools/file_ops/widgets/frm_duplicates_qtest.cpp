// The duplicate finder's window with the real main window: opened from its menu, the target
// folder shown only for copying and moving, the path box's characters, the folder dialog's answer,
// a Start that copies the duplicates of the main window's folder, and every text fitting in every
// language.
#include "tools/file_ops/widgets/frm_duplicates.h"

#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/dialog_test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tools::file_ops;
using tools::testing::child;

class FrmDuplicatesTest : public QObject {
  Q_OBJECT

  std::unique_ptr<mainwin::MainForm> main_;
  QString folder_;

  FrmDuplicates* open() {
    auto* w = dynamic_cast<FrmDuplicates*>(mainwin::launchTool("menuDuplicates", main_.get()));
    if (w) QTest::qWait(20);
    return w;
  }
  void write(const QString& name, const QByteArray& contents) {
    QFile f(folder_ + QLatin1Char('/') + name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contents);
  }

 private Q_SLOTS:
  void initTestCase() {
    mainwin::MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("doTips", "0");
    core::saveSet("frmMainShowSub", "1");  // the subfolder notice (a box) was seen before
    folder_ = QDir::tempPath() + QStringLiteral("/compared");
    QDir().mkpath(folder_ + QStringLiteral("/sub"));
    write(QStringLiteral("photo.jpg"), "same bytes");
    write(QStringLiteral("sub/photo copy.jpg"), "same bytes");
    write(QStringLiteral("sub/other.jpg"), "other byte");
    registerDuplicatesTool();
    main_ = std::make_unique<mainwin::MainForm>(folder_.toStdString() + "/");
    main_->show();
  }
  void cleanupTestCase() { main_.reset(); }
  void cleanup() {
    tools::ToolWindow::usePipeline(nullptr);
    if (QWidget* w = mainwin::toolFormInstance("frmDuplicates"); w && w->isVisible()) {
      dynamic_cast<FrmDuplicates*>(w)->closeForm();
    }
  }

  void targetFolderOnlyForCopyAndMove() {
    FrmDuplicates* w = open();
    QVERIFY(w);
    auto* mode = child<QComboBox>(w, "comDup");
    auto* frame = child<QGroupBox>(w, "framPath");
    QCOMPARE(mode->count(), 6);
    for (int i = 0; i < 6; ++i) {
      mode->setCurrentIndex(i);
      QCOMPARE(frame->isVisible(), i == 2 || i == 3);
    }
  }

  void pathBoxKeepsSlashesAndDropsWhatNoPathHolds() {
    FrmDuplicates* w = open();
    QVERIFY(w);
    auto* path = child<QLineEdit>(w, "txtPath");
    path->setText(QStringLiteral("/tmp/\"a|b*c?d/e"));
    QCOMPARE(path->text(), QStringLiteral("/tmp/abcd/e"));
  }

  void folderDialogAnswerFillsTheBoxOnlyForAFolderThatExists() {
    FrmDuplicates* w = open();
    QVERIFY(w);
    auto* path = child<QLineEdit>(w, "txtPath");
    path->setText(QStringLiteral("/before"));
    w->browseClose(folder_ + QStringLiteral("/sub"));
    QCOMPARE(path->text(), folder_ + QStringLiteral("/sub"));
    bool noticed = false;
    QTimer::singleShot(0, [&noticed] {
      if (uikit::FrmResponse* box = uikit::testing::waitForBox()) {
        noticed = true;
        box->button("cmd6")->click();
      }
    });
    w->browseClose(folder_ + QStringLiteral("/missing"));
    QVERIFY(noticed);
    QCOMPARE(path->text(), folder_ + QStringLiteral("/sub"));
  }

  void startCopiesTheDuplicatesOfTheMainFolder() {
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder_.toStdString() + "/";
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    main_->panel()->chkInclude->setValue(1);
    FrmDuplicates* w = open();
    QVERIFY(w);
    child<QComboBox>(w, "comDup")->setCurrentIndex(static_cast<int>(DupesMode::CopyByContents));
    const QString target = QDir::tempPath() + QStringLiteral("/copied");
    child<QLineEdit>(w, "txtPath")->setText(target);
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(host.results.size(), std::size_t(1));
    QCOMPARE(child<QLineEdit>(w, "txtPath")->text(), target + QLatin1Char('/'));
    QFile copy(target + QStringLiteral("/photo copy.jpg"));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("same bytes"));
    QVERIFY(!QFile::exists(target + QStringLiteral("/photo.jpg")));  // the kept file stays put
    QVERIFY(!QFile::exists(target + QStringLiteral("/other.jpg")));
    main_->panel()->chkInclude->setValue(0);
  }

  void textsFitInEveryLanguage() {
    const QStringList titles = {QStringLiteral("Manage Duplicate Files"), QStringLiteral("Gérer les fichiers en double"),
                                QStringLiteral("Doppelte Dateien verwalten"),
                                QStringLiteral("Administrar archivos duplicados"),
                                QStringLiteral("Dubbele bestanden beheren")};
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<FrmDuplicates>(
        [&] { return open(); }, [&](FrmDuplicates* w, const tools::testing::Check& check) {
          auto* mode = child<QComboBox>(w, "comDup");
          mode->setCurrentIndex(static_cast<int>(DupesMode::MoveByContents));  // every control shown
          QTest::qWait(10);
          check();
        });
    QCOMPARE(pass.titles, titles);
    QVERIFY2(pass.problems.isEmpty(), qPrintable(pass.problems.join(QLatin1Char('\n'))));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmDuplicatesTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_duplicates_qtest.moc"
