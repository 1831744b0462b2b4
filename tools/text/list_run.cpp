// The lister's run, in two shapes: over files (runFiles: each folder's files measured and written
// as entries, collected per folder and moved into the body past 5,000 characters, the summary put
// before the body at the end) and over folders (runFolders: one line per folder).
#include "tools/text/list_run.h"

#include "core/date_tokens.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/run_driver.h"
#include "platform/dir_listing.h"
#include "platform/hidden_list.h"

#include <QLocale>

#include <optional>
#include <unordered_set>

namespace tools::text {

namespace {

const std::string kCrLf = "\r\n";
constexpr std::size_t kEntryStage = 5000;  // characters of a folder's entries held before they move on

bool passesFilter(ListFilter filter, std::uint8_t attributes) {
  switch (filter) {
    case ListFilter::ReadOnly: return (attributes & core::kAttrReadOnly) != 0;
    case ListFilter::Archive: return (attributes & core::kAttrArchive) != 0;
    case ListFilter::All: break;
  }
  return true;
}

// The "dd/mm/yyyy hh:mm:ss" stamp of an instant (core::dateStamp of its local time), remembered
// for the last instant asked: the files of a folder often share their times, and the local time
// is the dearest part of an entry.
class StampCache {
 public:
  const std::string& of(std::int64_t seconds) {
    if (!filled_ || seconds != seconds_) {
      stamp_ = core::dateStamp(core::localRecord(seconds, 0));
      seconds_ = seconds;
      filled_ = true;
    }
    return stamp_;
  }

 private:
  std::int64_t seconds_ = 0;
  bool filled_ = false;
  std::string stamp_;
};

ListLabels labelsOf(const core::MessageTable& msg) {
  return {.accessed = msg(3), .created = msg(4), .modified = msg(5), .size = msg(14), .attributes = msg(15),
          .name = msg(16)};
}

// A run over files: one object per run, its members the state the worker keeps between files.
class FileLister {
 public:
  FileLister(core::Pipeline& pipe, const ListOptions& options, const core::MessageTable& msg)
      : pipe_(pipe), options_(options), msg_(msg), labels_(labelsOf(msg)) {}

  void run(core::ToolForm* form) {
    core::runFiles(pipe_, form,
                   {.withSubfolders = options_.withSubfolders,
                    .withHidden = options_.withHidden,
                    .caption = msg_(2),
                    .refresh = core::RefreshMode::None,
                    .readsOnly = true},
                   [this](core::RunItem& item) { return step(item); },
                   {.onStart = [this] { start(); },
                    .onFolderStart = [this](const core::FolderInfo& f) { folderStart(f); },
                    .onFolderEnd = [this](const core::FolderInfo& f) { folderEnd(f); },
                    .onEnd = [this](const core::RunOutcome&) { end(); }});
  }

 private:
  [[nodiscard]] bool wantsAttributes() const {
    return options_.layout.columns.attributes || options_.filter != ListFilter::All;
  }

  void start() {
    folders_ = pipe_.dirList().size();
    pipe_.addToLog(body_, kCrLf);
  }

  void folderStart(const core::FolderInfo& f) {
    // Only looked up in (status, archive flag, hidden names): its names come from the run.
    opened_ = reader_.openForLookups(f.folder) == 0;
    hidden_.reset();
    entries_.clear();
    headed_ = moved_ = false;
  }

  core::StepResult step(core::RunItem& item) {
    const ListFacts& facts = measure(item.name());
    if (!passesFilter(options_.filter, facts.attributes)) return core::StepResult::Skipped;
    if (options_.withPath) entries_ += item.folder();
    appendListEntry(entries_, options_.layout, labels_, item.name(), facts);
    ++files_;
    total_ += facts.size;
    if (entries_.size() > kEntryStage) moveEntries(item.folder());
    return core::StepResult::Done;
  }

  void folderEnd(const core::FolderInfo& f) {
    const bool emptyShown = options_.emptyFolders && !options_.withPath;
    if (!emptyShown && entries_.empty() && !moved_) return;
    moveEntries(f.folder);
    if (!options_.withPath) pipe_.addToLog(body_, kCrLf);
  }

  // The folder's entries so far into the body, after the folder's heading when it needs one.
  void moveEntries(const std::string& folder) {
    if (!options_.withPath && !headed_) {
      pipe_.addToLog(body_, msg_(6) + folder + msg_(7));
      headed_ = true;
    }
    pipe_.addToLog(body_, entries_);
    entries_.clear();
    moved_ = true;
  }

