// The random data a wipe writes: a fast generator (xoshiro256**) seeded from the kernel's random
// source, so every block of every pass is fresh data at the speed of memory, and random names for
// the rename before a wiped file's name is removed.
//
//   tools::file_ops::WipeRandom rng;                 // seeded from getrandom
//   rng.fill(buffer.data(), buffer.size());
//   std::string name = rng.name(12);       // letters and digits
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tools::file_ops {

class WipeRandom {
 public:
  // Seeded from the kernel's random source (the clock and the address of this object where that
  // source fails, which only happens very early in a boot).
  WipeRandom();
  // A fixed seed: the same sequence every time (tests).
  explicit WipeRandom(std::uint64_t seed);

  // Fills buf with n random bytes.
  void fill(char* buf, std::size_t n);
  // n random letters and digits.
  [[nodiscard]] std::string name(std::size_t n);

 private:
  std::uint64_t next();
  void seedFrom(std::uint64_t seed);
  std::array<std::uint64_t, 4> s_{};
};

}  // namespace tools::file_ops
