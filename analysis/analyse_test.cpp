#include "analysis/analyse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/display.h"
#include "analysis/test_lines.h"

namespace vorrik {
namespace {

using testing::RunDeltas;
using testing::VectorLines;

const std::vector<std::string> kExample = {
    "# example script",
    "symbols",
    "message startup",
    "end",
    "code",
    "startup:",
    "  SetHealth(player, 100);",
    "  x = y + 1;  // add one",
    "  return;",
    "end",
};

/// The text a SelectionTally run shows, or "(nothing)" when it shows none.
std::string SelectionText(AnalysisEngine& engine, LineList& lines) {
  std::string shown = "(nothing)";
  engine.showSelectionTally = [&](const std::string& text) { shown = text; };
  engine.AnalyseLines(lines, AnalysisMode::SelectionTally);
  engine.showSelectionTally = nullptr;
  return shown;
}

TEST(AnalyseLines, WholeFileExample) {
  AnalysisEngine engine;
  VectorLines lines(kExample);
  EXPECT_EQ(RunDeltas(engine, lines, AnalysisMode::Baseline), "5:0 6:3.5 7:4 8:.5");
  EXPECT_EQ(engine.baselineTally, 8.0f);

  lines.setText(7, u"  x = 1;");
  engine.AnalyseLines(lines, AnalysisMode::Recount);
  EXPECT_EQ(engine.currentTally, 6.5f);
  EXPECT_EQ(engine.baselineTally, 8.0f);
  EXPECT_EQ(FormatTally(engine.baselineTally - engine.currentTally), " 1.5");

  lines.setText(7, u"  x = y + 1;  // add one");
  EXPECT_EQ(SelectionText(engine, lines.Select(7, 2)), " 7.5");
  EXPECT_EQ(SelectionText(engine, lines.Select(5, 1)), " 0");
}

// Only lines between "code" and "end" are scanned in a whole-file run.
TEST(AnalyseLines, SectionTracking) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    const char* scanned;
  } cases[] = {
      {"EndBeforeCodeChangesNothing", {"symbols", "end", "code", "x=1;", "end", "y=2;"}, "3:2.5"},
      {"NoCodeLine", {"x=1;", "y=2;"}, ""},
      {"SecondCodeInsideIsScanned", {"code", "code", "x;"}, "1:0 2:1"},
      {"SectionReopened", {"code", "a;", "END # done", "b;", "  Code", "c;"}, "1:1 5:1"},
      {"EndWithSemicolonIsCode", {"code", "end;", "x;"}, "1:1 2:1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AnalysisEngine engine;
    VectorLines lines(c.lines);
    EXPECT_EQ(RunDeltas(engine, lines, AnalysisMode::Baseline), c.scanned);
  }
}

// The range is the n lines ending at the focused line, whatever is selected.
TEST(AnalyseLines, SelectionRange) {
  struct Case {
    const char* name;
    int focus;
    int selected;
    const char* scanned;
  } cases[] = {
      {"ContiguousDownwards", 5, 3, "3:1 4:1 5:1"},
      {"UpwardSelectionOfFiveLines", 5, 5, "1:1 2:1 3:1 4:1 5:1"},
      {"NonContiguousLines2And7", 7, 2, "6:1 7:1"},
      {"NothingSelected", 5, 0, ""},
      {"ReachesBelowLineZero", 0, 5, "0:1"},
      {"MoreSelectedThanLines", 2, 100, "0:1 1:1 2:1"},
      {"NoFocusNothingSelected", -1, 0, ""},
      {"NoFocusButSelected", -1, 3, ""},
      {"AllCountsSelected", 9, 2147483647, "0:1 1:1 2:1 3:1 4:1 5:1 6:1 7:1 8:1 9:1"},
      {"FocusPastTheEnd", 12, 4, "9:1"},
      {"NegativeCount", 5, -3, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VectorLines lines({"a0;", "a1;", "a2;", "a3;", "a4;", "a5;", "a6;", "a7;", "a8;", "a9;"});
    AnalysisEngine engine;
    EXPECT_EQ(RunDeltas(engine, lines.Select(c.focus, c.selected), AnalysisMode::SelectionTally),
              c.scanned);
    EXPECT_EQ(RunDeltas(engine, lines, AnalysisMode::Rip), c.scanned);
  }
}

TEST(AnalyseLines, EachModeStoresOnlyItsOwnResult) {
  VectorLines lines(kExample);
  lines.Select(8, 4);
  struct Case {
    AnalysisMode mode;
    float baseline;
    float current;
    const char* shown;
  } cases[] = {
      {AnalysisMode::Baseline, 8.0f, -2.0f, "(nothing)"},
      {AnalysisMode::Recount, -1.0f, 8.0f, "(nothing)"},
      {AnalysisMode::SelectionTally, -1.0f, -2.0f, " 8"},
  };
  for (const auto& c : cases) {
    AnalysisEngine engine;
    engine.baselineTally = -1.0f;
    engine.currentTally = -2.0f;
    EXPECT_EQ(SelectionText(engine, lines), " 8");  // a selection run stores nothing
    std::string shown = "(nothing)";
    engine.showSelectionTally = [&](const std::string& text) { shown = text; };
    engine.AnalyseLines(lines, c.mode);
    EXPECT_EQ(engine.baselineTally, c.baseline);
    EXPECT_EQ(engine.currentTally, c.current);
    EXPECT_EQ(shown, c.shown);
  }
}

TEST(AnalyseLines, EmptyListAndScriptWithoutCode) {
  AnalysisEngine engine;
  VectorLines empty;
  engine.baselineTally = engine.currentTally = 5.0f;
  engine.AnalyseLines(empty, AnalysisMode::Baseline);
  engine.AnalyseLines(empty, AnalysisMode::Recount);
  EXPECT_EQ(engine.baselineTally, 0.0f);
  EXPECT_EQ(engine.currentTally, 0.0f);
  EXPECT_EQ(SelectionText(engine, empty), " 0");
  engine.AnalyseLines(empty, AnalysisMode::Rip);
  EXPECT_TRUE(empty.written.empty());

  VectorLines noCode({"symbols", "x = 1;", "end", "SetHealth(player, 100);"});
  engine.AnalyseLines(noCode, AnalysisMode::Baseline);
  EXPECT_EQ(engine.baselineTally, 0.0f);
  // A selection run starts inside the code section: lines before "code" count.
  EXPECT_EQ(SelectionText(engine, noCode.Select(1, 1)), " 2.5");
}

TEST(AnalyseLines, SelectionWithEndAndCodeLines) {
  AnalysisEngine engine;
  VectorLines lines({"x=1;", "end", "y=2;", "code", "z=3;"});
  EXPECT_EQ(RunDeltas(engine, lines.Select(4, 5), AnalysisMode::SelectionTally), "0:2.5 4:2.5");
  EXPECT_EQ(SelectionText(engine, lines), " 5");
  // A "code" line inside the section is scanned: its word is still pending.
  EXPECT_EQ(RunDeltas(engine, lines.Select(3, 1), AnalysisMode::SelectionTally), "3:0");
}

TEST(AnalyseLines, SingleSelectedLines) {
  struct Case {
    const char* line;
    const char* shown;
  } cases[] = {{"return;", " .5"}, {"x=1;", " 2.5"}, {"else", " 0"}, {"return:", "-.5"}};
  for (const auto& c : cases) {
    AnalysisEngine engine;
    VectorLines lines({c.line});
    EXPECT_EQ(SelectionText(engine, lines.Select(0, 1)), c.shown) << c.line;
  }
}

// Whatever one run leaves pending (a quote, a word, an operator) is gone at
// the start of the next.
TEST(AnalyseLines, StateIsResetBetweenRuns) {
  struct Case {
    const char* first;
    const char* firstShown;
    const char* second;
    const char* secondShown;
  } cases[] = {
      {"x = \"abc", " 1", "y = 1;", " 2.5"},
      {"x = 'abc", " 1", "y = 1;", " 2.5"},
      {"else", " 0", ";", " 0"},
      {"x =", " 1", "y;", " 1"},
  };
  for (const auto& c : cases) {
    AnalysisEngine engine;
    VectorLines first({c.first});
    VectorLines second({c.second});
    EXPECT_EQ(SelectionText(engine, first.Select(0, 1)), c.firstShown) << c.first;
    EXPECT_EQ(SelectionText(engine, second.Select(0, 1)), c.secondShown) << c.second;
  }
}

TEST(AnalyseLines, RipRewritesScannedLinesOnly) {
  AnalysisEngine engine;
  engine.baselineTally = 3.0f;
  engine.currentTally = 4.0f;
  bool shown = false;
  engine.showSelectionTally = [&](const std::string&) { shown = true; };

  VectorLines tallied(kExample);
  const std::string expected = RunDeltas(engine, tallied.Select(9, 6), AnalysisMode::SelectionTally);
  const float selectionTally = engine.tally;
  shown = false;

  VectorLines lines(kExample);
  // Lines 4 to 9: "code" (scanned in a selection; its word is pending, so it
  // weighs 0 and is emptied), the four code lines, "end" (not scanned).
  EXPECT_EQ(RunDeltas(engine, lines.Select(9, 6), AnalysisMode::Rip), expected);
  EXPECT_EQ(engine.tally, selectionTally);
  EXPECT_EQ(lines.written, (std::vector<int>{4, 5, 6, 7}));
  const std::vector<std::string> after = {"", "",  "x, x, -x;", "x, x, x, x;", "  return;",
                                          "end"};
  for (int i = 4; i <= 9; ++i) EXPECT_EQ(lines.Line(i), after[static_cast<std::size_t>(i - 4)]);
  EXPECT_EQ(engine.baselineTally, 3.0f);
  EXPECT_EQ(engine.currentTally, 4.0f);
  EXPECT_FALSE(shown);
}

TEST(AnalyseLines, RipAfterEndLeavesLinesAlone) {
  AnalysisEngine engine;
  VectorLines lines({"x = 1;", "end", "y = 2;"});
  engine.AnalyseLines(lines.Select(2, 3), AnalysisMode::Rip);
  EXPECT_EQ(lines.written, (std::vector<int>{0}));
  EXPECT_EQ(lines.Line(0), "x, -x;");
  EXPECT_EQ(lines.Line(1), "end");
  EXPECT_EQ(lines.Line(2), "y = 2;");
}

// A line's weight that lands in the next line (a word left open, a lone
// operator) goes into that line's placeholder, not its own.
TEST(AnalyseLines, RipWeighsCarriedStateWhereItSettles) {
  AnalysisEngine engine;
  VectorLines lines({"x = a", "b;", "y = 1 +", "2;"});
  EXPECT_EQ(RunDeltas(engine, lines.Select(3, 4), AnalysisMode::Rip), "0:1.5 1:1 2:2.5 3:1.5");
  EXPECT_EQ(lines.Line(0), "-x;");
  EXPECT_EQ(lines.Line(1), "x;");
  EXPECT_EQ(lines.Line(2), "x, -x;");
  EXPECT_EQ(lines.Line(3), "-x;");
}

TEST(AnalyseLines, RipBelowLineZeroWritesOnlyRealLines) {
  AnalysisEngine engine;
  VectorLines lines({"x = 1;", "y = 2;", "z = 3;"});
  engine.AnalyseLines(lines.Select(1, 5), AnalysisMode::Rip);
  EXPECT_EQ(lines.written, (std::vector<int>{0, 1}));
  EXPECT_EQ(lines.Line(2), "z = 3;");
}

TEST(AnalyseLines, AMillionLines) {
  std::vector<std::u16string> text = {u"code"};
  text.resize(1'000'001, u"x = 1;");
  VectorLines lines(std::move(text));
  AnalysisEngine engine;
  engine.AnalyseLines(lines, AnalysisMode::Baseline);
  EXPECT_EQ(engine.baselineTally, 2'500'000.0f);
  EXPECT_EQ(SelectionText(engine, lines.Select(1'000'000, 1'000'000)), " 2500000");
}

TEST(AnalyseLines, LineOfFortyThousandCharacters) {
  std::u16string longLine;
  for (int i = 0; i < 20'000; ++i) longLine += u"x,";
  VectorLines lines(std::vector<std::u16string>{u"code", longLine, u"end"});
  AnalysisEngine engine;
  engine.AnalyseLines(lines, AnalysisMode::Baseline);
  EXPECT_EQ(engine.baselineTally, 20'000.0f);
  engine.AnalyseLines(lines.Select(1, 1), AnalysisMode::Rip);
  EXPECT_EQ(lines.text(1).size(), 19'999u * 3 + 2);
}

}  // namespace
}  // namespace vorrik
