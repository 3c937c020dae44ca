#include "analysis/tally.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "analysis/display.h"
#include "analysis/normalise.h"
#include "analysis/test_lines.h"

namespace vorrik {
namespace {

using testing::U16;

/// Normalises and scans the lines with one scanner state, as consecutive code
/// lines of one run; returns their deltas as ".5 3 0".
std::string ScanDeltas(const std::vector<std::string>& lines) {
  CharClasses classes;
  InitCharClasses(classes);
  ScanState state;
  float tally = 0.0f;
  std::vector<char16_t> buffer;
  std::string out;
  for (const auto& line : lines) {
    const float delta = ScanLine(NormaliseLine(U16(line), buffer), classes, state, tally);
    if (!out.empty()) out += ' ';
    out += FormatTally(delta).substr(delta < 0 ? 0 : 1);
  }
  return out;
}

struct LineCase {
  const char* name;
  const char* line;
  const char* normLine;
  const char* delta;
};

class SingleLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(SingleLineTest, WeighsAsTheRulesSay) {
  const auto& c = GetParam();
  std::vector<char16_t> buffer;
  EXPECT_EQ(testing::Narrow(NormaliseLine(U16(c.line), buffer)), c.normLine);
  EXPECT_EQ(ScanDeltas({c.line}), c.delta);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SingleLineTest,
    ::testing::Values(
        LineCase{"Assignment", "x = 5;", "x=5;", "2.5"},
        LineCase{"IfWithCallAndReturn", "if(GetValue() == player) return;",
                 "if(getvalue()==player)return;", "4.5"},
        LineCase{"CallWithArguments", "SetHealth(player, 100);", "sethealth(player,100);", "3.5"},
        LineCase{"ForLoop", "for(i=0; i<10; i=i+1)", "for(i=0;i<10;i=i+1)", "11"},
        LineCase{"While", "while(x < 5)", "while(x<5)", "4.5"},
        LineCase{"Subtraction", "a = b - 1;", "a=b-1;", "4"},
        LineCase{"NegativeNumber", "a = -1;", "a=-1;", "3"},
        LineCase{"LogicalAnd", "x = y && z;", "x=y&&z;", "4"},
        LineCase{"Not", "x = !y;", "x=!y;", "2.5"},
        LineCase{"TripleEquals", "a === b;", "a===b;", "3"},
        LineCase{"Decrement", "x--;", "x--;", "2"},
        LineCase{"Arrow", "p -> q;", "p->q;", "2.5"},
        LineCase{"BlanksJoinWords", "call startup;", "callstartup;", "1"},
        LineCase{"Label", "startup:", "startup:", "0"},
        LineCase{"Return", "return;", "return;", ".5"},
        LineCase{"Number", "0.5;", "0.5;", "1"},
        LineCase{"ApostropheArgument", "SetPos(x, '1 2 3');", "setpos(x,'123');", "4.5"},
        LineCase{"OpeningBrace", "{", "{", "0"},
        LineCase{"EmptyLine", "", "", "0"},
        LineCase{"QuotedArgument", "Print(\"hello world\");", "print(\"helloworld\");", "2.5"},
        LineCase{"ApostropheInsideDoubleQuotes", "Print(\"it's\");", "print(\"it's\");", "2.5"},
        LineCase{"QuoteSettlesPendingOperator", "x = \"abc\";", "x=\"abc\";", "2.5"},
        // Keywords keep their weight when "(" ends them; other words pay .5 more.
        LineCase{"KeywordsBeforeParen", "if(while(for(return(else(", "if(while(for(return(else(",
                 "6.5"},
        LineCase{"WordsThatStartWithKeywords", "returned; format; iff; elses; whiles;",
                 "returned;format;iff;elses;whiles;", "5"},
        LineCase{"KeywordLabel", "return:", "return:", "-.5"},
        LineCase{"ColonAfterNonWordActsPlain", "x;:", "x;:", "1"},
        LineCase{"DoubleQuoteBetweenApostrophes", "a='b\"c'd\"e;", "a='b\"c'd\"e;", "2"},
        LineCase{"ApostropheClosedAddsTwo", "''", "''", "2"},
        LineCase{"OperatorPairEndingInMinus", "=-=-", "=-=-", "2"},
        LineCase{"LoneMinusSettledByWord", "a-b", "a-b", "1.5"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ScanLine, HighCharactersEndWords) {
  // "ab" ends at U+00E9 (no word character), "cd" at the semicolon.
  CharClasses classes;
  InitCharClasses(classes);
  ScanState state;
  float tally = 0.0f;
  EXPECT_EQ(ScanLine(u"ab\u00e9cd;", classes, state, tally), 2.0f);
  EXPECT_EQ(ScanLine(u"x\u0100", classes, state, tally), 1.0f);
  EXPECT_EQ(ScanLine(std::u16string(u"x\0y\0", 4), classes, state, tally), 2.0f);
}

struct MultiLineCase {
  const char* name;
  std::vector<std::string> lines;
  const char* deltas;
};

class MultiLineTest : public ::testing::TestWithParam<MultiLineCase> {};

TEST_P(MultiLineTest, CarriesStateAcrossLines) {
  EXPECT_EQ(ScanDeltas(GetParam().lines), GetParam().deltas);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, MultiLineTest,
    ::testing::Values(
        MultiLineCase{"IfElseBlock",
                      {"startup:", "if(x == 1)", "y = 2;", "else", "y = 3;", "return;"},
                      "0 3.5 2.5 0 2.5 .5"},
        MultiLineCase{"WordJoinsNextLine", {"x=a", "b;"}, "1.5 1"},
        MultiLineCase{"OperatorCarried", {"a = b +", "c;"}, "2.5 1.5"},
        MultiLineCase{"OperatorPairsAcrossLineEnd", {"x =", "-1;"}, "1 2"},
        MultiLineCase{"ElseEndedByBrace", {"else", "{"}, "0 1"},
        MultiLineCase{"OpenQuoteSpansLines", {"x = \"abc", "y = 1;", "z\";"}, "1 0 1.5"},
        MultiLineCase{"OpenApostropheSpansLines", {"s = 'a//b';", "t = 2;", "u';"}, "1 0 2.5"},
        MultiLineCase{"LongWordAcrossLines", {"whi", "le", "(x"}, "0 0 2"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ScanLine, WordOfAnyLengthAcrossManyLines) {
  CharClasses classes;
  InitCharClasses(classes);
  ScanState state;
  float tally = 0.0f;
  const std::u16string chunk(1000, u'r');
  for (int i = 0; i < 2000; ++i) EXPECT_EQ(ScanLine(chunk, classes, state, tally), 0.0f);
  EXPECT_EQ(ScanLine(u"(", classes, state, tally), 1.5f);
  // The saturated length must not leave a keyword behind: "return" after it.
  EXPECT_EQ(ScanLine(u"return;", classes, state, tally), 0.5f);
}

// Each addition is rounded to single precision: at 2^24 a step of 1 is lost
// (ties to even), while a single step of 1.5 lands on 2^24 + 2.
TEST(ScanLine, EveryAdditionRoundsToSinglePrecision) {
  CharClasses classes;
  InitCharClasses(classes);
  struct Case {
    const char16_t* line;
    float delta;
  } cases[] = {{u"x;", 0.0f}, {u"f(", 2.0f}, {u"x--;", 0.0f}, {u"\"\"", 0.0f}, {u"''", 2.0f}};
  for (const auto& c : cases) {
    ScanState state;
    float tally = 16777216.0f;
    EXPECT_EQ(ScanLine(c.line, classes, state, tally), c.delta) << testing::Narrow(c.line);
  }
}

// The tally rules written out step by step, as plainly as they read, on a
// normLine and with the word kept as text: the oracle for the fast scanner.
struct ReferenceScanner {
  std::u16string word;
  bool inWord = false, inQuote = false, inApos = false;
  int opRun = 0;
  float tally = 0.0f;

  float Scan(std::u16string_view normLine) {
    const std::u16string wordChars = u"abcdefghijklmnopqrstuvwxyz0123456789_.";
    const std::u16string operatorChars = u"+-*/!=<>&|";
    const float start = tally;
    for (char16_t ch : normLine) {
      if (ch == u'"') {
        if (!inQuote) {
          inQuote = true;
        } else {
          tally += 1.0f;
          inQuote = false;
        }
      }
      if (inQuote) continue;
      if (ch == u'\'') {
        if (!inApos) {
          inApos = true;
        } else {
          tally += 2.0f;
          inApos = false;
        }
      }
      if (inApos) continue;
      if (wordChars.find(ch) != std::u16string::npos) {
        inWord = true;
        word += ch;
      } else if (inWord) {
        inWord = false;
        if (word == u"return") tally += 0.5f;
        else if (word == u"if") tally += 1.0f;
        else if (word == u"while") tally += 2.0f;
        else if (word == u"for") tally += 2.0f;
        else if (word == u"else") tally += 1.0f;
        else tally += ch == u'(' ? 1.5f : 1.0f;
        if (ch == u':') tally -= 1.0f;
        word.clear();
      }
      if (operatorChars.find(ch) != std::u16string::npos) {
        if (++opRun == 2) {
          tally += 0.5f;
          opRun = 0;
          if (ch == u'-') tally += 0.5f;
        }
      } else if (opRun > 0) {
        opRun = 0;
        tally += 0.5f;
      }
    }
    return tally - start;
  }
};

std::u16string RandomRawLine(std::mt19937& random) {
  static const std::vector<std::u16string> pieces = {
      u"x",  u"Y",   u"if",  u"If",   u"else", u"ELSE", u"while", u"for", u"fo",  u"r",
      u"return", u"RETURN", u"re turn", u"123", u"0.5", u"_", u".",  u"(",   u")",   u";",
      u",",  u":",   u"=",   u"-",    u"+",    u"!",    u"&",     u"|",   u"<",   u">",
      u"*",  u"/",   u"/ /", u"//",   u"#",    u"\"",   u"'",     u" ",   u"\t",  u"{",
      u"\u00e9", u"\u00a0", u"\u0100", u"\n", u"x_y.z", u"whilex"};
  return testing::RandomLine(random, pieces, 15);
}

// The scanners, given lines as stored, against the oracle given their
// normLines, over many random runs of several lines with state carried: the
// dispatcher (bit masks where they apply), the general scanner, and the
// general scanner given each line in random parts, as a long line is read.
TEST(ScanLine, AgreesWithTheRulesAsWritten) {
  CharClasses classes;
  InitCharClasses(classes);
  std::mt19937 random(1207);
  std::vector<char16_t> buffer;
  using Scan = std::function<float(std::u16string_view, const CharClasses&, ScanState&, float&)>;
  const Scan whole = [](std::u16string_view line, const CharClasses& cls, ScanState& state, float& tally) {
    return ScanLineGeneral(line, cls, state, tally);
  };
  const Scan inParts = [&random](std::u16string_view line, const CharClasses& cls, ScanState& state,
                                 float& tally) {
    const float start = tally;
    std::size_t from = 0;
    while (random() % 4 != 0) {
      const std::size_t to = from + random() % (line.size() - from + 1);
      ScanLineGeneral(line.substr(from, to - from), cls, state, tally, false);
      from = to;
    }
    ScanLineGeneral(line.substr(from), cls, state, tally, true);
    EXPECT_FALSE(state.inComment || state.slashPending) << "kept beyond the line's end";
    return tally - start;
  };
  for (const Scan& scan : {Scan(&ScanLine), whole, inParts}) {
    for (int run = 0; run < 20000; ++run) {
      ScanState state;
      float tally = 0.0f;
      ReferenceScanner reference;
      for (auto lines = 1 + random() % 6; lines > 0; --lines) {
        const std::u16string line = RandomRawLine(random);
        const float expected = reference.Scan(NormaliseLine(line, buffer));
        ASSERT_EQ(scan(line, classes, state, tally), expected)
            << "run " << run << ": " << testing::Narrow(line);
        ASSERT_EQ(tally, reference.tally);
        ASSERT_EQ(state.inWord, reference.inWord);
        ASSERT_EQ(state.inQuote, reference.inQuote);
        ASSERT_EQ(state.inApos, reference.inApos);
        ASSERT_EQ(state.opRun, reference.opRun);
      }
    }
  }
}

}  // namespace
}  // namespace vorrik
