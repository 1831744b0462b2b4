// Test support for tool windows: a control of a window found by its object name, and the main
// window a tool window test opens its tool from. Only *_qtest.cpp files include it.
#pragma once

#include "core/settings.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/frame/widgets/tool_window.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

namespace tools::testing {

// w's child named name as a T, or nullptr when it has none of that name and type.
template <class T = QWidget>
T* child(const QWidget* w, const char* name) {
  return w->findChild<T*>(QString::fromLatin1(name));
}

// A folder of the temporary folder named name, made with one file in it holding contents, for the
// main window to show; its path (without a last "/"), or "" when the file could not be written.
inline QString folderWithFile(const QString& name, const QString& file, const QByteArray& contents = {}) {
  const QString folder = QDir::tempPath() + QLatin1Char('/') + name;
  QDir().mkpath(folder);
  QFile f(folder + QLatin1Char('/') + file);
  if (!f.open(QIODevice::WriteOnly) || f.write(contents) != contents.size()) return {};
  return folder;
}

// The main window shown on folder (without its last "/"), as a tool window test wants it: no
// program is started, no tip window opens, the filters are on; registerTool runs first, as the
// tools register at start-up before the window is built.
inline std::unique_ptr<mainwin::MainForm> startMainWindow(const QString& folder, const std::function<void()>& registerTool) {
  mainwin::MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
  core::saveSet("vardfilt", "1");
  core::saveSet("doTips", "0");
  registerTool();
  auto main = std::make_unique<mainwin::MainForm>(folder.toStdString() + "/");
  main->show();
  // Settled first: an activation of the main window still under way would take the keyboard from
  // the tool window opened next.
  main->activateWindow();
  if (!QTest::qWaitFor([&main] { return QApplication::activeWindow() == main.get(); }, 5000)) {
    qWarning("the main window did not become active");
  }
  return main;
}

// The tool window W opened through the main window's menu item menu, once it is the active window
// (nullptr when it did not open).
template <class W>
W* openTool(mainwin::MainForm* main, const char* menu) {
  auto* w = dynamic_cast<W*>(mainwin::launchTool(menu, main));
  if (w && !QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }, 5000)) {
    qWarning("%s: the window did not become active", menu);
  }
  return w;
}

// After each test: the tool window named formName closed when it shows, the run pipeline reset.
inline void closeTool(const char* formName) {
  ToolWindow::usePipeline(nullptr);
  if (auto* w = dynamic_cast<ToolWindow*>(mainwin::toolFormInstance(formName)); w && w->isVisible()) w->closeForm();
}

}  // namespace tools::testing
