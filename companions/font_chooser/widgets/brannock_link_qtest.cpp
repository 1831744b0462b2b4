// The font chooser, as a program of its own, and a running main window: the main window's font
// command starts it with "Quarrow", and the font chosen there is in use in the main window at
// once, over the link, without the "next start" notice; the caller's name is read in any letter
// case.
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"

#include "core/settings.h"
#include "core/state.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFontDatabase>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace mainwin;

class BrannockLinkTest : public QObject {
  Q_OBJECT

  QString root_;

 private Q_SLOTS:
  void fontChosenReachesTheRunningMainWindow_data() {
    QTest::addColumn<QString>("caller");  // "": the command line the main window gave
    QTest::newRow("as started") << QString();
    QTest::newRow("in lower case") << QStringLiteral("quarrow");
  }
  void fontChosenReachesTheRunningMainWindow() {
    QFETCH(QString, caller);
    const QStringList families = QFontDatabase::families();
    QVERIFY(families.size() >= 2);
    const QString before = families.at(0), chosen = families.at(1);
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    core::saveSet("myFont", before.toStdString());
    core::coreState().fontName = before.toStdString();

    std::vector<std::pair<std::string, std::string>> started;
    MainForm::setDefaultProgramStarter([&](const std::string& program, const std::string& arg) {
      started.emplace_back(program, arg);
    });
    const std::string folder = root_.toStdString() + "/work/";
    QDir().mkpath(QString::fromStdString(folder));
    auto form = std::make_unique<MainForm>(folder);
    form->show();
    QTRY_VERIFY(form->linkServing());
    auto* box = form->findChild<QWidget*>(QStringLiteral("txtExtension"));
    QVERIFY(box);
    form->menuFont();
    QCOMPARE(started, (std::vector<std::pair<std::string, std::string>>{{"Brannock", "Quarrow"}}));

    QProcess chooser;
    chooser.setProcessChannelMode(QProcess::SeparateChannels);
    chooser.start(QString::fromStdString(test::testBinDir() + "brannock_test_remote"),
                  {QStringLiteral("--choose"), chosen, QStringLiteral("--done"), QStringLiteral("--"),
                   caller.isEmpty() ? QString::fromStdString(started.front().second) : caller});
    QVERIFY(chooser.waitForStarted(5000));
    QEventLoop loop;  // the main window answers the link meanwhile
    connect(&chooser, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (chooser.state() != QProcess::NotRunning) loop.exec();
    QCOMPARE(chooser.state(), QProcess::NotRunning);
    QCOMPARE(chooser.exitCode(), 0);
    QCOMPARE(chooser.readAllStandardOutput(), QByteArray());  // no "next start" notice

    QTRY_COMPARE(QString::fromStdString(core::coreState().fontName), chosen);
    QCOMPARE(QString::fromStdString(core::getSet("myFont")), chosen);
    QTRY_COMPARE(box->font().family(), chosen);
  }

 public:
  explicit BrannockLinkTest(QString root) : root_(std::move(root)) {}
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  BrannockLinkTest t(root);
  return QTest::qExec(&t, argc, argv);
}
#include "brannock_link_qtest.moc"
