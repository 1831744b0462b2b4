// The arrow label: its hover look follows enter/leave and focus, Enter clicks it (Space does not),
// and its caption is what a screen reader reads.
#include "ui_kit/ctrl_arrow.h"

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using uikit::CtrlArrow;

class CtrlArrowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void hoverLookFollowsEnterLeaveAndFocus() {
    QWidget host;
    auto* other = new QLineEdit(&host);  // first in the focus chain, so it takes the focus on show
    auto* arrow = new CtrlArrow(&host);
    arrow->move(0, 40);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    other->setFocus();
    QVERIFY(!arrow->isHoverLook());

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(arrow, &enter);
    QVERIFY(arrow->isHoverLook());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(arrow, &leave);
    QVERIFY(!arrow->isHoverLook());

    // A disabled label keeps whatever look it had when the pointer comes and goes.
    arrow->setEnabled(false);
    QApplication::sendEvent(arrow, &enter);
    QVERIFY(!arrow->isHoverLook());
    arrow->setEnabled(true);

    host.activateWindow();
    arrow->setFocus();
    QTRY_VERIFY(arrow->hasFocus());
    QVERIFY(arrow->isHoverLook());  // the keyboard focus shows the hover look
    other->setFocus();
    QTRY_VERIFY(!arrow->isHoverLook());
  }

  void keysThatClick_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("clicks");
    QTest::newRow("Return") << int(Qt::Key_Return) << 1;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << 1;
    QTest::newRow("Space does nothing") << int(Qt::Key_Space) << 0;
    QTest::newRow("a letter does nothing") << int(Qt::Key_A) << 0;
  }
  void keysThatClick() {
    QFETCH(int, key);
    QFETCH(int, clicks);
    CtrlArrow arrow;
    QSignalSpy clicked(&arrow, &CtrlArrow::Click);
    QTest::keyClick(&arrow, static_cast<Qt::Key>(key));
    QCOMPARE(clicked.count(), clicks);
  }

  void mouseClickRaisesClick() {
    CtrlArrow arrow;
    arrow.resize(arrow.sizeHint());
    QSignalSpy clicked(&arrow, &CtrlArrow::Click);
    QTest::mouseClick(&arrow, Qt::LeftButton, {}, QPoint(5, arrow.height() / 2));
    QCOMPARE(clicked.count(), 1);
  }

  void captionIsTheAccessibleName_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "Show Filters" << "Show Filters";
    QTest::newRow("access key marker dropped") << "&Hide Filters" << "Hide Filters";
    QTest::newRow("doubled ampersand is one") << "Copy && Move" << "Copy & Move";
    QTest::newRow("no caption: the control's name") << "" << "arrEnFilts";
  }
  void captionIsTheAccessibleName() {
    QFETCH(QString, caption);
    QFETCH(QString, name);
    QWidget host;
    auto* arrow = new CtrlArrow(&host);
    arrow->setObjectName(QStringLiteral("arrEnFilts"));
    arrow->setCaption(caption);
    QCOMPARE(arrow->Caption(), caption);
    QCOMPARE(arrow->property("Caption").toString(), caption);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(arrow);
    QVERIFY(a);
    QCOMPARE(a->text(QAccessible::Name), name);
    QCOMPARE(a->role(), QAccessible::Button);
    QVERIFY(a->actionInterface() && a->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    // A longer caption asks for more room.
    const int before = arrow->sizeHint().width();
    arrow->setCaption(caption + QStringLiteral(" and more"));
    QVERIFY(arrow->sizeHint().width() > before);
  }

  void propertiesRoundTrip() {
    CtrlArrow arrow;
    arrow.ReadProperties({{QStringLiteral("Caption"), QStringLiteral("Go")},
                          {QStringLiteral("BackColor"), 0x00FF00},
                          {QStringLiteral("FontSize"), 12}});
    const QVariantMap bag = arrow.WriteProperties();
    QCOMPARE(bag.value(QStringLiteral("Caption")).toString(), QStringLiteral("Go"));
    QCOMPARE(bag.value(QStringLiteral("BackColor")).toUInt(), 0x00FF00u);
    QCOMPARE(bag.value(QStringLiteral("FontSize")).toInt(), 12);
    CtrlArrow fresh;
    fresh.ReadProperties({});
    QCOMPARE(fresh.Caption(), QStringLiteral("Caption"));  // the design default
  }
};

int main(int argc, char** argv) {
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  CtrlArrowTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "ctrl_arrow_qtest.moc"
