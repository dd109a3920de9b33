#include "nfe/reconcile.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>

#include "data/format.h"
#include "data/nfe_key.h"

namespace fiscora {

std::string_view ReconSeverityText(ReconSeverity s) {
  switch (s) {
    case ReconSeverity::kOk:
      return "conferida";
    case ReconSeverity::kInfo:
      return "informação";
    case ReconSeverity::kWarning:
      return "aviso";
    case ReconSeverity::kError:
      break;
  }
  return "erro";
}

std::string_view NoteRoleText(NoteRole role) {
  switch (role) {
    case NoteRole::kOwnExit:
      return "emissão própria - saída";
    case NoteRole::kOwnEntry:
      return "emissão própria - entrada";
    case NoteRole::kThirdPartyEntry:
      return "entrada de terceiros";
    case NoteRole::kNotOwned:
      break;
  }
  return "não pertence ao estabelecimento";
}

std::string_view ReconCheckText(ReconCheck c) {
  static constexpr std::string_view kTexts[] = {
      "não escriturada",
      "escriturada sem XML",
      "cancelada ou denegada escriturada como regular",
      "autorizada escriturada como cancelada",
      "escriturada em outro período",
      "emitida fora do período da escrita",
      "não pertence ao estabelecimento",
      "escriturada mais de uma vez",
      "valor do documento",
      "data de emissão",
      "número, série ou modelo",
      "participante",
      "impostos",
      "crédito não aproveitado",
      "crédito maior que o destacado",
      "crédito menor que o destacado",
      "CFOP",
      "chave de acesso",
      "totais do XML",
      "sem protocolo",
      "cópias divergentes",
  };
  static_assert(std::size(kTexts) == static_cast<size_t>(ReconCheck::kCount));
  return kTexts[static_cast<size_t>(c)];
}

std::string ReconRow::Message() const {
  std::string out;
  for (const ReconFinding& f : findings) {
    if (!out.empty()) out += "; ";
    out += f.message;
  }
  return out;
}

std::string ReconDateText(int32_t d) {
  if (d <= 0) return "";
  auto two = [](int v) {
    return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10);
  };
  return two(d % 100) + "/" + two(d / 100 % 100) + "/" + std::to_string(d / 10000);
}

std::string PartyText(std::string_view id) {
  std::string s(id);
  if (s.size() == 14)
    return s.substr(0, 2) + "." + s.substr(2, 3) + "." + s.substr(5, 3) + "/" + s.substr(8, 4) +
           "-" + s.substr(12);
  if (s.size() == 11)
    return s.substr(0, 3) + "." + s.substr(3, 3) + "." + s.substr(6, 3) + "-" + s.substr(9);
  return s;
}

Money Reconciliation::RowValue(const ReconRow& row) const {
  if (row.note) return row.note->totals.vNF;
  return row.booking ? row.booking->vl_doc : Money();
}

std::string Reconciliation::PeriodText(const Booking& b) const {
  if (b.file >= books.files.size()) return "";
  const BookFile& f = books.files[b.file];
  if (f.start % 100 == 1 && f.start / 100 == f.end / 100) {
    const int month = f.start / 100 % 100;
    return std::string(month < 10 ? "0" : "") + std::to_string(month) + "/" +
           std::to_string(f.start / 10000);
  }
  return ReconDateText(f.start) + " a " + ReconDateText(f.end);
}

