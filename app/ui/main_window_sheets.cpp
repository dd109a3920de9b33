// The controls of the main window and their arrangement.
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/kit/controls.h"
#include "app/ui/main_window.h"
#include "app/ui/page_tabs.h"
#include "validate/ui/validation_sheet.h"

namespace fiscora::qt {

namespace {

const QColor kValueColour(0, 0, 128);  // navy: what the file says
const QColor kTeal(0, 128, 128);

void Paint(QWidget* w, const QColor& colour) {
  QPalette p = w->palette();
  p.setColor(QPalette::WindowText, colour);
  w->setPalette(p);
}

void Bold(QWidget* w, int point_delta = 0) {
  QFont f = w->font();
  f.setBold(true);
  if (point_delta != 0) f.setPointSize(f.pointSize() + point_delta);
  w->setFont(f);
}

QLabel* Caption(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setTextFormat(Qt::PlainText);
  return l;
}

// A label the routines write into.
QLabel* Value(const char* name, QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setTextFormat(Qt::PlainText);
  l->setMinimumWidth(90);
  Paint(l, kValueColour);
  return l;
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

QGroupBox* Group(const char* name, const QString& title, QWidget* parent) {
  auto* g = new QGroupBox(title, parent);
  if (name) g->setObjectName(QString::fromLatin1(name));
  return g;
}

DbText* Total(const char* name, QWidget* parent) {
  auto* t = new DbText(parent, name);
  t->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  t->setMinimumWidth(110);
  Paint(t, kValueColour);
  return t;
}

QLabel* Hint(QWidget* parent) {
  auto* l = Caption(QStringLiteral("Clique no título para ordenar"), parent);
  QFont f = l->font();
  f.setItalic(true);
  l->setFont(f);
  Paint(l, kValueColour);
  return l;
}

// Caption and value side by side in a grid, the captions in one column.
void Row(QGridLayout* grid, const QString& caption, QWidget* value, QWidget* parent) {
  const int r = grid->rowCount();
  grid->addWidget(Caption(caption, parent), r, 0);
  grid->addWidget(value, r, 1);
}

QGridLayout* FormGrid(QWidget* owner) {
  auto* grid = new QGridLayout(owner);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(5);
  grid->setColumnStretch(1, 1);
  return grid;
}

// The logo of the title line, drawn rather than shipped as a picture.
QPixmap Logo(const QSize& size) {
  QPixmap pm(size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, size.height());
  g.setColorAt(0, QColor(30, 70, 140));
  g.setColorAt(1, QColor(10, 35, 90));
  p.setBrush(g);
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(pm.rect()).adjusted(1, 1, -1, -1), 8, 8);
  QFont f = p.font();
  f.setBold(true);
  f.setPointSize(17);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 4, size.width(), size.height() - 22), Qt::AlignCenter,
             QStringLiteral("Fiscora"));
  f.setBold(false);
  f.setPointSize(7);
  p.setFont(f);
  p.setPen(QColor(200, 215, 240));
  p.drawText(QRect(0, size.height() - 24, size.width(), 18), Qt::AlignCenter,
             QStringLiteral("SINTEGRA  ·  SPED"));
  return pm;
}

}  // namespace

