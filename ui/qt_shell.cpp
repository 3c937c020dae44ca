#include "ui/qt_shell.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace vorrik {

QString MessageBoxText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

void QtShell::setTitle(const QString& title) {
  if (window_) window_->setWindowTitle(title);
}

// A hidden main window (while the About window is shown) cannot carry a box.
QWidget* QtShell::boxParent() const { return window_ && window_->isVisible() ? window_.data() : nullptr; }

Answer QtShell::showMessageBox(const Message& box) {
  QMessageBox dialog(boxParent());
  dialog.setWindowTitle(box.title);
  dialog.setText(MessageBoxText(box.text));
  dialog.setTextFormat(Qt::PlainText);
  dialog.setIcon(box.icon == Message::Icon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon);
  dialog.setWindowModality(Qt::ApplicationModal);
  if (box.buttons == Message::Buttons::Ok) {
    dialog.setStandardButtons(QMessageBox::Ok);
    dialog.exec();
    return Answer::Ok;
  }
  dialog.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  switch (box.defaultButton) {
    case Answer::No: dialog.setDefaultButton(QMessageBox::No); break;
    case Answer::Cancel: dialog.setDefaultButton(QMessageBox::Cancel); break;
    default: dialog.setDefaultButton(QMessageBox::Yes); break;
  }
  dialog.setEscapeButton(QMessageBox::Cancel);
  switch (dialog.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
  }
}

QString QtShell::showInputBox(const QString& prompt, const QString& title) {
  QInputDialog dialog(boxParent());
  dialog.setWindowTitle(title);
  dialog.setLabelText(prompt);
  dialog.setTextValue(QString());
  dialog.setWindowModality(Qt::ApplicationModal);
  return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

void QtShell::endProgram() {
  // Every window goes with the event loop; no close event asks again.
  QCoreApplication::quit();
}

}  // namespace vorrik