namespace {

Money Abs(Money m) { return m < Money() ? -m : m; }

bool IsVoid(const NfeNote& n) {
  return n.status == NfeStatus::kCancelled || n.status == NfeStatus::kDenied;
}

// The book's text of a CPF may carry three zeros in front (SINTEGRA).
bool SameParty(std::string_view booked, const NfeParty& p) {
  switch (p.kind) {
    case NfeParty::Kind::kCnpj:
      return booked == p.Id();
    case NfeParty::Kind::kCpf:
      return booked == p.Id() ||
             (booked.size() == 14 && booked.substr(0, 3) == "000" && booked.substr(3) == p.Id());
    case NfeParty::Kind::kForeign:
    case NfeParty::Kind::kNone:
      break;
  }
  return booked.find_first_not_of('0') == std::string_view::npos;
}

// The first digit of a CFOP as the other party books it: 5 -> 1, 6 -> 2,
// 7 -> 3, and back.
int MirroredOrigin(int cfop) {
  const int d = cfop / 1000;
  return d <= 3 ? d + 4 : d - 4;
}

std::string Origins(const CfopSet& s, bool mirrored) {
  std::vector<int> digits;
  for (size_t i = 0; i < s.size(); ++i) {
    const int d = mirrored ? MirroredOrigin(s[i]) : s[i] / 1000;
    if (std::find(digits.begin(), digits.end(), d) == digits.end()) digits.push_back(d);
  }
  std::sort(digits.begin(), digits.end());
  std::string out;
  for (int d : digits) out += std::to_string(d);
  return out;
}

class Checker {
 public:
  explicit Checker(Reconciliation& r) : r_(r), tol_(r.tolerance) {}

  bool Equal(Money a, Money b) const { return Abs(a - b) <= tol_; }

  static void Add(ReconRow& row, ReconCheck c, ReconSeverity s, std::string message) {
    row.findings.push_back({c, s, std::move(message)});
  }

  NoteRole RoleOf(const NfeNote& n) const {
    const std::string& own = r_.books.establishment.cnpj;
    if (!own.empty() && n.issuer.Id() == own)
      return n.tp_nf == 1 ? NoteRole::kOwnExit : NoteRole::kOwnEntry;
    if (!own.empty() && n.recipient.Id() == own) return NoteRole::kThirdPartyEntry;
    return NoteRole::kNotOwned;
  }

  static NoteRole RoleOf(const Booking& b) {
    if (b.ind_emit == '1') return NoteRole::kThirdPartyEntry;
    return b.ind_oper == '0' ? NoteRole::kOwnEntry : NoteRole::kOwnExit;
  }

  bool InPeriod(int32_t date, const BookFile& f) const { return date >= f.start && date <= f.end; }
  bool InAnyPeriod(int32_t date) const {
    for (const BookFile& f : r_.books.files)
      if (InPeriod(date, f)) return true;
    return false;
  }

  // The key's own checks.
  void Key(ReconRow& row, const NfeNote& n) const {
    const std::string_view key = n.Key();
    if (!AccessKeyValid(key))
      Add(row, ReconCheck::kKey, ReconSeverity::kError,
          "chave de acesso com dígito verificador inválido");
    if (std::optional<AccessKeyParts> p = SplitAccessKey(key)) {
      const std::string emitter = n.issuer.kind == NfeParty::Kind::kCpf
                                      ? "000" + std::string(n.issuer.Id())
                                      : std::string(n.issuer.Id());
      if (p->emitter != emitter)
        Add(row, ReconCheck::kKey, ReconSeverity::kError,
            "a chave traz o CNPJ " + PartyText(p->emitter) + ", o emitente é " +
                PartyText(n.issuer.Id()));
      if (p->model != std::to_string(n.model) || std::stoi(std::string(p->series)) != n.series ||
          std::stol(std::string(p->number)) != static_cast<long>(n.number))
        Add(row, ReconCheck::kKey, ReconSeverity::kError,
            "a chave traz modelo " + std::string(p->model) + ", série " +
                std::to_string(std::stoi(std::string(p->series))) + ", número " +
                std::to_string(std::stol(std::string(p->number))) + "; a nota, modelo " +
                std::to_string(n.model) + ", série " + std::to_string(n.series) + ", número " +
                std::to_string(n.number));
      if (row.role == NoteRole::kOwnExit || row.role == NoteRole::kOwnEntry) {
        const std::string_view uf = UfOfIbgeCode(p->uf);
        if (uf != r_.books.establishment.uf)
          Add(row, ReconCheck::kKey, ReconSeverity::kError,
              "a chave é da UF " + (uf.empty() ? std::string(p->uf) : std::string(uf)) +
                  "; o estabelecimento é de " + r_.books.establishment.uf);
      }
      const int yymm = n.emission / 100 % 10000;
      if (std::stoi(std::string(p->year_month)) != yymm)
        Add(row, ReconCheck::kKey, ReconSeverity::kWarning,
            "a chave é de " + std::string(p->year_month.substr(2)) + "/" +
                std::string(p->year_month.substr(0, 2)) + "; a emissão, de " +
                ReconDateText(n.emission));
    }
    if (n.key_differs_from_id)
      Add(row, ReconCheck::kKey, ReconSeverity::kWarning,
          "a chave do protocolo não é a do XML (infNFe/@Id)");
  }

