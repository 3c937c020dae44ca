#pragma once

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <vector>

namespace vorrik {

/// The line list: a list view that reports each change of its selection or
/// current line exactly once per user action (a click, a drag, a key), after
/// the view has applied the whole action. Only the primary mouse button
/// selects; other buttons do nothing. Changes made through changeQuietly()
/// are not reported; the program reports those itself.
class LineListView : public QListView {
 public:
  explicit LineListView(QWidget* parent = nullptr);

  /// Shares selectionModel (whose model must be the view's) and watches it.
  void shareSelectionModel(QItemSelectionModel* selectionModel);
  /// Runs change with the change reporting off.
  void changeQuietly(const std::function<void()>& change);

  /// Called after a user action that changed the selection or current line.
  std::function<void()> onUserChange;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;
  void reset() override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  void reportIfChanged();

  bool changed_ = false;
  int quiet_ = 0;
};

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
