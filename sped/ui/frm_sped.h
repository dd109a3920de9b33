// The SPED merge window (frm_sped, "Mesclagem de SPED"): "Adicionar" takes
// the head office's file and then its branches' into the company list,
// "Mesclar" writes the merged file. The window binds its controls to the
// session's merge state and calls the merge routines of the core.
#pragma once

#include "app/kit/routine_runner.h"
#include "app/kit/secondary_window.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace fiscora {
class Session;
}

namespace fiscora::qt {

class Tfrm_sped : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit Tfrm_sped(QWidget* parent);
  ~Tfrm_sped() override;

  // The window's creation step once the session exists (FormCreate): the
  // status and folder emptied, the merge files of the working folder
  // deleted; from then on the window shows the session's merge state.
  void Attach(Session& session);

  // No closing while a routine runs (the writer lets events through).
  void reject() override;

 private:
  // Shows the merge state (the company list, the status, the folder,
  // btn_f's enabled flag).
  void Sync();
  // Runs a routine of the core through the runner, with the buttons disabled
  // (the writer lets the window handle events); an error's text is shown as
  // the message; a routine that answers true closes the window.
  void Run(bool (*routine)(Session&));

  Session* session_ = nullptr;
  RoutineRunner runner_;
  QLabel* lbl1_;
  QPushButton* btn_m_;
  QPushButton* btn_mesclar_;
  QPushButton* btn_f_;
  QLabel* Label1_;
  QLabel* Label2_;
  QListWidget* lstAdicionados_;
  QLabel* lblStatus_;
  QLineEdit* edt_save_;
};

}  // namespace fiscora::qt
