// Batch code files: a code survives its file whatever its templates hold, files that are not
// codes are refused, the builder's state file reads as a code, and the shipped files are sound.
#include "tools/file_ops/batch_code.h"

#include "core/file_content.h"
#include "core/form_state.h"
#include "tools/file_ops/batch_job.h"

#include <gtest/gtest.h>

namespace tools::file_ops {
namespace {

TEST(BatchCode, ACodeSurvivesItsFile) {
  for (const BatchFilter filter : {BatchFilter::All, BatchFilter::ReadOnly, BatchFilter::Archive, BatchFilter::Folders}) {
    const BatchCode code{.templates = {.head = "#!/bin/sh\nset -e\n",
                                       .fold = "cd <myFold> || exit 1 # A_Sep A_Run A_Esc %5F\n",
                                       .file = "printf '%s\\n' \"<myDosFile>\" > <DM;yyyy>.txt\n",
                                       .tail = "echo \"ünï\"; exit 0"},
                         .filter = filter};
    EXPECT_EQ(parseBatchCode(batchCodeText(code)), code);
  }
}

TEST(BatchCode, TextsThatAreNoCodesAreRefused) {
  for (const char* text : {"", "qw9", "QW9Configs", "qw9Cx A_Sep", "Rename rules\r\nqw9Configs", "\xef\xbb\xbfqw9Configs"})
    EXPECT_EQ(parseBatchCode(text), std::nullopt) << text;
}

TEST(BatchCode, ReadsWhatTheFormStateHoldsAndDropsCarriageReturns) {
  // The builder's own state file: every control of the window, options as the form loader writes
  // them, texts with the line ends of another system.
  const std::string state = core::buildFormState(2, {{"txtHead", "a\r\nb\r"},
                                                    {"chkNothing", "1"},
                                                    {"optAll", "False"},
                                                    {"optRead", "false"},
                                                    {"optArchive", " TRUE "},
                                                    {"optFold", "True"},
                                                    {"txtTail", "t"}});
  const auto code = parseBatchCode(state);
  ASSERT_TRUE(code);
  EXPECT_EQ(code->templates, (BatchTemplates{.head = "a\nb", .fold = "", .file = "", .tail = "t"}));
  EXPECT_EQ(code->filter, BatchFilter::Archive) << "the first chosen option";
  EXPECT_EQ(parseBatchCode(core::buildFormState(0, {{"optRead", "-1"}}))->filter, BatchFilter::ReadOnly);
  EXPECT_EQ(parseBatchCode(core::buildFormState(0, {}))->filter, BatchFilter::All) << "none chosen";
}

TEST(BatchCode, TheShippedCodeAndClosingLinesAreSound) {
  const std::string data = std::string(CORVANE_SOURCE_DIR) + "/data/";
  const auto first = core::readBits(data + "Append.qw");
  ASSERT_TRUE(first);
  const auto code = parseBatchCode(*first);
  ASSERT_TRUE(code);
  EXPECT_FALSE(code->templates.file.empty());
  EXPECT_EQ(first->find('\r'), std::string::npos);
  const auto end = core::readBits(data + std::string(kEndTextName));
  ASSERT_TRUE(end);
  EXPECT_NE(end->find(kTriggerToken), std::string::npos);
  core::ShellScriptBuilder job;
  EXPECT_TRUE(appendEndText(job, *end, "/opt/my programs/Wendle"));
  EXPECT_NE(job.text().find("'/opt/my programs/Wendle'"), std::string::npos) << job.text();
  EXPECT_TRUE(job.atTopLevel());
}

}  // namespace
}  // namespace tools::file_ops
