// What the validation tests print when a check fails: every finding of a
// report on a line of its own.
#pragma once

#include <string>

#include "validate/finding.h"

namespace fiscora::testing {

inline std::string Describe(const ValidationReport& r) {
  std::string s;
  for (const auto& f : r.findings)
    s += std::to_string(f.line) + " " + FindingColumns(f) + " [" + f.record + "] " + f.field + " " +
         SeverityText(f.severity) + ": " + f.message + "\n";
  return s;
}

}  // namespace fiscora::testing
