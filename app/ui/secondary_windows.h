// The secondary windows, created once at start after the data module and
// kept until the program ends; the main window shows them. Each keeps its
// state between showings.
#pragma once

#include "app/kit/secondary_window.h"
#include "app/ui/batch_window.h"
#include "audit/ui/frm_auditar.h"
#include "nfe/ui/xml_window.h"
#include "sintegra/ui/aliquot_options_window.h"
#include "sintegra/ui/file_type_window.h"
#include "sintegra/ui/note_windows.h"
#include "sintegra/ui/summary_windows.h"
#include "sped/ui/notes_window.h"

namespace fiscora::qt {

// The SPED merge window (sped/ui/frm_sped.h).
class Tfrm_sped;

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
  TfrmLote* frmLote = nullptr;
  TfrmConciliacaoXml* frmConciliacaoXml = nullptr;
};

// Creates the secondary windows, children of `parent`, in their order.
SecondaryWindows CreateSecondaryWindows(QWidget* parent);

}  // namespace fiscora::qt
