// The date run: the checks of the options, then runFiles with one step per file that reads the
// file's three times, works out the new ones and writes those that changed.
#include "tools/file_ops/date_run.h"

#include "core/answer_codes.h"
#include "core/file_times.h"
#include "core/run_driver.h"
#include "core/vb.h"
#include "platform/file_times.h"
#include "platform/fs.h"

#include <array>
#include <optional>

namespace tools::file_ops {

namespace {

const std::string kCrLf = "\r\n";

// A box of the run, parsed once before the run.
struct Box {
  DateKind time;   // the time the box sets
  bool timePart;   // hour, minute, second (else year, month, day)
  BoxValue value;
};

// A file's three times: local records with the instants they were read from.
struct Times {
  std::array<core::SystemTime, 3> record{};  // by DateKind
  std::array<platform::FileTime, 3> instant{};
};

std::size_t at(DateKind k) { return static_cast<std::size_t>(k); }

std::optional<Times> readTimes(const std::string& path) {
  const platform::FileStatus st = platform::fileStatus(path, false);
  if (st.error != 0) return std::nullopt;
  Times t;
  t.instant = {st.created, st.modified, st.accessed};
  for (std::size_t i = 0; i < 3; ++i) {
    if (t.instant[i].known) {
      t.record[i] = core::localRecord(t.instant[i].sec, t.instant[i].nsec);
    } else {
      t.record[i].known = false;
    }
  }
  return t;
}

// The instant of a changed record; the sub-second part stays the file's own.
std::optional<platform::FileTime> instantOf(const core::SystemTime& r, const platform::FileTime& was) {
  if (!isValidRecord(r)) return std::nullopt;
  const platform::LocalTime lt{r.year, r.month, r.day, r.hour, r.minute, r.second, r.milliseconds, 0};
  const std::optional<std::int64_t> sec = platform::fromLocalTime(lt);
  if (!sec) return std::nullopt;
  return platform::FileTime{*sec, was.known ? was.nsec : 0U, true};
}

bool sameClock(const core::SystemTime& a, const core::SystemTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute && a.second == b.second;
}

class DateRun {
 public:
  DateRun(core::Pipeline& pipe, const DateOptions& options, const core::MessageTable& msg)
      : pipe_(pipe), options_(options), msg_(msg) {}

  // The checks before the run; DateRefusal::None when the run may start.
  DateStart check(core::ToolForm* form) {
    core::RunHost& host = pipe_.host();
    if (pipe_.checkFolderWritable(host.dir1()) != 0) return {DateRefusal::NotWritable};
    const DateStart refused = options_.mode == DateMode::Change ? checkBoxes() : checkAmount();
    if (refused.refused != DateRefusal::None) {
      const int n = refused.refused == DateRefusal::NothingTicked   ? 1
                    : refused.refused == DateRefusal::CreatedRefused ? 30
                    : refused.refused == DateRefusal::BadBox         ? (refused.box % 2 == 0 ? 28 : 29)
                    : amountMessage_;
      host.respond(form, "O", n == 0 ? boundText_ : msg_(n), "N");
      return refused;
    }
    if (options_.withSubfolders && host.respond(form, "", msg_(11), "W") != core::kAnswerYes) {
      return {DateRefusal::Declined};
    }
    return {};
  }

  void run(core::ToolForm* form) {
    core::runFiles(pipe_, form,
                   {.withSubfolders = options_.withSubfolders, .withHidden = options_.withHidden, .caption = msg_(13)},
                   [this](core::RunItem& item) { return step(item); },
                   {.onStart = [this] { pipe_.resultsText().assign(msg_(12)); },
                    .onFolderStart =
                        [this](const core::FolderInfo& f) {
                          if (f.items > 0) pipe_.addToLog(pipe_.resultsText(), f.folder + kCrLf);
                        },
                    .onFolderEnd =
                        [this](const core::FolderInfo& f) {
                          if (f.items > 0) pipe_.addToLog(pipe_.resultsText(), kCrLf);
                        }});
  }

 private:
  DateStart checkBoxes() {
    const DateChangeOptions& c = options_.change;
    const std::array<const DateBoxText*, 6> boxes = {&c.createdDate, &c.createdTime, &c.modifiedDate,
                                                     &c.modifiedTime, &c.accessedDate, &c.accessedTime};
    static constexpr std::array<DateKind, 3> kTimes = {DateKind::Created, DateKind::Modified, DateKind::Accessed};
    bool any = false;
    for (int i = 0; i < 6; ++i) {
      if (!boxes[static_cast<std::size_t>(i)]->ticked) continue;
      any = true;
      const DateKind time = kTimes[static_cast<std::size_t>(i / 2)];
      if (time == DateKind::Created) return {DateRefusal::CreatedRefused, i};
      const bool timePart = i % 2 == 1;
      const std::string& text = boxes[static_cast<std::size_t>(i)]->text;
      const BoxValue v = timePart ? parseTimeBox(text) : parseDateBox(text);
      if (v.kind == BoxValue::Kind::Invalid) return {DateRefusal::BadBox, i};
      // A tag naming the box's own time leaves that part as it is.
      if (v.kind == BoxValue::Kind::Tag && v.source == time) continue;
      boxes_.push_back({time, timePart, v});
    }
    if (!any) return {DateRefusal::NothingTicked};
    return {};
  }

