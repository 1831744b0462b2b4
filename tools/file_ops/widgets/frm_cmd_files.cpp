// The batch builder's files: the last code loaded at the window's making, batch code files loaded
// and saved through the file dialog, copies of the job, Clear, and what closing keeps.
#include "tools/file_ops/widgets/frm_cmd.h"

#include "core/data_files.h"
#include "core/file_content.h"
#include "core/file_paths.h"
#include "core/pipeline.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "main_window/widgets/main_host.h"
#include "ui_kit/file_dialog.h"

#include <QAction>

namespace tools::file_ops {

namespace {

constexpr std::string_view kLastCode = "vardtlf";
constexpr std::string_view kStateFile = "frmCmd.txt";
constexpr std::string_view kFirstCode = "Append.qw";
constexpr std::string_view kCodeName = "QWBatchCode.qw";

std::string nameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isCodeFileName(const std::string& path) {
  const std::string name = nameOf(path);
  return name == kStateFile || (name.size() > 3 && vb::LCase(name.substr(name.size() - 3)) == ".qw");
}

int ask(QWidget* caller, std::string_view style, const std::string& text, std::string_view title) {
  return core::host().respond(caller, style, text, title, "");
}

}  // namespace

void FrmCmd::loadAtStart() {
  std::string last = core::getSet(kLastCode);
  if (core::FileExist(jobPath_) != 0) (void)core::KillFile(jobPath_);
  enableJobMenus();
  if (last.empty()) {
    last = core::dataFile(kFirstCode);
    core::saveSet(kLastCode, last);
  } else if (!isCodeFileName(last)) {
    // The last file another tool loaded (a rename rule set, an extractor preset) is not a code.
    const std::string own = core::coreState().appPath + std::string(kStateFile);
    last = core::FileExist(own) != 0 ? own : core::dataFile(kFirstCode);
  }
  if (core::FileExist(last) != 0) (void)loadCode(last);
}

std::uint8_t FrmCmd::loadHandle(const QString& myFile) { return loadCode(vb::bpath(myFile)); }

std::uint8_t FrmCmd::loadCode(const std::string& path) {
  const core::CappedRead text = core::readCapped(path, kMaxCodeFileBytes);
  if (text.tooLarge) {
    (void)ask(this, "O", core::msgMain(161) + path, "E");
    return 1;
  }
  const std::optional<BatchCode> loaded = text.data ? parseBatchCode(*text.data) : std::nullopt;
  if (!loaded) {
    (void)ask(this, "O", message(24), "E");
    return 1;
  }
  setCode(*loaded);
  if (core::FileExist(jobPath_) != 0) (void)core::KillFile(jobPath_);
  enableJobMenus();
  core::saveSet(kLastCode, path);
  if (nameOf(path) != kStateFile) setCaptionText(nameOf(path));
  return 0;
}

void FrmCmd::openSaveDialog(SaveMode mode, const std::string& name, const std::string& pattern) {
  saveMode_ = mode;
  uikit::FrmBrowse::LoadMe(this, QStringLiteral("Save"), vb::qpath(name), vb::qs(pattern));
}

void FrmCmd::saveCode(SaveMode mode) {
  // The caption names the code file last loaded or saved; any other caption proposes the default.
  const std::string caption = vb::bs(windowTitle());
  openSaveDialog(mode, isCodeFileName(caption) && nameOf(caption) != kStateFile ? caption : std::string(kCodeName),
                 "*.qw");
}

void FrmCmd::menuSaveJ() {
  if (core::FileExist(jobPath_) == 0) {
    reportNoJob();
    return;
  }
  openSaveDialog(SaveMode::JobCopy, std::string(kJobName), "*.sh");
}

std::uint8_t FrmCmd::saveHandle(const QString& myFile) {
  const std::string path = vb::bpath(myFile);
  if (saveMode_ == SaveMode::JobCopy) {
    const std::optional<std::string> job = core::readBits(jobPath_);
    if (!job) {
      (void)ask(this, "O", message(20) + jobPath_, "E");
      return 1;
    }
    core::Pipeline* pipe = mainwin::mainPipeline();
    if (!pipe) return core::OutputFile(path, *job) == 0 ? 0 : 1;
    return static_cast<std::uint8_t>(pipe->saveTextFile(this, path, *job));
  }
  if (core::FileExist(path) != 0 && ask(this, "YN", message(21), "W") != core::kAnswerYes) return 1;
  if (core::OutputFile(path, batchCodeText(code())) != 0) {
    (void)ask(this, "O", message(22), "E");
    return 1;
  }
  setCaptionText(nameOf(path));
  baseline_ = templates();
  if (saveMode_ == SaveMode::CodeThenClear) clearBoxes();
  saveMode_ = SaveMode::Code;
  (void)ask(this, "O", message(23), message(23));
  core::saveSet(kLastCode, path);
  return 0;
}

bool FrmCmd::goOnWithoutSaving(SaveMode ifSaved) {
  if (!hasUnsavedChanges()) return true;
  const int answer = ask(this, "YNC", message(1), message(2));
  if (answer == core::kAnswerFirst) saveCode(ifSaved);
  return answer == core::kAnswerSecond;
}

void FrmCmd::menuLoad() {
  if (!goOnWithoutSaving(SaveMode::Code)) return;
  uikit::FrmBrowse::LoadMe(this, QStringLiteral("Load"), vb::qpath(nameOf(core::getSet(kLastCode))),
                           QStringLiteral("*.qw"));
}

void FrmCmd::menuClear() {
  if (goOnWithoutSaving(SaveMode::CodeThenClear)) clearBoxes();
}

void FrmCmd::clearBoxes() {
  BatchCode empty = code();
  empty.templates = {};
  setCode(empty);
  setCaptionText(message(25));
}

void FrmCmd::enableJobMenus() {
  const bool job = core::FileExist(jobPath_) != 0;
  for (const char* name : {"menuEdit", "menuLaunch", "menuSaveJ"}) action(QLatin1String(name))->setEnabled(job);
}

void FrmCmd::reportNoJob() {
  (void)ask(this, "O", message(18) + jobPath_ + "\r\n" + message(19), "I");
  for (const char* name : {"menuEdit", "menuLaunch", "menuSaveJ"}) action(QLatin1String(name))->setEnabled(false);
}

void FrmCmd::closing() {
  // The frame then saves the state file, which is what the next start loads.
  core::saveSet(kLastCode, core::coreState().appPath + std::string(kStateFile));
  setCaptionText(message(25));
}

}  // namespace tools::file_ops
