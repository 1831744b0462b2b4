// The editor and a running main window, both ways over their links: the main window starts the
// editor with "?" + the selected file, sends each new selection, learns of a rename made in the
// editor with a new date and a flag (its list shows the new name, date and flag), and its closing
// ends the editor.
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"

#include "core/settings.h"

#include <QApplication>
#include <QDir>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <memory>

using namespace mainwin;

class PropertiesLinkTest : public QObject {
  Q_OBJECT

  QString root_;
  std::unique_ptr<QProcess> editor_;
  QByteArray said_;  // everything the editor process reported so far

  // Waits until the editor reports line (e.g. "shown <hex>"); false after the timeout.
  bool waitFor(const QByteArray& line, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
      said_ += editor_->readAllStandardOutput();
      if (said_.split('\n').contains(line)) return true;
      if (editor_->state() == QProcess::NotRunning) return said_.split('\n').contains(line);
      QTest::qWait(20);
    }
    return false;
  }
  static QByteArray shown(const std::string& path) { return "shown " + QByteArray::fromStdString(path).toHex(); }
  int rowOf(MainForm& f, const std::string& name) {
    const auto& entries = f.list().model()->entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].name == name) return static_cast<int>(i);
    }
    return -1;
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([this](const std::string& program, const std::string& arg) {
      if (program != "Properties") return;
      editor_ = std::make_unique<QProcess>();
      editor_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
      editor_->start(QString::fromStdString(test::testBinDir() + "properties_test_remote"),
                     {QFile::decodeName(QByteArray::fromStdString(arg))});
    });
  }

  void renameInTheEditorReachesTheMainList() {
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    const std::string folder = root_.toStdString() + "/work/";
    QDir().mkpath(QString::fromStdString(folder));
    for (const char* n : {"a.txt", "b.txt"}) {
      QFile f(QString::fromStdString(folder + n));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("bytes");
    }
    auto form = std::make_unique<MainForm>(folder);
    form->show();
    QTRY_COMPARE(form->list().model()->entries().size(), std::size_t(2));
    QTRY_VERIFY(form->linkServing());

    // Started from the main window with the selected file.
    form->pane()->selectRows({rowOf(*form, "a.txt")});
    form->menuProp();
    QVERIFY(editor_);
    QVERIFY(editor_->waitForStarted(5000));
    QVERIFY2(waitFor(shown(folder + "a.txt")), said_.constData());

    // The main window's selection reaches the editor.
    const int row = rowOf(*form, "b.txt");
    form->pane()->selectRows({row});
    Q_EMIT form->pane()->entryActivated(row);
    QVERIFY2(waitFor(shown(folder + "b.txt")), said_.constData());

    // A rename made in the editor, saved with a new date and a flag, reaches the main list: the
    // entry shows the new name and what the file is now (its size and date).
    FileListModel* model = form->list().model();
    const auto entry = [&] { return model->entries()[static_cast<std::size_t>(row)]; };
    const auto shownModified = [&] { return model->data(model->index(row, 2), Qt::DisplayRole).toString(); };
    const QString modifiedBefore = shownModified();
    editor_->write("name " + QByteArray("c:d.txt").toHex() + "\ntext txtMod " + QByteArray("06/15/2020").toHex() +
                   "\ntick chkRO 1\nsave\n");
    QVERIFY2(waitFor(shown(folder + "c:d.txt")), said_.constData());
    const QString renamed = QString::fromStdString(folder + "c:d.txt");
    QVERIFY(QFile::exists(renamed));
    QCOMPARE(QFileInfo(renamed).lastModified().date(), QDate(2020, 6, 15));
    QTRY_COMPARE(entry().name, std::string("c:d.txt"));
    QCOMPARE(entry().size, std::uint64_t(5));
    QVERIFY(shownModified() != modifiedBefore);
    QCOMPARE(entry().modified, QFileInfo(renamed).lastModified().toSecsSinceEpoch());
    QCOMPARE(QFile::permissions(renamed) & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther),
             QFile::Permissions());  // the flag was saved too
    // A flag the list shows follows the file as well.
    if (entry().known & kDetailAttrs) QVERIFY(entry().attrs & kEntryReadOnly);
    QCOMPARE(editor_->state(), QProcess::Running);  // started by the main window: stays open

    // Closing the main window ends the editor.
    form->close();
    form.reset();
    QVERIFY2(waitFor("ended"), said_.constData());
    QTRY_COMPARE(editor_->state(), QProcess::NotRunning);
    QCOMPARE(editor_->exitStatus(), QProcess::NormalExit);
    QCOMPARE(editor_->exitCode(), 0);
  }

 public:
  explicit PropertiesLinkTest(QString root) : root_(std::move(root)) {}
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  PropertiesLinkTest t(root);
  return QTest::qExec(&t, argc, argv);
}
#include "properties_link_qtest.moc"
