#include "document/script_history.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/test_lines.h"

namespace vorrik {
namespace {

using testing::VectorLines;
using Lines = std::vector<std::u16string>;

Lines Snapshot(const VectorLines& lines) {
  Lines out;
  for (int i = 0; i < lines.count(); ++i) out.emplace_back(lines.text(i));
  return out;
}

/// The history against a plain model, a timeline of whole copies of the
/// lines: random typing (a line typed into keystroke by keystroke, at times
/// back to what it held), rips of random lines, undos, redos and saves on a
/// random script. After each step the lines, the saved point and what undo
/// and redo would do agree with the model. With a small limit the oldest
/// steps go first, and only while the kept text is over it.
TEST(ScriptHistory, AgreesWithATimelineOfWholeCopies) {
  for (const std::size_t limit : {ScriptHistory::kKeptLimit, std::size_t{300}}) {
    std::mt19937 random(limit == ScriptHistory::kKeptLimit ? 23 : 24);
    const auto text = [&] { return std::u16string(random() % 12, static_cast<char16_t>(u'a' + random() % 4)); };
    VectorLines lines;
    Lines start;
    for (int i = 0; i < 40; ++i) start.push_back(text());
    lines = VectorLines(start);
    ScriptHistory history(limit);
    std::vector<Lines> timeline = {start};
    std::vector<ScriptHistory::Kind> kinds = {ScriptHistory::Kind::Typing};  // kinds[k]: step into timeline[k]
    std::size_t at = 0;     // where in the timeline the lines are
    std::size_t floor = 0;  // how far back undo can go
    std::ptrdiff_t saved = 0;
    int typingLine = -1;    // the line of a typing step that goes on

    for (int step = 0; step < 4000; ++step) {
      const auto roll = random() % 10;
      const int line = static_cast<int>(random() % 40);
      bool made = false;  // a new step was made
      const auto newStep = [&](ScriptHistory::Kind kind, Lines after) {
        made = true;
        timeline.resize(at + 1);
        kinds.resize(at + 1);
        if (saved > static_cast<std::ptrdiff_t>(at)) saved = -1;
        timeline.push_back(std::move(after));
        kinds.push_back(kind);
        ++at;
      };
      if (roll < 4) {  // a keystroke
        const std::u16string before(lines.text(line));
        const std::u16string after = random() % 4 == 0 && typingLine == line ? timeline[at - 1][line] : text();
        if (after == before) continue;
        history.typing(line, before);
        lines.setText(line, after);
        history.typed(line, after);
        Lines now = Snapshot(lines);
        if (typingLine == line) {
          timeline[at] = now;
        } else {
          newStep(ScriptHistory::Kind::Typing, now);
          typingLine = line;
        }
        if (timeline[at] == timeline[at - 1]) {  // typed back: no step at all
          timeline.pop_back();
          kinds.pop_back();
          --at;
          typingLine = -1;
        }
      } else if (roll == 4) {  // another line loaded into the edit box
        history.endTyping();
        typingLine = -1;
      } else if (roll == 5) {  // a rip of random lines
        ScriptHistory::Recorder recorder(lines);
        for (int i = line; i < 40; i += 1 + static_cast<int>(random() % 6)) recorder.setText(i, u"x, x;");
        history.addRip(recorder);
        // A rip that changed nothing is no step: typing goes on in its step.
        if (Snapshot(lines) != timeline[at]) {
          newStep(ScriptHistory::Kind::Rip, Snapshot(lines));
          typingLine = -1;
        }
      } else if (roll < 8) {
        // Undo and redo end typing when they take a step; with none, they
        // do nothing at all.
        const auto undone = history.undo(lines);
        ASSERT_EQ(undone.has_value(), at > floor) << "step " << step;
        if (undone) {
          EXPECT_EQ(undone->kind, kinds[at]);
          --at;
          typingLine = -1;
        }
      } else if (roll == 8) {
        const auto redone = history.redo(lines);
        ASSERT_EQ(redone.has_value(), at + 1 < timeline.size()) << "step " << step;
        if (redone) {
          EXPECT_EQ(redone->kind, kinds[++at]);
          typingLine = -1;
        }
      } else {  // saved: typing after this is a step of its own
        history.markSaved();
        saved = static_cast<std::ptrdiff_t>(at);
        typingLine = -1;
      }
      ASSERT_EQ(Snapshot(lines), timeline[at]) << "step " << step;
      ASSERT_EQ(history.atSavedPoint(), saved == static_cast<std::ptrdiff_t>(at)) << "step " << step;
      // The limit takes steps from the old end only, when a step is made,
      // and then leaves the kept text within it unless one step alone
      // passes it.
      VectorLines probe = lines;
      ScriptHistory copy = history;
      std::size_t depth = 0;
      while (copy.undo(probe)) ++depth;
      ASSERT_EQ(probe.count(), 40);
      ASSERT_GE(at - depth, floor) << "step " << step;
      floor = at - depth;
      if (made) ASSERT_TRUE(history.keptCharacters() <= limit || depth <= 1) << "step " << step;
    }
    if (limit == ScriptHistory::kKeptLimit) EXPECT_EQ(floor, 0u);
    else EXPECT_GT(floor, 0u);
  }
}

}  // namespace
}  // namespace vorrik
