#include "nfe/ui/xml_window.h"

#include <QBrush>
#include <QCloseEvent>
#include <QColor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <stdexcept>

#include "app/kit/controls.h"
#include "data/format.h"
#include "nfe/sheets.h"

namespace fiscora::qt {

namespace {

QString Text(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string CoreText(const QString& s) { return s.toUtf8().toStdString(); }

std::vector<std::string> Items(const QListWidget* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->count(); ++i) out.push_back(CoreText(list->item(i)->text()));
  return out;
}

QString Count(int64_t n) { return Text(FormatNumber(static_cast<double>(n), 15, 0)); }

}  // namespace

// ------------------------------------------------------------ the rows

void ReconRowsModel::SetReconciliation(const Reconciliation* r) {
  beginResetModel();
  r_ = r;
  endResetModel();
}

int ReconRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !r_ ? 0 : static_cast<int>(r_->rows.size());
}

int ReconRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(ReconColumns().size());
}

QVariant ReconRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const ReconRow& row = At(index.row());
  if (role == Qt::BackgroundRole) {
    switch (row.result) {
      case ReconSeverity::kError:
        return QBrush(QColor(0xF8, 0xD7, 0xDA));
      case ReconSeverity::kWarning:
        return QBrush(QColor(0xFF, 0xF3, 0xCD));
      case ReconSeverity::kInfo:
        return QBrush(QColor(0xDD, 0xEB, 0xF7));
      case ReconSeverity::kOk:
        return {};
    }
  }
  if (role != Qt::DisplayRole && role != Qt::UserRole && role != Qt::TextAlignmentRole) return {};
  const ReconCell cell = ReconRowCell(*r_, row, static_cast<size_t>(index.column()));
  const bool number =
      cell.kind == ReconCell::Kind::kInteger || cell.kind == ReconCell::Kind::kMoney;
  if (role == Qt::TextAlignmentRole)
    return number ? QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
  if (role == Qt::DisplayRole) return Text(ReconCellText(cell));
  switch (cell.kind) {
    case ReconCell::Kind::kNull:
      return QVariant();
    case ReconCell::Kind::kText:
      return Text(cell.text);
    case ReconCell::Kind::kInteger:
      return QVariant(static_cast<qlonglong>(cell.integer));
    case ReconCell::Kind::kMoney:
      return QVariant(cell.money.ToDouble());
  }
  return {};
}

QVariant ReconRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  const auto& columns = ReconColumns();
  if (section < 0 || static_cast<size_t>(section) >= columns.size()) return {};
  return Text(std::string(columns[static_cast<size_t>(section)].title));
}

// ------------------------------------------------------------ the window

