#pragma once

// A Shell for tests: answers boxes from a script and records, in order, every
// title set and every box shown as one line of text.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <deque>
#include <ostream>
#include <string>

#include "document/shell.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace vorrik {

/// Names each parameterised case after its "name" field.
struct CaseName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
    return info.param.name;
  }
};

class TestShell : public Shell {
 public:
  void setTitle(const QString& t) override {
    title = t;
    log << QStringLiteral("title: ") + t;
  }

  Answer showMessageBox(const Message& box) override {
    const bool yesNoCancel = box.buttons == Message::Buttons::YesNoCancel;
    QString entry = QStringLiteral("box [%1] %2").arg(box.title, box.text);
    if (yesNoCancel) entry += QStringLiteral(" {YesNoCancel, default %1}").arg(Name(box.defaultButton));
    if (box.icon == Message::Icon::Warning) entry += QStringLiteral(" {warning}");
    log << entry;
    if (!yesNoCancel) return Answer::Ok;
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << entry.toStdString();
      return Answer::Cancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  QString showInputBox(const QString& prompt, const QString& boxTitle) override {
    log << QStringLiteral("input [%1] %2").arg(boxTitle, prompt);
    if (typed.empty()) {
      ADD_FAILURE() << "unexpected input box: " << prompt.toStdString();
      return {};
    }
    const QString text = typed.front();
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

  std::deque<Answer> answers;  // for Yes/No/Cancel boxes
  std::deque<QString> typed;   // for input boxes; "" is a cancelled box
  QString title;
  QStringList log;
  bool ended = false;

 private:
  static QString Name(Answer a) {
    switch (a) {
      case Answer::Ok: return QStringLiteral("Ok");
      case Answer::Yes: return QStringLiteral("Yes");
      case Answer::No: return QStringLiteral("No");
      case Answer::Cancel: return QStringLiteral("Cancel");
    }
    return {};
  }
};

}  // namespace vorrik
