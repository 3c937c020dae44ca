#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QWidget;

namespace vorrik {

/// Takes files dragged from the desktop's file manager onto a window: a drag
/// that carries local files or folders is accepted as a copy wherever it is
/// over the window, and once the drop is over onDrop gets their native
/// paths. Any other drag (plain text) is left to the widget it is over.
class FileDrop : public QObject {
 public:
  FileDrop(QWidget& window, std::function<void(const QStringList& nativePaths)> onDrop);

  /// Takes the file drags over widget too, which would take them itself
  /// (an edit box would insert the path as text).
  void watch(QWidget& widget);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(const QStringList&)> onDrop_;
};

}  // namespace vorrik
