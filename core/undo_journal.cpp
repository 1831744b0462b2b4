#include "core/undo_journal.h"

#include "core/date_tokens.h"
#include "core/file_content.h"
#include "core/file_errors.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/percent_escape.h"
#include "core/settings.h"
#include "platform/fd_io.h"
#include "platform/fs.h"

#include <algorithm>
#include <cstdint>

namespace core {

namespace {

constexpr char kRecordEnd = '?';
constexpr char kFieldSep = '*';
constexpr char kEncodedMark = '%';
constexpr std::size_t kMarkAt = kJournalHeaderSize - 2;  // the last of the 25 blanks
// Longer than any record can be (paths are not limited to PATH_MAX, but a stretch this long
// without a record end is not a journal's).
constexpr std::size_t kMaxRecordSpan = std::size_t{16} << 20;

bool needsEscape(unsigned char c) { return c == '*' || c == '?' || c == '%' || c < 0x20 || c == 0x7F; }

std::string encodeField(std::string_view field, bool encoded) {
  return encoded ? percentEncode(field, needsEscape) : std::string(field);
}

std::string decodeField(std::string_view field, bool encoded) {
  return encoded ? percentDecode(field) : std::string(field);
}

std::string header(char digit, std::uint64_t count, bool encoded) {
  std::string h(kJournalHeaderSize, ' ');
  h[0] = digit;
  h[1] = kFieldSep;
  if (count > 0) {
    const std::string n = std::to_string(count);
    h.replace(2, n.size(), n);
  }
  if (encoded) h[kMarkAt] = kEncodedMark;
  h[kJournalHeaderSize - 1] = kRecordEnd;
  return h;
}

// " size sec.nnnnnnnnn" as stampText writes it.
std::string stampText(const CopyStamp& stamp) {
  std::string ns = std::to_string(stamp.modifiedNsec);
  ns.insert(0, 9 - std::min<std::size_t>(ns.size(), 9), '0');
  return " " + std::to_string(stamp.size) + " " + std::to_string(stamp.modifiedSec) + "." + ns;
}

// Digits only, no overflow.
bool readNumber(std::string_view text, std::uint64_t& out) {
  if (text.empty() || text.size() > 20) return false;
  out = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (out > (UINT64_MAX - digit) / 10) return false;
    out = out * 10 + digit;
  }
  return true;
}

// The first field of a copy record: " " (no stamp: a journal of an older version), or a stamp.
// false for anything else.
bool parseStamp(std::string_view field, std::optional<CopyStamp>& stamp) {
  stamp.reset();
  if (field.empty() || field == " ") return true;
  if (field[0] != ' ') return false;
  field.remove_prefix(1);
  const std::size_t blank = field.find(' ');
  const std::size_t dot = field.rfind('.');
  if (blank == std::string_view::npos || dot == std::string_view::npos || dot < blank) return false;
  std::string_view sec = field.substr(blank + 1, dot - blank - 1);
  const bool negative = !sec.empty() && sec[0] == '-';
  if (negative) sec.remove_prefix(1);
  std::uint64_t size = 0, s = 0, ns = 0;
  if (!readNumber(field.substr(0, blank), size) || !readNumber(sec, s) || field.size() - dot - 1 != 9 ||
      !readNumber(field.substr(dot + 1), ns) || s > static_cast<std::uint64_t>(INT64_MAX))
    return false;
  stamp = CopyStamp{.size = size,
                    .modifiedSec = negative ? -static_cast<std::int64_t>(s) : static_cast<std::int64_t>(s),
                    .modifiedNsec = static_cast<std::uint32_t>(ns)};
  return true;
}

// " device inode" as identityText writes it.
std::string identityText(const platform::FileIdentity& identity) {
  return std::to_string(identity.device) + " " + std::to_string(identity.inode);
}

bool parseIdentity(std::string_view field, std::optional<platform::FileIdentity>& identity) {
  const std::size_t blank = field.find(' ');
  platform::FileIdentity id;
  if (blank == std::string_view::npos || !readNumber(field.substr(0, blank), id.device) ||
      !readNumber(field.substr(blank + 1), id.inode))
    return false;
  identity = id;
  return true;
}

std::optional<JournalRecord> parseRecord(JournalLayout layout, std::string_view text, bool encoded) {
  const std::size_t a = text.find(kFieldSep);
  if (a == std::string_view::npos) return std::nullopt;
  const std::size_t b = text.find(kFieldSep, a + 1);
  if (b == std::string_view::npos) return std::nullopt;
  // A fourth field (the identity) only where fields are escaped: a plain journal's last field
  // holds the rest of the record as it stands.
  std::optional<platform::FileIdentity> identity;
  if (const std::size_t c = encoded ? text.find(kFieldSep, b + 1) : std::string_view::npos;
      c != std::string_view::npos) {
    if (!parseIdentity(text.substr(c + 1), identity)) return std::nullopt;
    text = text.substr(0, c);
  }
  const std::string first = decodeField(text.substr(0, a), encoded);
  const std::string second = decodeField(text.substr(a + 1, b - a - 1), encoded);
  const std::string rest = decodeField(text.substr(b + 1), encoded);
  JournalRecord r;
  if (layout == JournalLayout::Rename) {
    if (second.empty() || rest.empty()) return std::nullopt;
    r = {.from = first + rest, .to = first + second};
  } else {
    if (second.empty() || rest.empty()) return std::nullopt;
    r = {.from = second, .to = rest};
    if (!parseStamp(first, r.copy)) return std::nullopt;
  }
  r.identity = identity;
  return r;
}

}  // namespace

