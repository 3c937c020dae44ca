#include "ui/file_chooser.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <utility>

#include "ui/look.h"

namespace vorrik {

namespace {

/// Dir1 items keep their folder's full Windows path here, and their depth
/// (0 for the root) in the next role for the indentation.
constexpr int kPathRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 8;

/// Indents each Dir1 item by its depth, so the folders above the current one
/// read as a path and its subfolders sit one step below it.
class IndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem indented = option;
    indented.rect.setLeft(option.rect.left() + Indent(index));
    QStyledItemDelegate::paint(painter, indented, index);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QStyledItemDelegate::sizeHint(option, index) + QSize(Indent(index), 0);
  }

 private:
  static int Indent(const QModelIndex& index) { return index.data(kDepthRole).toInt() * kIndentPixels; }
};

/// A combo box named by its accessible name. Qt names a combo box on Linux
/// by its current entry and expects a label beside it, which Drive1 lacks:
/// this one has the name, its entry as its value, and its popup list.
class NamedComboAccessible : public QAccessibleWidget {
 public:
  explicit NamedComboAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return box()->currentText();
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return 1; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && child->object() == box()->view() ? 0 : -1;
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = box()->view()->isVisible();
    return state;
  }
  QStringList actionNames() const override {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == showMenuAction() || name == pressAction())
      box()->showPopup();
    else
      QAccessibleWidget::doAction(name);
  }

 private:
  QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

QAccessibleInterface* MakeComboAccessible(const QString& className, QObject* object) {
  auto* box = className == QLatin1String("QComboBox") ? qobject_cast<QComboBox*>(object) : nullptr;
  return box && !box->accessibleName().isEmpty() ? new NamedComboAccessible(box) : nullptr;
}

/// "C:" alone, or a drive list entry such as "c: [/home/me]".
bool IsDriveAlone(const QString& path) {
  return path.size() >= 2 && path.at(1) == u':' &&
         (path.size() == 2 || path.mid(2).startsWith(QStringLiteral(" [")));
}

/// Why native cannot be shown as a folder, or "" when it can.
QString FolderProblem(const QString& native) {
  const QFileInfo info(native);
  if (!info.exists()) return QStringLiteral("The folder does not exist.");
  if (!info.isDir()) return QStringLiteral("It is a file, not a folder.");
  bool readable = info.isReadable();
#ifdef Q_OS_UNIX
  readable = readable && info.isExecutable();  // listing needs search permission too
#endif
  if (!readable) return QStringLiteral("The folder cannot be read.");
  return {};
}

/// The folder names below the drive's root in native, as they are on disk.
QStringList ComponentsBelowRoot(const QString& native, const QString& root) {
  static const QRegularExpression kSeparators(QStringLiteral("[\\\\/]+"));
  return native.mid(root.size()).split(kSeparators, Qt::SkipEmptyParts);
}

}  // namespace

