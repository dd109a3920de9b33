// The one door through which the core speaks to the user: messages,
// confirmations, file choices, changes of the main window's controls and
// "let the window breathe" during long loops. The GUI implements it with Qt
// dialogs; fiscora-cli, the tests, the fuzz targets and the benchmarks use
// RecordingUserInterface (session/recording_ui.h), which records the
// messages (fiscora-cli writes them into its JSON envelope) and answers the
// dialogs from a script. No virtual function has a default argument: every
// caller names the dialog's kind.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace fiscora {

class Control;

enum class Buttons { kOk, kYesCancel, kYesNoCancel };
enum class Answer { kOk, kYes, kNo, kCancel };

// What a file or folder dialog is for. The desktop program opens each
// dialog in the folder last used for its kind; kAny keeps the folder the
// caller gives.
enum class FileKind { kAny, kSintegra, kInventory, kSped, kOutputFolder, kSpreadsheet, kText };

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A modal message box with an OK button. An empty title is the plain
  // message box, titled with the product name.
  virtual void Message(std::string_view title, std::string_view text) = 0;
  virtual Answer Confirm(std::string_view title, std::string_view text, Buttons buttons) = 0;
  // The path the user chose, or nullopt when the dialog was cancelled.
  // filter: "texto|*.txt" (caption|pattern); folder: the initial folder;
  // kind: what the file is for (kAny: no folder of its own); proposed_name:
  // the file name a save dialog offers (ProposedFileName in
  // session/file_names.h), empty for none.
  virtual std::optional<std::string> ChooseOpenFile(std::string_view filter,
                                                    std::string_view folder, FileKind kind) = 0;
  virtual std::optional<std::string> ChooseSaveFile(std::string_view filter,
                                                    std::string_view folder, FileKind kind,
                                                    std::string_view proposed_name) = 0;
  virtual std::optional<std::string> ChooseFolder(std::string_view folder, FileKind kind) = 0;

  // A control of the main window changed its text, visibility or enabled
  // state (or, for the page control, its sheets). May be called on a worker
  // thread; the GUI carries the change over to its own thread.
  virtual void ControlChanged(const Control& control) = 0;

  // Let the window handle pending events (repaint, clicks). Long loops call
  // it through a Pacer, about every 30 ms, never after every line.
  virtual void Breathe() = 0;

  // Runs `step` on the event loop's thread and returns once it has run (the
  // start and end steps of the audit loaders, called on their worker
  // threads). The default runs it at once on the calling thread, which is
  // right for a program without an event loop.
  virtual void RunOnEventLoop(const std::function<void()>& step) { step(); }
};

}  // namespace fiscora