std::string journalStamp(const SystemTime& t) {
  return padZero(t.day, 2) + " " + std::string(englishMonthName(t.month)) + " " + padZero(t.year, 4) + " " +
         padZero(t.hour, 2) + ":" + padZero(t.minute, 2) + ":" + padZero(t.second, 2);
}

std::string journalRecordText(JournalLayout layout, const JournalRecord& record, bool encoded) {
  // Only an escaped journal can tell a fourth field from a name.
  const std::string identity =
      record.identity && encoded ? std::string(1, kFieldSep) + identityText(*record.identity) : std::string();
  if (layout == JournalLayout::Copy) {
    return (record.copy ? stampText(*record.copy) : std::string(" ")) + kFieldSep + encodeField(record.from, encoded) +
           kFieldSep + encodeField(record.to, encoded) + identity + kRecordEnd;
  }
  // Both names under their common folder, as the layout reads; a step between folders keeps
  // whole paths with an empty folder, which reads back the same.
  std::string folder;
  std::string_view oldName = record.from, newName = record.to;
  if (const std::size_t slash = record.from.rfind('/'); slash != std::string::npos) {
    const std::string_view dir = std::string_view(record.from).substr(0, slash + 1);
    const std::string_view to = record.to;
    if (to.size() > dir.size() && to.substr(0, dir.size()) == dir && to.find('/', dir.size()) == std::string_view::npos &&
        record.from.size() > dir.size()) {
      folder = dir;
      oldName = std::string_view(record.from).substr(dir.size());
      newName = to.substr(dir.size());
    }
  }
  return encodeField(folder, encoded) + kFieldSep + encodeField(newName, encoded) + kFieldSep +
         encodeField(oldName, encoded) + identity + kRecordEnd;
}

RecordedFile whereIsRecorded(const JournalRecord& record) {
  if (!record.identity) return RecordedFile::AtTarget;
  const platform::FileStatus at = platform::fileStatus(record.to, false);
  if (at.error == 0 && at.identity == *record.identity) return RecordedFile::AtTarget;
  const platform::FileStatus before = platform::fileStatus(record.from, false);
  if (before.error == 0 && before.identity == *record.identity) return RecordedFile::AtSource;
  return at.error == 0 ? RecordedFile::TargetOther : RecordedFile::Gone;
}

bool journalPathIsPlain(std::string_view path) {
  if (path.size() < 2 || path[0] != '/' || path.back() == '/' || path.find('\0') != std::string_view::npos)
    return false;
  for (std::size_t at = 1; at <= path.size();) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    const std::string_view part = path.substr(at, end - at);
    if (part.empty() || part == "." || part == "..") return false;
    at = end + 1;
  }
  return true;
}

bool renameRecordIsPlain(const JournalRecord& record) {
  if (!journalPathIsPlain(record.from) || !journalPathIsPlain(record.to)) return false;
  const std::size_t a = record.from.rfind('/'), b = record.to.rfind('/');
  return a == b && record.from.compare(0, a, record.to, 0, b) == 0;
}

// --- writer ---------------------------------------------------------------------------------

JournalWriter::JournalWriter(const JournalKind& kind, char headerDigit,
                             std::vector<std::pair<std::string, std::string>> slotValues)
    : kind_(kind), headerDigit_(headerDigit), slotValues_(std::move(slotValues)), stamp_(journalStamp(localNow())) {}

JournalWriter::~JournalWriter() {
  // A run that ends by a run-time error still leaves what it did undoable.
  (void)finish();
}

int JournalWriter::open() {
  const SlotRing ring(kind_.ring);
  int err = 0;
  const std::string name = ring.createUnique(stamp_, &err);
  if (name.empty()) return err != 0 ? err : kErrPathFileAccess;
  path_ = ring.pathOf(name);
  int e = file_.open(path_);
  // The header is in the file before the slot names it, so a slot never names a journal without
  // one. (No sync here: it would cost a run more than all its records; finish(true) syncs.)
  const std::string head = header(headerDigit_, 0, true);
  if (e == 0) e = file_.append(head);
  if (e != 0) {
    (void)file_.close();
    (void)KillFile(path_);
    path_.clear();
    return errorNumberForPath(e, ring.pathOf(name));
  }
  end_ = head.size();
  slot_ = ring.take(name);
  for (const auto& [key, value] : slotValues_) saveSet(key + std::to_string(slot_), value);
  return 0;
}

