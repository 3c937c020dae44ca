#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <vector>

namespace vorrik {

/// A single-line edit box that holds lines of any length and reports each
/// character key typed into it, with its code (Enter is 13), before the key
/// takes effect.
class EditBox : public QLineEdit {
 public:
  explicit EditBox(QWidget* parent = nullptr);
  std::function<void(int code)> onKeyPress;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
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
