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

#include "tools/sped_generator.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: gen-sped OUT LINES [SEED] [--period=AAAA-MM] [--printers=0..9] [--c481]\n"
               "               [--encoding=cp1252|utf8|cp850] [--lf]\n");
  return 2;
}

bool ParseInt(const std::string& s, int64_t& out) {
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

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  fiscora::SpedGeneratorOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    int64_t v = 0;
    if (a.rfind("--period=", 0) == 0) {
      std::string p = a.substr(9);
      int64_t y = 0, m = 0;
      if (p.size() != 7 || p[4] != '-' || !ParseInt(p.substr(0, 4), y) || !ParseInt(p.substr(5), m))
        return Usage();
      options.year = static_cast<int>(y);
      options.month = static_cast<int>(m);
    } else if (a.rfind("--printers=", 0) == 0) {
      if (!ParseInt(a.substr(11), v)) return Usage();
      options.printers = static_cast<int>(v);
    } else if (a == "--c481") {
      options.c481 = true;
    } else if (a == "--encoding=cp1252") {
      options.encoding = fiscora::SpedTextEncoding::kWindows1252;
    } else if (a == "--encoding=utf8") {
      options.encoding = fiscora::SpedTextEncoding::kUtf8;
    } else if (a == "--encoding=cp850") {
      options.encoding = fiscora::SpedTextEncoding::kCp850;
    } else if (a == "--lf") {
      options.crlf = false;
    } else if (!a.empty() && a[0] == '-') {
      return Usage();
    } else {
      positional.push_back(a);
    }
  }
  int64_t lines = 0, seed = 2025;
  if (positional.size() < 2 || positional.size() > 3 || !ParseInt(positional[1], lines) ||
      (positional.size() == 3 && !ParseInt(positional[2], seed)))
    return Usage();
  try {
    fiscora::SpedGeneratorSummary s =
        fiscora::GenerateSped(positional[0], lines, static_cast<uint64_t>(seed), options);
    std::printf("%s: %lld lines, %lld bytes, %lld notes, %lld reductions\n", positional[0].c_str(),
                static_cast<long long>(s.lines), static_cast<long long>(s.bytes),
                static_cast<long long>(s.notes), static_cast<long long>(s.reductions));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
