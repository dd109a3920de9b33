#include "audit/ui/frm_auditar.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <exception>

#include "app/ui/ui_text.h"
#include "audit/audit_sheet.h"
#include "audit/audit_window.h"
#include "data/display.h"
#include "session/session.h"

namespace fiscora::qt {

namespace {

template <class W>
W* Named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

// The busy picture: a small bar that runs while its loader does.
QProgressBar* BusyPictureWidget(QWidget* parent, const char* name) {
  auto* p = Named(new QProgressBar(parent), name);
  p->setFixedSize(24, 24);
  p->setTextVisible(false);
  p->setRange(0, 1);
  return p;
}

void ShowPicture(QProgressBar* p, const BusyPicture& state) {
  p->setVisible(state.visible);
  if (state.animated)
    p->setRange(0, 0);  // indeterminate: animated
  else
    p->setRange(0, 1);
}

// The display text of the "soma" total of an inventory table.
QString Total(const ClientTable& table) {
  for (int a = 0; a < table.AggregateCount(); ++a)
    if (table.def().aggregates[static_cast<size_t>(a)].name == "soma")
      return UiText(AggregateDisplayText(table, a));
  return {};
}

}  // namespace

Tfrm_auditar::Tfrm_auditar(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frm_auditar"));
  setWindowTitle(QStringLiteral("Auditoria"));
  // Fixed border, system menu and minimise only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  auto* root = new QVBoxLayout(this);
  auto* title = Named(new QLabel(QStringLiteral("AUDITAR"), this), "Label1");
  QFont big = title->font();
  big.setPointSize(big.pointSize() + 10);
  big.setBold(true);
  title->setFont(big);
  title->setAlignment(Qt::AlignCenter);
  root->addWidget(title);

  auto* form = new QGridLayout;
  root->addLayout(form);
  int row = 0;
  form->addWidget(Named(new QLabel(QStringLiteral("Markup:"), this), "lbl3"), row, 0);
  edt_markup_ = Named(new QLineEdit(QStringLiteral("1,5"), this), "edt_markup");
  edt_markup_->setMaximumWidth(80);
  form->addWidget(edt_markup_, row++, 1, Qt::AlignLeft);

  const auto file_row = [&](QLineEdit*& edit, const char* edit_name, QPushButton*& button,
                            const char* button_name, QProgressBar* picture) {
    edit = Named(new QLineEdit(this), edit_name);
    edit->setMinimumWidth(360);
    button = Named(new QPushButton(QStringLiteral("Abrir"), this), button_name);
    form->addWidget(edit, row, 0, 1, 2);
    form->addWidget(button, row, 2);
    if (picture) form->addWidget(picture, row, 3);
    ++row;
  };
  img_ini_ = BusyPictureWidget(this, "img_ini");
  img_fim_ = BusyPictureWidget(this, "img_fim");
  img_sintegra_ = BusyPictureWidget(this, "img_sintegra");
  file_row(edt_inv_ini_, "edt_inv_ini", btn_abrir_inv_ini_, "btn_abrir_inv_ini", img_ini_);
  form->addWidget(Named(new QLabel(QStringLiteral("Inventario inicial:  R$"), this), "lbl1"), row,
                  0);
  dbtxt_inv_ini_ = Named(new QLabel(this), "dbtxt_inv_ini");
  form->addWidget(dbtxt_inv_ini_, row++, 1);
  file_row(edt_inv_fim_, "edt_inv_fim", btn_abrir_inv_fim_, "btn_abrir_inv_fim", img_fim_);
  edt_inv_fim_->setEnabled(false);
  form->addWidget(Named(new QLabel(QStringLiteral("Inventario final:  R$"), this), "lbl2"), row, 0);
  dbtxt_inv_fim_ = Named(new QLabel(this), "dbtxt_inv_fim");
  form->addWidget(dbtxt_inv_fim_, row++, 1);
  file_row(edt_sintegra_, "edt_sintegra", btn_abrir_sintegra_, "btn_abrir_sintegra", nullptr);
  edt_sintegra_->setEnabled(false);
  btn_incluir_sintegra_ =
      Named(new QPushButton(QStringLiteral("Icluir"), this), "btn_incluir_sintegra");
  form->addWidget(btn_incluir_sintegra_, row, 2);
  form->addWidget(img_sintegra_, row++, 3);

  auto* grp = Named(new QGroupBox(QStringLiteral("    Arquivos já incluidos    "), this), "grp1");
  auto* periods = new QGridLayout(grp);
  for (int i = 0; i < 12; ++i) {
    const std::string name = "lbl_per" + std::to_string(i + 1);
    lbl_per_[i] = Named(new QLabel(QString::fromLatin1(AuditState::kFreeSlot), grp), name.c_str());
    periods->addWidget(lbl_per_[i], i % 6, i / 6);  // 1 to 6 left, 7 to 12 right
  }
  root->addWidget(grp);

  btn_excel_ = Named(new QPushButton(QStringLiteral("Salvar em Excel"), this), "btn_excel");
  root->addWidget(btn_excel_, 0, Qt::AlignHCenter);
  progress_ = Named(new QProgressBar(this), "progress");
  progress_->hide();
  root->addWidget(progress_);
  setFixedSize(sizeHint());

  connect(edt_markup_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (s_) s_->audit.edt_markup = CoreText(t);
  });
  connect(edt_inv_ini_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (s_) s_->audit.edt_inv_ini = CoreText(t);
  });
  connect(btn_abrir_inv_ini_, &QPushButton::clicked, this, [this] { Run(btn_abrir_inv_iniClick); });
  connect(btn_abrir_inv_fim_, &QPushButton::clicked, this, [this] { Run(btn_abrir_inv_fimClick); });
  connect(btn_abrir_sintegra_, &QPushButton::clicked, this,
          [this] { Run(btn_abrir_sintegraClick); });
  connect(btn_incluir_sintegra_, &QPushButton::clicked, this,
          [this] { Run(btn_incluir_sintegraClick); });
  connect(btn_excel_, &QPushButton::clicked, this, [this] { Run(btn_excelClick); });
  Refresh();
  if (QScreen* sc = screen()) move(sc->availableGeometry().center() - rect().center());
}

