// The SPED analysis window frm_notas_sped ("Analisar notas SPED") and the
// DIFAL list frmDifal ("Notas candidatas ao DIFAL"). Both are created at
// program start and kept; the analysis window is shown modally from the main
// window's "SPED" popup, the DIFAL list without blocking it.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "app/kit/recent_files.h"
#include "app/kit/routine_runner.h"
#include "app/kit/secondary_window.h"
#include "session/session.h"

class QTableView;
class QToolButton;

namespace fiscora::qt {

// The DIFAL list: DBGrid1 over cds_difal (numero, documento, data, nome),
// following the table as the reader refills it.
class TfrmDifal : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmDifal(QWidget* parent);
  void Attach(Session& s);
};

class Tfrm_notas_sped : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit Tfrm_notas_sped(QWidget* parent);
  // Joins the session (the grids are bound to cds_nf_sped and
  // cds_mov_ecf_sped), the DIFAL list that "Notas DIFAL" shows and the fiscal
  // summary that "Resumo Fiscal" shows modally.
  void Attach(Session& s, QDialog* difal, QDialog* fiscal_summary);

  // The events of the window, as its buttons call them.
  void btn_open_arq_spedClick();
  // Reads the SPED file into the grids, as "Arquivo SPED" does once the file
  // is chosen (also for a file dropped on the window).
  void OpenSpedFile(const std::string& path);
  // The list of recent SPED files: its menu after "Arquivo SPED"; a file
  // read here goes to its front.
  void AttachRecentFiles(RecentFiles& recent);
  void Button1Click();
  void btn1Click();
  void btn2Click();
  void btn3Click();

 private:
  // Sets the columns of grid_ecf that follow the four fixed ones, from the
  // reader's C481 report.
  void SetEcfColumns(bool c481);
  Session* s_ = nullptr;
  QDialog* difal_ = nullptr;
  QDialog* fiscal_summary_ = nullptr;
  QTableView* grid_analise_ = nullptr;
  QTableView* grid_ecf_ = nullptr;
  RoutineRunner runner_;  // the core routines of the clicks
  RecentFiles* recent_ = nullptr;
  QToolButton* recent_button_ = nullptr;
};

}  // namespace fiscora::qt
