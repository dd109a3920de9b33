// A file's validation, whichever its kind.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "export/spreadsheet.h"
#include "session/user_interface.h"
#include "validate/finding.h"

namespace fiscora {

// EFD when the first line starts with "|", SINTEGRA otherwise (an empty file
// is SINTEGRA). Throws FileError when the file cannot be read.
ValidatedKind DetectFileKind(const std::filesystem::path& file);

// The validation of the file's kind.
ValidationReport ValidateFile(const std::filesystem::path& file, UserInterface& ui);

// The summary line: "Arquivo SINTEGRA com 1.234 linhas: 2 erros e 1 aviso."
std::string ValidationSummary(const ValidationReport& report);

// A finding with its line as the file has it, the columns (or the field of
// an EFD line) between "[" and "]": what a double click on a finding shows.
std::string FindingDetail(const std::filesystem::path& file, ValidatedKind kind, const Finding& f);

// The findings, in the given order, as a spreadsheet through the save step
// of every export: sheet "Validação", the titles Linha, Colunas, Registro,
// Campo, Gravidade and Mensagem in row 1.
SaveOutcome ExportFindings(const std::vector<Finding>& findings, UserInterface& ui);

}  // namespace fiscora
