// How a window runs a core routine for a click: one routine at a time, and
// a failure shown once, through the session's user interface (so a long
// text opens in the scrolling dialog like every other message).
//
// Routines breathe (the window handles clicks and repaints while they run):
// while one runs, `Busy()` is true and `Run` starts nothing else over the
// same tables and working files. The controls a routine disables are its
// own business: the core enables them again on its way out of a failure,
// and the window's `after` step shows the state it ends with.
#pragma once

#include <exception>
#include <functional>

namespace fiscora {
class Session;
}

namespace fiscora::qt {

class RoutineRunner {
 public:
  using Routine = std::function<void(Session&)>;
  using FailureStep = std::function<void(const std::exception&)>;

  // `before` runs before each routine (a window disables the buttons that
  // would start another one), `after` after each one, whether it ended or
  // failed (the window shows its state again).
  explicit RoutineRunner(std::function<void()> before = {}, std::function<void()> after = {})
      : before_(std::move(before)), after_(std::move(after)) {}

  // The session routines run on; until it is set, `Run` does nothing.
  void Attach(Session& session) { session_ = &session; }
  Session* session() const { return session_; }

  // A routine is running.
  bool Busy() const { return busy_; }

  // Runs `routine` unless no session is set or a routine is running. A
  // std::exception ends it: `on_failure` sees it first (when given), then
  // its text goes to the session's user interface as a message. True when
  // the routine ran to its end.
  bool Run(const Routine& routine, const FailureStep& on_failure = {});

 private:
  Session* session_ = nullptr;
  bool busy_ = false;
  std::function<void()> before_;
  std::function<void()> after_;
};

}  // namespace fiscora::qt
