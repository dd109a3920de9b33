// The check an EFD file passes before the SPED analysis or the merge reads
// it: readable, not empty, a text file (no NUL byte), its first line that is
// not blank the |0000| register, every line framed by "|" and no register
// after the closing X990 of its block (|9999| ends the file and nothing after
// it is read). The check runs where the user hands a file in (the notes
// window, the merge window's "Adicionar", fiscora-cli); the readers below
// it take the fragments they are given.
#pragma once

#include <filesystem>

#include "sintegra/input_check.h"

namespace fiscora {

// Throws InputRefusal (file, line, reason in plain words).
void CheckEfdInput(const std::filesystem::path& path);

// The first line of `path` that is not blank is the |0000| register (a quick
// look for lists of files; loads still run CheckEfdInput).
bool LooksLikeEfdFile(const std::string& path);

}  // namespace fiscora