Dialog::Dialog(Shell& shell, const DriveMap& drives, OpenScript openScript, const QString& startFolder)
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      shell_(shell),
      drives_(drives),
      openScript_(std::move(openScript)) {
  setObjectName(QStringLiteral("Dialog"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Select a COG file"));
  setWindowIcon(ProgramIcon());
  setFont(WindowDefaultFont());
  setGeometry(184, 250, 401, 213);
  setFixedSize(401, 213);

  const auto makeButton = [this](const char* name, const QString& caption, const QRect& place) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->installEventFilter(this);
    return button;
  };
  okButton_ = makeButton("OKButton", QStringLiteral("OK"), Twips(4680, 120, 1215, 375));
  cancelButton_ = makeButton("CancelButton", QStringLiteral("Cancel"), Twips(4680, 600, 1215, 375));

  drive1_ = new QComboBox(this);
  // Named before its entries are added: adding one already makes its
  // accessible interface, which keeps the kind it was made as.
  static const bool named = [] {
    QAccessible::installFactory(MakeComboAccessible);
    return true;
  }();
  Q_UNUSED(named);
  drive1_->setAccessibleName(QStringLiteral("Drive"));
  drive1_->view()->setAccessibleName(QStringLiteral("Drives"));
  drive1_->setObjectName(QStringLiteral("Drive1"));
  drive1_->setGeometry(Twips(2040, 120, 2535, 315));
  const QIcon driveIcon = style()->standardIcon(QStyle::SP_DriveHDIcon);
  for (const Drive& d : drives_.drives())
    drive1_->addItem(driveIcon,
                     QStringLiteral("%1: [%2]").arg(d.letter.toLower(), QDir::toNativeSeparators(d.root)));
  // The drive of the folder the chooser starts in when one is given, else
  // the drive the program runs on (the first when none holds its folder).
  const int driveIndex =
      startFolder.isEmpty() ? drives_.DriveHolding(QDir::currentPath()) : drives_.IndexOf(startFolder.at(0));
  if (drive1_->count() > 0) drive1_->setCurrentIndex(std::max(driveIndex, 0));
  drive1Index_ = drive1_->currentIndex();

  dir1_ = new QListWidget(this);
  dir1_->setObjectName(QStringLiteral("Dir1"));
  dir1_->setGeometry(Twips(2040, 480, 2535, 2565));
  dir1_->setItemDelegate(new IndentDelegate(dir1_));

  file1_ = new QListWidget(this);
  file1_->setObjectName(QStringLiteral("File1"));
  file1_->setGeometry(Twips(120, 120, 1815, 3015));
  file1_->setSelectionMode(QAbstractItemView::SingleSelection);
  file1_->installEventFilter(this);

  command1_ = makeButton("Command1", QStringLiteral("JK DIR"), Twips(4680, 1680, 1215, 375));

  SetWindowRole(*this, QAccessible::Dialog);
  // Without names a screen reader reads the two lists by nothing at all.
  dir1_->setAccessibleName(QStringLiteral("Folders"));
  file1_->setAccessibleName(QStringLiteral("COG files"));

  setTabOrder(okButton_, cancelButton_);
  setTabOrder(cancelButton_, drive1_);
  setTabOrder(drive1_, dir1_);
  setTabOrder(dir1_, file1_);
  setTabOrder(file1_, command1_);

  connect(okButton_, &QPushButton::clicked, this, [this] { okClick(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { hide(); });
  connect(command1_, &QPushButton::clicked, this, [this] { setDir1Path(QString::fromLatin1(kGameFolder)); });
  connect(drive1_, &QComboBox::activated, this, [this](int index) { drive1Change(index); });
  connect(dir1_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { setDir1Path(item->data(kPathRole).toString()); });
  // A double click on a file opens it as OK does.
  connect(file1_, &QListWidget::itemDoubleClicked, this, [this] { okClick(); });

  setDir1Path(startFolder.isEmpty() ? QString::fromLatin1(kStartFolder) : startFolder);
}

QString Dialog::dir1Path() const { return dir1Path_; }

bool Dialog::setDir1Path(const QString& path) {
  // A drive alone stands for its root.
  const QString wanted = IsDriveAlone(path) ? path.left(2).toUpper() + u'\\' : path;
  const NativePath native = drives_.ToNative(wanted);
  const QString problem = native.ok() ? FolderProblem(native.path) : native.error;
  if (!problem.isEmpty()) {
    Message box;
    box.text = QStringLiteral("Cannot show the folder %1\n\n%2").arg(wanted, problem);
    box.title = QStringLiteral("VORRIK");
    box.icon = Message::Icon::Warning;
    shell_.showMessageBox(box);
    // A double click may have moved the highlight; it stays on the folder shown.
    for (int row = 0; row < dir1_->count(); ++row)
      if (dir1_->item(row)->data(kPathRole).toString() == dir1Path_) {
        dir1_->setCurrentRow(row);
        break;
      }
    return false;
  }
  // Only a change of the path is a change: the same folder again (named in
  // any spelling) keeps the file list and its selected file.
  const QString before = dir1Path_;
  fillDir1(wanted, native.path);
  if (dir1Path_ != before) dir1Change();
  return true;
}

void Dialog::fillDir1(const QString& path, const QString& native) {
  // Rebuild the path from the disk, so each folder shows as it is named there.
  const QChar letter = path.at(0).toUpper();
  const QString root = drives_.drives()[drives_.IndexOf(letter)].root;  // ToNative found it
  const QStringList components = ComponentsBelowRoot(native, root);

  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  const auto add = [this](const QIcon& icon, const QString& text, const QString& full, qsizetype depth) {
    auto* item = new QListWidgetItem(icon, text, dir1_);
    item->setData(kPathRole, full);
    item->setData(kDepthRole, static_cast<int>(depth));
  };

  dir1_->clear();
  QString full = QString(letter) + QStringLiteral(":\\");
  add(open, full, full, 0);
  for (qsizetype i = 0; i < components.size(); ++i) {
    full = i == 0 ? full + components[i] : full + u'\\' + components[i];
    add(open, components[i], full, i + 1);
  }
  dir1Path_ = full;
  dir1Native_ = native;
  dir1_->setCurrentRow(static_cast<int>(components.size()));

  const QString prefix = full.endsWith(u'\\') ? full : full + u'\\';
  const QStringList subfolders =
      QDir(native).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& name : subfolders) add(closed, name, prefix + name, components.size() + 1);
}

void Dialog::dir1Change() {
  file1_->clear();
  // A leading dot hides nothing from a Windows file list: ".cog", which Save
  // As writes for an empty name, is listed like any other script.
  file1_->addItems(QDir(dir1Native_).entryList({QStringLiteral("*.cog")}, QDir::Files | QDir::Hidden,
                                               QDir::Name | QDir::IgnoreCase));
}

void Dialog::rereadFolder() {
  if (dir1Path_.isEmpty()) return;  // no folder could be shown yet
  const QString chosen = fileName();
  const int shownFrom = file1_->verticalScrollBar()->value();
  fillDir1(dir1Path_, dir1Native_);
  dir1Change();
  const QList<QListWidgetItem*> still = file1_->findItems(chosen, Qt::MatchExactly);
  if (!chosen.isEmpty() && !still.isEmpty()) file1_->setCurrentItem(still.first());
  file1_->verticalScrollBar()->setValue(shownFrom);
}

void Dialog::chooseFile(const QString& path) {
  const qsizetype split = path.lastIndexOf(u'\\');
  if (split < 0 || !setDir1Path(path.left(split))) return;
  // The drive list names the file's drive, as for a chooser made to start there.
  if (const int drive = drives_.IndexOf(path.at(0)); drive >= 0) {
    drive1_->setCurrentIndex(drive);
    drive1Index_ = drive;
  }
  const QList<QListWidgetItem*> found = file1_->findItems(path.mid(split + 1), Qt::MatchExactly);
  if (!found.isEmpty()) file1_->setCurrentItem(found.first());
}

void Dialog::drive1Change(int index) {
  if (index == drive1Index_) return;
  if (setDir1Path(drive1_->itemText(index)))
    drive1Index_ = index;
  else
    drive1_->setCurrentIndex(drive1Index_);  // not a user change: no handling
}

void Dialog::okClick() {
  if (openScript_ && openScript_(dir1Path_, fileName())) hide();
}

QString Dialog::drive() const { return drive1_->currentText(); }

QString Dialog::fileName() const {
  const QList<QListWidgetItem*> selected = file1_->selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->text();
}

bool Dialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (auto* button = qobject_cast<QPushButton*>(watched)) {
        button->click();
        return true;
      }
      if (watched == file1_ && !fileName().isEmpty()) {
        okClick();
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vorrik
