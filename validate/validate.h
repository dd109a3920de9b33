// A file's validation, whichever its kind.
#pragma once

#include <filesystem>

#include "session/user_interface.h"
#include "validate/finding.h"

namespace fiscora {

// EFD when the first line starts with "|", SINTEGRA otherwise (an empty file
// is SINTEGRA). Throws FileError when the file cannot be read.
ValidatedKind DetectFileKind(const std::filesystem::path& file);

// The validation of the file's kind.
ValidationReport ValidateFile(const std::filesystem::path& file, UserInterface& ui);

}  // namespace fiscora