  // The XML alone: its parts add up to vNF (imports aside).
  void Totals(ReconRow& row, const NfeNote& n) const {
    for (size_t i = 0; i < n.cfops.size(); ++i)
      if (n.cfops[i] / 1000 == 3) return;
    const NfeTotals& t = n.totals;
    const Money sum =
        n.items_total - t.vDesc + t.vST + t.vFrete + t.vSeg + t.vOutro + t.vIPI + t.other_additions;
    if (Equal(sum, t.vNF) || Equal(sum - t.vICMSDeson, t.vNF)) return;
    Add(row, ReconCheck::kXmlTotals, ReconSeverity::kError,
        "os itens, o frete, o seguro e as outras despesas, menos o desconto, mais ST e IPI, "
        "somam " +
            FormatMoney(sum) + "; vNF é " + FormatMoney(t.vNF));
  }

  void Protocol(ReconRow& row, const NfeNote& n) const {
    if (n.status == NfeStatus::kUnprotocolled)
      Add(row, ReconCheck::kNoProtocol, ReconSeverity::kWarning, "sem protocolo");
    else if (n.status == NfeStatus::kOther)
      Add(row, ReconCheck::kNoProtocol, ReconSeverity::kWarning,
          "sem autorização (cStat " + std::to_string(n.cstat) + ")");
  }

