// The replace window as the main window opens it: from the contents menu it comes up set to
// contents (whatever its saved state said), from the names menu as it was left; and in each of the
// five languages no caption of it is cut short.
#include "tools/text/widgets/frm_replace.h"
#include "tools/text/widgets/frm_replace_register.h"

#include "core/language_file.h"
#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using namespace mainwin;

namespace {

QString plain(QString caption) { return caption.remove(QRegularExpression(QStringLiteral("&(?!&)"))); }

// "control: text (needs n, has m)" for each visible button or label of form whose text is cut.
QStringList cutTexts(QWidget* form) {
  QStringList problems;
  for (QWidget* w : form->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(form) || w->window() != form) continue;
    QString text;
    int needs = 0;
    if (auto* cmd = qobject_cast<uikit::CtrlCmd*>(w)) {
      text = cmd->text();
      needs = QFontMetrics(w->font()).horizontalAdvance(plain(text)) + 8;
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      text = b->text();
      needs = b->sizeHint().width();
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
      text = l->text();
      needs = QFontMetrics(l->font()).size(Qt::TextShowMnemonic, text).width();
    }
    if (!text.isEmpty() && needs > w->width())
      problems << QStringLiteral("%1: \"%2\" needs %3 px, has %4").arg(w->objectName(), text).arg(needs).arg(w->width());
  }
  return problems;
}

}  // namespace

class FrmReplaceLaunchTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainForm> main_;

  tools::text::FrmReplace* open(const char* menu) {
    QAction* a = main_->action(QString::fromLatin1(menu));
    if (!a || !a->isEnabled()) return nullptr;
    a->trigger();
    return qobject_cast<tools::text::FrmReplace*>(toolFormInstance("frmReplace"));
  }
  template <class T>
  static T* get(QWidget* form, const char* name) {
    return form->findChild<T*>(QString::fromLatin1(name));
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    tools::text::registerReplaceTool();
    main_ = std::make_unique<MainForm>(std::string());
    main_->show();
  }
  void cleanupTestCase() { main_.reset(); }

  void theContentsMenuOpensItSetToContents() {
    auto* form = open("menuReplace");
    QVERIFY(form);
    QVERIFY(form->isVisible());
    get<QRadioButton>(form, "optFile")->setChecked(true);
    get<uikit::CtrlCheckBox>(form, "chkWildCards")->setValue(1);
    form->closeForm();
    QVERIFY(!form->isVisible());

    form = open("menuConSer");
    QVERIFY(get<QRadioButton>(form, "optContent")->isChecked());
    QVERIFY(get<uikit::CtrlCheckBox>(form, "chkSpan")->isVisibleTo(form));  // the window followed the preset
    form->closeForm();

    form = open("menuReplace2");
    QVERIFY(get<QRadioButton>(form, "optContent")->isChecked());  // as it was left
    form->closeForm();
  }

  void everyLanguageFits() {
    const char* titles[] = {"Search And Replace", "Rechercher et remplacer", "Suchen und Ersetzen",
                            "Buscar y reemplazar", "Zoeken en vervangen"};
    for (int lang = 0; lang < 5; ++lang) {
      core::coreState().langIndex = lang;
      auto* form = open("menuReplace");
      QVERIFY(form);
      // The options that hide controls, all shown.
      get<uikit::CtrlCheckBox>(form, "chkWildCards")->setValue(1);
      get<QRadioButton>(form, "optContent")->setChecked(true);
      get<uikit::CtrlCheckBox>(form, "chkTags")->setValue(1);
      get<uikit::CtrlCheckBox>(form, "chkMulRun")->setValue(1);
      form->doResize();
      QApplication::processEvents();
      QCOMPARE(form->windowTitle(), QString::fromUtf8(titles[lang]));
      const QStringList cut = cutTexts(form);
      QVERIFY2(cut.isEmpty(), qPrintable(QStringLiteral("language %1: ").arg(lang) + cut.join(QStringLiteral("; "))));
      const QString shots = qEnvironmentVariable("CORVANE_SHOT_DIR");
      if (!shots.isEmpty()) form->grab().save(shots + QStringLiteral("/frmReplace%1.png").arg(lang));
      form->closeForm();
    }
    core::coreState().langIndex = 0;
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmReplaceLaunchTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_replace_launch_qtest.moc"
