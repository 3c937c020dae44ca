#include "analysis/whole_file_tally.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/test_lines.h"

namespace vorrik {
namespace {

using testing::Narrow;

// Section words in many spellings, and pieces that make them not quite one.
std::u16string RandomScriptLine(std::mt19937& random) {
  static const std::vector<std::u16string> sectionLines = {
      u"code", u"  CODE  // x", u"end", u"e n d #", u"\tEnd", u"code/", u"end/ /x", u"end /x", u"en/d"};
  if (random() % 3 == 0) return sectionLines[random() % sectionLines.size()];
  static const std::vector<std::u16string> pieces = {
      u"code", u"CoDe", u"end", u"END", u"e n d", u" ", u"\t", u"co", u"de", u"en", u"d",
      u"x", u"if", u"return", u"(", u";", u"=", u"-", u"/", u"/ /", u"//", u"#", u"\"", u"'", u"e/"};
  return testing::RandomLine(random, pieces, 6);
}

// Fed a character at a time, the matcher agrees with SectionWordOf, and a
// result it calls settled early is the final one.
TEST(SectionWordMatcher, AgreesWithSectionWordOf) {
  std::mt19937 random(11);
  for (int run = 0; run < 50000; ++run) {
    const std::u16string line = RandomScriptLine(random);
    SectionWordMatcher matcher;
    bool settledEarly = false;
    SectionWord early = SectionWord::kNone;
    for (char16_t c : line) {
      matcher.feed(c);
      if (!settledEarly && matcher.settled()) {
        settledEarly = true;
        early = matcher.result();
      }
    }
    ASSERT_EQ(matcher.result(), SectionWordOf(line)) << Narrow(line);
    if (settledEarly) {
      ASSERT_EQ(early, SectionWordOf(line)) << Narrow(line);
    }
  }
}

// Random scripts fed as whole lines, or each line in random parts as a long
// line is read, tally as a Baseline run over the same lines does.
TEST(WholeFileTally, AgreesWithABaselineRun) {
  std::mt19937 random(29);
  AnalysisEngine engine;
  for (int run = 0; run < 5000; ++run) {
    std::vector<std::u16string> lines;
    for (auto n = random() % 12; n > 0; --n) lines.push_back(RandomScriptLine(random));
    testing::VectorLines list(lines);
    engine.AnalyseLines(list, AnalysisMode::Baseline);

    WholeFileTally whole(engine.charClasses());
    WholeFileTally parts(engine.charClasses());
    std::string script;
    for (const std::u16string& line : lines) {
      whole.addLine(line);
      std::size_t from = 0;
      while (random() % 3 != 0) {
        const std::size_t to = from + random() % (line.size() - from + 1);
        parts.addPart(std::u16string_view(line).substr(from, to - from));
        from = to;
      }
      parts.addPart(std::u16string_view(line).substr(from));
      parts.endLine();
      script += Narrow(line) + "|";
    }
    ASSERT_EQ(whole.tally(), engine.baselineTally) << script;
    ASSERT_EQ(parts.tally(), engine.baselineTally) << script;
  }
}

}  // namespace
}  // namespace vorrik
