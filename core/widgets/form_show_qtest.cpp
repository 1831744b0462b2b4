// Showing and hiding forms against a fake main window: panel and owner enabling, the window
// stack, opacity, saved state and tips; enabling groups of controls and the text-box routines.
#include "core/file_content.h"
#include "core/state.h"
#include "core/widgets/fake_host.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/form_show.h"
#include "core/widgets/text_controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace core;

namespace {

std::unique_ptr<QWidget> makeForm(const char* name) {
  auto f = std::make_unique<QWidget>();
  f->setObjectName(QString::fromLatin1(name));
  auto* chk = new QCheckBox(f.get());
  chk->setObjectName(QStringLiteral("chkSub"));
  auto* cmd = new QPushButton(f.get());
  cmd->setObjectName(QStringLiteral("cmdGo"));
  return f;
}

}  // namespace

class FormShowTest : public QObject {
  Q_OBJECT
  QTemporaryDir app_;
  std::unique_ptr<ScopedCoreState> state_;
  std::unique_ptr<FakeHost> fake_;
  std::unique_ptr<ScopedHost> scoped_;
  std::unique_ptr<QWidget> main_;
  QWidget* panel_ = nullptr;

  std::string appPath() const { return app_.path().toStdString() + "/"; }

 private Q_SLOTS:
  void init() {
    QDir(app_.path()).removeRecursively();
    QDir().mkpath(app_.path());
    state_ = std::make_unique<ScopedCoreState>();
    state_->state().appPath = appPath();
    state_->state().dataPath = appPath();
    fake_ = std::make_unique<FakeHost>();
    scoped_ = std::make_unique<ScopedHost>(*fake_);
    main_ = makeForm("frmMain");
    panel_ = new QWidget(main_.get());
    panel_->setObjectName(QStringLiteral("framMain"));
    fake_->main = main_.get();
    fake_->panel = panel_;
    main_->show();
  }
  void cleanup() {
    clearToolTips();
    main_.reset();
    scoped_.reset();
    fake_.reset();
    state_.reset();
  }

  void fromMainWindowDisablesOnlyThePanel() {
    auto tool = makeForm("frmRen");
    int mode = 1;
    showForm(tool.get(), main_.get(), mode, 0, {}, 1);
    QVERIFY(tool->isVisible());
    QVERIFY(main_->isEnabled());
    QVERIFY(!panel_->isEnabled());
    QCOMPARE(fake_->stack.size(), size_t(1));
    QCOMPARE(fake_->stack.back(), tool.get());
    QVERIFY(fake_->opacity.empty());  // opacity tick off

    hideForm(tool.get(), main_.get(), 1, 1);
    QVERIFY(!tool->isVisible());
    QVERIFY(panel_->isEnabled());
    QVERIFY(fake_->stack.empty());
    // The state file was written in the mode asked for.
    QVERIFY(InputBits(appPath() + "frmRen.txt").rfind("qw9ConfigsA_Sep", 0) == 0);
  }

  void ownerDisabledAndDimmedUntilReEnabled() {
    fake_->opacityTick = true;
    auto owner = makeForm("frmRen");
    owner->show();
    auto dialog = makeForm("frmFolder");
    int mode = 0;
    showForm(dialog.get(), owner.get(), mode, 0, {}, 1);
    QVERIFY(!owner->isEnabled());
    QCOMPARE(fake_->opacity.size(), size_t(2));
    QCOMPARE(fake_->opacity[0].window, dialog.get());
    QVERIFY(!fake_->opacity[0].dim);
    QCOMPARE(fake_->opacity[1].window, owner.get());
    QVERIFY(fake_->opacity[1].dim);

    hideForm(dialog.get(), owner.get(), 0, 1);
    QVERIFY(owner->isEnabled());
    QCOMPARE(fake_->opacity.back().window, owner.get());
    QVERIFY(!fake_->opacity.back().dim);
    QVERIFY(!QFile::exists(QString::fromStdString(appPath() + "frmFolder.txt")));  // saveState 0
  }

  void progressWindowNeverStackedAndOwnerStaysDisabled() {
    auto op = makeForm("frmRen");
    op->show();
    auto progress = makeForm("frmProgress");
    int mode = 0;
    showForm(progress.get(), op.get(), mode, 2, "Progress", 1);
    QVERIFY(!op->isEnabled());
    QCOMPARE(fake_->addCalls, 0);
    hideForm(progress.get(), op.get(), 0, 0);
    QVERIFY(!op->isEnabled());
    QCOMPARE(fake_->remCalls, 0);
  }

