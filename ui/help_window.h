#pragma once

#include <QWidget>

class QPushButton;

namespace vorrik {

/// The help window "How to use VORRIK": three fixed paragraphs and Close,
/// which hides it. Its close control destroys it.
class Form2 : public QWidget {
 public:
  Form2();
  QPushButton& command1() const { return *command1_; }

 private:
  QPushButton* command1_ = nullptr;
};

}  // namespace vorrik
