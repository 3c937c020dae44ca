#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <vector>

namespace vorrik {

/// A single-line edit box that holds a line of any length and reports each
/// character key typed into it, with its code (Enter is 13), before the key
/// takes effect, and each change of its line.
///
/// Qt's line edit lays out and paints its whole text on every change, every
/// repaint and every blink of the cursor: a second for a line of a few
/// megabytes. A line longer than kWholeLimit characters is therefore held
/// here whole while the box shows and edits a stretch of it around the
/// cursor (kStretch characters); the stretch moves with the cursor, and an
/// edit in it is an edit of the line.
class EditBox : public QLineEdit {
 public:
  static constexpr qsizetype kWholeLimit = 1 << 16;
  static constexpr qsizetype kStretch = 1 << 14;

  explicit EditBox(QWidget* parent = nullptr);

  /// The line, whole.
  QString line() const;
  /// Sets the line, the cursor at its end; onLineChange runs when it differs
  /// from the line held.
  void setLine(const QString& line);
  /// Whether only a stretch of the line is in the box.
  bool showsStretch() const { return stretched_; }

  std::function<void(int code)> onKeyPress;
  std::function<void()> onLineChange;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  /// Puts the stretch around position (of the whole line) in the box, the
  /// cursor there.
  void showStretchAt(qsizetype position);
  void boxTextChanged();

  bool stretched_ = false;
  QString line_;           // while stretched: the whole line
  qsizetype start_ = 0;    // where the stretch starts in it
  qsizetype shown_ = 0;    // how long the stretch was when put in the box
  bool moving_ = false;    // the stretch is being moved: no edit
};

/// A push button whose caption wraps at word boundaries within its width.
class WrapButton : public QPushButton {
 public:
  WrapButton(const QString& text, QWidget* parent = nullptr) : QPushButton(text, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

/// A plain client area that draws thin rules between given points (in
/// pixels) under its controls.
class RuledArea : public QWidget {
 public:
  explicit RuledArea(std::vector<QLine> rules, QWidget* parent = nullptr)
      : QWidget(parent), rules_(std::move(rules)) {}
  const std::vector<QLine>& rules() const { return rules_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<QLine> rules_;
};

}  // namespace vorrik
