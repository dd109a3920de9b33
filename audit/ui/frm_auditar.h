// The audit window frm_auditar ("Auditoria"): markup, the source of the
// audit (SINTEGRA: the two inventory files and the period files, each
// loaded by its own click; EFD: the EFD files holding the inventories, the
// period files, the XML folders or zip files and "Auditar"), the periods
// included and the spreadsheet. It mirrors the session's
// AuditState and hands every click to the core's routines
// (audit/audit_window.h, audit/audit_sheet.h); the loaders they start run on
// worker threads and reach the window only through their start and end
// steps, which the state's `changed` hook turns into a refresh.
#pragma once

#include <QDialog>
#include <QList>

#include "app/kit/routine_runner.h"

namespace fiscora {
class Session;
}

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QProgressBar;
class QPushButton;

namespace fiscora::qt {

class Tfrm_auditar : public QDialog {
  Q_OBJECT

 public:
  explicit Tfrm_auditar(QWidget* parent);
  ~Tfrm_auditar() override;

  // Joins the session (created after the window); until then the buttons do
  // nothing.
  void Attach(Session& s);
  // Shows the state as it is now.
  void Refresh();

 signals:
  // An audit loader started (true) or ended its end step (false).
  void loaderRunningChanged(bool running);

 private:
  // Runs a core routine for a click through the runner (the window disabled
  // meanwhile: the export breathes while it walks the audit table); an
  // exception ends it with its text as the session's message.
  void Run(void (*routine)(Session&));

  Session* s_ = nullptr;
  RoutineRunner runner_;
  bool running_ = false;
  QLineEdit* edt_markup_ = nullptr;
  QLineEdit* edt_inv_ini_ = nullptr;
  QLineEdit* edt_inv_fim_ = nullptr;
  QLineEdit* edt_sintegra_ = nullptr;
  QLabel* dbtxt_inv_ini_ = nullptr;
  QLabel* dbtxt_inv_fim_ = nullptr;
  QPushButton* btn_abrir_inv_ini_ = nullptr;
  QPushButton* btn_abrir_inv_fim_ = nullptr;
  QPushButton* btn_abrir_sintegra_ = nullptr;
  QPushButton* btn_incluir_sintegra_ = nullptr;
  QPushButton* btn_excel_ = nullptr;
  QProgressBar* img_ini_ = nullptr;
  QProgressBar* img_fim_ = nullptr;
  QProgressBar* img_sintegra_ = nullptr;
  QLabel* lbl_per_[12] = {};
  QProgressBar* progress_ = nullptr;
  // The source of the audit and the EFD side.
  QRadioButton* rb_sintegra_ = nullptr;
  QRadioButton* rb_efd_ = nullptr;
  QWidget* pnl_sintegra_ = nullptr;
  QGroupBox* pnl_efd_ = nullptr;
  QLineEdit* edt_efd_inv_ini_ = nullptr;
  QLineEdit* edt_efd_inv_fim_ = nullptr;
  QListWidget* lst_efd_periodos_ = nullptr;
  QListWidget* lst_xml_ = nullptr;
  QCheckBox* chk_ind_mov1_ = nullptr;
  QPushButton* btn_auditar_efd_ = nullptr;
  QList<QPushButton*> efd_buttons_;
  QProgressBar* img_efd_ = nullptr;
  QLabel* lbl_efd_resumo_ = nullptr;
};

}  // namespace fiscora::qt
