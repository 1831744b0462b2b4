// Run lists of the replace tool: any text parses (into a list or a reason), a list that parses is
// written back and read again unchanged, and editing it never takes the count out of 1..70.
#include <string>

#include "fuzz/fuzz_support.h"
#include "tools/text/replace_run_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const std::uint8_t edits = in.byte();
  const std::string_view text = in.rest();

  const tools::text::RunListLoad load = tools::text::parseRunList(text);
  if (!load.list) {
    fuzzing::check(load.error != tools::text::RunListError::None, "a refused text gave no reason");
    return 0;
  }
  tools::text::RunList list = *load.list;
  fuzzing::check(list.count() >= 1 && list.count() <= tools::text::kMaxRuns, "a parsed count is out of range");
  fuzzing::check(list.current() == 1, "a parsed list does not show its first run");

  const tools::text::RunListLoad again = tools::text::parseRunList(list.fileText());
  fuzzing::check(again.list.has_value(), "a written list does not read back");
  fuzzing::check(again.list->count() == list.count(), "a written list has another count");
  for (int k = 1; k <= list.count(); ++k)
    fuzzing::check(again.list->state(k) == list.state(k), "a run changed on the way through the file");

  // Edits driven by the first byte: insert, store, remove, move.
  const std::string first = *list.state(1);
  for (int i = 0; i < 8; ++i) {
    switch ((edits >> i) & 3) {
      case 0: list.insertAfterCurrent(); break;
      case 1: list.store(list.current(), first); break;
      case 2: list.remove(list.current()); break;
      case 3: list.setCurrent(list.current() + (i % 2 ? 1 : -1)); break;
    }
    fuzzing::check(list.count() >= 1 && list.count() <= tools::text::kMaxRuns, "an edit took the count out of range");
    fuzzing::check(list.current() >= 1 && list.current() <= list.count(), "an edit lost the current run");
  }
  return 0;
}
