// A generator of NF-e XML files (nfeProc, layout 4.00) of one establishment
// and one month, and of the EFD ICMS/IPI file that books them: the
// establishment's own exits (NF-e to companies and people, NFC-e to
// consumers) and the entries it received from suppliers, each with several
// items, ICMS and, on some items, ICMS withheld by tax substitution (ST);
// entries from industries carry IPI. Faults of the reconciliation can be
// planted on request.
//
// The output depends only on the arguments: the same count, seed and
// options give the same bytes everywhere. Used by the tests, the benchmark
// and by hand through gen-nfe.
//
// The XML writer below it (NfeXmlNote, NfeProcXml) is public so that tests
// can write the one note a case needs.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fiscora {

// ------------------------------------------------------------ one note

struct NfeXmlParty {
  enum class Kind { kNone, kCnpj, kCpf, kForeign };
  Kind kind = Kind::kNone;
  std::string id;    // digits (or the foreign id)
  std::string name;  // xNome
  std::string uf = "SP";
  std::string ie;  // state registration, empty for none
};

// Values are in cents; the quantity in thousandths.
struct NfeXmlItem {
  std::string code, description, unit = "UN", ncm = "32091010";
  int64_t quantity_milli = 1000;
  int64_t value = 0;  // vProd
  int cfop = 5102;
  int cst = 0;    // 0 taxed, 10 taxed with ST, 60 ST withheld before
  int rate = 18;  // ICMS rate, percent
  int64_t bc = 0, icms = 0, bcst = 0, st = 0, ipi = 0;
};

struct NfeXmlTotals {
  int64_t vBC = 0, vICMS = 0, vBCST = 0, vST = 0, vProd = 0, vFrete = 0, vSeg = 0, vDesc = 0,
          vIPI = 0, vOutro = 0, vNF = 0;
};

struct NfeXmlNote {
  int year = 2025, month = 3, day = 1, hour = 10, minute = 0;
  NfeXmlParty issuer, recipient;  // dest kNone: an NFC-e to an unnamed consumer
  int model = 55, series = 1;
  int64_t number = 1;
  int tp_nf = 1, fin_nfe = 1, tp_amb = 1;
  int64_t code = 12345678;  // cNF
  std::vector<NfeXmlItem> items;
  int64_t freight = 0, insurance = 0, discount = 0, other = 0;  // spread as written in totals
  // The protocol's cStat; 0 writes a bare NFe without protocol.
  int cstat = 100;
  // Responses to events appended after the protocol: (tpEvento, cStat).
  std::vector<std::pair<int, int>> events;
  bool wrong_check_digit = false;  // the key's last digit plus one
  bool signature = true;           // a Signature element of the usual size
};

NfeXmlTotals NfeXmlTotalsOf(const NfeXmlNote& note);
// The 44-character access key (with its check digit, or a wrong one).
std::string NfeXmlKey(const NfeXmlNote& note);
// The document: nfeProc with protNFe (and retEvento) when cstat != 0, a
// bare NFe otherwise.
std::string NfeProcXml(const NfeXmlNote& note);

// ------------------------------------------------------------ a month

struct NfeGeneratorOptions {
  std::string cnpj;  // of the establishment, 14 digits
  std::string uf = "SP";
  int year = 2025, month = 3;
  int min_items = 1, max_items = 12;
  bool c170_all = false;      // C170 lines for the own notes too (EFD)
  int cancelled_percent = 1;  // own exits cancelled and booked as such
  // Faults, each planted on that many notes (different notes).
  int unbooked = 0;             // an authorised note without booking
  int booking_without_xml = 0;  // a booking whose XML is not written
  int cancelled_booked = 0;     // a cancelled note booked as regular
  int value_off = 0;            // VL_DOC 0,02 above vNF
  int wrong_cfop = 0;           // a CFOP of C190 that the note does not have
  int wrong_key = 0;            // a wrong check digit in the key (XML and booking)
  bool crlf = true;             // EFD line ends
};

struct NfeGeneratorSummary {
  int64_t files = 0, bytes = 0;
  int64_t own_exits = 0, nfce = 0, entries = 0, cancelled = 0;
  int64_t efd_lines = 0, bookings = 0;
};

// Writes n files OUT_DIR/<key>-procNFe.xml (the folder is created) and, when
// efd is not empty, the EFD file. Throws std::invalid_argument for bad
// options (faults that do not fit in n notes) and std::runtime_error when a
// file cannot be written.
NfeGeneratorSummary GenerateNfe(const std::filesystem::path& out_dir, int64_t n, uint64_t seed,
                                const NfeGeneratorOptions& options,
                                const std::filesystem::path& efd = {});

}  // namespace fiscora
