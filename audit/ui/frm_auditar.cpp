#include "audit/ui/frm_auditar.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>
#include <exception>
#include <utility>

#include "app/kit/ui_text.h"
#include "audit/audit_sheet.h"
#include "audit/audit_window.h"
#include "audit/efd_sheet.h"
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

// The list widget showing these texts (rebuilt only when they changed).
void ShowList(QListWidget* list, const std::vector<std::string>& items) {
  QStringList texts;
  for (const std::string& i : items) texts << UiText(i);
  QStringList shown;
  for (int r = 0; r < list->count(); ++r) shown << list->item(r)->text();
  if (shown == texts) return;
  list->clear();
  list->addItems(texts);
}

// The display text of the "soma" total of an inventory table.
QString Total(const ClientTable& table) {
  for (int a = 0; a < table.AggregateCount(); ++a)
    if (table.def().aggregates[static_cast<size_t>(a)].name == "soma")
      return UiText(AggregateDisplayText(table, a));
  return {};
}

}  // namespace

Tfrm_auditar::Tfrm_auditar(QWidget* parent)
    : QDialog(parent),
      // No other click of this window starts while a routine runs.
      runner_([this] { setEnabled(false); },
              [this] {
                setEnabled(true);
                Refresh();
              }) {
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

  // The source of the audit, one per audit.
  auto* source = new QHBoxLayout;
  source->addWidget(Named(new QLabel(QStringLiteral("Origem dos dados:"), this), "lbl_origem"));
  rb_sintegra_ = Named(new QRadioButton(QStringLiteral("SINTEGRA"), this), "rb_sintegra");
  rb_efd_ = Named(new QRadioButton(QStringLiteral("EFD ICMS/IPI e XML"), this), "rb_efd");
  rb_sintegra_->setChecked(true);
  auto* source_group = new QButtonGroup(this);
  source_group->addButton(rb_sintegra_);
  source_group->addButton(rb_efd_);
  source->addWidget(rb_sintegra_);
  source->addWidget(rb_efd_);
  source->addStretch();
  form->addLayout(source, row++, 0, 1, 4);

  // The SINTEGRA steps sit on a panel of their own, shown for that source.
  pnl_sintegra_ = Named(new QWidget(this), "pnl_sintegra");
  auto* sintegra_form = new QGridLayout(pnl_sintegra_);
  sintegra_form->setContentsMargins(0, 0, 0, 0);
  form->addWidget(pnl_sintegra_, row++, 0, 1, 4);
  QGridLayout* const outer_form = form;
  form = sintegra_form;
  const int sintegra_row = row;
  row = 0;

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
  form = outer_form;
  row = sintegra_row;

  // The EFD side: the files, the XML inputs, the IND_MOV 1 choice, "Auditar".
  pnl_efd_ =
      Named(new QGroupBox(QStringLiteral("Arquivos EFD ICMS/IPI e XML das NF-e"), this), "pnl_efd");
  auto* efd = new QGridLayout(pnl_efd_);
  int efd_row = 0;
  const auto efd_button = [&](const char* caption, const char* name) {
    auto* b = Named(new QPushButton(QString::fromUtf8(caption), pnl_efd_), name);
    efd_buttons_ << b;
    return b;
  };
  const auto efd_file = [&](const char* caption, QLineEdit*& edit, const char* edit_name,
                            QPushButton* button) {
    efd->addWidget(new QLabel(QString::fromUtf8(caption), pnl_efd_), efd_row++, 0, 1, 3);
    edit = Named(new QLineEdit(pnl_efd_), edit_name);
    edit->setMinimumWidth(360);
    efd->addWidget(edit, efd_row, 0, 1, 2);
    efd->addWidget(button, efd_row++, 2);
  };
  auto* btn_inv_ini = efd_button("Abrir", "btn_efd_inv_ini");
  auto* btn_inv_fim = efd_button("Abrir", "btn_efd_inv_fim");
  efd_file("Inventário inicial (arquivo EFD com o H005 do dia anterior ao primeiro período):",
           edt_efd_inv_ini_, "edt_efd_inv_ini", btn_inv_ini);
  efd_file("Inventário final (arquivo EFD com o H005 do último dia do último período):",
           edt_efd_inv_fim_, "edt_efd_inv_fim", btn_inv_fim);
  // A caption, a list and two buttons beside it (the buttons returned).
  const auto efd_list = [&](const char* caption, QListWidget*& list, const char* list_name,
                            int height, const char* first_caption, const char* first_name,
                            const char* second_caption, const char* second_name) {
    efd->addWidget(new QLabel(QString::fromUtf8(caption), pnl_efd_), efd_row++, 0, 1, 3);
    list = Named(new QListWidget(pnl_efd_), list_name);
    list->setMaximumHeight(height);
    efd->addWidget(list, efd_row, 0, 2, 2);
    auto* first = efd_button(first_caption, first_name);
    efd->addWidget(first, efd_row, 2);
    auto* second = efd_button(second_caption, second_name);
    efd->addWidget(second, efd_row + 1, 2);
    efd_row += 2;
    return std::pair(first, second);
  };
  const auto [btn_periodo, btn_limpar] =
      efd_list("Períodos (um arquivo EFD por mês):", lst_efd_periodos_, "lst_efd_periodos", 90,
               "Incluir", "btn_efd_periodo", "Limpar", "btn_efd_limpar");
  const auto [btn_pasta, btn_zip] =
      efd_list("XML das NF-e de saída (pastas ou arquivos zip):", lst_xml_, "lst_xml", 70, "Pasta",
               "btn_xml_pasta", "Zip", "btn_xml_zip");
  chk_ind_mov1_ =
      Named(new QCheckBox(QStringLiteral("Contar itens com IND_MOV 1 (sem movimentação física)"),
                          pnl_efd_),
            "chk_ind_mov1");
  chk_ind_mov1_->setChecked(true);
  efd->addWidget(chk_ind_mov1_, efd_row++, 0, 1, 3);
  auto* foreign = Named(
      new QLabel(QStringLiteral("CFOP 3xxx (importação) conta como entrada e 7xxx (exportação) "
                                "como saída."),
                 pnl_efd_),
      "lbl_cfop_exterior");
  efd->addWidget(foreign, efd_row++, 0, 1, 3);
  btn_auditar_efd_ = efd_button("Auditar", "btn_auditar_efd");
  efd->addWidget(btn_auditar_efd_, efd_row, 0, Qt::AlignLeft);
  img_efd_ = BusyPictureWidget(pnl_efd_, "img_efd");
  efd->addWidget(img_efd_, efd_row++, 1, Qt::AlignLeft);
  lbl_efd_resumo_ = Named(new QLabel(pnl_efd_), "lbl_efd_resumo");
  efd->addWidget(lbl_efd_resumo_, efd_row++, 0, 1, 3);
  form->addWidget(pnl_efd_, row++, 0, 1, 4);
  pnl_efd_->hide();

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
  // A fixed size that follows the source shown.
  root->setSizeConstraint(QLayout::SetFixedSize);

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
  connect(rb_efd_, &QRadioButton::toggled, this, [this](bool efd) {
    if (efd)
      Run([](Session& s) { rb_efdClick(s, true); });
    else
      Run([](Session& s) { rb_efdClick(s, false); });
  });
  connect(edt_efd_inv_ini_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (s_) s_->audit.efd.edt_efd_inv_ini = CoreText(t);
  });
  connect(edt_efd_inv_fim_, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (s_) s_->audit.efd.edt_efd_inv_fim = CoreText(t);
  });
  connect(chk_ind_mov1_, &QCheckBox::toggled, this, [this](bool on) {
    if (s_) s_->audit.efd.chk_ind_mov1 = on;
  });
  connect(btn_inv_ini, &QPushButton::clicked, this, [this] { Run(btn_efd_inv_iniClick); });
  connect(btn_inv_fim, &QPushButton::clicked, this, [this] { Run(btn_efd_inv_fimClick); });
  connect(btn_periodo, &QPushButton::clicked, this, [this] { Run(btn_efd_periodoClick); });
  connect(btn_limpar, &QPushButton::clicked, this, [this] { Run(btn_efd_limparClick); });
  connect(btn_pasta, &QPushButton::clicked, this, [this] { Run(btn_xml_pastaClick); });
  connect(btn_zip, &QPushButton::clicked, this, [this] { Run(btn_xml_zipClick); });
  connect(btn_auditar_efd_, &QPushButton::clicked, this, [this] { Run(btn_auditar_efdClick); });
  Refresh();
  if (QScreen* sc = screen()) move(sc->availableGeometry().center() - rect().center());
}