Tfrm_auditar::~Tfrm_auditar() {
  if (s_) s_->audit.changed = nullptr;
}

void Tfrm_auditar::Attach(Session& s) {
  s_ = &s;
  s.audit.changed = [this] { Refresh(); };
  Refresh();
}

void Tfrm_auditar::Run(void (*routine)(Session&)) {
  if (!s_) return;
  // The export breathes while it walks the audit table: no other click of
  // this window may start meanwhile.
  setEnabled(false);
  try {
    routine(*s_);
  } catch (const std::exception& e) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Fiscora"), UiText(e.what()),
                    QMessageBox::Ok, this);
    box.exec();
  }
  setEnabled(true);
  Refresh();
}

void Tfrm_auditar::Refresh() {
  if (!s_) return;
  const AuditState& a = s_->audit;
  const auto text = [](QLineEdit* e, const std::string& s) {
    if (e->text() != UiText(s)) e->setText(UiText(s));
  };
  text(edt_markup_, a.edt_markup);
  text(edt_inv_ini_, a.edt_inv_ini);
  text(edt_inv_fim_, a.edt_inv_fim);
  text(edt_sintegra_, a.edt_sintegra);
  const struct {
    QPushButton* widget;
    const AuditButton& state;
  } buttons[] = {{btn_abrir_inv_ini_, a.btn_abrir_inv_ini},
                 {btn_abrir_inv_fim_, a.btn_abrir_inv_fim},
                 {btn_abrir_sintegra_, a.btn_abrir_sintegra},
                 {btn_incluir_sintegra_, a.btn_incluir_sintegra},
                 {btn_excel_, a.btn_excel}};
  for (const auto& b : buttons) b.widget->setEnabled(a.Usable(b.state));
  ShowPicture(img_ini_, a.img_ini);
  ShowPicture(img_fim_, a.img_fim);
  ShowPicture(img_sintegra_, a.img_sintegra);
  for (int i = 0; i < 12; ++i) lbl_per_[i]->setText(UiText(a.lbl_per[static_cast<size_t>(i)]));
  progress_->setVisible(a.progress_visible);
  progress_->setRange(0, a.progress_max > 0 ? a.progress_max : 1);
  progress_->setValue(a.progress_position);
  // The totals are read only while no loader writes their tables.
  if (!a.Busy()) {
    dbtxt_inv_ini_->setText(Total(s_->dtm.cds_inv_ini));
    dbtxt_inv_fim_->setText(Total(s_->dtm.cds_inv_fim));
  }
  if (a.Busy() != running_) {
    running_ = a.Busy();
    emit loaderRunningChanged(running_);
  }
}

}  // namespace fiscora::qt
