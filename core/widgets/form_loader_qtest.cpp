// Language texts, saved state and tooltips applied to a form of ordinary Qt controls and of
// controls that expose the program's own properties.
#include "core/file_content.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/fake_host.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/text_controls.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace core;

namespace {

// A small tool form: one control of each kind the loader treats.
struct TestForm {
  std::unique_ptr<QWidget> form = std::make_unique<QWidget>();
  QLineEdit* txtFind = add<QLineEdit>("txtFind");
  QCheckBox* chkSub = add<QCheckBox>("chkSub");
  QRadioButton* optContent = add<QRadioButton>("optContent");
  QRadioButton* optName = add<QRadioButton>("optName");
  QComboBox* comKind = add<QComboBox>("comKind");
  QLabel* lblName = add<QLabel>("lblName");
  QLabel* lblPlain = add<QLabel>("lblPlain");
  QPushButton* cmdGo = add<QPushButton>("cmdGo");
  QGroupBox* fraBox = add<QGroupBox>("fraBox");
  QListWidget* lisFiles = add<QListWidget>("lisFiles");
  QWidget* arrMore = add<QWidget>("arrMore");   // own control with a Caption property
  QWidget* dirTree = add<QWidget>("dirTree");   // folder tree with a Path property
  QCheckBox* chkArr1 = add<QCheckBox>("chkArr");
  QCheckBox* chkArr2 = add<QCheckBox>("chkArr");
  QAction* smeAuto = new QAction(form.get());
  QMenu* menuFile = new QMenu(form.get());

  explicit TestForm(const char* name = "frmTest") {
    form->setObjectName(QString::fromLatin1(name));
    form->setWindowTitle(QStringLiteral("design"));
    comKind->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    arrMore->setProperty("Caption", QStringLiteral("more"));
    dirTree->setProperty("Path", QStringLiteral("/design/"));
    smeAuto->setObjectName(QStringLiteral("smeAuto"));
    smeAuto->setCheckable(true);
    menuFile->setObjectName(QStringLiteral("menuFile"));
    menuFile->setTitle(QStringLiteral("File"));
    cmdGo->setText(QStringLiteral("Go"));
  }
  template <class W>
  W* add(const char* name) {
    auto* w = new W(form.get());
    w->setObjectName(QString::fromLatin1(name));
    return w;
  }
};

std::string section(int lang, const std::string& tag) {
  return "LangA_Dat" + std::to_string(lang) + "\r\nfrmTestA_DatTitle " + tag + "A_Sep" +
         "msg1A_Dat" + tag + " first messageA_Sep" + "lblNameA_DatName " + tag + "A_Sep" +
         "msg2A_Dat" + tag + " secondA_Sep" + "cmdGoA_Dat&Go " + tag + "A_Sep" + "txtFindA_Datfind " + tag +
         "A_Sep" + "fraBoxA_DatBox " + tag + "A_Sep" + "arrMoreA_DatMore " + tag + "A_Sep" +
         "smeAutoA_DatAuto " + tag + "A_Sep" + "menuFileA_DatFile " + tag + "A_Sep" + "dirTreeA_Dat" + tag +
         "A_Sep" + "\r\nLangA_Sep\r\n";
}

}  // namespace

class FormLoaderTest : public QObject {
  Q_OBJECT
  QTemporaryDir app_, data_;
  std::unique_ptr<ScopedCoreState> state_;
  std::unique_ptr<FakeHost> fake_;
  std::unique_ptr<ScopedHost> scopedHost_;

  std::string appPath() const { return app_.path().toStdString() + "/"; }
  std::string dataPath() const { return data_.path().toStdString() + "/"; }

 private Q_SLOTS:
  void init() {
    state_ = std::make_unique<ScopedCoreState>();
    state_->state().appPath = appPath();
    state_->state().dataPath = dataPath();
    state_->state().fontName = "Courier New";
    fake_ = std::make_unique<FakeHost>();
    scopedHost_ = std::make_unique<ScopedHost>(*fake_);
    QDir(app_.path()).removeRecursively();
    QDir().mkpath(app_.path());
    clearToolTips();
  }
  void cleanup() {
    clearToolTips();
    scopedHost_.reset();
    fake_.reset();
    state_.reset();
  }

