// The kit's runners: the routine runner every window uses for its clicks
// (one routine at a time, a failure shown once through the session's user
// interface, the window's steps before and after each routine whatever its
// end) and the background run of the windows with a worker thread.
#include "app/kit/routine_runner.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/kit/background_run.h"
#include "data/catalogue.h"
#include "session/main_window_state.h"
#include "session/recording_ui.h"
#include "session/session.h"

namespace fiscora::qt {
namespace {

class RoutineRunnerTest : public ::testing::Test {
 protected:
  RoutineRunnerTest()
      : runner_([this] { button_.setEnabled(false); },
                [this] {
                  button_.setEnabled(true);
                  steps_.push_back("after");
                }) {
    runner_.Attach(session_);
    QObject::connect(&button_, &QPushButton::clicked,
                     [this] { runner_.Run([this](Session&) { steps_.push_back("click"); }); });
  }

  TdtmCENTRAL dtm_;
  MainWindowState frm_;
  RecordingUserInterface ui_;
  Session session_{dtm_, frm_, ui_, std::filesystem::temp_directory_path()};
  QWidget window_;
  QPushButton button_{&window_};
  std::vector<std::string> steps_;
  RoutineRunner runner_;
};

TEST_F(RoutineRunnerTest, AFailureIsShownOnceThroughThePortAndTheControlsComeBack) {
  const std::string long_text(5000, 'x');  // the port decides how to show it
  const bool ended = runner_.Run(
      [&](Session&) {
        EXPECT_FALSE(button_.isEnabled());
        throw std::runtime_error(long_text);
      },
      [&](const std::exception& e) {
        // The window's own step sees the failure before its message.
        EXPECT_TRUE(ui_.messages.empty());
        steps_.push_back(std::string("failure ") + (e.what() == long_text ? "seen" : "other"));
      });
  EXPECT_FALSE(ended);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, long_text);
  EXPECT_EQ(steps_, (std::vector<std::string>{"failure seen", "after"}));
  EXPECT_TRUE(button_.isEnabled());
  EXPECT_FALSE(runner_.Busy());

  // The next click runs as usual.
  QTest::mouseClick(&button_, Qt::LeftButton);
  EXPECT_EQ(steps_.back(), "after");
  EXPECT_EQ(steps_[steps_.size() - 2], "click");
  EXPECT_EQ(ui_.messages.size(), 1u);
}

TEST_F(RoutineRunnerTest, NoRoutineStartsWhileOneRuns) {
  bool nested = true;
  const bool ended = runner_.Run([&](Session&) {
    EXPECT_TRUE(runner_.Busy());
    // A click handled while the routine breathes, and a direct call.
    button_.setEnabled(true);
    button_.click();
    nested = runner_.Run([&](Session&) { steps_.push_back("nested"); });
  });
  EXPECT_TRUE(ended);
  EXPECT_FALSE(nested);
  EXPECT_EQ(steps_, (std::vector<std::string>{"after"}));
  EXPECT_FALSE(runner_.Busy());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST(RoutineRunner, NothingRunsBeforeASessionIsAttached) {
  RoutineRunner runner;
  bool ran = false;
  EXPECT_FALSE(runner.Run([&](Session&) { ran = true; }));
  EXPECT_FALSE(ran);
  EXPECT_FALSE(runner.Busy());
}

// The worker side: the end step on the window's thread with the worker
// joined, a failure's text, the stop flag.
TEST(BackgroundRun, EndsOnTheWindowsThreadWithItsResultOrItsFailure) {
  QObject window;
  BackgroundRun run(&window);
  struct End {
    int result = -1;
    QString error;
    bool on_window_thread = false;
    bool worker_joined = false;
  };
  std::optional<End> end;
  const auto done = [&](int result, const QString& error) {
    end = End{result, error, QThread::currentThread() == window.thread(), !run.Running()};
  };

  run.Start<int>([] { return 7; }, done);
  QTRY_VERIFY(end.has_value());
  EXPECT_EQ(end->result, 7);
  EXPECT_TRUE(end->error.isEmpty());
  EXPECT_TRUE(end->on_window_thread);
  EXPECT_TRUE(end->worker_joined);

  end.reset();
  run.Start<int>([]() -> int { throw std::runtime_error("Pasta não encontrada."); }, done);
  QTRY_VERIFY(end.has_value());
  EXPECT_EQ(end->result, 0);
  EXPECT_EQ(end->error, QString::fromUtf8("Pasta não encontrada."));

  // A run that lasts until it is told to stop; progress comes on the way.
  end.reset();
  int progress = 0;
  run.Start<int>(
      [&run, &progress] {
        run.Post([&progress] { ++progress; });
        while (!run.stop_flag()->load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 1;
      },
      done);
  EXPECT_TRUE(run.Running());
  QTRY_COMPARE(progress, 1);
  run.StopAndWait();
  EXPECT_FALSE(run.Running());
  QTRY_VERIFY(end.has_value());
  EXPECT_EQ(end->result, 1);
}

}  // namespace
}  // namespace fiscora::qt