  void end() {
    const ListLayout& layout = options_.layout;
    const ListColumns& c = layout.columns;
    std::string head = msg_(8) + options_.pattern + msg_(9) + std::to_string(files_) + msg_(10) +
                       std::to_string(folders_) + msg_(11);
    if (c.size) {
      head += msg_(17) + sizeText(total_, layout.unit, layout.decimalPoint) + std::string(unitText(layout.unit)) + kCrLf;
    }
    if (layout.delimited) head += listHeading(layout, labels_);
    const std::string tabMark = c.any() ? "" : "\t";
    pipe_.resultsText().assign(head + tabMark + body_.text() + tabMark);
  }

  // Size, times and attributes of one file of the open folder, as far as the columns and the
  // filter need them. A file that cannot be reached gives size 0 and empty times. Valid until the
  // next file is measured (the strings keep their room from file to file).
  const ListFacts& measure(const std::string& name) {
    const ListColumns& c = options_.layout.columns;
    ListFacts& facts = facts_;
    facts.size = 0;
    facts.created.clear();
    facts.accessed.clear();
    facts.modified.clear();
    facts.attributes = 0;
    unsigned want = platform::kStatType;
    if (c.size) want |= platform::kStatSize;
    if (c.accessed || c.modified) want |= platform::kStatTimes;
    if (c.created) want |= platform::kStatCreated;
    const platform::EntryStatus st = opened_ ? reader_.status(name, want) : platform::EntryStatus{};
    if (!st.ok) return facts;
    facts.size = st.size;
    if (c.modified) facts.modified = modifiedStamps_.of(st.modified);
    if (c.accessed) facts.accessed = accessedStamps_.of(st.accessed);
    if (c.created && st.hasCreated) facts.created = createdStamps_.of(st.created);
    if (!wantsAttributes()) return facts;
    if (st.readOnly && !st.isSymlink) facts.attributes |= core::kAttrReadOnly;
    if (!hidden_) hidden_ = reader_.hiddenNames();
    if (platform::isHiddenEntry(name, *hidden_)) facts.attributes |= core::kAttrHidden;
    if (reader_.archive(name)) facts.attributes |= core::kAttrArchive;
    if (!st.isRegular && !st.isFolder && !st.isSymlink) facts.attributes |= core::kAttrSystem;
    return facts;
  }

  core::Pipeline& pipe_;
  const ListOptions& options_;
  const core::MessageTable& msg_;
  const ListLabels labels_;
  core::ResultsLog body_;
  platform::FolderReader reader_;
  bool opened_ = false;
  std::optional<std::unordered_set<std::string>> hidden_;  // the open folder's ".hidden" names, once read
  std::string entries_;                                    // the current folder's entries not yet moved
  ListFacts facts_;                                        // the last file measured
  StampCache modifiedStamps_, accessedStamps_, createdStamps_;
  bool headed_ = false, moved_ = false;
  long long files_ = 0;
  std::uint64_t total_ = 0;
  std::size_t folders_ = 0;
};

void listFolders(core::Pipeline& pipe, core::ToolForm* form, const ListOptions& options,
                 const core::MessageTable& msg) {
  core::runFolders(
      pipe, form,
      {.withSubfolders = options.withSubfolders, .withHidden = options.withHidden,
       .refresh = core::RefreshMode::None, .readsOnly = true},
      [&](core::RunItem& item) {
        const std::string folder = item.folder() + item.name();
        if (options.filter != ListFilter::All && !passesFilter(options.filter, core::GetAtt(folder))) {
          return core::StepResult::Skipped;
        }
        pipe.addToLog(pipe.resultsText(), folder + kCrLf);
        return core::StepResult::Done;
      },
      {.onStart = [&] { pipe.addToLog(pipe.resultsText(), msg(12) + pipe.host().dir1() + kCrLf + "\t" + kCrLf); },
       .onEnd = [&](const core::RunOutcome&) { pipe.addToLog(pipe.resultsText(), "\t"); }});
}

}  // namespace

ListStart listFiles(core::Pipeline& pipe, core::ToolForm* form, const ListOptions& options,
                    const core::MessageTable& msg) {
  const ListColumns& c = options.layout.columns;
  if (options.what == ListWhat::Files && options.dates && !c.created && !c.accessed && !c.modified) {
    pipe.host().respond(form, "O", msg(13), "N");
    return ListStart::NoDateKind;
  }
  if (options.what == ListWhat::Folders) {
    listFolders(pipe, form, options, msg);
  } else {
    FileLister(pipe, options, msg).run(form);
  }
  return ListStart::Listed;
}

std::string localeDecimalPoint() { return QLocale::system().decimalPoint().toStdString(); }

}  // namespace tools::text
