// vb::Like against its rules stated plainly, on any bytes (patterns come from the user).
#include <string>

#include "core/vb.h"
#include "core/vb_like_model.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const std::string text(in.piece());
  const std::string pattern(in.rest());
  fuzzing::check(vb::Like(text, pattern) == vb::testing::likeModel(text, pattern),
                 "Like differs from the rules");
  return 0;
}
