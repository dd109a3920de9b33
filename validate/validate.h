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

// What a double click on a finding shows: where it is ("Linha 2, registro
// 0150, CNPJ, campo 5:"), the whole message, and the line as the file has it
// (UTF-8) cut in three at the faulty columns (or the field of an EFD line).
// has_line is false for a finding of the whole file or a line the file no
// longer has. Throws FileError when the file cannot be read.
struct FindingDetailParts {
  std::string head;
  std::string message;
  bool has_line = false;
  std::string before, marked, after;
};
FindingDetailParts DescribeFinding(const std::filesystem::path& file, ValidatedKind kind,
                                   const Finding& f);

// The same as one text, the faulty columns between "[" and "]".
std::string FindingDetail(const std::filesystem::path& file, ValidatedKind kind, const Finding& f);

// A column ruler `columns` characters wide to show above a line in a fixed
// font: "." for each column, "+" at every fifth, and each tenth column's
// number ending at that column ("....+...10....+...20").
std::string ColumnRuler(int columns);
// The line under the shown line that marks the faulty columns: a blank for
// each character before them and "^" under each of them (one "^" where
// nothing is marked, the place itself being the fault).
std::string MarkerLine(const FindingDetailParts& detail);

// The findings, in the given order, as a spreadsheet through the save step
// of every export: sheet "Validação", the titles Linha, Colunas, Registro,
// Campo, Gravidade and Mensagem in row 1.
// The save dialog proposes "<file> - validacao.xlsx" and refuses `file`.
SaveOutcome ExportFindings(const FindingList& findings, UserInterface& ui,
                           const std::filesystem::path& file = {});

}  // namespace fiscora
