// Rename rules (typed into the window or read from rule-set files): any rule expands on any name
// without a crash or a hang, what a name holds is never read as a token, and a finished name
// never ends with a blank.
#include <string>

#include "fuzz/fuzz_support.h"
#include "tools/renaming/rename_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tools::ren;
  fuzzing::Input in(data, size);
  const RenameMode mode = in.flag() ? RenameMode::Folders : RenameMode::Files;
  const std::string name(in.piece());
  const std::string_view rule = in.rest();
  const RuleContext ctx{.mode = mode, .runStamp = "07/03/2024 09:05:01", .letters = [] { return 'q'; }};

  (void)expandTokens("", name, shortenTokens(rule), ctx);
  (void)checkRuleSample(rule, mode);
  const std::string finished = finishName(std::string(rule));
  fuzzing::check(finished.empty() || finished.back() != ' ', "a finished name ends with a blank");

  if (mode == RenameMode::Files) {
    const std::string same = expandTokens("", name, "<ofn>.<ofe>", ctx);
    fuzzing::check(same == name || same == name + ".", "the name and extension do not give the name back");
  } else {
    fuzzing::check(expandTokens("", name, "<ofon>", ctx) == name, "the folder's name is not given back");
  }
  return 0;
}
