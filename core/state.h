// The shared state of one program: folders, colour scheme, font, language, message tables and
// the file-time records. One object per program, reached through coreState(); tests install
// their own with ScopedCoreState so that nothing leaks between cases.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace core {

// A local date-time record, as the file-time routines and the date tool exchange them.
struct SystemTime {
  std::uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0, hour = 0, minute = 0, second = 0,
                milliseconds = 0;
  bool known = true;  // false: the file system keeps no such time (e.g. no birth time)
  friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

// The three records of the file-time routines: A last access, B creation, C last write.
struct FileTimeRecords {
  SystemTime accessed;  // record A
  SystemTime created;   // record B
  SystemTime modified;  // record C
};

// The highest common message number the table can hold.
inline constexpr int kMainMessages = 179;

struct CoreState {
  // Per-user data folder (colour file, form states, journals, results history), with a trailing "/".
  std::string appPath;
  // Private scratch folder with a trailing "/"; appPath when it cannot be made.
  std::string tempPath;
  // Folder of the running executable, with a trailing "/": companion programs start from here.
  std::string exeDir;
  // Folder of the shipped read-only data (language, tip and template files), with a trailing "/".
  std::string dataPath;

  std::string fontName = "MS Sans Serif";
  std::uint32_t foreColor = 0;
  std::uint32_t backColor = 0xFFFFFF;
  std::uint32_t hiddenColor = 0xAFAFAF;
  std::uint32_t disabledColor = 0xE0E0E0;
  int langIndex = 0;

  // Common messages (1..kMainMessages) and the messages of the form shown last (1..100);
  // element 0 unused.
  std::array<std::string, kMainMessages + 1> msgMain{};
  std::array<std::string, 101> msgForm{};

  FileTimeRecords fileTimes;
  double fileSize = 0;
  int fileIsBig = 0;
};

// The state of this program. Always valid: a default-constructed state until Main fills it.
CoreState& coreState();

// Installs a fresh state for the lifetime of the object (tests), restoring the previous one after.
class ScopedCoreState {
 public:
  ScopedCoreState();
  ~ScopedCoreState();
  ScopedCoreState(const ScopedCoreState&) = delete;
  ScopedCoreState& operator=(const ScopedCoreState&) = delete;
  CoreState& state() { return state_; }

 private:
  CoreState state_;
  CoreState* previous_;
};

// Message n of the common table ("" outside 1..kMainMessages) and of the current form's table.
const std::string& msgMain(int n);
const std::string& msgForm(int n);

}  // namespace core
