// The base of the secondary windows: a dialog whose object name and caption
// are fixed by its class, created once at start and kept until the end.
#pragma once

#include <QDialog>

namespace fiscora::qt {

class SecondaryWindow : public QDialog {
  Q_OBJECT

 public:
  SecondaryWindow(QWidget* parent, const char* name, const QString& caption);
};

}  // namespace fiscora::qt
