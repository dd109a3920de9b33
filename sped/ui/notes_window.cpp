#include "sped/ui/notes_window.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>
#include <map>

#include "app/kit/controls.h"
#include "app/kit/file_drop.h"
#include "app/model/table_model.h"
#include "sintegra/layout.h"
#include "sped/analysis.h"
#include "sped/input_check.h"
#include "sped/sheets.h"

namespace fiscora::qt {

namespace {

// A grid's own columns: the field shown, its title, its width in pixels (0:
// the width the field's display attributes give).
struct GridColumn {
  const char* field;
  QString title;
  int width = 0;
};

// Titles of the grid's own choosing, titles and cells centred.
class CenteredColumns : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  std::map<int, QString> titles;  // source column -> title

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Horizontal) {
      if (role == Qt::DisplayRole) {
        auto it = titles.find(section);
        if (it != titles.end()) return it->second;
      } else if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
      }
    }
    return QIdentityProxyModel::headerData(section, orientation, role);
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return QIdentityProxyModel::data(index, role);
  }
};

// Binds the grid to the table through a TableModel and shows only the given
// columns, in their order, with their titles and widths.
CenteredColumns* BindColumns(QTableView* grid, ClientTable& table) {
  TableModel* model = BindGrid(grid, table);
  auto* proxy = new CenteredColumns(grid);
  proxy->setSourceModel(model);
  // Rows map one to one, so BindGrid's following of the current row holds.
  grid->setModel(proxy);
  return proxy;
}

TableModel* SourceOf(QTableView* grid) {
  auto* proxy = qobject_cast<QIdentityProxyModel*>(grid->model());
  return proxy ? qobject_cast<TableModel*>(proxy->sourceModel()) : nullptr;
}

void ShowColumns(QTableView* grid, const std::vector<GridColumn>& columns) {
  auto* proxy = static_cast<CenteredColumns*>(grid->model());
  TableModel* model = SourceOf(grid);
  if (!model) return;
  QHeaderView* header = grid->horizontalHeader();
  proxy->titles.clear();
  for (int c = 0; c < model->columnCount(); ++c) grid->setColumnHidden(c, true);
  const ClientTable& table = model->table();
  int visual = 0;
  for (const GridColumn& col : columns) {
    int field = table.FindField(col.field);
    int logical = -1;
    for (int c = 0; c < model->columnCount(); ++c)
      if (model->FieldOfColumn(c) == field) logical = c;
    if (logical < 0) continue;
    proxy->titles[logical] = col.title;
    grid->setColumnHidden(logical, false);
    header->moveSection(header->visualIndex(logical), visual++);
    int width = col.width > 0 ? col.width : std::max(header->sectionSizeHint(logical), 60);
    grid->setColumnWidth(logical, width);
  }
  emit proxy->headerDataChanged(Qt::Horizontal, 0, std::max(0, proxy->columnCount() - 1));
}

QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  return l;
}

QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

const std::vector<GridColumn>& NoteColumns() {
  static const std::vector<GridColumn> columns = {
      {"codigo_nota", QStringLiteral("Nota")},
      {"data_nota", QStringLiteral("Data"), 80},
      {"tipo", QStringLiteral("Tipo"), 40},
      {"vl_nota", QStringLiteral("Valor Nota"), 100},
      {"tot_prod", QStringLiteral("Total Produtos"), 100},
      {"bc_pis", QStringLiteral("Base Calc. Pis"), 100},
      {"vl_pis", QStringLiteral("Valor Pis"), 100},
      {"bc_cofins", QStringLiteral("Base Calc. Cofins"), 100},
      {"vl_cofins", QStringLiteral("Valor Cofins"), 100},
  };
  return columns;
}

std::vector<GridColumn> EcfColumns() {
  return {
      {"ecf", QStringLiteral("Equipamento")},
      {"num_caixa", QStringLiteral("Caixa"), 50},
      {"data", QStringLiteral("Data"), 100},
      {"venda_bruta", QStringLiteral("Venda Bruta"), 120},
  };
}

}  // namespace

// ------------------------------------------------------------ frmDifal

