// The window "Conciliação XML" (the "SPED" popup of the main window): the
// XML folders and zip files, the EFD or SINTEGRA files and the tolerance;
// "Conciliar" runs the reconciliation (nfe/reconcile.h, the routine of
// `fiscora-cli conciliar-xml`) on a worker thread with the gauge and a
// status line, "Cancelar" stops it; the summary above the grid, the grid
// ordered by a click on a title and filtered by the text of its messages;
// a double click shows the note's XML file and its booking's line;
// "Exportar" saves the sheets "Conciliação" and "Resumo".
#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <string>
#include <vector>

#include "app/kit/background_run.h"
#include "app/kit/secondary_window.h"
#include "nfe/reconcile.h"
#include "session/user_interface.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSortFilterProxyModel;
class QTableView;

namespace fiscora::qt {

// The rows of a reconciliation, one cell asked at a time; Qt::UserRole
// holds the value to order by (numbers and money as numbers).
class ReconRowsModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;
  // The reconciliation shown (kept by the caller), or null for none.
  void SetReconciliation(const Reconciliation* r);
  const ReconRow& At(int row) const { return r_->rows[static_cast<size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const Reconciliation* r_ = nullptr;
};

class TfrmConciliacaoXml : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmConciliacaoXml(QWidget* parent);
  ~TfrmConciliacaoXml() override;
  // File and folder choices, messages and the save step go through `ui`.
  void Attach(UserInterface& ui) { ui_ = &ui; }
  bool Running() const { return run_.Running(); }
  const Reconciliation* result() const { return result_.get(); }

 signals:
  // The run ended: `error` is empty when it ended well, the message when it
  // failed or was cancelled.
  void finished(const QString& error);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void btn_conciliarClick();
  void btn_exportarClick();
  void ShowDetail(const QModelIndex& index);
  void Progress(const QString& step, qint64 done, qint64 total);
  void Finished(std::shared_ptr<Reconciliation> result, const QString& error);
  void ShowSummary();
  void SetRunning(bool running);

  UserInterface* ui_ = nullptr;
  QListWidget* lst_xml_ = nullptr;
  QListWidget* lst_escrita_ = nullptr;
  QRadioButton* rb_efd_ = nullptr;
  QRadioButton* rb_sintegra_ = nullptr;
  QLineEdit* edt_tolerancia_ = nullptr;
  QPushButton* btn_conciliar_ = nullptr;
  QPushButton* btn_cancelar_ = nullptr;
  QPushButton* btn_exportar_ = nullptr;
  QProgressBar* progresso_ = nullptr;
  QLabel* lbl_status_ = nullptr;
  QLabel* lbl_resumo_ = nullptr;
  QLineEdit* edt_filtro_ = nullptr;
  QTableView* dbg_conciliacao_ = nullptr;
  ReconRowsModel* model_ = nullptr;
  QSortFilterProxyModel* proxy_ = nullptr;
  std::unique_ptr<Reconciliation> result_;
  BackgroundRun run_{this};
};

}  // namespace fiscora::qt