  // The booking against the note.
  void Compare(ReconRow& row, const NfeNote& n, const Booking& b) const {
    const bool sintegra = r_.books.source == BookSource::kSintegra;
    const BookFile& file = r_.books.files[b.file];
    if (!InPeriod(n.emission, file))
      Add(row, ReconCheck::kOtherPeriod, ReconSeverity::kInfo,
          "escriturada em outro período (" + r_.PeriodText(b) + ")");
    if (IsVoid(n)) {
      if (b.Regular())
        Add(row, ReconCheck::kCancelledBookedRegular, ReconSeverity::kError,
            std::string("NF-e ") + (n.status == NfeStatus::kDenied ? "denegada" : "cancelada") +
                " escriturada como regular (COD_SIT " + Two(b.cod_sit) + ")");
      return;
    }
    if (!b.Regular()) {
      if (n.status == NfeStatus::kAuthorised)
        Add(row, ReconCheck::kAuthorisedBookedCancelled, ReconSeverity::kWarning,
            "NF-e autorizada escriturada como " + SituationText(b.cod_sit) + " (COD_SIT " +
                Two(b.cod_sit) + ")");
      return;
    }
    const NfeTotals& t = n.totals;
    if (!Equal(b.vl_doc, t.vNF))
      Add(row, ReconCheck::kDocumentValue, ReconSeverity::kError,
          std::string(sintegra ? "valor total" : "VL_DOC") + " " + FormatMoney(b.vl_doc) +
              " difere de vNF " + FormatMoney(t.vNF));
    const bool entry_received = sintegra && b.ind_oper == '0';
    if (b.date == 0) {
      Add(row, ReconCheck::kDate, ReconSeverity::kError, "DT_DOC vazio");
    } else if (entry_received ? b.date < n.emission : b.date != n.emission) {
      Add(row, ReconCheck::kDate, ReconSeverity::kError,
          std::string(entry_received ? "recebida em " : "DT_DOC ") + ReconDateText(b.date) +
              (entry_received ? " antes da emissão " : " difere da emissão ") +
              ReconDateText(n.emission));
    }
    const uint32_t number = sintegra ? n.number % 1000000 : n.number;
    if (b.number != number || b.series != n.series || b.model != n.model)
      Add(row, ReconCheck::kNumberSeriesModel, ReconSeverity::kError,
          "escriturada como modelo " + std::to_string(b.model) + ", série " +
              (b.series == UINT16_MAX ? std::string("?") : std::to_string(b.series)) + ", número " +
              std::to_string(b.number) + "; a nota é modelo " + std::to_string(n.model) +
              ", série " + std::to_string(n.series) + ", número " + std::to_string(n.number));
    const bool own = row.role == NoteRole::kOwnExit || row.role == NoteRole::kOwnEntry;
    const NfeParty& party = own ? n.recipient : n.issuer;
    if (!b.participant.empty() && !SameParty(b.participant, party))
      Add(row, ReconCheck::kParticipant, ReconSeverity::kError,
          "participante da escrita " + PartyText(b.participant) + "; " +
              (own ? "destinatário" : "emitente") + " do XML " +
              (party.Id().empty() ? std::string("não informado") : PartyText(party.Id())));
    struct Pair {
      const char* booked_name;
      Money booked;
      const char* xml_name;
      Money xml;
    };
    std::vector<Pair> pairs = {{"VL_BC_ICMS", b.vl_bc_icms, "vBC", t.vBC},
                               {"VL_ICMS", b.vl_icms, "vICMS", t.vICMS}};
    if (b.st_and_ipi) {
      pairs.push_back({"VL_BC_ICMS_ST", b.vl_bc_icms_st, "vBCST", t.vBCST});
      pairs.push_back({"VL_ICMS_ST", b.vl_icms_st, "vST", t.vST});
      pairs.push_back({"VL_IPI", b.vl_ipi, "vIPI", t.vIPI});
    }
    for (const Pair& p : pairs) {
      if (Equal(p.booked, p.xml)) continue;
      const std::string both = std::string(p.booked_name) + " " + FormatMoney(p.booked) + ", " +
                               p.xml_name + " " + FormatMoney(p.xml);
      if (own)
        Add(row, ReconCheck::kTaxes, ReconSeverity::kError, "impostos diferem: " + both);
      else if (p.booked.IsZero())
        Add(row, ReconCheck::kNoCredit, ReconSeverity::kInfo,
            std::string(p.booked_name) + " zerado: crédito de " + FormatMoney(p.xml) +
                " não aproveitado");
      else if (p.booked > p.xml)
        Add(row, ReconCheck::kCreditAbove, ReconSeverity::kError,
            "crédito maior que o destacado: " + both);
      else
        Add(row, ReconCheck::kCreditBelow, ReconSeverity::kWarning,
            "crédito menor que o destacado: " + both);
    }
    if (b.cfops.size() == 0) {
      Add(row, ReconCheck::kCfop, ReconSeverity::kError,
          sintegra ? "sem CFOP" : "sem registro C190 (CFOP)");
    } else if (own ? !(b.cfops == n.cfops) : Origins(b.cfops, false) != Origins(n.cfops, true)) {
      Add(row, ReconCheck::kCfop, ReconSeverity::kError,
          std::string("CFOPs da escrita (") + b.cfops.Text() + ") " +
              (own ? "diferem dos CFOPs do XML ("
                   : "não correspondem à origem dos CFOPs do XML (") +
              n.cfops.Text() + ")");
    }
  }

  static std::string Two(int v) {
    return std::string(1, static_cast<char>('0' + v / 10 % 10)) + static_cast<char>('0' + v % 10);
  }
  static std::string SituationText(int cod_sit) {
    switch (cod_sit) {
      case 2:
      case 3:
        return "cancelada";
      case 4:
        return "denegada";
      case 5:
        return "numeração inutilizada";
      default:
        return "irregular";
    }
  }

