#include "tools/file_ops/wipe_random.h"

#include "platform/wipe_io.h"

#include <chrono>
#include <cstring>

namespace tools::file_ops {
namespace {

constexpr std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

// splitmix64: spreads one seed word over the generator's state, never all zero.
std::uint64_t splitmix(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

}  // namespace

WipeRandom::WipeRandom() {
  if (platform::systemRandomBytes(s_.data(), sizeof s_) != 0 || (s_[0] | s_[1] | s_[2] | s_[3]) == 0) {
    seedFrom(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
             reinterpret_cast<std::uintptr_t>(this));
  }
}

WipeRandom::WipeRandom(std::uint64_t seed) { seedFrom(seed); }

void WipeRandom::seedFrom(std::uint64_t seed) {
  for (std::uint64_t& w : s_) w = splitmix(seed);
}

std::uint64_t WipeRandom::next() {
  const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
  const std::uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = rotl(s_[3], 45);
  return result;
}

void WipeRandom::fill(char* buf, std::size_t n) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const std::uint64_t v = next();
    std::memcpy(buf + i, &v, 8);
  }
  if (i < n) {
    const std::uint64_t v = next();
    std::memcpy(buf + i, &v, n - i);
  }
}

std::string WipeRandom::name(std::size_t n) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string s;
  s.reserve(n);
  for (std::size_t i = 0; i < n; ++i) s += kChars[next() % (sizeof kChars - 1)];
  return s;
}

}  // namespace tools::file_ops
