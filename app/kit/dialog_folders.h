// The folder each kind of file dialog opens in: the one last used for that
// kind (SINTEGRA files, inventories, SPED files, output folders,
// spreadsheets, saved messages), kept in the user's settings; on the first
// run, or when that folder is gone, the user's documents folder.
#pragma once

#include <QSettings>
#include <QString>

#include "session/user_interface.h"

namespace fiscora::qt {

class DialogFolders {
 public:
  explicit DialogFolders(QSettings& settings) : settings_(settings) {}

  // The folder a dialog of `kind` opens in. kAny: `given` as the caller
  // named it ("%HomePath%/Desktop" expanded), nothing remembered.
  QString FolderFor(FileKind kind, const QString& given = {}) const;
  // A file chosen in a dialog of `kind`: its folder is remembered. For a
  // folder dialog pass the folder itself with is_folder set.
  void Remember(FileKind kind, const QString& chosen, bool is_folder = false);

  static QString DocumentsFolder();
  // The settings key of a kind ("pastas/sintegra"); empty for kAny.
  static QString Key(FileKind kind);

 private:
  QSettings& settings_;
};

}  // namespace fiscora::qt
