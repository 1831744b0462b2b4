// The window stack: pushes and pops (a pop removes the window that closed, not a still-open top
// window), the eleventh window, getForm, minimising and restoring the whole program.
#include "main_window/widgets/window_stack.h"

#include <QApplication>
#include <QTest>

#include <memory>
#include <vector>

using mainwin::WindowStack;

class WindowStackTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QWidget> main_;
  std::vector<std::unique_ptr<QWidget>> forms_;

  QWidget* form(int i) {
    while (static_cast<int>(forms_.size()) <= i) {
      forms_.push_back(std::make_unique<QWidget>());
      forms_.back()->setObjectName(QStringLiteral("tool%1").arg(forms_.size()));
    }
    return forms_[static_cast<std::size_t>(i)].get();
  }
  // Shows and pushes, as showForm does.
  void open(WindowStack& s, QWidget* w) {
    w->show();
    s.addForm(w);
  }
  // Hides and pops, as hideForm does.
  void close(WindowStack& s, QWidget* w) {
    w->hide();
    s.remForm();
  }

 private Q_SLOTS:
  void init() {
    main_ = std::make_unique<QWidget>();
    main_->show();
    forms_.clear();
  }

  void emptyStackGivesMainWindow() {
    WindowStack s(main_.get());
    QCOMPARE(s.getForm(), main_.get());
    s.remForm();  // a pop on an empty stack only stops the timer
    QCOMPARE(s.stackTop(), 0);
    QVERIFY(!s.timerActive());
  }

  void openAndCloseLeavesEmptyStackAndTimerOff() {
    WindowStack s(main_.get());
    open(s, form(0));
    QCOMPARE(s.stackTop(), 1);
    QVERIFY(s.timerActive());
    QCOMPARE(s.getForm(), form(0));
    close(s, form(0));
    QCOMPARE(s.stackTop(), 0);
    QVERIFY(!s.timerActive());
  }

  void messageBoxOverToolPopsToTool() {
    WindowStack s(main_.get());
    open(s, form(0));
    open(s, form(1));
    close(s, form(1));
    QCOMPARE(s.getForm(), form(0));
    QCOMPARE(s.stackTop(), 1);
  }

  void closingNonTopWindowKeepsOpenTop() {
    WindowStack s(main_.get());
    open(s, form(0));  // tool A
    open(s, form(1));  // tool B on top
    close(s, form(0));  // A closes while B is still up
    QCOMPARE(s.stackTop(), 1);
    QCOMPARE(s.getForm(), form(1));
    close(s, form(1));
    QCOMPARE(s.stackTop(), 0);
  }

  void namedRemovalRemovesThatForm() {
    WindowStack s(main_.get());
    open(s, form(0));
    open(s, form(1));
    s.remForm(form(0));  // before it is hidden
    QCOMPARE(s.stackTop(), 1);
    QCOMPARE(s.entry(1), form(1));
  }

  void windowShownTwiceIsPushedTwice() {
    WindowStack s(main_.get());
    open(s, form(0));
    open(s, form(0));
    QCOMPARE(s.stackTop(), 2);
    close(s, form(0));  // one close drops both entries: the older one is invisible too
    QCOMPARE(s.stackTop(), 0);
  }

  void eleventhWindowIsShownButNotStacked() {
    WindowStack s(main_.get());
    for (int i = 0; i < WindowStack::kMaxStacked; ++i) open(s, form(i));
    QWidget* extra = form(10);
    extra->show();
    QVERIFY(!s.addForm(extra));
    QVERIFY(extra->isVisible());
    QCOMPARE(s.stackTop(), 10);
    close(s, extra);  // its pop must not drop a window that is still open
    QCOMPARE(s.stackTop(), 10);
    for (int i = 1; i <= 10; ++i) QCOMPARE(s.entry(i), form(i - 1));
  }

  void minimiseHidesAllAndRestoreShowsThem() {
    WindowStack s(main_.get());
    int relayouts = 0;
    s.setRelayout([&relayouts] { ++relayouts; });
    open(s, form(0));
    open(s, form(1));
    s.minForm();
    QVERIFY(s.stackHidden());
    QVERIFY(!form(0)->isVisible());
    QVERIFY(!form(1)->isVisible());
    QVERIFY(!s.timerActive());
    QCOMPARE(s.stackTop(), 2);  // still stacked while hidden
    s.restore();
    QVERIFY(!s.stackHidden());
    QVERIFY(form(0)->isVisible());
    QVERIFY(form(1)->isVisible());
    QVERIFY(s.timerActive());
    QCOMPARE(relayouts, 1);
  }

  void tickHidesStackWhenMainWindowMinimised() {
    WindowStack s(main_.get());
    open(s, form(0));
    main_->showMinimized();
    QTRY_VERIFY(main_->isMinimized());
    s.tick();
    QVERIFY(s.stackHidden());
    QVERIFY(!form(0)->isVisible());
  }
};

QTEST_MAIN(WindowStackTest)
#include "window_stack_qtest.moc"
