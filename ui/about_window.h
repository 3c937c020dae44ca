#pragma once

#include <QWidget>

#include <functional>

class QPushButton;

namespace vorrik {

/// The About window: four fixed paragraphs of release notes and credits and
/// Close, which hides it and shows the main window again. Closing it through
/// its frame destroys it and shows the main window too, so the program never
/// runs without a visible window.
class Form3 : public QWidget {
 public:
  explicit Form3(std::function<void()> showMainWindow);
  QPushButton& command1() const { return *command1_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void()> showMainWindow_;
  QPushButton* command1_ = nullptr;
};

}  // namespace vorrik
