#pragma once

#include <QString>

#include <optional>

namespace vorrik {

/// The answer a message box returns.
enum class Answer { Ok, Yes, No, Cancel, Save, DontSave };

/// A message box as the document asks for it (not named MessageBox, which
/// windows.h defines as a macro).
struct Message {
  /// SaveDontSaveCancel: "Save", "Don't Save" and "Cancel".
  enum class Buttons { Ok, YesNo, SaveDontSaveCancel };
  enum class Icon { None, Warning };

  QString text;
  QString title;
  Buttons buttons = Buttons::Ok;
  Answer defaultButton = Answer::Ok;
  Icon icon = Icon::None;
};

/// What the document needs of the platform: the main window's title, message
/// and input boxes, and ending the program. The program implements it with
/// real windows; tests answer from a script and record what was shown.
class Shell {
 public:
  virtual ~Shell() = default;
  /// Sets the main window's title.
  virtual void setTitle(const QString& title) = 0;
  /// Shows a modal message box and returns the button pressed.
  virtual Answer showMessageBox(const Message& box) = 0;
  /// Shows a modal input box with no default text and returns the text
  /// confirmed (perhaps ""), or nothing when the box was cancelled.
  virtual std::optional<QString> showInputBox(const QString& prompt, const QString& title) = 0;
  /// Ends the program at once: all windows close, nothing more is asked.
  virtual void endProgram() = 0;
};

}  // namespace vorrik