  void languageSectionOfLangIndex() {
    std::string file;
    const char* tags[] = {"EN", "FR", "DE", "ES", "NL"};
    for (int i = 0; i < 5; ++i) file += section(i, tags[i]);
    QCOMPARE(OutputFile(dataPath() + "LfrmTest.bin", file), 0);
    state_->state().langIndex = 2;
    TestForm f;
    int mode = 0;
    loadForm(f.form.get(), mode, {}, "Test");
    QCOMPARE(f.form->windowTitle(), QStringLiteral("Title DE"));
    QCOMPARE(f.lblName->text(), QStringLiteral("Name DE"));
    QCOMPARE(f.cmdGo->text(), QStringLiteral("&Go DE"));
    QCOMPARE(f.txtFind->text(), QStringLiteral("find DE"));
    QCOMPARE(f.fraBox->title(), QStringLiteral("Box DE"));
    QCOMPARE(f.arrMore->property("Caption").toString(), QStringLiteral("More DE"));
    QCOMPARE(f.smeAuto->text(), QStringLiteral("Auto DE"));
    QCOMPARE(f.menuFile->title(), QStringLiteral("File DE"));
    QCOMPARE(QString::fromStdString(msgForm(1)), QStringLiteral("DE first message"));
    QCOMPARE(QString::fromStdString(msgForm(2)), QStringLiteral("DE second"));
    QVERIFY(msgMain(1).empty());
    // Fonts: captioned controls and a label without an entry take the interface font; a menu
    // gets its caption only, and a folder tree with an entry keeps its font.
    const QString family = QStringLiteral("Courier New");
    QCOMPARE(f.lblName->font().family(), family);
    QCOMPARE(f.lblPlain->font().family(), family);
    QCOMPARE(f.lisFiles->font().family(), family);
    QVERIFY(f.menuFile->font().family() != family || QApplication::font().family() == family);
    QVERIFY(f.dirTree->font().family() != family || QApplication::font().family() == family);
    QVERIFY(fake_->responds.empty());
  }

  void mainFillsTheCommonTable() {
    QCOMPARE(OutputFile(dataPath() + "LfrmMain.bin", section(0, "EN")), 0);
    TestForm f;
    int mode = 0;
    loadForm(f.form.get(), mode, {}, "Main");
    QCOMPARE(QString::fromStdString(msgMain(2)), QStringLiteral("EN second"));
  }

  void missingFileGivesNoticeAndKeepsDesign() {
    state_->state().msgMain[85] = "Could not read the file: ";
    TestForm f;
    int mode = 0;
    loadForm(f.form.get(), mode, {}, "Nothing");
    QCOMPARE(fake_->responds.size(), size_t(1));
    const auto& r = fake_->responds.front();
    QCOMPARE(r.caller, f.form.get());
    QCOMPARE(QString::fromStdString(r.style), QStringLiteral("O"));
    QCOMPARE(QString::fromStdString(r.title), QStringLiteral("W"));
    QCOMPARE(r.text, "Could not read the file: " + dataPath() + "LfrmNothing.bin");
    QCOMPARE(f.cmdGo->text(), QStringLiteral("Go"));
    QCOMPARE(f.form->windowTitle(), QStringLiteral("design"));
  }