TfrmConciliacaoXml::TfrmConciliacaoXml(QWidget* parent)
    : SecondaryWindow(parent, "frmConciliacaoXml", QStringLiteral("Conciliação XML")) {
  resize(1100, 700);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QGridLayout;
  auto button = [this](const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };
  auto list = [this](const char* name) {
    auto* l = new QListWidget(this);
    l->setObjectName(QString::fromLatin1(name));
    l->setMaximumHeight(72);
    l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return l;
  };
  auto remove_selected = [](QListWidget* l) {
    for (QListWidgetItem* item : l->selectedItems()) delete item;
  };

  // The XML files: folders and zip files.
  lst_xml_ = list("lst_xml");
  auto* xml_buttons = new QVBoxLayout;
  QPushButton* btn_xml_pasta = button("btn_xml_pasta", QStringLiteral("Pasta..."));
  QPushButton* btn_xml_zip = button("btn_xml_zip", QStringLiteral("Arquivo .zip..."));
  QPushButton* btn_xml_remover = button("btn_xml_remover", QStringLiteral("Remover"));
  for (QPushButton* b : {btn_xml_pasta, btn_xml_zip, btn_xml_remover}) xml_buttons->addWidget(b);
  form->addWidget(new QLabel(QStringLiteral("Arquivos XML:"), this), 0, 0, Qt::AlignTop);
  form->addWidget(lst_xml_, 0, 1);
  form->addLayout(xml_buttons, 0, 2);
  connect(btn_xml_pasta, &QPushButton::clicked, this, [this] {
    if (!ui_) return;
    if (auto chosen = ui_->ChooseFolder("", FileKind::kAny)) lst_xml_->addItem(Text(*chosen));
  });
  connect(btn_xml_zip, &QPushButton::clicked, this, [this] {
    if (!ui_) return;
    if (auto chosen = ui_->ChooseOpenFile("Arquivos compactados|*.zip", "", FileKind::kAny))
      lst_xml_->addItem(Text(*chosen));
  });
  connect(btn_xml_remover, &QPushButton::clicked, this,
          [this, remove_selected] { remove_selected(lst_xml_); });

  // The books: EFD or SINTEGRA files.
  lst_escrita_ = list("lst_escrita");
  auto* book_buttons = new QVBoxLayout;
  rb_efd_ = new QRadioButton(QStringLiteral("EFD ICMS/IPI"), this);
  rb_efd_->setObjectName(QStringLiteral("rb_efd"));
  rb_efd_->setChecked(true);
  rb_sintegra_ = new QRadioButton(QStringLiteral("SINTEGRA"), this);
  rb_sintegra_->setObjectName(QStringLiteral("rb_sintegra"));
  QPushButton* btn_escrita = button("btn_escrita", QStringLiteral("Adicionar..."));
  QPushButton* btn_escrita_remover = button("btn_escrita_remover", QStringLiteral("Remover"));
  book_buttons->addWidget(btn_escrita);
  book_buttons->addWidget(btn_escrita_remover);
  auto* kinds = new QVBoxLayout;
  kinds->addWidget(new QLabel(QStringLiteral("Escrita:"), this));
  kinds->addWidget(rb_efd_);
  kinds->addWidget(rb_sintegra_);
  kinds->addStretch(1);
  form->addLayout(kinds, 1, 0);
  form->addWidget(lst_escrita_, 1, 1);
  form->addLayout(book_buttons, 1, 2);
  connect(btn_escrita, &QPushButton::clicked, this, [this] {
    if (!ui_) return;
    const bool efd = rb_efd_->isChecked();
    if (auto chosen = ui_->ChooseOpenFile("Arquivos texto|*.txt", "",
                                          efd ? FileKind::kSped : FileKind::kSintegra))
      lst_escrita_->addItem(Text(*chosen));
  });
  connect(btn_escrita_remover, &QPushButton::clicked, this,
          [this, remove_selected] { remove_selected(lst_escrita_); });
  layout->addLayout(form);

  auto* actions = new QHBoxLayout;
  actions->addWidget(new QLabel(QStringLiteral("Tolerância (R$):"), this));
  edt_tolerancia_ = new QLineEdit(QStringLiteral("0,01"), this);
  edt_tolerancia_->setObjectName(QStringLiteral("edt_tolerancia"));
  edt_tolerancia_->setMaximumWidth(80);
  actions->addWidget(edt_tolerancia_);
  actions->addStretch(1);
  btn_conciliar_ = button("btn_conciliar", QStringLiteral("Conciliar"));
  btn_cancelar_ = button("btn_cancelar", QStringLiteral("Cancelar"));
  btn_cancelar_->setEnabled(false);
  btn_exportar_ = button("btn_exportar", QStringLiteral("Exportar"));
  btn_exportar_->setEnabled(false);
  for (QPushButton* b : {btn_conciliar_, btn_cancelar_, btn_exportar_}) actions->addWidget(b);
  layout->addLayout(actions);

  progresso_ = new QProgressBar(this);
  progresso_->setObjectName(QStringLiteral("progresso"));
  progresso_->setRange(0, 1000);
  progresso_->setValue(0);
  lbl_status_ = new QLabel(this);
  lbl_status_->setObjectName(QStringLiteral("lbl_status"));
  layout->addWidget(progresso_);
  layout->addWidget(lbl_status_);

  auto* summary = new QGroupBox(QStringLiteral("Resumo"), this);
  auto* summary_layout = new QVBoxLayout(summary);
  lbl_resumo_ = new QLabel(summary);
  lbl_resumo_->setObjectName(QStringLiteral("lbl_resumo"));
  lbl_resumo_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary_layout->addWidget(lbl_resumo_);
  layout->addWidget(summary);

  auto* filter = new QHBoxLayout;
  filter->addWidget(new QLabel(QStringLiteral("Filtrar mensagens:"), this));
  edt_filtro_ = new QLineEdit(this);
  edt_filtro_->setObjectName(QStringLiteral("edt_filtro"));
  edt_filtro_->setClearButtonEnabled(true);
  filter->addWidget(edt_filtro_, 1);
  layout->addLayout(filter);

  model_ = new ReconRowsModel(this);
  proxy_ = new QSortFilterProxyModel(this);
  proxy_->setSourceModel(model_);
  proxy_->setSortRole(Qt::UserRole);
  proxy_->setFilterKeyColumn(static_cast<int>(kReconMessageColumn));
  proxy_->setFilterCaseSensitivity(Qt::CaseInsensitive);
  dbg_conciliacao_ = new QTableView(this);
  dbg_conciliacao_->setObjectName(QStringLiteral("dbg_conciliacao"));
  dbg_conciliacao_->setModel(proxy_);
  dbg_conciliacao_->setSortingEnabled(true);
  dbg_conciliacao_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  dbg_conciliacao_->horizontalHeader()->setStretchLastSection(true);
  dbg_conciliacao_->setSelectionBehavior(QAbstractItemView::SelectRows);
  dbg_conciliacao_->setSelectionMode(QAbstractItemView::SingleSelection);
  dbg_conciliacao_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  dbg_conciliacao_->verticalHeader()->setDefaultSectionSize(20);
  dbg_conciliacao_->verticalHeader()->hide();
  layout->addWidget(dbg_conciliacao_, 1);

  connect(edt_filtro_, &QLineEdit::textChanged, proxy_,
          &QSortFilterProxyModel::setFilterFixedString);
  connect(dbg_conciliacao_, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { ShowDetail(index); });
  connect(btn_conciliar_, &QPushButton::clicked, this, [this] { btn_conciliarClick(); });
  connect(btn_cancelar_, &QPushButton::clicked, this, [this] {
    run_.Stop();
    lbl_status_->setText(QStringLiteral("Cancelando..."));
  });
  connect(btn_exportar_, &QPushButton::clicked, this, [this] { btn_exportarClick(); });
}

