#include "main_window/name_order.h"

#include "core/name_key.h"
#include "core/vb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace mainwin {
namespace {

// Distinct names from pieces that stress the heads of the keys (runs of zeros of every length,
// bytes below and above "0", shared prefixes, letter case, non-ASCII), many sharing one head.
std::vector<std::string> awkwardNames(std::size_t count, unsigned seed) {
  const std::vector<std::string> pieces = {
      "0", "00", "1", "01", "9", "10", ".", "-", "_", "a", "A", "B", "~", "\xc3\xa9", "\xc3\x89",
      std::string(29, '0'), std::string(31, '0'), std::string(130, '0') + "7", std::string(31, '5'),
      "IMG_2023_", "file_0001234_"};
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1), parts(1, 7);
  std::set<std::string> seen;
  std::vector<std::string> out;
  while (out.size() < count) {
    std::string name;
    for (std::size_t k = parts(rng); k > 0; --k) name += pieces[pick(rng)];
    if (seen.insert(name).second) out.push_back(name);
  }
  return out;
}

std::vector<std::string> plainOrder(std::vector<std::string> names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string ka = vb::LCase(core::makeSortKey(a)), kb = vb::LCase(core::makeSortKey(b));
    return ka != kb ? ka < kb : a < b;
  });
  return names;
}

// Chunks of every kind: full ones, short ones, and a last one of a single name, so that runs
// of unequal sizes merge both while names come and at the end.
TEST(NameOrder, GivesThePlainComparatorsOrderAcrossChunks) {
  const std::vector<std::string> names = awkwardNames(2 * NameOrder::kChunk + 1001, 11);
  std::vector<const char*> pointers;
  for (const std::string& n : names) pointers.push_back(n.c_str());
  NameOrder order;
  std::size_t at = 0;
  for (std::size_t size : {NameOrder::kChunk, std::size_t{1000}, NameOrder::kChunk, std::size_t{1}}) {
    order.add(pointers.data() + at, size);
    at += size;
  }
  ASSERT_EQ(at, names.size());
  const auto sorted = order.finish(nullptr);
  ASSERT_TRUE(sorted);
  std::vector<std::string> got(sorted->begin(), sorted->end());
  EXPECT_EQ(got, plainOrder(names));
}

TEST(NameOrder, NoNamesAndAnOrderNeverFinished) {
  NameOrder empty;
  const auto none = empty.finish(nullptr);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->empty());
  const std::vector<std::string> names = awkwardNames(3 * NameOrder::kChunk, 3);
  std::vector<const char*> pointers;
  for (const std::string& n : names) pointers.push_back(n.c_str());
  NameOrder abandoned;  // the reading stopped: it goes with work queued, and nothing hangs
  for (std::size_t at = 0; at < pointers.size(); at += NameOrder::kChunk) abandoned.add(pointers.data() + at, NameOrder::kChunk);
}

}  // namespace
}  // namespace mainwin
