// The settings dialog: the five values written at close (first run untouched, protection off
// with and without the launch tick), the desktop entry of Properties written and removed.
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/settings_dialog.h"

#include "core/settings.h"
#include "core/shell.h"
#include "core/widgets/fake_host.h"
#include "platform/desktop_entry.h"
#include "ui_kit/ctrl_check_box.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTest>

using namespace mainwin;

class SettingsDialogTest : public QObject {
  Q_OBJECT

  static QString entryPath() {
    return QString::fromStdString(platform::userDesktopEntryPath(core::propertiesEntryFileName()));
  }
  // An executable file standing for the Properties program.
  static std::string makeProgram(const QString& folder) {
    QDir().mkpath(folder);
    QFile f(folder + QStringLiteral("/Properties"));
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write("#!/bin/sh\n");
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QFile::encodeName(f.fileName()).toStdString();
  }

 private Q_SLOTS:
  void init() { core::clearSettings(); }

  void untouchedFirstCloseWritesDefaultsAndEntry() {
    core::FakeHost fake;
    core::ScopedHost scoped(fake);
    FrmSettings dlg;
    const std::string program = makeProgram(QDir::homePath() + QStringLiteral("/my progs"));
    dlg.setPropertiesProgram(program);
    dlg.show();
    QVERIFY(!dlg.chkSPLaunch()->isVisible());
    dlg.saveAndClose();
    QCOMPARE(core::getSet("sendContent"), std::string("0"));
    QCOMPARE(core::getSet("sendDeleted"), std::string("0"));
    QCOMPARE(core::getSet("smartProtect"), std::string("1"));
    QCOMPARE(core::getSet("isShell"), std::string("1"));
    QCOMPARE(core::getSet("isProp"), std::string("0"));
    QFile f(entryPath());
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(entryPath()));
    QVERIFY(f.readAll().contains(QByteArray::fromStdString("\"" + program + "\"")));  // the path is quoted
    QVERIFY(!dlg.isVisible());
  }

  void protectionOffFollowsLaunchTick_data() {
    QTest::addColumn<int>("tick");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ticked") << 1 << "2";
    QTest::newRow("unticked") << 0 << "0";
  }
  void protectionOffFollowsLaunchTick() {
    QFETCH(int, tick);
    QFETCH(QString, expected);
    core::FakeHost fake;
    core::ScopedHost scoped(fake);
    FrmSettings dlg;
    dlg.show();
    dlg.optNoProtect()->setChecked(true);
    QVERIFY(dlg.chkSPLaunch()->isVisible());
    dlg.chkSPLaunch()->setValue(tick);
    dlg.saveAndClose();
    QCOMPARE(QString::fromStdString(core::getSet("smartProtect")), expected);
  }

  void untickingPropRemovesEntry() {
    core::FakeHost fake;
    core::ScopedHost scoped(fake);
    FrmSettings dlg;
    dlg.setPropertiesProgram(makeProgram(QDir::homePath() + QStringLiteral("/bin2")));
    dlg.saveAndClose();
    QVERIFY(QFile::exists(entryPath()));
    dlg.findChild<uikit::CtrlCheckBox*>(QStringLiteral("chkProp"))->setValue(0);
    dlg.findChild<QRadioButton*>(QStringLiteral("optDeleteN"))->setChecked(true);
    dlg.saveAndClose();
    QVERIFY(!QFile::exists(entryPath()));
    QCOMPARE(core::getSet("isShell"), std::string("0"));
    QCOMPARE(core::getSet("sendDeleted"), std::string("1"));
  }

  // An entry naming a program that is not there would be a broken "Open With" choice in every
  // file manager: none is written, and one left from before is removed.
  void noEntryForAMissingProgram() {
    core::FakeHost fake;
    core::ScopedHost scoped(fake);
    FrmSettings dlg;
    dlg.setPropertiesProgram(makeProgram(QDir::homePath() + QStringLiteral("/bin3")));
    dlg.saveAndClose();
    QVERIFY(QFile::exists(entryPath()));
    dlg.setPropertiesProgram((QDir::homePath() + QStringLiteral("/nowhere/Properties")).toStdString());
    dlg.saveAndClose();
    QVERIFY(!QFile::exists(entryPath()));
    QCOMPARE(core::getSet("isShell"), std::string("1"));  // the wish stays; the entry follows the program
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  SettingsDialogTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "settings_dialog_qtest.moc"
