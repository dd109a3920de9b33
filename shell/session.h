// A session of the main window: the data module, the main window's state,
// the door to the user and the shared state of the SINTEGRA side (file type,
// period, loader counters, problem lists, fiscal-printer slots). Routines
// take it as a parameter; there are no globals.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "data/catalogue.h"
#include "data/money.h"
#include "shell/main_window_state.h"
#include "shell/user_interface.h"

namespace fiscora {

struct RecordCounters {
  int r50 = 0, r60a = 0, r60i = 0, r60r = 0, r74 = 0, r75 = 0;
};

// A problem list of the verification run: its text (header and entries,
// each ended by "\n\r") and whether anything was added.
struct ProblemList {
  std::string text;
  bool flag = false;
  void Add(std::string_view entry) {
    text += entry;
    text += "\n\r";
    flag = true;
  }
};

struct ProblemLists {
  std::string header;
  ProblemList zero_codes;
  ProblemList blank_descriptions;
  ProblemList without_75;
  // The four texts at their start values, flags cleared.
  void Reset();
};

// A fiscal-printer slot filled from record 60M (texts as the labels use them).
struct EcfSlot {
  std::string ordem, nserie, tot_liquido, tot_desc, tot_canc;
};

class Session {
 public:
  Session(TdtmCENTRAL& dtm, MainWindowState& frm, UserInterface& ui,
          std::filesystem::path working_folder)
      : dtm(dtm), frm(frm), ui(ui), working_folder(std::move(working_folder)) {}

  TdtmCENTRAL& dtm;
  MainWindowState& frm;
  UserInterface& ui;
  std::filesystem::path working_folder;

  // file identification
  std::string file_type = "0";   // purpose code of record 10, column 126
  std::string current_period;    // "03/2024"
  // loader
  std::string current_line;
  int expected_lines = 0;
  RecordCounters counters;
  std::string inventory_date;
  ProblemLists problems;
  // purchases versus sales
  std::array<EcfSlot, 6> ecf_slots;
  Money coupon_discounts;
  Money coupon_cancellations;
};

// The working folder: c:\vorn\ on Windows; elsewhere "vorn" under the user's
// cache folder ($XDG_CACHE_HOME, by default ~/.cache).
std::filesystem::path DefaultWorkingFolder();

// Deletes every file matching *.txt in the folder (nothing else, no
// subfolder); a file that cannot be deleted gives the message
// "Não foi possível excluir " + its path, and the others are still deleted.
void CleanWorkingFolder(const std::filesystem::path& folder, UserInterface& ui);

// Brings the main window back to its empty state; with the mode "1" the
// tables are left alone, with any other mode the SINTEGRA tables are emptied.
void ResetMainWindow(Session& s, std::string_view mode);

// The settings made when the main window is created (no table is touched).
void InitMainWindow(MainWindowState& frm);

}  // namespace fiscora
