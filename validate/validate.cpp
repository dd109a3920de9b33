#include "validate/validate.h"

#include <algorithm>

#include "sintegra/layout.h"
#include "validate/efd_validator.h"
#include "validate/sintegra_validator.h"

namespace fiscora {

void SortByLine(std::vector<Finding>& findings, size_t sorted_prefix) {
  auto by_line = [](const Finding& a, const Finding& b) { return a.line < b.line; };
  auto middle = findings.begin() + static_cast<std::ptrdiff_t>(sorted_prefix);
  std::stable_sort(middle, findings.end(), by_line);
  std::inplace_merge(findings.begin(), middle, findings.end(), by_line);
}

ValidatedKind DetectFileKind(const std::filesystem::path& file) {
  LineReader reader(file);
  std::string_view line;
  while (reader.Next(line))
    if (!TrimBlanks(line).empty())
      return line[0] == '|' ? ValidatedKind::kEfd : ValidatedKind::kSintegra;
  return ValidatedKind::kSintegra;
}

ValidationReport ValidateFile(const std::filesystem::path& file, UserInterface& ui) {
  return DetectFileKind(file) == ValidatedKind::kEfd ? ValidateEfd(file, ui)
                                                     : ValidateSintegra(file, ui);
}

namespace {

// 1234567 as "1.234.567".
std::string Grouped(int64_t n) {
  std::string digits = std::to_string(n < 0 ? -n : n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += '.';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

std::string Counted(int64_t n, const char* one, const char* many) {
  return Grouped(n) + " " + (n == 1 ? one : many);
}

std::string Shown(std::string_view raw) {
  return IsValidUtf8(raw) ? std::string(raw) : Cp1252ToUtf8(raw);
}

}  // namespace

SaveOutcome ExportFindings(const std::vector<Finding>& findings, UserInterface& ui) {
  Workbook book;
  book.NameSheet("Validação");
  const char* titles[] = {"Linha", "Colunas", "Registro", "Campo", "Gravidade", "Mensagem"};
  for (int c = 0; c < 6; ++c) book.SetText(1, c + 1, titles[c]);
  int row = 2;
  for (const Finding& f : findings) {
    if (f.line > 0) book.SetInteger(row, 1, f.line);
    book.SetText(row, 2, FindingColumns(f));
    book.SetText(row, 3, std::string(FindingRecord(f)));
    book.SetText(row, 4, f.field);
    book.SetText(row, 5, SeverityText(f.severity));
    book.SetText(row, 6, FindingMessage(f));
    ++row;
  }
  return SaveWorkbook(book, ui);
}

const char* ValidationKindText(const ValidationReport& r) {
  if (r.kind != ValidatedKind::kEfd) return "SINTEGRA";
  switch (r.efd_layout) {
    case EfdLayout::kIcmsIpi:
      return "EFD ICMS/IPI";
    case EfdLayout::kContribuicoes:
      return "EFD-Contribuições";
    case EfdLayout::kUnknown:
      break;
  }
  return "EFD";
}

std::string ValidationSummary(const ValidationReport& r) {
  return std::string("Arquivo ") + ValidationKindText(r) + " com " +
         Counted(r.lines, "linha", "linhas") + ": " + Counted(r.errors, "erro", "erros") + " e " +
         Counted(r.warnings, "aviso", "avisos") + ".";
}

std::string FindingDetail(const std::filesystem::path& file, ValidatedKind kind, const Finding& f) {
  std::string head = f.line > 0 ? "Linha " + Grouped(f.line) : std::string("Arquivo");
  const std::string_view record = FindingRecord(f);
  if (!record.empty()) head += ", registro " + std::string(record);
  if (*f.field) head += ", " + std::string(f.field);
  const std::string columns = FindingColumns(f);
  if (!columns.empty())
    head += kind == ValidatedKind::kEfd ? ", campo " + columns : ", colunas " + columns;
  std::string text = head + ":\n" + FindingMessage(f);
  if (f.line <= 0) return text;
  LineReader reader(file);
  std::string_view line;
  while (reader.Next(line) && reader.line_number() < f.line) {
  }
  if (reader.line_number() != f.line) return text;
  std::string marked(line);
  if (f.first_column > 0) {
    size_t a = 0, b = 0;
    if (kind == ValidatedKind::kEfd) {
      // Field k lies between the k-th and the (k+1)-th bar.
      size_t bar = 0;
      for (int k = 0; k < f.first_column && bar != std::string::npos; ++k)
        bar = marked.find('|', k ? bar + 1 : 0);
      size_t end = bar == std::string::npos ? bar : marked.find('|', bar + 1);
      if (end != std::string::npos) {
        for (int k = f.first_column; k < f.last_column && end != std::string::npos; ++k)
          end = marked.find('|', end + 1);
        if (end != std::string::npos) a = bar + 1, b = end;
      }
    } else {
      a = std::min(marked.size(), static_cast<size_t>(f.first_column - 1));
      b = std::min(marked.size(), static_cast<size_t>(std::max(f.last_column, f.first_column)));
    }
    if (b > a) {
      marked.insert(b, "]");
      marked.insert(a, "[");
    }
  }
  return text + "\n\n" + Shown(marked);
}

}  // namespace fiscora
