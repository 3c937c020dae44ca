#include "analysis/fast_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/test_lines.h"

namespace vorrik {
namespace {

using testing::Narrow;

constexpr const char* kFastPathOff =
    "fast path off: the processor lacks popcnt/bmi/bmi2 with a fast pext, or "
    "VORRIK_NO_FAST_SCAN is set";

struct FastCase {
  const char* name;
  std::u16string line;
  bool taken;       // whether the fast path takes the line
  float lineDelta;  // when taken
  int opRunAfter;
};

// Lines the fast path must take (with their weight) or leave alone.
TEST(ScanLineFast, TakesCommonLinesAndLeavesTheRest) {
  if (!FastScanAvailable()) GTEST_SKIP() << kFastPathOff;
  const FastCase cases[] = {
      {"Assignment", u"x = 5;", true, 2.5f, 0},
      {"CallWithTabs", u"\t\tSetHealth(player, 100);", true, 3.5f, 0},
      {"IfWithKeywords", u"if(GetValue() == player) return;", true, 4.5f, 0},
      {"KeywordsBeforeParen", u"IF (x) WHILE (y) FOR (z) ELSE (w) RETURN (v);", true, 11.5f, 0},
      {"ForLoop", u"for(i=0; i<10; i=i+1)", true, 11.0f, 0},
      {"CommentCut", u"x = y + 1;  // add one", true, 4.0f, 0},
      {"HashCut", u"a =-1; # note", true, 3.0f, 0},
      {"Label", u"startup:", true, 0.0f, 0},
      {"KeywordLabel", u"return :", true, -0.5f, 0},
      {"TripleEquals", u"a === b;", true, 3.0f, 0},
      {"LoneOperatorCarried", u"a = b +", true, 2.5f, 1},
      {"OnlyBlanks", u" \t ", true, 0.0f, 0},
      {"OnlyComment", u"  // nothing", true, 0.0f, 0},
      {"HighCharacters", u"x\u00e9y\u0100z\uffff;", true, 3.0f, 0},
      {"SixtyFourCharacters", std::u16string(63, u'x') + u";", true, 1.0f, 0},
      {"LongLine", std::u16string(100, u' ') + u"a = b - -c;", true, 4.5f, 0},
      {"LongestLine", std::u16string(127, u'x') + u";", true, 1.0f, 0},
      {"LineTooLong", std::u16string(128, u'x') + u";", false, 0, 0},
      {"Quote", u"Print(\"hi there\");", true, 2.5f, 0},
      {"Apostrophe", u"s = 'a b';", true, 3.5f, 0},
      {"QuotesEndWordsOnlyWhenClosing", u"x\"a+b\"y\"\";", true, 4.0f, 0},
      {"BothQuoteKinds", u"x = \"it's\";", false, 0, 0},
      {"QuoteLeftOpen", u"x = \"abc", false, 0, 0},
      {"QuoteAfterComment", u"x; // \"quoted\"", true, 1.0f, 0},
      {"Division", u"x = a / b;", false, 0, 0},
      {"WordPartedByBlank", u"call startup;", true, 1.0f, 0},
      {"OperatorsPartedByBlank", u"x = = y;", true, 2.5f, 0},
      {"NotEqualMinusOne", u"(victim != -1)", true, 3.0f, 0},
      {"ShortWordPartedByBlank", u"re turn;", false, 0, 0},
      {"WordOpenAtEnd", u"else", false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScanState state;
    float tally = 10.0f;
    float lineDelta = -99.0f;
    ASSERT_EQ(ScanLineFast(c.line, state, tally, lineDelta), c.taken);
    if (c.taken) {
      EXPECT_EQ(lineDelta, c.lineDelta);
      EXPECT_EQ(tally, 10.0f + c.lineDelta);
      EXPECT_EQ(state.opRun, c.opRunAfter);
    } else {
      EXPECT_EQ(tally, 10.0f);
      EXPECT_EQ(lineDelta, -99.0f);
    }
  }
}

TEST(ScanLineFast, LeavesCarriedStateAndLargeTalliesToTheGeneralScanner) {
  if (!FastScanAvailable()) GTEST_SKIP() << kFastPathOff;
  ScanState carried[4];
  carried[0].inQuote = true;
  carried[1].inApos = true;
  carried[2].inWord = true;
  carried[3].opRun = 1;
  for (auto& state : carried) {
    float tally = 0.0f;
    float lineDelta = 0.0f;
    EXPECT_FALSE(ScanLineFast(u"x = 1;", state, tally, lineDelta));
  }
  ScanState state;
  float large = 4194304.0f;
  float lineDelta = 0.0f;
  EXPECT_FALSE(ScanLineFast(u"x = 1;", state, large, lineDelta));
  large = -4194304.0f;
  EXPECT_FALSE(ScanLineFast(u"x = 1;", state, large, lineDelta));
}

// Switched off (or without the instructions) the fast path takes no line and
// changes nothing; otherwise it takes common lines of either mask width.
TEST(ScanLineFast, TakesLinesOnlyWhenAvailable) {
  const std::u16string common = u"a = b +";
  for (const std::u16string& line : {common, std::u16string(80, u' ') + common}) {
    ScanState state;
    float tally = 10.0f;
    float lineDelta = -99.0f;
    ASSERT_EQ(ScanLineFast(line, state, tally, lineDelta), FastScanAvailable()) << Narrow(line);
    if (!FastScanAvailable()) {
      EXPECT_TRUE(tally == 10.0f && lineDelta == -99.0f && state.opRun == 0) << Narrow(line);
    }
  }
}

std::u16string RandomCodeLine(std::mt19937& random) {
  static const std::vector<std::u16string> pieces = {
      u"x",   u"Thing", u"if",    u"IF", u"else", u"while", u"While", u"for", u"return",
      u"RETURN", u"retur", u"iff", u"1.5", u"_a", u"(",   u")",    u";",   u",",    u":",
      u"=",   u"==",   u"-",     u"--", u"+",    u"!",     u"&&",   u"|",   u"<",    u">",
      u"*",   u" ",    u" ",     u"\t", u"{",    u"}",     u"\u00e9", u"//", u"#",  u"/",
      u"\"",  u"'"};
  return testing::RandomLine(random, pieces, 23);
}

// Wherever the fast path takes a line, it agrees with the general scanner in
// lineDelta, tally and the state handed on.
TEST(ScanLineFast, AgreesWithTheGeneralScanner) {
  if (!FastScanAvailable()) GTEST_SKIP() << kFastPathOff;
  CharClasses classes;
  InitCharClasses(classes);
  std::mt19937 random(64);
  int taken = 0;
  for (int i = 0; i < 200000; ++i) {
    const std::u16string line = RandomCodeLine(random);
    ScanState fastState;
    ScanState generalState;
    float fastTally = 100.0f;
    float generalTally = 100.0f;
    float lineDelta = 0.0f;
    if (!ScanLineFast(line, fastState, fastTally, lineDelta)) continue;
    ++taken;
    ASSERT_EQ(lineDelta, ScanLineGeneral(line, classes, generalState, generalTally)) << Narrow(line);
    ASSERT_EQ(fastTally, generalTally);
    ASSERT_EQ(fastState.opRun, generalState.opRun) << Narrow(line);
    ASSERT_FALSE(generalState.inWord || generalState.inQuote || generalState.inApos) << Narrow(line);
  }
  EXPECT_GT(taken, 20000);
}

}  // namespace
}  // namespace vorrik
