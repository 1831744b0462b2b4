#include "properties_editor/editor_fields.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

using propedit::MaskedText;

struct MaskCase {
  const char* name;
  const char* text;  // the box after the keystroke
  int caret;         // the cursor after the keystroke
  const char* want;
  int wantCaret;
};

class TimeMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(TimeMask, KeepsTheFormWhileTyping) {
  const MaskCase& c = GetParam();
  EXPECT_EQ(propedit::maskTimeField(QString::fromUtf8(c.text), c.caret),
            (MaskedText{QString::fromUtf8(c.want), c.wantCaret}));
}

INSTANTIATE_TEST_SUITE_P(
    Keystrokes, TimeMask,
    ::testing::Values(MaskCase{"twoAtStartOverwrites", "213:45:00", 1, "23:45:00", 1},
                      MaskCase{"hourOver23Wraps", "513:45:00", 1, "00:45:00", 1},
                      MaskCase{"atEndKeepsFirstEight", "13:45:009", 9, "13:45:00", 8},
                      MaskCase{"caretSkipsColon", "133:45:00", 2, "13:45:00", 3},
                      MaskCase{"minuteOver59Wraps", "12:745:00", 4, "12:00:00", 4},
                      MaskCase{"negativeHourWraps", "-01:00:00", 1, "23:00:00", 1},
                      MaskCase{"pasteLongerThanBox", "12:34:56abc", 11, "12:34:56", 8},
                      MaskCase{"emptiedBoxIsZero", "", 0, "00:00:00", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NameFilter, RemovesInvalidCharactersOnlyFromWhatWasTyped) {
  // Typing a, *, b into an empty box, one key at a time.
  MaskedText m{QString(), 0};
  for (const QChar key : QStringLiteral("a*b")) {
    const QString typed = m.text.left(m.caret) + key + m.text.mid(m.caret);
    m = propedit::filterTypedName(m.text, typed, m.caret + 1);
  }
  EXPECT_EQ(m, (MaskedText{QStringLiteral("ab"), 2}));

  // A loaded name's own ":" stays when something else is typed or pasted.
  const QString loaded = QStringLiteral("Shot 10:00.png");
  EXPECT_EQ(propedit::filterTypedName(loaded, loaded + QStringLiteral("x:y"), 17),
            (MaskedText{loaded + QStringLiteral("xy"), 16}));
  // A typed ":" in front of a loaded one goes; the loaded one stays.
  EXPECT_EQ(propedit::filterTypedName(QStringLiteral(":"), QStringLiteral("::"), 1), (MaskedText{QStringLiteral(":"), 0}));
  // Typing over a selection.
  EXPECT_EQ(propedit::filterTypedName(QStringLiteral("abc"), QStringLiteral("a*c"), 2), (MaskedText{QStringLiteral("ac"), 1}));
  // Valid text passes untouched, caret included.
  EXPECT_EQ(propedit::filterTypedName(QStringLiteral("ab"), QStringLiteral("aéb"), 2), (MaskedText{QStringLiteral("aéb"), 2}));
}

TEST(SizeText, SeparatesEveryThreeDigitsOver64Bits) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0 Bytes"},
      {999, "999 Bytes"},
      {1000, "1,000 Bytes"},
      {1000000, "1,000,000 Bytes"},
      {1234567890, "1,234,567,890 Bytes"},
      {std::numeric_limits<std::uint64_t>::max(), "18,446,744,073,709,551,615 Bytes"}};
  for (const auto& [bytes, want] : cases) EXPECT_EQ(propedit::sizeText(bytes), want) << bytes;
}

TEST(EditorTime, FormatsMonthFirstAndReadsBackOnlyRealDates) {
  core::SystemTime t;
  t.year = 2001;
  t.month = 3;
  t.day = 5;
  t.hour = 7;
  t.minute = 8;
  t.second = 9;
  EXPECT_EQ(propedit::formatEditorTime(t), "03/05/2001 07:08:09");
  const auto back = propedit::readTimeBoxes("03/05/2001", "07:08:09");
  ASSERT_TRUE(back);
  EXPECT_EQ(propedit::formatEditorTime(*back), "03/05/2001 07:08:09");
  core::SystemTime unknown;
  unknown.known = false;
  EXPECT_EQ(propedit::formatEditorTime(unknown), "");

  EXPECT_TRUE(propedit::readTimeBoxes("02/29/2004", "23:59:59"));
  for (const auto& [date, time] : {std::pair{"02/29/2001", "00:00:00"}, {"04/31/2001", "00:00:00"},
                                   {"13/01/2001", "00:00:00"}, {"00/10/2001", "00:00:00"},
                                   {"ab/cd/efgh", "00:00:00"}, {"01/01/0000", "00:00:00"},
                                   {"01/01/2001", "24:00:00"}, {"01/01/2001", "12:60:00"}, {"", ""}}) {
    EXPECT_FALSE(propedit::readTimeBoxes(date, time)) << date << " " << time;
  }
}

}  // namespace
