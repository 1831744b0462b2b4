// The pipeline's only way to the screen: the progress window, the message box, the main window's
// folder listing with its filters, its refresh and the results viewer. Windows implement it; tests
// use ScriptedRunHost. The pipeline never touches a widget.
#pragma once

#include "core/answer_codes.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// The operation form of a run. Opaque to the engine: the pipeline only hands it back to the host
// (to disable it, to own the progress window and the results viewer).
class ToolForm;

// One entry of a folder listed with the main window's filters.
struct ListEntry {
  std::string name;              // raw bytes as the file system gives them
  std::uint64_t size = 0;        // bytes
  std::int64_t modified = 0;     // seconds since the epoch (UTC)
  std::int64_t created = kUnknownTime;  // seconds since the epoch; kUnknownTime when not recorded
  std::uint8_t attributes = 0;   // kAttr* bits of core/file_paths.h
  static constexpr std::int64_t kUnknownTime = std::numeric_limits<std::int64_t>::min();
};


// Values of the progress window's isCancel.
enum class CancelState : std::uint8_t {
  Running = 0,    // the run goes on
  Cancelled = 1,  // the user confirmed Cancel
  SkipFile = 2,   // the user asked to skip the current file
};

// Results of updateFiles.
enum UpdateFilesResult : int { kListMissing = 0, kListDone = 1, kListCancelled = 2 };

// How the main window is refreshed after a run (finishOperation).
enum class RefreshMode { None = 0, ListAndTree = 1, ListOnly = 2 };

class RunHost {
 public:
  virtual ~RunHost() = default;

  // --- the operation form and the progress window ---
  virtual void setFormEnabled(ToolForm* form, bool enabled) = 0;
  // Shows the progress window owned by form (creating it when needed).
  virtual void showProgress(ToolForm* owner) = 0;
  // Hides and unloads the progress window; reEnableOwner gives the form back its focus.
  virtual void hideProgress(ToolForm* owner, bool reEnableOwner) = 0;
  virtual void setProgressCaption(const std::string& text) = 0;
  virtual void setProgressPath(const std::string& text) = 0;     // lblPath
  virtual void setProgressFile(const std::string& text) = 0;     // lblFile
  virtual void setProgressPercent(const std::string& text) = 0;  // lblPercent
  // The bar's width in twips (0..6015) and whether it is shown.
  virtual void setProgressBar(int twips) = 0;
  virtual void showProgressBar(bool shown) = 0;
  // The moving activity block, shown while a folder tree is read.
  virtual void startBlock() = 0;
  virtual void endBlock() = 0;
  virtual void showSkip(bool shown) = 0;
  [[nodiscard]] virtual CancelState isCancel() const = 0;
  virtual void setCancel(CancelState value) = 0;

  // --- questions ---
  // The shared message box: style "YN", "YNC", "OAC", "O" or other (OK/Cancel); title "W", "E",
  // "N", "I" or a literal title.
  virtual RespondAnswer respond(ToolForm* caller, std::string_view style, const std::string& message,
                                std::string_view title) = 0;

  // --- the main window ---
  // visibleList true refreshes the visible list of the main window's folder (folder ""); false
  // lists folder with the main window's filters into listViewRoot. Returns kListMissing for a
  // missing folder or a failure (the entries and listCount are then empty), kListDone, or
  // kListCancelled when the user cancelled a refresh.
  virtual UpdateFilesResult updateFiles(bool visibleList, const std::string& folder) = 0;
  // The entries of the last listing, sorted as the visible list.
  [[nodiscard]] virtual const std::vector<ListEntry>& listViewRoot() const = 0;
  [[nodiscard]] virtual int listCount() const = 0;
  // The main window's current folder (with a trailing "/").
  [[nodiscard]] virtual std::string dir1() const = 0;
  // Refreshes the main window (never called with RefreshMode::None).
  virtual void refreshMain(RefreshMode mode) = 0;
  // Records the extension pattern in the filter's history.
  virtual void addExt() = 0;
  // Shows the results viewer for referrer with text; stamp is the run's "dd/mm/yyyy hh:mm:ss".
  virtual void showResults(ToolForm* referrer, const std::string& text, const std::string& stamp,
                           bool disableOwner) = 0;
  virtual void beep() = 0;
  // Handles pending window events (the progress window's buttons act through isCancel).
  virtual void doEvents() = 0;
};

}  // namespace core
