// The audit loaders: each file of a stock audit is read on a worker thread
// of its own. A loader's start step (its busy picture shown and animated)
// and end step (the picture hidden, the next button enabled, the loader
// marked ended) run on the event loop's thread while the worker waits; the
// body in between runs on the worker:
//   TINV_INI   header, record loader "INV_INI", inventory completion,
//              AuditInitialInventory
//   TINV_FIM   record loader "INV_FIM", inventory completion,
//              AuditFinalInventory
//   TSINTEGRA  record loader "Normal", inventory completion,
//              AuditClassifyMovements
// At most one loader runs at a time (AuditState::running, set by Create on
// the event loop's thread); while it runs it alone uses cds_audit, the tables
// of its mode, the main tables and the record loader's shared state.
//
// An error in the body (a file that cannot be read, a field that cannot be
// converted) ends it: the end step still runs, the picture stops, the
// button that started the loader is enabled again, and the error's text
// (naming the file and the line) is shown in a message box. The tables keep
// what was written before the error.
#pragma once

#include <memory>
#include <string>

#include "audit/efd_audit.h"
#include "session/audit_state.h"
#include "session/session.h"

namespace fiscora {

class AuditLoader {
 public:
  virtual ~AuditLoader() = default;
  AuditLoader(const AuditLoader&) = delete;
  AuditLoader& operator=(const AuditLoader&) = delete;

 protected:
  // `picture` and `button` belong to the audit state and outlive the loader;
  // `starter` is the button that started it (enabled again after an error).
  AuditLoader(Session& s, AuditLoaderKind kind, std::string path, BusyPicture& picture,
              AuditButton* button, AuditButton& starter);

  // Marks the loader running and hands it to a new worker thread at the
  // highest priority the platform gives, which runs Execute and frees it.
  // Called on the event loop's thread; false (nothing started) while
  // another loader runs.
  static bool Start(std::unique_ptr<AuditLoader> loader);

  virtual void Body() = 0;
  // End step after an error, on the event loop's thread.
  virtual void Failed() {}
  // End step after the body ended well, on the event loop's thread.
  virtual void Succeeded() {}

  Session& s_;
  AuditState& audit_;
  std::string path_;

 private:
  void Execute();

  AuditLoaderKind kind_;
  BusyPicture& picture_;
  AuditButton* button_;
  AuditButton& starter_;
};

class TINV_INI final : public AuditLoader {
 public:
  // The initial inventory at ppARQ_INI; its end enables ppBTN_INI.
  static bool Create(Session& s, std::string ppARQ_INI, BusyPicture& ppGIF_INI,
                     AuditButton& ppBTN_INI);

 private:
  using AuditLoader::AuditLoader;
  void Body() override;
};

class TINV_FIM final : public AuditLoader {
 public:
  // The final inventory at ppARQ_FIM; its end enables ppBTN_FIM.
  static bool Create(Session& s, std::string ppARQ_FIM, BusyPicture& ppGIF_FIM,
                     AuditButton& ppBTN_FIM);

 private:
  using AuditLoader::AuditLoader;
  void Body() override;
};

class TSINTEGRA final : public AuditLoader {
 public:
  // The period file at ppARQ_SIN, whose period text is `period`; after an
  // error the period leaves the list again so that it can be retried.
  static bool Create(Session& s, std::string ppARQ_SIN, BusyPicture& ppGIF_SIN, std::string period);

 private:
  TSINTEGRA(Session& s, std::string path, BusyPicture& picture, std::string period);
  void Body() override;
  void Failed() override;

  std::string period_;
};

// The audit from EFD files (audit/efd_audit.h) on the files of `inputs`;
// its end step puts the outcome in AuditState::efd and the periods in the
// labels. After an error the previous outcome is gone.
class TEFD final : public AuditLoader {
 public:
  static bool Create(Session& s, EfdAuditInputs inputs);

 private:
  TEFD(Session& s, EfdAuditInputs inputs);
  void Body() override;
  void Failed() override;
  void Succeeded() override;

  EfdAuditInputs inputs_;
  EfdAuditOutcome outcome_;
};

// Waits until the last loader started has ended (its end step run). Only for
// programs whose event loop does not need to run meanwhile: fiscora-cli and
// the tests, whose user interface runs the steps at once.
void WaitForAuditLoader(Session& s);

}  // namespace fiscora
