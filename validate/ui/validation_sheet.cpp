#include "validate/ui/validation_sheet.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/kit/controls.h"

namespace fiscora::qt {

namespace {

enum Column { kLine, kColumns, kRecord, kField, kSeverity, kMessage, kColumnCount };

QString Text(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

void FindingsModel::SetFindings(FindingList findings) {
  beginResetModel();
  findings_ = std::move(findings);
  rows_.resize(findings_.size());
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i] = static_cast<uint32_t>(i);
  endResetModel();
}

FindingList FindingsModel::findings() const {
  FindingList out;
  Finding f;
  for (uint32_t i : rows_) {
    findings_.Read(i, f);
    out.push_back(f);
  }
  return out;
}

int FindingsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FindingsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant FindingsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const Finding f = At(index.row());
  if (role == Qt::TextAlignmentRole && index.column() == kLine)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  // A message cut to the column's width is read whole in its tooltip.
  if (role == Qt::ToolTipRole && index.column() == kMessage) return Text(FindingMessage(f));
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kLine:
      return f.line > 0 ? QVariant(static_cast<qlonglong>(f.line)) : QVariant(QString());
    case kColumns:
      return Text(FindingColumns(f));
    case kRecord: {
      const std::string_view record = FindingRecord(f);
      return QString::fromUtf8(record.data(), static_cast<qsizetype>(record.size()));
    }
    case kField:
      return QString::fromUtf8(f.field);
    case kSeverity:
      return QString::fromLatin1(SeverityText(f.severity));
    case kMessage:
      return Text(FindingMessage(f));
  }
  return {};
}

QVariant FindingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[] = {"Linha", "Colunas",   "Registro",
                                        "Campo", "Gravidade", "Mensagem"};
  return section >= 0 && section < kColumnCount ? QString::fromUtf8(kTitles[section]) : QVariant();
}

void FindingsModel::sort(int column, Qt::SortOrder order) {
  // The keys are read once for the ordering, not at each comparison: the
  // numbers of the line, columns and severity, the texts of the others.
  std::vector<int64_t> numbers;
  std::vector<std::string> texts;
  const bool by_text = column == kRecord || column == kField || column == kMessage;
  if (by_text)
    texts.reserve(rows_.size());
  else
    numbers.reserve(rows_.size());
  Finding f;
  for (uint32_t i : rows_) {
    findings_.Read(i, f);
    switch (column) {
      case kColumns:
        numbers.push_back(f.first_column);
        break;
      case kSeverity:
        numbers.push_back(static_cast<int64_t>(f.severity));
        break;
      case kRecord:
        texts.emplace_back(FindingRecord(f));
        break;
      case kField:
        texts.emplace_back(f.field);
        break;
      case kMessage:
        texts.push_back(FindingMessage(f));
        break;
      default:
        numbers.push_back(f.line);
    }
  }
  std::vector<size_t> rows(rows_.size());
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = i;
  auto key = [&](size_t i, size_t j) {
    return by_text ? texts[i] < texts[j] : numbers[i] < numbers[j];
  };
  if (order == Qt::AscendingOrder)
    std::stable_sort(rows.begin(), rows.end(), key);
  else
    std::stable_sort(rows.begin(), rows.end(), [&key](size_t i, size_t j) { return key(j, i); });
  std::vector<uint32_t> sorted;
  sorted.reserve(rows_.size());
  for (size_t i : rows) sorted.push_back(rows_[i]);
  beginResetModel();
  rows_ = std::move(sorted);
  endResetModel();
}

FindingDetailDialog::FindingDetailDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlg_detalhe_validacao"));
  setWindowTitle(QStringLiteral("Validação"));
  auto* layout = new QVBoxLayout(this);
  head_ = new QLabel(this);
  head_->setObjectName(QStringLiteral("lbl_local_validacao"));
  head_->setTextFormat(Qt::PlainText);
  QFont bold = head_->font();
  bold.setBold(true);
  head_->setFont(bold);
  message_ = new QLabel(this);
  message_->setObjectName(QStringLiteral("lbl_mensagem_validacao"));
  message_->setTextFormat(Qt::PlainText);
  message_->setWordWrap(true);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  line_ = new QPlainTextEdit(this);
  line_->setObjectName(QStringLiteral("mmo_linha_validacao"));
  line_->setReadOnly(true);
  line_->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setStyleHint(QFont::Monospace);
  fixed.setFixedPitch(true);
  line_->setFont(fixed);
  // Three lines (ruler, line, marks) and the horizontal scroll bar.
  line_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  line_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  const int lines = QFontMetrics(fixed).lineSpacing() * 3;
  line_->setFixedHeight(lines + 2 * line_->frameWidth() +
                        2 * static_cast<int>(line_->document()->documentMargin()) + 8 +
                        line_->horizontalScrollBar()->sizeHint().height());
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("Fechar"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(head_);
  layout->addWidget(message_);
  layout->addWidget(line_);
  layout->addStretch(1);
  layout->addWidget(buttons);
  resize(900, sizeHint().height());
}