TfrmDifal::TfrmDifal(QWidget* parent)
    : SecondaryWindow(parent, "frmDifal", QStringLiteral("Notas candidatas ao DIFAL")) {
  setModal(false);
  resize(680, 360);
  auto* v = new QVBoxLayout(this);
  v->addWidget(NewGrid(this, "DBGrid1"));
}

void TfrmDifal::Attach(Session& s) {
  auto* grid = findChild<QTableView*>(QStringLiteral("DBGrid1"));
  BindColumns(grid, s.dtm.cds_difal);
  ShowColumns(grid, {{"numero", QStringLiteral("numero"), 80},
                     {"documento", QStringLiteral("documento"), 120},
                     {"data", QStringLiteral("data"), 80},
                     {"nome", QStringLiteral("nome"), 350}});
}

// ------------------------------------------------------------ frm_notas_sped

Tfrm_notas_sped::Tfrm_notas_sped(QWidget* parent)
    : SecondaryWindow(parent, "frm_notas_sped", QStringLiteral("Analisar notas SPED")) {
  resize(1000, 680);

  auto* v = new QVBoxLayout(this);
  QLabel* title =
      NamedLabel(this, "lbl1", QStringLiteral("Analisar notas e movimento por ecf do SPED"));
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  title->setFont(big);
  v->addWidget(title);

  auto* file_row = new QHBoxLayout;
  auto* edt = new QLineEdit(this);
  edt->setObjectName(QStringLiteral("edt_arq_sped"));
  file_row->addWidget(edt, 1);
  QPushButton* open = NamedButton(this, "btn_open_arq_sped", QStringLiteral("Arquivo SPED"));
  file_row->addWidget(open);
  // The recent SPED files, a small menu button after "Arquivo SPED" (its
  // menu comes with the list, in AttachRecentFiles).
  recent_button_ = new QToolButton(this);
  recent_button_->setObjectName(QStringLiteral("sbtn_recentes_sped"));
  recent_button_->setArrowType(Qt::DownArrow);
  recent_button_->setToolTip(QStringLiteral("Arquivos recentes"));
  recent_button_->setPopupMode(QToolButton::InstantPopup);
  recent_button_->setFixedHeight(open->sizeHint().height());
  recent_button_->setEnabled(false);
  file_row->addWidget(recent_button_);
  v->addLayout(file_row);

  v->addWidget(NamedLabel(this, "lbl2", QStringLiteral("Resumo de Notas Fiscais")));
  grid_analise_ = NewGrid(this, "grid_analise");
  v->addWidget(grid_analise_, 3);
  v->addWidget(NamedLabel(this, "lbl3", QStringLiteral("Movimento por ECF")));
  grid_ecf_ = NewGrid(this, "grid_ecf");
  v->addWidget(grid_ecf_, 2);

  auto* buttons = new QHBoxLayout;
  QPushButton* difal = NamedButton(this, "Button1", QStringLiteral("Notas DIFAL"));
  QPushButton* fiscal = NamedButton(this, "btn1", QStringLiteral("Resumo Fiscal"));
  QPushButton* ecf_sheet = NamedButton(this, "btn3", QStringLiteral("Gerar ECF Excel"));
  QPushButton* notes_sheet = NamedButton(this, "btn2", QStringLiteral("Gerar Notas Excel"));
  buttons->addWidget(difal);
  buttons->addWidget(fiscal);
  buttons->addStretch(1);
  buttons->addWidget(ecf_sheet);
  buttons->addWidget(notes_sheet);
  v->addLayout(buttons);

  connect(open, &QPushButton::clicked, this, &Tfrm_notas_sped::btn_open_arq_spedClick);
  connect(difal, &QPushButton::clicked, this, &Tfrm_notas_sped::Button1Click);
  connect(fiscal, &QPushButton::clicked, this, &Tfrm_notas_sped::btn1Click);
  connect(notes_sheet, &QPushButton::clicked, this, &Tfrm_notas_sped::btn2Click);
  connect(ecf_sheet, &QPushButton::clicked, this, &Tfrm_notas_sped::btn3Click);
}

