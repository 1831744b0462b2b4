#include "ui_kit/ctrl_check_box.h"

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using uikit::CtrlCheckBox;

namespace {
void toggleAsScreenReader(QWidget* w) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
  QVERIFY(a && a->actionInterface());
  QVERIFY2(a->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()),
           qPrintable(a->actionInterface()->actionNames().join(',') + QString::number(a->role())));
  a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  QCoreApplication::processEvents();
}

// A pointer move over w at pos, delivered at once: QTest::mouseMove warps the pointer of a real X
// server, whose motion events arrive later, if at all.
void moveOver(QWidget* w, QPoint pos) {
  QMouseEvent move(QEvent::MouseMove, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}
}  // namespace

class CheckBoxTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void valueAndEvents_data() {
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("initial");
    QTest::addColumn<QString>("action");  // "click", "space", "set:N"
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("notAbled");
    QTest::newRow("click ticks") << true << 0 << "click" << 1 << 1 << 0;
    QTest::newRow("click unticks") << true << 1 << "click" << 0 << 1 << 0;
    QTest::newRow("space ticks") << true << 0 << "space" << 1 << 1 << 0;
    QTest::newRow("click after 2 stores 0") << true << 2 << "click" << 0 << 1 << 0;
    QTest::newRow("disabled click") << false << 1 << "click" << 1 << 0 << 1;
    QTest::newRow("disabled space") << false << 0 << "space" << 0 << 0 << 1;
    QTest::newRow("set same value") << true << 1 << "set:1" << 1 << 0 << 0;
    QTest::newRow("set other value") << true << 0 << "set:1" << 1 << 1 << 0;
    QTest::newRow("set 2 reads 2") << true << 0 << "set:2" << 2 << 1 << 0;
    QTest::newRow("set while disabled") << false << 0 << "set:1" << 1 << 1 << 0;
    // A screen reader's only action is Toggle: it must tick the box and raise Click as a click.
    QTest::newRow("screen reader toggles") << true << 0 << "toggle" << 1 << 1 << 0;
    QTest::newRow("screen reader unticks") << true << 1 << "toggle" << 0 << 1 << 0;
    QTest::newRow("screen reader, disabled") << false << 0 << "toggle" << 0 << 0 << 1;
  }
  void valueAndEvents() {
    QFETCH(bool, enabled);
    QFETCH(int, initial);
    QFETCH(QString, action);
    CtrlCheckBox box;
    box.setCaption(QStringLiteral("Option"));
    box.resize(160, 32);
    box.setValue(initial);
    box.setEnabledFlag(enabled);
    box.show();
    QSignalSpy clicks(&box, &CtrlCheckBox::Click);
    QSignalSpy notAbled(&box, &CtrlCheckBox::NotAbled);
    if (action == QLatin1String("click")) QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, 16));
    else if (action == QLatin1String("space")) QTest::keyClick(&box, Qt::Key_Space);
    else if (action == QLatin1String("toggle")) toggleAsScreenReader(&box);
    else box.setValue(action.mid(4).toInt());
    QTEST(box.Value(), "value");
    QTEST(static_cast<int>(clicks.count()), "clicks");
    QTEST(static_cast<int>(notAbled.count()), "notAbled");
    QCOMPARE(box.isChecked(), box.Value() != 0);  // what a screen reader reads
    QVERIFY(box.isEnabled());                      // a "disabled" box stays input-enabled
  }

  void readPropertiesRaisesClickOnce() {
    CtrlCheckBox box;
    QSignalSpy clicks(&box, &CtrlCheckBox::Click);
    box.ReadProperties({{QStringLiteral("Caption"), QStringLiteral("&Hidden")}});
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(box.Value(), 0);
    QVERIFY(box.Enabled());
    QCOMPARE(box.FontSize(), 10);
    QCOMPARE(box.accessibleName(), QStringLiteral("Hidden"));
    box.ReadProperties({{QStringLiteral("Value"), 1}, {QStringLiteral("Enabled"), false}});
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(box.Value(), 1);
    QVERIFY(!box.Enabled());
    QCOMPARE(box.WriteProperties().value(QStringLiteral("Value")).toInt(), 1);
  }

  void accessibleNameFallsBackToObjectName() {
    CtrlCheckBox box;
    box.setObjectName(QStringLiteral("chkInclude"));
    QCOMPARE(box.accessibleName(), QStringLiteral("chkInclude"));
  }

  void hoverAndMouseMove() {
    CtrlCheckBox box;
    box.resize(160, 32);
    box.show();
    QSignalSpy moves(&box, &CtrlCheckBox::MouseMove);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&box, &enter);
    QVERIFY(box.isHoverLook());
    moveOver(&box, QPoint(10, 10));
    moveOver(&box, QPoint(20, 10));
    QCOMPARE(moves.count(), 2);  // every move
    // Disabled while hovered: the pointer leaving changes nothing until it is enabled again.
    box.setEnabledFlag(false);
    moveOver(&box, QPoint(30, 10));
    QCOMPARE(moves.count(), 2);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&box, &leave);
    QVERIFY(box.isHoverLook());
    box.setEnabledFlag(true);  // pointer outside
    QVERIFY(!box.isHoverLook());
  }
};

QTEST_MAIN(CheckBoxTest)
#include "ctrl_check_box_qtest.moc"