void Tfrmprincipal::BuildTitle() {
  auto* line = new QHBoxLayout;
  line->setSpacing(6);

  QGroupBox* title = Group("gpbtitulo", QString(), this);
  auto* grid = new QGridLayout(title);
  grid->setContentsMargins(8, 4, 8, 6);
  grid->setVerticalSpacing(4);
  auto* lbltitulo = Caption(QStringLiteral("Fiscora"), title);
  lbltitulo->setObjectName(QStringLiteral("lbltitulo"));
  Bold(lbltitulo, 6);
  Paint(lbltitulo, kValueColour);
  auto* lbllocalizar = Caption(QStringLiteral("Arquivo sintegra à analisar: -->"), title);
  lbllocalizar->setObjectName(QStringLiteral("lbllocalizar"));
  edtarq_ = new QLineEdit(title);
  edtarq_->setObjectName(QStringLiteral("edtarq"));
  grid->addWidget(lbltitulo, 0, 0, 1, 3);
  grid->addWidget(lbllocalizar, 1, 0);
  grid->addWidget(edtarq_, 1, 1);
  // In a row of their own, so that the hidden "Auditar" leaves no gap.
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(6);
  buttons->addWidget(Button("sbtnarq", QStringLiteral("Arquivo"), title));
  buttons->addWidget(Button("sbtnverificar", QStringLiteral("Verificar"), title));
  buttons->addWidget(Button("sbtnvalidar", QStringLiteral("Validar"), title));
  buttons->addWidget(Button("btn_audit", QStringLiteral("Auditar"), title));
  buttons->addWidget(Button("sbtn_sped", QStringLiteral("SPED"), title));
  buttons->addWidget(Button("sbtnlote", QStringLiteral("Lote"), title));
  grid->addLayout(buttons, 1, 2);
  grid->setColumnStretch(1, 1);
  line->addWidget(title, 1);

  auto* pnlvorn = new QFrame(this);
  pnlvorn->setObjectName(QStringLiteral("pnlvorn"));
  pnlvorn->setFrameShape(QFrame::StyledPanel);
  pnlvorn->setFrameShadow(QFrame::Sunken);
  pnlvorn->setFixedWidth(150);
  auto* logo = new QVBoxLayout(pnlvorn);
  logo->setContentsMargins(3, 3, 3, 3);
  auto* image = new QLabel(pnlvorn);
  image->setObjectName(QStringLiteral("Image1"));
  image->setToolTip(QStringLiteral("Ir para o site da vorn"));
  image->setPixmap(Logo(QSize(140, 66)));
  image->setAlignment(Qt::AlignCenter);
  logo->addWidget(image);
  line->addWidget(pnlvorn);

  static_cast<QBoxLayout*>(layout())->addLayout(line);
}

void Tfrmprincipal::BuildSheets() {
  pgcdados_ = new PageTabs(this);
  pgcdados_->setObjectName(QStringLiteral("pgcdados"));
  BuildDadosSheet(pgcdados_->AddSheet("tbsdados_emp", QStringLiteral("  Dados  ")));
  BuildComprasVendasSheet(
      pgcdados_->AddSheet("tbs_comp_vend", QStringLiteral("  Compras x Vendas  ")));
  BuildMaxMinSheet(pgcdados_->AddSheet("tbs_maxmin", QStringLiteral("  Máximo e mínimo  ")));
  BuildAliqDifSheet(pgcdados_->AddSheet("tbs_aliqdif", QStringLiteral("  Aliquotas diferentes  ")));
  BuildTotalAliquotasSheet(pgcdados_->AddSheet("tbs_tot_aliq", QStringLiteral("Total Aliquotas")));
  BuildNotasSheet(pgcdados_->AddSheet("tbsresumo", QStringLiteral("Notas Fiscais")));
  BuildSobreSheet(pgcdados_->AddSheet("tbssobre", QStringLiteral("  Sobre  ")));
  BuildInventarioSheet(pgcdados_->AddSheet("tbs_inventario", QStringLiteral("Inventário")));
  // The findings of "Validar": after the sheets of the verification, shown
  // once a file has been validated.
  QWidget* validacao = pgcdados_->AddSheet("tbs_validacao", QStringLiteral("Validação"));
  auto* fill = new QVBoxLayout(validacao);
  fill->setContentsMargins(0, 0, 0, 0);
  validation_sheet_ = new ValidationSheet(validacao);
  fill->addWidget(validation_sheet_);
  pgcdados_->setTabVisible(pgcdados_->TabOf("tbs_validacao"), false);
  static_cast<QBoxLayout*>(layout())->addWidget(pgcdados_, 1);
}

