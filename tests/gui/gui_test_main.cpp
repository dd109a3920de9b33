// The GUI tests run without a display: the offscreen platform unless the
// environment names another, one QApplication for all tests. The user's
// settings of the program go to an ini file in a temporary folder under a
// test organisation name: the tests never touch the real settings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("FiscoraTest"));
  QApplication::setApplicationName(QStringLiteral("fiscora-gui-tests"));
  QTemporaryDir settings_folder;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_folder.path());
  return RUN_ALL_TESTS();
}
