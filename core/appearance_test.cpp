#include "core/appearance.h"

#include "core/file_content.h"
#include "core/file_errors.h"
#include "core/state.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>

namespace core {
namespace {

struct ShadeCase {
  const char* name;
  std::uint32_t colour;
  int amount;
  bool uniform;
  std::uint32_t expected;
};

class ShadeColourTest : public ::testing::TestWithParam<ShadeCase> {};

TEST_P(ShadeColourTest, Shades) {
  const auto& c = GetParam();
  EXPECT_EQ(shadeColour(c.colour, c.amount, c.uniform), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShadeColourTest,
    ::testing::Values(ShadeCase{"WhiteDarkens", 0xFFFFFF, 80, false, 0xAFAFAF},
                      ShadeCase{"BlackLightens", 0x000000, 80, false, 0x505050},
                      ShadeCase{"PerChannel", 0xF01000, 80, false, 0xA06050},
                      ShadeCase{"UniformLightens", 0x808080, 80, true, 0xD0D0D0},
                      ShadeCase{"UniformDarkens", 0xF0F0B0, 80, true, 0xA0A060},
                      ShadeCase{"UniformNeitherWay", 0xFF0000, 80, true, 0xFF0000}),
    [](const auto& info) { return std::string(info.param.name); });

class ColourFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    scoped_.state().appPath = dir_.path().toStdString() + "/";
    path_ = scoped_.state().appPath + "colfil.txt";
  }
  QTemporaryDir dir_;
  ScopedCoreState scoped_;
  std::string path_;
};

TEST_F(ColourFileTest, MissingFileIsWrittenWithDefaults) {
  EXPECT_EQ(loadColours(), 0);
  EXPECT_EQ(InputBits(path_), "16777215,0");
  EXPECT_EQ(scoped_.state().hiddenColor, 0xAFAFAFu);
}

// A colour file of 3 GB (sparse) is left unread and untouched; the colours stay the defaults.
TEST_F(ColourFileTest, AHugeFileIsLeftUnread) {
  ASSERT_EQ(OutputFile(path_, "0,16777215"), 0);
  std::filesystem::resize_file(path_, std::uintmax_t{3} << 30);
  EXPECT_EQ(loadColours(), kErrPathFileAccess);
  EXPECT_EQ(scoped_.state().backColor, 0xFFFFFFu);
  EXPECT_EQ(std::filesystem::file_size(path_), std::uintmax_t{3} << 30);
}

TEST_F(ColourFileTest, FileValuesAreRead) {
  ASSERT_EQ(OutputFile(path_, "0,16777215\r\n"), 0);
  loadColours();
  EXPECT_EQ(scoped_.state().backColor, 0u);
  EXPECT_EQ(scoped_.state().foreColor, 0xFFFFFFu);
  EXPECT_EQ(scoped_.state().hiddenColor, 0x505050u);
}

struct BadColourCase {
  const char* name;
  const char* text;
  std::uint32_t back;
  std::uint32_t fore;
};

class BadColourFileTest : public ColourFileTest, public ::testing::WithParamInterface<BadColourCase> {};

TEST_P(BadColourFileTest, KeepsDefaultsWhereAValueIsUnusable) {
  ASSERT_EQ(OutputFile(path_, GetParam().text), 0);
  loadColours();
  EXPECT_EQ(scoped_.state().backColor, GetParam().back);
  EXPECT_EQ(scoped_.state().foreColor, GetParam().fore);
  EXPECT_EQ(scoped_.state().hiddenColor, shadeColour(GetParam().back, 80, false));
  EXPECT_EQ(InputBits(path_), GetParam().text);  // never rewritten
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadColourFileTest,
    ::testing::Values(BadColourCase{"Empty", "", 0xFFFFFF, 0},
                      BadColourCase{"NoComma", "255", 0xFFFFFF, 0},
                      BadColourCase{"TooLarge", "16777216,255", 0xFFFFFF, 255},
                      BadColourCase{"Negative", "-1,-5", 0xFFFFFF, 0},
                      BadColourCase{"Foreign", "\x89PNG\r\n\x1a,junk", 0xFFFFFF, 0},
                      BadColourCase{"HexAccepted", "&HFF,&H10", 0xFF, 0x10}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace core
