// The encryption tool's run: every file the main window's filters select is scrambled (or, with
// the same key, unscrambled) through the contents rewrite (core/contents_rewrite.h). The original
// is never written into, and its plaintext never goes to the trash.
//
//   const EncryptStart started = tools::file_ops::encryptFiles(pipe, form,
//       {.typedKey = key, .withSubfolders = sub, .withHidden = hidden}, msg);
//
// ---- contract ----
// First the typed key is stored (reversed) under "encryptKeyValue", whatever it is. Then, before
// anything changes: the key must hold 6 to 254 characters of Windows-1252 (messages 2, 12, 13);
// the main window's folder must be writable; the user confirms (message 11, plus message 1 when
// subfolders are included). Empty files are passed over. A file that cannot be rewritten is left
// as it was, with a line. The report is message 9 and the files changed, or message 10.
// Messages of the table: 1 subfolder note; 2 key too short; 3 progress caption; 4 before the
// path whose new contents could not be written; 6 label of a failed final rename; 7 and 8 around the
// path whose attributes were not restored; 9 report heading; 10 nothing changed; 11 the
// confirmation; 12 key too long; 13 a key character Windows-1252 cannot hold.
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"

#include <string>

namespace tools::file_ops {

// The settings value that keeps the last key typed, reversed.
inline constexpr const char* kEncryptKeySetting = "encryptKeyValue";

struct EncryptOptions {
  std::string typedKey{};       // as typed (UTF-8), case kept
  bool withSubfolders = false;  // the main window's boxes
  bool withHidden = false;
};

enum class EncryptStart {
  Ran,       // the run happened (finished or cancelled)
  BadKey,    // the key was refused with its notice
  Refused,   // the folder is not writable
  Declined,  // the user cancelled the confirmation
};

EncryptStart encryptFiles(core::Pipeline& pipe, core::ToolForm* form, const EncryptOptions& options,
                          const core::MessageTable& msg);

// The last key typed, as stored by encryptFiles ("" when none).
[[nodiscard]] std::string storedEncryptKey();

}  // namespace tools::file_ops
