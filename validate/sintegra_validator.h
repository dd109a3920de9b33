// The structural validation of a SINTEGRA file in one streaming pass,
// independent of the tables: line lengths, record types and their order,
// records 10 and 11, field forms (numbers, dates inside the period, codes),
// CNPJ/CPF and state registration check digits, record 90 against the
// actual lines, and completeness (repeated record 50 lines, gaps in the
// numbering of the taxpayer's own notes, jumps in the reduction counter of
// each fiscal printer).
//
// Memory: constant per line, except 16 bytes per record 50 line (for the
// repeated lines) and per own note (for the numbering), and the findings.
#pragma once

#include <filesystem>

#include "session/user_interface.h"
#include "validate/finding.h"

namespace fiscora {

// Throws FileError when the file cannot be opened or read. `ui` breathes.
ValidationReport ValidateSintegra(const std::filesystem::path& file, UserInterface& ui);

}  // namespace fiscora
