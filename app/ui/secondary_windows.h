// The secondary windows, created once at start after the data module and
// kept until the program ends; the main window shows them. Each keeps its
// state between showings.
#pragma once

#include <QDialog>

#include "audit/ui/frm_auditar.h"

namespace fiscora::qt {

// A secondary window: object name and caption fixed by its class.
class SecondaryWindow : public QDialog {
  Q_OBJECT

 public:
  SecondaryWindow(QWidget* parent, const char* name, const QString& caption);
};

class TfrmTipo_arq : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmTipo_arq(QWidget* parent);
};

class Tfrm_cfop : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit Tfrm_cfop(QWidget* parent);
};

class Tfrm_sped : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit Tfrm_sped(QWidget* parent);
};

class Tfrm_notas_sped : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit Tfrm_notas_sped(QWidget* parent);
};

class TfrmOpcaoAliq : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmOpcaoAliq(QWidget* parent);
};

class TfrmDifNota : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmDifNota(QWidget* parent);
};

class TfrmResumoNota : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmResumoNota(QWidget* parent);
};

class TfrmResumoFiscal : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmResumoFiscal(QWidget* parent);
};

class TfrmDifal : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmDifal(QWidget* parent);
};

// Every secondary window, in the order the program creates them.
struct SecondaryWindows {
  TfrmTipo_arq* frmTipo_arq = nullptr;
  Tfrm_cfop* frm_cfop = nullptr;
  Tfrm_auditar* frm_auditar = nullptr;
  Tfrm_sped* frm_sped = nullptr;
  Tfrm_notas_sped* frm_notas_sped = nullptr;
  TfrmOpcaoAliq* frmOpcaoAliq = nullptr;
  TfrmDifNota* frmDifNota = nullptr;
  TfrmResumoNota* frmResumoNota = nullptr;
  TfrmResumoFiscal* frmResumoFiscal = nullptr;
  TfrmDifal* frmDifal = nullptr;
};

// Creates the secondary windows, children of `parent`, in their order.
SecondaryWindows CreateSecondaryWindows(QWidget* parent);

}  // namespace fiscora::qt
