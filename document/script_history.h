#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/analyse.h"

namespace vorrik {

/// Undo and redo for the whole script, and whether its lines are as last
/// read or saved. A step is a rip, or the typing in one line from when it is
/// loaded into the edit box until another line is. A step keeps only the
/// text it replaced: the lines as they were before it, or, once undone, as
/// they were after it, so undoing and redoing are the same exchange. When a
/// new step takes the kept text past a limit, the oldest steps go (never the
/// newest); undoing and redoing, which only exchange texts, let none go.
/// Standard library only.
class ScriptHistory {
 public:
  /// Characters of kept text beyond which the oldest steps go: a rip of the
  /// whole of the largest script stays undoable.
  static constexpr std::size_t kKeptLimit = std::size_t{64} << 20;

  explicit ScriptHistory(std::size_t keptLimit = kKeptLimit) : keptLimit_(keptLimit) {}

  enum class Kind { Typing, Rip };
  /// What a step did: its kind, the first line it changed and how many.
  struct Step {
    Kind kind;
    int firstLine;
    int lines;
  };

  /// A new script: no steps, and its lines as they are now are the saved
  /// point.
  void clear();
  /// The lines as they are now are saved. Typing after this is a step of
  /// its own, so that the saved lines can be undone to.
  void markSaved() {
    saved_ = position();
    typing_ = false;
  }
  /// The lines as they are now are not what was read or saved.
  void markUnsaved() { saved_ = kNowhere; }
  bool atSavedPoint() const { return saved_ == position(); }

  /// Another line is loaded into the edit box: the typing step ends.
  void endTyping() { typing_ = false; }
  /// line is about to become other text by typing; oldText is what it holds
  /// now. Opens a typing step for it unless one is open.
  void typing(int line, std::u16string_view oldText);
  /// line has become newText by typing: a typing step that brought it back
  /// to the text it began with goes, as if nothing was typed.
  void typed(int line, std::u16string_view newText);

  /// Records changes that a run makes to the lines through it, for a rip.
  class Recorder : public LineList {
   public:
    explicit Recorder(LineList& lines) : lines_(lines) {}
    int count() const override { return lines_.count(); }
    std::u16string_view text(int i) const override { return lines_.text(i); }
    void setText(int i, std::u16string_view text) override;
    int focusedIndex() const override { return lines_.focusedIndex(); }
    int selectedCount() const override { return lines_.selectedCount(); }
    std::vector<LineBlock> selectedBlocks() const override { return lines_.selectedBlocks(); }

   private:
    friend class ScriptHistory;
    LineList& lines_;
    std::vector<int> changed_;   // in the order changed, each once
    std::u16string oldText_;     // their texts before, end to end
    std::vector<std::uint32_t> ends_;
  };
  /// The lines that recorder saw change, as one rip step; none changed, no
  /// step.
  void addRip(Recorder& recorder);

  /// The step that undo (redo) would take back (make again), if any.
  std::optional<Step> nextUndo() const;
  std::optional<Step> nextRedo() const;
  /// Takes back the last step in lines (the lines it was recorded on), and
  /// returns it; nothing when there is none.
  std::optional<Step> undo(LineList& lines);
  /// Makes the last undone step again.
  std::optional<Step> redo(LineList& lines);

  /// The characters of text that the steps keep.
  std::size_t keptCharacters() const { return kept_; }

 private:
  struct Stored {
    Kind kind;
    std::vector<int> lines;  // the lines it changed, ascending
    std::u16string text;     // their other texts, end to end
    std::vector<std::uint32_t> ends;
  };
  static constexpr std::int64_t kNowhere = -1;

  std::int64_t position() const { return dropped_ + static_cast<std::int64_t>(undo_.size()); }
  static Step Summary(const Stored& stored);
  void push(Stored stored);
  /// Takes the last step of from, exchanges its texts with lines, and puts
  /// it last in to: an undo, or a redo.
  std::optional<Step> move(std::deque<Stored>& from, std::deque<Stored>& to, LineList& lines);
  /// Puts the step's texts into lines and keeps theirs in their place.
  void exchange(Stored& stored, LineList& lines);
  /// Lets the oldest steps go while the kept text is over the limit and
  /// more than one can be undone.
  void trim();

  std::size_t keptLimit_;
  std::deque<Stored> undo_;
  std::deque<Stored> redo_;
  std::int64_t dropped_ = 0;  // steps that went for the limit
  std::int64_t saved_ = 0;    // the position of the saved lines
  std::size_t kept_ = 0;
  bool typing_ = false;  // the last step is typing that goes on
};

}  // namespace vorrik
