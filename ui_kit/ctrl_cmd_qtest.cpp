#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/image_list.h"

#include <QAccessible>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using uikit::CtrlCmd;

namespace {
void enter(QWidget* w) {
  QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(w, &e);
}
void leave(QWidget* w) {
  QEvent e(QEvent::Leave);
  QApplication::sendEvent(w, &e);
}
}  // namespace

class CmdTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void hoverRaisesMouseMoveOncePerEntry() {
    CtrlCmd b;
    b.ReadProperties({{QStringLiteral("Caption"), QStringLiteral("OK")}, {QStringLiteral("BackColor"), QStringLiteral("12632256")}});
    b.resize(90, 25);
    b.show();
    QSignalSpy moves(&b, &CtrlCmd::MouseMove);
    QCOMPARE(b.BackColor(), 12632256u);
    enter(&b);
    QTest::mouseMove(&b, QPoint(10, 10));
    QTest::mouseMove(&b, QPoint(20, 12));
    QCOMPARE(moves.count(), 1);
    QCOMPARE(b.BackColor(), 0x80FFFFu);  // the hover colour while hovered
    leave(&b);
    QCOMPARE(b.BackColor(), 12632256u);
    enter(&b);
    QCOMPARE(moves.count(), 2);
    b.setBackColor(0x00FF00);  // painted at once, kept for the normal look
    leave(&b);
    QCOMPARE(b.BackColor(), 0x00FF00u);
  }

  void disabledNeverClicks() {
    CtrlCmd b;
    b.setCaption(QStringLiteral("Go"));
    b.resize(90, 25);
    b.show();
    QSignalSpy clicks(&b, &CtrlCmd::Click);
    QTest::mouseClick(&b, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    const QColor light = b.grab().toImage().pixelColor(2, 2);
    b.setEnabledFlag(false);
    QVERIFY(!b.isEnabled());
    QTest::mouseClick(&b, Qt::LeftButton);
    QTest::keyClick(&b, Qt::Key_Space);
    QCOMPARE(clicks.count(), 1);
    // It no longer looks pressable: the form's colour instead of its own.
    const QColor off = b.grab().toImage().pixelColor(2, 2);
    QVERIFY(off != light);
    QCOMPARE(off, b.palette().color(QPalette::Window));
  }

  // The mouse, Space, Enter and a screen reader's Press all click; a disabled button never does.
  void everyWayToPressClicks_data() {
    QTest::addColumn<QString>("way");
    for (const char* w : {"mouse", "space", "enter", "keypad enter", "screen reader"}) QTest::newRow(w) << w;
  }
  void everyWayToPressClicks() {
    QFETCH(QString, way);
    QWidget host;
    auto* b = new CtrlCmd(&host);
    b->setCaption(QStringLiteral("&Done"));
    b->resize(90, 25);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    b->setFocus();
    QSignalSpy clicks(b, &CtrlCmd::Click);
    const auto press = [&] {
      if (way == QLatin1String("mouse")) QTest::mouseClick(b, Qt::LeftButton);
      if (way == QLatin1String("space")) QTest::keyClick(b, Qt::Key_Space);
      if (way == QLatin1String("enter")) QTest::keyClick(b, Qt::Key_Return);
      if (way == QLatin1String("keypad enter")) QTest::keyClick(b, Qt::Key_Enter, Qt::KeypadModifier);
      if (way == QLatin1String("screen reader")) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(b);
        QVERIFY(a && a->actionInterface());
        QCOMPARE(a->role(), QAccessible::Button);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Done"));
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
      }
    };
    press();
    QTRY_COMPARE(clicks.count(), 1);
    b->setEnabledFlag(false);
    press();
    QTest::qWait(150);  // a screen reader's press arrives after a short animation
    QCOMPARE(clicks.count(), 1);
  }

  void disabledWhileHoveredKeepsLook() {
    CtrlCmd b;
    b.resize(90, 25);
    b.show();
    enter(&b);
    b.setEnabledFlag(false);
    leave(&b);
    QVERIFY(b.isHoverLook());
    b.setEnabledFlag(true);  // pointer elsewhere
    QVERIFY(!b.isHoverLook());
  }

  void focusShowsHoverLook() {
    QWidget host;
    auto* b = new CtrlCmd(&host);
    host.show();
    QVERIFY(QTest::qWaitForWindowActive(&host) || true);
    QFocusEvent in(QEvent::FocusIn);
    QApplication::sendEvent(b, &in);
    QVERIFY(b->isHoverLook());
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(b, &out);
    QVERIFY(!b->isHoverLook());
  }

  void pictureComesFromHostImageList() {
    QWidget host;
    auto* b = new CtrlCmd(&host);
    QVERIFY(!b->setPicture(1));  // no imgSet on the host
    auto* list = new uikit::ImageList(&host);
    list->setObjectName(QStringLiteral("imgSet"));
    QPixmap pm(8, 8);
    pm.fill(Qt::red);
    list->add(QIcon(pm));
    QVERIFY(b->setPicture(1));
    QVERIFY(!b->icon().isNull());
    QVERIFY(!b->setPicture(2));  // outside the list
  }
};

QTEST_MAIN(CmdTest)
#include "ctrl_cmd_qtest.moc"
