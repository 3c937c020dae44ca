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
