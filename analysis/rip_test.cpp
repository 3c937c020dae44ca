#include "analysis/rip.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "analysis/analyse.h"
#include "analysis/normalise.h"
#include "analysis/tally.h"
#include "analysis/test_lines.h"

namespace vorrik {
namespace {

using testing::Narrow;
using testing::VectorLines;

TEST(RipText, PlaceholderForEachDelta) {
  struct Case {
    float delta;
    const char* ripped;  // nullptr: the line stays as it is
  } cases[] = {
      {-0.5f, nullptr},   {-1.0f, nullptr}, {-7.5f, nullptr},     {0.0f, ""},
      {-0.0f, ""},        {0.5f, nullptr},  {1.0f, "x;"},         {1.5f, "-x;"},
      {2.0f, "x, x;"},    {2.5f, "x, -x;"}, {3.0f, "x, x, x;"},   {3.5f, "x, x, -x;"},
      {4.0f, "x, x, x, x;"},
  };
  for (const auto& c : cases) {
    const auto ripped = RipText(c.delta);
    if (c.ripped == nullptr) {
      EXPECT_FALSE(ripped.has_value()) << c.delta;
    } else {
      ASSERT_TRUE(ripped.has_value()) << c.delta;
      EXPECT_EQ(Narrow(*ripped), c.ripped) << c.delta;
    }
  }
}

TEST(RipText, LargeCountsBeyondSixteenBits) {
  const auto whole = RipText(40000.0f);
  ASSERT_TRUE(whole.has_value());
  EXPECT_EQ(whole->size(), 39999u * 3 + 2);
  EXPECT_EQ(whole->substr(whole->size() - 5), u"x, x;");
  const auto half = RipText(40000.5f);
  ASSERT_TRUE(half.has_value());
  EXPECT_EQ(half->size(), 39999u * 3 + 3);
  EXPECT_EQ(half->substr(half->size() - 6), u"x, -x;");
  EXPECT_FALSE(RipText(std::numeric_limits<float>::infinity()).has_value());
  EXPECT_FALSE(RipText(std::numeric_limits<float>::quiet_NaN()).has_value());
}

/// lineDelta of a line scanned alone with a fresh scanner state.
float FreshDelta(const std::u16string& line) {
  CharClasses classes;
  InitCharClasses(classes);
  ScanState state;
  float tally = 0.0f;
  std::vector<char16_t> buffer;
  return ScanLine(NormaliseLine(line, buffer), classes, state, tally);
}

/// A random script line built from the pieces that matter to the rules.
std::u16string RandomLine(std::mt19937& random) {
  static const std::vector<std::u16string> pieces = {
      u"x", u"Player", u"if", u"else", u"while", u"for", u"return", u"100", u"0.5", u"_a",
      u"(", u")", u"{", u"}", u";", u",", u":", u"=", u"-", u"+", u"!", u"&&", u"||", u"<",
      u"\"", u"'", u" ", u"\t", u"//", u"#", u"end", u"code", u"\u00e9", u"SetHealth("};
  return testing::RandomLine(random, pieces, 14);
}

// Over many random selections (state carried between their lines): every line
// ripped from a lineDelta of 0 or at least 1 tallies alone to that lineDelta,
// and ripping it once more gives the same text.
TEST(RipProperty, RippedLinesTallyLikeTheLinesTheyReplace) {
  std::mt19937 random(20261207);
  int checked = 0;
  for (int run = 0; run < 2000; ++run) {
    std::vector<std::u16string> text;
    const int count = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i) text.push_back(RandomLine(random));
    VectorLines lines(text);
    lines.Select(count - 1, count);

    AnalysisEngine engine;
    std::vector<float> deltas(text.size(), -1.0f);
    std::vector<bool> scanned(text.size(), false);
    engine.lineScanned = [&](int i, float delta) {
      deltas[static_cast<std::size_t>(i)] = delta;
      scanned[static_cast<std::size_t>(i)] = true;
    };
    engine.AnalyseLines(lines, AnalysisMode::Rip);

    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto line = lines.text(static_cast<int>(i));
      if (!scanned[i] || (deltas[i] != 0.0f && deltas[i] < 1.0f)) {
        EXPECT_EQ(line, text[i]) << "an unripped line changed";
        continue;
      }
      const std::u16string ripped(line);
      EXPECT_EQ(FreshDelta(ripped), deltas[i]) << Narrow(text[i]) << " -> " << Narrow(ripped);
      const auto again = RipText(FreshDelta(ripped));
      ASSERT_TRUE(again.has_value());
      EXPECT_EQ(*again, ripped);
      ++checked;
    }
  }
  EXPECT_GT(checked, 5000);
}

}  // namespace
}  // namespace vorrik
