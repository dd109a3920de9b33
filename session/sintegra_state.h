// The state of the SINTEGRA side that outlives one routine: the file's
// identification, the loader's counters, the problem lists of the
// verification run and the fiscal-printer slots.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "data/money.h"

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
  ProblemLists() { Reset(); }
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

struct SintegraState {
  // The SINTEGRA file chosen (UTF-8 path, empty for none): the routines take
  // it from here; edtarq shows it (SetSintegraFile in session/session.h).
  std::string file;
  // file identification
  std::string file_type = "0";  // purpose code of record 10, column 126
  std::string current_period;   // "03/2024"
  // loader
  std::string current_line;
  int expected_lines = 0;
  RecordCounters counters;
  std::string inventory_date;
  ProblemLists problems;
  // The last verification loaded a file and checked its products (record
  // 60R rows): its end says "Verificação concluída com êxito!!!".
  bool loaded = false;
  // purchases versus sales: the printers of record 60M, a slot in use
  // having its order number (the panels of slots 4 to 6 show when the
  // fourth is in use)
  std::array<EcfSlot, 6> ecf_slots;
  int EcfSlotsUsed() const {
    int used = 0;
    for (const EcfSlot& slot : ecf_slots)
      if (!slot.ordem.empty()) ++used;
    return used;
  }
  Money coupon_discounts;
  Money coupon_cancellations;
};

}  // namespace fiscora
