#include "document/line_list_model.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <bit>
#include <string>
#include <utility>
#include <vector>

#include "analysis/allocation_count.h"
#include "analysis/test_lines.h"
#include "document/script_history.h"
#include "document/test_shell.h"

namespace vorrik {
namespace {

class LineListModelTest : public ::testing::Test {
 protected:
  LineListModelTest() : selection(&model), lines(model, selection) {
    model.replaceLines({u"0", u"1", u"2", u"3", u"4", u"5", u"6", u"7"});
  }

  void Select(int top, int bottom, QItemSelectionModel::SelectionFlags flags) {
    selection.select(QItemSelection(model.index(top), model.index(bottom)), flags);
  }

  LineListModel model;
  QItemSelectionModel selection;
  ModelLineList lines;
};

TEST_F(LineListModelTest, SelectedCountFollowsSelectAndToggle) {
  struct Step {
    int top, bottom;
    QItemSelectionModel::SelectionFlags flags;
    int expected;
  };
  using F = QItemSelectionModel;
  const Step steps[] = {
      {1, 3, F::ClearAndSelect, 3},
      {2, 5, F::Select, 5},   // overlaps rows 2 and 3
      {0, 0, F::Toggle, 6},   // a Ctrl-click on an unselected row
      {2, 2, F::Toggle, 5},   // and on a selected one
      {4, 4, F::Select, 5},   // already selected
      {7, 7, F::Select, 6},
      {0, 7, F::Deselect, 0},
  };
  for (const Step& step : steps) {
    Select(step.top, step.bottom, step.flags);
    EXPECT_EQ(lines.selectedCount(), step.expected) << step.top << ".." << step.bottom;
    EXPECT_EQ(lines.selectedCount(), selection.selectedRows().size());
  }
}

TEST_F(LineListModelTest, FocusIsTheCurrentRow) {
  EXPECT_EQ(lines.focusedIndex(), -1);
  selection.setCurrentIndex(model.index(5), QItemSelectionModel::NoUpdate);
  EXPECT_EQ(lines.focusedIndex(), 5);
  EXPECT_EQ(lines.selectedCount(), 0);  // focus without selection
  model.replaceLines({u"a"});
  EXPECT_EQ(lines.focusedIndex(), -1);
}

TEST_F(LineListModelTest, SettingALineChangesOnlyThatRow) {
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
  lines.setText(6, u"six");
  ASSERT_EQ(changed.size(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex().row(), 6);
  EXPECT_EQ(changed[0][1].toModelIndex().row(), 6);
  EXPECT_EQ(model.data(model.index(6)).toString(), QStringLiteral("six"));
  EXPECT_EQ(lines.text(6), u"six");
  EXPECT_EQ(reset.size(), 0);
  EXPECT_FALSE(model.data(model.index(8)).isValid());
  // A long line shows its beginning; the line itself stays whole.
  lines.setText(6, std::u16string(5000, u'x'));
  EXPECT_EQ(model.data(model.index(6)).toString(), QString(LineListModel::kShownCharacters, u'x'));
  EXPECT_EQ(lines.text(6).size(), 5000u);
  EXPECT_EQ(model.rowCount(model.index(0)), 0);  // a list: rows have no children
}

// Selection runs take the selected lines themselves, whichever is focused:
// each block of consecutive selected lines is a run of its own, from the code
// section, and the tally is their sum. A rip rewrites exactly those lines.
TEST_F(LineListModelTest, SelectionRunsTakeTheSelectedLines) {
  const std::vector<std::u16string> script = {u"code", u"a;", u"b+c;", u"d;", u"end", u"e;",
                                              u"code", u"f",  u"zz;",  u"(1);", u"g", u"(2);"};
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> picked;  // rows first..last, each added as a range of its own
    int focus;
    const char* shown;
    const char* ripped;  // the rows a rip rewrites
  } cases[] = {
      {"DownwardBlock", {{1, 3}}, 3, " 4.5", "1 2 3"},
      {"UpwardBlock", {{1, 3}}, 1, " 4.5", "1 2 3"},
      {"FocusInsideTheBlock", {{1, 3}}, 2, " 4.5", "1 2 3"},
      {"FocusOutsideTheSelection", {{1, 3}}, 9, " 4.5", "1 2 3"},
      {"TwoBlocks", {{1, 1}, {3, 3}}, 3, " 2", "1 3"},
      // "end" closes the section and "code" opens it again within one run;
      // "f" and "zz;" make one word (and "f" rips to nothing).
      {"BlockSpanningEndAndCode", {{3, 8}}, 8, " 2", "3 7 8"},
      // A word pending at a block's end is dropped, not carried to the next.
      {"PendingWordStaysInItsBlock", {{7, 7}, {9, 9}}, 9, " 1", "7 9"},
      // Ranges picked one by one that touch are one block: "g(" is a call.
      {"TouchingRangesAreOneBlock", {{11, 11}, {10, 10}}, 10, " 2.5", "10 11"},
      {"NothingSelected", {}, 2, " 0", ""},
  };
  for (const Case& c : cases) {
    for (const AnalysisMode mode : {AnalysisMode::SelectionTally, AnalysisMode::Rip}) {
      LineStore store;
      for (const std::u16string& line : script) store.appendLine(line);
      model.replaceLines(std::move(store));
      for (const auto& [first, last] : c.picked) Select(first, last, QItemSelectionModel::Select);
      selection.setCurrentIndex(model.index(c.focus), QItemSelectionModel::NoUpdate);
      AnalysisEngine engine;
      std::string shown;
      engine.showSelectionTally = [&](const std::string& text) { shown = text; };
      engine.AnalyseLines(lines, mode);
      if (mode == AnalysisMode::SelectionTally) {
        EXPECT_EQ(shown, c.shown) << c.name;
        continue;
      }
      std::string ripped;
      for (int i = 0; i < model.count(); ++i) {
        if (model.line(i) != script[static_cast<std::size_t>(i)])
          ripped += (ripped.empty() ? "" : " ") + std::to_string(i);
      }
      EXPECT_EQ(ripped, c.ripped) << c.name;
    }
  }
}

// A rip of many lines through the model allocates as its buffers grow, not
// once a line: 20,000 lines, each ripped, then ripped again.
TEST_F(LineListModelTest, RippingManyLinesAllocatesNothingPerLine) {
  constexpr int kLines = 20000;
  LineStore store;
  store.appendLine(u"code");
  for (int i = 1; i < kLines; ++i) store.appendLine(i % 2 ? u"a = b + c;" : u"Print(\"some longer text\", n);");
  model.replaceLines(std::move(store));
  selection.select(QItemSelection(model.index(1), model.index(kLines - 1)), QItemSelectionModel::ClearAndSelect);
  selection.setCurrentIndex(model.index(kLines - 1), QItemSelectionModel::NoUpdate);
  AnalysisEngine engine;
  for (const char* run : {"first", "again"}) {
    const std::uint64_t before = AllocationCount();
    engine.AnalyseLines(lines, AnalysisMode::Rip);
    EXPECT_LT(AllocationCount() - before, 100u) << run << " rip";
  }
  EXPECT_EQ(lines.text(1), std::u16string_view(u"x, x, x, x;"));
  EXPECT_EQ(lines.text(2), std::u16string_view(u"x, x, -x;"));
  EXPECT_EQ(lines.text(kLines - 1), std::u16string_view(u"x, x, x, x;"));
}

// Whole-list runs over the model scan again only what changed since the last;
// every way the lines change (typing, a rip, its undo and redo, new lines
// wholesale) keeps the tally that of a run over the same lines afresh.
TEST_F(LineListModelTest, RecountsFollowEveryChangeOfTheLines) {
  const auto script = [](int step) {
    LineStore store;
    store.appendLine(u"code");
    for (int i = 1; i < 700; ++i) store.appendLine(i * step % 5 == 0 ? u"x = -1;" : i % 3 ? u"f(a, \"b\");" : u"else");
    return store;
  };
  AnalysisEngine engine;
  ScriptHistory history;
  const auto check = [&](const char* step) {
    std::vector<std::u16string> copy;
    for (int i = 0; i < model.count(); ++i) copy.emplace_back(model.line(i));
    testing::VectorLines afresh(std::move(copy));
    AnalysisEngine whole;
    whole.AnalyseLines(afresh, AnalysisMode::Recount);
    engine.AnalyseLines(lines, AnalysisMode::Recount);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(engine.currentTally), std::bit_cast<std::uint32_t>(whole.currentTally))
        << step << ": " << engine.currentTally << " for " << whole.currentTally;
  };
  model.replaceLines(script(1));
  engine.AnalyseLines(lines, AnalysisMode::Baseline);
  model.setLine(300, u"x = \"open");  // as typing sets it
  check("typing");
  Select(250, 420, QItemSelectionModel::ClearAndSelect);
  selection.setCurrentIndex(model.index(420), QItemSelectionModel::NoUpdate);
  ScriptHistory::Recorder recorder(lines);
  engine.AnalyseLines(recorder, AnalysisMode::Rip);
  history.addRip(recorder);
  check("a rip");
  history.undo(lines);
  check("its undo");
  history.redo(lines);
  check("its redo");
  model.setLine(100, u"while");
  check("typing after the redo");
  model.replaceLines(script(2));
  check("other lines, as many");
}

}  // namespace
}  // namespace vorrik
