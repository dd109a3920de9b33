// gen-nfe OUT_DIR N [SEED] --cnpj=NNNNNNNNNNNNNN [--efd=FILE] [--period=AAAA-MM]
//         [--uf=SP] [--items=MIN-MAX] [--c170] [--lf] [--faults]
//         [--unbooked=K] [--booking-without-xml=K] [--cancelled-booked=K]
//         [--value-off=K] [--wrong-cfop=K] [--wrong-key=K]
//
// Writes N NF-e XML files (nfeProc) of one establishment and month in
// OUT_DIR and, with --efd, the EFD ICMS/IPI file that books them. --faults
// plants one of each fault; the fault options plant K of one kind. The same
// arguments always give the same files.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "tools/generator_args.h"
#include "tools/nfe_generator.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: gen-nfe OUT_DIR N [SEED] --cnpj=NNNNNNNNNNNNNN [--efd=FILE]\n"
               "               [--period=AAAA-MM] [--uf=SP] [--items=MIN-MAX] [--c170] [--lf]\n"
               "               [--faults] [--unbooked=K] [--booking-without-xml=K]\n"
               "               [--cancelled-booked=K] [--value-off=K] [--wrong-cfop=K]\n"
               "               [--wrong-key=K]\n");
  return 2;
}

// "--name=K" into `out`; false when the flag is another or K is no number.
bool CountFlag(const std::string& a, const char* name, int& out) {
  const std::string prefix = std::string(name) + "=";
  if (a.rfind(prefix, 0) != 0) return false;
  int64_t v = 0;
  if (!fiscora::ParseWholeNumber(a.substr(prefix.size()), v) || v < 0 || v > 1000000) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  fiscora::NfeGeneratorOptions o;
  fiscora::GeneratorArgs args;
  args.seed = 2025;
  std::string efd;
  auto flag = [&](const std::string& a) {
    int64_t y = 0, m = 0;
    if (a.rfind("--cnpj=", 0) == 0) {
      o.cnpj = a.substr(7);
    } else if (a.rfind("--efd=", 0) == 0) {
      efd = a.substr(6);
    } else if (a.rfind("--uf=", 0) == 0) {
      o.uf = a.substr(5);
    } else if (a.rfind("--period=", 0) == 0) {
      const std::string p = a.substr(9);
      if (p.size() != 7 || p[4] != '-' || !fiscora::ParseWholeNumber(p.substr(0, 4), y) ||
          !fiscora::ParseWholeNumber(p.substr(5), m))
        return false;
      o.year = static_cast<int>(y);
      o.month = static_cast<int>(m);
    } else if (a.rfind("--items=", 0) == 0) {
      const std::string p = a.substr(8);
      const size_t dash = p.find('-');
      if (dash == std::string::npos || !fiscora::ParseWholeNumber(p.substr(0, dash), y) ||
          !fiscora::ParseWholeNumber(p.substr(dash + 1), m))
        return false;
      o.min_items = static_cast<int>(y);
      o.max_items = static_cast<int>(m);
    } else if (a == "--c170") {
      o.c170_all = true;
    } else if (a == "--lf") {
      o.crlf = false;
    } else if (a == "--faults") {
      o.unbooked = o.booking_without_xml = o.cancelled_booked = o.value_off = o.wrong_cfop =
          o.wrong_key = 1;
    } else {
      return CountFlag(a, "--unbooked", o.unbooked) ||
             CountFlag(a, "--booking-without-xml", o.booking_without_xml) ||
             CountFlag(a, "--cancelled-booked", o.cancelled_booked) ||
             CountFlag(a, "--value-off", o.value_off) ||
             CountFlag(a, "--wrong-cfop", o.wrong_cfop) || CountFlag(a, "--wrong-key", o.wrong_key);
    }
    return true;
  };
  if (!fiscora::ParseGeneratorArgs(argc, argv, 1, args, flag) || o.cnpj.empty()) return Usage();
  try {
    fiscora::NfeGeneratorSummary s =
        fiscora::GenerateNfe(args.out, args.lines, static_cast<uint64_t>(args.seed), o, efd);
    std::printf(
        "%s: %lld files, %lld bytes (%lld own NF-e, %lld NFC-e, %lld entries, %lld cancelled)\n",
        args.out.c_str(), static_cast<long long>(s.files), static_cast<long long>(s.bytes),
        static_cast<long long>(s.own_exits), static_cast<long long>(s.nfce),
        static_cast<long long>(s.entries), static_cast<long long>(s.cancelled));
    if (!efd.empty())
      std::printf("%s: %lld lines, %lld bookings\n", efd.c_str(),
                  static_cast<long long>(s.efd_lines), static_cast<long long>(s.bookings));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
