#include "app/ui/batch_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <cmath>

#include "app/kit/controls.h"
#include "data/format.h"
#include "sintegra/layout.h"

namespace fiscora::qt {

namespace {

enum Column {
  kFile,
  kKind,
  kCnpj,
  kCompany,
  kPeriod,
  kLines,
  kErrors,
  kWarnings,
  kEntradas,
  kSaidas,
  kCupons,
  kInventario,
  kStatus,
  kMessage,
  kSeconds,
  kColumnCount
};

QString Text(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string CoreText(const QString& s) { return s.toUtf8().toStdString(); }

QString Duration(double seconds) {
  const long s = std::lround(seconds);
  return QStringLiteral("%1:%2:%3")
      .arg(s / 3600, 2, 10, QLatin1Char('0'))
      .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

void BatchRowsModel::SetRows(std::vector<BatchRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int BatchRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BatchRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant BatchRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const BatchRow& r = At(index.row());
  const int c = index.column();
  if (role == Qt::TextAlignmentRole && c >= kLines && c <= kInventario)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (role == Qt::TextAlignmentRole && c == kSeconds)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  // A long path, name or message cut to its column is read whole here.
  if (role == Qt::ToolTipRole && (c == kFile || c == kCompany || c == kMessage))
    return data(index, Qt::DisplayRole);
  if (role != Qt::DisplayRole && role != Qt::UserRole) return {};
  const bool display = role == Qt::DisplayRole;
  auto count = [&](const std::optional<int64_t>& v) -> QVariant {
    if (!v) return display ? QVariant(QString()) : QVariant(-1LL);
    return QVariant(static_cast<qlonglong>(*v));
  };
  auto money = [&](const std::optional<Money>& v) -> QVariant {
    if (!v) return display ? QVariant(QString()) : QVariant(-1e300);
    return display ? QVariant(Text(FormatMoney(*v))) : QVariant(v->ToDouble());
  };
  switch (c) {
    case kFile:
      return Text(r.file);
    case kKind:
      return Text(r.kind);
    case kCnpj:
      return Text(r.cnpj);
    case kCompany:
      return Text(r.company);
    case kPeriod:
      return Text(r.period);
    case kLines:
      return count(r.lines);
    case kErrors:
      return count(r.errors);
    case kWarnings:
      return count(r.warnings);
    case kEntradas:
      return money(r.entradas);
    case kSaidas:
      return money(r.saidas);
    case kCupons:
      return money(r.cupons);
    case kInventario:
      return money(r.inventario);
    case kStatus:
      return Text(r.status);
    case kMessage:
      return Text(r.message);
    case kSeconds:
      return display
                 ? QVariant(
                       QLocale(QLocale::Portuguese, QLocale::Brazil).toString(r.seconds, 'f', 3))
                 : QVariant(r.seconds);
  }
  return {};
}

QVariant BatchRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[] = {
      "Arquivo",  "Tipo",   "CNPJ",   "Empresa",    "Período",  "Linhas",   "Erros",   "Avisos",
      "Entradas", "Saídas", "Cupons", "Inventário", "Situação", "Mensagem", "Segundos"};
  return section >= 0 && section < kColumnCount ? QString::fromUtf8(kTitles[section]) : QVariant();
}

TfrmLote::TfrmLote(QWidget* parent) : SecondaryWindow(parent, "frmLote", QStringLiteral("Lote")) {
  resize(1000, 600);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QGridLayout;
  auto folder_row = [&](int row, const char* caption, const char* edit, const char* button,
                        QLineEdit*& field) {
    auto* label = new QLabel(QString::fromUtf8(caption), this);
    field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(edit));
    auto* choose = new QPushButton(QStringLiteral("..."), this);
    choose->setObjectName(QString::fromLatin1(button));
    choose->setAutoDefault(false);
    choose->setFixedWidth(32);
    form->addWidget(label, row, 0);
    form->addWidget(field, row, 1);
    form->addWidget(choose, row, 2);
    connect(choose, &QPushButton::clicked, this, [this, field] {
      if (!ui_) return;
      if (auto chosen = ui_->ChooseFolder(CoreText(field->text()), FileKind::kOutputFolder))
        field->setText(Text(*chosen));
    });
  };
  folder_row(0, "Pasta dos arquivos:", "edt_pasta", "btn_pasta", edt_pasta_);
  folder_row(1, "Pasta dos resultados:", "edt_saida", "btn_saida", edt_saida_);
  layout->addLayout(form);
  // The results go beside the folder by default ("<pasta>/resultado-lote"
  // is left out of the search).
  connect(edt_pasta_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (!text.isEmpty()) edt_saida_->setText(text + QStringLiteral("/resultado-lote"));
  });

