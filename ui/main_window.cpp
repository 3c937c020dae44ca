#include "ui/main_window.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QTimer>

#include <algorithm>
#include <string_view>

#include "analysis/display.h"
#include "document/line_search.h"
#include "ui/file_drop.h"
#include "ui/look.h"

namespace vorrik {

namespace {

// The client area's first size: 10635 x 7770 twips.
constexpr QSize kClientSize(709, 518);

// A rule from one point to another, given in twips.
QLine TwipsLine(int x1, int y1, int x2, int y2) {
  return QLine(x1 / kTwipsPerPixel, y1 / kTwipsPerPixel, x2 / kTwipsPerPixel, y2 / kTwipsPerPixel);
}

QLineEdit* MakeDisplay(const char* name, qreal points, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setReadOnly(true);
  box->setAlignment(Qt::AlignCenter);
  box->setFont(SansSerifFont(points));
  return box;
}

QString LineText(std::u16string_view line) {
  return QString::fromUtf16(line.data(), static_cast<qsizetype>(line.size()));
}

}  // namespace

const QString Form1::kCreatedCaption = QStringLiteral("VORRIK by Orvel_Tand");

Form1::Form1(Shell& shell, DriveMap driveMap) : shell_(shell), document_(shell, std::move(driveMap)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(kCreatedCaption);
  setWindowIcon(ProgramIcon());
  createControls();
  createMenus();
  connectSignals();
  // The client area under the menu bar is 709 x 518. The menu bar takes the
  // height the window's layout gives it at that width, which some styles
  // (Windows') make taller than its size hint.
  const int menuHeight = menuBar()->heightForWidth(kClientSize.width());
  resize(kClientSize.width(),
         kClientSize.height() + (menuHeight > 0 ? menuHeight : menuBar()->sizeHint().height()));
}

Form1::~Form1() {
  // The list view uses the document's model and selection, which are members
  // and go before the base class deletes its children: delete the view first.
  delete takeCentralWidget();
  delete dialog_.data();
  delete checkWindow_.data();
  delete findWindow_.data();
  delete form2_.data();
  delete form3_.data();
}

void Form1::createControls() {
  // At its first size the window is laid out as it always was. Larger, the
  // list and the edit box take the room; the column of counters keeps its
  // place against the right edge, its bottom part level with the edit box.
  auto* client = new RuledArea(kClientSize, this);
  client->setFont(WindowDefaultFont());
  setCentralWidget(client);
  client->addRule(TwipsLine(7440, 120, 7440, 7680), kMoveRight | kHeighten);
  client->addRule(TwipsLine(7440, 1680, 10320, 1680), kMoveRight);
  client->addRule(TwipsLine(7440, 3360, 10320, 3360), kMoveRight);
  client->addRule(TwipsLine(7440, 6480, 10320, 6480), kMoveRight | kMoveDown);

  list1_ = new LineListView(client);
  list1_->setObjectName(QStringLiteral("List1"));
  client->place(list1_, Twips(120, 120, 7095, 6690), kWiden | kHeighten);
  list1_->setModel(&document_.lineModel());
  list1_->shareSelectionModel(&document_.selectionModel());

  text1_ = new EditBox(client);
  text1_->setObjectName(QStringLiteral("Text1"));
  client->place(text1_, Twips(120, 7080, 7095, 375), kWiden | kMoveDown);

  command1_ = new WrapButton(QStringLiteral("Rip apart selected lines"), client);
  command1_->setObjectName(QStringLiteral("Command1"));
  client->place(command1_, Twips(8280, 2160, 1335, 735), kMoveRight);

  text5_ = MakeDisplay("Text5", 18, client);
  client->place(text5_, Twips(8160, 720, 1695, 615), kMoveRight);

  label4_ = MakeLabel(client, "Label4", QStringLiteral("OBJECT BANK"), Twips(7680, 120, 2655, 495),
                      Qt::AlignHCenter);
  client->place(label4_, label4_->geometry(), kMoveRight);
  label4_->setFont(SansSerifFont(18));
  label1_ = MakeLabel(client, "Label1",
                      QStringLiteral("NOTE: This program is an early beta version. Bugs still exist with the "
                                     "Ripping apart code, but it is functional as long as you give the "
                                     "ripped cog a quick glance afterwards."),
                      Twips(7680, 3600, 2655, 1215));
  client->place(label1_, label1_->geometry(), kMoveRight);
  label2_ = MakeLabel(client, "Label2",
                      QStringLiteral("The ripping code has not been optimized and tested as thoroughly as "
                                     "the parsing code, and is much less reliable. Remember, this doesn't "
                                     "mean it's worthless..."),
                      Twips(7680, 5040, 2655, 1215));
  client->place(label2_, label2_->geometry(), kMoveRight);

  text2_ = MakeDisplay("Text2", 13.5, client);
  client->place(text2_, Twips(8160, 7080, 1695, 555), kMoveRight | kMoveDown);

  label3_ = MakeLabel(client, "Label3", QStringLiteral("Objects in selected lines"),
                      Twips(7680, 6600, 2655, 375), Qt::AlignHCenter);
  client->place(label3_, label3_->geometry(), kMoveRight | kMoveDown);
  label3_->setFont(SansSerifFont(12));

  // What a screen reader says for each box; the labels above the two
  // counters are their buddies, so the number is read with its title.
  list1_->setAccessibleName(QStringLiteral("Script lines"));
  text1_->setAccessibleName(QStringLiteral("Line being edited"));
  text5_->setAccessibleName(QStringLiteral("Object bank"));
  text5_->setAccessibleDescription(
      QStringLiteral("Objects to add when positive, to remove when negative"));
  text2_->setAccessibleName(QStringLiteral("Objects in selected lines"));
  label4_->setBuddy(text5_);
  label3_->setBuddy(text2_);

  setTabOrder(list1_, text1_);
  setTabOrder(text1_, command1_);
  setTabOrder(command1_, text5_);
  setTabOrder(text5_, text2_);
  list1_->setFocus();
}

void Form1::createMenus() {
  const auto item = [](QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  const auto separator = [](QMenu* menu, const char* name) {
    menu->addSeparator()->setObjectName(QString::fromLatin1(name));
  };

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("mnuFile"));
  QAction* open = item(file, "mnuOpen", QStringLiteral("&Open a COG..."));
  open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  connect(open, &QAction::triggered, this, [this] { ShowOpenDialog(); });
  separator(file, "mnuNULL2");
  QAction* save = item(file, "mnuSave", QStringLiteral("&Save COG"));
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(save, &QAction::triggered, this, [this] { document_.Save(); });
  connect(item(file, "mnuSaveAs", QStringLiteral("Save COG &As...")), &QAction::triggered, this, [this] {
    document_.SaveAs([this] { return chooser().dir1Path(); });
    // The chooser lists what the folder holds now, the new file too.
    if (dialog_) dialog_->rereadFolder();
  });
  separator(file, "mnuNULL1");
  connect(item(file, "mnuExit", QStringLiteral("&Exit")), &QAction::triggered, this,
          [this] { document_.ConfirmQuit(); });

  // Ctrl+Z in the edit box stays the box's own undo of its line: the box
  // takes the keys before the menu's shortcuts see them.
  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  edit->setObjectName(QStringLiteral("mnuEdit"));
  mnuUndo_ = item(edit, "mnuUndo", QStringLiteral("&Undo"));
  mnuUndo_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  connect(mnuUndo_, &QAction::triggered, this, [this] { UndoStep(); });
  mnuRedo_ = item(edit, "mnuRedo", QStringLiteral("&Redo"));
  mnuRedo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  connect(mnuRedo_, &QAction::triggered, this, [this] { RedoStep(); });
  updateEditActions();
  separator(edit, "mnuNULL4");
  const auto command = [&](const char* name, const QString& caption, const QKeySequence& keys) {
    QAction* action = item(edit, name, caption);
    action->setShortcut(keys);
    return action;
  };
  connect(command("mnuFind", QStringLiteral("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F)), &QAction::triggered,
          this, [this] { ShowFind(); });
  connect(command("mnuFindNext", QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3)), &QAction::triggered, this,
          [this] { FindAgain(false); });
  connect(command("mnuFindPrevious", QStringLiteral("Find &Previous"), QKeySequence(Qt::SHIFT | Qt::Key_F3)),
          &QAction::triggered, this, [this] { FindAgain(true); });
  connect(command("mnuGoTo", QStringLiteral("&Go To..."), QKeySequence(Qt::CTRL | Qt::Key_G)), &QAction::triggered,
          this, [this] { GoToLine(); });

  QMenu* script = menuBar()->addMenu(QStringLiteral("&Script"));
  script->setObjectName(QStringLiteral("mnuScript"));
  QAction* check = item(script, "mnuCheckScript", QStringLiteral("&Check Script"));
  check->setShortcut(QKeySequence(Qt::Key_F7));
  connect(check, &QAction::triggered, this, [this] { ShowCheck(); });

  QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
  help->setObjectName(QStringLiteral("mnuHelp"));
  connect(item(help, "mnuHowtouse", QStringLiteral("How to use")), &QAction::triggered, this,
          [this] { ShowHelp(); });
  separator(help, "mnuNULL3");
  connect(item(help, "mnuAbout", QStringLiteral("About")), &QAction::triggered, this, [this] { ShowAbout(); });
}

void Form1::connectSignals() {
  list1_->onUserChange = [this] { HandleListClick(); };
  text1_->onLineChange = [this] { HandleTextChange(); };
  text1_->onKeyPress = [this](int code, Qt::KeyboardModifiers modifiers) { HandleKeyPress(code, modifiers); };
  connect(command1_, &QPushButton::clicked, this, [this] { RipSelectedLines(); });
  engine_.showSelectionTally = [this](const std::string& shown) {
    text2_->setText(QString::fromStdString(shown));
  };
  connect(&document_.lineModel(), &QAbstractItemModel::modelReset, this, [this] { clearBoxes(); });
  // A file dropped anywhere on the window opens; the boxes would take its
  // path as text.
  auto* drop = new FileDrop(*this, [this](const QStringList& paths) { openDropped(paths); });
  for (QWidget* box : {static_cast<QWidget*>(text1_), static_cast<QWidget*>(text2_), static_cast<QWidget*>(text5_)})
    drop->watch(*box);
}

void Form1::Load() {
  engine_.InitCharClasses();
  document_.StartUp();
}

int Form1::FocusedIndex() const { return document_.selectionModel().currentIndex().row(); }

int Form1::SelectedCount() const { return document_.lineList().selectedCount(); }

void Form1::SetItemSelected(int index, bool selected) {
  const QModelIndex item = document_.lineModel().index(index);
  QItemSelectionModel& selection = document_.selectionModel();
  if (!item.isValid() || selection.isSelected(item) == selected) return;
  list1_->changeQuietly([&] {
    selection.select(item, selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
  });
  HandleListClick();
}

void Form1::SetFocusedIndex(int index) {
  const QModelIndex item = document_.lineModel().index(index);
  QItemSelectionModel& selection = document_.selectionModel();
  if (selection.currentIndex() == item) return;
  list1_->changeQuietly([&] { selection.setCurrentIndex(item, QItemSelectionModel::NoUpdate); });
  if (item.isValid()) list1_->scrollTo(item);
  HandleListClick();
}

void Form1::PickLine(int index, bool bringToFront) {
  const int count = document_.lineModel().count();
  if (count == 0) return;
  const QModelIndex line = document_.lineModel().index(std::clamp(index, 0, count - 1));
  list1_->changeQuietly([&] { list1_->pickAlone(line); });
  list1_->scrollTo(line);
  HandleListClick();
  if (!bringToFront) return;
  raise();
  activateWindow();
}

void Form1::HandleListClick() {
  // A line loaded into the edit box (or none) ends the typing in the last.
  document_.history().endTyping();
  engine_.AnalyseLines(document_.lineList(), AnalysisMode::SelectionTally);
  if (SelectedCount() == 1) {
    const int focused = FocusedIndex();
    text1_->setLine(focused >= 0 ? LineText(document_.lineModel().line(focused)) : QString());
    text1_->setFocus();
  } else {
    text1_->setLine(QString());
  }
}

void Form1::HandleTextChange() {
  if (SelectedCount() != 1) return;
  const QString text = text1_->line();
  const int focused = FocusedIndex();
  // One line selected but none focused: there is no line to write into.
  if (focused < 0) return;
  const std::u16string_view typed(reinterpret_cast<const char16_t*>(text.utf16()),
                                  static_cast<std::size_t>(text.size()));
  // A line loaded into the box comes back unchanged: no change, no step.
  if (typed != document_.lineModel().line(focused)) {
    ScriptHistory& history = document_.history();
    history.typing(focused, document_.lineModel().line(focused));
    document_.lineModel().setLine(focused, typed);
    history.typed(focused, typed);
    updateEditActions();
    // The selection tally is the tally of this one line as it reads now.
    engine_.AnalyseLines(document_.lineList(), AnalysisMode::SelectionTally);
  }
  document_.UpdateSavedState();
  engine_.AnalyseLines(document_.lineList(), AnalysisMode::Recount);
  text5_->setText(QString::fromStdString(FormatTally(engine_.baselineTally - engine_.currentTally)));
}

void Form1::HandleKeyPress(int code, Qt::KeyboardModifiers modifiers) {
  if (code != 13) return;
  // With no line to move to (past the last line or before the first, or an
  // empty list) Enter leaves everything as it is, the line still selected
  // and loaded.
  const int step = modifiers & Qt::ShiftModifier ? -1 : 1;
  const int focused = FocusedIndex();
  if (focused < 0 || focused + step < 0 || focused + step >= document_.lineModel().count()) return;
  SetItemSelected(FocusedIndex(), false);
  SetFocusedIndex(FocusedIndex() + step);
  SetItemSelected(FocusedIndex(), true);
}

void Form1::RipSelectedLines() {
  ScriptHistory::Recorder recorder(document_.lineList());
  engine_.AnalyseLines(recorder, AnalysisMode::Rip);
  document_.history().addRip(recorder);
  document_.UpdateSavedState();
  updateEditActions();
}

void Form1::UndoStep() {
  if (const auto step = document_.history().undo(document_.lineList())) showStep(*step);
}

void Form1::RedoStep() {
  if (const auto step = document_.history().redo(document_.lineList())) showStep(*step);
}

void Form1::showStep(const ScriptHistory::Step& step) {
  const QModelIndex line = document_.lineModel().index(step.firstLine);
  list1_->changeQuietly([&] {
    document_.selectionModel().setCurrentIndex(line, QItemSelectionModel::ClearAndSelect);
  });
  list1_->scrollTo(line);
  // As a click on the line: its tally, and the line loaded into the edit box.
  HandleListClick();
  engine_.AnalyseLines(document_.lineList(), AnalysisMode::Recount);
  text5_->setText(QString::fromStdString(FormatTally(engine_.baselineTally - engine_.currentTally)));
  document_.UpdateSavedState();
  updateEditActions();
}

void Form1::updateEditActions() {
  const ScriptHistory& history = document_.history();
  const auto describe = [](const std::optional<ScriptHistory::Step>& step) {
    if (!step) return QString();
    if (step->kind == ScriptHistory::Kind::Typing)
      return QStringLiteral(" Typing in line %1").arg(step->firstLine + 1);
    return step->lines == 1 ? QStringLiteral(" Rip of 1 line") : QStringLiteral(" Rip of %1 lines").arg(step->lines);
  };
  mnuUndo_->setText(QStringLiteral("&Undo") + describe(history.nextUndo()));
  mnuUndo_->setEnabled(history.nextUndo().has_value());
  mnuRedo_->setText(QStringLiteral("&Redo") + describe(history.nextRedo()));
  mnuRedo_->setEnabled(history.nextRedo().has_value());
}

Dialog& Form1::chooser() {
  if (!dialog_) {
    dialog_ = new Dialog(
        shell_, document_.driveMap(),
        [this](const QString& folder, const QString& fileName) {
          // Unsaved changes are saved or dropped only as the user says.
          if (!document_.ConfirmReplace(JoinDrivePath(folder, fileName)) ||
              !document_.OpenScript(folder, fileName, engine_))
            return false;
          updateEditActions();
          return true;
        },
        chooserStart_);
  }
  return *dialog_;
}

void Form1::ShowOpenDialog() {
  // A chooser shown again lists its folder as it is now, not as it was.
  const bool existed = dialog_;
  Dialog& dialog = chooser();
  if (existed) dialog.rereadFolder();
  dialog.show();
  dialog.raise();
  dialog.activateWindow();
}

bool Form1::OpenNativeFile(const QString& nativePath) {
  if (!document_.OpenNativeScript(nativePath, engine_)) return false;
  updateEditActions();
  // Save As writes into the chooser's folder: make that the script's own,
  // the file chosen in it as if the chooser had opened it.
  const QString& path = document_.currentPath;
  chooserStart_ = path.left(path.lastIndexOf(u'\\'));
  if (dialog_) dialog_->chooseFile(path);
  return true;
}

bool Form1::OpenDroppedFile(const QString& nativePath) {
  // Unsaved changes are saved or dropped only as the user says; a file that
  // no drive holds is reported by the open.
  const DrivePath path = document_.driveMap().FromNative(nativePath);
  if (path.ok() && !document_.ConfirmReplace(path.path)) return false;
  return OpenNativeFile(nativePath);
}

void Form1::openDropped(const QStringList& nativePaths) {
  Message box;
  box.title = QStringLiteral("VORRIK");
  box.icon = Message::Icon::Warning;
  if (nativePaths.size() > 1) {
    box.text = QStringLiteral("Cannot open %1 files at once.\n\nVORRIK opens one COG at a time: drop one file.")
                   .arg(nativePaths.size());
  } else if (QFileInfo(nativePaths.first()).isDir()) {
    const DrivePath path = document_.driveMap().FromNative(nativePaths.first());
    box.text = QStringLiteral("Cannot open %1\n\nIt is a folder, not a file. Drop a COG file to open it.")
                   .arg(path.ok() ? path.path : nativePaths.first());
  } else {
    OpenDroppedFile(nativePaths.first());
    return;
  }
  shell_.showMessageBox(box);
}

void Form1::clearBoxes() {
  // No line is selected now (the selection went with the old lines), so
  // emptying the edit box writes nothing.
  text1_->setLine(QString());
  text2_->clear();
  text5_->setText(QString::fromStdString(FormatTally(0.0f)));
}

void Form1::ShowFind() {
  // A search from the window leaves it in front, for the next one.
  if (!findWindow_) findWindow_ = new FindWindow([this] { Find(findWindow_->request(), false); }, this);
  findWindow_->showForTyping();
}

void Form1::Find(const FindRequest& request, bool bringToFront) {
  const std::u16string_view what(reinterpret_cast<const char16_t*>(request.what.utf16()),
                                 static_cast<std::size_t>(request.what.size()));
  const int found =
      FindLine(document_.lineModel().lines(), LineSearch{what, request.matchCase, request.up}, FocusedIndex());
  if (found >= 0) {
    PickLine(found, bringToFront);
    return;
  }
  Message box;
  box.text = QStringLiteral("Cannot find \"%1\".").arg(request.what);
  box.title = QStringLiteral("Find");
  shell_.showMessageBox(box);
}

void Form1::FindAgain(bool up) {
  if (!findWindow_ || findWindow_->findWhat().text().isEmpty()) {
    ShowFind();
    return;
  }
  FindRequest request = findWindow_->request();
  request.up = up;
  Find(request);
}

void Form1::GoToLine() {
  const int count = document_.lineModel().count();
  Message refusal;
  refusal.title = QStringLiteral("Go To Line");
  refusal.icon = Message::Icon::Warning;
  if (count == 0) {
    refusal.text = QStringLiteral("There is no line to go to: the list is empty.");
    shell_.showMessageBox(refusal);
    return;
  }
  refusal.text = QStringLiteral("Enter a line number from 1 to %1.").arg(count);
  // Lines count from 1 here, as the game and every editor count them.
  for (;;) {
    const std::optional<QString> typed =
        shell_.showInputBox(QStringLiteral("Line number (1 to %1):").arg(count), QStringLiteral("Go To Line"));
    if (!typed) return;
    bool number = false;
    const int line = typed->trimmed().toInt(&number, 10);
    if (number && line >= 1 && line <= count) {
      PickLine(line - 1);
      return;
    }
    shell_.showMessageBox(refusal);
  }
}

void Form1::ShowCheck() {
  // A window of this one: it stays in front of it while a problem's line is
  // picked here.
  if (!checkWindow_)
    checkWindow_ = new CheckWindow(document_.lineModel(), [this](int index) { PickLine(index); }, this);
  checkWindow_->show();
  checkWindow_->raise();
  checkWindow_->activateWindow();
}

void Form1::ShowHelp() {
  if (!form2_) form2_ = new Form2();
  form2_->show();
  form2_->raise();
  form2_->activateWindow();
}

void Form1::ShowAbout() {
  if (!form3_) form3_ = new Form3([this] { show(); });
  form3_->show();
  form3_->raise();
  form3_->activateWindow();
  hide();
}

void Form1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Asked once the activation is over: a box shown from inside it would
  // take the activation away again.
  if (event->type() == QEvent::ActivationChange && isActiveWindow())
    QTimer::singleShot(0, this, [this] {
      if (document_.OfferToReadAgain(engine_)) updateEditActions();
    });
}

void Form1::closeEvent(QCloseEvent* event) {
  // Only an answer that ends the program lets the window close.
  if (document_.ConfirmQuit()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace vorrik
