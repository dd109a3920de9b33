// gen-contrib OUT LINES [SEED] [--cnpj=14 DIGITS] [--establishments=N] [--c500]
//                                [--utf8] [--signed]
//
// Writes an EFD-Contribuições file of about LINES lines for one company file
// (a head office or a branch). Establishment i gets the CNPJ given with its
// branch number raised by i (and its check digits). The same arguments always give the same file.
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "tools/contrib_generator.h"
#include "tools/generator_args.h"
#include "validate/check_digits.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: gen-contrib OUT LINES [SEED] [--cnpj=NNNNNNNNNNNNNN] [--establishments=N]"
               " [--c500] [--utf8] [--signed]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  fiscora::ContribOptions o;
  std::string cnpj = "11222333000181";
  int64_t establishments = 1;
  fiscora::GeneratorArgs args;
  auto flag = [&](const std::string& a) {
    if (a.rfind("--cnpj=", 0) == 0) {
      cnpj = a.substr(7);
      return cnpj.size() == 14;
    }
    if (a.rfind("--establishments=", 0) == 0)
      return fiscora::ParseWholeNumber(a.substr(17), establishments) && establishments >= 1 &&
             establishments <= 99;
    if (a == "--c500") {
      o.c500 = true;
    } else if (a == "--utf8") {
      o.utf8 = true;
    } else if (a == "--signed") {
      o.signature = true;
    } else {
      return false;
    }
    return true;
  };
  if (!fiscora::ParseGeneratorArgs(argc, argv, 100, args, flag)) return Usage();
  o.lines = args.lines;
  o.seed = static_cast<uint32_t>(args.seed);
  o.establishments.clear();
  const long long branch = std::stoll(cnpj.substr(8, 4));
  for (int64_t e = 0; e < establishments; ++e) {
    char number[8];
    std::snprintf(number, sizeof number, "%04lld", branch + e);
    // The first is the CNPJ given; the others get their own check digits,
    // so that the file validates.
    o.establishments.push_back(
        {e == 0 ? cnpj : fiscora::CnpjWithCheckDigits(cnpj.substr(0, 8) + number),
         "ESTABELECIMENTO " + std::to_string(branch + e)});
  }
  std::ofstream out(args.out, std::ios::binary);
  if (!out) {
    std::fprintf(stderr, "gen-contrib: cannot write %s\n", args.out.c_str());
    return 1;
  }
  const long long written = fiscora::GenerateContrib(out, o);
  out.close();
  if (!out) {
    std::fprintf(stderr, "gen-contrib: error writing %s\n", args.out.c_str());
    return 1;
  }
  std::printf("%s: %lld lines\n", args.out.c_str(), written);
  return 0;
}
