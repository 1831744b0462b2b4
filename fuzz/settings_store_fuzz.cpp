// The settings store on any file: reading never fails badly, a value written reads back byte
// for byte, and a write leaves the other values of the file as they were read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/settings_store.h"

namespace {

constexpr std::string_view kWord = "fuzzword";

// Names are matched without regard to case, as the store folds them.
bool sameName(std::string_view a, std::string_view b) {
  const auto fold = [](std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toCaseFolded();
  };
  return fold(a) == fold(b);
}

// Puts the file in place with a time of its own, so the store never takes it for the last one.
void placeFile(const std::string& text) {
  static long long stamp = 1'000'000'000;
  const std::string path = platform::settingsFilePath(kWord);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) fuzzing::fail("cannot write the settings file");
  const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  const timespec times[2] = {{stamp, 0}, {stamp, 0}};
  ++stamp;
  ::futimens(fd, times);
  ::close(fd);
  if (!ok) fuzzing::fail("cannot write the settings file");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::isolateHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const bool withHeader = in.flag();
  const std::string name(in.piece()), other(in.piece()), value(in.piece());
  const std::string body(in.rest());

  for (const std::string& s : {name, value}) {
    fuzzing::check(platform::unescapeSettingText(platform::escapeSettingText(s, true)) == s,
                   "a name does not survive");
    fuzzing::check(platform::unescapeSettingText(platform::escapeSettingText(s, false)) == s,
                   "a value does not survive");
  }

  placeFile(withHeader ? "[" + std::string(kWord) + "]\n" + body : body);
  (void)platform::readSetting(kWord, name);
  const std::string before = platform::readSetting(kWord, other);
  if (name.empty()) return 0;
  fuzzing::check(platform::writeSetting(kWord, name, value), "a write failed");
  fuzzing::check(platform::readSetting(kWord, name) == value, "a written value reads back otherwise");
  if (!other.empty() && !sameName(name, other))
    fuzzing::check(platform::readSetting(kWord, other) == before, "a write changed another value");
  return 0;
}
