#pragma once

// Answers the real modal boxes as a user would. A timer watches for the
// active modal widget; each new box is described in one line of `seen` and
// answered by the next action, with real key and mouse events. A box with
// no action left is noted as "unexpected" and closed with Escape.

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <functional>
#include <utility>

namespace vorrik {

class BoxDriver {
 public:
  using Action = std::function<void(QWidget* box)>;

  BoxDriver() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(5);
  }

  /// A key pressed in the box, where its keyboard focus is.
  static Action Press(Qt::Key key) {
    return [key](QWidget* box) {
      QWidget* target = box->focusWidget() ? box->focusWidget() : box;
      QTest::keyClick(target, key);
    };
  }

  /// A mouse click on the box's button with this caption ("&" not shown).
  static Action Click(const QString& caption) {
    return [caption](QWidget* box) {
      for (QPushButton* button : box->findChildren<QPushButton*>()) {
        if (button->text().remove(u'&') == caption) {
          QTest::mouseClick(button, Qt::LeftButton);
          return;
        }
      }
      QFAIL(qPrintable(QStringLiteral("no button ") + caption));
    };
  }

  /// Text typed into the box's line edit, then another action.
  static Action Type(const QString& text, Action then) {
    return [text, then = std::move(then)](QWidget* box) {
      if (auto* edit = box->findChild<QLineEdit*>()) QTest::keyClicks(edit, text);
      then(box);
    };
  }

  /// The box as one line: title, text, and for a message box its buttons,
  /// default button and icon.
  static QString Describe(QWidget* widget) {
    if (auto* input = qobject_cast<QInputDialog*>(widget))
      return QStringLiteral("input [%1] %2").arg(input->windowTitle(), input->labelText());
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (!box) return QStringLiteral("window ") + widget->objectName();
    QList<QAbstractButton*> standard = box->buttons();
    // Yes, No, Cancel; the style orders them on screen.
    std::sort(standard.begin(), standard.end(),
              [box](QAbstractButton* a, QAbstractButton* b) { return box->standardButton(a) < box->standardButton(b); });
    QStringList buttons;
    for (QAbstractButton* button : standard) buttons << Name(box, button);
    const QString icon = box->icon() == QMessageBox::NoIcon      ? QStringLiteral("no icon")
                         : box->icon() == QMessageBox::Warning ? QStringLiteral("warning")
                                                                : QStringLiteral("other icon");
    return QStringLiteral("box [%1] %2 {%3, default %4, %5}")
        .arg(box->windowTitle(), box->text(), buttons.join(u' '),
             box->defaultButton() ? Name(box, box->defaultButton()) : QStringLiteral("none"),
             icon);
  }

  std::deque<Action> actions;
  QStringList seen;

 private:
  /// The four plain buttons by their role, any other by its caption with
  /// its access key marked ("Do&n't Save").
  static QString Name(QMessageBox* box, QAbstractButton* button) {
    switch (box->standardButton(button)) {
      case QMessageBox::Ok: return QStringLiteral("Ok");
      case QMessageBox::Yes: return QStringLiteral("Yes");
      case QMessageBox::No: return QStringLiteral("No");
      case QMessageBox::Cancel: return QStringLiteral("Cancel");
      default: return button->text();
    }
  }

  void poll() {
    QWidget* box = QApplication::activeModalWidget();
    if (!box || !box->isVisible() || box->property("answered").toBool()) return;
    box->setProperty("answered", true);
    seen << Describe(box);
    if (actions.empty()) {
      seen << QStringLiteral("unexpected");
      Press(Qt::Key_Escape)(box);
      return;
    }
    const Action action = std::move(actions.front());
    actions.pop_front();
    action(box);
  }

  QTimer timer_;
};

}  // namespace vorrik

Q_DECLARE_METATYPE(vorrik::BoxDriver::Action)
