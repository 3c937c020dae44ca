#pragma once
// A shell for benchmarks: shows nothing and keeps the text of the last
// message box, so a benchmark that meets one can fail.

#include <QString>

#include "document/shell.h"

namespace vorrik::bench {

class SilentShell : public Shell {
 public:
  void setTitle(const QString&) override {}
  Answer showMessageBox(const Message& box) override {
    failure = box.text;
    return Answer::Ok;
  }
  QString showInputBox(const QString&, const QString&) override { return {}; }
  void endProgram() override {}
  QString failure;
};

}  // namespace vorrik::bench
