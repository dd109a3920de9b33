// The two tools that change a SINTEGRA file: the record 90 rebuild, which
// writes a copy "Modif_" + the file's name beside the file with its record
// 90 recomputed, and the file-type choice, which rewrites the purpose code
// (finalidade) at column 126 of record 10 in place.
//
// Both keep every other line byte for byte (no re-encoding) with its own
// line end, and write through a temporary file in the target's folder that
// is renamed into place: a failure leaves no partial copy and never a
// half-written input file.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "session/session.h"

namespace fiscora {

// The record types record 90 counts, in the order its groups are written.
// Type 60 counts 60M, 60A, 60D, 60I and 60R; type 61 counts 61 and 61R.
inline constexpr std::array<std::string_view, 17> kRecord90Types = {
    "50", "51", "53", "54", "55", "56", "57", "60", "61",
    "70", "71", "74", "75", "76", "77", "85", "86"};

// At most nine type/count groups fit in columns 31-120 of a record 90 line.
inline constexpr int kRecord90GroupsPerLine = 9;

struct Record90Rebuild {
  std::filesystem::path output;       // the copy written
  std::vector<std::string> record90;  // the copy's record 90 lines (without line ends)
  int64_t total_lines = 0;            // the "99" total: every line of the copy
  bool had_record90 = false;          // the input had record 90 lines
};

// The record 90 lines for these counts (indexed as kRecord90Types) and the
// copy's total, headed by "90" and the 28 characters of CNPJ and state
// registration: each 126 characters, nine groups at most, "99" with the
// total last, column 126 the number of lines. Counts are written in 8 digits.
std::vector<std::string> Record90Lines(std::string_view cnpj_ie,
                                       const std::array<int64_t, 17>& counts,
                                       int64_t total_without_record90);

// The copy of `file` named "Modif_" + its name in its folder. The record 90
// lines of the file are replaced where they stand by the recomputed block
// (a file without record 90 gets it after its last line); every other line
// is kept in order. CNPJ and state registration come from the first old
// record 90 line, or else from the last record 10. An empty file gives an
// empty copy. Throws FileError (input) or FileWriteError (output).
Record90Rebuild RebuildRecord90(const std::filesystem::path& file, UserInterface& ui);

// "Reconstruir registro 90" clicked: rebuilds for the chosen file
// (s.sintegra.file, shown in edtarq) and says "Registro 90 criado com
// sucesso!", or "Arquivo não existe ou campo vazio." when no file is chosen
// or it names no file.
void btn_reg90Click(Session& s);

// Writes `code` ('1', '2', '3' or '5') at column 126 of every record 10 line
// of `file` (a shorter line is padded with blanks to column 125 first; a
// UTF-8 file counts columns by characters) and replaces the file with the
// result. Returns the number of record 10 lines; with none the file is left
// untouched.
int WriteFileTypeCode(const std::filesystem::path& file, char code, UserInterface& ui);

// "Confirmar" of the file-type window: the selected button's code (5 when
// none of the first three is selected) written into the chosen file
// (s.sintegra.file); with a record 10 the file-type code and its two labels
// follow.
void ConfirmFileType(Session& s, char code);

}  // namespace fiscora
