#pragma once

#include <QPushButton>
#include <QWidget>

#include <vector>

namespace vorrik {

/// A push button whose caption wraps at word boundaries within its width.
class WrapButton : public QPushButton {
 public:
  WrapButton(const QString& text, QWidget* parent = nullptr) : QPushButton(text, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
};

/// How a control or a rule follows its area once the area is larger than
/// its first size: it widens or heightens by what the area has grown, or
/// moves right or down by it. An area smaller than its first size moves and
/// shrinks nothing.
enum Follow : unsigned { kStay = 0, kWiden = 1, kHeighten = 2, kMoveRight = 4, kMoveDown = 8 };

/// A plain client area that places its controls where its first size puts
/// them, following its growth beyond that size as each is told, and draws
/// thin rules between given points (in pixels) under its controls.
class RuledArea : public QWidget {
 public:
  explicit RuledArea(QSize firstSize, QWidget* parent = nullptr) : QWidget(parent), firstSize_(firstSize) {}

  /// Places control at first (its place at the first size), following as told.
  void place(QWidget* control, const QRect& first, unsigned follow = kStay);
  /// Draws a rule between first's two points (at the first size), following as told.
  void addRule(const QLine& first, unsigned follow = kStay);
  /// The rules as drawn at the area's size now.
  std::vector<QLine> rules() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Placed {
    QWidget* control;
    QRect first;
    unsigned follow;
  };
  struct Rule {
    QLine first;
    unsigned follow;
  };

  /// How much larger than its first size the area is, across and down.
  QSize growth() const;
  static QRect Followed(const QRect& first, unsigned follow, QSize growth);

  QSize firstSize_;
  std::vector<Placed> placed_;
  std::vector<Rule> rules_;
};

}  // namespace vorrik
