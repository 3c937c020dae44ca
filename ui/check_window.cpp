#include "ui/check_window.h"

#include <QAction>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "ui/look.h"

namespace vorrik {

namespace {

QString Capitalised(const char* text) {
  QString shown = QString::fromUtf8(text);
  if (!shown.isEmpty()) shown[0] = shown[0].toUpper();
  return shown;
}

// The meters' object names, in the order of Limit.
constexpr std::array<const char*, kLimitCount> kMeterNames = {"Symbols", "References", "Messages", "JumpSlots"};

QString Counted(int count, const char* one, const char* many) {
  return count == 1 ? QStringLiteral("1 ") + QLatin1String(one)
                    : QStringLiteral("%1 ").arg(count) + QLatin1String(many);
}

}  // namespace

int ProblemTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(problems_.size());
}

int ProblemTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant ProblemTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const Problem& problem = problems_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      if (index.column() == LineColumn) return problem.line;
      if (index.column() == KindColumn) return Capitalised(ProblemKindName(problem.kind));
      return QString::fromStdString(problem.sentence);
    case Qt::ToolTipRole:
      // A long sentence is cut at the column's edge: the tip shows it whole.
      return index.column() == SentenceColumn ? QString::fromStdString(problem.sentence) : QVariant();
    case Qt::TextAlignmentRole:
      return index.column() == LineColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
      return {};
  }
}

QVariant ProblemTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case LineColumn: return QStringLiteral("Line");
    case KindColumn: return QStringLiteral("Kind");
    case SentenceColumn: return QStringLiteral("Problem");
    default: return {};
  }
}

void ProblemTableModel::setProblems(std::vector<Problem> problems) {
  beginResetModel();
  problems_ = std::move(problems);
  endResetModel();
}

CheckWindow::CheckWindow(const LineListModel& lines, std::function<void(int)> pickLine, QWidget* parent)
    : QWidget(parent, Qt::Tool), lines_(lines), pickLine_(std::move(pickLine)) {
  SetUpTextWindow(*this, "CheckWindow", QStringLiteral("Script check"), QSize(560, 420));
  SetWindowRole(*this, QAccessible::Window);
  createControls();

  pause_.setSingleShot(true);
  connect(&pause_, &QTimer::timeout, this, &CheckWindow::pauseTimedOut);
  // Every change of the lines reaches the model: typing, a rip, an undo or
  // redo, and a script opened or read again.
  connect(&lines_, &QAbstractItemModel::dataChanged, this, &CheckWindow::linesChanged);
  connect(&lines_, &QAbstractItemModel::modelReset, this, &CheckWindow::linesChanged);
  connect(&lines_, &QAbstractItemModel::rowsInserted, this, &CheckWindow::linesChanged);
  connect(&lines_, &QAbstractItemModel::rowsRemoved, this, &CheckWindow::linesChanged);
  connect(game_, &QComboBox::currentIndexChanged, this, &CheckWindow::recheck);
  connect(list_, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
    if (!index.isValid()) return;
    pickLine_(std::max(problems_.problems()[static_cast<std::size_t>(index.row())].line - 1, 0));
  });
}

void CheckWindow::createControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);

  auto* grid = new QGridLayout();
  grid->setHorizontalSpacing(8);
  grid->setColumnStretch(1, 1);
  layout->addLayout(grid);

  game_ = new QComboBox(this);
  game_->setObjectName(QStringLiteral("Game"));
  // Named before its entries are added, which make its accessible interface.
  game_->setAccessibleName(QStringLiteral("Game"));
  game_->setAccessibleDescription(QStringLiteral("The game whose engine the script is checked for"));
  game_->view()->setAccessibleName(QStringLiteral("Games"));
  for (const Game game : {Game::JediKnight, Game::MysteriesOfTheSith})
    game_->addItem(QString::fromUtf8(GameTitle(game)), static_cast<int>(game));
  game_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  auto* gameLabel = new QLabel(QStringLiteral("&Game:"), this);
  gameLabel->setBuddy(game_);
  grid->addWidget(gameLabel, 0, 0);
  grid->addWidget(game_, 0, 1, Qt::AlignLeft);

  // The figure's column is as wide as the widest figure, so the bars keep
  // their length as the counts change.
  QFont bold = font();
  bold.setBold(true);
  const int figureWidth = QFontMetrics(bold).horizontalAdvance(QStringLiteral("00000 of 00000 (over)"));
  for (int i = 0; i < kLimitCount; ++i) {
    const auto limit = static_cast<Limit>(i);
    const QString name = Capitalised(LimitName(limit));
    const QString object = QString::fromLatin1(kMeterNames[static_cast<std::size_t>(i)]);
    Meter& meter = meters_[static_cast<std::size_t>(i)];
    meter.bar = new QProgressBar(this);
    meter.bar->setObjectName(object + QStringLiteral("Meter"));
    meter.bar->setTextVisible(false);
    meter.bar->setAccessibleName(name);
    meter.name = new QLabel(name, this);
    meter.name->setObjectName(object + QStringLiteral("Label"));
    meter.name->setBuddy(meter.bar);
    meter.figure = new QLabel(this);
    meter.figure->setObjectName(object + QStringLiteral("Figure"));
    meter.figure->setMinimumWidth(figureWidth);
    grid->addWidget(meter.name, i + 1, 0);
    grid->addWidget(meter.bar, i + 1, 1);
    grid->addWidget(meter.figure, i + 1, 2);
  }

  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("Summary"));
  layout->addSpacing(4);
  layout->addWidget(summary_);

  list_ = new QTreeView(this);
  list_->setObjectName(QStringLiteral("Problems"));
  list_->setModel(&problems_);
  list_->setRootIsDecorated(false);
  list_->setItemsExpandable(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->header()->setStretchLastSection(true);
  list_->header()->setSectionResizeMode(ProblemTableModel::LineColumn, QHeaderView::ResizeToContents);
  list_->header()->setSectionResizeMode(ProblemTableModel::KindColumn, QHeaderView::ResizeToContents);
  list_->setAccessibleName(QStringLiteral("Problems"));
  layout->addWidget(list_, 1);

  // The current problem's sentence in full, which its row may cut short.
  detail_ = new QLabel(this);
  detail_->setObjectName(QStringLiteral("Detail"));
  detail_->setWordWrap(true);
  detail_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  detail_->setMinimumHeight(3 * fontMetrics().lineSpacing());
  layout->addWidget(detail_);
  connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this, &CheckWindow::showDetail);

  close_ = new QPushButton(QStringLiteral("Close"), this);
  close_->setObjectName(QStringLiteral("Command1"));
  close_->setAutoDefault(false);
  connect(close_, &QPushButton::clicked, this, &QWidget::hide);
  layout->addWidget(close_, 0, Qt::AlignRight);

  // Escape closes the window as a dialog's does; Close only hides it, so it
  // keeps its game until it is shown again.
  auto* escape = new QAction(this);
  escape->setShortcut(Qt::Key_Escape);
  connect(escape, &QAction::triggered, this, &QWidget::hide);
  addAction(escape);

  setTabOrder(game_, list_);
  setTabOrder(list_, close_);
  list_->setFocus();
}

