#pragma once
// What the Qt benchmarks share: a shell that shows nothing and keeps the
// text of the last message box (so a benchmark that meets one can fail), and
// the generated script written to a file of the temporary drive.

#include <QFile>
#include <QString>

#include "bench/bench_script.h"
#include "document/shell.h"

namespace vorrik::bench {

class SilentShell : public Shell {
 public:
  void setTitle(const QString&) override {}
  Answer showMessageBox(const Message& box) override {
    failure = box.text;
    return Answer::Ok;
  }
  std::optional<QString> showInputBox(const QString&, const QString&) override { return std::nullopt; }
  void endProgram() override {}
  QString failure;
};

/// Writes the generated script to path; returns whether all of it was written.
inline bool WriteScriptFile(const QString& path) {
  QFile file(path);
  const std::string& bytes = TheScript().bytes;
  return file.open(QIODevice::WriteOnly) &&
         file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
}

}  // namespace vorrik::bench
