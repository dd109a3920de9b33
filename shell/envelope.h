// What a headless run prints: the JSON envelope with the labels the command
// set, the visibility it changed, the messages in order, the main window's
// state and the tables asked for.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/session.h"
#include "shell/user_interface.h"

namespace fiscora {

struct RecordedMessage {
  std::string title;
  std::string text;
};

// A user interface that records what it is told and answers from a script:
// used by fiscora-cli and by the tests.
class RecordingUserInterface : public UserInterface {
 public:
  void Message(std::string_view title, std::string_view text) override;
  Answer Confirm(std::string_view title, std::string_view text, Buttons buttons) override;
  std::optional<std::string> ChooseOpenFile(std::string_view filter,
                                            std::string_view folder) override;
  std::optional<std::string> ChooseSaveFile(std::string_view filter,
                                            std::string_view folder) override;
  std::optional<std::string> ChooseFolder(std::string_view folder) override;
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
  int breaths = 0;
};

struct EnvelopeOptions {
  std::vector<std::string> tables;  // tables whose rows are printed
};

// The whole envelope as JSON text (one object, no trailing newline).
std::string BuildEnvelope(const Session& s, const std::vector<RecordedMessage>& messages,
                          const EnvelopeOptions& options);

}  // namespace fiscora
