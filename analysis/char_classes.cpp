#include "char_classes.h"

namespace vorrik {

void InitCharClasses(CharClasses& classes) {
  classes.operatorChars = u"+-*/!=<>&|";

  // Filled position by position: the letters, the digits, "_" and ".".
  classes.wordChars.assign(38, u'\0');
  std::size_t position = 0;
  for (char16_t code = 97; code <= 122; ++code) classes.wordChars[position++] = code;
  for (char16_t code = 48; code <= 57; ++code) classes.wordChars[position++] = code;
  classes.wordChars[36] = u'_';
  classes.wordChars[37] = u'.';

  classes.table.fill(CharClasses::kOther);
  for (char16_t c : classes.wordChars) classes.table[c] = CharClasses::kWord;
  for (char16_t c : classes.operatorChars) classes.table[c] = CharClasses::kOperator;
}

}  // namespace vorrik