void Tfrm_notas_sped::Attach(Session& s, QDialog* difal, QDialog* fiscal_summary) {
  s_ = &s;
  runner_.Attach(s);
  difal_ = difal;
  fiscal_summary_ = fiscal_summary;
  // The DIFAL list is owned by this window, modal as it is shown: above it
  // and taking input while it stays open.
  if (difal && difal->parentWidget() != this) difal->setParent(this, difal->windowFlags());
  if (auto* d = qobject_cast<TfrmDifal*>(difal)) d->Attach(s);
  // DS_nf_sped starts disabled: the notes grid shows nothing until a file
  // has been read.
  BindColumns(grid_analise_, s.dtm.cds_nf_sped);
  ShowColumns(grid_analise_, NoteColumns());
  BindColumns(grid_ecf_, s.dtm.cds_mov_ecf_sped);
  ShowColumns(grid_ecf_, EcfColumns());
  for (QTableView* grid : {grid_analise_, grid_ecf_})
    OrderOnTitleClick(grid, TitleStyle::kNormal, [this] { return !runner_.Busy(); });
  AcceptFileDrops(this, [this](const QString& path) { OpenSpedFile(path.toStdString()); }, {"txt"});
}

void Tfrm_notas_sped::btn_open_arq_spedClick() {
  if (!s_ || runner_.Busy()) return;
  std::optional<std::string> path =
      s_->ui.ChooseOpenFile("texto|*.txt", "%HomePath%/Desktop", FileKind::kSped);
  if (path) OpenSpedFile(*path);
}

void Tfrm_notas_sped::AttachRecentFiles(RecentFiles& recent) {
  recent_ = &recent;
  auto* menu = new RecentFilesMenu(recent, this, "popm_recentes_sped");
  recent_button_->setMenu(menu);
  recent_button_->setEnabled(true);
  connect(menu, &RecentFilesMenu::chosen, this,
          [this](const QString& path) { OpenSpedFile(path.toStdString()); });
  connect(menu, &RecentFilesMenu::missing, this, [this](const QString& path) {
    recent_->Remove(path);
    if (s_)
      s_->ui.Message("Atenção", QStringLiteral("O arquivo %1 não existe mais e foi retirado da "
                                               "lista de arquivos recentes.")
                                    .arg(QDir::toNativeSeparators(path))
                                    .toStdString());
  });
}

void Tfrm_notas_sped::OpenSpedFile(const std::string& path) {
  if (!s_ || runner_.Busy()) return;
  bool read = false, c481 = false;
  runner_.Run([&](Session& s) {
    CheckEfdInput(PathFromUtf8(path));  // a file that is not EFD: its message, nothing read
    c481 = AnalyseSpedFile(s, PathFromUtf8(path));
    read = true;
  });
  // The path shows once the split has taken the file, even when the reader
  // then stops at an error.
  if (!s_->sped.file.empty())
    findChild<QLineEdit*>(QStringLiteral("edt_arq_sped"))
        ->setText(QString::fromStdString(s_->sped.file));
  if (read) SetEcfColumns(c481);
  if (read && recent_) recent_->Add(QString::fromStdString(path));
}

void Tfrm_notas_sped::SetEcfColumns(bool c481) {
  std::vector<GridColumn> columns = EcfColumns();
  if (c481) {
    columns.push_back({"venda_liquida", QStringLiteral("Venda Liquida"), 120});
    for (const char* cst : {"cst_01", "cst_02", "cst_03", "cst_04", "cst_05", "cst_06", "cst_07",
                            "cst_08", "cst_09", "cst_49", "cst_99"})
      columns.push_back({cst, QString::fromLatin1(cst), 120});
  } else {
    columns.push_back({"venda_liquida", QStringLiteral("Tributados"), 120});
    columns.push_back({"cst_01", QStringLiteral("Substit."), 120});
  }
  ShowColumns(grid_ecf_, columns);
}

void Tfrm_notas_sped::Button1Click() {
  if (!difal_) return;
  difal_->show();
  difal_->raise();
  difal_->activateWindow();
}

void Tfrm_notas_sped::btn1Click() {
  if (fiscal_summary_ && !runner_.Busy()) fiscal_summary_->exec();
}

void Tfrm_notas_sped::btn2Click() {
  runner_.Run([](Session& s) { SaveSpedNotesSheet(s); });
}

void Tfrm_notas_sped::btn3Click() {
  runner_.Run([](Session& s) { SaveSpedMovementSheet(s); });
}

}  // namespace fiscora::qt