TfrmConciliacaoXml::~TfrmConciliacaoXml() { run_.StopAndWait(); }

void TfrmConciliacaoXml::closeEvent(QCloseEvent* event) {
  run_.StopAndWait();
  event->accept();
}

void TfrmConciliacaoXml::reject() {
  run_.StopAndWait();
  SecondaryWindow::reject();
}

void TfrmConciliacaoXml::SetRunning(bool running) {
  btn_conciliar_->setEnabled(!running);
  btn_cancelar_->setEnabled(running);
  btn_exportar_->setEnabled(!running && result_ != nullptr);
  for (QWidget* w : {static_cast<QWidget*>(lst_xml_), static_cast<QWidget*>(lst_escrita_),
                     static_cast<QWidget*>(rb_efd_), static_cast<QWidget*>(rb_sintegra_),
                     static_cast<QWidget*>(edt_tolerancia_)})
    w->setEnabled(!running);
  for (const char* name :
       {"btn_xml_pasta", "btn_xml_zip", "btn_xml_remover", "btn_escrita", "btn_escrita_remover"})
    if (auto* b = findChild<QPushButton*>(QString::fromLatin1(name))) b->setEnabled(!running);
}

void TfrmConciliacaoXml::btn_conciliarClick() {
  if (Running() || !ui_) return;
  const std::vector<std::string> xml = Items(lst_xml_), books = Items(lst_escrita_);
  std::optional<Money> tolerance = ParseMoney(CoreText(edt_tolerancia_->text()));
  const char* missing =
      xml.empty()     ? "Escolha ao menos uma pasta ou arquivo .zip de XML."
      : books.empty() ? "Escolha ao menos um arquivo da escrita (EFD ou SINTEGRA)."
      : !tolerance || *tolerance < Money() ? "Tolerância inválida: informe um valor como 0,01."
                                           : nullptr;
  if (missing) {
    ui_->Message("Conciliação XML", missing);
    return;
  }
  ReconOptions options;
  options.tolerance = *tolerance;
  options.source = rb_efd_->isChecked() ? BookSource::kEfd : BookSource::kSintegra;
  options.cancel = run_.stop_flag();
  options.progress = [this](std::string_view step, int64_t done, int64_t total) {
    const QString text = Text(std::string(step));
    run_.Post([this, text, done, total] { Progress(text, done, total); });
  };
  // The rows of the last run go before the new one starts.
  dbg_conciliacao_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  proxy_->sort(-1);
  model_->SetReconciliation(nullptr);
  result_.reset();
  lbl_resumo_->clear();
  progresso_->setValue(0);
  lbl_status_->setText(QStringLiteral("Lendo a escrita..."));
  SetRunning(true);
  run_.Start<std::shared_ptr<Reconciliation>>(
      [xml, books, options] {
        try {
          return std::make_shared<Reconciliation>(RunXmlReconciliation(xml, books, options));
        } catch (const NfeCancelled&) {
          throw std::runtime_error("Conciliação cancelada.");
        }
      },
      [this](std::shared_ptr<Reconciliation> result, const QString& error) {
        Finished(std::move(result), error);
      });
}

