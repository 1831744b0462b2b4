#include "core/widgets/window_routines.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QWidget>

#include <cstdlib>

class WindowRoutinesTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void placeBottom_data() {
    QTest::addColumn<bool>("right");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("expectedTopTwips");
    QTest::addColumn<int>("expectedLeftTwips");
    // Container 3000 x 4500 twips (200 x 300 px), control 375 x 1500 twips (25 x 100 px).
    QTest::newRow("rightNoOffset") << true << 0 << 2545 << 2745;
    QTest::newRow("rightOffset") << true << 300 << 2245 << 2745;
    QTest::newRow("leftNoOffset") << false << 0 << 2265 << 120;
    QTest::newRow("leftOffset") << false << 150 << 2115 << 120;
  }
  void placeBottom() {
    QFETCH(bool, right);
    QFETCH(int, offset);
    QFETCH(int, expectedTopTwips);
    QFETCH(int, expectedLeftTwips);
    QWidget container;
    container.resize(300, 200);
    QLabel control(&container);
    control.resize(100, 25);
    if (right) core::PlaceBottomRight(&control, &container, offset);
    else core::PlaceBottomLeft(&control, &container, offset);
    // Positions land on the nearest pixel.
    QCOMPARE(control.y(), qRound(expectedTopTwips / 15.0));
    QCOMPARE(control.x(), qRound(expectedLeftTwips / 15.0));
  }

  void formOpacity() {
    QWidget w;
    w.show();
    int dim = 1;
    core::FormOpacity(&w, dim);
    QCOMPARE(dim, 180);
    QVERIFY(qAbs(w.windowOpacity() - 180.0 / 255.0) < 0.01);
    dim = 0;
    core::FormOpacity(&w, dim);
    QCOMPARE(dim, 255);
    QCOMPARE(w.windowOpacity(), 1.0);
    int d = 7;
    core::FormOpacity(nullptr, d);  // nothing to change, but the caller still learns the alpha
    QCOMPARE(d, 180);
  }

  void printWithoutPrinterFailsFast() {
    QElapsedTimer t;
    t.start();
    const int err = core::PrintText("hello");
    QVERIFY(err != 0);
    QVERIFY2(t.elapsed() < 10000, "printing must not hang without a printer");
  }
};

int main(int argc, char** argv) {
  // No print server: the test machine's printers must not matter (nor receive a page).
  setenv("CUPS_SERVER", "/nonexistent/cups.sock", 1);
  QApplication app(argc, argv);
  WindowRoutinesTest t;
  return QTest::qExec(&t, argc, argv);
}

#include "window_routines_qtest.moc"
