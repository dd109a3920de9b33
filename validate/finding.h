// What a validation reports: findings with the line, the columns, the
// record, the field, the severity and a message in Portuguese.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fiscora {

enum class Severity { kErro, kAviso };

// "erro" or "aviso", as the user sees them.
inline const char* SeverityText(Severity s) { return s == Severity::kErro ? "erro" : "aviso"; }

// The rule a finding reports; its message is built from the finding's
// values by the rule's form.
enum class Check : uint16_t {
  kText,  // the message is given whole
  // EFD: a register's value against the sum of its children's, values[0]
  // the value, values[1] the sum (Money raw values).
  kC100VsC190,
  kC100VsC170,  // VL_MERC against the items' VL_ITEM
  kC500VsC590,
  kD100VsD190,
  kH005VsH010,
  // A C190 value against the sum of the C170 of its CST, CFOP and rate;
  // values[2] CST × 10000 + CFOP, values[3] the rate (Money raw).
  kC190VsC170,
  // C170 lines of a CST, CFOP and rate without their C190; values[0] the
  // sum of their VL_ITEM, values[2] and [3] as above.
  kC170WithoutC190,
  // H010 VL_ITEM (values[0]) against QTD × VL_UNIT (values[1]); text
  // holds "QTD|VL_UNIT" as written.
  kH010Product,
  // E110: the field's value (values[0]) against what its formula gives
  // (values[1]).
  kE110Formula,
  // E110 VL_TOT_DEBITOS or VL_TOT_CREDITOS (values[0]) against the ICMS of
  // the analytic registers of the exits or entries (values[1]).
  kE110Totals,
  // C100 CHV_NFE (text): not of the key's form; a wrong check digit.
  kKeyMalformed,
  kKeyCheckDigit,
  // The key's model, series and number against the C100's; text holds
  // "KEY|COD_MOD|SER|NUM_DOC".
  kKeyDisagrees,
  // An own note's key against the establishment: text "KEY CNPJ|CNPJ";
  // for the UF values[0] the key's code, text the establishment's UF.
  kKeyCnpj,
  kKeyUf,
  kKeyRepeated,  // values[0] the line of the first C100 with the key
  // SINTEGRA: a CFOP (values[0]) against the party's UF (text "PARTY|OWN").
  kCfopUf,
  kCfopDirection,  // a third party's note with an exit CFOP (values[0])
  // A cancelled note with an amount (values[0]); text "SITUAÇÃO|field".
  kCancelledWithAmounts,
  // A record 54 item below 991 without the product code or the CST.
  kItemWithoutCode,
  kItemWithoutCst,
};

struct Finding {
  Finding() = default;
  Finding(int64_t line_, int first, int last, std::string record_, const char* field_,
          Severity severity_, std::string message_)
      : line(line_),
        first_column(first),
        last_column(last),
        record(std::move(record_)),
        field(field_),
        severity(severity_),
        message(std::move(message_)) {}

  int64_t line = 0;        // 1-based; 0 for the file as a whole
  int first_column = 0;    // 1-based character columns (SINTEGRA) or field
  int last_column = 0;     // numbers (EFD); 0 when the whole line is meant
  std::string record;      // "50", "60M", "C100" ...
  const char* field = "";  // "data de emissão", "CNPJ" ... (static text); "" for the line
  Severity severity = Severity::kErro;
  std::string message;
  Check check = Check::kText;
  std::array<int64_t, 4> values{};
  std::string text;
};

// The message of a finding of a rule (not kText) from its values.
std::string CheckMessage(const Finding& f);

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

enum class ValidatedKind { kUnknown, kSintegra, kEfd };

// The layout of an EFD file, told by its 0000 line.
enum class EfdLayout { kUnknown, kIcmsIpi, kContribuicoes };

struct ValidationReport {
  ValidatedKind kind = ValidatedKind::kUnknown;
  EfdLayout efd_layout = EfdLayout::kUnknown;  // for an EFD file
  int64_t lines = 0;
  int64_t errors = 0;
  int64_t warnings = 0;
  std::vector<Finding> findings;  // in the order of the lines

  void Add(Finding f) {
    (f.severity == Severity::kErro ? errors : warnings)++;
    findings.push_back(std::move(f));
  }
};

// The kind as the user reads it: "SINTEGRA", "EFD ICMS/IPI",
// "EFD-Contribuições", or "EFD" for an EFD file without a 0000 line that
// tells its layout.
const char* ValidationKindText(const ValidationReport& report);

// Orders the findings by line, keeping the order of findings of one line,
// when the first `sorted_prefix` of them are already in order.
void SortByLine(std::vector<Finding>& findings, size_t sorted_prefix);

}  // namespace fiscora
