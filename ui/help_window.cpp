#include "ui/help_window.h"

#include <QPushButton>

#include "ui/look.h"

namespace vorrik {

Form2::Form2() {
  // The main window makes a new one after the frame's close control has
  // destroyed it.
  SetUpTextWindow(*this, "Form2", QStringLiteral("How to use VORRIK"), QSize(379, 250));
  SetWindowRole(*this, QAccessible::Window);

  command1_ = new QPushButton(QStringLiteral("Close"), this);
  command1_->setObjectName(QStringLiteral("Command1"));
  command1_->setGeometry(Twips(2280, 3120, 1215, 495));
  // Close only hides the window, so it keeps its state until it is shown again.
  connect(command1_, &QPushButton::clicked, this, &QWidget::hide);

  MakeLabel(this, "Label1",
            QStringLiteral("VORRIK is an application made for hackers to help them keep careful "
                           "count of JK objects. VORRIK can also rip apart lines of code into "
                           "their base objects, making the process of writing hacks much quicker."),
            Twips(240, 240, 5175, 735));
  MakeLabel(this, "Label2",
            QStringLiteral("To use VORRIK, simply open a file using the menu. Clicking on a single "
                           "line in the cog display will copy the text to a box below, where you "
                           "can edit it. Highlighting multiple lines in the cog display will allow "
                           "you to rip the code down into X's, or see a count of the objects in "
                           "those line(s)."),
            Twips(240, 1200, 5175, 855));
  MakeLabel(this, "Label3",
            QStringLiteral("The object bank is the number of objects you must create or remove. If "
                           "the number is negative, you must remove that number of objects. If the "
                           "number is positive, you must add that number of objects."),
            Twips(240, 2160, 5175, 615));
}

}  // namespace vorrik