  auto* actions = new QHBoxLayout;
  chk_validar_ = new QCheckBox(QStringLiteral("Validar"), this);
  chk_validar_->setObjectName(QStringLiteral("chk_validar"));
  chk_validar_->setChecked(true);
  chk_verificar_ = new QCheckBox(QStringLiteral("Verificar (SINTEGRA)"), this);
  chk_verificar_->setObjectName(QStringLiteral("chk_verificar"));
  chk_verificar_->setChecked(true);
  btn_executar_ = new QPushButton(QStringLiteral("Executar"), this);
  btn_executar_->setObjectName(QStringLiteral("btn_executar"));
  btn_parar_ = new QPushButton(QStringLiteral("Parar"), this);
  btn_parar_->setObjectName(QStringLiteral("btn_parar"));
  btn_parar_->setEnabled(false);
  btn_exportar_ = new QPushButton(QStringLiteral("Exportar"), this);
  btn_exportar_->setObjectName(QStringLiteral("btn_exportar"));
  btn_exportar_->setEnabled(false);
  for (QPushButton* b : {btn_executar_, btn_parar_, btn_exportar_}) b->setAutoDefault(false);
  actions->addWidget(chk_validar_);
  actions->addWidget(chk_verificar_);
  actions->addStretch(1);
  actions->addWidget(btn_executar_);
  actions->addWidget(btn_parar_);
  actions->addWidget(btn_exportar_);
  layout->addLayout(actions);

  progresso_ = new QProgressBar(this);
  progresso_->setObjectName(QStringLiteral("progresso"));
  progresso_->setRange(0, 1);
  progresso_->setValue(0);
  lbl_status_ = new QLabel(this);
  lbl_status_->setObjectName(QStringLiteral("lbl_status"));
  layout->addWidget(progresso_);
  layout->addWidget(lbl_status_);

  auto* filter = new QHBoxLayout;
  filter->addWidget(new QLabel(QStringLiteral("Filtrar:"), this));
  edt_filtro_ = new QLineEdit(this);
  edt_filtro_->setObjectName(QStringLiteral("edt_filtro"));
  edt_filtro_->setClearButtonEnabled(true);
  filter->addWidget(edt_filtro_, 1);
  layout->addLayout(filter);

  model_ = new BatchRowsModel(this);
  proxy_ = new QSortFilterProxyModel(this);
  proxy_->setSourceModel(model_);
  proxy_->setSortRole(Qt::UserRole);
  proxy_->setFilterKeyColumn(-1);
  proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  dbg_lote_ = new QTableView(this);
  dbg_lote_->setObjectName(QStringLiteral("dbg_lote"));
  dbg_lote_->setModel(proxy_);
  dbg_lote_->setSortingEnabled(true);
  dbg_lote_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  dbg_lote_->horizontalHeader()->setStretchLastSection(true);
  dbg_lote_->setSelectionBehavior(QAbstractItemView::SelectRows);
  dbg_lote_->setSelectionMode(QAbstractItemView::SingleSelection);
  dbg_lote_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  dbg_lote_->verticalHeader()->setDefaultSectionSize(20);
  dbg_lote_->verticalHeader()->hide();
  layout->addWidget(dbg_lote_, 1);

  connect(edt_filtro_, &QLineEdit::textChanged, proxy_,
          &QSortFilterProxyModel::setFilterFixedString);
  connect(dbg_lote_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (!index.isValid() || !open_ || Running()) return;
    const std::string file = model_->At(proxy_->mapToSource(index).row()).file;
    accept();
    open_(file);
  });
  connect(btn_executar_, &QPushButton::clicked, this, [this] { btn_executarClick(); });
  connect(btn_parar_, &QPushButton::clicked, this, [this] { run_.Stop(); });
  connect(btn_exportar_, &QPushButton::clicked, this, [this] { btn_exportarClick(); });
}

