// A window's run on a worker thread (the batch, the XML reconciliation):
// one run at a time, a stop flag the window raises and the run reads,
// progress and the end carried to the window's thread.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QString>
#include <atomic>
#include <exception>
#include <functional>
#include <thread>
#include <utility>

namespace fiscora::qt {

class BackgroundRun {
 public:
  // `owner`: the window. Progress and the end step run on its thread.
  explicit BackgroundRun(QObject* owner) : owner_(owner) {}
  // The owner waits in its own destructor (StopAndWait), while what the run
  // reads of it still exists.
  ~BackgroundRun() { StopAndWait(); }
  BackgroundRun(const BackgroundRun&) = delete;
  BackgroundRun& operator=(const BackgroundRun&) = delete;

  bool Running() const { return worker_.joinable(); }
  // The flag the run reads (lowered by Start).
  std::atomic<bool>* stop_flag() { return &stop_; }
  void Stop() { stop_ = true; }
  bool Stopping() const { return stop_; }
  // Raises the flag and waits for the run to end (a window that closes).
  void StopAndWait() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
  }

  // Runs `step` on the owner's thread at its next turn (progress reported
  // from the worker).
  void Post(std::function<void()> step) const {
    QMetaObject::invokeMethod(owner_, std::move(step), Qt::QueuedConnection);
  }

  // Runs `body` on a worker thread. Then, on the owner's thread and with the
  // worker joined, `done` gets the body's result and an empty text, or a
  // default result and the text of the std::exception that ended it.
  template <class Result>
  void Start(std::function<Result()> body, std::function<void(Result, const QString&)> done) {
    if (Running()) return;
    stop_ = false;
    worker_ = std::thread([this, body = std::move(body), done = std::move(done)] {
      Result result{};
      QString error;
      try {
        result = body();
      } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
      }
      Post([this, result = std::move(result), error, done]() mutable {
        if (worker_.joinable()) worker_.join();
        done(std::move(result), error);
      });
    });
  }

 private:
  QObject* owner_;
  std::atomic<bool> stop_{false};
  std::thread worker_;
};

}  // namespace fiscora::qt
