// How the merge sees SPED lines: the register code of a line, the merge
// files a line is routed to, and the reading of an input file up to its
// |9999| line with its encoding.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "session/user_interface.h"

namespace fiscora {

// The register code of a line: field 0 of the raw line.
std::string SpedCode(std::string_view line);

enum class MergeTarget { kNone, kHeader, kBlock0, kBlockC, kBlockD };

// The merge file a line with this register code goes to; `first_file` when
// the line belongs to the first file of a merge (only it gives header lines).
MergeTarget MergeRouteFor(std::string_view code, bool first_file);

// Reads a SPED file line by line up to and including its |9999| line (a
// signature block may follow it), letting the window breathe. `fn` gets each
// line's bytes without the line end, and whether the file is UTF-8.
void ForEachMergeInputLine(const std::filesystem::path& file, UserInterface& ui,
                           const std::function<void(std::string_view, bool)>& fn);

}  // namespace fiscora
