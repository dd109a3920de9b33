#include "app/model/table_model.h"

#include <QSize>
#include <QString>
#include <algorithm>

#include "data/display.h"
#include "data/text.h"

namespace fiscora::qt {

namespace {

int DefaultWidth(const FieldDef& f) {
  switch (f.type) {
    case FieldType::kText:
      return f.size;
    case FieldType::kInteger:
      return 10;
    case FieldType::kFloat:
    case FieldType::kCurrency:
      return 15;
  }
  return 10;
}

const std::string& Title(const FieldDef& f) { return f.title.empty() ? f.name : f.title; }

}  // namespace

TableModel::TableModel(ClientTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table), watch_(table) {
  for (int f = 0; f < table_.FieldCount(); ++f)
    if (table_.FieldAt(f).visible) columns_.push_back(f);
  titles_.resize(columns_.size());
  centered_.resize(columns_.size());
  rows_ = static_cast<int>(table_.OrderedRows().size());
  connect(&watch_, &TableWatch::changed, this, &TableModel::Refresh);
}

void TableModel::SetColumns(const std::vector<Column>& columns) {
  beginResetModel();
  columns_.clear();
  titles_.clear();
  centered_.clear();
  for (const Column& c : columns) {
    const int f = table_.FindField(c.field);
    if (f < 0) continue;
    columns_.push_back(f);
    titles_.push_back(c.title);
    centered_.push_back(c.centered);
  }
  endResetModel();
}

std::optional<ClientTable::RowId> TableModel::RowIdAt(int row) const {
  const auto& rows = table_.OrderedRows();
  if (row < 0 || static_cast<size_t>(row) >= rows.size()) return std::nullopt;
  return rows[static_cast<size_t>(row)];
}

void TableModel::SetMetrics(int char_width, int line_height) {
  char_width_ = std::max(1, char_width);
  line_height_ = std::max(1, line_height);
  if (!columns_.empty())
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(columns_.size()) - 1);
}

int TableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return {};
  const FieldDef& f = table_.FieldAt(FieldOfColumn(index.column()));
  switch (role) {
    case Qt::DisplayRole: {
      // The table may have lost rows the model still counts (the refresh is
      // queued): those show nothing.
      std::optional<ClientTable::RowId> row = RowIdAt(index.row());
      if (!row) return QString();
      return QString::fromStdString(DisplayText(table_, *row, FieldOfColumn(index.column())));
    }
    case Qt::TextAlignmentRole: {
      Qt::Alignment h = f.centered || centered_[static_cast<size_t>(index.column())]
                            ? Qt::AlignHCenter
                        : f.type == FieldType::kText ? Qt::AlignLeft
                                                     : Qt::AlignRight;
      return QVariant::fromValue(h | Qt::AlignVCenter);
    }
    default:
      return {};
  }
}

const std::string& TableModel::ColumnTitle(int column) const {
  const std::string& own = titles_[static_cast<size_t>(column)];
  return own.empty() ? Title(table_.FieldAt(FieldOfColumn(column))) : own;
}

int TableModel::DisplayChars(int column) const {
  const FieldDef& f = table_.FieldAt(FieldOfColumn(column));
  int chars = f.display_width > 0 ? f.display_width : DefaultWidth(f);
  return std::max(chars, CharCount(ColumnTitle(column)));
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
    if (orientation == Qt::Vertical && role == Qt::DisplayRole && section >= 0 && section < rows_)
      return section + 1;
    return {};
  }
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(ColumnTitle(section));
    case Qt::SizeHintRole:
      return QSize(DisplayChars(section) * char_width_ + 8, line_height_ + 6);
    default:
      return {};
  }
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TableModel::Refresh(unsigned changes) {
  int now = static_cast<int>(table_.OrderedRows().size());
  bool appended = (changes & TableWatch::kRowsAdded) != 0;
  if ((changes & TableWatch::kReset) || now < rows_ || (now > rows_ && !appended)) {
    beginResetModel();
    rows_ = now;
    endResetModel();
  } else {
    int old = rows_;
    if (now > old) {
      beginInsertRows({}, old, now - 1);
      rows_ = now;
      endInsertRows();
    }
    if ((changes & TableWatch::kDataChanged) && old > 0 && !columns_.empty())
      emit dataChanged(index(0, 0), index(old - 1, columnCount() - 1));
  }
  if ((changes & TableWatch::kCurrent) || (changes & TableWatch::kReset)) {
    int row = -1;
    if (table_.HasCurrent()) {
      const auto& rows = table_.OrderedRows();
      auto it = std::find(rows.begin(), rows.end(), table_.CurrentRow());
      if (it != rows.end()) row = static_cast<int>(it - rows.begin());
    }
    emit currentRowChanged(row);
  }
}

}  // namespace fiscora::qt
