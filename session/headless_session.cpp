#include "session/headless_session.h"

#include <utility>

namespace fiscora {

HeadlessSession::HeadlessSession(std::filesystem::path working_folder)
    : HeadlessSession(std::move(working_folder), std::make_unique<RecordingUserInterface>()) {}

HeadlessSession::HeadlessSession(std::filesystem::path working_folder,
                                 std::unique_ptr<RecordingUserInterface> ui)
    : ui_(std::move(ui)), ui(*ui_), frm(ui_.get()), s(dtm, frm, *ui_, std::move(working_folder)) {
  InitMainWindow(frm);
  frm.ClearRecords();
}

}  // namespace fiscora
