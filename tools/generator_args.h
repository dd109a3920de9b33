// The command line the file generators share: OUT LINES [SEED] and flags.
// Each generator hands its own flags to ParseGeneratorArgs as a function that
// takes a flag it knows (true) or refuses it (false); the common flags
// --period=AAAA-MM, --printers=N and --lf are read into the options of the
// generators that have them.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace fiscora {

// A whole decimal number, nothing before or after it.
inline bool ParseWholeNumber(const std::string& s, int64_t& out) {
  if (s.empty()) return false;
  try {
    size_t used = 0;
    long long v = std::stoll(s, &used, 10);
    if (used != s.size()) return false;
    out = v;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

struct GeneratorArgs {
  std::string out;
  int64_t lines = 0;
  int64_t seed = 1;
};

// Options with year, month, printers and crlf take the common flags.
template <class Options>
bool CommonGeneratorFlag(const std::string& a, Options& options) {
  int64_t v = 0;
  if (a.rfind("--period=", 0) == 0) {
    std::string p = a.substr(9);
    int64_t y = 0, m = 0;
    if (p.size() != 7 || p[4] != '-' || !ParseWholeNumber(p.substr(0, 4), y) ||
        !ParseWholeNumber(p.substr(5), m))
      return false;
    options.year = static_cast<int>(y);
    options.month = static_cast<int>(m);
    return true;
  }
  if (a.rfind("--printers=", 0) == 0) {
    if (!ParseWholeNumber(a.substr(11), v)) return false;
    options.printers = static_cast<int>(v);
    return true;
  }
  if (a == "--lf") {
    options.crlf = false;
    return true;
  }
  return false;
}

// False on anything it cannot read: a flag `flag` refuses, fewer than two or
// more than three positional arguments, LINES below min_lines, a SEED that is
// not a number. args.seed keeps its value when no SEED is given.
inline bool ParseGeneratorArgs(int argc, char** argv, int64_t min_lines, GeneratorArgs& args,
                               const std::function<bool(const std::string&)>& flag) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (!a.empty() && a[0] == '-') {
      if (!flag(a)) return false;
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() < 2 || positional.size() > 3) return false;
  args.out = positional[0];
  if (!ParseWholeNumber(positional[1], args.lines) || args.lines < min_lines) return false;
  return positional.size() < 3 || ParseWholeNumber(positional[2], args.seed);
}

}  // namespace fiscora
