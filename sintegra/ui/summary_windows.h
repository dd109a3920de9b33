// The CFOP summary frm_cfop and the fiscal summary frmResumoFiscal: both
// rebuild their content every time they are shown.
#pragma once

#include "app/kit/secondary_window.h"
#include "session/session.h"

namespace fiscora::qt {

class Tfrm_cfop : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit Tfrm_cfop(QWidget* parent);
  // Binds the grid DBGrid1 to cds_res_cfop.
  void Attach(Session& s);

 protected:
  // FormActivate: cds_res_cfop rebuilt, the four totals copied.
  void showEvent(QShowEvent* event) override;

 private:
  Session* s_ = nullptr;
};

class TfrmResumoFiscal : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmResumoFiscal(QWidget* parent);
  // Binds the grid DBGrid1 to cds_totalizador_icms.
  void Attach(Session& s);

 protected:
  // FormActivate: the three totals computed again.
  void showEvent(QShowEvent* event) override;

 private:
  Session* s_ = nullptr;
};

}  // namespace fiscora::qt
