// The NF-e reader: every NF-e and NFC-e XML file of the folders and zip
// files given, read one document at a time into a small summary per note.
//
// Inputs: a folder is searched recursively for files named *.xml (any
// letter case) and *.zip; a zip file is read entry by entry (its *.xml
// entries, in nested folders too); a file given by name is read as XML
// unless its name ends with .zip. Folders are listed in the order of their
// paths, so the result does not depend on the file system.
//
// Documents: the root element, in the namespace
// http://www.portalfiscal.inf.br/nfe, is one of
//   nfeProc        a note with its protocol (protNFe), possibly followed by
//                  the responses to events (retEvento) in the same file;
//   NFe            a bare note, not protocolled;
//   enviNFe        a batch sent for authorisation (its notes, unprotocolled);
//   procEventoNFe  an event with its response.
// Anything else (a CT-e, an event request without response, a root outside
// the namespace) is listed as "não é uma NF-e" with the file's name; a file
// that is not well-formed XML is listed with the parser's message and the
// line and column where it stopped; a note whose key or a field the summary
// needs cannot be read is listed with the field. None of these stops the
// run. Notes of the test environment (tpAmb 2) are listed and left out.
//
// Per key one note: copies of one key in several files become one note,
// taken from the authorised and protocolled copy first (then any
// protocolled copy, then the first in file order); copies that disagree in
// what the summary holds give a warning naming both files. A protocol that
// cancels (101, 151, 155) on any copy, or a cancellation event (tpEvento
// 110111 or 110112 with cStat 135 or 155) for the key, makes the note
// cancelled; an event applies to its own key only, and an event for a key
// that is not among the notes read is listed, never applied to another note.
// Correction letters (110110) and other events change nothing.
//
// Threads: the files are parsed on `threads` threads (the calling thread
// among them); the result is the same, in the same order, every run.
// Progress is reported on the calling thread.
//
// Errors: an input that does not exist throws InputRefusal (file, line 0,
// reason); a file or zip that cannot be read throws FileError naming it;
// a cancelled run throws NfeCancelled.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/money.h"

namespace fiscora {

inline constexpr std::string_view kNfeNamespace = "http://www.portalfiscal.inf.br/nfe";

// A party of a note (emit or dest): a CNPJ (14 characters, letters allowed
// in the 2026 layout), a CPF (11 digits), or a foreign id (idEstrangeiro, up
// to 20 characters, possibly empty); kNone when the note names no party.
struct NfeParty {
  enum class Kind : uint8_t { kNone, kCnpj, kCpf, kForeign };
  Kind kind = Kind::kNone;
  uint8_t size = 0;
  std::array<char, 20> id{};

  std::string_view Id() const { return {id.data(), size}; }
  bool operator==(const NfeParty& o) const { return kind == o.kind && Id() == o.Id(); }
};

enum class NfeStatus : uint8_t {
  kAuthorised,     // protocol cStat 100 or 150
  kCancelled,      // protocol 101, 151 or 155, or a cancellation event
  kDenied,         // protocol 110, 301, 302 or 303
  kUnprotocolled,  // no protocol (a bare NFe, enviNFe)
  kOther,          // a protocol with another cStat (a rejection)
};
// "autorizada", "cancelada", "denegada", "sem protocolo", "não autorizada".
std::string_view NfeStatusText(NfeStatus status);
// The status a protocol's cStat gives.
NfeStatus NfeStatusOfCStat(int cstat);

// The distinct CFOPs of a note's items, in ascending order. Up to six are
// held in place; a note with more keeps them all on the heap.
class CfopSet {
 public:
  CfopSet() = default;
  CfopSet(const CfopSet& o) { *this = o; }
  CfopSet& operator=(const CfopSet& o);
  CfopSet(CfopSet&&) noexcept = default;
  CfopSet& operator=(CfopSet&&) noexcept = default;

  void Add(uint16_t cfop);
  size_t size() const { return more_ ? more_->size() : count_; }
  uint16_t operator[](size_t i) const { return more_ ? (*more_)[i] : inline_[i]; }
  bool Contains(uint16_t cfop) const;
  bool operator==(const CfopSet& o) const;
  // "5102, 5405".
  std::string Text() const;

