#include "app/kit/recent_files.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>

namespace fiscora::qt {

namespace {

// The same file however it was named.
QString Normalised(const QString& path) {
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool SameFile(const QString& a, const QString& b) {
#ifdef Q_OS_WIN
  return a.compare(b, Qt::CaseInsensitive) == 0;
#else
  return a == b;
#endif
}

const char kPathProperty[] = "fiscora_path";

}  // namespace

QStringList RecentFiles::paths() const {
  QStringList list = settings_.value(key_).toStringList();
  if (list.size() > kCapacity) list.erase(list.begin() + kCapacity, list.end());
  return list;
}

void RecentFiles::Store(const QStringList& list) {
  settings_.setValue(key_, list);
  settings_.sync();
}

void RecentFiles::Add(const QString& path) {
  if (path.isEmpty()) return;
  const QString file = Normalised(path);
  QStringList list = paths();
  list.removeIf([&file](const QString& p) { return SameFile(p, file); });
  list.prepend(file);
  while (list.size() > kCapacity) list.removeLast();
  Store(list);
}

void RecentFiles::Remove(const QString& path) {
  const QString file = Normalised(path);
  QStringList list = paths();
  list.removeIf([&file](const QString& p) { return SameFile(p, file); });
  Store(list);
}

RecentFilesMenu::RecentFilesMenu(RecentFiles& files, QWidget* parent, const char* name)
    : QMenu(parent), files_(files) {
  setObjectName(QString::fromLatin1(name));
  setToolTipsVisible(true);
  connect(this, &QMenu::aboutToShow, this, &RecentFilesMenu::Refill);
}

void RecentFilesMenu::Refill() {
  clear();
  const QStringList list = files_.paths();
  if (list.isEmpty()) {
    addAction(QStringLiteral("(nenhum arquivo recente)"))->setEnabled(false);
    return;
  }
  int n = 0;
  for (const QString& path : list) {
    const QFileInfo info(path);
    const bool exists = info.isFile();
    QString text = QStringLiteral("&%1  %2   (%3)")
                       .arg(++n % 10)
                       .arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()));
    if (!exists) text += QStringLiteral(" - não encontrado");
    QAction* a = addAction(text);
    a->setToolTip(QDir::toNativeSeparators(path));
    a->setProperty(kPathProperty, path);
    a->setEnabled(exists);
    connect(a, &QAction::triggered, this, [this, path] { emit chosen(path); });
  }
}

void RecentFilesMenu::mouseReleaseEvent(QMouseEvent* event) {
  // A disabled entry triggers nothing: a click on it reports the missing file.
  QAction* a = actionAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && a && !a->isEnabled() &&
      a->property(kPathProperty).isValid()) {
    const QString path = a->property(kPathProperty).toString();
    close();
    emit missing(path);
    return;
  }
  QMenu::mouseReleaseEvent(event);
}

}  // namespace fiscora::qt
