#include "validate/validate.h"

#include "sintegra/layout.h"
#include "validate/efd_validator.h"
#include "validate/sintegra_validator.h"

namespace fiscora {

ValidatedKind DetectFileKind(const std::filesystem::path& file) {
  LineReader reader(file);
  std::string_view line;
  while (reader.Next(line))
    if (!TrimBlanks(line).empty()) return line[0] == '|' ? ValidatedKind::kEfd : ValidatedKind::kSintegra;
  return ValidatedKind::kSintegra;
}

ValidationReport ValidateFile(const std::filesystem::path& file, UserInterface& ui) {
  return DetectFileKind(file) == ValidatedKind::kEfd ? ValidateEfd(file, ui)
                                                : ValidateSintegra(file, ui);
}

}  // namespace fiscora
