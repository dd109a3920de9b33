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

FileKind DetectFileKind(const std::filesystem::path& file) {
  LineReader reader(file);
  std::string_view line;
  while (reader.Next(line))
    if (!TrimBlanks(line).empty()) return line[0] == '|' ? FileKind::kEfd : FileKind::kSintegra;
  return FileKind::kSintegra;
}

ValidationReport ValidateFile(const std::filesystem::path& file, UserInterface& ui) {
  return DetectFileKind(file) == FileKind::kEfd ? ValidateEfd(file, ui)
                                                : ValidateSintegra(file, ui);
}

}  // namespace fiscora