 private:
  static constexpr size_t kInline = 6;
  std::array<uint16_t, kInline> inline_{};
  uint8_t count_ = 0;
  std::unique_ptr<std::vector<uint16_t>> more_;  // every CFOP, once there are more than kInline
};

// An item of a note (det/prod), kept only on request (NfeReadOptions::items).
// Parties are kept as written: a CNPJ or CPF of the wrong length is the
// reconciliation's to report, not a reason to drop the note.
struct NfeItem {
  int32_t number = 0;  // nItem
  uint16_t cfop = 0;
  double quantity = 0;      // qCom
  Money value;              // vProd
  std::string code;         // cProd
  std::string description;  // xProd
  std::string unit;         // uCom
};

// total/ICMSTot (and ISSQNtot/vServ) of a note.
struct NfeTotals {
  Money vBC, vICMS, vICMSDeson, vBCST, vST, vProd, vFrete, vSeg, vDesc, vIPI, vOutro, vNF;
  // vFCPST + vIPIDevol + vII + ISSQNtot/vServ: the other parts of vNF.
  Money other_additions;
  bool operator==(const NfeTotals&) const = default;
};

// Where a note was read: its file's name within its input, in the buffer
// NfeReadResult::names. A name that holds the note's own key keeps a byte
// 0x01 in its place (NfeReadResult::FileName puts the key back).
struct NfeFileRef {
  uint32_t offset = 0;
  uint16_t size = 0;
  uint16_t input = 0;  // index of the input (folder, zip or file) given
};

// The summary of one note.
struct NfeNote {
  std::array<char, 44> key{};  // protNFe/infProt/chNFe, else infNFe/@Id
  NfeFileRef file;
  uint16_t cstat = 0;  // of the protocol; 0 without one
  NfeStatus status = NfeStatus::kUnprotocolled;
  uint8_t model = 0;    // 55 NF-e, 65 NFC-e
  uint8_t tp_nf = 0;    // 0 entry, 1 exit
  uint8_t fin_nfe = 0;  // 1 normal, 2 complementary, 3 adjustment, 4 return
  uint8_t tp_amb = 0;   // 1 production
  bool cancelled_by_event = false;
  bool key_differs_from_id = false;  // the protocol's key is not infNFe/@Id
  uint16_t series = 0;
  uint32_t number = 0;
  int32_t emission = 0;  // yyyymmdd of dhEmi (dEmi in layout 2.00)
  NfeParty issuer, recipient;
  NfeTotals totals;
  Money items_total;  // the sum of det/prod/vProd
  CfopSet cfops;

  std::string_view Key() const { return {key.data(), key.size()}; }
};

// A document or event not taken as a note, with the reason in Portuguese.
struct NfeIgnored {
  std::string file;
  std::string reason;
};

// A warning about one note (copies that disagree).
struct NfeWarning {
  std::string key;
  std::string message;
};

struct NfeReadResult {
  std::vector<NfeNote> notes;  // one per key, ordered by key
  // The items of each note (notes[i] has items[i]), only when asked for
  // (NfeReadOptions::items); empty otherwise.
  std::vector<std::vector<NfeItem>> items;
  std::vector<NfeIgnored> ignored;   // in file order
  std::vector<NfeWarning> warnings;  // ordered by key
  std::vector<std::string> inputs;   // the inputs as given (UTF-8)
  int64_t files = 0;                 // XML files and zip entries read
  int64_t documents = 0;             // notes found, copies included
  int64_t events = 0;                // event responses found
  int64_t test_environment = 0;      // notes left out for tpAmb 2

  // The file a note was read from: "FOLDER/sub/x.xml" for a file of a folder,
  // "ARQ.zip:sub/x.xml" for a zip entry, the file itself when given by name.
  std::string FileName(const NfeNote& note) const;
  // Index of the note with this key, or -1.
  int64_t Find(std::string_view key) const;

  // The relative names of the files that hold notes, one after the other.
  std::string names;
};

struct NfeReadOptions {
  bool items = false;    // keep every note's items (NfeReadResult::items)
  unsigned threads = 0;  // threads that parse; 0: one per core
  // Called on the calling thread about every 30 ms and at the end, with the
  // bytes of the files read so far and in all.
  std::function<void(int64_t done, int64_t total)> progress;
  // Set (from any thread) to stop: the run throws NfeCancelled.
  const std::atomic<bool>* cancel = nullptr;
};

class NfeCancelled : public std::runtime_error {
 public:
  NfeCancelled() : std::runtime_error("Operação cancelada pelo usuário") {}
};

// Reads the inputs (folders, zip files, XML files; UTF-8 paths as given).
NfeReadResult ReadNfeInputs(const std::vector<std::string>& inputs,
                            const NfeReadOptions& options = {});

// One document's bytes, named `file` in the lists: its notes (copies not yet
// joined, events not yet applied), its events and what it did not take. For
// the tests and the fuzzer; ReadNfeInputs runs it on every file.
struct NfeEvent {
  std::array<char, 44> key{};
  uint32_t type = 0;  // tpEvento
  uint16_t cstat = 0;
  uint8_t tp_amb = 0;
  std::string file;

  std::string_view Key() const { return {key.data(), key.size()}; }
};
struct NfeDocument {
  std::vector<NfeNote> notes;
  std::vector<std::vector<NfeItem>> items;  // parallel to notes when asked for
  std::vector<NfeEvent> events;
  std::vector<NfeIgnored> ignored;
  int64_t test_environment = 0;
};
NfeDocument ReadNfeDocument(std::string_view bytes, std::string_view file, bool items = false);

// The bytes of the file a note was read from (a zip entry read out of its
// zip), for showing it. Throws FileError when it cannot be read.
std::string ReadNfeSource(const NfeReadResult& result, const NfeNote& note);

}  // namespace fiscora
