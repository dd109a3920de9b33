// fiscora-cli: the headless front end over the same core.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace fiscora {

// Runs the command line (without the program name); prints the JSON
// envelope on out and errors on err. Returns the exit code: 0 done,
// 1 the file could not be read or converted, 2 usage error.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace fiscora
