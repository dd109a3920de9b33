// gen-contrib OUT LINES [SEED] [--cnpj=14 DIGITS] [--establishments=N] [--c500]
//                                [--utf8] [--signed]
//
// Writes an EFD-Contribuições file of about LINES lines for one company file
// (a head office or a branch). Establishment i gets the CNPJ given with its
// branch number raised by i. The same arguments always give the same file.
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "tools/contrib_generator.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: gen-contrib OUT LINES [SEED] [--cnpj=NNNNNNNNNNNNNN] [--establishments=N]"
               " [--c500] [--utf8] [--signed]\n");
  return 2;
}

bool ParseInt(const std::string& s, long long& out) {
  try {
    size_t used = 0;
    out = std::stoll(s, &used, 10);
    return used == s.size();
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  fiscora::ContribOptions o;
  std::string cnpj = "11222333000181";
  long long establishments = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--cnpj=", 0) == 0) {
      cnpj = a.substr(7);
      if (cnpj.size() != 14) return Usage();
    } else if (a.rfind("--establishments=", 0) == 0) {
      if (!ParseInt(a.substr(17), establishments) || establishments < 1 || establishments > 99)
        return Usage();
    } else if (a == "--c500") {
      o.c500 = true;
    } else if (a == "--utf8") {
      o.utf8 = true;
    } else if (a == "--signed") {
      o.signature = true;
    } else if (!a.empty() && a[0] == '-') {
      return Usage();
    } else {
      positional.push_back(a);
    }
  }
  long long lines = 0, seed = 1;
  if (positional.size() < 2 || positional.size() > 3) return Usage();
  if (!ParseInt(positional[1], lines) || lines < 100) return Usage();
  if (positional.size() == 3 && !ParseInt(positional[2], seed)) return Usage();
  o.lines = lines;
  o.seed = static_cast<uint32_t>(seed);
  o.establishments.clear();
  const long long branch = std::stoll(cnpj.substr(8, 4));
  for (long long e = 0; e < establishments; ++e) {
    char number[8];
    std::snprintf(number, sizeof number, "%04lld", branch + e);
    // The check digits are not recomputed: the merge does not look at them.
    o.establishments.push_back({cnpj.substr(0, 8) + number + cnpj.substr(12),
                                "ESTABELECIMENTO " + std::to_string(branch + e)});
  }
  std::ofstream out(positional[0], std::ios::binary);
  if (!out) {
    std::fprintf(stderr, "gen-contrib: cannot write %s\n", positional[0].c_str());
    return 1;
  }
  const long long written = fiscora::GenerateContrib(out, o);
  out.close();
  if (!out) {
    std::fprintf(stderr, "gen-contrib: error writing %s\n", positional[0].c_str());
    return 1;
  }
  std::printf("%s: %lld lines\n", positional[0].c_str(), written);
  return 0;
}
