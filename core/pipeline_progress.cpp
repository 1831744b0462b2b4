// The results log, progress display and the end of a run: addResult, addToLog, the progress
// routines, finishOperation and showRunError.
#include "core/pipeline.h"

#include "core/file_times.h"
#include "core/shown_dates.h"
#include "core/state.h"
#include "platform/step_scope.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <cmath>

namespace core {

namespace {
constexpr int kBarFull = 6015;      // twips: the progress bar's full width
constexpr int kBarStep = 100;       // the bar is redrawn only after growing by more than this
constexpr std::size_t kStageLimit = 5001;  // staged characters that move into the log
const std::string kCrLf = "\r\n";

// The time stamp the results viewer files a report under.
std::string reportStamp(const QDateTime& t) {
  return t.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")).toStdString();
}
}  // namespace

std::function<void()> Pipeline::setBeforeResult(std::function<void()> hook) {
  std::swap(hook, beforeResult_);
  return hook;
}

void Pipeline::addResult(std::string_view line) {
  if (beforeResult_) beforeResult_();
  resultLines_ += line;
  resultLines_ += kCrLf;
  if (resultLines_.size() >= kStageLimit) {
    addToLog(resultsLog_, resultLines_);
    resultLines_.clear();
  }
}

void Pipeline::addToLog(ResultsLog& log, std::string_view piece) { log.append(piece, spills_); }

void Pipeline::logMissingDir(const std::string& folder) {
  if (progressTotal_ == 0) return;
  // Remembered per run rather than searched for in the log: the log may have spilled to a file.
  if (!missingLogged_.insert(folder).second) return;
  addResult(msgMain(95) + folder + msgMain(94));
}

int Pipeline::checkDirExists(const std::string& folder) {
  if (PathExist(folder)) return 1;
  logMissingDir(folder);
  return 0;
}

void Pipeline::resetProgress(long long total) {
  progressTotal_ = std::max(0LL, total);
  progressDone_ = 0;
  barWidth_ = 0;
  host_.setProgressBar(0);
  percentText_ = "0%";
  host_.setProgressPercent(percentText_);
  host_.doEvents();
}

void Pipeline::updateProgress(double part, double parts) {
  if (parts == part) {
    progressDone_ += 1;
  } else if (part == 0) {
    progressDone_ += parts;
  }
  showProgressWithin(part, parts);
  host_.doEvents();
}

void Pipeline::showProgressWithin(double part, double parts) {
  // The part of the current item still in progress; a finished item is already in progressDone_.
  double within = 0;
  if (parts > 0 && part > 0 && part < parts) within = part / parts;
  double fraction = progressTotal_ > 0 ? (within + progressDone_) / static_cast<double>(progressTotal_) : 0;
  if (!(fraction >= 0)) fraction = 0;  // also catches NaN
  fraction = std::min(fraction, 1.0);
  setProgressBar(fraction * kBarFull);
  const std::string percent = std::to_string(static_cast<int>(std::floor(fraction * 100))) + "%";
  if (percent != percentText_) {
    percentText_ = percent;
    host_.setProgressPercent(percent);
  }
}

void Pipeline::updateProgress(double part) { updateProgress(part, host_.listCount()); }

void Pipeline::setProgressBar(double twips) {
  int width = 0;
  if (twips > 0) width = twips >= kBarFull ? kBarFull : static_cast<int>(twips);
  if (width > barWidth_ + kBarStep) {
    barWidth_ = width;
    host_.setProgressBar(width);
  }
}

void Pipeline::stepProgress(DirCursor& more) {
  updateProgress(0, 1);
  if (host_.isCancel() != CancelState::Running) more = 0;
}

void Pipeline::stepProgressDir(DirCursor& more) {
  if (host_.listCount() != 0) updateProgress(0, 1);
  if (host_.isCancel() != CancelState::Running) more = 0;
}

void Pipeline::showProgressFile(const std::string& name, long long index) {
  host_.setProgressPath(name);
  if (index >= 0) {
    host_.setProgressFile(msgMain(40) + std::to_string(index) + msgMain(28) +
                          std::to_string(host_.listCount()));
  } else {
    host_.setProgressFile("");
  }
}

void Pipeline::setProgressCaption(const std::string& text) {
  host_.setProgressCaption(text);
  host_.doEvents();
}

void Pipeline::clearLogs() {
  resultsLog_.clear();
  resultsText_.clear();
  resultLines_.clear();
  missingLogged_.clear();
}

void Pipeline::endRun() {
  writeHiddenMoves();
  progressTotal_ = 0;
  agreement_.reset();
  scope_.reset();
}

void Pipeline::finishOperation(ToolForm* form, RefreshMode refreshMode) {
  endRun();
  const CancelState cancelState = host_.isCancel();
  // The creation time cannot be set here: a run that asked for it gets one line saying so, as a
  // note after the report's lines and before its last word; it is not a problem with any item.
  const bool creationNotice = takeCreationTimeNotice();
  if (refreshMode != RefreshMode::None) {
    host_.showSkip(true);
    host_.refreshMain(refreshMode);
  }
  std::string report = resultsText_.text() + kCrLf + msgMain(71);
  const std::string lines = resultsLog_.text() + resultLines_;
  if (!lines.empty()) {
    report = kCrLf + msgMain(72) + report + lines;
  } else if (cancelState == CancelState::Cancelled) {
    // No problems so far is no all-clear: what was not reached was never tried.
    report = report + msgMain(74);
  } else {
    report = msgMain(73) + report + msgMain(74);
  }
  const QDateTime now = QDateTime::currentDateTime();
  // The month in the language the user reads the report in (the history file keeps English).
  const std::string today = longDate(now.date(), coreState().langIndex);
  report = msgMain(75) + today + " " + now.time().toString(QStringLiteral("hh:mm:ss")).toStdString() +
           kCrLf + report + kCrLf + kCrLf;
  // The note belongs to the report; the run's last word stays last.
  if (creationNotice) report += msgMain(kMsgCreationTimesNotSet) + kCrLf + kCrLf;
  if (cancelState != CancelState::Cancelled) {
    percentText_ = "100%";
    host_.setProgressPercent(percentText_);
    barWidth_ = kBarFull;
    host_.setProgressBar(kBarFull);
    report += msgMain(77);
  } else {
    report += msgMain(76) + kCrLf;
  }
  host_.setCancel(CancelState::Running);
  host_.hideProgress(form, false);
  host_.showResults(form, report, reportStamp(now), false);
  host_.addExt();
  host_.doEvents();
  host_.beep();
  clearLogs();
}

void Pipeline::showRunError(ToolForm* form, const std::string& description) {
  writeHiddenMoves();  // its lines belong to the report
  host_.respond(nullptr, "O", description.empty() ? msgMain(103) : description, "E");
  host_.hideProgress(form, true);
  // Lines already moved into resultsLog belong to the report as much as the staged ones.
  std::string report = resultsText_.text() + msgMain(99) + kCrLf + kCrLf + resultsLog_.text() + resultLines_;
  if (takeCreationTimeNotice()) report += msgMain(kMsgCreationTimesNotSet) + kCrLf;
  host_.showResults(form, report, reportStamp(QDateTime::currentDateTime()), true);
  endRun();
  clearLogs();
}

void Pipeline::showFindMessage(const std::string& count, bool isFolder) {
  host_.respond(nullptr, "O", msgMain(isFolder ? 101 : 40) + msgMain(98) + count, "I");
}

}  // namespace core
