#include "core/widgets/tool_form.h"
#include "ui_kit/ctrl_dibber.h"
#include "ui_kit/ctrl_resize.h"
#include "ui_kit/tool_tip.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QLabel>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

namespace {
class Host : public QWidget, public core::ToolForm {
 public:
  void doResize() override { ++calls; }
  int calls = 0;
};
}  // namespace

class ResizeTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void burstGivesOneDoResize() {
    Host host;
    host.show();
    uikit::CtrlResize r(&host);
    // Events keep coming closer together than the delay: a timer restarted by each would never
    // fire while they come; the first event's timer fires in the middle of the burst.
    for (int round = 0; round < 60 && host.calls == 0; ++round) {
      r.doSize();
      QTest::qWait(100);
    }
    QCOMPARE(host.calls, 1);
    QTest::qWait(700);
    QCOMPARE(host.calls, 1);
  }

  void hiddenHostGetsNone() {
    Host host;
    uikit::CtrlResize r(&host);
    r.doSize();
    QVERIFY(!r.isPending());
    QTest::qWait(600);
    QCOMPARE(host.calls, 0);
  }

  void maximiseAndRestoreAreImmediate() {
    Host host;
    host.showMaximized();
    QTRY_VERIFY(host.isMaximized());
    uikit::CtrlResize r(&host);
    r.doSize();
    QCOMPARE(host.calls, 1);
    host.showNormal();
    QTRY_VERIFY(!host.isMaximized());
    r.doSize();
    QCOMPARE(host.calls, 2);
    QVERIFY(!r.isPending());
  }

  void gripHonoursMinimumAndCallsOnRelease() {
    Host host;
    host.resize(400, 300);
    auto* grip = new uikit::CtrlDibber(&host);
    grip->setMinX(4500);  // 300 px
    grip->setMinY(3000);  // 200 px
    grip->move(380, 280);
    host.show();
    QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(grip->isDragging());
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), grip->mapToGlobal(QPointF(5, 5)) + QPointF(-200, -200),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(grip, &move);
    grip->applyDrag();
    QCOMPARE(host.size(), QSize(300, 200));
    QCOMPARE(host.calls, 0);
    QTest::mouseRelease(grip, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(host.calls, 1);
    QVERIFY(!grip->isDragging());
    QCOMPARE(host.size(), QSize(400, 300));  // released back on the grab point
  }

  // A screen reader is told the grip is not there and never hears its object name.
  void gripIsSkippedByScreenReaders() {
    Host host;
    auto* grip = new uikit::CtrlDibber(&host);
    grip->setObjectName(QStringLiteral("CtrlDibber1"));
    host.show();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(grip);
    QVERIFY(a);
    QCOMPARE(a->role(), QAccessible::Grip);
    QCOMPARE(a->text(QAccessible::Name), QString());
    QVERIFY(a->state().invisible);
    QVERIFY(!a->state().focusable);
  }

  void tooltipAttachesReplacesAndRemoves() {
    QWidget form;
    auto* ctl = new QLabel(QStringLiteral("x"), &form);
    form.show();
    auto* tip = new uikit::clsToolTip;
    tip->makeTip(nullptr, nullptr, QStringLiteral("t"), 0, 0xFFFFFF, QString());
    QVERIFY(tip->tool() == nullptr);
    tip->makeTip(nullptr, &form, QStringLiteral("on the form"), 0, 0xFFFFFF, QString());
    QCOMPARE(tip->tool(), &form);
    tip->makeTip(ctl, &form, QStringLiteral("<b>line one</b>\nline two"), 0x0000FF, 0xFFFFFF, QString());
    QCOMPARE(tip->tool(), ctl);
    QHelpEvent help(QEvent::ToolTip, QPoint(1, 1), ctl->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(ctl, &help);
    QLabel* win = tip->tipWindow();
    QVERIFY(win != nullptr && win->isVisible());
    QCOMPARE(win->text(), QStringLiteral("<b>line one</b>\nline two"));
    QCOMPARE(win->textFormat(), Qt::PlainText);
    QVERIFY(win->font().bold());
    QCOMPARE(win->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(win->maximumWidth() <= QGuiApplication::primaryScreen()->geometry().width() / 3);
    // The previous tool no longer shows the tip.
    win->hide();
    QHelpEvent onForm(QEvent::ToolTip, QPoint(1, 1), form.mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(&form, &onForm);
    QVERIFY(!win->isVisible());
    delete tip;  // removes the tip: a later tooltip event reaches nothing
    QApplication::sendEvent(ctl, &help);
  }
};

QTEST_MAIN(ResizeTest)
#include "ctrl_resize_qtest.moc"
