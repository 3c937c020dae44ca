#include "ui/about_window.h"

#include <QCloseEvent>
#include <QPushButton>

#include <utility>

#include "ui/look.h"

namespace vorrik {

Form3::Form3(std::function<void()> showMainWindow)
    : showMainWindow_(std::move(showMainWindow)) {
  SetUpTextWindow(*this, "Form3", QStringLiteral("About VORRIK"), QSize(343, 300));
  SetWindowRole(*this, QAccessible::Dialog);

  MakeLabel(this, "Label1",
            QStringLiteral("This release opens one COG script at a time and lists its lines. "
                           "While you edit a line, the object bank shows how many objects to add "
                           "or remove, and the tally counts the objects in the selected lines. "
                           "Save As writes your changes to a file."),
            Twips(240, 240, 4575, 855));
  MakeLabel(this, "Label2",
            QStringLiteral("Ripping turns the selected lines into lines of x's that count the same "
                           "as the code they replace. Give ripped lines a quick look before you "
                           "save: an x keeps the count, not the code."),
            Twips(240, 1320, 4575, 855));
  MakeLabel(this, "Label3", QStringLiteral("Thank you for using VORRIK, and happy hacking!"),
            Twips(240, 3120, 4575, 495), Qt::AlignHCenter);
  MakeLabel(this, "Label4",
            QStringLiteral("VORRIK is written by Orvel_Tand. Powered by the Kestrimar, with "
                           "thanks to its hackers for their cogs and ideas."),
            Twips(240, 3840, 4575, 615), Qt::AlignHCenter);

  command1_ = new QPushButton(QStringLiteral("Close"), this);
  command1_->setObjectName(QStringLiteral("Command1"));
  command1_->setGeometry(Twips(1920, 2400, 1215, 495));
  // Hiding sends no close event, so Close brings the main window back itself.
  connect(command1_, &QPushButton::clicked, this, [this] {
    hide();
    if (showMainWindow_) showMainWindow_();
  });
}

void Form3::closeEvent(QCloseEvent* event) {
  // Closed through its frame: the main window comes back before this one is
  // destroyed, so the program always keeps a visible window.
  if (showMainWindow_) showMainWindow_();
  event->accept();
}

}  // namespace vorrik
