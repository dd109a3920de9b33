// The secondary windows, created once at start after the data module and
// kept until the program ends; the main window shows them. Each keeps its
// state between showings.
#pragma once

#include "app/ui/secondary_window.h"
#include "sped/ui/notes_window.h"

namespace fiscora::qt {

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

class Tfrm_auditar : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit Tfrm_auditar(QWidget* parent);
};

// The SPED merge window (sped/ui/frm_sped.h).
class Tfrm_sped;

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
