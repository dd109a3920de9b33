#include "sintegra/ui/note_windows.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "app/kit/controls.h"
#include "app/kit/ui_text.h"
#include "app/model/table_model.h"
#include "sintegra/ui/window_parts.h"

namespace fiscora::qt {

namespace {

void BoldTitlesCentred(QTableView* grid) {
  QHeaderView* h = grid->horizontalHeader();
  h->setDefaultAlignment(Qt::AlignCenter);
  QFont f = h->font();
  f.setBold(true);
  h->setFont(f);
}

}  // namespace

TfrmDifNota::TfrmDifNota(QWidget* parent)
    : SecondaryWindow(parent, "frmDifNota", QStringLiteral("Análise de notas fiscais")) {
  // No close button (Esc closes it); it may grow, its grid with it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  AllowResizing(this, QSize(820, 480), QSize(820, 480));

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(8, 8, 8, 8);
  v->setSpacing(6);
  auto* top = new QHBoxLayout;
  top->addWidget(Caption(QStringLiteral("PRESSIONE ESC PARA SAIR"), this, true));
  top->addStretch(1);
  top->addWidget(Caption(QStringLiteral("Clique no título para ordenar"), this));
  v->addLayout(top);
  QTableView* grid = NewGrid(this, "dbg_dif");
  BoldTitlesCentred(grid);
  v->addWidget(grid, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(Caption(QStringLiteral("Total de Notas:"), this, true));
  QLabel* total = ValueLabel("lblTotNota", this, QStringLiteral("0"));
  total->setMinimumWidth(60);
  bottom->addWidget(total);
  bottom->addStretch(1);
  bottom->addWidget(PictureButton("SpeedButton1", this));
  v->addLayout(bottom);
}

void TfrmDifNota::Attach(Session& s) {
  auto* grid = findChild<QTableView*>(QStringLiteral("dbg_dif"));
  BindGrid(grid, s.dtm.cds_dif_nota,
           {{"numero", ""},
            {"vCont", ""},
            {"vBase", ""},
            {"vIpi", ""},
            {"vIsentos", ""},
            {"vOutros", ""},
            {"difere", ""}});
  for (int c = 0; c < 7; ++c) grid->setColumnWidth(c, 110);  // all seven in view
  FitColumnsToContents(grid);
  PaintColumn(grid, 0, Qt::black, Qt::white, true);
  PaintColumn(grid, 1, QColor(153, 180, 209), Qt::black);  // the active caption's colour
  for (int c = 2; c <= 5; ++c) PaintColumn(grid, c, QColor(0, 128, 0), Qt::white);
  PaintColumn(grid, 6, QColor(128, 0, 0), Qt::white);
  OrderOnTitleClick(grid, TitleStyle::kBold);
}

void TfrmDifNota::SetTotal(const std::string& count) {
  findChild<QLabel*>(QStringLiteral("lblTotNota"))->setText(UiText(count));
}

TfrmResumoNota::TfrmResumoNota(QWidget* parent)
    : SecondaryWindow(parent, "frmResumoNota", QStringLiteral("Resuno de nota fiscal")) {
  // Opens at 900 x 580 within the screen; it may grow, its grids with it.
  AllowResizing(this, QSize(900, 580), QSize(760, 480));
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(8, 8, 8, 8);
  v->setSpacing(6);
  QLabel* heading = Caption(QStringLiteral("Resumo de nota fiscal"), this, true);
  QFont f = heading->font();
  f.setPointSize(f.pointSize() + 4);
  heading->setFont(f);
  v->addWidget(heading);

  // The note's data, two columns of caption and value.
  auto* data = new QGridLayout;
  data->setHorizontalSpacing(10);
  data->setVerticalSpacing(3);
  const struct {
    const char* caption;
    const char* label;
  } fields[] = {
      {"Nota Fiscal:", "lbl_nota"}, {"Data:", "lbl_data"},       {"UF:", "lbl_uf"},
      {"Cnpj:", "lbl_cnpj"},        {"Insc. Est.:", "lbl_ie"},   {"Modelo:", "lbl_modelo"},
      {"Série:", "lbl_serie"},      {"Emissão:", "lbl_emissao"},
  };
  int i = 0;
  for (const auto& fl : fields) {
    const int row = i % 4, col = (i / 4) * 2;
    data->addWidget(Caption(QString::fromUtf8(fl.caption), this, true), row, col);
    QLabel* value = ValueLabel(fl.label, this);
    value->setMinimumWidth(150);
    data->addWidget(value, row, col + 1);
    ++i;
  }
  data->setColumnStretch(3, 1);
  v->addLayout(data);

  QTableView* items = NewGrid(this, "DBGrid1", GridSelection::kRow);
  v->addWidget(items, 3);
  auto* count = new QHBoxLayout;
  count->addWidget(Caption(QStringLiteral("Quantidade de itens:"), this, true));
  count->addWidget(ValueLabel("lbl_itens", this));
  count->addStretch(1);
  v->addLayout(count);

  v->addWidget(Caption(QStringLiteral("Resumo de Aliquotas:"), this, true));
  dbg_resumo_aliq_ = NewGrid(this, "dbg_resumo_aliq", GridSelection::kRow);
  dbg_resumo_aliq_->setMaximumWidth(420);
  v->addWidget(dbg_resumo_aliq_, 1);
}

void TfrmResumoNota::Attach(Session& s) {
  s_ = &s;
  auto* grid = findChild<QTableView*>(QStringLiteral("DBGrid1"));
  BindGrid(grid, s.dtm.cds_resumo_50,
           {{"cod_produto", "Código"},
            {"descricao", "Descricao"},
            {"quantidade", "Qtde"},
            {"cst", "Cst"},
            {"aliq", "Aliq."},
            {"base_calc", "Base Calc."},
            {"valor_un", "Valor Unit."},
            {"desc", "Desconto"},
            {"valor_tot", "Valor Total"},
            {"ipi", "Ipi"}});
  // Every column in view: the description gets what the amounts leave.
  const int widths[] = {100, 210, 45, 40, 45, 90, 85, 80, 90, 70};
  for (int c = 0; c < 10; ++c) grid->setColumnWidth(c, widths[c]);
}

void TfrmResumoNota::showEvent(QShowEvent* event) {
  SecondaryWindow::showEvent(event);
  if (!s_) return;
  ClientTable& resumo = s_->dtm.cds_resumo_50;
  SetLabels(this, NoteSummaryLabels(fields, resumo.RecordCount()));
  if (!rates_) {
    rates_ = std::make_unique<ClientTable>(RateSummaryDef());
    BindGrid(dbg_resumo_aliq_, *rates_);
    FitColumnsToContents(dbg_resumo_aliq_);
  }
  FillRateSummary(resumo, *rates_);
}

void TfrmResumoNota::done(int result) {
  // The grid lets go of the rate table before it goes.
  if (QAbstractItemModel* model = dbg_resumo_aliq_->model()) {
    dbg_resumo_aliq_->setModel(nullptr);
    delete model;
  }
  rates_.reset();
  SecondaryWindow::done(result);
}

}  // namespace fiscora::qt
