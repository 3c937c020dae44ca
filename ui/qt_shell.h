#pragma once

#include <QPointer>
#include <QWidget>

#include "document/shell.h"

namespace vorrik {

/// Message text as a box shows it: every CR, alone or before LF, breaks the
/// line, as it does in the message boxes the texts were written for.
QString MessageBoxText(const QString& text);

/// A window title as setWindowTitle takes it: Qt reads "[*]" as the place of
/// its modified mark, so each is doubled to show as written.
QString LiteralWindowTitle(const QString& title);

/// The shell of the running program: the main window's title, Qt's message
/// and input boxes (application-modal), and leaving the event loop.
class QtShell : public Shell {
 public:
  /// The window whose title setTitle sets and over which boxes are centred.
  void setMainWindow(QWidget* window) { window_ = window; }

  void setTitle(const QString& title) override;
  Answer showMessageBox(const Message& box) override;
  std::optional<QString> showInputBox(const QString& prompt, const QString& title) override;
  void endProgram() override;

 private:
  QWidget* boxParent() const;

  QPointer<QWidget> window_;
};

}  // namespace vorrik
