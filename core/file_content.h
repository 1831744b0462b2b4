// File content routines: read and write whole files or byte ranges. Contents are byte text
// (std::string, one char per byte); positions are 1-based. Readers return "A_Err" for a missing
// or unreadable file. Nothing here opens a file that is not a regular file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

inline constexpr std::string_view kErr = "A_Err";

// Replaces the file's contents with text through a temporary file in the same folder (fsync,
// rename over); a failure leaves the old file and its attributes intact. 0 or an error number.
[[nodiscard]] int OutputFile(std::string_view path, std::string_view text);
// Appends text, creating the file when missing. 0 or an error number.
[[nodiscard]] int AppendFile(std::string_view path, std::string_view text);
// length bytes from 1-based position start; length 0 means the whole file.
[[nodiscard]] std::string InputBits(std::string_view path, std::uint64_t start = 1, std::uint64_t length = 0);
[[nodiscard]] std::string InputBitsAPI(std::string_view path, std::uint64_t start = 1, std::uint64_t length = 0);
// Writes data in place at 1-based position start, creating the file when missing, never
// truncating. 0 written, 1 failed.
[[nodiscard]] int OutputBits(std::string_view path, std::uint64_t start, std::string_view data);

}  // namespace core
