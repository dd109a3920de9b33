#include "app/kit/secondary_window.h"

#include "app/kit/tab_order.h"

namespace fiscora::qt {

SecondaryWindow::SecondaryWindow(QWidget* parent, const char* name, const QString& caption)
    : QDialog(parent) {
  setObjectName(QString::fromLatin1(name));
  setWindowTitle(caption);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  resize(640, 420);
  // Esc closes a dialog (QDialog); Tab goes through it in reading order.
  KeepReadingTabOrder(this);
}

}  // namespace fiscora::qt
