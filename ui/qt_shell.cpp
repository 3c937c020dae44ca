#include "ui/qt_shell.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace vorrik {

QString MessageBoxText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

QString LiteralWindowTitle(const QString& title) {
  QString literal = title;
  return literal.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

void QtShell::setTitle(const QString& title) {
  if (window_) window_->setWindowTitle(LiteralWindowTitle(title));
}

// A hidden main window (while the About window is shown) cannot carry a box.
QWidget* QtShell::boxParent() const { return window_ && window_->isVisible() ? window_.data() : nullptr; }

Answer QtShell::showMessageBox(const Message& box) {
  QMessageBox dialog(boxParent());
  dialog.setWindowTitle(LiteralWindowTitle(box.title));
  dialog.setText(MessageBoxText(box.text));
  dialog.setTextFormat(Qt::PlainText);
  dialog.setIcon(box.icon == Message::Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
  dialog.setWindowModality(Qt::ApplicationModal);
  if (box.buttons == Message::Buttons::Ok) {
    dialog.setStandardButtons(QMessageBox::Ok);
    dialog.setDefaultButton(QMessageBox::Ok);
    dialog.exec();
    return Answer::Ok;
  }
  if (box.buttons == Message::Buttons::SaveDontSaveCancel) {
    // The buttons say what they do, with the access keys Windows gives them.
    QPushButton* save = dialog.addButton(QMessageBox::Save);
    save->setText(QStringLiteral("&Save"));
    QPushButton* dontSave = dialog.addButton(QMessageBox::Discard);
    dontSave->setText(QStringLiteral("Do&n't Save"));
    QPushButton* cancel = dialog.addButton(QMessageBox::Cancel);
    dialog.setDefaultButton(box.defaultButton == Answer::DontSave ? dontSave
                            : box.defaultButton == Answer::Cancel ? cancel
                                                                   : save);
    // Escape and the close control answer Cancel.
    dialog.setEscapeButton(cancel);
    dialog.exec();
    if (dialog.clickedButton() == save) return Answer::Save;
    if (dialog.clickedButton() == dontSave) return Answer::DontSave;
    return Answer::Cancel;
  }
  dialog.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  dialog.setDefaultButton(box.defaultButton == Answer::Yes ? QMessageBox::Yes : QMessageBox::No);
  // Escape and the close control answer No: they ask for nothing.
  dialog.setEscapeButton(QMessageBox::No);
  return dialog.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

std::optional<QString> QtShell::showInputBox(const QString& prompt, const QString& title) {
  QInputDialog dialog(boxParent());
  dialog.setWindowTitle(LiteralWindowTitle(title));
  dialog.setLabelText(prompt);
  dialog.setTextValue(QString());
  dialog.setWindowModality(Qt::ApplicationModal);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

void QtShell::endProgram() {
  // exit(), not quit(): in Qt 6 quit() first closes every window, and the
  // main window's close event would ask its question again. exit() only
  // leaves the event loops; the windows go when main() returns, without a
  // close event.
  QCoreApplication::exit(0);
}

}  // namespace vorrik
