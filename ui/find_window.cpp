#include "ui/find_window.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <utility>

#include "ui/look.h"

namespace vorrik {

FindWindow::FindWindow(std::function<void()> findNext, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      onFindNext_(std::move(findNext)) {
  setObjectName(QStringLiteral("FindWindow"));
  setWindowTitle(QStringLiteral("Find"));
  setWindowIcon(ProgramIcon());
  setFont(WindowDefaultFont());
  setModal(false);
  SetWindowRole(*this, QAccessible::Dialog);
  createControls();
}

void FindWindow::createControls() {
  findWhat_ = new QLineEdit(this);
  findWhat_->setObjectName(QStringLiteral("FindWhat"));
  findWhat_->setMinimumWidth(200);
  findWhat_->setAccessibleName(QStringLiteral("Find what"));
  auto* findWhatLabel = new QLabel(QStringLiteral("Fi&nd what:"), this);
  findWhatLabel->setBuddy(findWhat_);

  matchCase_ = new QCheckBox(QStringLiteral("Match &case"), this);
  matchCase_->setObjectName(QStringLiteral("MatchCase"));

  auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
  direction->setObjectName(QStringLiteral("Direction"));
  up_ = new QRadioButton(QStringLiteral("&Up"), direction);
  up_->setObjectName(QStringLiteral("Up"));
  down_ = new QRadioButton(QStringLiteral("&Down"), direction);
  down_->setObjectName(QStringLiteral("Down"));
  down_->setChecked(true);
  auto* directions = new QHBoxLayout(direction);
  directions->addWidget(up_);
  directions->addWidget(down_);

  findNext_ = new QPushButton(QStringLiteral("&Find Next"), this);
  findNext_->setObjectName(QStringLiteral("FindNext"));
  findNext_->setDefault(true);
  findNext_->setEnabled(false);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("CancelButton"));
  cancel_->setAutoDefault(false);

  // The text and the options on the left, the buttons on the right.
  auto* what = new QHBoxLayout;
  what->addWidget(findWhatLabel);
  what->addWidget(findWhat_, 1);
  auto* options = new QHBoxLayout;
  options->addWidget(matchCase_, 0, Qt::AlignBottom);
  options->addStretch(1);
  options->addWidget(direction);
  auto* left = new QVBoxLayout;
  left->addLayout(what);
  left->addLayout(options);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(findNext_);
  buttons->addWidget(cancel_);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(findWhat_, &QLineEdit::textChanged, this,
          [this](const QString& text) { findNext_->setEnabled(!text.isEmpty()); });
  connect(findNext_, &QPushButton::clicked, this, [this] {
    if (!findWhat_->text().isEmpty() && onFindNext_) onFindNext_();
  });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  setTabOrder(findWhat_, matchCase_);
  setTabOrder(matchCase_, up_);
  setTabOrder(up_, down_);
  setTabOrder(down_, findNext_);
  setTabOrder(findNext_, cancel_);
}

FindRequest FindWindow::request() const { return {findWhat_->text(), matchCase_->isChecked(), up_->isChecked()}; }

void FindWindow::placeBeside(const QWidget& main) {
  // The window's frame is taken to be as thick as the main window's.
  const QRect mainFrame = main.frameGeometry();
  const QRect mainClient = main.geometry();
  const QMargins frame(mainClient.left() - mainFrame.left(), mainClient.top() - mainFrame.top(),
                       mainFrame.right() - mainClient.right(), mainFrame.bottom() - mainClient.bottom());
  const QSize size = sizeHint().grownBy(frame);
  // Below the main window, to its right, above it or to its left: where the
  // list it searches stays in view.
  const QPoint places[] = {{mainFrame.right() + 1 - size.width(), mainFrame.bottom() + 1},
                           {mainFrame.right() + 1, mainFrame.top()},
                           {mainFrame.right() + 1 - size.width(), mainFrame.top() - size.height()},
                           {mainFrame.left() - size.width(), mainFrame.top()}};
  const QRect screen = main.screen()->availableGeometry();
  for (const QPoint& at : places) {
    if (screen.contains(QRect(at, size))) {
      // The client's place, which every platform takes alike before the
      // window is first shown.
      setGeometry(QRect(at + QPoint(frame.left(), frame.top()), sizeHint()));
      return;
    }
  }
}

void FindWindow::showForTyping() {
  // First shown where it hides none of the main window; later where the
  // user left it.
  if (!placed_ && parentWidget()) placeBeside(*parentWidget());
  placed_ = true;
  show();
  raise();
  activateWindow();
  findWhat_->selectAll();
  findWhat_->setFocus();
}

}  // namespace vorrik
