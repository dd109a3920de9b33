// Running fiscora-cli in the test's process: the exit code, what it printed
// and, for the checks that read it, the envelope parsed.
#pragma once

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace fiscora::testing {

struct CliResult {
  int code;
  std::string out, err;
  // The envelope; null when nothing was printed.
  nlohmann::json envelope() const {
    return out.empty() ? nlohmann::json() : nlohmann::json::parse(out);
  }
};

inline CliResult Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

}  // namespace fiscora::testing
