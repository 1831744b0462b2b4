#include "tools/file_ops/encrypt_key.h"

#include "core/vb.h"

#include <QChar>

#include <algorithm>
#include <array>

namespace tools::file_ops {

namespace {

// Windows-1252 bytes 0x80..0x9F and the characters they stand for (0 where the code page has none).
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 byte of c; -1 when the code page has none.
int windows1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] != 0 && kHighControls[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

// The bytes of the key repeated so that any start below P followed by kRun bytes fits: a piece
// is then one subtraction per byte, which the compiler turns into vector code.
constexpr std::size_t kRun = 65536;

}  // namespace

WorkingKey workingEncryptKey(std::string_view typed) {
  WorkingKey out;
  for (std::size_t i = 0; i < typed.size();) {
    char32_t cp = 0;
    const std::size_t n = vb::Utf8SeqLen(typed, i, &cp);
    if (n == 0) return {.bytes = {}, .ok = false};
    const int byte = windows1252(QChar::toLower(cp));
    if (byte < 0) return {.bytes = {}, .ok = false};
    out.bytes += static_cast<char>(byte);
    i += n;
  }
  return out;
}

std::string stretchEncryptKey(std::string_view working) {
  const std::size_t n = working.size() + 1;
  const std::size_t step = (n + 3) / 4 + 2;  // RoundUp(n / 4) + 2
  std::string s;
  std::size_t f = n;
  for (std::size_t i = 1; i <= n; ++i) {
    if (f > 255) f = 2;
    if (i < n) s += working[i - 1];
    s += static_cast<char>(static_cast<unsigned char>(f));
    f += step;
  }
  if (s.size() > 255) s.resize(255);
  return s;
}

KeyCheck prepareEncryptKey(std::string_view typed) {
  const WorkingKey working = workingEncryptKey(typed);
  if (!working.ok) return {.status = KeyStatus::NotWindows1252};
  if (working.bytes.size() < kEncryptKeyMin) return {.status = KeyStatus::TooShort};
  if (working.bytes.size() > kEncryptKeyMax) return {.status = KeyStatus::TooLong};
  KeyCheck check;
  check.key.stretched = stretchEncryptKey(working.bytes);
  const std::uint64_t p = check.key.stretched.size() - 1;
  check.key.period = static_cast<std::size_t>(p);
  check.key.blockSize = 100000 - (100000 % p) + p;
  return check;
}

void scrambleBytes(const EncryptKey& key, std::string_view in, std::uint64_t offset, std::string& out) {
  const std::size_t p = key.period;
  if (p == 0 || in.empty()) return;
  // A run of whole periods, so that the key position is the same at the start of every run.
  thread_local std::string ring;
  thread_local std::string ringOf;
  const std::size_t run = (kRun + p - 1) / p * p;
  if (ringOf != key.stretched) {
    ring.clear();
    while (ring.size() < run + p) ring.append(key.stretched, 0, p);
    ringOf = key.stretched;
  }
  const std::size_t base = out.size();
  out.resize(base + in.size());
  auto* dst = reinterpret_cast<unsigned char*>(out.data() + base);
  const auto* src = reinterpret_cast<const unsigned char*>(in.data());
  const auto* k = reinterpret_cast<const unsigned char*>(ring.data()) + offset % p;
  for (std::size_t done = 0; done < in.size();) {
    const std::size_t len = std::min(run, in.size() - done);
    for (std::size_t j = 0; j < len; ++j) dst[done + j] = static_cast<unsigned char>(k[j] - src[done + j]);
    done += len;
  }
}

}  // namespace tools::file_ops
