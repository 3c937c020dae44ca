#pragma once

// The part of a test Shell that both test frameworks share: it answers boxes
// from a script and records every box shown, and the end, as one line of
// text, so no test ever opens a modal box. What a title does and how an
// unscripted box is reported is left to the framework's shell.

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

#include "document/shell.h"

namespace vorrik {

class ScriptedShell : public Shell {
 public:
  void setTitle(const QString& t) override {
    title = t;
    showTitle(t);
  }

  Answer showMessageBox(const Message& box) override {
    const bool question = box.buttons != Message::Buttons::Ok;
    QString entry = QStringLiteral("box [%1] %2").arg(box.title, box.text);
    if (question) entry += QStringLiteral(" {%1, default %2}").arg(Name(box.buttons), Name(box.defaultButton));
    if (box.icon == Message::Icon::Warning) entry += QStringLiteral(" {warning}");
    log << entry;
    if (!question) return Answer::Ok;
    if (answers.empty()) {
      unexpected(QStringLiteral("question: ") + entry);
      return Answer::Cancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::optional<QString> showInputBox(const QString& prompt, const QString& boxTitle) override {
    log << QStringLiteral("input [%1] %2").arg(boxTitle, prompt);
    if (typed.empty()) {
      unexpected(QStringLiteral("input box: ") + prompt);
      return std::nullopt;
    }
    const std::optional<QString> text = typed.front();
    typed.pop_front();
    return text;
  }

  void endProgram() override {
    ended = true;
    log << QStringLiteral("end");
  }

  /// The log since the last call, one entry per line, and a fresh start.
  QString takeLog() {
    const QString text = log.join(u'\n');
    log.clear();
    return text;
  }

  std::deque<Answer> answers;  // for the boxes that ask a question
  std::deque<std::optional<QString>> typed;  // for input boxes; nullopt cancels
  QString title;
  QStringList log;
  bool ended = false;

 protected:
  /// Called with every title set.
  virtual void showTitle(const QString& title) = 0;
  /// Called for a question or input box that the test gave no answer for.
  virtual void unexpected(const QString& what) = 0;

 private:
  static QString Name(Answer a) {
    switch (a) {
      case Answer::Ok: return QStringLiteral("Ok");
      case Answer::Yes: return QStringLiteral("Yes");
      case Answer::No: return QStringLiteral("No");
      case Answer::Cancel: return QStringLiteral("Cancel");
      case Answer::Save: return QStringLiteral("Save");
      case Answer::DontSave: return QStringLiteral("DontSave");
    }
    return {};
  }
  static QString Name(Message::Buttons buttons) {
    switch (buttons) {
      case Message::Buttons::Ok: return QStringLiteral("Ok");
      case Message::Buttons::YesNo: return QStringLiteral("YesNo");
      case Message::Buttons::SaveDontSaveCancel: return QStringLiteral("SaveDontSaveCancel");
    }
    return {};
  }
};

}  // namespace vorrik