 private:
  Reconciliation& r_;
  Money tol_;
};

// The key of a note for the matching without key.
using LooseKey = std::tuple<char, uint8_t, uint16_t, uint32_t, std::string>;

}  // namespace

void Reconcile(Reconciliation& r) {
  Checker check(r);
  const bool sintegra = r.books.source == BookSource::kSintegra;
  const std::vector<Booking>& bookings = r.books.bookings;
  std::vector<bool> used(bookings.size(), false);

  // The bookings by key, and those without a key by model, series, number,
  // issuer and participant.
  std::unordered_map<std::string_view, std::vector<uint32_t>> by_key;
  std::map<LooseKey, std::vector<uint32_t>> loose;
  for (size_t i = 0; i < bookings.size(); ++i) {
    const Booking& b = bookings[i];
    if (!b.key.empty()) {
      by_key[b.key].push_back(static_cast<uint32_t>(i));
    } else {
      std::string part = b.participant;
      // A CPF written with three zeros in front (SINTEGRA) is the CPF.
      if (sintegra && part.size() == 14 && part.compare(0, 3, "000") == 0 &&
          part.find_first_not_of('0') != std::string::npos)
        part = part.substr(3);
      loose[{b.ind_emit, b.model, b.series, b.number, part}].push_back(static_cast<uint32_t>(i));
    }
  }
  std::unordered_map<std::string_view, const NfeWarning*> copies;
  for (const NfeWarning& w : r.xml.warnings) copies.emplace(w.key, &w);

  for (const NfeNote& n : r.xml.notes) {
    ReconRow row;
    row.note = &n;
    row.role = check.RoleOf(n);
    const bool own = row.role == NoteRole::kOwnExit || row.role == NoteRole::kOwnEntry;
    // Its bookings: by key, else by the rest.
    std::vector<uint32_t> found;
    if (auto it = by_key.find(n.Key()); it != by_key.end()) found = it->second;
    if (found.empty() && row.role != NoteRole::kNotOwned) {
      const NfeParty& party = own ? n.recipient : n.issuer;
      const uint32_t number = sintegra ? n.number % 1000000 : n.number;
      auto it = loose.find({own ? '0' : '1', n.model, n.series, number, std::string(party.Id())});
      if (it != loose.end()) {
        // Among several, the one of the note's date.
        for (uint32_t i : it->second)
          if (!used[i] && bookings[i].date == n.emission) found.push_back(i);
        for (uint32_t i : it->second)
          if (!used[i] && found.empty()) found.push_back(i);
      }
    }
    found.erase(std::remove_if(found.begin(), found.end(), [&](uint32_t i) { return used[i]; }),
                found.end());
    if (!found.empty()) {
      row.booking = &bookings[found.front()];
      for (uint32_t i : found) used[i] = true;
      ++r.matched;
    }

    if (row.role == NoteRole::kNotOwned) {
      check.Add(row, ReconCheck::kNotOwned,
                row.booking ? ReconSeverity::kWarning : ReconSeverity::kInfo,
                row.booking ? "não pertence ao estabelecimento, mas está escriturada"
                            : "não pertence ao estabelecimento");
      if (row.booking) check.Compare(row, n, *row.booking);
    } else {
      check.Protocol(row, n);
      if (row.booking) {
        check.Compare(row, n, *row.booking);
        if (found.size() > 1) {
          std::string lines;
          for (uint32_t i : found) {
            if (!lines.empty()) lines += ", ";
            lines += std::to_string(bookings[i].line);
          }
          check.Add(
              row, ReconCheck::kBookedTwice, ReconSeverity::kError,
              "escriturada " + std::to_string(found.size()) + " vezes (linhas " + lines + ")");
        }
      } else if (!IsVoid(n)) {
        if (!check.InAnyPeriod(n.emission))
          check.Add(row, ReconCheck::kOutsidePeriods, ReconSeverity::kInfo,
                    "emitida em " + ReconDateText(n.emission) +
                        ", fora do período dos arquivos de escrita");
        else
          check.Add(
              row, ReconCheck::kNotBooked,
              n.status == NfeStatus::kAuthorised ? ReconSeverity::kError : ReconSeverity::kWarning,
              "NF-e " + std::string(NfeStatusText(n.status)) + " não escriturada");
      }
      check.Key(row, n);
      if (!IsVoid(n)) check.Totals(row, n);
    }
    if (auto it = copies.find(n.Key()); it != copies.end())
      check.Add(row, ReconCheck::kCopies, ReconSeverity::kWarning, it->second->message);
    r.rows.push_back(std::move(row));
  }

  // The regular bookings no XML answered.
  for (size_t i = 0; i < bookings.size(); ++i) {
    const Booking& b = bookings[i];
    if (used[i] || !b.Regular()) continue;
    ReconRow row;
    row.booking = &b;
    row.role = Checker::RoleOf(b);
    check.Add(row, ReconCheck::kBookedWithoutXml, ReconSeverity::kWarning,
              "escriturada sem XML entre os arquivos lidos");
    if (!b.key.empty() && !AccessKeyValid(b.key))
      check.Add(row, ReconCheck::kKey, ReconSeverity::kError,
                "CHV_NFE com dígito verificador inválido ou fora do formato");
    r.rows.push_back(std::move(row));
  }

  // By key (rows without key last, in file and line order), then the counts.
  auto key_of = [](const ReconRow& row) -> std::string_view {
    return row.note ? row.note->Key() : std::string_view(row.booking->key);
  };
  std::stable_sort(r.rows.begin(), r.rows.end(), [&](const ReconRow& a, const ReconRow& b) {
    const std::string_view ka = key_of(a), kb = key_of(b);
    if (ka.empty() != kb.empty()) return kb.empty();
    if (ka != kb) return ka < kb;
    if (!a.booking || !b.booking) return a.booking == nullptr && b.booking != nullptr;
    return std::tie(a.booking->file, a.booking->line) < std::tie(b.booking->file, b.booking->line);
  });
  for (ReconRow& row : r.rows) {
    for (const ReconFinding& f : row.findings) row.result = std::max(row.result, f.severity);
    ReconCount& c = r.by_result[static_cast<size_t>(row.result)];
    ++c.notes;
    c.vnf += r.RowValue(row);
    bool seen[static_cast<size_t>(ReconCheck::kCount)] = {};
    for (const ReconFinding& f : row.findings) {
      const auto k = static_cast<size_t>(f.check);
      if (seen[k]) continue;
      seen[k] = true;
      ++r.by_check[k].notes;
      r.by_check[k].vnf += r.RowValue(row);
    }
  }
}

Reconciliation RunXmlReconciliation(const std::vector<std::string>& xml_inputs,
                                    const std::vector<std::string>& book_files,
                                    const ReconOptions& options) {
  Reconciliation r;
  r.tolerance = options.tolerance;
  BookReadOptions books;
  books.cancel = options.cancel;
  if (options.progress)
    books.progress = [&](int64_t done, int64_t total) {
      options.progress("Lendo a escrita", done, total);
    };
  r.books = options.source == BookSource::kEfd ? ReadEfdBooks(book_files, books)
                                               : ReadSintegraBooks(book_files, books);
  NfeReadOptions xml;
  xml.threads = options.threads;
  xml.cancel = options.cancel;
  if (options.progress)
    xml.progress = [&](int64_t done, int64_t total) {
      options.progress("Lendo os arquivos XML", done, total);
    };
  r.xml = ReadNfeInputs(xml_inputs, xml);
  if (options.progress) options.progress("Conciliando", 0, 1);
  Reconcile(r);
  if (options.progress) options.progress("Conciliando", 1, 1);
  return r;
}

}  // namespace fiscora
