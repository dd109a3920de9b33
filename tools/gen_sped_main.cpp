// gen-sped OUT LINES [SEED] [--period=AAAA-MM] [--printers=0..9] [--c481]
//         [--encoding=cp1252|utf8|cp850] [--lf]
//
// Writes an EFD ICMS/IPI file of LINES lines that looks like one month of a
// shop. The same arguments always give the same file.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/generator_args.h"
#include "tools/sped_generator.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: gen-sped OUT LINES [SEED] [--period=AAAA-MM] [--printers=0..9] [--c481]\n"
               "               [--encoding=cp1252|utf8|cp850] [--lf]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  fiscora::SpedGeneratorOptions options;
  fiscora::GeneratorArgs args;
  args.seed = 2025;
  auto flag = [&](const std::string& a) {
    if (a == "--c481") {
      options.c481 = true;
    } else if (a == "--encoding=cp1252") {
      options.encoding = fiscora::SpedTextEncoding::kWindows1252;
    } else if (a == "--encoding=utf8") {
      options.encoding = fiscora::SpedTextEncoding::kUtf8;
    } else if (a == "--encoding=cp850") {
      options.encoding = fiscora::SpedTextEncoding::kCp850;
    } else {
      return fiscora::CommonGeneratorFlag(a, options);
    }
    return true;
  };
  if (!fiscora::ParseGeneratorArgs(argc, argv, 1, args, flag)) return Usage();
  try {
    fiscora::SpedGeneratorSummary s =
        fiscora::GenerateSped(args.out, args.lines, static_cast<uint64_t>(args.seed), options);
    std::printf("%s: %lld lines, %lld bytes, %lld notes, %lld reductions\n", args.out.c_str(),
                static_cast<long long>(s.lines), static_cast<long long>(s.bytes),
                static_cast<long long>(s.notes), static_cast<long long>(s.reductions));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
