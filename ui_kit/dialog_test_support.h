// Shared fixture of the dialogs' Qt tests: a private temporary home (HOME, the XDG folders and
// TMPDIR point into it), a fresh core state whose common messages read "{n}" (with appPath in the
// temporary folder and the shipped language files of the source tree), and helpers that answer
// the message boxes a test expects. Only *_qtest.cpp files include it.
#pragma once

#include "core/settings.h"
#include "core/state.h"
#include "platform/test_home.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/message_box.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace uikit::testing {

class DialogEnv {
 public:
  DialogEnv() {
    if (!tmp_.isValid()) qFatal("no temporary folder");
    base_ = tmp_.path().toStdString() + "/";
    home_.emplace(base_, platform::testing::IsolatedHome::perVariable("env/"));
    core::setSettingsWord("vardulek");
    state_ = std::make_unique<core::ScopedCoreState>();
    core::CoreState& st = state_->state();
    for (int n = 1; n <= 130; ++n) st.msgMain[static_cast<std::size_t>(n)] = "{" + std::to_string(n) + "}";
    st.appPath = base_ + "app/";
    st.tempPath = base_ + "temp/";
    st.dataPath = std::string(CORVANE_SOURCE_DIR) + "/data/";
    std::filesystem::create_directories(st.appPath);
    std::filesystem::create_directories(st.tempPath);
  }
  ~DialogEnv() = default;
  DialogEnv(const DialogEnv&) = delete;
  DialogEnv& operator=(const DialogEnv&) = delete;
  [[nodiscard]] const std::string& base() const { return base_; }
  [[nodiscard]] std::string app() const { return core::coreState().appPath; }
  core::CoreState& state() { return state_->state(); }
  std::string makeFile(const std::string& rel, const std::string& content) {
    const std::string path = base_ + rel;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  static std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  QTemporaryDir tmp_;
  std::string base_;
  std::unique_ptr<core::ScopedCoreState> state_;
  std::optional<platform::testing::IsolatedHome> home_;
};

// The innermost waiting message box, waiting up to two seconds for one to appear.
inline FrmResponse* waitForBox(std::size_t depth = 1) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 2000) {
    const auto boxes = openMessageBoxes();
    if (boxes.size() >= depth) return boxes.back();
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return nullptr;
}

// Presses button (e.g. "cmd4") of the next box that opens, from the event loop.
inline void answerNextBox(const char* button, std::size_t depth = 1) {
  QTimer::singleShot(0, [button, depth] {
    if (FrmResponse* box = waitForBox(depth)) {
      if (CtrlCmd* b = box->button(button)) b->click();
    }
  });
}

}  // namespace uikit::testing
