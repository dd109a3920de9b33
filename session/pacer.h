// Lets the window breathe from a long loop without reading the clock at
// every line.
#pragma once

#include <chrono>

#include "session/user_interface.h"

namespace fiscora {

// Calls UserInterface::Breathe about every 30 ms from a loop that calls
// Tick() after every line; the clock is read only every 256 ticks.
class Pacer {
 public:
  explicit Pacer(UserInterface& ui,
                 std::chrono::milliseconds period = std::chrono::milliseconds(30))
      : ui_(ui), period_(period), last_(std::chrono::steady_clock::now()) {}
  void Tick() {
    if ((++ticks_ & 255u) != 0) return;
    auto now = std::chrono::steady_clock::now();
    if (now - last_ >= period_) {
      last_ = now;
      ui_.Breathe();
    }
  }

 private:
  UserInterface& ui_;
  std::chrono::milliseconds period_;
  std::chrono::steady_clock::time_point last_;
  unsigned ticks_ = 0;
};

}  // namespace fiscora
