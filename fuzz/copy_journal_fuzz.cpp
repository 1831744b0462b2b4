// Copy undo journals as undo meets them on disk (untrusted: edited, cut short, of another
// program): any file reads without harm, its records are the same whatever the block size, and
// an undo that keeps every record rewrites a journal that reads back to the same records.
#include <string>
#include <vector>

#include "core/file_content.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/undo_journal.h"
#include "fuzz/fuzz_support.h"

namespace {

const std::string kName = "CopyUndo 01 January 2025 10ZZ00ZZ00.txt";

std::vector<core::JournalRecord> readAll(core::JournalReader& reader) {
  std::vector<core::JournalRecord> out;
  while (auto r = reader.previous()) out.push_back(std::move(*r));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::isolateHome();
  const std::string app = std::filesystem::temp_directory_path().string() + "/corvane-fuzz-app/";
  std::filesystem::create_directories(app);
  core::coreState().appPath = app;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const std::size_t block = 1 + in.byte() % 64;
  const std::string_view file = in.rest();
  const std::string path = core::coreState().appPath + kName;
  fuzzing::check(core::OutputFile(path, file) == 0, "cannot write the journal");
  core::saveSet("undocopy1", kName);

  core::JournalReader small(core::kCopyJournal, 1, block);
  core::JournalReader large(core::kCopyJournal, 1);
  const std::vector<core::JournalRecord> records = readAll(small);
  fuzzing::check(records == readAll(large), "the block size changed the records");
  fuzzing::check(small.status() == large.status(), "the block size changed how reading ended");
  if (small.status() != core::JournalReader::Status::Ok) return 0;

  // An undo that could undo nothing keeps every record, in the order the run wrote them.
  const core::UndoEnd end = core::finishUndo(small, records);
  if (records.empty()) return 0;
  fuzzing::check(end == core::UndoEnd::Kept, "a journal with records was not kept");
  core::JournalReader again(core::kCopyJournal, 1, block);
  fuzzing::check(again.status() == core::JournalReader::Status::Ok, "a rewritten journal does not read");
  fuzzing::check(readAll(again) == records, "the rewritten journal gives other records");
  fuzzing::check(again.skipped() == 0, "the rewritten journal has records that do not read");
  fuzzing::check(again.headerCount() == records.size(), "the rewritten journal counts wrongly");
  return 0;
}
