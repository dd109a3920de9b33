// Product consistency checks: spread of sold unit values (cdsmaxmin), sold
// rate against the product's 60R rate (cdsaliq), and the zero-code list.
#pragma once

#include <string_view>

#include "session/session.h"

namespace fiscora {

void ProductChecks(Session& s);

}  // namespace fiscora
