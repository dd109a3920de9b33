// The sheet "Validação" of the main window: the summary line and the grid of
// the findings of the last validation, ordered by a click on a title; a
// double click on a finding asks for its detail.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>
#include <vector>

#include "validate/finding.h"

class QLabel;
class QTableView;

namespace fiscora::qt {

// The findings as a table: Linha, Colunas, Registro, Campo, Gravidade,
// Mensagem.
class FindingsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;
  void SetFindings(std::vector<Finding> findings);
  const Finding& At(int row) const { return findings_[static_cast<size_t>(row)]; }
  const std::vector<Finding>& findings() const { return findings_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  std::vector<Finding> findings_;
};

class ValidationSheet : public QWidget {
  Q_OBJECT

 public:
  explicit ValidationSheet(QWidget* parent);
  void Show(const ValidationReport& report, const QString& summary);
  // Called with the finding a double click chose.
  void SetDetailHandler(std::function<void(const Finding&)> handler) {
    detail_ = std::move(handler);
  }
  // Called by "Exportar" with the findings in the grid's order.
  void SetExportHandler(std::function<void(const std::vector<Finding>&)> handler) {
    export_ = std::move(handler);
  }
  FindingsModel& model() { return *model_; }

 private:
  QLabel* summary_ = nullptr;
  QTableView* grid_ = nullptr;
  FindingsModel* model_ = nullptr;
  std::function<void(const Finding&)> detail_;
  std::function<void(const std::vector<Finding>&)> export_;
};

}  // namespace fiscora::qt
