// The files last chosen, newest first, kept in the user's settings: one
// list for SINTEGRA files ("recentes/sintegra"), one for SPED files
// ("recentes/sped"). RecentFilesMenu shows a list under a button.
#pragma once

#include <QMenu>
#include <QSettings>
#include <QString>
#include <QStringList>

namespace fiscora::qt {

class RecentFiles {
 public:
  static constexpr int kCapacity = 10;
  static QString SintegraKey() { return QStringLiteral("recentes/sintegra"); }
  static QString SpedKey() { return QStringLiteral("recentes/sped"); }

  RecentFiles(QSettings& settings, QString key) : settings_(settings), key_(std::move(key)) {}

  // Newest first, at most kCapacity.
  QStringList paths() const;
  // The file goes to the front; an earlier entry for the same file goes
  // away; the oldest beyond kCapacity are dropped.
  void Add(const QString& path);
  void Remove(const QString& path);
  void Clear() { Store({}); }

 private:
  void Store(const QStringList& paths);

  QSettings& settings_;
  QString key_;
};

// A menu of the recent files, filled each time it opens: one entry per
// file, its name and folder; a file that no longer exists is shown
// disabled, and a click on it reports it through `missing` (the owner
// removes it and says so). An empty list shows one disabled entry.
class RecentFilesMenu : public QMenu {
  Q_OBJECT

 public:
  RecentFilesMenu(RecentFiles& files, QWidget* parent, const char* name);

  // Fills the menu from the list as it is now (also done on opening).
  void Refill();

 signals:
  void chosen(const QString& path);
  void missing(const QString& path);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  RecentFiles& files_;
};

}  // namespace fiscora::qt
