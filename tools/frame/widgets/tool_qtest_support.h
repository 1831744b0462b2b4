// Test support for tool windows: a control of a window found by its object name, and the main
// window a tool window test opens its tool from. Only *_qtest.cpp files include it.
#pragma once

#include "core/settings.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/frame/widgets/tool_window.h"

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
  return main;
}

// The tool window W opened through the main window's menu item menu (nullptr when it did not open).
template <class W>
W* openTool(mainwin::MainForm* main, const char* menu) {
  auto* w = dynamic_cast<W*>(mainwin::launchTool(menu, main));
  if (w) QTest::qWait(20);
  return w;
}

// After each test: the tool window named formName closed when it shows, the run pipeline reset.
inline void closeTool(const char* formName) {
  ToolWindow::usePipeline(nullptr);
  if (auto* w = dynamic_cast<ToolWindow*>(mainwin::toolFormInstance(formName)); w && w->isVisible()) w->closeForm();
}

}  // namespace tools::testing
