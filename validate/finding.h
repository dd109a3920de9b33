// What a validation reports: findings with the line, the columns, the
// record, the field, the severity and a message in Portuguese.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fiscora {

enum class Severity { kErro, kAviso };

// "erro" or "aviso", as the user sees them.
inline const char* SeverityText(Severity s) { return s == Severity::kErro ? "erro" : "aviso"; }

struct Finding {
  int64_t line = 0;        // 1-based; 0 for the file as a whole
  int first_column = 0;    // 1-based character columns (SINTEGRA) or field
  int last_column = 0;     // numbers (EFD); 0 when the whole line is meant
  std::string record;      // "50", "60M", "C100" ...
  const char* field = "";  // "data de emissão", "CNPJ" ... (static text); "" for the line
  Severity severity = Severity::kErro;
  std::string message;
};

// The column range as shown: "31-38", "126", or empty for the whole line.
inline std::string FindingColumns(const Finding& f) {
  if (f.first_column <= 0) return {};
  if (f.last_column <= f.first_column) return std::to_string(f.first_column);
  return std::to_string(f.first_column) + "-" + std::to_string(f.last_column);
}

// What the writers of findings (the sheet, fiscora-cli) read of a finding:
// its record and its message text. They read them through these two, so
// that the storage behind a finding may stay compact.
inline std::string_view FindingRecord(const Finding& f) { return f.record; }
inline std::string FindingMessage(const Finding& f) { return f.message; }
// The message text appended to out (a writer that reuses one string).
inline void AppendFindingMessage(std::string& out, const Finding& f) { out += f.message; }

enum class ValidatedKind { kUnknown, kSintegra, kEfd };

struct ValidationReport {
  ValidatedKind kind = ValidatedKind::kUnknown;
  int64_t lines = 0;
  int64_t errors = 0;
  int64_t warnings = 0;
  std::vector<Finding> findings;  // in the order of the lines

  void Add(Finding f) {
    (f.severity == Severity::kErro ? errors : warnings)++;
    findings.push_back(std::move(f));
  }
};

// Orders the findings by line, keeping the order of findings of one line,
// when the first `sorted_prefix` of them are already in order.
void SortByLine(std::vector<Finding>& findings, size_t sorted_prefix);

}  // namespace fiscora
