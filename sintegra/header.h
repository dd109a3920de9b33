// The file's identification from record 10.
#pragma once

#include <string>
#include <string_view>

#include "session/session.h"

namespace fiscora {

void ReadFileHeader(Session& s, const std::string& path);
void ShowFileType(Session& s);

}  // namespace fiscora