int JournalWriter::add(const JournalRecord& record) {
  if (!on_) return 0;
  if (slot_ == 0) {
    if (const int err = open(); err != 0) {
      stop();
      return err;
    }
  }
  const std::string text = journalRecordText(kind_.layout, record);
  if (const int err = file_.append(text); err != 0) {
    stop();
    return errorNumberForPath(err, path_);
  }
  lastStart_ = end_;
  end_ += text.size();
  ++records_;
  return 0;
}

void JournalWriter::retract() {
  if (!on_ || lastStart_ == 0) return;
  if (file_.truncate(lastStart_) != 0) return;
  end_ = lastStart_;
  lastStart_ = 0;
  --records_;
}

int JournalWriter::finish(bool sync) {
  if (!on_) return 0;
  on_ = false;
  if (slot_ == 0) return 0;
  if (records_ == 0) {
    // Every step announced failed: the run did nothing to undo. Slot first, so that no moment
    // leaves a slot naming a missing journal.
    (void)file_.close();
    SlotRing(kind_.ring).release(slot_);
    (void)KillFile(path_);
    return 0;
  }
  int err = file_.writeAt(2, std::to_string(records_));
  if (err == 0 && sync) err = file_.sync();
  if (const int c = file_.close(); err == 0) err = c;
  if (err == 0 && sync) platform::syncFolder(platform::folderOf(path_));
  return err == 0 ? 0 : errorNumberForPath(err, path_);
}

void JournalWriter::stop() {
  on_ = false;
  (void)file_.close();
}

// --- reader ---------------------------------------------------------------------------------

JournalReader::JournalReader(const JournalKind& kind, int slot, std::size_t blockSize)
    : kind_(kind), path_(SlotRing(kind.ring).slotPath(slot)), slot_(slot), blockSize_(std::max<std::size_t>(blockSize, 1)) {
  openFile();
}

void JournalReader::openFile() {
  if (path_.empty()) {  // the slot names no journal of this kind
    status_ = Status::Missing;
    return;
  }
  const platform::FileStatus st = platform::fileStatus(path_, false);
  if (st.error != 0) {
    status_ = Status::Missing;
    return;
  }
  if (st.type != platform::FileType::Regular || st.size < kJournalHeaderSize) {
    status_ = Status::NotAJournal;
    return;
  }
  const platform::ReadResult head = platform::readRange(path_, 0, kJournalHeaderSize);
  if (head.error != 0 || head.data.size() != kJournalHeaderSize) {
    status_ = Status::Unreadable;
    return;
  }
  const std::string& h = head.data;
  if (h[1] != kFieldSep || h[kJournalHeaderSize - 1] != kRecordEnd) {
    status_ = Status::NotAJournal;
    return;
  }
  headerKind_ = h[0] >= '0' && h[0] <= '9' ? h[0] - '0' : 0;
  for (std::size_t i = 2; i < kJournalHeaderSize - 1 && h[i] >= '0' && h[i] <= '9'; ++i)
    headerCount_ = headerCount_ * 10 + static_cast<std::uint64_t>(h[i] - '0');
  encoded_ = h[kMarkAt] == kEncodedMark;
  headerRead_ = true;
  size_ = st.size;
  bufStart_ = end_ = size_;
  // The records end at the last "?" of the file; anything after it is a record cut short by an
  // interrupted write and is no step that was done.
  for (;;) {
    if (const std::size_t q = buf_.rfind(kRecordEnd); q != std::string::npos) {
      end_ = bufStart_ + q + 1;
      buf_.resize(q + 1);
      break;
    }
    if (!readBlockBefore()) break;
  }
  if (end_ < kJournalHeaderSize) end_ = kJournalHeaderSize;
}

bool JournalReader::readBlockBefore() {
  if (bufStart_ == 0 || status_ != Status::Ok) return false;
  const std::uint64_t n = std::min<std::uint64_t>(blockSize_, bufStart_);
  const std::uint64_t from = bufStart_ - n;
  platform::ReadResult r = platform::readRange(path_, from, n);
  if (r.error != 0 || r.data.size() != n) {
    status_ = Status::Unreadable;
    return false;
  }
  buf_.insert(0, r.data);
  bufStart_ = from;
  ++blocksRead_;
  if (buf_.size() > kMaxRecordSpan + blockSize_) {
    status_ = Status::Malformed;
    return false;
  }
  return true;
}