Tfrm_auditar::~Tfrm_auditar() {
  if (s_) s_->audit.changed = nullptr;
}

void Tfrm_auditar::Attach(Session& s) {
  s_ = &s;
  runner_.Attach(s);
  s.audit.changed = [this] { Refresh(); };
  Refresh();
}

void Tfrm_auditar::Run(void (*routine)(Session&)) { runner_.Run(routine); }

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

  // The source and the EFD side.
  const EfdAuditState& e = a.efd;
  if (rb_efd_->isChecked() != e.efd) (e.efd ? rb_efd_ : rb_sintegra_)->setChecked(true);
  rb_sintegra_->setEnabled(!a.Busy());
  rb_efd_->setEnabled(!a.Busy());
  pnl_sintegra_->setVisible(!e.efd);
  pnl_efd_->setVisible(e.efd);
  text(edt_efd_inv_ini_, e.edt_efd_inv_ini);
  text(edt_efd_inv_fim_, e.edt_efd_inv_fim);
  ShowList(lst_efd_periodos_, e.lst_efd_periodos);
  ShowList(lst_xml_, e.lst_xml);
  if (chk_ind_mov1_->isChecked() != e.chk_ind_mov1) chk_ind_mov1_->setChecked(e.chk_ind_mov1);
  for (QPushButton* b : efd_buttons_) b->setEnabled(!a.Busy());
  btn_auditar_efd_->setEnabled(a.Usable(a.btn_auditar_efd));
  ShowPicture(img_efd_, a.img_efd);
  lbl_efd_resumo_->setText(UiText(e.has_outcome ? EfdAuditSummary(e.outcome) : ""));
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
