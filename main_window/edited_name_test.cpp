#include "main_window/edited_name.h"

#include "core/vb.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace mainwin {
namespace {

// The editor starts from the name as the list shows it; edit() turns that text into the text the
// user leaves in the editor.
std::optional<std::string> afterEdit(const std::string& name, QString (*edit)(QString)) {
  return nameAfterEdit(name, edit(vb::qpath(name)));
}

QString unchanged(QString s) { return s; }
QString newExtension(QString s) { return s.left(s.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".log"); }
QString prefixed(QString s) { return QStringLiteral("x") + s; }
QString firstLetterDropped(QString s) { return s.mid(1); }

struct Case {
  const char* what;
  std::string name;
  QString (*edit)(QString);
  std::optional<std::string> expected;
};

class EditedName : public ::testing::TestWithParam<Case> {};

TEST_P(EditedName, KeepsEveryByteTheUserDidNotTouch) {
  const Case& c = GetParam();
  EXPECT_EQ(afterEdit(c.name, c.edit), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, EditedName,
    ::testing::Values(
        Case{"unchanged, not UTF-8", "bad\xFF.txt", unchanged, "bad\xFF.txt"},
        Case{"new extension", "bad\xFF.txt", newExtension, "bad\xFF.log"},
        Case{"letter put before", "bad\xFF.txt", prefixed, "xbad\xFF.txt"},
        Case{"first letter dropped", "\xFE" "ab.txt", firstLetterDropped, "ab.txt"},
        Case{"two bytes, the middle edited", "a\xFF" "b\xFE" "c.txt", newExtension, "a\xFF" "b\xFE" "c.log"},
        Case{"UTF-8 name", "caf\xC3\xA9.txt", newExtension, "caf\xC3\xA9.log"},
        Case{"beside a pair of UTF-16 units", "a\xF0\x9F\x98\x80" ".txt", newExtension, "a\xF0\x9F\x98\x80.log"},
        Case{"cut sequence", "\xE2\x82.txt", newExtension, "\xE2\x82.log"},
        Case{"cut four-byte sequence", "\xF0\x9F\x98.txt", newExtension, "\xF0\x9F\x98.log"},
        Case{"encoded surrogate", "\xED\xA0\x80.txt", newExtension, "\xED\xA0\x80.log"},
        Case{"overlong slash", "\xC0\xAF.txt", newExtension, "\xC0\xAF.log"}),
    [](const ::testing::TestParamInfo<Case>& i) { return "case" + std::to_string(i.index); });

TEST(EditedName, EveryByteOutsideAsciiSurvivesAnEditBesideIt) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string name = std::string("n") + static_cast<char>(b) + ".txt";
    EXPECT_EQ(afterEdit(name, unchanged), name) << b;
    EXPECT_EQ(afterEdit(name, newExtension), std::string("n") + static_cast<char>(b) + ".log") << b;
  }
}

TEST(EditedName, TypedReplacementCharacterIsRefusedWhereBytesAreUnknown) {
  // In a name that is not UTF-8 the character could stand for any byte: no guess.
  const QChar unknown(QChar::ReplacementCharacter);
  EXPECT_EQ(nameAfterEdit("bad\xFF.txt", QStringLiteral("bad") + unknown + QStringLiteral("x") + unknown + QStringLiteral(".txt")),
            std::nullopt);
  // In a UTF-8 name it is the character the user typed.
  EXPECT_EQ(nameAfterEdit("good.txt", QStringLiteral("x") + unknown + QStringLiteral(".txt")), "x\xEF\xBF\xBD.txt");
}

}  // namespace
}  // namespace mainwin
