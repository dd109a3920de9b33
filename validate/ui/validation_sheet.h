// The sheet "Validação" of the main window: the summary line and the grid of
// the findings of the last validation, ordered by a click on a title; a
// double click on a finding shows its detail in a window beside the sheet:
// where it is, the whole message, and the line in a fixed font, unwrapped,
// under a column ruler, the faulty columns marked. The message column gives
// the whole message as its tooltip. Each new validation shows its first
// findings.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "validate/finding.h"
#include "validate/validate.h"

class QLabel;
class QPlainTextEdit;
class QTableView;

namespace fiscora::qt {

// The findings as a table: Linha, Colunas, Registro, Campo, Gravidade,
// Mensagem.
class FindingsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;
  void SetFindings(FindingList findings);
  Finding At(int row) const { return findings_[rows_[static_cast<size_t>(row)]]; }
  // The findings in the grid's order.
  FindingList findings() const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  FindingList findings_;        // as the validation left them
  std::vector<uint32_t> rows_;  // the finding shown on each row
};

// The detail of one finding ("dlg_detalhe_validacao"): the place
// ("lbl_local_validacao"), the message ("lbl_mensagem_validacao") and the
// ruler, the line and the marks under it ("mmo_linha_validacao").
class FindingDetailDialog : public QDialog {
  Q_OBJECT

 public:
  explicit FindingDetailDialog(QWidget* parent);
  void Show(const FindingDetailParts& detail);

 private:
  QLabel* head_ = nullptr;
  QLabel* message_ = nullptr;
  QPlainTextEdit* line_ = nullptr;
};

class ValidationSheet : public QWidget {
  Q_OBJECT

 public:
  explicit ValidationSheet(QWidget* parent);
  void Show(const ValidationReport& report, const QString& summary);
  // Called with the finding a double click chose: its detail, or nothing
  // when it could not be read (the caller said why).
  void SetDetailSource(std::function<std::optional<FindingDetailParts>(const Finding&)> source) {
    detail_ = std::move(source);
  }
  // Called by "Exportar" with the findings in the grid's order.
  void SetExportHandler(std::function<void(const FindingList&)> handler) {
    export_ = std::move(handler);
  }
  FindingsModel& model() { return *model_; }

 private:
  QLabel* summary_ = nullptr;
  QTableView* grid_ = nullptr;
  FindingsModel* model_ = nullptr;
  FindingDetailDialog* detail_dialog_ = nullptr;
  std::function<std::optional<FindingDetailParts>(const Finding&)> detail_;
  std::function<void(const FindingList&)> export_;
};

}  // namespace fiscora::qt
