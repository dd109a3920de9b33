#include "sintegra/ui/file_type_window.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace fiscora::qt {

TfrmTipo_arq::TfrmTipo_arq(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmTipo_arq"));
  setWindowTitle(QStringLiteral("Escolha o tipo do arquivo"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* root = new QVBoxLayout(this);
  auto* group =
      new QGroupBox(QStringLiteral("   Selecione o tipo de arquivo a modificar:   "), this);
  group->setObjectName(QStringLiteral("GroupBox1"));
  auto* buttons = new QVBoxLayout(group);
  const auto radio = [group, buttons](const char* name, const QString& caption) {
    auto* b = new QRadioButton(caption, group);
    b->setObjectName(QString::fromLatin1(name));
    buttons->addWidget(b);
    return b;
  };
  rbtnNormal_ = radio("rbtnNormal", QStringLiteral("1 - Normal"));
  rbtnTotal_ = radio("rbtnTotal", QStringLiteral("2 - RetificaçãoTotal"));
  rbtnAditiva_ = radio("rbtnAditiva", QStringLiteral("3 - Retificação Aditiva"));
  rbtnDesfazimento_ = radio("rbtnDesfazimento", QStringLiteral("5 - Desfazimento"));
  root->addWidget(group);

  auto* confirm = new QPushButton(QStringLiteral("Confirmar"), this);
  confirm->setObjectName(QStringLiteral("Button1"));
  confirm->setAutoDefault(false);
  root->addWidget(confirm, 0, Qt::AlignHCenter);
  connect(confirm, &QPushButton::clicked, this, &TfrmTipo_arq::Button1Click);

  // A fixed border, centred on the desktop.
  adjustSize();
  setFixedSize(qMax(width(), 300), height());
  if (QScreen* s = QGuiApplication::primaryScreen())
    move(s->availableGeometry().center() - rect().center());
}

char TfrmTipo_arq::SelectedCode() const {
  if (rbtnNormal_->isChecked()) return '1';
  if (rbtnTotal_->isChecked()) return '2';
  if (rbtnAditiva_->isChecked()) return '3';
  return '5';
}

void TfrmTipo_arq::Button1Click() {
  if (!confirm_ || confirm_(SelectedCode())) accept();
}

}  // namespace fiscora::qt
