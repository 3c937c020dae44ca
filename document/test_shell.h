#pragma once

// The GoogleTest shell: answers boxes from a script and records, in order,
// every title set and every box shown as one line of text.

#include <gtest/gtest.h>

#include <QString>

#include <ostream>
#include <string>

#include "document/line_list_model.h"
#include "document/scripted_shell.h"

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

/// Logs every title set and fails the test on an unscripted box.
class TestShell : public ScriptedShell {
 protected:
  void showTitle(const QString& t) override { log << QStringLiteral("title: ") + t; }
  void unexpected(const QString& what) override { ADD_FAILURE() << "unexpected " << what.toStdString(); }
};

/// The model's lines joined with "|".
inline QString JoinedLines(const LineListModel& model) {
  QStringList out;
  for (int i = 0; i < model.count(); ++i) {
    const std::u16string_view line = model.line(i);
    out << QString::fromUtf16(line.data(), static_cast<qsizetype>(line.size()));
  }
  return out.join(u'|');
}

}  // namespace vorrik
