// A RunHost for tests and headless runs: scripted answers to questions, Cancel or Skip after a
// number of yields, a fake folder listing (or the real folder's regular files), and a record of
// everything the pipeline showed.
#pragma once

#include "core/run_host.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace core {

class ScriptedRunHost : public RunHost {
 public:
  struct Question {
    ToolForm* caller = nullptr;
    std::string style, message, title;
  };
  struct ShownResults {
    ToolForm* referrer = nullptr;
    std::string text, stamp;
    bool disableOwner = false;
  };

  // ---- script ----
  // Answers of respond in order; defaultAnswer once they run out.
  std::deque<RespondAnswer> answers;
  RespondAnswer defaultAnswer = kAnswerYes;
  // isCancel becomes value at the n-th doEvents from now (n >= 1); 0 disarms.
  void cancelAfterYields(int n, CancelState value = CancelState::Cancelled) {
    cancelAt_ = n > 0 ? yields + n : 0;
    cancelValue_ = value;
  }
  // Folder (as passed to updateFiles) -> its entries; used when realListing is false.
  std::map<std::string, std::vector<ListEntry>> fakeFolders;
  // List the real folder's regular files (in Name order, as the main list shows them by name);
  // hidden ones only with listHidden, and never the folder's ".hidden", as the main window lists a
  // folder for a run.
  bool realListing = false;
  bool listHidden = false;
  // Forced updateFiles results by folder ("" for a refresh of the visible list).
  std::map<std::string, UpdateFilesResult> forcedResults;
  std::string mainFolder = "/";

  // ---- record ----
  std::vector<Question> questions;
  std::vector<std::string> listed;  // folders passed to updateFiles(false, ...)
  std::vector<std::string> paths, captions, percents, files;
  std::vector<bool> skipShown;
  std::vector<RefreshMode> refreshes;
  std::vector<ShownResults> results;
  std::map<ToolForm*, bool> formEnabled;
  int yields = 0, beeps = 0, addExtCalls = 0, blocksStarted = 0, blocksEnded = 0;
  int bar = 0;
  bool barShown = true, progressShown = false, ownerReEnabled = false;
  CancelState cancel = CancelState::Running;

  // ---- RunHost ----
  void setFormEnabled(ToolForm* form, bool enabled) override { formEnabled[form] = enabled; }
  void showProgress(ToolForm*) override { progressShown = true; }
  void hideProgress(ToolForm* owner, bool reEnableOwner) override;
  void setProgressCaption(const std::string& text) override { captions.push_back(text); }
  void setProgressPath(const std::string& text) override { paths.push_back(text); }
  void setProgressFile(const std::string& text) override { files.push_back(text); }
  void setProgressPercent(const std::string& text) override { percents.push_back(text); }
  void setProgressBar(int twips) override { bar = twips; }
  void showProgressBar(bool shown) override { barShown = shown; }
  void startBlock() override { ++blocksStarted; }
  void endBlock() override { ++blocksEnded; }
  void showSkip(bool shown) override { skipShown.push_back(shown); }
  [[nodiscard]] CancelState isCancel() const override { return cancel; }
  void setCancel(CancelState value) override { cancel = value; }
  RespondAnswer respond(ToolForm* caller, std::string_view style, const std::string& message,
                        std::string_view title) override;
  UpdateFilesResult updateFiles(bool visibleList, const std::string& folder) override;
  [[nodiscard]] const std::vector<ListEntry>& listViewRoot() const override { return entries_; }
  [[nodiscard]] int listCount() const override { return static_cast<int>(entries_.size()); }
  [[nodiscard]] std::string dir1() const override { return mainFolder; }
  void refreshMain(RefreshMode mode) override { refreshes.push_back(mode); }
  void addExt() override { ++addExtCalls; }
  void showResults(ToolForm* referrer, const std::string& text, const std::string& stamp,
                   bool disableOwner) override {
    results.push_back({referrer, text, stamp, disableOwner});
  }
  void beep() override { ++beeps; }
  void doEvents() override;

 private:
  bool listReal(const std::string& folder);
  std::vector<ListEntry> entries_;
  int cancelAt_ = 0;
  CancelState cancelValue_ = CancelState::Cancelled;
};

}  // namespace core
