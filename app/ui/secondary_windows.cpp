#include "app/ui/secondary_windows.h"

namespace fiscora::qt {

SecondaryWindow::SecondaryWindow(QWidget* parent, const char* name, const QString& caption)
    : QDialog(parent) {
  setObjectName(QString::fromLatin1(name));
  setWindowTitle(caption);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  resize(640, 420);
}

TfrmTipo_arq::TfrmTipo_arq(QWidget* parent)
    : SecondaryWindow(parent, "frmTipo_arq", QStringLiteral("Escolha o tipo do arquivo")) {}

Tfrm_cfop::Tfrm_cfop(QWidget* parent)
    : SecondaryWindow(parent, "frm_cfop", QStringLiteral("Resumo de CFOP")) {}

Tfrm_sped::Tfrm_sped(QWidget* parent)
    : SecondaryWindow(parent, "frm_sped", QStringLiteral("Mesclagem de SPED")) {}

Tfrm_notas_sped::Tfrm_notas_sped(QWidget* parent)
    : SecondaryWindow(parent, "frm_notas_sped", QStringLiteral("Analisar notas SPED")) {}

TfrmOpcaoAliq::TfrmOpcaoAliq(QWidget* parent)
    : SecondaryWindow(parent, "frmOpcaoAliq", QStringLiteral("")) {}

TfrmDifNota::TfrmDifNota(QWidget* parent)
    : SecondaryWindow(parent, "frmDifNota", QStringLiteral("Análise de notas fiscais")) {}

TfrmResumoNota::TfrmResumoNota(QWidget* parent)
    : SecondaryWindow(parent, "frmResumoNota", QStringLiteral("Resuno de nota fiscal")) {}

TfrmResumoFiscal::TfrmResumoFiscal(QWidget* parent)
    : SecondaryWindow(parent, "frmResumoFiscal", QStringLiteral("Resumo Fiscal")) {}

TfrmDifal::TfrmDifal(QWidget* parent)
    : SecondaryWindow(parent, "frmDifal", QStringLiteral("Notas candidatas ao DIFAL")) {}

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
  return w;
}

}  // namespace fiscora::qt