  void emptyOrForeignFileKeepsDesignSilently_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("otherSectionOnly") << QByteArray("LangA_Dat3\r\ncmdGoA_DatXA_SepLangA_Sep");
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0A_Sep", 16);
    QTest::newRow("truncated") << QByteArray("LangA_Dat0\r\ncmdGoA_Dat");
  }
  void emptyOrForeignFileKeepsDesignSilently() {
    QFETCH(QByteArray, content);
    QCOMPARE(OutputFile(dataPath() + "LfrmTest.bin", content.toStdString()), 0);
    TestForm f;
    int mode = 0;
    loadForm(f.form.get(), mode, {}, "Test");
    QVERIFY(fake_->responds.empty());
    QCOMPARE(f.form->windowTitle(), QStringLiteral("design"));
    QVERIFY(f.cmdGo->text() == QStringLiteral("Go") || f.cmdGo->text().isEmpty());
  }

  // --- state --------------------------------------------------------------------------------

  void saveAndLoadByMode_data() {
    QTest::addColumn<int>("saveMode");
    QTest::addColumn<int>("loadMode");
    QTest::addColumn<bool>("valuesBack");
    QTest::addColumn<QString>("textAfter");
    QTest::newRow("mode1") << 1 << 1 << true << QStringLiteral("saved text");
    QTest::newRow("mode2KeepsTextBoxes") << 1 << 2 << true << QStringLiteral("design text");
    QTest::newRow("savedWithoutTextAsMode2") << 2 << 1 << true << QString();
    QTest::newRow("loadMode0RestoresNothing") << 1 << 0 << false << QStringLiteral("design text");
  }
  void saveAndLoadByMode() {
    QFETCH(int, saveMode);
    QFETCH(int, loadMode);
    QFETCH(bool, valuesBack);
    QFETCH(QString, textAfter);
    {
      TestForm f;
      f.txtFind->setText(QStringLiteral("saved text"));
      f.chkSub->setChecked(true);
      f.optName->setChecked(true);
      f.comKind->setCurrentIndex(2);
      f.smeAuto->setChecked(true);
      f.dirTree->setProperty("Path", QStringLiteral("/saved/folder"));
      QCOMPARE(saveFormState(f.form.get(), std::string_view{}, saveMode), 0);
    }
    TestForm g;
    g.txtFind->setText(QStringLiteral("design text"));
    int mode = loadMode;
    loadForm(g.form.get(), mode, {}, {});
    QCOMPARE(mode, loadMode);
    QCOMPARE(g.txtFind->text(), textAfter);
    QCOMPARE(g.chkSub->isChecked(), valuesBack);
    QCOMPARE(g.optName->isChecked(), valuesBack);
    QCOMPARE(g.comKind->currentIndex(), valuesBack ? 2 : 0);
    QCOMPARE(g.smeAuto->isChecked(), valuesBack);
    QCOMPARE(g.dirTree->property("Path").toString(),
             valuesBack ? QStringLiteral("/saved/folder/") : QStringLiteral("/design/"));
  }

  void mode0WritesNothingAndNReturnsText() {
    TestForm f;
    f.chkSub->setChecked(true);
    QCOMPARE(saveFormState(f.form.get(), std::string_view{}, 0), 0);
    QVERIFY(!QFile::exists(QString::fromStdString(appPath() + "frmTest.txt")));
    std::string path = "N";
    QCOMPARE(saveFormState(f.form.get(), path, 1), 0);
    QVERIFY(path.find("chkSubA_Sep1A_Sep") != std::string::npos);
    QVERIFY(path.rfind("qw9ConfigsA_SepwinStateA_Sep0A_Sep", 0) == 0);
    QVERIFY(!QFile::exists(QString::fromStdString(appPath() + "frmTest.txt")));
    // Any other path is written there.
    const std::string other = appPath() + "rules.Ren";
    QCOMPARE(saveFormState(f.form.get(), std::string_view(other), 1), 0);
    QVERIFY(InputBits(other).find("optContentA_SepFalseA_Sep") != std::string::npos);
  }

  void stateTextMode3() {
    TestForm f;
    int mode = 3;
    loadForm(f.form.get(), mode,
             "txtFindA_SepgivenA_SepchkSubA_Sep1A_SepcomKindA_Sep1A_SepoptNameA_SepTrueA_Sep", {});
    QCOMPARE(mode, 1);
    QCOMPARE(f.txtFind->text(), QStringLiteral("given"));
    QVERIFY(f.chkSub->isChecked());
    QCOMPARE(f.comKind->currentIndex(), 1);
    QVERIFY(f.optName->isChecked());
  }

  // Tools fill some lists after the state is loaded (from the settings, a history); the saved
  // index must still arrive, survive a close before the fill, and yield to the user's own pick.
  void comboFilledAfterLoadTakesItsSavedIndex() {
    const std::string state = "comKindA_Sep2A_Sep";
    auto emptied = [](TestForm& f) {
      f.comKind->clear();
      return f.comKind;
    };
    TestForm f;
    QComboBox* com = emptied(f);
    int mode = 3;
    loadForm(f.form.get(), mode, state, {});
    com->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    QCOMPARE(com->currentIndex(), 2);

    TestForm g;
    com = emptied(g);
    mode = 3;
    loadForm(g.form.get(), mode, state, {});
    std::string saved = "N";
    QCOMPARE(saveFormState(g.form.get(), saved, 1), 0);
    QVERIFY2(saved.find("comKindA_Sep2A_Sep") != std::string::npos, saved.c_str());
    com->addItem(QStringLiteral("only"));
    Q_EMIT com->activated(0);  // the user picks before the rest arrives
    com->addItems({QStringLiteral("b"), QStringLiteral("c")});
    QCOMPARE(com->currentIndex(), 0);
  }

  void windowStates() {
    TestForm f;
    f.form->show();
    f.form->showMinimized();
    std::string text = "N";
    saveFormState(f.form.get(), text, 1);
    QVERIFY(text.find("winStateA_Sep0A_Sep") != std::string::npos);

    TestForm g;
    int mode = 1;
    QCOMPARE(OutputFile(appPath() + "frmTest.txt", "qw9ConfigsA_SepwinStateA_Sep2A_Sep"), 0);
    loadForm(g.form.get(), mode, {}, {});
    QVERIFY(g.form->windowState() & Qt::WindowMaximized);
    std::string again = "N";
    saveFormState(g.form.get(), again, 1);
    QVERIFY(again.find("winStateA_Sep2A_Sep") != std::string::npos);
  }

  void controlArrayMembersGetTheFirstValue() {
    QCOMPARE(OutputFile(appPath() + "frmTest.txt",
                        "qw9ConfigsA_SepwinStateA_Sep0A_SepchkArrA_Sep1A_SepchkArrA_Sep0A_Sep"), 0);
    TestForm f;
    int mode = 1;
    loadForm(f.form.get(), mode, {}, {});
    QVERIFY(f.chkArr1->isChecked());
    QVERIFY(f.chkArr2->isChecked());
    // Saving writes every member under the shared name.
    f.chkArr2->setChecked(false);
    std::string text = "N";
    saveFormState(f.form.get(), text, 1);
    QVERIFY(text.find("chkArrA_Sep1A_SepchkArrA_Sep0A_Sep") != std::string::npos);
  }

  void valuesHoldingMarkersRoundTrip() {
    const QString tricky = QStringLiteral("a A_Sep b A_Run c A_EndData A_EndNum %5F A_Esc");
    {
      TestForm f;
      f.txtFind->setText(tricky);
      f.chkSub->setChecked(true);
      QCOMPARE(saveFormState(f.form.get(), std::string_view{}, 1), 0);
    }
    const std::string raw = InputBits(appPath() + "frmTest.txt");
    QVERIFY(raw.find("A_Run") == std::string::npos);
    QVERIFY(raw.find("chkSubA_Sep1A_Sep") != std::string::npos);
    TestForm g;
    int mode = 1;
    loadForm(g.form.get(), mode, {}, {});
    QCOMPARE(g.txtFind->text(), tricky);
    QVERIFY(g.chkSub->isChecked());
  }

  void valueEqualToAnotherNameIsNotMistaken() {
    {
      TestForm f;
      f.txtFind->setText(QStringLiteral("chkSub"));
      f.chkSub->setChecked(false);
      saveFormState(f.form.get(), std::string_view{}, 1);
    }
    TestForm g;
    g.chkSub->setChecked(true);
    int mode = 1;
    loadForm(g.form.get(), mode, {}, {});
    QVERIFY(!g.chkSub->isChecked());
    QCOMPARE(g.txtFind->text(), QStringLiteral("chkSub"));
  }

  void badStateFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("modeAfter");
    QTest::addColumn<bool>("chkAfter");
    QTest::newRow("missing") << QByteArray("-") << 0 << false;
    QTest::newRow("empty") << QByteArray() << 0 << false;
    QTest::newRow("foreign") << QByteArray("<html>chkSubA_Sep1A_Sep") << 0 << false;
    QTest::newRow("noEntries") << QByteArray("qw9ConfigsA_SepwinStateA_Sep0A_Sep") << 1 << false;
    QTest::newRow("truncated") << QByteArray("qw9ConfigsA_SepwinStateA_Sep0A_SepchkSubA_Sep1A_SepcomKi") << 1 << true;
    QTest::newRow("badValues") << QByteArray("qw9ConfigsA_SepchkSubA_Sep7A_SepcomKindA_Sep99A_SepoptNameA_SepmaybeA_Sep")
                               << 1 << false;
  }
  void badStateFiles() {
    QFETCH(QByteArray, content);
    QFETCH(int, modeAfter);
    QFETCH(bool, chkAfter);
    if (content != "-") QCOMPARE(OutputFile(appPath() + "frmTest.txt", content.toStdString()), 0);
    state_->state().backColor = 0x0000FF;
    TestForm f;
    f.comKind->setCurrentIndex(1);
    int mode = 1;
    loadForm(f.form.get(), mode, {}, {});
    QCOMPARE(mode, modeAfter);
    QCOMPARE(f.chkSub->isChecked(), chkAfter);
    QCOMPARE(f.comKind->currentIndex(), 1);
    QVERIFY(!f.optName->isChecked());
    // Colours are applied whatever the file held.
    QCOMPARE(f.lisFiles->palette().color(QPalette::Base), QColor(255, 0, 0));
  }

  // A state file of 3 GB (sparse) gives a notice and the window opens as designed.
  void hugeStateFileGivesNoticeAndKeepsDesign() {
    state_->state().msgMain[161] = "Too large: ";
    const std::string file = appPath() + "frmTest.txt";
    QCOMPARE(OutputFile(file, "qw9ConfigsA_SepchkSubA_Sep1A_Sep"), 0);
    QVERIFY(QFile::resize(QString::fromStdString(file), qint64{3} << 30));
    TestForm f;
    int mode = 1;
    loadForm(f.form.get(), mode, {}, {});
    QCOMPARE(mode, 0);
    QVERIFY(!f.chkSub->isChecked());
    QCOMPARE(fake_->responds.size(), size_t(1));
    QCOMPARE(fake_->responds.front().text, "Too large: " + file);
    QCOMPARE(QFileInfo(QString::fromStdString(file)).size(), qint64{3} << 30);
  }

  void coloursOnlyOnEnabledControls() {
    state_->state().backColor = 0x00FF00;
    state_->state().foreColor = 0xFF0000;
    state_->state().hiddenColor = 0x123456;
    TestForm f;
    f.txtFind->setEnabled(false);
    const QColor before = f.txtFind->palette().color(QPalette::Base);
    int mode = 0;
    loadForm(f.form.get(), mode, {}, {});
    QCOMPARE(f.comKind->palette().color(QPalette::Base), QColor(0, 255, 0));
    QCOMPARE(f.comKind->palette().color(QPalette::Text), QColor(0, 0, 255));
    QCOMPARE(f.txtFind->palette().color(QPalette::Base), before);
    QCOMPARE(fake_->hiddenColours.size(), size_t(1));
    QCOMPARE(fake_->hiddenColours.front().first, f.dirTree);
    QCOMPARE(fake_->hiddenColours.front().second, 0x123456u);
  }

  // --- tips ---------------------------------------------------------------------------------

  void tipsFollowTheTickAndTheLastForm() {
    QCOMPARE(OutputFile(dataPath() + "HfrmTest0.txt", "cmdGoA_DatRuns itA_SeplblNameA_DatThe nameA_Sep"), 0);
    QCOMPARE(OutputFile(dataPath() + "HfrmOther0.txt", "chkSubA_DatSubfoldersA_Sep"), 0);
    TestForm f("frmTest");
    TestForm g("frmOther");
    loadToolTips(f.form.get());
    QVERIFY(liveTipNames().empty());  // tips option off
    fake_->tipsTick = true;
    loadToolTips(f.form.get());
    QCOMPARE(liveTipNames().size(), size_t(2));
    QCOMPARE(*fake_->liveTips, 2);
    for (const auto& t : fake_->tips) {
      QCOMPARE(t.tip, std::string(t.controlName == QStringLiteral("cmdGo") ? "Runs it" : "The name"));
      QCOMPARE(t.font, std::string("Courier New"));
    }
    loadToolTips(g.form.get());
    QCOMPARE(*fake_->liveTips, 1);  // the first form's tips are gone
    QCOMPARE(liveTipNames().front(), QStringLiteral("chkSub"));
    // A missing or tiny tip file attaches nothing.
    QCOMPARE(OutputFile(dataPath() + "HfrmOther0.txt", "ab"), 0);
    loadToolTips(g.form.get());
    QCOMPARE(*fake_->liveTips, 0);
  }
};

int main(int argc, char** argv) {
  QTemporaryDir home;
  for (const char* var : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) {
    qputenv(var, home.path().toLocal8Bit());
  }
  QApplication app(argc, argv);
  FormLoaderTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "form_loader_qtest.moc"
