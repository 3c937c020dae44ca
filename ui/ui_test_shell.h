#pragma once

// A Shell for widget tests: sets the real window title, answers message and
// input boxes from a script and records every box shown as one line of text,
// so no test ever opens a modal window.

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <deque>

#include "document/shell.h"

namespace vorrik {

class UiTestShell : public Shell {
 public:
  void setTitle(const QString& title) override {
    if (window) window->setWindowTitle(title);
  }

  Answer showMessageBox(const Message& box) override {
    QString entry = QStringLiteral("box [%1] %2").arg(box.title, box.text);
    if (box.icon == Message::Icon::Warning) entry += QStringLiteral(" {warning}");
    log << entry;
    if (box.buttons == Message::Buttons::Ok) return Answer::Ok;
    if (answers.empty()) {
      log << QStringLiteral("unexpected question");
      return Answer::Cancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  QString showInputBox(const QString& prompt, const QString& title) override {
    log << QStringLiteral("input [%1] %2").arg(title, prompt);
    if (typed.empty()) {
      log << QStringLiteral("unexpected input box");
      return {};
    }
    const QString text = typed.front();
    typed.pop_front();
    return text;
  }

  void endProgram() override { log << QStringLiteral("end"); }

  QPointer<QWidget> window;
  QStringList log;
  std::deque<Answer> answers;
  std::deque<QString> typed;
};

}  // namespace vorrik