void Tfrmprincipal::BuildDadosSheet(QWidget* sheet) {
  auto* columns = new QHBoxLayout(sheet);
  columns->setContentsMargins(8, 8, 8, 8);
  columns->setSpacing(10);

  QGroupBox* emp = Group("gpbSobre_emp", QStringLiteral("   Sobre a empresa:     "), sheet);
  QGridLayout* g = FormGrid(emp);
  Row(g, QStringLiteral("Razão Social:"), Value("lblrazao", emp), emp);
  Row(g, QStringLiteral("Insc. Estadual: "), Value("lblie", emp), emp);
  Row(g, QStringLiteral("CNPJ: "), Value("lblCnpj", emp), emp);
  Row(g, QStringLiteral("Estado:"), Value("lblUF", emp), emp);
  Row(g, QStringLiteral("Município: "), Value("lblmunic", emp), emp);
  Row(g, QStringLiteral("Data inicial: "), Value("lbldataini", emp), emp);
  Row(g, QStringLiteral("Data final: "), Value("lbldatafim", emp), emp);
  g->setRowStretch(g->rowCount(), 1);
  columns->addWidget(emp, 1);

  QGroupBox* arq = Group("gpbsobre_arq", QStringLiteral("   Sobre o arquivo:    "), sheet);
  QGridLayout* a = FormGrid(arq);
  Row(a, QStringLiteral("Linhas Lidas: "), Value("lbllinhas", arq), arq);
  Row(a, QStringLiteral("Registro 50:"), Value("lbl50", arq), arq);
  Row(a, QStringLiteral("Registro 60A:"), Value("lbl60a", arq), arq);
  Row(a, QStringLiteral("Registro 60I:"), Value("lbl60i", arq), arq);
  Row(a, QStringLiteral("Registro 60R:"), Value("lbl60r", arq), arq);
  Row(a, QStringLiteral("Registro 74:"), Value("lbl74", arq), arq);
  Row(a, QStringLiteral("Data do inventário:"), Value("lbldatainv", arq), arq);
  DbText* inv_total = Total("dbt_soma_inv_princ", arq);
  inv_total->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Row(a, QStringLiteral("Valor total do inventário:  R$"), inv_total, arq);
  auto* verify = new QHBoxLayout;
  verify->addWidget(Button("bbtn_verif_invent", QStringLiteral("Verificar"), arq));
  verify->addStretch(1);
  const int r = a->rowCount();
  a->addWidget(Caption(QStringLiteral("Verificar Itens do inventário:"), arq), r, 0);
  a->addLayout(verify, r, 1);

  QGroupBox* tipo = Group("gpbox_tipo_arq", QStringLiteral("   Tipo do Arquivo   "), arq);
  auto* t = new QGridLayout(tipo);
  t->setVerticalSpacing(3);
  t->addWidget(Value("lbl_tipo_arq", tipo), 0, 0);
  t->addWidget(Value("lbl_tipo_arq2", tipo), 1, 0);
  t->addWidget(Button("sbtnAlterar_tipo", QStringLiteral("Alterar"), tipo), 0, 1, 2, 1,
               Qt::AlignVCenter);
  t->setColumnStretch(0, 1);
  QPushButton* reg90 = Button("btn_reg90", QStringLiteral("Reconstruir registro 90"), arq);
  reg90->setMinimumHeight(44);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(tipo, 1);
  bottom->addWidget(reg90, 0, Qt::AlignBottom);
  a->addLayout(bottom, a->rowCount(), 0, 1, 2);
  a->setRowStretch(a->rowCount(), 1);
  columns->addWidget(arq, 1);
}

