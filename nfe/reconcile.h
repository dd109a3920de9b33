// The reconciliation of the NF-e XML files with the books: every note read
// from the XML files and every note booked, joined by key, each with the
// result of the checks and the money at risk.
//
// Classification, against the establishment of the books: emit is the
// establishment and tpNF 1: own issue, exit; emit is the establishment and
// tpNF 0: own issue, entry (imports, returns); dest is the establishment:
// third-party entry; otherwise the note does not belong to it. Only the
// same CNPJ is the establishment: a branch of the same root is a third party.
//
// Matching: EFD C100 by CHV_NFE; a C100 without key by model, series (as
// numbers), number and the participant's CNPJ or CPF (dest of an own note,
// emit of a third party's). SINTEGRA by CNPJ, model, series, number (its
// last six digits) and issuer, the date choosing between notes that share
// the rest. A note booked in a file whose period does not hold its
// emission is "escriturada em outro período"; a note not booked whose
// emission is outside every file's period is told as such, not as missing.
//
// Checks (money equal within the tolerance), each giving erro, aviso or
// informação; a row's result is the worst of its checks ("conferida" when
// none):
//   authorised XML, no booking                           erro
//   regular booking (COD_SIT 00, 01, 06, 07, 08), no XML  aviso
//   cancelled or denied XML booked as regular             erro
//   authorised XML booked as cancelled, denied or unused  aviso
//   VL_DOC, DT_DOC, number, series, model, participant    erro
//   VL_BC_ICMS, VL_ICMS, VL_BC_ICMS_ST, VL_ICMS_ST, VL_IPI: own notes erro
//     when different; third parties: 0 booked informação (no credit
//     taken), above the note erro, between aviso
//   the CFOPs of C190 against the items': own notes the same set; third
//     parties the first digit mirrors the origin (5 to 1, 6 to 2, 7 to 3)
//   the key: check digit; its CNPJ, model, series and number those of the
//     note; for own notes its state the establishment's (erro); its month
//     that of the emission, the protocol's key that of infNFe/@Id (aviso)
//   the XML alone: items - discount + ST + freight + insurance + other +
//     IPI (+ FCP-ST, returned IPI, services) = vNF, the exempt ICMS allowed
//     either way; not for imports (CFOP 3xxx)
//   a note without protocol: aviso "sem protocolo"; copies of a key that
//     disagree: aviso; a key booked more than once: erro.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/money.h"
#include "nfe/books.h"
#include "nfe/reader.h"

namespace fiscora {

enum class ReconSeverity : uint8_t { kOk, kInfo, kWarning, kError };
// "conferida", "informação", "aviso", "erro".
std::string_view ReconSeverityText(ReconSeverity s);

enum class NoteRole : uint8_t { kOwnExit, kOwnEntry, kThirdPartyEntry, kNotOwned };
// "emissão própria - saída", "emissão própria - entrada", "entrada de
// terceiros", "não pertence ao estabelecimento".
std::string_view NoteRoleText(NoteRole role);

// The kinds of finding, for the summary.
enum class ReconCheck : uint8_t {
  kNotBooked,
  kBookedWithoutXml,
  kCancelledBookedRegular,
  kAuthorisedBookedCancelled,
  kOtherPeriod,
  kOutsidePeriods,
  kNotOwned,
  kBookedTwice,
  kDocumentValue,
  kDate,
  kNumberSeriesModel,
  kParticipant,
  kTaxes,
  kNoCredit,
  kCreditAbove,
  kCreditBelow,
  kCfop,
  kKey,
  kXmlTotals,
  kNoProtocol,
  kCopies,
  kCount
};
// The name the summary shows: "não escriturada", "escriturada sem XML", ...
std::string_view ReconCheckText(ReconCheck c);

struct ReconFinding {
  ReconCheck check;
  ReconSeverity severity;
  std::string message;
};

// One row per key (or per booking without key and without XML).
struct ReconRow {
  const NfeNote* note = nullptr;     // null: a booking without XML
  const Booking* booking = nullptr;  // null: not booked
  NoteRole role = NoteRole::kNotOwned;
  std::vector<ReconFinding> findings;
  ReconSeverity result = ReconSeverity::kOk;

  // The messages joined by "; ".
  std::string Message() const;
};

struct ReconCount {
  int64_t notes = 0;
  Money vnf;  // the sum of vNF of the rows (VL_DOC of a booking without XML)
};

struct Reconciliation {
  Reconciliation() = default;
  Reconciliation(Reconciliation&&) = default;
  Reconciliation& operator=(Reconciliation&&) = default;
  // The rows point into books and xml: moved, never copied.
  Reconciliation(const Reconciliation&) = delete;
  Reconciliation& operator=(const Reconciliation&) = delete;

  Books books;
  NfeReadResult xml;
  Money tolerance;
  std::vector<ReconRow> rows;  // by key; bookings without key last, in file order
  int64_t matched = 0;         // notes found in the books
  ReconCount by_result[4];     // indexed by ReconSeverity
  ReconCount by_check[static_cast<size_t>(ReconCheck::kCount)];

  // The money of a row: vNF, or VL_DOC of a booking without XML.
  Money RowValue(const ReconRow& row) const;
  // The period (month) of a booking's file: "03/2025", or "01/01/2025 a 15/02/2025".
  std::string PeriodText(const Booking& b) const;
};

// Joins what was read and runs the checks. Keeps both inputs (the rows
// point into them).
void Reconcile(Reconciliation& r);

struct ReconOptions {
  Money tolerance = Money::FromRaw(100);  // R$ 0,01
  BookSource source = BookSource::kEfd;
  unsigned threads = 0;  // for the XML files; 0: one per core
  // Called on the calling thread with the step ("Lendo a escrita",
  // "Lendo os arquivos XML", "Conciliando") and the bytes read so far and
  // in all in that step.
  std::function<void(std::string_view step, int64_t done, int64_t total)> progress;
  const std::atomic<bool>* cancel = nullptr;
};

// Reads the books (EFD or SINTEGRA files, refused before any XML file is
// read when they cannot be), then the XML inputs, and reconciles them.
// Throws what the readers throw (InputRefusal, FileError, conversion
// errors, NfeCancelled).
Reconciliation RunXmlReconciliation(const std::vector<std::string>& xml_inputs,
                                    const std::vector<std::string>& book_files,
                                    const ReconOptions& options);

// "10/03/2025" for 20250310 (empty for 0).
std::string ReconDateText(int32_t yyyymmdd);
// A CNPJ (14 characters) or CPF (11) with its punctuation; other texts as
// they are.
std::string PartyText(std::string_view id);

}  // namespace fiscora
