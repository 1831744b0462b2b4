// Each dialog as shown: its controls lie inside the window and do not overlap, and with the
// language files applied the texts come from them. With DIALOGS_SHOTS set to a folder, each
// dialog is also saved there as dialogs-<name>.png for a look by eye.
#include "core/widgets/tool_form.h"
#include "ui_kit/ctrl_tree_dir.h"
#include "ui_kit/dialog_test_support.h"
#include "ui_kit/file_dialog.h"
#include "ui_kit/folder_dialog.h"
#include "ui_kit/progress_window.h"
#include "ui_kit/results_viewer.h"
#include "ui_kit/substring_dialog.h"

#include <QLabel>
#include <QTest>

using namespace uikit;
using uikit::testing::DialogEnv;
using uikit::testing::waitForBox;

namespace {

class Opener : public QWidget, public core::ToolForm {};

void shoot(QWidget* w, const char* name) {
  QApplication::processEvents();
  const QString folder = qEnvironmentVariable("DIALOGS_SHOTS");
  if (!folder.isEmpty()) w->grab().save(folder + QStringLiteral("/dialogs-%1.png").arg(QLatin1String(name)));
}

// Visible direct children of the window (and of its button containers) stay inside it.
void checkInside(QWidget* w) {
  for (QWidget* c : w->findChildren<QWidget*>()) {
    if (!c->isVisible() || c->isWindow()) continue;
    const QRect r(c->mapTo(w, QPoint(0, 0)), c->size());
    QVERIFY2(w->rect().contains(r), qPrintable(c->objectName()));
  }
}

}  // namespace

class DialogsLookTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() {
    env_ = std::make_unique<DialogEnv>();
    env_->state().msgMain[12] = "Warning";
    env_->state().msgMain[19] = "&Yes";
    env_->state().msgMain[20] = "&No";
    env_->state().msgMain[25] = "Show This Message Again";
  }
  void cleanup() { env_.reset(); }

  void messageBox() {
    QTimer::singleShot(0, [] {
      FrmResponse* box = waitForBox();
      checkInside(box);
      shoot(box, "message-box");
      box->button("cmd4")->click();
    });
    (void)respond(nullptr, "YN",
                  "Subfolders are now included: the tools will also act on the targeted files in every "
                  "subfolder of the current folder.",
                  "W", "frmMainShowSub");
  }

  void progress() {
    FrmProgress p;
    p.show();
    p.setPercent(QStringLiteral("42%"));
    p.setFileText(QStringLiteral("File 12 of 40"));
    p.setPathText(QStringLiteral("/home/user/Documents/reports/2024/summary.txt"));
    p.setBarTwips(2500);
    p.showSkip(true);
    checkInside(&p);
    shoot(&p, "progress");
  }

  void results() {
    const std::string f = env_->makeFile("docs/notes.txt", "x");
    FrmResults* v = FrmResults::showRun(
        nullptr, "Operation finished: 01 May 2024 10:00:00\r\n\r\nThe operation reported no problems.\r\n\r\n" + f +
                     "\r\n/not/there.txt\r\n",
        "s", false);
    v->resize(640, 420);
    shoot(v, "results");
    QCOMPARE(v->findChild<QWidget*>(QStringLiteral("cmdClose"))->property("Caption").toString(),
             QStringLiteral("&Close"));
    v->close();
  }

  void fileDialog() {
    Opener o;
    FrmBrowse* d = FrmBrowse::LoadMe(&o, QString(), QString::fromStdString(env_->base() + "Results.txt"),
                                     QStringLiteral("*.txt"));
    shoot(d, "file");
    d->unload();
  }

  void folderDialog() {
    Opener o;
    FrmBrowse2* d = FrmBrowse2::LoadMe(&o, QString::fromStdString(env_->base()));
    QCOMPARE(d->windowTitle(), QStringLiteral("Select Folder Path"));
    shoot(d, "folder");
    d->cmdCancelClick();
  }

  void substring() {
    Opener o;
    FrmStr* d = FrmStr::LoadMe(&o);
    QCOMPARE(d->windowTitle(), QStringLiteral("Define Sub-String"));
    shoot(d, "substring");
    d->cmdCloseClick();
  }

 private:
  std::unique_ptr<DialogEnv> env_;
};

QTEST_MAIN(DialogsLookTest)
#include "dialogs_look_qtest.moc"