void Tfrmprincipal::BuildComprasVendasSheet(QWidget* sheet) {
  auto* outer = new QVBoxLayout(sheet);
  outer->setContentsMargins(8, 8, 8, 8);
  outer->setSpacing(6);
  auto* columns = new QHBoxLayout;
  columns->setSpacing(10);
  outer->addLayout(columns, 1);

  auto* left = new QVBoxLayout;
  left->setSpacing(6);
  QGroupBox* in = Group(nullptr, QStringLiteral("Entradas:"), sheet);
  QGridLayout* gi = FormGrid(in);
  Row(gi, QStringLiteral("Total contábil:"), Value("lblentradas", in), in);
  Row(gi, QStringLiteral("Outros:"), Value("lblentradas_outros", in), in);
  left->addWidget(in);
  QGroupBox* out = Group(nullptr, QStringLiteral("Saidas:"), sheet);
  QGridLayout* go = FormGrid(out);
  Row(go, QStringLiteral("NF Modelo 1:"), Value("lblmod1", out), out);
  Row(go, QStringLiteral("Total Líquido CF:"), Value("lblCupom", out), out);
  Row(go, QStringLiteral("Notas Série D:"), Value("lbl_61R", out), out);
  Row(go, QStringLiteral("Total Contábil:"), Value("lblsaidas", out), out);
  Row(go, QStringLiteral("Outros (Mod1):"), Value("lblsaidas_outros", out), out);
  left->addWidget(out);
  QGroupBox* cf = Group(nullptr, QStringLiteral("Cupons fiscais:"), sheet);
  QGridLayout* gc = FormGrid(cf);
  Row(gc, QStringLiteral("Total Desc. CF:"), Value("lbldesc", cf), cf);
  Row(gc, QStringLiteral("Total Canc. CF:"), Value("lblcanc", cf), cf);
  Row(gc, QStringLiteral("Total Bruto CF:"), Value("lbltotal_bruto_cf", cf), cf);
  left->addWidget(cf);
  left->addStretch(1);
  columns->addLayout(left, 4);

  QGroupBox* printers = Group(nullptr, QStringLiteral("Cupons por ECF:"), sheet);
  auto* pg = new QGridLayout(printers);
  pg->setSpacing(6);
  for (int n = 1; n <= 6; ++n) {
    auto* panel = new QFrame(printers);
    panel->setObjectName(QStringLiteral("pnlecf%1").arg(n));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    QGridLayout* p = FormGrid(panel);
    p->setContentsMargins(6, 4, 6, 4);
    p->setVerticalSpacing(2);
    auto* name = Value(QStringLiteral("lblecf00%1").arg(n).toLatin1().constData(), panel);
    Bold(name);
    Paint(name, Qt::black);
    p->addWidget(name, 0, 0, 1, 2);
    Row(p, QStringLiteral("Líquido CF:"),
        Value(QStringLiteral("lblcupomecf%1").arg(n).toLatin1().constData(), panel), panel);
    Row(p, QStringLiteral("Descontos:"),
        Value(QStringLiteral("lbldescecf%1").arg(n).toLatin1().constData(), panel), panel);
    Row(p, QStringLiteral("Cancelamentos:"),
        Value(QStringLiteral("lblcancecf%1").arg(n).toLatin1().constData(), panel), panel);
    pg->addWidget(panel, (n - 1) / 2, (n - 1) % 2, Qt::AlignTop);
  }
  pg->setRowStretch(3, 1);
  columns->addWidget(printers, 6);

  auto* bottom = new QHBoxLayout;
  QGroupBox* dif = Group("gboxdif", QString(), sheet);
  auto* d = new QVBoxLayout(dif);
  d->setContentsMargins(8, 4, 8, 4);
  auto* alert = Value("lblalerta", dif);
  Bold(alert);
  Paint(alert, Qt::red);
  d->addWidget(alert);
  d->addWidget(Value("lbldiferenca", dif));
  bottom->addWidget(dif, 1);
  bottom->addStretch(0);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(Button("btn_cfop", QStringLiteral("Resumo de CFOP's"), sheet));
  buttons->addWidget(Button("Button2", QStringLiteral("Resumo Fiscal"), sheet));
  bottom->addLayout(buttons);
  outer->addLayout(bottom);

  // Every amount of the sheet shows a total of hundreds of millions whole.
  for (const char* name :
       {"lblentradas", "lblentradas_outros", "lblmod1", "lblCupom", "lbl_61R", "lblsaidas",
        "lblsaidas_outros", "lbldesc", "lblcanc", "lbltotal_bruto_cf"})
    FitAmount(sheet->findChild<QLabel*>(QString::fromLatin1(name)));
  for (int n = 1; n <= 6; ++n)
    for (const char* kind : {"lblcupomecf%1", "lbldescecf%1", "lblcancecf%1"})
      FitAmount(sheet->findChild<QLabel*>(QString::fromLatin1(kind).arg(n)));
}

