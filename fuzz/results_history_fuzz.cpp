// Results-history names made from a report's first line: always one plain file name of the
// history, and its menu caption leads back to it.
#include <string>

#include "core/results_history.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const int suffix = in.byte() % 101;
  const std::string_view report = in.rest();
  const std::string stamp = core::historyStamp(report);
  fuzzing::check(stamp.find('\n') == std::string::npos, "a stamp runs over its line");
  for (const std::string_view s : {std::string_view(stamp), report}) {
    const std::string name = core::historyFileName(s, suffix);
    fuzzing::check(
        name.rfind("Results ", 0) == 0 && name.size() >= 12 && name.substr(name.size() - 4) == ".txt",
        "a history name without its prefix or extension");
    fuzzing::check(name.find_first_of(std::string_view("/:\0", 3)) == std::string::npos,
                   "a history name holds \"/\", \":\" or NUL");
    fuzzing::check(name.size() <= 255, "a history name longer than a file name may be");
    fuzzing::check(core::historyFileOfCaption(core::historyCaption(name)) == name,
                   "a caption does not lead back to its file");
  }
  return 0;
}
