// Language and tip files: any text gives sections, messages and entries that are pieces of it,
// never more messages than asked for, and a language index within 0..4.
#include <string>

#include "core/language_file.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const int lang = in.byte() % 12 - 1;
  const std::size_t max = in.byte();
  const std::string key(in.piece());
  const std::string_view text = in.rest();

  const int index = core::langIndexFromText(text);
  fuzzing::check(index >= 0 && index <= 4, "a language index outside 0..4");

  const auto isPiece = [&](std::string_view outer, const std::string& s) {
    return outer.find(s) != std::string_view::npos;
  };
  // A tip file is read as one section.
  if (const auto tip = core::sectionEntry(text, key))
    fuzzing::check(isPiece(text, *tip), "a tip that is not in the file");
  const auto section = core::languageSection(text, lang);
  if (!section) return 0;
  fuzzing::check(lang >= 0 && isPiece(text, *section), "a section that is not in the file");
  const auto messages = core::sectionMessages(*section, max);
  fuzzing::check(messages.size() <= max, "more messages than asked for");
  for (const std::string& m : messages)
    fuzzing::check(isPiece(*section, m), "a message that is not in the section");
  if (const auto entry = core::sectionEntry(*section, key))
    fuzzing::check(!key.empty() && isPiece(*section, *entry), "an entry that is not in the section");
  return 0;
}
