#include "ui/file_drop.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <utility>

namespace vorrik {

namespace {

/// The local files and folders that a drag carries, as native paths.
QStringList DraggedPaths(const QMimeData* mime) {
  QStringList paths;
  if (!mime || !mime->hasUrls()) return paths;
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) paths << QDir::toNativeSeparators(url.toLocalFile());
  return paths;
}

}  // namespace

FileDrop::FileDrop(QWidget& window, std::function<void(const QStringList&)> onDrop)
    : QObject(&window), onDrop_(std::move(onDrop)) {
  window.setAcceptDrops(true);
  window.installEventFilter(this);
}

void FileDrop::watch(QWidget& widget) { widget.installEventFilter(this); }

bool FileDrop::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
    return QObject::eventFilter(watched, event);
  // A drag enter and a drag move are drop events too.
  auto* drag = static_cast<QDropEvent*>(event);
  const QStringList paths = DraggedPaths(drag->mimeData());
  if (paths.isEmpty()) return false;
  if (drag->possibleActions() & Qt::CopyAction) drag->setDropAction(Qt::CopyAction);
  drag->accept();
  // Taken once the drop is over: a question asked inside it would hold up
  // the program the files came from.
  if (type == QEvent::Drop) QTimer::singleShot(0, this, [this, paths] { onDrop_(paths); });
  return true;
}

}  // namespace vorrik
