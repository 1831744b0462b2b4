// The launcher table: every entry's form, short name, state mode, tips flag and preset, the
// button bar's table, and launching a registered form (its preset applied) versus an unbuilt one.
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"

#include "core/widgets/fake_host.h"

#include <QApplication>
#include <QRadioButton>
#include <QTest>

#include "ui_kit/ctrl_check_box.h"

using namespace mainwin;

class ToolLauncherTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void rows_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("shortName");
    QTest::addColumn<int>("stateMode");
    QTest::addColumn<int>("tips");
    QTest::addColumn<QString>("control");
    QTest::newRow("contents case") << "menuConCase" << "frmCase" << "Case" << 1 << 1 << "optContents";
    QTest::newRow("encrypt mode 2") << "menuEncrypt" << "frmEncrypt" << "Encrypt" << 2 << 1 << "";
    QTest::newRow("rename no tips") << "menuRename" << "frmRen" << "Ren" << 1 << 0 << "optFile";
    QTest::newRow("rename case") << "menuCase" << "frmCase" << "Case" << 1 << 1 << "optFile";
    QTest::newRow("rename replace") << "menuReplace" << "frmReplace" << "Replace" << 1 << 1 << "optFile";
    QTest::newRow("rename trim") << "menuTrim" << "frmTrim" << "Trim" << 1 << 1 << "optFile";
    QTest::newRow("sequence tick") << "menuSeq" << "frmRen" << "Ren" << 1 << 0 << "chkSeq";
    QTest::newRow("quick rename tips") << "menuRename2" << "frmRen" << "Ren" << 1 << 1 << "";
    QTest::newRow("batch from operations") << "menuConBatch" << "frmCmd" << "Cmd" << 1 << 1 << "";
    QTest::newRow("batch from quick menu") << "menuCmd" << "frmCmd" << "Cmd" << 0 << 1 << "";
    QTest::newRow("wipe free space") << "menuDelete2" << "frmDelete" << "Delete" << 1 << 1 << "optDrive";
    QTest::newRow("wipe files") << "menuDelete3" << "frmDelete" << "Delete" << 1 << 1 << "optFiles";
    QTest::newRow("delete files") << "menuDelete1" << "frmDelete" << "Delete" << 1 << 1 << "optDelete";
    QTest::newRow("quick delete keeps options") << "menuDelete" << "frmDelete" << "Delete" << 1 << 1 << "";
    QTest::newRow("copy via copy-move") << "menuCopyMove" << "frmCopy" << "Copy" << 1 << 1 << "";
    QTest::newRow("duplicates via dup") << "menuDup" << "frmDuplicates" << "Duplicates" << 1 << 1 << "";
    QTest::newRow("append via quick") << "menuAppend2" << "frmAppend" << "Append" << 1 << 1 << "";
    QTest::newRow("settings") << "menuSettings" << "frmSettings" << "Settings" << 1 << 1 << "optProtect";
  }
  void rows() {
    QFETCH(QString, menu);
    QFETCH(QString, form);
    QFETCH(QString, shortName);
    QFETCH(int, stateMode);
    QFETCH(int, tips);
    QFETCH(QString, control);
    const LaunchEntry* e = resolvedEntry(menu.toStdString());
    QVERIFY2(e, qPrintable(menu));
    auto q = [](std::string_view v) { return QString::fromLatin1(v.data(), int(v.size())); };
    QCOMPARE(q(e->form), form);
    QCOMPARE(q(e->shortName), shortName);
    QCOMPARE(e->stateMode, stateMode);
    QCOMPARE(e->tips, tips);
    QCOMPARE(q(e->control), control);
  }

  void everyToolOfTheSeventeenIsReachable() {
    QStringList shortNames;
    for (const auto& e : launchTable()) {
      if (!e.shortName.empty() && e.shortName != "Settings") shortNames << QString::fromLatin1(e.shortName.data(), int(e.shortName.size()));
    }
    shortNames.removeDuplicates();
    QCOMPARE(shortNames.size(), 17);
    for (int i = 1; i <= kButtonCount; ++i) {
      QVERIFY2(resolvedEntry(buttonMenu(i)), qPrintable(QString::number(i)));
      QVERIFY(!buttonIcon(i).isNull());
    }
    QCOMPARE(QString::fromLatin1(buttonMenu(4).data()), QStringLiteral("menuCmd"));
    QCOMPARE(QString::fromLatin1(buttonMenu(17).data()), QStringLiteral("menuDuplicates"));
    QVERIFY(buttonMenu(0).empty());
    QVERIFY(buttonMenu(18).empty());
  }

  void unbuiltToolOpensNothing() {
    QVERIFY(!toolFormAvailable("frmJoin"));
    QCOMPARE(launchTool("menuJoin", nullptr), nullptr);
  }

  void launchShowsRegisteredFormAndPresetsIt() {
    core::FakeHost fake;
    core::ScopedHost scoped(fake);
    auto* opt = static_cast<QRadioButton*>(nullptr);
    registerToolForm("frmDelete", [&opt]() -> QWidget* {
      auto* w = new QWidget;
      w->setObjectName(QStringLiteral("frmDelete"));
      for (const char* n : {"optDelete", "optFiles", "optDrive"}) {
        auto* r = new QRadioButton(w);
        r->setObjectName(QString::fromLatin1(n));
        if (QByteArray(n) == "optDrive") opt = r;
      }
      return w;
    });
    QWidget* form = launchTool("menuDelete2", nullptr);
    QVERIFY(form);
    QVERIFY(form->isVisible());
    QVERIFY(opt->isChecked());
    QCOMPARE(fake.stack.size(), std::size_t(1));
    QCOMPARE(toolFormInstance("frmDelete"), form);  // one instance for every entry
    unregisterToolForm("frmDelete");
    resetToolForms();
  }

  void sequenceEntryTicksTheCheckBox() {
    core::FakeHost fake;
    core::ScopedHost scoped(fake);
    uikit::CtrlCheckBox* seq = nullptr;
    registerToolForm("frmRen", [&seq]() -> QWidget* {
      auto* w = new QWidget;
      w->setObjectName(QStringLiteral("frmRen"));
      seq = new uikit::CtrlCheckBox(w);
      seq->setObjectName(QStringLiteral("chkSeq"));
      return w;
    });
    QVERIFY(launchTool("menuSeq", nullptr));
    QCOMPARE(seq->Value(), 1);
    unregisterToolForm("frmRen");
    resetToolForms();
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  ToolLauncherTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "tool_launcher_qtest.moc"
