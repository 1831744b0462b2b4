// Speed of the wildcard substitutions on 10 MB and 100 MB of text, three cases: a literal search
// with ignore-case, "x?z" over a text with an "x" every ~100 bytes that never matches, and "a*b"
// in line mode with the only "b" on the last line. Prints MB/s per size and the 100 MB / 10 MB
// time ratio per case (linear work gives about 10). Output: one "name: value unit" per line.
#include "core/wildcard.h"

#include <algorithm>
#include <chrono>
#include <malloc.h>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kMB = 1000 * 1000;

// Random filler letters drawn from `alphabet`, with `insert` placed every `every` bytes (with a
// little jitter) and line feeds every ~80 bytes when `lines`.
std::string makeText(std::size_t size, const std::string& alphabet, const std::string& insert,
                     std::size_t every, bool lines, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::string t;
  t.reserve(size + 128);
  std::size_t nextInsert = every, nextLine = 80;
  while (t.size() < size) {
    if (!insert.empty() && t.size() >= nextInsert) {
      t += insert;
      nextInsert = t.size() + every - every / 4 + rng() % (every / 2 + 1);
    } else if (lines && t.size() >= nextLine) {
      t += '\n';
      nextLine = t.size() + 60 + rng() % 40;
    } else {
      t += alphabet[rng() % alphabet.size()];
    }
  }
  t.resize(size);
  return t;
}

struct Case {
  const char* name;
  std::string (*make)(std::size_t size);
  int (*run)(std::string& text);
};

std::string literalText(std::size_t size) {
  return makeText(size, "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ   .,\n", "NeedLe", 1000, false, 1);
}
int literalRun(std::string& t) { return core::SubstWild(t, "needle", "pin", true, false, false); }

std::string nearMissText(std::size_t size) {
  return makeText(size, "abcdefghijklmnopqrstuvwyz ", "xyq", 100, false, 2);
}
int nearMissRun(std::string& t) { return core::SubstWild(t, "x?z", "R", false, false, true); }

std::string lastLineText(std::size_t size) {
  std::string t = makeText(size - 4, "aaacdefghijklmnop ", "", 0, true, 3);
  t += "\na b";
  return t;
}
int lastLineRun(std::string& t) { return core::SubstAst(t, "a*b", "R", false, false, true); }

// Median of three timed runs, each on a fresh copy of the text.
double medianSeconds(const std::string& text, int (*run)(std::string&)) {
  std::vector<double> times;
  for (int i = 0; i < 3; ++i) {
    std::string copy = text;
    const auto t0 = std::chrono::steady_clock::now();
    const int r = run(copy);
    const auto t1 = std::chrono::steady_clock::now();
    if (r < 0) std::printf("impossible\n");  // keeps the call from being optimised away
    times.push_back(std::chrono::duration<double>(t1 - t0).count());
  }
  std::sort(times.begin(), times.end());
  return times[1];
}

}  // namespace

int main() {
  // Large blocks always come fresh from the kernel: otherwise the allocator silently reuses the
  // pages of the 10 MB runs (under its adaptive threshold) but never those of the 100 MB runs, and
  // the ratio would measure page faults rather than the algorithm.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  const Case cases[] = {
      {"literal_ignore_case", literalText, literalRun},
      {"question_near_miss", nearMissText, nearMissRun},
      {"star_line_mode_last_line", lastLineText, lastLineRun},
  };
  for (const Case& c : cases) {
    double seconds[2] = {0, 0};
    const std::size_t sizes[2] = {10 * kMB, 100 * kMB};
    for (int k = 0; k < 2; ++k) {
      const std::string text = c.make(sizes[k]);
      seconds[k] = medianSeconds(text, c.run);
      std::printf("%s_%zuMB: %.1f MB/s\n", c.name, sizes[k] / kMB,
                  static_cast<double>(sizes[k]) / kMB / std::max(seconds[k], 1e-9));
      std::printf("%s_%zuMB_time: %.4f s\n", c.name, sizes[k] / kMB, seconds[k]);
    }
    std::printf("%s_time_ratio_100MB_10MB: %.2f x\n", c.name, seconds[1] / std::max(seconds[0], 1e-9));
    std::fflush(stdout);
  }
  return 0;
}
