#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vorrik {

/// What the Find window asks for.
struct FindRequest {
  QString what;
  bool matchCase = false;
  bool up = false;
};

/// The Find window, as a Windows find box: "Find what", "Match case", the
/// direction (Up or Down) and the buttons Find Next (the default button) and
/// Cancel. Modeless: Find Next calls findNext and the window stays, so the
/// next press goes on from the line found. Cancel, Escape and the close
/// control hide it; it keeps its text for Find Next and Find Previous.
class FindWindow : public QDialog {
 public:
  FindWindow(std::function<void()> findNext, QWidget* parent);

  FindRequest request() const;
  /// Shows the window in front, its text selected for typing over.
  void showForTyping();

  QLineEdit& findWhat() const { return *findWhat_; }
  QCheckBox& matchCase() const { return *matchCase_; }
  QRadioButton& up() const { return *up_; }
  QRadioButton& down() const { return *down_; }
  QPushButton& findNext() const { return *findNext_; }
  QPushButton& cancel() const { return *cancel_; }

 private:
  void createControls();
  /// Moves the window next to main, outside it, where the screen has room.
  void placeBeside(const QWidget& main);

  std::function<void()> onFindNext_;
  QLineEdit* findWhat_ = nullptr;
  QCheckBox* matchCase_ = nullptr;
  QRadioButton* up_ = nullptr;
  QRadioButton* down_ = nullptr;
  QPushButton* findNext_ = nullptr;
  QPushButton* cancel_ = nullptr;
  bool placed_ = false;
};

}  // namespace vorrik
