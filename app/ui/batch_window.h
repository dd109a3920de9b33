// The window "Lote": a folder of client files checked in one run. The
// folder, the output folder and the tasks; "Executar" runs the batch
// (cli/batch.h, the routine of `fiscora-cli lote`) on a worker thread with
// the gauge and a status line; the summary grid with a filter box, ordered
// by a click on a title; a double click opens that file in the main window;
// "Exportar" saves resumo.xlsx (the summary and the findings) through the
// save step of every export.
#pragma once

#include <QAbstractTableModel>
#include <filesystem>
#include <functional>
#include <vector>

#include "app/kit/background_run.h"
#include "app/kit/secondary_window.h"
#include "cli/batch.h"
#include "session/user_interface.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace fiscora::qt {

// The summary rows: Arquivo, Tipo, CNPJ, Empresa, Período, Linhas, Erros,
// Avisos, Entradas, Saídas, Cupons, Inventário, Situação, Mensagem, Segundos.
// Qt::UserRole holds the value to order by (numbers as numbers).
class BatchRowsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;
  void SetRows(std::vector<BatchRow> rows);
  const BatchRow& At(int row) const { return rows_[static_cast<size_t>(row)]; }
  const std::vector<BatchRow>& rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<BatchRow> rows_;
};

class TfrmLote : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmLote(QWidget* parent);
  ~TfrmLote() override;
  // Folder choices and the save step go through `ui`; `open` opens a file
  // of the grid in the main window.
  void Attach(UserInterface& ui, std::function<void(const std::string&)> open) {
    ui_ = &ui;
    open_ = std::move(open);
  }
  bool Running() const { return run_.Running(); }
  BatchRowsModel& model() { return *model_; }

 signals:
  // The batch ended (or stopped, or failed with `error`).
  void finished(const QString& error);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void btn_executarClick();
  void btn_exportarClick();
  void Progress(const BatchProgress& p);
  void Finished(BatchOutcome outcome, const QString& error);

  UserInterface* ui_ = nullptr;
  std::function<void(const std::string&)> open_;
  QLineEdit* edt_pasta_ = nullptr;
  QLineEdit* edt_saida_ = nullptr;
  QCheckBox* chk_validar_ = nullptr;
  QCheckBox* chk_verificar_ = nullptr;
  QPushButton* btn_executar_ = nullptr;
  QPushButton* btn_parar_ = nullptr;
  QPushButton* btn_exportar_ = nullptr;
  QProgressBar* progresso_ = nullptr;
  QLabel* lbl_status_ = nullptr;
  QLineEdit* edt_filtro_ = nullptr;
  QTableView* dbg_lote_ = nullptr;
  BatchRowsModel* model_ = nullptr;
  QSortFilterProxyModel* proxy_ = nullptr;
  std::filesystem::path output_;  // of the rows shown
  BackgroundRun run_{this};
};

}  // namespace fiscora::qt
