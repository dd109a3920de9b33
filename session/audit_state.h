// The state of the stock audit's window frm_auditar that outlives its
// showings: the markup and path boxes, the buttons and busy pictures, the
// period list, the export's progress bar, and the audit loader that may be
// running. The window mirrors it; the routines never see a widget.
//
// Threads: every member is read and written on the event loop's thread only.
// A loader's body runs on its worker thread and reaches this state only
// through its start and end steps, which run on the event loop's thread
// (UserInterface::RunOnEventLoop) while the worker waits.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "session/efd_audit_state.h"

namespace fiscora {

// A button of the audit window: caption and enabled flag.
struct AuditButton {
  std::string caption;
  bool enabled = true;
};

// An animated busy picture: shown from the start, animated while its loader
// runs, hidden when the loader ends.
struct BusyPicture {
  bool visible = true;
  bool animated = false;
};

enum class AuditLoaderKind { kNone, kInitial, kFinal, kPeriod, kEfd };

struct AuditState {
  static constexpr int kPeriodLabels = 12;
  static constexpr const char* kFreeSlot = "--------------------";

  AuditState() { lbl_per.fill(kFreeSlot); }
  AuditState(const AuditState&) = delete;
  AuditState& operator=(const AuditState&) = delete;
  // A worker still running is waited for.
  ~AuditState() { JoinWorker(); }

  std::string edt_markup = "1,5";
  std::string edt_inv_ini, edt_inv_fim, edt_sintegra;
  AuditButton btn_abrir_inv_ini{"Abrir"}, btn_abrir_inv_fim{"Abrir"}, btn_abrir_sintegra{"Abrir"},
      btn_incluir_sintegra{"Icluir"}, btn_excel{"Salvar em Excel"};
  BusyPicture img_ini, img_fim, img_sintegra;
  // lbl_per1 to lbl_per12.
  std::array<std::string, kPeriodLabels> lbl_per;
  // Every period included, listed or not (a thirteenth period has no label
  // but is still recognised when it comes again).
  std::vector<std::string> included_periods;
  // The audit from EFD files (rb_efd), its files and its last outcome; its
  // button and busy picture.
  EfdAuditState efd;
  AuditButton btn_auditar_efd{"Auditar"};
  BusyPicture img_efd{false, false};
  // The export's progress bar.
  bool progress_visible = false;
  int progress_position = 0;
  int progress_max = 0;

  // The loader between its start (the click) and its end step; none while
  // idle. While one runs, nothing that touches its tables may start.
  AuditLoaderKind running = AuditLoaderKind::kNone;
  bool Busy() const { return running != AuditLoaderKind::kNone; }
  // A button as the user can use it: enabled and no loader running (every
  // button of the window reads or writes the audit's tables).
  bool Usable(const AuditButton& b) const { return b.enabled && !Busy(); }
  // The error that ended the last loader's body (its message text), empty
  // when it ended well.
  std::string last_error;

  // Told, on the event loop's thread, after the state changed (the window
  // mirrors it then). May be empty.
  std::function<void()> changed;
  void Changed() const {
    if (changed) changed();
  }

  // The thread of the last loader started. Joining it is quick once its end
  // step has run; before that it must not be joined from the event loop's
  // thread (the end step waits for that thread).
  std::thread worker;
  void JoinWorker() {
    if (worker.joinable()) worker.join();
  }
};

}  // namespace fiscora
