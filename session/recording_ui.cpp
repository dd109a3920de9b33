#include "session/recording_ui.h"

#include "session/main_window_state.h"

namespace fiscora {

void RecordingUserInterface::Message(std::string_view title, std::string_view text) {
  messages.push_back({std::string(title.empty() ? "Fiscora" : title), std::string(text)});
}

Answer RecordingUserInterface::Confirm(std::string_view title, std::string_view text, Buttons) {
  messages.push_back({std::string(title), std::string(text)});
  return confirm_answer;
}

std::optional<std::string> RecordingUserInterface::ChooseOpenFile(std::string_view,
                                                                  std::string_view) {
  return open_file;
}
std::optional<std::string> RecordingUserInterface::ChooseSaveFile(std::string_view,
                                                                  std::string_view) {
  return save_file;
}
std::optional<std::string> RecordingUserInterface::ChooseFolder(std::string_view) {
  return folder;
}
void RecordingUserInterface::ControlChanged(const Control& control) {
  changed_controls.emplace_back(control.name());
}

}  // namespace fiscora
