#include "sintegra/ui/summary_windows.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/kit/controls.h"
#include "sintegra/summaries.h"
#include "sintegra/ui/window_parts.h"

namespace fiscora::qt {

namespace {

// A right-aligned total with room for "R$ 999.999.999,99".
QLabel* Amount(const char* name, QWidget* parent, const QString& text, bool bold = false) {
  QLabel* l = ValueLabel(name, parent, text);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  if (bold) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
  }
  FitAmount(l);
  return l;
}

// "Contábil: " and "Outros: " with their totals.
QGroupBox* Totals(const char* name, const QString& title, const char* cont, const char* out,
                  QWidget* parent) {
  auto* g = new QGroupBox(title, parent);
  g->setObjectName(QString::fromLatin1(name));
  auto* grid = new QGridLayout(g);
  grid->addWidget(Caption(QStringLiteral("Contábil: "), g), 0, 0);
  grid->addWidget(Amount(cont, g, QStringLiteral("R$ 000.000.000,00")), 0, 1);
  grid->addWidget(Caption(QStringLiteral("Outros: "), g), 1, 0);
  grid->addWidget(Amount(out, g, QStringLiteral("R$ 000.000.000,00")), 1, 1);
  grid->setColumnStretch(1, 1);
  return g;
}

}  // namespace

Tfrm_cfop::Tfrm_cfop(QWidget* parent)
    : SecondaryWindow(parent, "frm_cfop", QStringLiteral("Resumo de CFOP")) {
  // No close button (Esc closes it); it may grow, its grid with it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  AllowResizing(this, QSize(600, 400), QSize(600, 400));
  auto* h = new QHBoxLayout(this);
  h->setContentsMargins(8, 8, 8, 8);
  h->setSpacing(10);
  auto* left = new QVBoxLayout;
  QLabel* esc = Caption(QStringLiteral("PRESSIONE ESC PARA SAIR"), this, true);
  esc->setObjectName(QStringLiteral("Label5"));
  left->addWidget(esc);
  left->addWidget(NewGrid(this, "DBGrid1", GridSelection::kRow), 1);
  h->addLayout(left, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(
      Totals("GroupBox1", QStringLiteral("Entradas"), "lbl_ent_cont", "lbl_ent_out", this));
  right->addWidget(
      Totals("GroupBox2", QStringLiteral("Saidas"), "lbl_sai_cont", "lbl_sai_out", this));
  right->addStretch(1);
  right->addWidget(PictureButton("SpeedButton1", this), 0, Qt::AlignRight);
  h->addLayout(right);
}

void Tfrm_cfop::Attach(Session& s) {
  s_ = &s;
  auto* grid = findChild<QTableView*>(QStringLiteral("DBGrid1"));
  BindGrid(grid, s.dtm.cds_res_cfop);
  FitColumnsToContents(grid);
  OrderOnTitleClick(grid, TitleStyle::kNormal);
}

void Tfrm_cfop::showEvent(QShowEvent* event) {
  SecondaryWindow::showEvent(event);
  if (s_) SetLabels(this, BuildCfopSummary(*s_));
}

TfrmResumoFiscal::TfrmResumoFiscal(QWidget* parent)
    : SecondaryWindow(parent, "frmResumoFiscal", QStringLiteral("Resumo Fiscal")) {
  // System menu and minimise.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);
  // It may be resized and maximised; it opens wide enough for its columns.
  AllowResizing(this, QSize(460, 420), QSize(460, 420));
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(10, 8, 10, 10);
  v->setSpacing(6);
  QLabel* title = Caption(QStringLiteral("Resumo Fiscal"), this, true);
  title->setObjectName(QStringLiteral("Label1"));
  QFont f = title->font();
  f.setPointSize(f.pointSize() + 4);
  title->setFont(f);
  title->setAlignment(Qt::AlignCenter);
  v->addWidget(title);
  QTableView* grid = NewGrid(this, "DBGrid1", GridSelection::kRow);
  grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  v->addWidget(grid, 1);

  auto* totals = new QGridLayout;
  totals->setHorizontalSpacing(10);
  const struct {
    const char* caption_name;
    const char* caption;
    const char* value;
    bool bold;
  } rows[] = {
      {"Label2", "Total tributado de saída:", "lbl_saida", false},
      {"Label4", "Total tributado de entrada:", "lbl_entrada", false},
      {"Label7", "Imposto devido:", "lbl_imposto", true},
  };
  int r = 0;
  for (const auto& row : rows) {
    QLabel* caption = Caption(QString::fromUtf8(row.caption), this, row.bold);
    caption->setObjectName(QString::fromLatin1(row.caption_name));
    totals->addWidget(caption, r, 0);
    totals->addWidget(Amount(row.value, this, QStringLiteral("R$ 00,00"), row.bold), r, 1);
    ++r;
  }
  totals->setColumnStretch(2, 1);
  v->addLayout(totals);
}

void TfrmResumoFiscal::Attach(Session& s) {
  s_ = &s;
  auto* grid = findChild<QTableView*>(QStringLiteral("DBGrid1"));
  BindGrid(grid, s.dtm.cds_totalizador_icms,
           {{"registro", "Registro", true},
            {"tipo", "Tipo", true},
            {"base_calc", "Base de Cálculo", true},
            {"valor_icms", "Valor Icms", true}});
  const int widths[] = {50, 60, 150, 150};
  // The widths the window asks for, or the title's when the font is wider.
  for (int c = 0; c < 4; ++c)
    grid->setColumnWidth(c, std::max(widths[c], grid->horizontalHeader()->sectionSizeHint(c)));
  FitColumnsToContents(grid);
}

void TfrmResumoFiscal::showEvent(QShowEvent* event) {
  SecondaryWindow::showEvent(event);
  if (!s_) return;
  SetLabels(this, FiscalSummaryLabels(ComputeFiscalTotals(s_->dtm.cds_totalizador_icms)));
  // Every column in view, "Valor Icms" too: the window widens as far as
  // the screen lets it.
  auto* grid = findChild<QTableView*>(QStringLiteral("DBGrid1"));
  FitColumnsNow(grid);
  if (isMaximized()) return;
  int columns = 0;
  for (int c = 0; c < grid->model()->columnCount(); ++c) columns += grid->columnWidth(c);
  const int room = grid->viewport()->width() - grid->verticalScrollBar()->sizeHint().width();
  if (columns <= room) return;
  int wanted = width() + columns - room;
  if (const QScreen* screen = this->screen())
    wanted = std::min(wanted, screen->availableGeometry().width());
  resize(wanted, height());
}

}  // namespace fiscora::qt
