#include "core/results_history.h"

#include "core/file_test_fixture.h"
#include "core/state.h"

#include <QString>
#include <QtGlobal>

#include <filesystem>

namespace {

std::vector<std::string> gWarnings;

void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& msg) {
  if (type == QtWarningMsg) gWarnings.push_back(msg.toStdString());
}

class ResultsHistory : public core::testing::AppFolderFixture {
 protected:
  void SetUp() override {
    AppFolderFixture::SetUp();
    gWarnings.clear();
    previous_ = qInstallMessageHandler(collectWarnings);
  }
  void TearDown() override {
    qInstallMessageHandler(previous_);
    AppFolderFixture::TearDown();
  }
  QtMessageHandler previous_ = nullptr;
};

TEST_F(ResultsHistory, AStampFullOfColonsStillGivesAFileName) {
  // 200 ":" become 400 bytes of "ZZ": cut after the conversion, the name fits a file system.
  const std::string report = "Operation finished: " + std::string(200, ':') + "\r\nbody";
  const std::string name = core::recordRun(report);
  ASSERT_FALSE(name.empty());
  EXPECT_LE(name.size(), 255u);
  EXPECT_EQ(name, "Results " + std::string(200, 'Z') + ".txt");
  EXPECT_EQ(core::readHistoryFile(name), report);
  EXPECT_EQ(core::historySlotFile(core::currentHistorySlot()), name);
  // A stamp cut inside a multi-byte character keeps whole characters.
  EXPECT_EQ(core::historyFileName(std::string(199, 'x') + "\xC3\xA9"), "Results " + std::string(199, 'x') + ".txt");
}

TEST_F(ResultsHistory, AFailedWriteIsLoggedAndLeavesTheRingAlone) {
  const std::string first = core::recordRun("Operation finished: 1\r\nfirst");
  ASSERT_FALSE(first.empty());
  const int slot = core::currentHistorySlot();
  scoped_->state().appPath = dir_ + "gone/";  // the folder was removed behind the program's back
  EXPECT_EQ(core::recordRun("Operation finished: 2\r\nsecond"), "");
  ASSERT_EQ(gWarnings.size(), 1u);
  EXPECT_NE(gWarnings[0].find(dir_ + "gone/Results 2.txt"), std::string::npos) << gWarnings[0];
  scoped_->state().appPath = dir_;
  EXPECT_EQ(core::currentHistorySlot(), slot);
  EXPECT_EQ(core::historySlotFile(slot), first);
}

}  // namespace
