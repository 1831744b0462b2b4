// File content routines: read and write whole files or byte ranges. Contents are byte text
// (std::string, one char per byte); positions are 1-based. readBits tells a failed read apart from
// the data (a file may hold the five bytes "A_Err"); InputBits is its older form that returns
// "A_Err" for a failure. Nothing here opens a file that is not a regular file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// What InputBits returns for a missing or unreadable file. New code uses readBits instead: this
// text is also what a file holding exactly these bytes gives.
inline constexpr std::string_view kErr = "A_Err";

// Replaces the file's contents with text through a temporary file in the same folder (fsync,
// rename over); a failure leaves the old file and its attributes intact. 0 or an error number.
[[nodiscard]] int OutputFile(std::string_view path, std::string_view text);
// Appends text, creating the file when missing. 0 or an error number.
[[nodiscard]] int AppendFile(std::string_view path, std::string_view text);
// length bytes from 1-based position start (0 counts as 1); length 0 means the rest of the file; a
// range past the end gives what exists. nullopt when the file is missing, not a regular file (a
// symlink is read through) or cannot be read.
[[nodiscard]] std::optional<std::string> readBits(std::string_view path, std::uint64_t start = 1,
                                                  std::uint64_t length = 0);
// A whole file read for a window or the program's own use, refused beyond a size far above any
// real file of its kind (a stored file is untrusted: one of 3 GB must give a message, not abort
// the program for want of memory).
struct CappedRead {
  std::optional<std::string> data;  // the contents; nullopt when missing, unreadable or too large
  bool tooLarge = false;            // longer than the cap: nothing was read
};
inline constexpr std::uint64_t kStoredFileCap = std::uint64_t{16} << 20;  // state, code, language files
// The whole file at path when it holds at most cap bytes (a file growing past the cap while it is
// read counts as too large). Never reads more than cap + 1 bytes.
[[nodiscard]] CappedRead readCapped(std::string_view path, std::uint64_t cap = kStoredFileCap);
// readBits with "A_Err" (kErr) for a failure, for callers that keep the old form.
[[nodiscard]] std::string InputBits(std::string_view path, std::uint64_t start = 1, std::uint64_t length = 0);
[[nodiscard]] std::string InputBitsAPI(std::string_view path, std::uint64_t start = 1, std::uint64_t length = 0);
// Writes data in place at 1-based position start, creating the file when missing, never
// truncating. 0 written, 1 failed.
[[nodiscard]] int OutputBits(std::string_view path, std::uint64_t start, std::string_view data);

}  // namespace core
