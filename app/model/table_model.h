// A read-only Qt model over a ClientTable, as the grids show it: one column
// per visible field in definition order, titled with the field's display
// label, one row per table row in the table's active ordering.
//
// The model follows the table's display binding: changes are collected and
// applied once the event loop runs (rows appended at the end become an
// insertion, anything else a reset). While the binding is disabled the model
// keeps what it showed; enabling the binding resets it. Between a change and
// the refresh, data() reads only rows that still exist.
#pragma once

#include <QAbstractTableModel>
#include <optional>
#include <string>
#include <vector>

#include "app/model/table_watch.h"
#include "data/client_table.h"

namespace fiscora::qt {

class TableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // The table must outlive the model.
  explicit TableModel(ClientTable& table, QObject* parent = nullptr);

  // A grid's own column list: the fields it shows in this order, with its
  // titles (empty: the field's display label) and, when `centered`, its
  // cells centred. Fields the table does not have are left out.
  struct Column {
    std::string field;
    std::string title;
    bool centered = false;
  };
  void SetColumns(const std::vector<Column>& columns);

  ClientTable& table() const { return table_; }
  // The field index shown in a column.
  int FieldOfColumn(int column) const { return columns_[static_cast<size_t>(column)]; }
  // The table row shown at a model row, when that row still exists.
  std::optional<ClientTable::RowId> RowIdAt(int row) const;
  // Pixels of an average character and of a text line, for the size hints
  // of the column titles (the model itself knows no fonts).
  void SetMetrics(int char_width, int line_height);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // The table's current row moved; `row` is its model row, -1 when none.
  void currentRowChanged(int row);

 private:
  void Refresh(unsigned changes);
  int DisplayChars(int column) const;
  const std::string& ColumnTitle(int column) const;

  ClientTable& table_;
  TableWatch watch_;
  std::vector<int> columns_;
  std::vector<std::string> titles_;  // per column; empty: the field's label
  std::vector<bool> centered_;       // per column: cells centred whatever the field says
  int rows_ = 0;
  int char_width_ = 7;
  int line_height_ = 20;
};

}  // namespace fiscora::qt
