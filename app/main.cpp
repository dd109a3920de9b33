// The desktop program: the main window first, then the data module, then
// the secondary windows; the event loop runs until the main window closes.
#include <QApplication>
#include <QTimer>
#include <memory>

#include "app/ui/main_window.h"
#include "app/ui/secondary_windows.h"
#include "app/ui/translations.h"
#include "data/catalogue.h"
#include "session/session.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Fiscora"));
  // The organisation names the user's settings file (recent files, the
  // folders of the dialogs). No display name: the window manager would add
  // it to a title that already starts with it ("Fiscora — loja.txt").
  QApplication::setOrganizationName(QStringLiteral("Fiscora"));
  fiscora::qt::InstallQtTranslations(app);

  // Declared first so that it outlives the windows bound to its tables.
  std::unique_ptr<fiscora::TdtmCENTRAL> dtmCENTRAL;
  fiscora::qt::Tfrmprincipal frmprincipal(fiscora::DefaultWorkingFolder());
  dtmCENTRAL = std::make_unique<fiscora::TdtmCENTRAL>();
  frmprincipal.SetSecondaryWindows(fiscora::qt::CreateSecondaryWindows(&frmprincipal));
  frmprincipal.AttachData(*dtmCENTRAL);

  frmprincipal.show();
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) {
    const std::string path = args.at(1).toStdString();  // the core takes paths as UTF-8
    QTimer::singleShot(0, &frmprincipal,
                       [&frmprincipal, path] { frmprincipal.ChooseAndVerify(path); });
  }
  return QApplication::exec();
}