  DateStart checkAmount() {
    const DateShiftOptions& s = options_.shift;
    if (s.which == DateKind::Created) return {DateRefusal::CreatedRefused};
    const std::int64_t amount = vb::ValInt(s.amount);
    if (amount < 1) {
      amountMessage_ = 10;
      return {DateRefusal::BadAmount};
    }
    const int bound = unitBound(s.unit);
    if (amount >= bound) {
      static constexpr std::array<int, 6> kUnitWord = {9, 4, 5, 6, 7, 8};
      amountMessage_ = 0;
      boundText_ = msg_(2) + msg_(kUnitWord[static_cast<std::size_t>(s.unit)]) + msg_(3) + std::to_string(bound);
      return {DateRefusal::BadAmount};
    }
    amount_ = s.direction == DateDirection::Add ? static_cast<int>(amount) : -static_cast<int>(amount);
    return {};
  }

  core::StepResult step(core::RunItem& item) {
    const std::string path = item.path();
    const std::optional<Times> read = readTimes(path);
    if (!read) {
      pipe_.addResult(msg_(14) + path + msg_(15));
      return core::StepResult::Failed;
    }
    Times next = *read;
    bool valid = options_.mode == DateMode::Change ? change(*read, next) : shift(next);
    pipe_.addToLog(pipe_.resultsText(), " " + path + kCrLf);
    if (valid && !write(path, *read, next)) valid = false;
    if (!valid) {
      pipe_.addResult(msg_(16) + path + msg_(15));
      return core::StepResult::Failed;
    }
    return core::StepResult::Done;
  }

  // Change: each box's part from its value or from the file's time as read. False when a tag's
  // source is a time the file system does not keep.
  bool change(const Times& before, Times& next) const {
    for (const Box& b : boxes_) {
      core::SystemTime& r = next.record[at(b.time)];
      if (!r.known) return false;
      const BoxValue& v = b.value;
      if (v.kind == BoxValue::Kind::Tag) {
        const core::SystemTime& from = before.record[at(v.source)];
        if (!from.known) return false;
        if (b.timePart) {
          r.hour = from.hour, r.minute = from.minute, r.second = from.second;
        } else {
          r.year = from.year, r.month = from.month, r.day = from.day;
        }
      } else if (b.timePart) {
        r.hour = static_cast<std::uint16_t>(v.hour);
        r.minute = static_cast<std::uint16_t>(v.minute);
        r.second = static_cast<std::uint16_t>(v.second);
      } else {
        r.year = static_cast<std::uint16_t>(v.year);
        r.month = static_cast<std::uint16_t>(v.month);
        r.day = static_cast<std::uint16_t>(v.day);
      }
    }
    return true;
  }

  bool shift(Times& next) const { return shiftTime(next.record[at(options_.shift.which)], amount_, options_.shift.unit); }

  // Writes the modified and accessed times whose records changed. False when one is not a valid
  // local time, the system refuses, or the file system cannot hold it (the times are put back).
  static bool write(const std::string& path, const Times& before, const Times& next) {
    std::optional<platform::FileTime> modified, accessed;
    for (DateKind k : {DateKind::Modified, DateKind::Accessed}) {
      if (sameClock(before.record[at(k)], next.record[at(k)])) continue;
      std::optional<platform::FileTime>& slot = k == DateKind::Modified ? modified : accessed;
      slot = instantOf(next.record[at(k)], before.instant[at(k)]);
      if (!slot) return false;
    }
    if (!modified && !accessed) return true;
    return core::setFileTimesExactly(path, accessed ? &*accessed : nullptr, modified ? &*modified : nullptr).ok();
  }

  core::Pipeline& pipe_;
  const DateOptions& options_;
  const core::MessageTable& msg_;
  std::vector<Box> boxes_;
  int amount_ = 0;
  int amountMessage_ = 10;
  std::string boundText_;
};

}  // namespace

DateStart runDates(core::Pipeline& pipe, core::ToolForm* form, const DateOptions& options,
                   const core::MessageTable& msg) {
  DateRun run(pipe, options, msg);
  const DateStart start = run.check(form);
  if (start.refused == DateRefusal::None) run.run(form);
  return start;
}

}  // namespace tools::file_ops
