// What the main window offers as a desktop program beyond its controls: the
// chosen file's name on the title bar, files dropped on the window, the
// recent files under "Arquivo" (a small menu button beside it), the folder
// each kind of dialog opens in, the keys Ctrl+O ("Arquivo") and F5
// ("Verificar"), and the tab order in reading order. The user's settings
// (user_settings.h) keep the recent files and the folders.
#pragma once

#include <QObject>
#include <QSettings>
#include <QString>
#include <memory>
#include <optional>
#include <string>

#include "app/kit/dialog_folders.h"
#include "app/kit/recent_files.h"

class QToolButton;

namespace fiscora::qt {

class Tfrmprincipal;

class DesktopFeatures : public QObject {
  Q_OBJECT

 public:
  // Built at the end of the main window's creation: adds the recent-files
  // button beside "Arquivo" and takes drops and the tab order over.
  explicit DesktopFeatures(Tfrmprincipal& window);
  ~DesktopFeatures() override;

  DialogFolders& folders() { return folders_; }
  RecentFiles& recent_sintegra() { return recent_sintegra_; }
  RecentFiles& recent_sped() { return recent_sped_; }
  RecentFilesMenu& recent_menu() { return *menu_; }

  // A file chosen without the dialog (dropped, picked from the recent
  // files): the reset of "Arquivo", then the steps after its dialog.
  void ChooseFile(const QString& path);
  // After every choice of the SINTEGRA file: an existing file in edtarq
  // goes on the title bar and to the front of the recent files, its folder
  // is remembered; otherwise the title is the program's name alone.
  void FileChoiceEnded();
  // The file in edtarq on the title bar as soon as it is there (also while
  // the routine that put it there still runs); the name alone otherwise.
  void ShowFileInTitle();
  // A file the SINTEGRA check refused leaves the recent files.
  void FileRefused(const QString& path);
  // Ctrl+O and F5 pressed in the main window: true when the key was taken.
  bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
  // Where to save a long message: a save dialog in the folder of saved
  // texts, offering "<file> - mensagem.txt".
  std::optional<QString> ChooseMessageFile(QWidget* parent);

  // "Fiscora — loja_03-2025.txt"; "Fiscora" for an empty path.
  static QString TitleFor(const QString& path);

 private:
  void MissingRecentFile(const QString& path);

  Tfrmprincipal& window_;
  std::unique_ptr<QSettings> settings_;
  DialogFolders folders_;
  RecentFiles recent_sintegra_;
  RecentFiles recent_sped_;
  RecentFilesMenu* menu_ = nullptr;
  QToolButton* recent_button_ = nullptr;
};

}  // namespace fiscora::qt
