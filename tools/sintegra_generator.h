// A generator of SINTEGRA files (Convênio ICMS 57/95, 126-character records)
// that look like one month of a retail shop: the identification records,
// purchase and sale notes with their items, the fiscal-printer records of
// every working day and printer, the monthly product totals, a few series D
// totals and transport documents, the inventory, the products and record 90.
//
// The output depends only on the arguments: the same target, seed and
// options give the same bytes on every platform (no standard distributions,
// no clock, no locale). Used for the benchmarks, the tests and by hand
// through gen-sintegra.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace fiscora {

struct GeneratorOptions {
  int year = 2025;
  int month = 3;     // 1 to 12
  int printers = 0;  // 1 to 9; 0: 3 to 5, chosen from the seed
  bool crlf = true;  // CR LF after every line, else LF
  // Share of the products sold at the printers that have a few items rung
  // up at a rate other than their usual one (those products get a second
  // record 60R line for that rate).
  double rate_mismatch_share = 0.01;
  // Share of the products sold at the printers that go on a promotion at
  // about 60% of their price for some days, so their unit values spread
  // over 150%.
  double price_spread_share = 0.002;
  // Per cent of the lines that are notes (record 50); their items (record
  // 54) are as many or 15% of the lines, whichever is more.
  int note_percent = 5;
  // A product with an odd rate has it rung up on every printer day it is
  // sold, not only on one.
  bool odd_rate_every_day = false;
  // The records between 11 and 90 written in a shuffled order.
  bool shuffled = false;
};

// The shape of a file full of problems: a quarter of the lines are notes,
// every product sold at the printers has items at an odd rate on every day
// it is sold, and the records are out of order.
GeneratorOptions ProblemHeavyOptions(GeneratorOptions options = {});

// What was written: the number of lines in all and per record kind
// ("10", "11", "50", "54", "60M", "60A", "60D", "60I", "60R", "61R", "70",
// "74", "75", "90").
struct GeneratorSummary {
  int64_t lines = 0;
  int64_t bytes = 0;
  std::map<std::string, int64_t> by_kind;
  std::string cnpj;  // of the shop, record 10
  int printers = 0;
  int days = 0;  // working days with printer records
  int64_t products = 0;
};

// Writes the file. The number of lines is exactly target_lines when the
// target leaves room for at least one day of one printer with its products
// (a few hundred lines); below that the smallest complete file is written.
// Throws std::invalid_argument for a target below 1 or bad options, and
// std::runtime_error when the file cannot be written.
GeneratorSummary GenerateSintegra(const std::filesystem::path& out, int64_t target_lines,
                                  uint64_t seed, const GeneratorOptions& options = {});

// The same content as a string (for tests and small files).
std::string GenerateSintegraText(int64_t target_lines, uint64_t seed,
                                 const GeneratorOptions& options = {},
                                 GeneratorSummary* summary = nullptr);

}  // namespace fiscora