std::optional<JournalRecord> JournalReader::previous() {
  while (status_ == Status::Ok && end_ > kJournalHeaderSize) {
    // buf_ covers [bufStart_, end_) and ends with the "?" of the record to return; the "?" before
    // it (at the latest the header's own, at offset 27) opens the record.
    const std::size_t close = static_cast<std::size_t>(end_ - 1 - bufStart_);
    const std::size_t open = close == 0 ? std::string::npos : buf_.rfind(kRecordEnd, close - 1);
    if (open == std::string::npos && bufStart_ >= kJournalHeaderSize) {
      if (!readBlockBefore()) return std::nullopt;
      continue;
    }
    const std::uint64_t start =
        std::max<std::uint64_t>(open == std::string::npos ? 0 : bufStart_ + open + 1, kJournalHeaderSize);
    const std::string text =
        buf_.substr(static_cast<std::size_t>(start - bufStart_), static_cast<std::size_t>(end_ - 1 - start));
    end_ = start;
    buf_.resize(static_cast<std::size_t>(end_ - bufStart_));
    if (std::optional<JournalRecord> r = parseRecord(kind_.layout, text, encoded_)) return r;
    ++skipped_;
  }
  return std::nullopt;
}

std::uint64_t JournalReader::blockCount() const { return (size_ + blockSize_ - 1) / blockSize_; }

// --- end of an undo, menu and clearing ----------------------------------------------------------

UndoEnd finishUndo(const JournalReader& reader, const std::vector<JournalRecord>& notUndone) {
  if (!reader.headerRead()) return UndoEnd::Unread;
  const std::uint64_t unread = reader.unreadEnd() > kJournalHeaderSize ? reader.unreadEnd() - kJournalHeaderSize : 0;
  if (unread == 0 && notUndone.empty()) {
    // The slot is cleared before its journal goes: a kill between the two leaves a journal no slot
    // names, never a slot naming a journal that is gone. Should the journal stay, the slot is
    // given it back.
    const SlotRing ring(reader.kind().ring);
    const int current = ring.current();
    const std::string name = ring.slotName(reader.slot());
    ring.release(reader.slot());
    if (KillFile(reader.path()) != 0 && FileExist(reader.path()) != 0) {
      saveSet(std::string(ring.keys().slotKeyPrefix) + std::to_string(reader.slot()), name);
      ring.setCurrent(current);
      return UndoEnd::WriteFailed;
    }
    return UndoEnd::Deleted;
  }
  std::string rest;
  if (unread > 0) {
    platform::ReadResult r = platform::readRange(reader.path(), kJournalHeaderSize, unread);
    if (r.error != 0 || r.data.size() != unread) return UndoEnd::WriteFailed;
    rest = std::move(r.data);
  }
  const auto count = static_cast<std::uint64_t>(std::count(rest.begin(), rest.end(), kRecordEnd)) + notUndone.size();
  const platform::ReadResult head = platform::readRange(reader.path(), 0, 1);
  const char digit = head.error == 0 && head.data.size() == 1 ? head.data[0] : '0';
  std::string text = header(digit, count, reader.encoded()) + rest;
  // notUndone came last record first; the journal keeps the order of the run.
  for (auto it = notUndone.rbegin(); it != notUndone.rend(); ++it)
    text += journalRecordText(reader.kind().layout, *it, reader.encoded());
  return OutputFile(reader.path(), text) == 0 ? UndoEnd::Kept : UndoEnd::WriteFailed;
}

UndoTrail::UndoTrail(const JournalReader& reader) {
  cutting_ = reader.headerRead() && reader.status() == JournalReader::Status::Ok && file_.open(reader.path()) == 0;
}

std::optional<JournalRecord> UndoTrail::previous(JournalReader& reader) {
  std::optional<JournalRecord> r = reader.previous();
  if (r) starts_.push_back(reader.unreadEnd());
  return r;
}

void UndoTrail::undone() {
  if (starts_.empty()) return;
  const std::uint64_t start = starts_.front();
  starts_.pop_front();
  // A cut that fails leaves the records: the end of the undo still rewrites the journal.
  if (cutting_ && start >= kJournalHeaderSize && file_.truncate(start) != 0) cutting_ = false;
}

void UndoTrail::kept() {
  if (!starts_.empty()) starts_.pop_front();
  cutting_ = false;
}

std::vector<std::pair<int, std::string>> journalEntries(const JournalKind& kind, int except) {
  const SlotRing ring(kind.ring);
  std::vector<std::pair<int, std::string>> out;
  for (auto& [slot, name] : ring.existing(except)) out.emplace_back(slot, ring.captionOf(name));
  return out;
}

void clearJournals(const JournalKind& kind) {
  const SlotRing ring(kind.ring);
  ring.clear();
  ring.setCurrent(1);
}

}  // namespace core