  void reEnableRestoresMinimisedOwnerAndItsTips() {
    fake_->tipsTick = true;
    QCOMPARE(OutputFile(appPath() + "HfrmRen0.txt", "cmdGoA_DatGo tipA_Sep"), 0);
    QCOMPARE(OutputFile(appPath() + "HfrmFolder0.txt", "chkSubA_DatSub tipA_Sep"), 0);
    auto owner = makeForm("frmRen");
    owner->show();
    auto dialog = makeForm("frmFolder");
    int mode = 0;
    showForm(dialog.get(), owner.get(), mode, 1, {}, 1);
    QCOMPARE(liveTipNames(), std::vector<QString>{QStringLiteral("chkSub")});
    owner->showMinimized();
    hideForm(dialog.get(), owner.get(), 0, 1);
    QVERIFY(!(owner->windowState() & Qt::WindowMinimized));
    QCOMPARE(liveTipNames(), std::vector<QString>{QStringLiteral("cmdGo")});
  }

  void showAppliesLanguageAndIcon() {
    QCOMPARE(OutputFile(appPath() + "LfrmRen.bin", "LangA_Dat0\r\nfrmRenA_DatRenameA_Sepmsg1A_DatoneA_SepLangA_Sep"), 0);
    QPixmap px(16, 16);
    px.fill(Qt::red);
    fake_->programIcon = QIcon(px);
    auto tool = makeForm("frmRen");
    int mode = 1;
    showForm(tool.get(), main_.get(), mode, 0, "Ren", 1);
    QCOMPARE(tool->windowTitle(), QStringLiteral("Rename"));
    QCOMPARE(msgForm(1), std::string("one"));
    QVERIFY(!tool->windowIcon().isNull());
    QCOMPARE(mode, 0);  // no state file yet
    hideForm(tool.get(), main_.get(), 0, 1);
  }

  void enableControlsByNamePart() {
    state_->state().backColor = 0x0000FF;
    state_->state().foreColor = 0x00FF00;
    QWidget form;
    auto* txtA = new QLineEdit(&form);
    txtA->setObjectName(QStringLiteral("txtDateA"));
    auto* comA = new QComboBox(&form);
    comA->setObjectName(QStringLiteral("comDateKind"));
    auto* other = new QLineEdit(&form);
    other->setObjectName(QStringLiteral("txtName"));
    enableControls(&form, "Date", false);
    QVERIFY(!txtA->isEnabled());
    QVERIFY(!comA->isEnabled());
    QVERIFY(other->isEnabled());
    QCOMPARE(txtA->palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
    enableControls(&form, "Date", true);
    QVERIFY(txtA->isEnabled());
    QCOMPARE(comA->palette().color(QPalette::Base), QColor(255, 0, 0));
    QCOMPARE(comA->palette().color(QPalette::Text), QColor(0, 255, 0));
  }

  void enableThenDisableText() {
    state_->state().backColor = 0x0000FF;
    state_->state().foreColor = 0x00FF00;
    QLineEdit box;
    enableText(&box);
    QVERIFY(box.isEnabled());
    QCOMPARE(box.palette().color(QPalette::Base), QColor(255, 0, 0));
    disableText(&box);
    QVERIFY(!box.isEnabled());
    QCOMPARE(box.palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
    QCOMPARE(box.palette().color(QPalette::Active, QPalette::Text), QColor(0, 255, 0));
    // Own controls take the colours through their properties.
    QWidget own;
    own.setProperty("BackColor", QVariant::fromValue(0u));
    disableText(&own);
    QCOMPARE(own.property("BackColor").toUInt(), 0xE0E0E0u);
  }

  void selectTextSelectsAll() {
    QLineEdit box(QStringLiteral("hello"));
    box.setCursorPosition(2);
    SelectText(&box);
    QCOMPARE(box.selectedText(), QStringLiteral("hello"));
    QComboBox combo;
    combo.setEditable(true);
    combo.setEditText(QStringLiteral("abc"));
    SelectText(&combo);
    QCOMPARE(combo.lineEdit()->selectedText(), QStringLiteral("abc"));
    SelectText(nullptr);
  }

  void toQColorSwapsChannels() {
    QCOMPARE(toQColor(0x123456), QColor(0x56, 0x34, 0x12));
    QCOMPARE(toQColor(0x8000000F), QApplication::palette().color(QPalette::Button));
  }
};

int main(int argc, char** argv) {
  QTemporaryDir home;
  for (const char* var : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) {
    qputenv(var, home.path().toLocal8Bit());
  }
  QApplication app(argc, argv);
  FormShowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "form_show_qtest.moc"