TfrmLote::~TfrmLote() { run_.StopAndWait(); }

void TfrmLote::closeEvent(QCloseEvent* event) {
  // The running files end first; their results stay for a later run.
  run_.StopAndWait();
  event->accept();
}

void TfrmLote::reject() {
  run_.StopAndWait();
  SecondaryWindow::reject();
}

void TfrmLote::btn_executarClick() {
  if (Running()) return;
  BatchOptions options;
  options.inputs = {CoreText(edt_pasta_->text().trimmed())};
  options.output = CoreText(edt_saida_->text().trimmed());
  if (chk_validar_->isChecked()) options.tasks.push_back("validar");
  if (chk_verificar_->isChecked()) options.tasks.push_back("verificar");
  const char* missing = options.inputs.front().empty() ? "Escolha a pasta dos arquivos."
                        : options.output.empty()       ? "Escolha a pasta dos resultados."
                        : options.tasks.empty()        ? "Escolha ao menos uma tarefa."
                                                       : nullptr;
  if (missing) {
    if (ui_) ui_->Message("", missing);
    return;
  }
  options.stop = run_.stop_flag();
  options.progress = [this](const BatchProgress& p) { run_.Post([this, p] { Progress(p); }); };
  btn_executar_->setEnabled(false);
  btn_exportar_->setEnabled(false);
  btn_parar_->setEnabled(true);
  progresso_->setRange(0, 0);  // busy until the inputs are counted
  lbl_status_->setText(QStringLiteral("Procurando os arquivos..."));
  output_ = PathFromUtf8(options.output);
  run_.Start<BatchOutcome>(
      [options] { return RunBatch(options); },
      [this](BatchOutcome outcome, const QString& error) { Finished(std::move(outcome), error); });
}

void TfrmLote::Progress(const BatchProgress& p) {
  progresso_->setRange(0, std::max(1, p.total));
  progresso_->setValue(p.done);
  lbl_status_->setText(QStringLiteral("%1 de %2 arquivos, %3 com falha, %4 com erros, faltam %5")
                           .arg(p.done)
                           .arg(p.total)
                           .arg(p.failed)
                           .arg(p.with_errors)
                           .arg(Duration(p.remaining)));
}

void TfrmLote::Finished(BatchOutcome outcome, const QString& error) {
  btn_executar_->setEnabled(true);
  btn_parar_->setEnabled(false);
  progresso_->setRange(0, std::max(1, outcome.total));
  progresso_->setValue(static_cast<int>(outcome.rows.size()));
  if (!error.isEmpty()) {
    lbl_status_->setText(error);
    if (ui_) ui_->Message("", CoreText(error));
  } else {
    lbl_status_->setText(
        QStringLiteral("%1%2 arquivos: %3 executados, %4 retomados, %5 ignorados, %6 com falha, "
                       "%7 com erros.")
            .arg(outcome.stopped ? QStringLiteral("Interrompido. ") : QString())
            .arg(outcome.total)
            .arg(outcome.ran)
            .arg(outcome.resumed)
            .arg(outcome.ignored)
            .arg(outcome.failed)
            .arg(outcome.with_errors));
  }
  dbg_lote_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  proxy_->sort(-1);
  model_->SetRows(std::move(outcome.rows));
  FitColumnsNow(dbg_lote_);
  btn_exportar_->setEnabled(model_->rowCount() > 0);
  emit finished(error);
}

void TfrmLote::btn_exportarClick() {
  if (!ui_ || Running() || model_->rowCount() == 0) return;
  std::vector<std::filesystem::path> results;
  for (const BatchRow& row : model_->rows()) results.push_back(output_ / PathFromUtf8(row.result));
  try {
    Workbook summary, findings;
    BuildBatchWorkbooks(results, summary, findings);
    SaveWorkbooks({&summary, &findings}, *ui_, "resumo.xlsx");
  } catch (const std::exception& e) {
    ui_->Message("", e.what());
  }
}

}  // namespace fiscora::qt