void TfrmConciliacaoXml::Progress(const QString& step, qint64 done, qint64 total) {
  if (!Running() || run_.Stopping()) return;
  const int permille =
      total > 0 ? static_cast<int>(std::min<qint64>(1000, done * 1000 / total)) : 0;
  progresso_->setValue(permille);
  lbl_status_->setText(QStringLiteral("%1... %2%").arg(step).arg(permille / 10));
}

void TfrmConciliacaoXml::Finished(std::shared_ptr<Reconciliation> result, const QString& error) {
  if (result) {
    result_ = std::make_unique<Reconciliation>(std::move(*result));
    model_->SetReconciliation(result_.get());
    progresso_->setValue(1000);
    lbl_status_->setText(QStringLiteral("Conciliação concluída."));
    ShowSummary();
    FitColumnsNow(dbg_conciliacao_);
  } else {
    progresso_->setValue(0);
    lbl_status_->setText(error);
    if (ui_ && !run_.Stopping()) ui_->Message("Conciliação XML", CoreText(error));
  }
  SetRunning(false);
  emit finished(error);
}

void TfrmConciliacaoXml::ShowSummary() {
  // The establishment and the period; the counts; the results; the kinds
  // of finding: a line each.
  QString who, head, results, findings;
  for (const ReconSummaryLine& l : ReconSummary(*result_)) {
    const QString value =
        l.value ? QStringLiteral(", %1").arg(Text(FormatMoney(*l.value))) : QString();
    if (l.group == "total" && !l.text.empty()) {
      if (!who.isEmpty()) who += QStringLiteral(" · ");
      who += Text(l.item) + QStringLiteral(": ") + Text(l.text);
    } else if (l.group == "total") {
      if (!head.isEmpty()) head += QStringLiteral(" · ");
      head += Text(l.item) + QStringLiteral(": ") + Count(l.notes) + value;
    } else if (l.group == "resultado") {
      if (!results.isEmpty()) results += QStringLiteral(" · ");
      results += Text(l.item) + QStringLiteral(": ") + Count(l.notes) + value;
    } else {
      if (!findings.isEmpty()) findings += QStringLiteral(" · ");
      findings += Text(l.item) + QStringLiteral(": ") + Count(l.notes) + value;
    }
  }
  lbl_resumo_->setText(who + QStringLiteral("\n") + head + QStringLiteral("\n") + results +
                       (findings.isEmpty() ? QString() : QStringLiteral("\n") + findings));
  lbl_resumo_->setWordWrap(true);
}

void TfrmConciliacaoXml::ShowDetail(const QModelIndex& index) {
  if (!index.isValid() || !ui_ || !result_ || Running()) return;
  const ReconRow& row = model_->At(proxy_->mapToSource(index).row());
  ui_->Message("Conciliação XML", ReconRowDetail(*result_, row));
}

void TfrmConciliacaoXml::btn_exportarClick() {
  if (!ui_ || !result_ || Running()) return;
  try {
    SaveReconciliation(*result_, *ui_);
  } catch (const std::exception& e) {
    ui_->Message("", e.what());
  }
}

}  // namespace fiscora::qt