Game CheckWindow::game() const { return static_cast<Game>(game_->currentData().toInt()); }

void CheckWindow::recheck() {
  stale_ = false;
  pause_.stop();
  check_ = CheckScript(LinesOf(lines_), game());
  showCounts();
  showProblems();
  emit checked();
}

void CheckWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (stale_) recheck();
}

void CheckWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  pause_.stop();
}

void CheckWindow::linesChanged() {
  stale_ = true;
  if (!isVisible()) return;
  // A keystroke (or each line of a rip of millions) costs one clock read; the
  // timer, once started, waits until kPause has passed since the last change.
  sinceChange_.start();
  if (!pause_.isActive()) pause_.start(kPause);
}

void CheckWindow::pauseTimedOut() {
  const qint64 waited = sinceChange_.elapsed();
  if (waited < kPause) {
    pause_.start(static_cast<int>(kPause - waited));
    return;
  }
  recheck();
}

void CheckWindow::showCounts() {
  for (const LimitCount& count : check_.counts) {
    const Meter& meter = meters_[static_cast<std::size_t>(count.limit)];
    const bool over = count.over();
    // Over the limit reads in the words too, not in the colour alone.
    const QString figure =
        QStringLiteral("%1 of %2").arg(count.count).arg(count.maximum) + (over ? QStringLiteral(" (over)") : QString());
    meter.figure->setText(figure);
    QFont font = meter.figure->font();
    font.setBold(over);
    meter.figure->setFont(font);
    QPalette figurePalette = palette();
    QPalette barPalette = palette();
    if (over) {
      figurePalette.setColor(QPalette::WindowText, Qt::red);
      barPalette.setColor(QPalette::Highlight, Qt::red);
    }
    meter.figure->setPalette(figurePalette);
    meter.bar->setPalette(barPalette);
    meter.bar->setRange(0, std::max(count.maximum, 1));
    meter.bar->setValue(std::clamp(count.count, 0, std::max(count.maximum, 1)));
    meter.bar->setAccessibleDescription(figure);
  }
}

void CheckWindow::showDetail() {
  const int row = list_->currentIndex().row();
  if (row < 0 || row >= problems_.rowCount()) {
    detail_->clear();
    return;
  }
  const Problem& problem = problems_.problems()[static_cast<std::size_t>(row)];
  detail_->setText(QStringLiteral("Line %1, %2: ").arg(problem.line).arg(QLatin1String(ProblemKindName(problem.kind))) +
                   QString::fromStdString(problem.sentence));
}

void CheckWindow::showProblems() {
  const int current = list_->currentIndex().row();
  problems_.setProblems(check_.problems);
  // The row the user was at stays current, so Enter after a fix goes on
  // from there.
  if (current >= 0 && problems_.rowCount() > 0)
    list_->setCurrentIndex(problems_.index(std::min(current, problems_.rowCount() - 1), 0));
  showDetail();

  QStringList parts;
  if (check_.errors() > 0) parts << Counted(check_.errors(), "error", "errors");
  if (check_.warnings() > 0) parts << Counted(check_.warnings(), "warning", "warnings");
  const QString summary = parts.isEmpty() ? QStringLiteral("No problems found.") : parts.join(QStringLiteral(", "));
  summary_->setText(summary);
  list_->setAccessibleDescription(summary);
}

}  // namespace vorrik
