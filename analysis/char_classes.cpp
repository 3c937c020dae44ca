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

  classes.scanClass.fill(ScanClass::kOther);
  for (char16_t c : classes.wordChars) classes.scanClass[c] = ScanClass::kWord;
  for (char16_t c : classes.operatorChars) classes.scanClass[c] = ScanClass::kOperator;
  for (char16_t c = u'A'; c <= u'Z'; ++c) classes.scanClass[c] = ScanClass::kWord;
  classes.scanClass[u'-'] = ScanClass::kMinus;
  classes.scanClass[u'/'] = ScanClass::kSlash;
  classes.scanClass[u'#'] = ScanClass::kHash;
  classes.scanClass[u'('] = ScanClass::kParen;
  classes.scanClass[u':'] = ScanClass::kColon;
  classes.scanClass[u' '] = ScanClass::kBlank;
  classes.scanClass[u'\t'] = ScanClass::kBlank;
  classes.scanClass[u'"'] = ScanClass::kQuote;
  classes.scanClass[u'\''] = ScanClass::kApos;
}

}  // namespace vorrik
