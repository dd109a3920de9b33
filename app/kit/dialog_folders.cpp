#include "app/kit/dialog_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/kit/controls.h"

namespace fiscora::qt {

QString DialogFolders::Key(FileKind kind) {
  switch (kind) {
    case FileKind::kSintegra:
      return QStringLiteral("pastas/sintegra");
    case FileKind::kInventory:
      return QStringLiteral("pastas/inventario");
    case FileKind::kSped:
      return QStringLiteral("pastas/sped");
    case FileKind::kOutputFolder:
      return QStringLiteral("pastas/saida");
    case FileKind::kSpreadsheet:
      return QStringLiteral("pastas/planilhas");
    case FileKind::kText:
      return QStringLiteral("pastas/texto");
    case FileKind::kAny:
      break;
  }
  return {};
}

QString DialogFolders::DocumentsFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return documents.isEmpty() ? QDir::homePath() : documents;
}

QString DialogFolders::FolderFor(FileKind kind, const QString& given) const {
  const QString key = Key(kind);
  if (key.isEmpty()) return ExpandFolder(given);
  const QString last = settings_.value(key).toString();
  if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
  return DocumentsFolder();
}

void DialogFolders::Remember(FileKind kind, const QString& chosen, bool is_folder) {
  const QString key = Key(kind);
  if (key.isEmpty() || chosen.isEmpty()) return;
  const QFileInfo info(chosen);
  settings_.setValue(key, is_folder ? info.absoluteFilePath() : info.absolutePath());
}

}  // namespace fiscora::qt
