// A user interface that records what it is told and answers from a script:
// used by fiscora-cli and by the tests.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "session/user_interface.h"

namespace fiscora {

struct RecordedMessage {
  std::string title;
  std::string text;
};

class RecordingUserInterface : public UserInterface {
 public:
  void Message(std::string_view title, std::string_view text) override;
  Answer Confirm(std::string_view title, std::string_view text, Buttons buttons) override;
  std::optional<std::string> ChooseOpenFile(std::string_view filter, std::string_view folder,
                                            FileKind kind) override;
  std::optional<std::string> ChooseSaveFile(std::string_view filter, std::string_view folder,
                                            FileKind kind, std::string_view proposed_name) override;
  std::optional<std::string> ChooseFolder(std::string_view folder, FileKind kind) override;
  void ControlChanged(const Control& control) override;
  void Breathe() override { ++breaths; }

  // scripted answers
  std::optional<std::string> open_file;
  std::optional<std::string> save_file;
  std::optional<std::string> folder;
  Answer confirm_answer = Answer::kYes;
  // records
  std::vector<RecordedMessage> messages;
  std::vector<std::string> changed_controls;
  // what each file or folder dialog was asked for, in order
  struct FileDialogAsked {
    FileKind kind;
    std::string folder;
    std::string proposed_name;
  };
  std::vector<FileDialogAsked> file_dialogs;
  int breaths = 0;
};

}  // namespace fiscora
