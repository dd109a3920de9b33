#include "app/ui/secondary_windows.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "sped/ui/frm_sped.h"

namespace fiscora::qt {

TfrmOpcaoAliq::TfrmOpcaoAliq(QWidget* parent)
    : SecondaryWindow(parent, "frmOpcaoAliq", QStringLiteral("")) {
  resize(260, 250);
  auto* v = new QVBoxLayout(this);
  auto* heading = new QLabel(QStringLiteral("Selecione uma opção"), this);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  v->addWidget(heading);
  for (const AliquotTableChoice& c : kAliquotTableChoices) {
    auto* b = new QRadioButton(QString::fromUtf8(c.caption), this);
    b->setObjectName(QString::fromLatin1(c.radio));
    v->addWidget(b);
  }
  auto* btn1 = new QPushButton(QStringLiteral("Gerar"), this);
  btn1->setObjectName(QStringLiteral("btn1"));
  v->addWidget(btn1, 0, Qt::AlignRight);
  connect(btn1, &QPushButton::clicked, this, [this] { btn1Click(); });
}

const AliquotTableChoice* TfrmOpcaoAliq::Chosen() const {
  for (const AliquotTableChoice& c : kAliquotTableChoices) {
    auto* b = findChild<QRadioButton*>(QString::fromLatin1(c.radio));
    if (b && b->isChecked()) return &c;
  }
  return nullptr;
}

void TfrmOpcaoAliq::btn1Click() {
  if (action_) action_(Chosen());
  accept();
}

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
