// Test helpers of the stock audit: record 54 lines, and a user interface
// with an event loop of its own, so that a loader's start and end steps run
// on the test's thread while the body runs on the worker, as in the window.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "audit/loaders.h"
#include "session/session.h"
#include "sintegra_fixture.h"

namespace fiscora::testing {

// A record 54 item: product code, CFOP, quantity in thousandths, value in
// cents.
inline Rec R54(std::string_view code, std::string_view cfop, long long qty_milli, long long cents,
               int nota = 1) {
  Rec r("54");
  r.Put(rec54::kCnpj, "11222333000181").Put(rec54::kModelo, "01").Put(rec54::kSerie, "1  ");
  r.Num(rec54::kNumero, nota).Put(rec54::kCfop, cfop).Put(rec54::kCst, "000");
  r.Put(rec54::kItem, "001").Put(rec54::kCodigo, code).Num(rec54::kQuantidade, qty_milli);
  r.Num(rec54::kValor, cents).Num(rec54::kDesconto, 0).Num(rec54::kBaseCalculo, 0);
  r.Num(rec54::kBaseSt, 0).Num(rec54::kValorIpi, 0).Put(rec54::kAliquota, "1800");
  return r;
}

// Record 10 of a month: R10Month("202403") covers March 2024.
inline Rec R10Month(std::string_view yyyymm) {
  std::string ym(yyyymm);
  return R10("12345678000195", ym + "01", ym + "28");
}

// The steps handed to the event loop wait in a queue until the test's
// thread runs them (Pump); messages are shown there too, as in the window.
class EventLoopUserInterface : public RecordingUserInterface {
 public:
  void RunOnEventLoop(const std::function<void()>& step) override {
    if (std::this_thread::get_id() == loop_thread_) return step();
    std::unique_lock lock(mutex_);
    bool done = false;
    queue_.push_back([&] {
      step();
      std::lock_guard inner(mutex_);
      done = true;
      cv_.notify_all();
    });
    cv_.notify_all();
    cv_.wait(lock, [&] { return done; });
  }
  void Message(std::string_view title, std::string_view text) override {
    RunOnEventLoop([&] { RecordingUserInterface::Message(title, text); });
  }
  void Breathe() override {}
  // Runs the handed steps until the audit has no loader running, then joins
  // its worker.
  // `meanwhile` runs whenever no step is waiting, as the window repaints
  // between events.
  void Pump(Session& s, const std::function<void()>& meanwhile = {}) {
    while (s.audit.Busy()) {
      std::function<void()> step;
      {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_for(lock, std::chrono::milliseconds(1), [&] { return !queue_.empty(); })) {
          lock.unlock();
          if (meanwhile) meanwhile();
          continue;
        }
        step = std::move(queue_.front());
        queue_.pop_front();
      }
      step();
    }
    WaitForAuditLoader(s);
  }

 private:
  const std::thread::id loop_thread_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace fiscora::testing
