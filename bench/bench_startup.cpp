// Start-up time of the main program: from starting the process to the first list of a
// 10,000-file folder shown. Each run is a fresh child process with fresh settings (a first run);
// one warm-up run fills the file-system cache, then the median of five runs is printed.
#include "core/widgets/start_routine.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/main_form.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int kFiles = 10000;
constexpr int kRuns = 5;

// The child: the real start routine and main window on folder; prints "shown" once the list holds
// every file and the window has painted.
int child(int argc, char** argv, const QString& folder) {
  QApplication app(argc, argv);
  mainwin::MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
  std::unique_ptr<mainwin::MainForm> form;
  core::StartEnvironment env = core::systemStartEnvironment();
  env.runAndWait = [](std::string_view, std::string_view) { return 0; };
  if (!core::Main(env, [&form, &folder]() -> QWidget* {
        form = std::make_unique<mainwin::MainForm>(QFile::encodeName(folder).toStdString());
        return form.get();
      })) {
    return 1;
  }
  auto check = std::make_shared<std::function<void()>>();
  *check = [&form, check] {
    if (form->list().model()->rowCount() >= kFiles) {
      form->repaint();
      std::printf("shown\n");
      std::fflush(stdout);
      QCoreApplication::exit(0);
      return;
    }
    QTimer::singleShot(1, *check);
  };
  QTimer::singleShot(0, *check);
  return app.exec();
}

double runOnce(const QString& self, const QString& folder, const QString& home) {
  QDir(home).removeRecursively();
  QDir().mkpath(home + QStringLiteral("/run"));
  QFile::setPermissions(home + QStringLiteral("/run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("HOME"), home);
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
  env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
  env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
  if (!env.contains(QStringLiteral("QT_QPA_PLATFORM"))) env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  QProcess p;
  p.setProcessEnvironment(env);
  QElapsedTimer t;
  t.start();
  p.start(self, {QStringLiteral("--child"), folder});
  while (p.waitForReadyRead(30000)) {
    if (p.readAll().contains("shown")) {
      const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
      p.waitForFinished(10000);
      return ms;
    }
  }
  p.kill();
  p.waitForFinished();
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && QByteArray(argv[1]) == "--child") return child(argc, argv, QString::fromLocal8Bit(argv[2]));
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString folder = dir.path() + QStringLiteral("/files");
  QDir().mkpath(folder);
  for (int i = 0; i < kFiles; ++i) {
    QFile f(folder + QStringLiteral("/file%1.txt").arg(i, 5, 10, QLatin1Char('0')));
    if (!f.open(QIODevice::WriteOnly)) return 1;
    f.write("data");
  }
  const QString self = QCoreApplication::applicationFilePath();
  const QString home = dir.path() + QStringLiteral("/home");
  if (runOnce(self, folder, home) < 0) {
    std::fprintf(stderr, "bench_startup: the child did not show the list\n");
    return 1;
  }
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) times.push_back(runOnce(self, folder, home));
  std::sort(times.begin(), times.end());
  std::printf("startup_to_first_list_10000_files: %.1f ms\n", times[kRuns / 2]);
  return 0;
}
