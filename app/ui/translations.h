// Qt's own texts (the file and print dialogs, the standard buttons, the print
// preview) in Portuguese (Brazil), whatever the system's language: the
// program speaks Portuguese only.
#pragma once

class QCoreApplication;
class QTranslator;

namespace fiscora::qt {

// Loads qtbase_pt_BR.qm from Qt's translations folder and installs it on
// `app`; the translator (owned by `app`), or nullptr when the file is
// missing (the texts then stay Qt's English ones).
QTranslator* InstallQtTranslations(QCoreApplication& app);

}  // namespace fiscora::qt
