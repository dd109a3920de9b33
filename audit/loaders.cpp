#include "audit/loaders.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "audit/movements.h"
#include "sintegra/header.h"
#include "sintegra/input_check.h"
#include "sintegra/inventory.h"
#include "sintegra/loader.h"
#include "sped/fields.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <pthread.h>
#include <sched.h>
#endif

namespace fiscora {

namespace {

// The highest priority the thread may take without privileges: on Windows
// "highest" (time critical would starve the window's thread); elsewhere the
// top of the thread's own scheduling policy, which for ordinary threads is
// its only level.
void RaisePriority(std::thread& t) {
#if defined(_WIN32)
  SetThreadPriority(static_cast<HANDLE>(t.native_handle()), THREAD_PRIORITY_HIGHEST);
#elif defined(__unix__) || defined(__APPLE__)
  int policy = 0;
  sched_param param{};
  if (pthread_getschedparam(t.native_handle(), &policy, &param) != 0) return;
  param.sched_priority = sched_get_priority_max(policy);
  pthread_setschedparam(t.native_handle(), policy, &param);
#else
  (void)t;
#endif
}

}  // namespace

AuditLoader::AuditLoader(Session& s, AuditLoaderKind kind, std::string path, BusyPicture& picture,
                         AuditButton* button, AuditButton& starter)
    : s_(s),
      audit_(s.audit),
      path_(std::move(path)),
      kind_(kind),
      picture_(picture),
      button_(button),
      starter_(starter) {}

bool AuditLoader::Start(std::unique_ptr<AuditLoader> loader) {
  AuditState& audit = loader->audit_;
  if (audit.Busy()) return false;
  // The previous worker has run its end step: it is ending or has ended.
  audit.JoinWorker();
  audit.running = loader->kind_;
  audit.Changed();
  audit.worker = std::thread([self = std::move(loader)] { self->Execute(); });
  RaisePriority(audit.worker);
  return true;
}

void AuditLoader::Execute() {
  UserInterface& ui = s_.ui;
  ui.RunOnEventLoop([this] {
    picture_.visible = true;
    picture_.animated = true;
    audit_.Changed();
  });
  std::string error;
  try {
    Body();
  } catch (const ConversionError& e) {
    // FILE:LINE: and the field, as every loader names a bad field.
    error = e.file() + ":" + std::to_string(e.line()) + ": " + e.detail();
  } catch (const SpedConversionError& e) {
    error = e.file() + ":" + std::to_string(e.line()) + ": " + e.detail();

  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "Erro inesperado ao ler o arquivo " + path_;
  }
  ui.RunOnEventLoop([this, &error] {
    picture_.visible = false;
    picture_.animated = false;
    audit_.last_error = error;
    if (error.empty()) {
      if (button_) button_->enabled = true;
      Succeeded();
    } else {
      starter_.enabled = true;
      Failed();
    }
    // The message first: while it is shown the loader still counts as
    // running, so no click in a nested event loop can start another one and
    // wait for this worker, which waits for this step.
    if (!error.empty()) s_.ui.Message("", error);
    audit_.running = AuditLoaderKind::kNone;
    audit_.Changed();
  });
}

bool TINV_INI::Create(Session& s, std::string ppARQ_INI, BusyPicture& ppGIF_INI,
                      AuditButton& ppBTN_INI) {
  return Start(
      std::unique_ptr<AuditLoader>(new TINV_INI(s, AuditLoaderKind::kInitial, std::move(ppARQ_INI),
                                                ppGIF_INI, &ppBTN_INI, s.audit.btn_abrir_inv_ini)));
}

// Each loader refuses a file that is not SINTEGRA before it loads anything;
// the refusal is the loader's error message.
void TINV_INI::Body() {
  CheckSintegraInput(path_);
  ReadFileHeader(s_, path_);
  LoadSintegraFile(s_, path_, LoadMode::INV_INI);
  CompleteInventory(s_, LoadMode::INV_INI);
  AuditInitialInventory(s_);
}

bool TINV_FIM::Create(Session& s, std::string ppARQ_FIM, BusyPicture& ppGIF_FIM,
                      AuditButton& ppBTN_FIM) {
  return Start(
      std::unique_ptr<AuditLoader>(new TINV_FIM(s, AuditLoaderKind::kFinal, std::move(ppARQ_FIM),
                                                ppGIF_FIM, &ppBTN_FIM, s.audit.btn_abrir_inv_fim)));
}

void TINV_FIM::Body() {
  CheckSintegraInput(path_);
  LoadSintegraFile(s_, path_, LoadMode::INV_FIM);
  CompleteInventory(s_, LoadMode::INV_FIM);
  AuditFinalInventory(s_);
}

TSINTEGRA::TSINTEGRA(Session& s, std::string path, BusyPicture& picture, std::string period)
    : AuditLoader(s, AuditLoaderKind::kPeriod, std::move(path), picture, nullptr,
                  s.audit.btn_incluir_sintegra),
      period_(std::move(period)) {}

bool TSINTEGRA::Create(Session& s, std::string ppARQ_SIN, BusyPicture& ppGIF_SIN,
                       std::string period) {
  return Start(std::unique_ptr<AuditLoader>(
      new TSINTEGRA(s, std::move(ppARQ_SIN), ppGIF_SIN, std::move(period))));
}

void TSINTEGRA::Body() {
  CheckSintegraInput(path_);
  LoadSintegraFile(s_, path_, LoadMode::Normal);
  CompleteInventory(s_, LoadMode::Normal);
  AuditClassifyMovements(s_);
}

void TSINTEGRA::Failed() {
  // The period did not get into the audit: it leaves the list, so that the
  // user can include it again.
  auto& periods = audit_.included_periods;
  periods.erase(std::remove(periods.begin(), periods.end(), period_), periods.end());
  for (std::string& label : audit_.lbl_per)
    if (label == period_) label = AuditState::kFreeSlot;
}

TEFD::TEFD(Session& s, EfdAuditInputs inputs)
    : AuditLoader(s, AuditLoaderKind::kEfd, inputs.periods.empty() ? "" : inputs.periods.front(),
                  s.audit.img_efd, &s.audit.btn_excel, s.audit.btn_auditar_efd),
      inputs_(std::move(inputs)) {}

bool TEFD::Create(Session& s, EfdAuditInputs inputs) {
  return Start(std::unique_ptr<AuditLoader>(new TEFD(s, std::move(inputs))));
}

void TEFD::Body() { outcome_ = RunEfdAudit(s_, inputs_); }

void TEFD::Failed() {
  audit_.efd.has_outcome = false;
  audit_.efd.outcome = EfdAuditOutcome{};
}

void TEFD::Succeeded() {
  audit_.btn_auditar_efd.enabled = true;
  audit_.lbl_per.fill(AuditState::kFreeSlot);
  for (size_t i = 0; i < outcome_.periods.size() && i < audit_.lbl_per.size(); ++i)
    audit_.lbl_per[i] = outcome_.periods[i];
  audit_.included_periods = outcome_.periods;
  audit_.efd.outcome = std::move(outcome_);
  audit_.efd.has_outcome = true;
}

void WaitForAuditLoader(Session& s) { s.audit.JoinWorker(); }

}  // namespace fiscora
