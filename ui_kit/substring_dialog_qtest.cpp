// The substring dialog: the input rules of both boxes (clamped, never overflowing) and the
// "start;length" handed to the opener.
#include "core/widgets/tool_form.h"
#include "ui_kit/dialog_test_support.h"
#include "ui_kit/substring_dialog.h"

#include <QLineEdit>
#include <QPointer>
#include <QTest>

using namespace uikit;
using uikit::testing::DialogEnv;

namespace {

class Opener : public QWidget, public core::ToolForm {
 public:
  std::vector<std::string> got;
  void loadHandleFrmStr(const QString& s) override { got.push_back(s.toStdString()); }
};

}  // namespace

class SubstringDialogTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() { env_ = std::make_unique<DialogEnv>(); }
  void cleanup() {
    if (FrmStr* d = FrmStr::current()) d->cmdCloseClick();
    QApplication::processEvents();
    env_.reset();
  }

  void clamping_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("empty") << "" << "1";
    QTest::newRow("zero") << "0" << "1";
    QTest::newRow("in range") << "42" << "42";
    QTest::newRow("leading zeros") << "007" << "007";
    QTest::newRow("limit") << "255" << "255";
    QTest::newRow("above") << "300" << "255";
    QTest::newRow("huge") << "99999999999" << "255";
    QTest::newRow("zeros then huge") << "000099999999999999999999" << "255";
    QTest::newRow("letters") << "a3b" << "3";
  }
  void clamping() {
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QCOMPARE(QString::fromStdString(clampSubstringField(typed.toStdString())), kept);
  }

  void doneHandsStartAndLength() {
    Opener opener;
    opener.show();
    FrmStr* d = FrmStr::LoadMe(&opener);
    QVERIFY(!opener.isEnabled());
    d->startBox()->clear();
    QTest::keyClicks(d->startBox(), QStringLiteral("3"));
    d->lengthBox()->setText(QStringLiteral("99999999999"));
    QCOMPARE(d->lengthBox()->text(), QStringLiteral("255"));
    d->cmdStartClick();
    QCOMPARE(opener.got, std::vector<std::string>{"13;255"});
    QVERIFY(opener.isEnabled());
  }

  // Esc closes the dialog from its text boxes too; a lone release (its press closed a box above
  // this window) leaves it open.
  void escNeedsItsOwnPress() {
    Opener opener;
    opener.show();
    FrmStr* d = FrmStr::LoadMe(&opener);
    QPointer<FrmStr> alive(d);
    QTest::keyRelease(d->startBox(), Qt::Key_Escape);
    QApplication::processEvents();
    QVERIFY(alive && d->isVisible());
    QTest::keyClick(d->startBox(), Qt::Key_Escape);
    QTRY_VERIFY(!alive);
    QVERIFY(opener.isEnabled());
  }

 private:
  std::unique_ptr<DialogEnv> env_;
};

QTEST_MAIN(SubstringDialogTest)
#include "substring_dialog_qtest.moc"
