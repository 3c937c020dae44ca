#pragma once

#include <QString>

#include <vector>

namespace vorrik {

/// Undo and redo for a line edited in place. Each edit replaces a part of
/// the line with other text; characters typed one after another make one
/// edit, as in a line edit.
class LineHistory {
 public:
  void clear();
  /// Records that at position at the line's removed text became inserted;
  /// typed edits that follow on from the last one join it.
  void record(qsizetype at, QString removed, QString inserted, bool typed);
  /// Ends a run of typing: the next edit is one of its own.
  void separate() { joinable_ = false; }
  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }
  /// Undoes the last edit in line; returns where the cursor goes after it,
  /// or -1 when there is nothing to undo.
  qsizetype undo(QString& line);
  /// Makes the last undone edit again; as undo.
  qsizetype redo(QString& line);

 private:
  struct Edit {
    qsizetype at;
    QString removed;
    QString inserted;
  };

  /// Takes the last edit of from, makes it (again) or takes it back in line,
  /// and puts it on to; returns where the cursor goes.
  qsizetype step(std::vector<Edit>& from, std::vector<Edit>& to, QString& line, bool again);

  std::vector<Edit> undo_;
  std::vector<Edit> redo_;
  bool joinable_ = false;  // the last edit was typed and may take the next
};

}  // namespace vorrik
