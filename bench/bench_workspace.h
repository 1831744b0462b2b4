// A tool benchmark's working folder: the first argument, else a new temporary folder removed at the
// end. HOME, the XDG folders and the program's temporary folder lie inside it (below "env/"), so a
// run never touches the user's own; the settings word is set as the program sets it.
#pragma once

#include "core/settings.h"
#include "core/state.h"
#include "platform/test_home.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <optional>

namespace bench {

class Workspace {
 public:
  // name: the benchmark's short name, part of the temporary folder's name.
  Workspace(int argc, char** argv, const char* name)
      : made_(QDir::tempPath() + QStringLiteral("/corvane_bench_") + QString::fromLatin1(name) +
              QStringLiteral("-XXXXXX")),
        root_(argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::path(made_.path().toStdString())) {
    if (argc <= 1 && !made_.isValid()) {
      std::fprintf(stderr, "cannot create a temporary folder\n");
      return;
    }
    home_.emplace(root_.string(), platform::testing::IsolatedHome::perVariable("env/"));
    state_.emplace();
    state_->state().tempPath = (root_ / "env/TMPDIR/").string();
    std::filesystem::create_directories(state_->state().tempPath);
    core::setSettingsWord("vardulek");
  }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  // False when no folder could be made (a line on standard error says so).
  [[nodiscard]] bool ok() const { return state_.has_value(); }
  [[nodiscard]] const std::filesystem::path& root() const { return root_; }
  [[nodiscard]] core::CoreState& state() { return state_->state(); }

 private:
  QTemporaryDir made_;
  std::filesystem::path root_;
  std::optional<platform::testing::IsolatedHome> home_;
  std::optional<core::ScopedCoreState> state_;
};

}  // namespace bench