void FindingDetailDialog::Show(const FindingDetailParts& detail) {
  head_->setText(Text(detail.head));
  message_->setText(Text(detail.message));
  line_->setVisible(detail.has_line);
  line_->clear();
  if (detail.has_line) {
    const QString before = Text(detail.before), marked = Text(detail.marked);
    const QString whole = before + marked + Text(detail.after);
    line_->setPlainText(Text(ColumnRuler(static_cast<int>(whole.size()))) + QLatin1Char('\n') +
                        whole + QLatin1Char('\n') + Text(MarkerLine(detail)));
    // The faulty columns of the line (its second block) stand out.
    QTextCursor cursor(line_->document()->findBlockByNumber(1));
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor,
                        static_cast<int>(before.size()));
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor,
                        static_cast<int>(marked.size()));
    QTextEdit::ExtraSelection mark;
    mark.cursor = cursor;
    mark.format.setBackground(QColor(255, 200, 200));
    mark.format.setForeground(QColor(160, 0, 0));
    line_->setExtraSelections({mark});
  }
  show();
  raise();
  activateWindow();
  if (detail.has_line) {
    // The line from its start, or as far as brings the marks in view.
    line_->horizontalScrollBar()->setValue(0);
    QTextCursor at(line_->document()->findBlockByNumber(1));
    at.movePosition(QTextCursor::NextCharacter, QTextCursor::MoveAnchor,
                    static_cast<int>(Text(detail.before).size() + Text(detail.marked).size()));
    line_->setTextCursor(at);
    line_->ensureCursorVisible();
  }
}

ValidationSheet::ValidationSheet(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("lbl_validacao"));
  summary_->setTextFormat(Qt::PlainText);
  QFont bold = summary_->font();
  bold.setBold(true);
  summary_->setFont(bold);
  auto* top = new QHBoxLayout;
  top->addWidget(summary_, 1);
  auto* exportar = new QPushButton(QStringLiteral("Exportar"), this);
  exportar->setObjectName(QStringLiteral("btn_exportar_validacao"));
  exportar->setAutoDefault(false);
  top->addWidget(exportar);
  layout->addLayout(top);
  connect(exportar, &QPushButton::clicked, this, [this] {
    if (export_) export_(model_->findings());
  });
  model_ = new FindingsModel(this);
  grid_ = new QTableView(this);
  grid_->setObjectName(QStringLiteral("dbg_validacao"));
  grid_->setModel(model_);
  grid_->setSortingEnabled(true);
  grid_->horizontalHeader()->setSortIndicatorShown(true);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->verticalHeader()->setDefaultSectionSize(20);
  grid_->verticalHeader()->hide();
  layout->addWidget(grid_, 1);
  connect(grid_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    if (!index.isValid() || !detail_) return;
    const std::optional<FindingDetailParts> detail = detail_(model_->At(index.row()));
    if (!detail) return;
    if (!detail_dialog_) detail_dialog_ = new FindingDetailDialog(this);
    detail_dialog_->Show(*detail);
  });
}

void ValidationSheet::Show(const ValidationReport& report, const QString& summary) {
  summary_->setText(summary);
  grid_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  // The detail of a finding of the last file goes with it.
  if (detail_dialog_) detail_dialog_->hide();
  model_->SetFindings(report.findings);
  // Long messages are cut at the widest column, whole in their tooltip.
  FitColumnsNow(grid_);
  grid_->scrollToTop();
  grid_->horizontalScrollBar()->setValue(0);
}

}  // namespace fiscora::qt
