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
  // file identification
  std::string file_type = "0";  // purpose code of record 10, column 126
  std::string current_period;   // "03/2024"
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

}  // namespace fiscora
