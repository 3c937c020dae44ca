#pragma once

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

#include "check/script_check.h"
#include "document/line_list_model.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeView;

namespace vorrik {

/// The problems of a check as a table: line, kind and sentence.
class ProblemTableModel : public QAbstractTableModel {
 public:
  enum Column { LineColumn, KindColumn, SentenceColumn, kColumns };

  explicit ProblemTableModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  /// Replaces every row (a model reset).
  void setProblems(std::vector<Problem> problems);
  const std::vector<Problem>& problems() const { return problems_; }

 private:
  std::vector<Problem> problems_;
};

/// The "Script check" window: the script's counts against the engine's
/// limits as meters, the game they are checked for, and the problems found,
/// one row each, with the current one's sentence in full below. It follows
/// the script's lines: a change checks the script again once changes pause
/// for kPause milliseconds, and only while the window is shown. Activating
/// a problem (a double click, or Enter) calls pickLine with its line's index
/// in the list. Close and Escape hide it; its close control destroys it.
class CheckWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPause = 300;

  CheckWindow(const LineListModel& lines, std::function<void(int index)> pickLine, QWidget* parent = nullptr);

  /// The result shown.
  const ScriptCheck& check() const { return check_; }
  Game game() const;
  QComboBox& gameChoice() const { return *game_; }
  QTreeView& problemList() const { return *list_; }
  const ProblemTableModel& problems() const { return problems_; }
  QLabel& summary() const { return *summary_; }
  /// The figure beside the meter of limit, such as "143 of 256".
  QLabel& figure(Limit limit) const { return *meters_[static_cast<std::size_t>(limit)].figure; }
  QProgressBar& meter(Limit limit) const { return *meters_[static_cast<std::size_t>(limit)].bar; }

  /// Checks the script now and shows the result.
  void recheck();

 signals:
  /// A check has run and its result is shown.
  void checked();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  struct Meter {
    QLabel* name = nullptr;
    QProgressBar* bar = nullptr;
    QLabel* figure = nullptr;
  };

  void createControls();
  /// The lines changed: a check is due once the changes pause.
  void linesChanged();
  void pauseTimedOut();
  void showCounts();
  void showProblems();
  void showDetail();

  const LineListModel& lines_;
  std::function<void(int)> pickLine_;
  ScriptCheck check_;
  ProblemTableModel problems_;
  bool stale_ = true;          // the lines changed since the last check
  QTimer pause_;
  QElapsedTimer sinceChange_;  // since the last change of the lines

  QComboBox* game_ = nullptr;
  std::array<Meter, kLimitCount> meters_{};
  QLabel* summary_ = nullptr;
  QTreeView* list_ = nullptr;
  QLabel* detail_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace vorrik
