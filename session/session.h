// A session of the main window: the data module, the main window's state,
// the door to the user, the working folder and the state of each subsystem
// (one struct per subsystem). Routines take it as a parameter; there are no
// globals.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "data/catalogue.h"
#include "session/audit_state.h"
#include "session/main_window_state.h"
#include "session/sintegra_state.h"
#include "session/sped_merge_state.h"
#include "session/sped_state.h"
#include "session/user_interface.h"

namespace fiscora {

class Session {
 public:
  Session(TdtmCENTRAL& dtm, MainWindowState& frm, UserInterface& ui,
          std::filesystem::path working_folder)
      : dtm(dtm), frm(frm), ui(ui), working_folder(std::move(working_folder)) {}

  TdtmCENTRAL& dtm;
  MainWindowState& frm;
  UserInterface& ui;
  std::filesystem::path working_folder;

  // the state of each subsystem
  SintegraState sintegra;
  SpedMergeState sped_merge;
  SpedState sped;
  AuditState audit;
};

// Every file the session reads (the SINTEGRA file, the EFD file analysed,
// the audit's inventories and its last period): what a save step must never replace.
std::vector<std::filesystem::path> InputFiles(const Session& s);

// The working folder: c:\vorn\ on Windows; elsewhere "vorn" under the user's
// cache folder ($XDG_CACHE_HOME, by default ~/.cache).
std::filesystem::path DefaultWorkingFolder();

// Creates the working folder when missing and makes sure a file can be
// written in it. When it cannot, tells the user once, in plain words, which
// folder and why, and returns false (the program goes on; the routines that
// need the folder report their own failures).
bool PrepareWorkingFolder(const std::filesystem::path& folder, UserInterface& ui);

// Deletes every file matching *.txt directly in the folder (nothing else, no
// subfolder). A symbolic link so named is removed as a link: what it points
// to, inside the folder or out of it, is never touched. A file that cannot be
// deleted gives the message "Não foi possível excluir " + its path, and the
// others are still deleted.
void CleanWorkingFolder(const std::filesystem::path& folder, UserInterface& ui);

// The SINTEGRA file chosen: kept in s.sintegra.file, where the routines
// take it, and shown in edtarq.
void SetSintegraFile(Session& s, std::string path);

// The two modes of the main window's reset. The mode "1" (ControlsOnly)
// leaves the tables alone, as at the program start, before the data module
// exists; the empty mode (Tables) also empties the SINTEGRA tables, as for a
// new file or a period added to the audit.
enum class ResetMode { ControlsOnly, Tables };

// Brings the main window back to its empty state, the SINTEGRA tables
// emptied in the mode Tables.
void ResetMainWindow(Session& s, ResetMode mode);

// The settings made when the main window is created (no table is touched).
void InitMainWindow(MainWindowState& frm);

}  // namespace fiscora
