// The user's settings of the desktop program (recent files, the folders of
// the dialogs): an ini file in the user's configuration folder, named after
// the application's organisation and name. The tests point Qt's ini path
// and the organisation name at a folder of their own.
#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <memory>

namespace fiscora::qt {

inline std::unique_ptr<QSettings> OpenUserSettings() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                     QCoreApplication::organizationName(),
                                     QCoreApplication::applicationName());
}

}  // namespace fiscora::qt
