#include "app/kit/file_drop.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace fiscora::qt {

namespace {

class FileDropFilter : public QObject {
 public:
  FileDropFilter(QObject* parent, std::function<void(const QString&)> on_file, QStringList suffixes)
      : QObject(parent), on_file_(std::move(on_file)), suffixes_(std::move(suffixes)) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (DroppedFile(drag->mimeData(), suffixes_).isEmpty()) return false;
        drag->acceptProposedAction();
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = DroppedFile(drop->mimeData(), suffixes_);
        if (path.isEmpty()) return false;
        drop->acceptProposedAction();
        on_file_(path);
        return true;
      }
      default:
        return false;
    }
  }

 private:
  std::function<void(const QString&)> on_file_;
  QStringList suffixes_;
};

}  // namespace

QString DroppedFile(const QMimeData* mime, const QStringList& suffixes) {
  if (!mime || !mime->hasUrls()) return {};
  const QList<QUrl> urls = mime->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  const QString path = urls.front().toLocalFile();
  if (!suffixes.isEmpty() && !suffixes.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive))
    return {};
  return path;
}

void AcceptFileDrops(QWidget* target, std::function<void(const QString&)> on_file,
                     QStringList suffixes) {
  auto* filter = new FileDropFilter(target, std::move(on_file), std::move(suffixes));
  target->setAcceptDrops(true);
  target->installEventFilter(filter);
  for (QWidget* child : target->findChildren<QWidget*>())
    if (child->acceptDrops()) child->installEventFilter(filter);
}

}  // namespace fiscora::qt
