#include "validate/validate.h"

#include <algorithm>

#include "data/block_lines.h"
#include "session/file_names.h"
#include "sintegra/layout.h"
#include "validate/efd_validator.h"
#include "validate/sintegra_validator.h"

namespace fiscora {

ValidatedKind DetectFileKind(const std::filesystem::path& file) {
  // The first lines tell: a small block, not the large one of a pass.
  BlockLineReader reader(file, 64 << 10);
  BlockLine line;
  while (reader.Next(line))
    if (!Trim(line.content).empty())
      return line.content[0] == '|' ? ValidatedKind::kEfd : ValidatedKind::kSintegra;
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

}  // namespace

SaveOutcome ExportFindings(const FindingList& findings, UserInterface& ui,
                           const std::filesystem::path& file) {
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
  std::vector<std::filesystem::path> inputs;
  if (!file.empty()) inputs.push_back(file);
  const std::u8string name = file.u8string();
  return SaveWorkbook(book, ui,
                      ProposedFileName(std::string(name.begin(), name.end()), "validacao", "xlsx"),
                      inputs);
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

FindingDetailParts DescribeFinding(const std::filesystem::path& file, ValidatedKind kind,
                                   const Finding& f) {
  FindingDetailParts d;
  d.head = f.line > 0 ? "Linha " + Grouped(f.line) : std::string("Arquivo");
  const std::string_view record = FindingRecord(f);
  if (!record.empty()) d.head += ", registro " + std::string(record);
  if (*f.field) d.head += ", " + std::string(f.field);
  const std::string columns = FindingColumns(f);
  if (!columns.empty())
    d.head += kind == ValidatedKind::kEfd ? ", campo " + columns : ", colunas " + columns;
  d.head += ":";
  d.message = FindingMessage(f);
  if (f.line <= 0) return d;
  LineReader reader(file);
  std::string_view line;
  while (reader.Next(line) && reader.line_number() < f.line) {
  }
  if (reader.line_number() != f.line) return d;
  d.has_line = true;
  size_t a = 0, b = 0;
  if (f.first_column > 0) {
    if (kind == ValidatedKind::kEfd) {
      // Field k lies between the k-th and the (k+1)-th bar.
      size_t bar = 0;
      for (int k = 0; k < f.first_column && bar != std::string_view::npos; ++k)
        bar = line.find('|', k ? bar + 1 : 0);
      size_t end = bar == std::string_view::npos ? bar : line.find('|', bar + 1);
      if (end != std::string_view::npos) {
        for (int k = f.first_column; k < f.last_column && end != std::string_view::npos; ++k)
          end = line.find('|', end + 1);
        if (end != std::string_view::npos) a = bar + 1, b = end;
      }
    } else {
      a = std::min(line.size(), static_cast<size_t>(f.first_column - 1));
      b = std::min(line.size(), static_cast<size_t>(std::max(f.last_column, f.first_column)));
    }
  }
  if (b <= a) a = b = line.size();
  // A UTF-8 line is cut between characters; any other is CP-1252, one
  // column a byte.
  const bool utf8 = IsValidUtf8(line);
  const auto on_char = [&](size_t i) {
    while (utf8 && i > 0 && i < line.size() && (static_cast<unsigned char>(line[i]) & 0xC0) == 0x80)
      --i;
    return i;
  };
  a = on_char(a);
  b = on_char(b);
  const auto shown = [utf8](std::string_view piece) {
    return utf8 ? std::string(piece) : Cp1252ToUtf8(piece);
  };
  d.before = shown(line.substr(0, a));
  d.marked = shown(line.substr(a, b - a));
  d.after = shown(line.substr(b));
  return d;
}

std::string FindingDetail(const std::filesystem::path& file, ValidatedKind kind, const Finding& f) {
  const FindingDetailParts d = DescribeFinding(file, kind, f);
  std::string text = d.head + "\n" + d.message;
  if (!d.has_line) return text;
  text += "\n\n" + d.before;
  if (!d.marked.empty()) text += "[" + d.marked + "]";
  return text + d.after;
}

std::string ColumnRuler(int columns) {
  std::string ruler;
  for (int c = 1; c <= columns; ++c) {
    if (c % 10 == 0) {
      const std::string number = std::to_string(c);
      // The number ends at its column, over the dots before it.
      if (number.size() <= ruler.size() + 1 && number.size() < 5) {
        ruler.resize(ruler.size() + 1 - number.size());
        ruler += number;
        continue;
      }
    }
    ruler += c % 5 == 0 ? '+' : '.';
  }
  return ruler;
}

std::string MarkerLine(const FindingDetailParts& detail) {
  return std::string(static_cast<size_t>(CharCount(detail.before)), ' ') +
         std::string(static_cast<size_t>(std::max(1, CharCount(detail.marked))), '^');
}

}  // namespace fiscora