void Tfrmprincipal::BuildMaxMinSheet(QWidget* sheet) {
  auto* v = new QVBoxLayout(sheet);
  v->setContentsMargins(6, 6, 6, 6);
  v->addWidget(Hint(sheet));
  v->addWidget(NewGrid(sheet, "dbgmaxmin"), 1);
}

void Tfrmprincipal::BuildAliqDifSheet(QWidget* sheet) {
  auto* v = new QVBoxLayout(sheet);
  v->setContentsMargins(6, 6, 6, 6);
  v->addWidget(Hint(sheet));
  v->addWidget(NewGrid(sheet, "dbgaliq"), 1);
}

void Tfrmprincipal::BuildTotalAliquotasSheet(QWidget* sheet) {
  auto* v = new QVBoxLayout(sheet);
  v->setContentsMargins(6, 6, 6, 6);
  v->setSpacing(6);
  v->addWidget(NewGrid(sheet, "dbg_totaliq"), 5);

  auto* lower = new QHBoxLayout;
  lower->setSpacing(10);
  auto* summary = new QVBoxLayout;
  summary->setSpacing(2);
  summary->addWidget(Caption(QStringLiteral("Resumo de Alíquotas:"), sheet));
  summary->addWidget(NewGrid(sheet, "dbgrd1"), 1);
  lower->addLayout(summary, 1);

  QGroupBox* sums = Group(nullptr, QStringLiteral("Somas:"), sheet);
  QGridLayout* s = FormGrid(sums);
  s->setVerticalSpacing(3);
  Row(s, QStringLiteral("Soma 60A: R$"), Total("dbtxt_soma_60a", sums), sums);
  Row(s, QStringLiteral("Soma 60D: R$"), Total("dbtxtsoma", sums), sums);
  Row(s, QStringLiteral("Soma 60I:  R$"), Total("dbtxt_soma60i", sums), sums);
  Row(s, QStringLiteral("Soma 60R: R$"), Total("dbtxt_soma60r", sums), sums);
  Row(s, QStringLiteral("Total diferença 60a/60i: R$"), Total("dbtxtsoma1", sums), sums);
  Row(s, QStringLiteral("Total diferença 60a/60d: R$"), Total("dbtxtsoma2", sums), sums);
  lower->addWidget(sums);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(Button("bbtn_analisar", QStringLiteral("Analisar"), sheet));
  buttons->addWidget(Button("btn_opcao_aliq", QStringLiteral("Gerar em Excel"), sheet));
  buttons->addStretch(1);
  lower->addLayout(buttons);
  v->addLayout(lower, 4);
}

void Tfrmprincipal::BuildNotasSheet(QWidget* sheet) {
  auto* v = new QVBoxLayout(sheet);
  v->setContentsMargins(6, 6, 6, 6);
  v->setSpacing(6);
  v->addWidget(Hint(sheet));
  v->addWidget(NewGrid(sheet, "dbg_50", GridSelection::kRow), 1);

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(8);
  bottom->addWidget(Caption(QStringLiteral("Número da nota:"), sheet));
  auto* search = new QLineEdit(sheet);
  search->setObjectName(QStringLiteral("edt_pesq50"));
  search->setFixedWidth(110);
  bottom->addWidget(search);
  bottom->addWidget(Button("btn_pesq50", QStringLiteral("Pesquisar"), sheet));
  bottom->addSpacing(20);

  QGroupBox* count = Group(nullptr, QStringLiteral("Numero de notas:"), sheet);
  auto* c = new QHBoxLayout(count);
  c->setContentsMargins(8, 2, 8, 4);
  c->addWidget(Caption(QStringLiteral("Próprias:"), count));
  DbText* own = Total("soma_ntp", count);
  own->setMinimumWidth(50);
  c->addWidget(own);
  c->addSpacing(12);
  c->addWidget(Caption(QStringLiteral("Terceiros:"), count));
  DbText* others = Total("soma_ntf", count);
  others->setMinimumWidth(50);
  c->addWidget(others);
  bottom->addWidget(count);
  bottom->addStretch(1);
  bottom->addWidget(Button("bbtnAnalisarNotas", QStringLiteral("Analisar"), sheet), 0,
                    Qt::AlignBottom);
  v->addLayout(bottom);
}

