// The key stretch and the scramble: the values files written by earlier versions depend on, the
// key's refusals, and the transform undoing itself across piece boundaries.
#include "tools/file_ops/encrypt_key.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tools::file_ops {
namespace {

std::vector<int> fillersOf(const std::string& s) {
  std::vector<int> out;
  for (std::size_t i = 1; i < s.size(); i += 2) out.push_back(static_cast<unsigned char>(s[i]));
  return out;
}

TEST(EncryptKeyTest, StretchPutsAFillerAfterEachCharacterAndOneAtTheEnd) {
  const std::string s = stretchEncryptKey("abcdef");
  EXPECT_EQ(s, std::string("a\x07" "b\x0b" "c\x0f" "d\x13" "e\x17" "f\x1b" "\x1f"));
  const KeyCheck check = prepareEncryptKey("abcdef");
  ASSERT_EQ(check.status, KeyStatus::Ok);
  EXPECT_EQ(check.key.period, 12u);
  EXPECT_EQ(check.key.blockSize, 100008u);
}

TEST(EncryptKeyTest, LongKeysWrapTheFillerAndAreCutTo255) {
  // n = 200: the step is 52, so the fillers run 200, 252, then wrap to 2, 54 ...
  const std::string s199 = stretchEncryptKey(std::string(199, 'k'));
  EXPECT_EQ(s199.size(), 255u);
  const std::vector<int> f = fillersOf(s199);
  EXPECT_EQ(std::vector<int>(f.begin(), f.begin() + 5), (std::vector<int>{200, 252, 2, 54, 106}));

  struct Case { std::size_t length; std::size_t stretched; std::size_t period; };
  for (const Case c : {Case{6, 13, 12}, Case{126, 253, 252}, Case{127, 255, 254}, Case{254, 255, 254}}) {
    const KeyCheck check = prepareEncryptKey(std::string(c.length, 'x'));
    ASSERT_EQ(check.status, KeyStatus::Ok) << c.length;
    EXPECT_EQ(check.key.stretched.size(), c.stretched) << c.length;
    EXPECT_EQ(check.key.period, c.period) << c.length;
    EXPECT_EQ(check.key.blockSize % c.period, 0u) << c.length;
    EXPECT_GT(check.key.blockSize, 100000u) << c.length;
    EXPECT_LE(check.key.blockSize, 100000u + c.period) << c.length;
  }
}

TEST(EncryptKeyTest, KeyIsLowerCasedWindows1252CountedInCharacters) {
  EXPECT_EQ(workingEncryptKey("SeCrEt").bytes, "secret");
  EXPECT_EQ(workingEncryptKey("ÉTÉ€Ÿ").bytes, "\xe9t\xe9\x80\xff");  // é t é € ÿ
  EXPECT_FALSE(workingEncryptKey("key\xe4\xb8\xad").ok);            // a CJK character
  EXPECT_FALSE(workingEncryptKey("key\xff\xfe").ok);                // not UTF-8

  struct Case { std::string typed; KeyStatus status; };
  for (const Case& c : {Case{"five5", KeyStatus::TooShort}, Case{"éééééé", KeyStatus::Ok},
                        Case{std::string(254, 'a'), KeyStatus::Ok}, Case{std::string(255, 'a'), KeyStatus::TooLong},
                        Case{"sixsix\xe4\xb8\xad", KeyStatus::NotWindows1252}}) {
    EXPECT_EQ(prepareEncryptKey(c.typed).status, c.status) << c.typed;
  }
  EXPECT_EQ(prepareEncryptKey("Secret Key").key.stretched, prepareEncryptKey("sECRET kEY").key.stretched);
}

TEST(EncryptKeyTest, ScrambleSubtractsFromTheKeyAndUndoesItselfAcrossPieces) {
  const EncryptKey key = prepareEncryptKey("abcdef").key;
  std::string out;
  scrambleBytes(key, std::string("\x00\x61\xff", 3), 0, out);
  EXPECT_EQ(out, "a\xa6" "c");  // 'a' - 0, 7 - 'a' and 'b' - 255, mod 256
  out.clear();
  scrambleBytes(key, std::string(1, '\0'), 12, out);  // offset 12 is key position 0 again
  EXPECT_EQ(out, "a");

  std::mt19937 rng(7);
  std::string data(300000, '\0');
  for (char& c : data) c = static_cast<char>(rng());
  for (const std::string& typed : {std::string("abcdef"), std::string(200, 'q')}) {
    const EncryptKey k = prepareEncryptKey(typed).key;
    std::string whole;
    scrambleBytes(k, data, 0, whole);
    // Uneven pieces give the same bytes as one call, and a second pass gives the data back.
    std::string pieces;
    for (std::size_t at = 0; at < data.size(); at += 70001) {
      scrambleBytes(k, std::string_view(data).substr(at, 70001), at, pieces);
    }
    EXPECT_EQ(pieces, whole);
    for (std::size_t i = 0; i < 1000; ++i) {
      const auto expected = static_cast<unsigned char>(
          static_cast<unsigned char>(k.stretched[i % k.period]) - static_cast<unsigned char>(data[i]));
      ASSERT_EQ(static_cast<unsigned char>(whole[i]), expected) << i;
    }
    std::string back;
    scrambleBytes(k, whole, 0, back);
    EXPECT_EQ(back, data);
  }
}

}  // namespace
}  // namespace tools::file_ops
