// Refresh requests over the link: a burst that arrives while a refresh waits (behind a listing
// or a run) gives one more listing, not one per request.
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"

#include "core/run_host.h"
#include "core/settings.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace mainwin;

class MainLinksTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> work_;
  std::unique_ptr<MainForm> form_;
  int refills_ = 0;

 private Q_SLOTS:
  void init() {
    core::clearSettings();
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    work_ = std::make_unique<QTemporaryDir>();
    // Enough files for the listing to show progress, and so to yield to events while it runs.
    for (int i = 0; i < 700; ++i) {
      QFile f(work_->path() + QStringLiteral("/f%1.txt").arg(i));
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    form_ = std::make_unique<MainForm>(work_->path().toStdString() + "/");
    form_->show();
    QCOMPARE(form_->list().model()->rowCount(), 700);
    refills_ = 0;
    connect(&form_->list(), &FileListController::listRefilled, this, [this] { ++refills_; });
  }
  void cleanup() { form_.reset(); }

  void requestsDuringAListingAreMerged() {
    // Fired from inside the first refresh's listing, when it yields to events.
    QTimer::singleShot(0, this, [this] {
      for (int i = 0; i < 50; ++i) form_->ddeCommand("4");
    });
    form_->ddeCommand("4");
    QTest::qWait(300);
    QCOMPARE(refills_, 2);  // the one under way, and one for everything asked for during it
  }

  void requestsDuringARunAreMerged() {
    core::RunHost* run = form_->runHost();
    run->showProgress(nullptr);
    QVERIFY(form_->runInProgress());
    for (int i = 0; i < 50; ++i) form_->ddeCommand("4");
    QFile f(work_->path() + QStringLiteral("/new.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QTest::qWait(50);
    QCOMPARE(refills_, 0);
    run->hideProgress(nullptr, true);
    QTest::qWait(300);
    QCOMPARE(refills_, 1);
    QCOMPARE(form_->list().model()->rowCount(), 701);
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  MainLinksTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "main_links_qtest.moc"
