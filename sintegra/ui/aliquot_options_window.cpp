#include "sintegra/ui/aliquot_options_window.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

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

}  // namespace fiscora::qt
