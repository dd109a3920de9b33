#include "app/kit/routine_runner.h"

#include "session/session.h"

namespace fiscora::qt {

bool RoutineRunner::Run(const Routine& routine, const FailureStep& on_failure) {
  if (!session_ || busy_) return false;
  // Whatever leaves the routine, the runner is free again after it.
  struct Free {
    bool& busy;
    ~Free() { busy = false; }
  } free{busy_};
  busy_ = true;
  if (before_) before_();
  bool ended = false;
  try {
    routine(*session_);
    ended = true;
  } catch (const std::exception& e) {
    if (on_failure) on_failure(e);
    session_->ui.Message("", e.what());
  }
  busy_ = false;
  if (after_) after_();
  return ended;
}

}  // namespace fiscora::qt
