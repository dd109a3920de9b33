// The state of the SPED merge window (frm_sped): the company list, the output
// folder chosen last and the status label. The merge files themselves live
// in the working folder; this state only says what the window shows.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fiscora {

struct SpedMergeState {
  // lstAdicionados: one entry per establishment (register 0140) of every
  // accepted file, "12.345.678/0001-95 - NAME", as UTF-8, in the order added.
  std::vector<std::string> lstAdicionados;
  // edt_save: the output folder the user chose last (UTF-8), empty until the
  // first choice.
  std::string edt_save;
  // lblStatus: the writer's progress.
  std::string lblStatus;
  // btn_f ("Filial") is enabled once a file has been confirmed.
  bool btn_f_enabled = false;
  // The folder the folder dialog starts in while edt_save is empty (the
  // program's own folder; set by the front end).
  std::string program_folder;
  // The files whose lines went into the merge files (UTF-8), in the order
  // added: the merged file never replaces one of them.
  std::vector<std::string> inputs;

  // Called after every change of the fields above, so the window can show
  // it (the window sets it; empty in headless runs).
  std::function<void()> changed;
  void Changed() const {
    if (changed) changed();
  }
};

}  // namespace fiscora
