// The encryption tool's key and its transform: a keyed scramble that is its own inverse (running it
// twice with the same key gives the first bytes back). It hides contents from a casual look; it is
// not strong cryptography, and the window says so.
//
//   const tools::file_ops::KeyCheck check = tools::file_ops::prepareEncryptKey("Secret key");
//   if (check.status != tools::file_ops::KeyStatus::Ok) refuse();
//   std::string out;
//   tools::file_ops::scrambleBytes(check.key, data, offsetInFile, out);
//
// The key as typed (UTF-8) is lower-cased and encoded as Windows-1252, one byte per character; it
// is then stretched with fillers into the key bytes K, whose period P is one less than their count.
// Byte o of a file becomes (K[o mod P] - byte) mod 256. Files scrambled by earlier versions of the
// tool decode with the same key, so the stretch and the transform must never change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tools::file_ops {

inline constexpr std::size_t kEncryptKeyMin = 6;    // characters
inline constexpr std::size_t kEncryptKeyMax = 254;  // characters

// The prepared key of one run.
struct EncryptKey {
  std::string stretched{};     // S: every key character followed by a filler, one filler at the end
  std::size_t period = 0;      // P = size of S - 1: only S[0 .. P-1] takes part
  std::uint64_t blockSize = 0; // a multiple of P just above 100,000: the pieces a file is read in
};

enum class KeyStatus {
  Ok,
  TooShort,         // fewer than kEncryptKeyMin characters
  TooLong,          // more than kEncryptKeyMax characters
  NotWindows1252,   // a character that Windows-1252 cannot hold (or bytes that are not UTF-8)
};

struct KeyCheck {
  KeyStatus status = KeyStatus::Ok;
  EncryptKey key{};  // filled when Ok
};

// The working key: typed (UTF-8) lower-cased and encoded as Windows-1252; ok is false (and bytes
// empty) when a character cannot be encoded.
struct WorkingKey {
  std::string bytes{};
  bool ok = true;
};
[[nodiscard]] WorkingKey workingEncryptKey(std::string_view typed);

// S from the working key (Windows-1252 bytes): with n = size + 1, fillers start at n and grow by
// RoundUp(n / 4) + 2, wrapping to 2 past 255; cut to 255 bytes.
[[nodiscard]] std::string stretchEncryptKey(std::string_view working);

// Checks the typed key and prepares K, P and the block size.
[[nodiscard]] KeyCheck prepareEncryptKey(std::string_view typed);

// Appends the transform of in, whose first byte lies at offset in the file, to out.
void scrambleBytes(const EncryptKey& key, std::string_view in, std::uint64_t offset, std::string& out);

}  // namespace tools::file_ops
