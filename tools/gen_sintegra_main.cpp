// gen-sintegra OUT LINES [SEED] [--period=AAAA-MM] [--printers=N] [--lf] [--problems]
//
// Writes a SINTEGRA file of LINES lines that looks like one month of a
// shop; --problems gives the shape of a file full of problems (a quarter of
// the lines notes, many rate differences, records out of order). The same
// arguments always give the same file.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/generator_args.h"
#include "tools/sintegra_generator.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: gen-sintegra OUT LINES [SEED] [--period=AAAA-MM] [--printers=1..9] [--lf] "
               "[--problems]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  fiscora::GeneratorOptions options;
  fiscora::GeneratorArgs args;
  bool problems = false;
  if (!fiscora::ParseGeneratorArgs(argc, argv, 1, args, [&](const std::string& a) {
        if (a == "--problems") return problems = true;
        return fiscora::CommonGeneratorFlag(a, options);
      }))
    return Usage();
  if (problems) options = fiscora::ProblemHeavyOptions(options);

  try {
    auto start = std::chrono::steady_clock::now();
    fiscora::GeneratorSummary s =
        fiscora::GenerateSintegra(args.out, args.lines, static_cast<uint64_t>(args.seed), options);
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %lld lines, %.1f MB in %.2f s (%d printers, %d days, %lld products)\n",
                args.out.c_str(), static_cast<long long>(s.lines),
                static_cast<double>(s.bytes) / 1e6, secs, s.printers, s.days,
                static_cast<long long>(s.products));
    for (const auto& [kind, count] : s.by_kind)
      std::printf("  %-3s %lld\n", kind.c_str(), static_cast<long long>(count));
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gen-sintegra: %s\n", e.what());
    return 1;
  }
}
