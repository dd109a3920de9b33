// The user interface of the desktop program: Qt message boxes (texts too
// long for the screen in a scrolling dialog, long_message_dialog.h) and file
// dialogs opening in the folder last used for their kind (dialog_folders.h),
// and the main window mirroring its state. Changes reported on a
// worker thread are copied and carried over to the GUI thread; dialogs asked
// for on a worker thread are shown on the GUI thread while the worker waits.
#pragma once

#include <functional>

#include "session/user_interface.h"

namespace fiscora::qt {

class Tfrmprincipal;

class GuiUserInterface : public UserInterface {
 public:
  explicit GuiUserInterface(Tfrmprincipal& window) : window_(window) {}

  // Messages, confirmations and file choices go to `dialogs` instead of the
  // Qt dialogs while it is set (headless runs, tests); null restores them.
  void RouteDialogsTo(UserInterface* dialogs) { dialogs_ = dialogs; }

  void Message(std::string_view title, std::string_view text) override;
  Answer Confirm(std::string_view title, std::string_view text, Buttons buttons) override;
  std::optional<std::string> ChooseOpenFile(std::string_view filter, std::string_view folder,
                                            FileKind kind) override;
  std::optional<std::string> ChooseSaveFile(std::string_view filter, std::string_view folder,
                                            FileKind kind, std::string_view proposed_name) override;
  std::optional<std::string> ChooseFolder(std::string_view folder, FileKind kind) override;
  void ControlChanged(const Control& control) override;
  void Breathe() override;
  void RunOnEventLoop(const std::function<void()>& step) override { OnGuiThread(step); }

 private:
  // Runs `f` on the GUI thread and waits for it.
  void OnGuiThread(const std::function<void()>& f);

  Tfrmprincipal& window_;
  UserInterface* dialogs_ = nullptr;
};

}  // namespace fiscora::qt
