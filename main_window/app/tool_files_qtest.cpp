// Every tool the program registers ships what its window loads when it opens: its language file
// with all five language sections (each with the window's caption) and, when a menu shows it with
// tips, its five tip files; and its factory makes the window the launcher names. A tool that lacks
// one fails here instead of greeting its first user with a notice.
#include "main_window/app/tool_list.h"

#include "core/file_content.h"
#include "core/language_file.h"
#include "core/settings.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/frame/widgets/tool_window.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <map>
#include <string>

using namespace mainwin;

namespace {

struct ToolFiles {
  std::string form, shortName;
  bool tips = false;
};

// The forms the launcher opens now, with their short names and whether any entry shows tips.
std::map<std::string, ToolFiles> registeredTools() {
  std::map<std::string, ToolFiles> tools;
  for (const LaunchEntry& e : launchTable()) {
    if (e.form.empty() || !toolFormAvailable(e.form)) continue;
    ToolFiles& t = tools[std::string(e.form)];
    t.form = e.form;
    t.shortName = e.shortName;
    t.tips = t.tips || e.tips != 0;
  }
  return tools;
}

// What tool lacks in the data folder dataDir, one line per fault.
QStringList missingFiles(const ToolFiles& tool, const std::string& dataDir) {
  QStringList faults;
  const std::string name = core::languageFileName(tool.shortName);
  const std::string text = core::InputBits(dataDir + name);
  if (text == core::kErr) {
    faults << QString::fromStdString(name + " is missing");
  } else {
    for (int lang = 0; lang < 5; ++lang) {
      const auto section = core::languageSection(text, lang);
      if (!section || !core::sectionEntry(*section, tool.form)) {
        faults << QString::fromStdString(name + ": no section with the caption " + tool.form + " for language " +
                                         std::to_string(lang));
      }
    }
  }
  for (int lang = 0; tool.tips && lang < 5; ++lang) {
    const std::string tips = core::tipFileName(tool.form, lang);
    if (!std::filesystem::is_regular_file(dataDir + tips)) faults << QString::fromStdString(tips + " is missing");
  }
  return faults;
}

const std::string kShippedData = std::string(CORVANE_SOURCE_DIR) + "/data/";

}  // namespace

class ToolFilesTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void everyRegisteredToolShipsItsFiles() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("doTips", "0");
    registerTools();
    MainForm main(std::string{});  // registers the settings dialog
    const auto tools = registeredTools();
    QVERIFY(tools.count("frmSettings"));
    for (const auto& [form, tool] : tools) {
      const QStringList faults = missingFiles(tool, kShippedData);
      QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
      QWidget* window = toolFormInstance(form);
      QVERIFY2(window, form.c_str());
      QCOMPARE(window->objectName(), QString::fromStdString(form));
      if (auto* frame = qobject_cast<tools::ToolWindow*>(window)) {
        QCOMPARE(QString::fromStdString(frame->shortName()), QString::fromStdString(tool.shortName));
      }
    }
  }

  void faultsAreFound_data() {
    QTest::addColumn<QString>("ships");  // "lang": a language file with only English; "tips": tip files
    QTest::addColumn<bool>("tips");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("nothing shipped") << "" << true
                                     << QStringList{"LfrmDemo.bin is missing", "HfrmDemo0.txt is missing",
                                                    "HfrmDemo4.txt is missing"};
    QTest::newRow("no tips needed") << "" << false << QStringList{"LfrmDemo.bin is missing"};
    QTest::newRow("one language") << "lang,tips" << true
                                  << QStringList{"language 1", "language 4"};
  }
  void faultsAreFound() {
    QFETCH(QString, ships);
    QFETCH(bool, tips);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const std::string data = dir.path().toStdString() + "/";
    if (ships.contains(QLatin1String("lang"))) {
      QCOMPARE(core::OutputFile(data + "LfrmDemo.bin", "LangA_Dat0\r\nfrmDemoA_DatDemoA_Sep\r\nLangA_Sep"), 0);
    }
    for (int lang = 0; ships.contains(QLatin1String("tips")) && lang < 5; ++lang) {
      QCOMPARE(core::OutputFile(data + core::tipFileName("frmDemo", lang), "cmdGoA_DatGoA_Sep"), 0);
    }
    const QStringList faults = missingFiles({"frmDemo", "Demo", tips}, data);
    QVERIFY(!faults.isEmpty());
    for (const QString& e : expected) {
      QVERIFY2(!faults.filter(e).isEmpty(), qPrintable(e + QStringLiteral(" not in: ") + faults.join(u'|')));
    }
    if (!tips) QVERIFY(faults.filter(QStringLiteral("Hfrm")).isEmpty());
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  ToolFilesTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "tool_files_qtest.moc"