void Tfrmprincipal::BuildSobreSheet(QWidget* sheet) {
  auto* v = new QVBoxLayout(sheet);
  v->setContentsMargins(20, 16, 20, 16);
  v->setSpacing(4);
  v->addStretch(1);
  const auto centred = [&](QLabel* l) {
    l->setAlignment(Qt::AlignCenter);
    v->addWidget(l);
    return l;
  };
  auto* product = centred(Caption(QStringLiteral("Fiscora"), sheet));
  Bold(product, 14);
  Paint(product, kValueColour);
  auto* version = centred(Caption(QStringLiteral("Versão 2.0"), sheet));
  Bold(version, 1);
  centred(Caption(QStringLiteral("Verificação de arquivos SINTEGRA e SPED"), sheet));
  v->addSpacing(18);
  auto* maker = centred(Caption(QStringLiteral("Fiscora Sistemas Fiscais Ltda."), sheet));
  Bold(maker);
  centred(Caption(QStringLiteral("Rua dos Contabilistas, 250 - Sala 12 - Centro"), sheet));
  centred(Caption(QStringLiteral("Curitiba - PR - CEP 80010-000"), sheet));
  centred(Caption(QStringLiteral("Fone: (41) 3555-0100  /  Suporte: (41) 3555-0199"), sheet));
  v->addSpacing(10);
  auto* links = new QHBoxLayout;
  links->addStretch(1);
  links->addWidget(new ClickLabel(sheet, "Label29", QStringLiteral("www.fiscora.example")));
  links->addSpacing(30);
  links->addWidget(new ClickLabel(sheet, "Label27", QStringLiteral("contato@fiscora.example")));
  links->addStretch(1);
  v->addLayout(links);
  v->addStretch(2);
}

void Tfrmprincipal::BuildInventarioSheet(QWidget* sheet) {
  auto* v = new QVBoxLayout(sheet);
  v->setContentsMargins(6, 6, 6, 6);
  v->setSpacing(6);
  v->addWidget(Hint(sheet));
  v->addWidget(NewGrid(sheet, "dbg_inventario"), 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(Caption(QStringLiteral("Total do inventário:"), sheet));
  DbText* total = Total("dbt_soma_inv", sheet);
  total->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Bold(total, 1);
  Paint(total, kTeal);
  bottom->addWidget(total);
  bottom->addStretch(1);
  bottom->addWidget(Button("Button1", QStringLiteral("Imprimir"), sheet));
  bottom->addWidget(Button("btnExcel", QStringLiteral("Excel"), sheet));
  v->addLayout(bottom);
}

void Tfrmprincipal::BuildBottomLine() {
  auto* line = new QHBoxLayout;
  line->setSpacing(10);
  auto* wait = Value("lblaguarde", this);
  Bold(wait);
  Paint(wait, Qt::red);
  wait->setMinimumWidth(190);
  // Hiding the label or the gauge keeps the line as it is.
  QSizePolicy keep = wait->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  wait->setSizePolicy(keep);
  line->addWidget(wait);
  auto* gauge = new QProgressBar(this);
  gauge->setObjectName(QStringLiteral("progresso"));
  gauge->setTextVisible(true);
  gauge->setFormat(QStringLiteral("%p%"));
  gauge->setAlignment(Qt::AlignCenter);
  Bold(gauge);
  keep = gauge->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  gauge->setSizePolicy(keep);
  line->addWidget(gauge, 1);
  line->addWidget(Button("sbtnfechar", QStringLiteral("Fechar"), this));
  static_cast<QBoxLayout*>(layout())->addLayout(line);
}

}  // namespace fiscora::qt
