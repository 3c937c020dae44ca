#pragma once

#include <QLineEdit>
#include <QString>

#include <functional>

#include "ui/line_history.h"

namespace vorrik {

/// A single-line edit box that holds a line of any length and reports each
/// character key typed into it, with its code (Enter is 13) and the
/// modifiers held, before the key takes effect, and each change of its line. Text entering it from the user
/// (a paste, a drop, an input method) stops at its first CR or LF, as in a
/// single-line Windows edit box: a line never gains a line break.
///
/// Qt's line edit lays out and paints its whole text on every change, every
/// repaint and every blink of the cursor: a second for a line of a few
/// megabytes. A line longer than kWholeLimit characters is therefore held
/// here whole while the box shows and edits a stretch of it around the
/// cursor (kStretch characters). The stretch moves on as the cursor nears
/// its ends; the selection, the clipboard keys and undo act on the whole
/// line wherever the stretch stands. A selection larger than the stretch
/// is held here and shown in the box as far as the stretch reaches.
class EditBox : public QLineEdit {
 public:
  static constexpr qsizetype kWholeLimit = 1 << 16;
  static constexpr qsizetype kStretch = 1 << 14;
  /// The stretch moves on when the cursor comes this close to one of its
  /// ends (other than an end of the line).
  static constexpr qsizetype kMargin = 256;

  explicit EditBox(QWidget* parent = nullptr);

  /// The line, whole.
  QString line() const;
  /// Sets the line, the cursor at its end; onLineChange runs when it differs
  /// from the line held.
  void setLine(const QString& line);
  /// Whether only a stretch of the line is in the box.
  bool showsStretch() const { return stretched_; }
  /// Where the box's text starts in the line.
  qsizetype stretchStart() const { return stretched_ ? start_ : 0; }
  /// The cursor's position in the whole line.
  qsizetype lineCursor() const;
  /// The selected part of the whole line.
  QString selectedLineText() const;

  /// text up to its first CR or LF.
  static QString FirstLine(const QString& text);

  std::function<void(int code, Qt::KeyboardModifiers modifiers)> onKeyPress;
  std::function<void()> onLineChange;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  /// The selection in the whole line, anchor and cursor.
  qsizetype lineAnchor() const;
  bool hasLineSelection() const { return lineAnchor() != lineCursor(); }
  /// Puts the stretch around cursor (a position in the line) and shows the
  /// selection from anchor to it, held here where the box cannot show it.
  void showLine(qsizetype anchor, qsizetype cursor);
  /// Puts the stretch starting at start (a position in the line) in the
  /// box, unless it is there already.
  void showStretch(qsizetype start);
  /// Replaces the selection (in the whole line) with text, as one edit.
  void replaceSelection(const QString& text, bool typed);
  void copySelection() const;
  /// Inserts text up to its first line break over the selection.
  void paste(const QString& text);
  void undo();
  void redo();
  /// Shows the line after an undo or redo that left the cursor there (-1:
  /// there was none).
  void showUndoneOrRedone(qsizetype cursor);
  /// The stretched line's keys; returns whether the key was taken.
  bool stretchedKey(QKeyEvent* event);
  void boxTextChanged();
  void reportChange();

  bool stretched_ = false;
  QString line_;            // while stretched: the whole line
  qsizetype start_ = 0;     // where the stretch starts in it
  qsizetype shown_ = 0;     // how long the stretch was when put in the box
  bool stale_ = false;      // the box's text is not the line's: put it anew
  bool moving_ = false;     // the box's text is being set: no edit
  bool typing_ = false;     // a printable key is being handled by the box
  // A selection that the stretch cannot hold, in the whole line.
  bool wide_ = false;
  qsizetype anchor_ = 0;
  qsizetype cursor_ = 0;
  LineHistory history_;     // undo and redo of the stretched line
};

}  // namespace vorrik
