#include "app/ui/secondary_window.h"

namespace fiscora::qt {

SecondaryWindow::SecondaryWindow(QWidget* parent, const char* name, const QString& caption)
    : QDialog(parent) {
  setObjectName(QString::fromLatin1(name));
  setWindowTitle(caption);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  resize(640, 420);
}

}  // namespace fiscora::qt
