// The message box: answer codes of every button style, Esc and the close box, the don't-ask-again
// setting, nested boxes, the caller's enabled state, and the message layout.
#include "core/settings.h"
#include "ui_kit/dialog_test_support.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>

using namespace uikit;
using uikit::testing::DialogEnv;
using uikit::testing::answerNextBox;
using uikit::testing::waitForBox;

class MessageBoxTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() { env_ = std::make_unique<DialogEnv>(); }
  void cleanup() { env_.reset(); }

  void answerCodes_data() {
    QTest::addColumn<QString>("style");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("caption");
    QTest::newRow("OAC overwrite") << "OAC" << "cmd1" << 1 << "{16}";
    QTest::newRow("OAC append") << "OAC" << "cmd2" << 2 << "{17}";
    QTest::newRow("OAC cancel") << "OAC" << "cmd3" << 7 << "{18}";
    QTest::newRow("YNC yes") << "YNC" << "cmd1" << 1 << "{19}";
    QTest::newRow("YNC no") << "YNC" << "cmd2" << 2 << "{20}";
    QTest::newRow("YNC cancel") << "YNC" << "cmd3" << 7 << "{18}";
    QTest::newRow("YN yes") << "YN" << "cmd4" << 6 << "{19}";
    QTest::newRow("YN no") << "YN" << "cmd5" << 7 << "{20}";
    QTest::newRow("O ok") << "O" << "cmd6" << 6 << "&OK";
    QTest::newRow("other ok") << "" << "cmd4" << 6 << "{22}";
    QTest::newRow("other cancel") << "xyz" << "cmd5" << 7 << "{18}";
  }
  void answerCodes() {
    QFETCH(QString, style);
    QFETCH(QString, button);
    QFETCH(int, answer);
    QFETCH(QString, caption);
    QWidget caller;
    caller.show();
    QString seenCaption;
    bool callerDisabled = false;
    bool buttonVisible = false;
    QTimer::singleShot(0, [&] {
      FrmResponse* box = waitForBox();
      QVERIFY(box);
      CtrlCmd* b = box->button(button.toStdString());
      seenCaption = b->Caption();
      buttonVisible = b->isVisible();
      callerDisabled = !caller.isEnabled();
      b->click();
    });
    const int got = respond(&caller, style.toStdString(), "message", "W", "");
    QCOMPARE(got, answer);
    QCOMPARE(seenCaption, caption);
    QVERIFY(buttonVisible);
    QVERIFY(callerDisabled);
    QVERIFY(caller.isEnabled());
  }

  void escAndCloseAnswerOnlyTheSingleButton() {
    // "O": Esc and the close box answer 6. "YN": both do nothing; the box waits for a button.
    for (int way = 0; way < 2; ++way) {
      QTimer::singleShot(0, [way] {
        FrmResponse* box = waitForBox();
        if (way == 0) {
          QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
          QApplication::sendEvent(box, &release);
        } else {
          box->close();
        }
      });
      QCOMPARE(respond(nullptr, "O", "m", "I", ""), 6);
    }
    QTimer::singleShot(0, [] {
      FrmResponse* box = waitForBox();
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
      QApplication::sendEvent(box, &release);
      box->close();
      QApplication::processEvents();
      QCOMPARE(box->pendingAnswer(), 0);
      QVERIFY(box->isVisible());
      box->button("cmd5")->click();
    });
    QCOMPARE(respond(nullptr, "YN", "m", "W", ""), 7);
  }

  void titleLetters() {
    QCOMPARE(titleText("W"), std::string("{12}"));
    QCOMPARE(titleText("E"), std::string("{13}"));
    QCOMPARE(titleText("N"), std::string("{14}"));
    QCOMPARE(titleText("I"), std::string("{15}"));
    QCOMPARE(titleText("My title"), std::string("My title"));
  }

  void dontAskAgainStoredOnlyAfterYes() {
    // Cleared tick + No: nothing stored, the box asks again.
    QTimer::singleShot(0, [] {
      FrmResponse* box = waitForBox();
      box->findChild<CtrlCheckBox*>(QStringLiteral("chkRegAgain"))->setValue(0);
      box->button("cmd5")->click();
    });
    QCOMPARE(respond(nullptr, "YN", "m", "W", "frmMainShowSub"), 7);
    QCOMPARE(core::getSet("frmMainShowSub"), std::string());
    // Ticked box left ticked + Yes: nothing stored either.
    answerNextBox("cmd4");
    QCOMPARE(respond(nullptr, "YN", "m", "W", "frmMainShowSub"), 6);
    QCOMPARE(core::getSet("frmMainShowSub"), std::string());
    // Cleared tick + Yes: "1" stored; the next call answers 0 without a window and leaves the
    // caller as it was.
    bool checkShown = false;
    QTimer::singleShot(0, [&checkShown] {
      FrmResponse* box = waitForBox();
      auto* chk = box->findChild<CtrlCheckBox*>(QStringLiteral("chkRegAgain"));
      checkShown = chk->isVisible() && chk->Value() == 1 && chk->Caption() == QStringLiteral("{25}");
      chk->setValue(0);
      box->button("cmd4")->click();
    });
    QCOMPARE(respond(nullptr, "YN", "m", "W", "frmMainShowSub"), 6);
    QVERIFY(checkShown);
    QCOMPARE(core::getSet("frmMainShowSub"), std::string("1"));
    QWidget caller;
    caller.show();
    QCOMPARE(respond(&caller, "YN", "m", "W", "frmMainShowSub"), 0);
    QVERIFY(openMessageBoxes().empty());
    QVERIFY(caller.isEnabled());
  }

  void nestedBoxesAnswerInnermostFirst() {
    int inner = -1;
    bool outerDisabledMeanwhile = false;
    QTimer::singleShot(0, [&] {
      FrmResponse* outer = waitForBox(1);
      QTimer::singleShot(0, [&, outer] {
        FrmResponse* in = waitForBox(2);
        outerDisabledMeanwhile = !outer->isEnabled();
        in->button("cmd1")->click();
      });
      inner = respond(nullptr, "YNC", "inner", "N", "");
      // The outer box is usable again and gives its own answer.
      QVERIFY(outer->isEnabled());
      outer->button("cmd5")->click();
    });
    const int outerAnswer = respond(nullptr, "YN", "outer", "N", "");
    QCOMPARE(inner, 1);
    QCOMPARE(outerAnswer, 7);
    QVERIFY(outerDisabledMeanwhile);
  }

  void callerKeepsItsEnabledState() {
    // A caller that a run had disabled stays disabled after the box.
    QWidget caller;
    caller.show();
    caller.setEnabled(false);
    answerNextBox("cmd6");
    QCOMPARE(respond(&caller, "O", "m", "I", ""), 6);
    QVERIFY(!caller.isEnabled());
  }

  void wrapping() {
    QCOMPARE(wrapParagraph("one two three four five six seven"), std::string("one two three four five\nsix seven"));
    QCOMPARE(wrapMessage("one two three four five six seven"), std::string("\none two three four five\nsix seven\n"));
    QCOMPARE(wrapMessage("alpha\r\n\r\nbeta"), std::string("\nalpha\n\nbeta\n"));
    QCOMPARE(wrapMessage("\n\nalpha\n"), std::string("\nalpha\n"));
    QCOMPARE(wrapParagraph("a  b c d e"), std::string("a  b c d\ne"));  // two spaces count twice
  }

  void layoutMinimumsAndCheckBox() {
    int plainHeight = 0, withCheckHeight = 0, width = 0;
    QTimer::singleShot(0, [&] {
      FrmResponse* box = waitForBox();
      plainHeight = box->height();
      width = box->width();
      box->button("cmd6")->click();
    });
    (void)respond(nullptr, "O", "Short.", "I", "");
    QTimer::singleShot(0, [&] {
      FrmResponse* box = waitForBox();
      withCheckHeight = box->height();
      box->button("cmd6")->click();
    });
    (void)respond(nullptr, "O", "Short.", "I", "someKey");
    QCOMPARE(width, 287);  // 4305 twips
    QCOMPARE(plainHeight, 105);
    QCOMPARE(withCheckHeight, plainHeight + 8);  // 120 twips more
  }

 private:
  std::unique_ptr<DialogEnv> env_;
};

QTEST_MAIN(MessageBoxTest)
#include "message_box_qtest.moc"
