#include "core/settings.h"

#include "platform/settings_store.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

class CoreSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    saved_ = old ? std::optional<std::string>(old) : std::nullopt;
    ASSERT_TRUE(tmp_.isValid());
    setenv("XDG_CONFIG_HOME", tmp_.path().toLocal8Bit().constData(), 1);
    core::setSettingsWord("vardulek");
  }
  void TearDown() override {
    core::setSettingsWord("vardulek");
    if (saved_) setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
  }
  QTemporaryDir tmp_;
  std::optional<std::string> saved_;
};

TEST_F(CoreSettings, TextAndNumbersRoundTripUnderTheSettingsWord) {
  EXPECT_EQ(core::getSet("myFont"), "");
  core::saveSet("myFont", "DejaVu Sans, Bold");
  core::saveSet("sendDeleted", 1LL);
  core::saveSet("col2width", -1500LL);
  EXPECT_EQ(core::getSet("MYFONT"), "DejaVu Sans, Bold");
  EXPECT_EQ(core::getSet("sendDeleted"), "1");
  EXPECT_EQ(core::getSet("col2width"), "-1500");
  // Companions share the store of the word they are given.
  EXPECT_EQ(platform::readSetting("vardulek", "myFont"), "DejaVu Sans, Bold");
  core::setSettingsWord("gremvard");
  EXPECT_EQ(core::getSet("myFont"), "");
}

TEST_F(CoreSettings, ClearSettingsEmptiesTheGroup) {
  core::saveSet("myLang", "3");
  core::clearSettings();
  EXPECT_EQ(core::getSet("myLang"), "");
  core::saveSet("myLang", "4");  // the store works again after clearing
  EXPECT_EQ(core::getSet("myLang"), "4");
}

}  // namespace
