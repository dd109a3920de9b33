// Files dropped on a window: one line makes a window take them,
//
//   AcceptFileDrops(this, [this](const QString& path) { ... });
//
// A drag of exactly one local file is accepted over the window and over its
// controls that take drops of their own (an edit box would otherwise paste
// the file's address); `on_file` gets the file's path. With `suffixes`
// ("txt"), only files ending so are accepted (letter case ignored).
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QMimeData;
class QWidget;

namespace fiscora::qt {

void AcceptFileDrops(QWidget* target, std::function<void(const QString& path)> on_file,
                     QStringList suffixes = {});

// The one local file a drag carries, empty when it carries none, several or
// a file of another suffix.
QString DroppedFile(const QMimeData* mime, const QStringList& suffixes = {});

}  // namespace fiscora::qt
