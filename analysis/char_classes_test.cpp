#include "analysis/char_classes.h"

#include <gtest/gtest.h>

namespace vorrik {
namespace {

TEST(CharClasses, SetsHoldExactlyTheirCharacters) {
  CharClasses classes;
  InitCharClasses(classes);
  EXPECT_EQ(classes.operatorChars, u"+-*/!=<>&|");
  EXPECT_EQ(classes.wordChars, u"abcdefghijklmnopqrstuvwxyz0123456789_.");
}

TEST(CharClasses, SecondInitStoresTheSameValues) {
  CharClasses once;
  InitCharClasses(once);
  CharClasses twice;
  InitCharClasses(twice);
  InitCharClasses(twice);
  EXPECT_EQ(once.wordChars, twice.wordChars);
  EXPECT_EQ(once.operatorChars, twice.operatorChars);
  EXPECT_EQ(once.scanClass, twice.scanClass);
}

// Every character code up to 0x2FF against the sets, so the scanner's lookup
// table can neither miss a member nor claim a stranger.
TEST(CharClasses, ClassifiesEveryCharacter) {
  CharClasses classes;
  InitCharClasses(classes);
  const std::u16string words = u"abcdefghijklmnopqrstuvwxyz0123456789_.";
  const std::u16string operators = u"+-*/!=<>&|";
  for (char32_t code = 0; code < 0x300; ++code) {
    const auto c = static_cast<char16_t>(code);
    EXPECT_EQ(IsWordChar(classes, c), words.find(c) != std::u16string::npos) << "code " << static_cast<unsigned>(code);
    EXPECT_EQ(IsOperatorChar(classes, c), operators.find(c) != std::u16string::npos) << "code " << static_cast<unsigned>(code);
  }
  // Upper case, accented letters and the punctuation of scripts belong to neither.
  for (char16_t c : std::u16string(u"AZ\u00e9\u00c9()[]{};,:#$%^\"'")) {
    EXPECT_FALSE(IsWordChar(classes, c));
    EXPECT_FALSE(IsOperatorChar(classes, c));
  }
  EXPECT_FALSE(IsWordChar(classes, 0xFFFF));
  // Upper-case letters scan as word characters: the line is lower-cased first.
  for (char16_t c = u'A'; c <= u'Z'; ++c) EXPECT_EQ(ClassOf(classes, c), ScanClass::kWord);
}

}  // namespace
}  // namespace vorrik
