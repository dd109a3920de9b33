#include "app/kit/controls.h"

#include <QAbstractProxyModel>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>

#include "app/kit/ui_text.h"
#include "app/model/table_model.h"
#include "app/model/table_watch.h"
#include "data/display.h"
#include "data/order_by_column.h"

namespace fiscora::qt {

QTableView* NewGrid(QWidget* parent, const char* name, GridSelection selection) {
  auto* grid = new QTableView(parent);
  grid->setObjectName(QString::fromLatin1(name));
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  grid->setSelectionBehavior(selection == GridSelection::kRow ? QAbstractItemView::SelectRows
                                                              : QAbstractItemView::SelectItems);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 4);
  grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid->horizontalHeader()->setHighlightSections(false);
  grid->horizontalHeader()->setSectionsClickable(true);
  grid->setAlternatingRowColors(false);
  grid->setWordWrap(false);
  grid->setCornerButtonEnabled(false);
  return grid;
}

TableModel* BindGrid(QTableView* grid, ClientTable& table,
                     const std::vector<TableModel::Column>& columns) {
  auto* model = new TableModel(table, grid);
  if (!columns.empty()) model->SetColumns(columns);
  const QFontMetrics fm = grid->fontMetrics();
  // Characters as wide as a digit: most columns hold numbers.
  model->SetMetrics(std::max(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0'))),
                    fm.height());
  grid->setModel(model);
  for (int c = 0; c < model->columnCount(); ++c)
    grid->setColumnWidth(c,
                         model->headerData(c, Qt::Horizontal, Qt::SizeHintRole).toSize().width());
  QObject::connect(model, &TableModel::currentRowChanged, grid, [grid](int row) {
    if (row < 0 || row >= grid->model()->rowCount()) return;
    QModelIndex at = grid->model()->index(row, std::max(0, grid->currentIndex().column()));
    grid->setCurrentIndex(at);
    grid->scrollTo(at);
  });
  return model;
}

void FitColumnsNow(QTableView* grid, int max_chars) {
  QAbstractItemModel* model = grid->model();
  if (!model || model->rowCount() == 0) return;
  const QFontMetrics fm = grid->fontMetrics();
  const int most = max_chars * fm.horizontalAdvance(QLatin1Char('0')) + 12;
  QHeaderView* header = grid->horizontalHeader();
  // A title's blanks place it in the column; its words alone need room.
  const QFontMetrics title_fm = header->fontMetrics();
  const int title_margins =
      2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 8;
  for (int c = 0; c < model->columnCount(); ++c) {
    if (grid->isColumnHidden(c)) continue;
    const QString title = model->headerData(c, Qt::Horizontal).toString().trimmed();
    const int wanted = std::max(static_cast<const QAbstractItemView*>(grid)->sizeHintForColumn(c),
                                title_fm.horizontalAdvance(title) + title_margins);
    grid->setColumnWidth(c, std::min(wanted, most));
  }
}

void FitColumnsToContents(QTableView* grid, int max_chars) {
  QAbstractItemModel* model = grid->model();
  if (!model) return;
  // Rows come in bursts while a file loads: the fit waits for a pause.
  auto* pause = new QTimer(grid);
  pause->setSingleShot(true);
  pause->setInterval(150);
  QObject::connect(pause, &QTimer::timeout, grid,
                   [grid, max_chars] { FitColumnsNow(grid, max_chars); });
  const auto later = [pause] { pause->start(); };
  QObject::connect(model, &QAbstractItemModel::modelReset, pause, later);
  QObject::connect(model, &QAbstractItemModel::rowsInserted, pause, later);
}

void AllowResizing(QDialog* window, QSize size, QSize minimum) {
  window->setWindowFlags(window->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint);
  window->setSizeGripEnabled(true);
  window->setMinimumSize(minimum.boundedTo(size));
  window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  window->resize(size);
}

void OrderOnTitleClick(QTableView* grid, TitleStyle style, std::function<bool()> may_order) {
  QHeaderView* header = grid->horizontalHeader();
  header->setSectionsClickable(true);
  QObject::connect(header, &QHeaderView::sectionClicked, grid,
                   [grid, style, may_order = std::move(may_order)](int section) {
                     auto* model = qobject_cast<TableModel*>(grid->model());
                     if (auto* proxy = qobject_cast<QAbstractProxyModel*>(grid->model()))
                       model = qobject_cast<TableModel*>(proxy->sourceModel());
                     if (!model || section < 0 || section >= model->columnCount()) return;
                     if (may_order && !may_order()) return;
                     ClientTable& table = model->table();
                     if (!OrderByColumn(table, table.FieldAt(model->FieldOfColumn(section)).name))
                       return;
                     QFont font = grid->horizontalHeader()->font();
                     font.setBold(style == TitleStyle::kBold);
                     grid->horizontalHeader()->setFont(font);
                   });
}

namespace {

class ColumnPainter : public QStyledItemDelegate {
 public:
  ColumnPainter(QObject* parent, QColor background, QColor text, bool bold)
      : QStyledItemDelegate(parent), background_(background), text_(text), bold_(bold) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->backgroundBrush = background_;
    option->palette.setColor(QPalette::Text, text_);
    option->font.setBold(bold_);
  }

 private:
  QColor background_, text_;
  bool bold_;
};

}  // namespace

