// The results viewer: paging at line breaks (LF and CR LF), path marking of Linux paths, a spill
// pointer marked and opened, the nine-slot history with its dates in the window's language, and
// printing without a printer.
#include "core/pipeline.h"
#include "core/results_log.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "ui_kit/dialog_test_support.h"
#include "core/results_history.h"
#include "ui_kit/results_paging.h"
#include "ui_kit/results_viewer.h"

#include <QAction>
#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QTest>

using namespace uikit;
using uikit::testing::DialogEnv;
using uikit::testing::answerNextBox;
using uikit::testing::waitForBox;

namespace {

// Lines of 99 characters plus the break, enough to pass length bytes.
std::string linesText(std::size_t length, const std::string& brk) {
  std::string text;
  int n = 0;
  while (text.size() < length) {
    std::string line = "line " + std::to_string(n++);
    line.resize(99 - brk.size() + 1, '.');
    text += line + brk;
  }
  text.resize(length);
  return text;
}

std::string shown(FrmResults* v, const TextRange& r) {
  return v->shownText().mid(static_cast<int>(r.start), static_cast<int>(r.end - r.start)).toStdString();
}

}  // namespace

class ResultsViewerTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    env_ = std::make_unique<DialogEnv>();
    opened_.clear();
    FrmResults::setOpener([this](const std::string& path, bool editor) {
      opened_.emplace_back(path, editor);
      return true;
    });
  }
  void cleanup() {
    if (FrmResults* v = FrmResults::current()) {
      v->close();
      QApplication::processEvents();
    }
    env_.reset();
  }

  void pageCounts() {
    QCOMPARE(pageCount(15000), 1);
    QCOMPARE(pageCount(15001), 2);
    QCOMPARE(pageCount(45000), 3);
  }

  void pagesBreakAfterLineBreaks_data() {
    QTest::addColumn<QString>("brk");
    QTest::newRow("LF") << "\n";
    QTest::newRow("CR LF") << "\r\n";
  }
  void pagesBreakAfterLineBreaks() {
    QFETCH(QString, brk);
    const std::string text = linesText(40000, brk.toStdString());
    const int count = pageCount(text.size());
    QCOMPARE(count, 3);
    std::string joined;
    std::size_t previousEnd = 0;
    for (int k = 1; k <= count; ++k) {
      const TextRange r = pageBounds(text, k);
      QCOMPARE(r.start, previousEnd);  // no gap, no overlap
      if (k < count) {
        QCOMPARE(text[r.end - 1], '\n');  // the page ends just after a whole break
        QVERIFY(r.end >= static_cast<std::size_t>(k) * kPageSize);
        QVERIFY(r.end < static_cast<std::size_t>(k) * kPageSize + kPageSnap);
      }
      joined += text.substr(r.start, r.end - r.start);
      previousEnd = r.end;
    }
    QCOMPARE(joined, text);
  }

  void longLineIsCutAtTheNominalEdge() {
    std::string text(20000, 'x');
    text[16000] = '\n';
    const TextRange first = pageBounds(text, 1);
    QCOMPARE(first.end, kPageSize);
    QCOMPARE(pageBounds(text, 2).start, kPageSize);
  }

  void headerPaths() {
    const std::string text = "Searched in:\t\r\n/srv/a\r\n/srv/b\r\n\tPattern:\t\n/srv/c\n\tend";
    const HeaderPaths h = detectHeader(text);
    QVERIFY(h.found);
    QVERIFY(h.first && h.second);
    QCOMPARE(text.substr(h.first->start, h.first->end - h.first->start), std::string("/srv/a\r\n/srv/b"));
    QCOMPARE(text.substr(h.second->start, h.second->end - h.second->start), std::string("/srv/c"));
    // Only the header is marked, clipped to the page; other paths are not looked at.
    const auto marks = pathMarks(std::string_view(text).substr(10), 10, h, [](const std::string&) { return true; });
    QCOMPARE(marks.size(), std::size_t(2));
    QCOMPARE(marks[0].start, h.first->start - 10);
    QVERIFY(!detectHeader("no tab line\r\n/srv/a\r\n").found);
  }

  void viewerPagesAcrossTheBoundary() {
    const std::string text = "Done: 01 May 2024 10ZZ00\n" + linesText(16000, "\n");
    FrmResults* v = FrmResults::showRun(nullptr, text, "01/05/2024 10:00:00", false);
    QCOMPARE(v->pageCount(), 2);
    const TextRange p1 = v->pageRange();
    v->showPage(2);
    QCOMPARE(v->pageRange().start, p1.end);
    QCOMPARE(v->pageRange().end, text.size());
    QCOMPARE(v->windowTitle(), QStringLiteral("{27}2{28}2"));
  }

  void marksExistingPaths_data() {
    QTest::addColumn<QString>("brk");
    QTest::newRow("LF") << "\n";
    QTest::newRow("CR LF") << "\r\n";
  }
  void marksExistingPaths() {
    QFETCH(QString, brk);
    const std::string b = brk.toStdString();
    const std::string a = env_->makeFile("files/a file.txt", "x");
    const std::string folder = env_->base() + "files/";
    const std::string text = "Stamp: x" + b + a + b + "Renamed: /nowhere/old -> " + a + b +
                             "no/path here" + b + "   " + folder + b + "/missing/file";
    FrmResults* v = FrmResults::showRun(nullptr, text, "s", false);
    const auto marks = v->markedRanges();
    QCOMPARE(marks.size(), std::size_t(3));
    QCOMPARE(shown(v, marks[0]), a);
    QCOMPARE(shown(v, marks[1]), a);  // the second path on the line
    QCOMPARE(shown(v, marks[2]), folder);
    QVERIFY(!v->shownText().contains(QLatin1Char('\r')));
  }

  void spillPointerIsMarkedAndOpened() {
    env_->state().msgMain[69] = "The rest of the results is in the file: ";
    const std::string spill = env_->state().tempPath + "Corvane-Results-1.txt";
    env_->makeFile("temp/Corvane-Results-1.txt", std::string(300001, 'r'));
    const std::string text = "Done: 2\r\nfirst lines\r\n" + core::spillPointerLine(spill) + "\r\n";
    FrmResults* v = FrmResults::showRun(nullptr, text, "s", false);
    const auto marks = v->markedRanges();
    QCOMPARE(marks.size(), std::size_t(1));
    QCOMPARE(shown(v, marks[0]), spill);
    answerNextBox("cmd4");  // "Open this file?" Yes
    v->launchAt(static_cast<int>(marks[0].start) + 3);
    QCOMPARE(opened_.size(), std::size_t(1));
    QCOMPARE(opened_[0].first, spill);
    QVERIFY(opened_[0].second);  // over 300,000 bytes: the text editor
    // "||" stays in the text but is painted in the back colour.
    QVERIFY(v->shownText().contains(QStringLiteral("||")));
  }

  void deletedFileLosesItsMarkOnce() {
    const std::string a = env_->makeFile("files/gone.txt", "x");
    FrmResults* v = FrmResults::showRun(nullptr, "S: 1\n" + a + "\n", "s", false);
    QCOMPARE(v->markedRanges().size(), std::size_t(1));
    const int pos = static_cast<int>(v->markedRanges()[0].start) + 1;
    std::filesystem::remove(a);
    std::string notice;
    QTimer::singleShot(0, [&notice] {
      FrmResponse* box = waitForBox();
      notice = box->findChild<QLabel*>(QStringLiteral("lblMessage"))->text().toStdString();
      box->button("cmd6")->click();
    });
    v->launchAt(pos);
    QVERIFY(notice.find("{1}" + a) != std::string::npos);
    QVERIFY(v->markedRanges().empty());
    v->launchAt(pos);  // no second notice (a box would block the test)
    QVERIFY(openMessageBoxes().empty());
    QVERIFY(opened_.empty());
  }

  void historyKeepsNineRunsAndWraps() {
    std::vector<std::string> names;
    for (int run = 1; run <= 10; ++run) {
      names.push_back(core::recordRun("Operation finished: 0" + std::to_string(run) + " May 2024 10:00:00\r\nbody"));
    }
    QCOMPARE(names[0], std::string("Results 01 May 2024 10ZZ00ZZ00.txt"));
    QCOMPARE(core::historyCaption(names[0]), std::string("01 May 2024 10:00:00"));
    QCOMPARE(core::historyFileOfCaption(core::historyCaption(names[0])), names[0]);
    // Slots start at 2 (the first run advances from the empty slot 1); the tenth run wraps to
    // slot 2 again and deletes the file that slot named before.
    QCOMPARE(core::currentHistorySlot(), 2);
    QCOMPARE(core::historySlotFile(2), names[9]);
    QVERIFY(!std::filesystem::exists(env_->app() + names[0]));
    for (int run = 1; run < 10; ++run) QVERIFY(std::filesystem::exists(env_->app() + names[static_cast<std::size_t>(run)]));
    QCOMPARE(core::historyEntries(core::currentHistorySlot()).size(), std::size_t(8));
    // The same run shown again writes nothing and keeps the slot.
    QCOMPARE(core::recordRun("Operation finished: 010 May 2024 10:00:00\r\nbody"), names[9]);
    QCOMPARE(core::currentHistorySlot(), 2);
    // Another run with the same stamp is kept beside it.
    const std::string twin = core::recordRun("Operation finished: 010 May 2024 10:00:00\r\nother body");
    QCOMPARE(twin, std::string("Results 010 May 2024 10ZZ00ZZ00 (2).txt"));
    QCOMPARE(core::currentHistorySlot(), 3);
    QCOMPARE(core::historyFileOfCaption(core::historyCaption(twin)), twin);
  }

  // A run's report names the month in the window's language, and so does the History entry it
  // becomes, while its history file keeps the English name older files have.
  void aFrenchReportAndItsHistoryEntryNameTheMonthInFrench() {
    env_->state().langIndex = 1;
    env_->state().msgMain[75] = "Op\xC3\xA9ration termin\xC3\xA9" "e: ";
    core::ScriptedRunHost host;
    core::Pipeline pipe(host);
    pipe.finishOperation(nullptr, core::RefreshMode::None);
    QCOMPARE(host.results.size(), std::size_t(1));
    const std::string report = host.results[0].text;
    const QDate today = QDate::currentDate();
    const auto date = [&](QLocale::Language l) {
      return QLocale(l).toString(today, QStringLiteral("dd MMMM yyyy")).toStdString();
    };
    QVERIFY2(report.find("e: " + date(QLocale::French) + " ") != std::string::npos, report.c_str());

    FrmResults* v = FrmResults::showRun(nullptr, report, host.results[0].stamp, false);
    const std::string file = v->currentFileName();
    QVERIFY2(file.rfind("Results " + date(QLocale::English) + " ", 0) == 0, file.c_str());
    v->close();
    v = FrmResults::showRun(nullptr, "Done: the next run\r\n", "", false);
    const std::vector<QAction*> entries = v->historyActions();
    QCOMPARE(entries.size(), std::size_t(1));
    QVERIFY2(entries[0]->text().startsWith(QString::fromStdString(date(QLocale::French) + " ")),
             qPrintable(entries[0]->text()));
    QCOMPARE(entries[0]->data().toString().toStdString(), file);
  }

  void viewerShowsTheCurrentSlotWhenEmpty() {
    const std::string name = core::recordRun("Done: 1 2 3\nfrom history");
    FrmResults* v = FrmResults::showRun(nullptr, "", "", false);
    QCOMPARE(v->currentFileName(), name);
    QCOMPARE(v->shownText(), QStringLiteral("Done: 1 2 3\nfrom history"));
  }

  void printingWithoutPrinterTellsTheUser() {
    FrmResults::setPrinter([](std::string_view) { return 484; });
    FrmResults* v = FrmResults::showRun(nullptr, "Done: x\nsome results", "s", false);
    std::string notice;
    QTimer::singleShot(0, [&notice] {
      waitForBox()->button("cmd4")->click();  // print? Yes
      QTimer::singleShot(0, [&notice] {
        FrmResponse* box = waitForBox();
        notice = box->findChild<QLabel*>(QStringLiteral("lblMessage"))->text().toStdString();
        box->button("cmd6")->click();
      });
    });
    v->cmdPrint_Click();
    QVERIFY2(notice.find("printer") != std::string::npos, notice.c_str());
  }

 private:
  std::unique_ptr<DialogEnv> env_;
  std::vector<std::pair<std::string, bool>> opened_;
};

QTEST_MAIN(ResultsViewerTest)
#include "results_viewer_qtest.moc"
