#include "app/ui/secondary_windows.h"

#include "sped/ui/frm_sped.h"

namespace fiscora::qt {

SecondaryWindows CreateSecondaryWindows(QWidget* parent) {
  SecondaryWindows w;
  w.frmTipo_arq = new TfrmTipo_arq(parent);
  w.frm_cfop = new Tfrm_cfop(parent);
  w.frm_auditar = new Tfrm_auditar(parent);
  w.frm_sped = new Tfrm_sped(parent);
  w.frm_notas_sped = new Tfrm_notas_sped(parent);
  w.frmOpcaoAliq = new TfrmOpcaoAliq(parent);
  w.frmDifNota = new TfrmDifNota(parent);
  w.frmResumoNota = new TfrmResumoNota(parent);
  w.frmResumoFiscal = new TfrmResumoFiscal(parent);
  w.frmDifal = new TfrmDifal(parent);
  w.frmLote = new TfrmLote(parent);
  w.frmConciliacaoXml = new TfrmConciliacaoXml(parent);
  return w;
}

}  // namespace fiscora::qt
