// gen-sintegra OUT LINES [SEED] [--period=AAAA-MM] [--printers=N] [--lf]
//
// Writes a SINTEGRA file of LINES lines that looks like one month of a
// shop. The same arguments always give the same file.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/sintegra_generator.h"

namespace {

int Usage() {
  std::fprintf(
      stderr, "usage: gen-sintegra OUT LINES [SEED] [--period=AAAA-MM] [--printers=1..9] [--lf]\n");
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
  fiscora::GeneratorOptions options;
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
    } else if (a == "--lf") {
      options.crlf = false;
    } else if (!a.empty() && a[0] == '-') {
      return Usage();
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() < 2 || positional.size() > 3) return Usage();
  int64_t lines = 0, seed = 1;
  if (!ParseInt(positional[1], lines) || lines < 1) return Usage();
  if (positional.size() == 3 && !ParseInt(positional[2], seed)) return Usage();

  try {
    auto start = std::chrono::steady_clock::now();
    fiscora::GeneratorSummary s =
        fiscora::GenerateSintegra(positional[0], lines, static_cast<uint64_t>(seed), options);
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %lld lines, %.1f MB in %.2f s (%d printers, %d days, %lld products)\n",
                positional[0].c_str(), static_cast<long long>(s.lines),
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
