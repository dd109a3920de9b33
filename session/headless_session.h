// A session without a window: the data module, the recording user interface,
// the main window's state and the Session over them, set up as the window
// sets its own up (InitMainWindow), with the records of that setup cleared so
// that only what a routine changes is reported. fiscora-cli, the tests, the
// fuzz targets and the benchmarks run the routines over one.
#pragma once

#include <filesystem>
#include <memory>

#include "data/catalogue.h"
#include "session/main_window_state.h"
#include "session/recording_ui.h"
#include "session/session.h"

namespace fiscora {

class HeadlessSession {
 public:
  // The working folder is the caller's: it must exist before a routine
  // writes its working files there.
  explicit HeadlessSession(std::filesystem::path working_folder);
  // The same over a user interface of the caller's (a recording one that
  // answers or waits in its own way).
  HeadlessSession(std::filesystem::path working_folder, std::unique_ptr<RecordingUserInterface> ui);
  HeadlessSession(const HeadlessSession&) = delete;
  HeadlessSession& operator=(const HeadlessSession&) = delete;

  TdtmCENTRAL dtm;

 private:
  std::unique_ptr<RecordingUserInterface> ui_;

 public:
  RecordingUserInterface& ui;
  MainWindowState frm;
  Session s;
};

}  // namespace fiscora
