// The encryption run on a fixture tree: scramble and unscramble with one button, the key's
// storage and refusals, the questions before anything changes, and the report.
#include "tools/file_ops/encrypt_run.h"

#include "core/pipeline_test_support.h"
#include "core/settings.h"
#include "tools/file_ops/encrypt_key.h"
#include "tools/text/run_report_test_support.h"

namespace tools::file_ops {
namespace {

using tools::text::testing::messages;
using tools::text::testing::reportedText;

class EncryptRunTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    host_.realListing = true;
    pipe_.setMountProbe({.isFixedDrive = [](const std::string&) { return true; }});
  }
  EncryptStart encrypt(const std::string& key, bool sub = false) {
    host_.answers.push_back(core::kAnswerYes);
    return encryptFiles(pipe_, form_, {.typedKey = key, .withSubfolders = sub}, msg_);
  }
  const core::MessageTable msg_ = messages(13, {{9, "Changed:\r\n"}, {10, "Nothing."}});
};

TEST_F(EncryptRunTest, TwoRunsWithTheSameKeyInAnyCaseGiveTheContentsBack) {
  const std::uint64_t b = prepareEncryptKey("Secret").key.blockSize;
  std::string big(b + 1, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + 3);
  makeFile("big.bin", big);
  makeFile("text.txt", "hello world");
  makeFile("empty.txt", "");
  makeDir("sub");
  makeFile("sub/inner.txt", "inner");

  EXPECT_EQ(encrypt("Secret", true), EncryptStart::Ran);
  const std::string scrambled = readAll(root_ + "big.bin");
  ASSERT_EQ(scrambled.size(), big.size());
  std::string expected;
  scrambleBytes(prepareEncryptKey("secret").key, big, 0, expected);
  EXPECT_EQ(scrambled, expected);  // the last block's single byte takes key position 0 too
  EXPECT_NE(readAll(root_ + "text.txt"), "hello world");
  EXPECT_EQ(readAll(root_ + "empty.txt"), "");
  EXPECT_EQ(reportedText(host_), "Changed:\r\n" + root_ + "big.bin\r\n" + root_ + "text.txt\r\n" + root_ +
                                     "sub/inner.txt\r\n\t");

  EXPECT_EQ(encrypt("SECRET", true), EncryptStart::Ran);
  EXPECT_EQ(readAll(root_ + "big.bin"), big);
  EXPECT_EQ(readAll(root_ + "text.txt"), "hello world");
  EXPECT_EQ(readAll(root_ + "sub/inner.txt"), "inner");
  EXPECT_EQ(storedEncryptKey(), "SECRET");
  EXPECT_EQ(core::getSet(kEncryptKeySetting), "TERCES");  // kept reversed, never plain
}

TEST_F(EncryptRunTest, BadKeysAreStoredButRefusedBeforeAnyQuestion) {
  makeFile("a.txt", "abc");
  struct Case { std::string key; std::string notice; };
  for (const Case& c : {Case{"short", "[2]"}, Case{std::string(255, 'k'), "[12]"}, Case{"clé-日本語", "[13]"}}) {
    host_.questions.clear();
    EXPECT_EQ(encryptFiles(pipe_, form_, {.typedKey = c.key}, msg_), EncryptStart::BadKey);
    ASSERT_EQ(host_.questions.size(), 1u);
    EXPECT_EQ(host_.questions[0].message, c.notice);
    EXPECT_EQ(storedEncryptKey(), c.key);
  }
  EXPECT_EQ(readAll(root_ + "a.txt"), "abc");
}

TEST_F(EncryptRunTest, NothingChangesUnlessConfirmedAndEmptyRunsSaySo) {
  makeFile("a.txt", "abc");
  host_.answers = {core::kAnswerNo};
  EXPECT_EQ(encryptFiles(pipe_, form_, {.typedKey = "longkey", .withSubfolders = true}, msg_),
            EncryptStart::Declined);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "[11]\r\n\r\n[1]");
  EXPECT_EQ(host_.questions[0].title, "W");
  EXPECT_EQ(readAll(root_ + "a.txt"), "abc");

  std::filesystem::remove(root_ + "a.txt");
  makeFile("empty", "");
  EXPECT_EQ(encrypt("longkey"), EncryptStart::Ran);
  EXPECT_EQ(reportedText(host_), "Nothing.");
}

TEST_F(EncryptRunTest, CancelLeavesTheFileInProgressAsItWas) {
  std::string big(3 * 100008, 'x');
  makeFile("a.big", big);
  makeFile("b.txt", "second");
  host_.cancelAfterYields(1);
  EXPECT_EQ(encrypt("abcdef"), EncryptStart::Ran);
  EXPECT_EQ(readAll(root_ + "a.big"), big);
  EXPECT_EQ(readAll(root_ + "b.txt"), "second");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(root_)) ++files;
  EXPECT_EQ(files, 2u);  // no temporary file left behind
}

}  // namespace
}  // namespace tools::file_ops
