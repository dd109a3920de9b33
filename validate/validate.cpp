#include "validate/validate.h"

#include "sintegra/layout.h"
#include "validate/efd_validator.h"
#include "validate/sintegra_validator.h"

namespace fiscora {

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