void PaintColumn(QTableView* grid, int column, const QColor& background, const QColor& text,
                 bool bold) {
  grid->setItemDelegateForColumn(column, new ColumnPainter(grid, background, text, bold));
}

void FitAmount(QLabel* label) {
  const int room = label->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestAmount)) +
                   label->contentsMargins().left() + label->contentsMargins().right() +
                   2 * label->margin() + 2 * std::max(0, label->indent()) + 2;
  label->setMinimumWidth(std::max(label->minimumWidth(), room));
}

DbText::DbText(QWidget* parent, const char* name) : QLabel(parent) {
  setObjectName(QString::fromLatin1(name));
  setTextFormat(Qt::PlainText);
}

void DbText::Bind(ClientTable& table, const std::string& aggregate) {
  aggregate_ = -1;
  for (int a = 0; a < table.AggregateCount(); ++a)
    if (table.def().aggregates[static_cast<size_t>(a)].name == aggregate) aggregate_ = a;
  if (aggregate_ < 0) return;
  delete watch_;
  watch_ = new TableWatch(table, this);
  connect(watch_, &TableWatch::changed, this, [this](unsigned changes) {
    if (changes != TableWatch::kCurrent) Show();
  });
  Show();
}

void DbText::Show() {
  if (watch_) setText(UiText(AggregateDisplayText(watch_->table(), aggregate_)));
}

ClickLabel::ClickLabel(QWidget* parent, const char* name, const QString& text)
    : QLabel(text, parent) {
  setObjectName(QString::fromLatin1(name));
  setCursor(Qt::PointingHandCursor);
  QFont f = font();
  f.setUnderline(true);
  setFont(f);
  QPalette p = palette();
  p.setColor(QPalette::WindowText, QColor(0, 0, 192));
  setPalette(p);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
  QLabel::mouseReleaseEvent(event);
}

SaveDialog::SaveDialog(QObject* parent, const char* name, QString initial_folder, QString filter)
    : QObject(parent), initial_folder_(std::move(initial_folder)), filter_(std::move(filter)) {
  setObjectName(QString::fromLatin1(name));
}

std::optional<QString> SaveDialog::Execute(QWidget* parent, const QString& filter,
                                           const QString& folder) const {
  QString chosen = QFileDialog::getSaveFileName(
      parent, QString(), ExpandFolder(folder.isEmpty() ? initial_folder_ : folder),
      DialogFilter(filter.isEmpty() ? filter_ : filter), nullptr,
      // The core asks "Você deseja salvar esse arquivo?" itself.
      QFileDialog::DontConfirmOverwrite);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen;
}

QString ExpandFolder(const QString& folder) {
  QString f = folder;
  f.replace(QLatin1String("%HomePath%"), QDir::homePath(), Qt::CaseInsensitive);
  if (!f.isEmpty() && !QDir(f).exists()) {
    // A folder that is not there (no Desktop folder): start at home.
    if (folder.startsWith(QLatin1String("%HomePath%"), Qt::CaseInsensitive))
      return QDir::homePath();
  }
  return f;
}

QString DialogFilter(const QString& filter) {
  if (filter.isEmpty()) return {};
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2)
    out << QStringLiteral("%1 (%2)").arg(
        parts[i], QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')));
  return out.join(QLatin1String(";;"));
}

}  // namespace fiscora::qt
