// A generator of EFD ICMS/IPI files (SPED Fiscal, |REG|field|...| lines)
// that look like one month of a retail shop: the opening (0000, 0001, 0005,
// 0100), participants (0150, some of them consumers without state
// registration), units and products (0190, 0200), purchase and sale notes
// with their items and analytic lines (C100, C170, C190), the fiscal
// printers with their daily reductions, totalizers and sales (C400, C405,
// C420, and C490 or, on request, C481), freight documents (D100, D190), the
// block openings and closings and block 9 (9001, 9900, 9990, 9999).
//
// The output depends only on the arguments: the same target, seed and
// options give the same bytes everywhere. Used by the benchmarks, the tests
// and by hand through gen-sped.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace fiscora {

enum class SpedTextEncoding { kWindows1252, kUtf8, kCp850 };

struct SpedGeneratorOptions {
  int year = 2025;
  int month = 3;      // 1 to 12
  int printers = 3;   // 0 to 9 fiscal printers (C400)
  bool c481 = false;  // the reductions carry C481 lines instead of C490
  bool crlf = true;   // CR LF after every line, else LF
  SpedTextEncoding encoding = SpedTextEncoding::kWindows1252;  // of names and descriptions
};

struct SpedGeneratorSummary {
  int64_t lines = 0;
  int64_t bytes = 0;
  std::map<std::string, int64_t> by_register;  // lines per register code
  int64_t notes = 0;                           // C100 lines
  int64_t reductions = 0;                      // C405 lines
};

// Writes the file, exactly target_lines lines when the target leaves room
// for the fixed registers (a few hundred lines); below that the smallest
// complete file. Throws std::invalid_argument for bad options and
// std::runtime_error when the file cannot be written.
SpedGeneratorSummary GenerateSped(const std::filesystem::path& out, int64_t target_lines,
                                  uint64_t seed, const SpedGeneratorOptions& options = {});

// The same content as a string.
std::string GenerateSpedText(int64_t target_lines, uint64_t seed,
                             const SpedGeneratorOptions& options = {},
                             SpedGeneratorSummary* summary = nullptr);

}  // namespace fiscora
