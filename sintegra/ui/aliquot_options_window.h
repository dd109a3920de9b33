// The options of "Gerar em Excel" (frmOpcaoAliq): six radio buttons, one per
// table, and "Gerar" (btn1), which hands the chosen table (null when none is
// chosen) to the action the main window set, then closes the window.
#pragma once

#include <functional>

#include "app/kit/secondary_window.h"
#include "sintegra/aliquots.h"

namespace fiscora::qt {

class TfrmOpcaoAliq : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmOpcaoAliq(QWidget* parent);
  void SetAction(std::function<void(const AliquotTableChoice*)> action) {
    action_ = std::move(action);
  }
  // The choice of the checked radio button, or null.
  const AliquotTableChoice* Chosen() const;

 private:
  void btn1Click();
  std::function<void(const AliquotTableChoice*)> action_;
};

}  // namespace fiscora::qt
