#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "data/nfe_key.h"
#include "nfe/reconcile.h"
#include "nfe/sheets.h"
#include "nfe_fixture.h"
#include "sintegra/input_check.h"
#include "sintegra/record_layout.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using testing::BookingOf;
using testing::EfdLines;
using testing::EfdNote;
using testing::OwnExit;
using testing::TempDir;
using testing::ThirdPartyEntry;
using testing::WriteText;

std::string Describe(const Reconciliation& r) {
  std::string s;
  for (const ReconRow& row : r.rows) {
    s += std::string(row.note ? row.note->Key() : std::string_view(row.booking->key)) + " " +
         std::string(ReconSeverityText(row.result)) + ": " + row.Message() + "\n";
  }
  return s;
}

// The notes written as XML files, the bookings as an EFD file; reconciled.
Reconciliation Reconciled(const TempDir& dir, const std::vector<NfeXmlNote>& notes,
                          const std::vector<EfdNote>& bookings,
                          Money tolerance = Money::FromRaw(100)) {
  const fs::path xml = dir.path() / "xml";
  fs::create_directories(xml);
  for (const NfeXmlNote& n : notes) WriteText(xml / (NfeXmlKey(n) + ".xml"), NfeProcXml(n));
  const std::string efd = dir.Write("efd.txt", EfdLines(bookings));
  ReconOptions o;
  o.tolerance = tolerance;
  return RunXmlReconciliation({xml.string()}, {efd}, o);
}

// Every row of the check table with the smallest case that shows it: one
// note and its booking, one thing changed.
TEST(NfeReconcile, EachCheckOfTheTable) {
  struct Case {
    const char* what;
    std::function<NfeXmlNote()> note;                   // null: no XML
    std::function<void(NfeXmlNote&, EfdNote&)> change;  // the booking and the XML
    bool booked;
    ReconCheck check;
    ReconSeverity severity;
    std::string message;  // "" to skip
  };
  auto own = [] { return OwnExit(7); };
  auto third = [] { return ThirdPartyEntry(8); };
  auto none = [](NfeXmlNote&, EfdNote&) {};
  const Case cases[] = {
      {"own note not booked", own, none, false, ReconCheck::kNotBooked, ReconSeverity::kError,
       "NF-e autorizada não escriturada"},
      {"third party's note not booked", third, none, false, ReconCheck::kNotBooked,
       ReconSeverity::kError, ""},
      {"booking without XML", nullptr, none, true, ReconCheck::kBookedWithoutXml,
       ReconSeverity::kWarning, "escriturada sem XML entre os arquivos lidos"},
      {"cancelled note booked as regular",
       [] {
         NfeXmlNote n = OwnExit(7);
         n.events = {{110111, 135}};
         return n;
       },
       none, true, ReconCheck::kCancelledBookedRegular, ReconSeverity::kError,
       "NF-e cancelada escriturada como regular (COD_SIT 00)"},
      {"denied note booked as regular, third party",
       [] {
         NfeXmlNote n = ThirdPartyEntry(8);
         n.cstat = 302;
         return n;
       },
       none, true, ReconCheck::kCancelledBookedRegular, ReconSeverity::kError,
       "NF-e denegada escriturada como regular (COD_SIT 00)"},
      {"authorised note booked as cancelled", own,
       [](NfeXmlNote&, EfdNote& b) { b.cod_sit = "02"; }, true,
       ReconCheck::kAuthorisedBookedCancelled, ReconSeverity::kWarning,
       "NF-e autorizada escriturada como cancelada (COD_SIT 02)"},
      {"VL_DOC off by 0,02", own, [](NfeXmlNote&, EfdNote& b) { b.vl_doc += 2; }, true,
       ReconCheck::kDocumentValue, ReconSeverity::kError,
       "VL_DOC R$ 150,02 difere de vNF R$ 150,00"},
      {"DT_DOC", third, [](NfeXmlNote&, EfdNote& b) { b.date = "13032025"; }, true,
       ReconCheck::kDate, ReconSeverity::kError, "DT_DOC 13/03/2025 difere da emissão 12/03/2025"},
      {"series", own, [](NfeXmlNote&, EfdNote& b) { b.series = "2"; }, true,
       ReconCheck::kNumberSeriesModel, ReconSeverity::kError,
       "escriturada como modelo 55, série 2, número 7; a nota é modelo 55, série 1, número 7"},
      {"participant of an own note is its dest", own,
       [](NfeXmlNote&, EfdNote& b) { b.cod_part = "F1"; }, true, ReconCheck::kParticipant,
       ReconSeverity::kError,
       "participante da escrita 45.997.418/0001-53; destinatário do XML 11.444.777/0001-61"},
      {"own note: ICMS differs", own, [](NfeXmlNote&, EfdNote& b) { b.vl_icms -= 100; }, true,
       ReconCheck::kTaxes, ReconSeverity::kError,
       "impostos diferem: VL_ICMS R$ 26,00, vICMS R$ 27,00"},
      {"own note: IPI differs", own, [](NfeXmlNote&, EfdNote& b) { b.vl_ipi = 500; }, true,
       ReconCheck::kTaxes, ReconSeverity::kError, "impostos diferem: VL_IPI R$ 5,00, vIPI R$ 0,00"},
      {"third party: no credit taken", third, [](NfeXmlNote&, EfdNote& b) { b.vl_icms = 0; }, true,
       ReconCheck::kNoCredit, ReconSeverity::kInfo,
       "VL_ICMS zerado: crédito de R$ 24,00 não aproveitado"},
      {"third party: credit above the note", third,
       [](NfeXmlNote&, EfdNote& b) { b.vl_icms = 3600; }, true, ReconCheck::kCreditAbove,
       ReconSeverity::kError, "crédito maior que o destacado: VL_ICMS R$ 36,00, vICMS R$ 24,00"},
      {"third party: credit below the note", third,
       [](NfeXmlNote&, EfdNote& b) { b.vl_icms = 1000; }, true, ReconCheck::kCreditBelow,
       ReconSeverity::kWarning, "crédito menor que o destacado: VL_ICMS R$ 10,00, vICMS R$ 24,00"},
      {"own note: a CFOP the note does not have", own,
       [](NfeXmlNote&, EfdNote& b) {
         b.cfops = {5102, 5405};
       },
       true, ReconCheck::kCfop, ReconSeverity::kError,
       "CFOPs da escrita (5102, 5405) diferem dos CFOPs do XML (5102)"},
      {"third party: the origin not mirrored", third,
       [](NfeXmlNote&, EfdNote& b) { b.cfops = {1102}; }, true, ReconCheck::kCfop,
       ReconSeverity::kError,
       "CFOPs da escrita (1102) não correspondem à origem dos CFOPs do XML (6102)"},
      {"key: wrong check digit",
       [] {
         NfeXmlNote n = OwnExit(7);
         n.wrong_check_digit = true;
         return n;
       },
       none, true, ReconCheck::kKey, ReconSeverity::kError,
       "chave de acesso com dígito verificador inválido"},
      {"key: of another state than the establishment's",
       [] {
         NfeXmlNote n = OwnExit(7);
         n.issuer.uf = "PR";
         return n;
       },
       none, true, ReconCheck::kKey, ReconSeverity::kError,
       "a chave é da UF PR; o estabelecimento é de SP"},
      {"XML alone: vNF is not the sum of its parts", own,
       [](NfeXmlNote& n, EfdNote&) { n.other = 100; }, true, ReconCheck::kXmlTotals,
       ReconSeverity::kError, ""},
      {"no protocol",
       [] {
         NfeXmlNote n = OwnExit(7);
         n.cstat = 0;
         return n;
       },
       none, true, ReconCheck::kNoProtocol, ReconSeverity::kWarning, "sem protocolo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    NfeXmlNote n = c.note ? c.note() : OwnExit(7);
    EfdNote b = BookingOf(n);
    c.change(n, b);
    std::vector<NfeXmlNote> notes;
    if (c.note) {
      std::string xml = NfeProcXml(n);
      if (c.check == ReconCheck::kXmlTotals) {
        // vOutro written in the totals without being part of vNF.
        const std::string bad =
            xml.substr(0, xml.find("<vNF>")) + "<vNF>150.00" + xml.substr(xml.find("</vNF>"));
        const fs::path p = dir.path() / "xml" / "a.xml";
        WriteText(p, bad);
        b.vl_doc = 15000;
      } else {
        notes.push_back(n);
      }
    }
    Reconciliation r =
        Reconciled(dir, notes, c.booked ? std::vector<EfdNote>{b} : std::vector<EfdNote>{});
    ASSERT_EQ(r.rows.size(), 1u) << Describe(r);
    const ReconRow& row = r.rows[0];
    ASSERT_EQ(row.findings.size(), 1u) << Describe(r);
    EXPECT_EQ(row.findings[0].check, c.check) << Describe(r);
    EXPECT_EQ(row.findings[0].severity, c.severity);
    EXPECT_EQ(row.result, c.severity);
    if (!c.message.empty()) {
      EXPECT_EQ(row.findings[0].message, c.message);
    }
    EXPECT_EQ(r.by_result[static_cast<size_t>(c.severity)].notes, 1);
    EXPECT_EQ(r.by_check[static_cast<size_t>(c.check)].notes, 1);
  }
}

TEST(NfeReconcile, AgreeingNotesAreConferidas) {
  TempDir dir;
  NfeXmlNote own = OwnExit(1), entry = ThirdPartyEntry(2);
  entry.items[0].ipi = 1000;
  entry.freight = 500;
  NfeXmlNote cancelled = OwnExit(3);
  cancelled.events = {{110111, 135}};
  EfdNote cancelled_booking = BookingOf(cancelled);
  cancelled_booking.cod_sit = "02";
  // Own notes: C100 without key, series written with zeros; 0,01 apart.
  EfdNote own_booking = BookingOf(own);
  own_booking.key = "";
  own_booking.series = "001";
  own_booking.vl_doc += 1;
  Reconciliation r =
      Reconciled(dir, {own, entry, cancelled}, {own_booking, BookingOf(entry), cancelled_booking});
  EXPECT_EQ(r.matched, 3);
  ASSERT_EQ(r.rows.size(), 3u);
  for (const ReconRow& row : r.rows) EXPECT_EQ(row.result, ReconSeverity::kOk) << Describe(r);
  EXPECT_EQ(r.books.establishment.cnpj, testing::kOwnCnpj);
  EXPECT_EQ(r.books.establishment.uf, "SP");
  std::map<std::string, NoteRole> roles;
  for (const ReconRow& row : r.rows) roles[std::string(row.note->Key())] = row.role;
  EXPECT_EQ(roles[NfeXmlKey(own)], NoteRole::kOwnExit);
  EXPECT_EQ(roles[NfeXmlKey(entry)], NoteRole::kThirdPartyEntry);
  // With no tolerance the cent shows.
  TempDir dir2;
  Reconciliation exact = Reconciled(dir2, {own}, {own_booking}, Money());
  EXPECT_EQ(exact.rows[0].result, ReconSeverity::kError) << Describe(exact);
}

TEST(NfeReconcile, ClassificationAndKeysBookedTwice) {
  TempDir dir;
  NfeXmlNote import = OwnExit(1);
  import.tp_nf = 0;
  import.recipient = {NfeXmlParty::Kind::kForeign, "", "EXPORTADOR", "EX", ""};
  import.items = {testing::TestItem("I1", 100000, 3102, 0)};
  import.other = 777;  // not checked for imports
  // A branch of the same root is a third party; a note of strangers belongs
  // to nobody here.
  NfeXmlNote branch = ThirdPartyEntry(2);
  branch.issuer.id = "11222333000262";
  NfeXmlNote stranger = ThirdPartyEntry(3);
  stranger.recipient = testing::Customer();
  EfdNote import_booking = BookingOf(import);
  import_booking.vl_doc = NfeXmlTotalsOf(import).vNF;
  import_booking.cod_part = "";
  NfeXmlNote twice = OwnExit(4);
  std::string xml_import = NfeProcXml(import);
  // vOutro that the totals do not add: an import is not checked.
  xml_import = xml_import.substr(0, xml_import.find("<vNF>")) + "<vNF>1000.00" +
               xml_import.substr(xml_import.find("</vNF>"));
  WriteText(dir.path() / "xml" / "import.xml", xml_import);
  import_booking.vl_doc = 100000;
  Reconciliation r = Reconciled(dir, {branch, stranger, twice},
                                {import_booking, BookingOf(twice), BookingOf(twice)});
  std::map<std::string, const ReconRow*> rows;
  for (const ReconRow& row : r.rows) rows[std::string(row.note->Key())] = &row;
  ASSERT_EQ(rows.size(), 4u) << Describe(r);
  EXPECT_EQ(rows[NfeXmlKey(import)]->role, NoteRole::kOwnEntry);
  EXPECT_EQ(rows[NfeXmlKey(import)]->result, ReconSeverity::kOk) << Describe(r);
  EXPECT_EQ(rows[NfeXmlKey(branch)]->role, NoteRole::kThirdPartyEntry);
  EXPECT_EQ(rows[NfeXmlKey(stranger)]->role, NoteRole::kNotOwned);
  EXPECT_EQ(rows[NfeXmlKey(stranger)]->Message(), "não pertence ao estabelecimento");
  EXPECT_EQ(rows[NfeXmlKey(stranger)]->result, ReconSeverity::kInfo);
  EXPECT_EQ(rows[NfeXmlKey(twice)]->Message(), "escriturada 2 vezes (linhas 9, 11)");
}

// Several months: a note booked in the other month's file is not missing;
// one of a month no file covers is told as outside.
TEST(NfeReconcile, NoteBookedInTheOtherMonthsFile) {
  TempDir dir;
  NfeXmlNote march = ThirdPartyEntry(1), late = ThirdPartyEntry(2), may = ThirdPartyEntry(3);
  may.month = 5;
  const fs::path xml = dir.path() / "xml";
  for (const NfeXmlNote& n : {march, late, may})
    WriteText(xml / (NfeXmlKey(n) + ".xml"), NfeProcXml(n));
  const std::string m3 = dir.Write("marco.txt", EfdLines({BookingOf(march)}));
  EfdNote booked_in_april = BookingOf(late);
  const std::string m4 =
      dir.Write("abril.txt", EfdLines({booked_in_april}, "01042025", "30042025"));
  ReconOptions o;
  Reconciliation r = RunXmlReconciliation({xml.string()}, {m3, m4}, o);
  std::map<std::string, const ReconRow*> rows;
  for (const ReconRow& row : r.rows) rows[std::string(row.note->Key())] = &row;
  EXPECT_EQ(rows[NfeXmlKey(march)]->result, ReconSeverity::kOk) << Describe(r);
  EXPECT_EQ(rows[NfeXmlKey(late)]->result, ReconSeverity::kInfo);
  EXPECT_EQ(rows[NfeXmlKey(late)]->Message(), "escriturada em outro período (04/2025)");
  EXPECT_EQ(rows[NfeXmlKey(may)]->Message(),
            "emitida em 12/05/2025, fora do período dos arquivos de escrita");
  EXPECT_EQ(r.PeriodText(*rows[NfeXmlKey(late)]->booking), "04/2025");

  // A file of another establishment is refused, naming it.
  std::vector<std::string> other = EfdLines({});
  other[0].replace(other[0].find(testing::kOwnCnpj), 14, testing::kCustomerCnpj);
  const std::string foreign = dir.Write("outro.txt", other);
  try {
    RunXmlReconciliation({xml.string()}, {m3, foreign}, o);
    FAIL() << "no refusal";
  } catch (const InputRefusal& e) {
    EXPECT_EQ(e.file(), foreign);
    EXPECT_EQ(e.line(), 1);
  }
}

// SINTEGRA: the record 50 lines of one note summed, matched without key.
TEST(NfeReconcile, SintegraSumsTheLinesOfANote) {
  TempDir dir;
  NfeXmlNote entry = ThirdPartyEntry(123456);
  entry.items.push_back(testing::TestItem("Y1", 10000, 6403, 12));
  NfeXmlNote own = OwnExit(1234567);  // record 50 keeps the last six digits
  const NfeXmlTotals te = NfeXmlTotalsOf(entry), to = NfeXmlTotalsOf(own);
  auto r50 = [](const NfeXmlNote& n, const char* cnpj, const char* cfop, int64_t total,
                int64_t base, int64_t icms, char issuer, const char* date) {
    return testing::R50(cfop, total, issuer, static_cast<int>(n.number % 1000000), base, icms)
        .Put(rec50::kCnpj, cnpj)
        .Put(rec50::kModelo, "55")
        .Put(rec50::kSerie, std::to_string(n.series))
        .Put(rec50::kData, date)
        .str();
  };
  // The entry received a day after its emission, in two lines (one per
  // CFOP) with another line between them.
  const std::vector<std::string> lines = {
      testing::R10(testing::kOwnCnpj, "20250301", "20250331"),
      r50(entry, testing::kSupplierCnpj, "2102", 20000, 20000, 2400, 'T', "20250313"),
      r50(own, testing::kCustomerCnpj, "5102", to.vNF, to.vBC, to.vICMS, 'P', "20250310"),
      r50(entry, testing::kSupplierCnpj, "2403", te.vNF - 20000, te.vBC - 20000, te.vICMS - 2400,
          'T', "20250313"),
  };
  const std::string file = dir.Write("sintegra.txt", lines);
  const fs::path xml = dir.path() / "xml";
  for (const NfeXmlNote& n : {entry, own}) WriteText(xml / (NfeXmlKey(n) + ".xml"), NfeProcXml(n));
  ReconOptions o;
  o.source = BookSource::kSintegra;
  Reconciliation r = RunXmlReconciliation({xml.string()}, {file}, o);
  EXPECT_EQ(r.matched, 2) << Describe(r);
  ASSERT_EQ(r.books.bookings.size(), 2u);
  const Booking& b = r.books.bookings[0];
  EXPECT_EQ(b.vl_doc, Money::FromRaw(te.vNF * 100));
  EXPECT_EQ(b.cfops.Text(), "2102, 2403");
  EXPECT_FALSE(b.st_and_ipi);
  for (const ReconRow& row : r.rows) EXPECT_EQ(row.result, ReconSeverity::kOk) << Describe(r);
}

// The ten notes of one issuer of the public samples, read in place, against
// a small EFD file built around them: nine booked (one 0,02 off, one with a
// CFOP it does not have), one left out, and one booking without XML.
TEST(NfeReconcile, RealSamplesAgainstABuiltEfd) {
  const fs::path folder = fs::path(FISCORA_SAMPLES) / "nfe";
  if (!fs::exists(folder)) GTEST_SKIP() << "sample files not present";
  NfeReadResult read = ReadNfeInputs({folder.string()});
  std::map<std::string, std::vector<const NfeNote*>> by_issuer;
  for (const NfeNote& n : read.notes)
    if (n.status == NfeStatus::kAuthorised && n.model == 55)
      by_issuer[std::string(n.issuer.Id()) + std::to_string(n.emission / 100)].push_back(&n);
  std::vector<const NfeNote*> ten;
  for (auto& [issuer, notes] : by_issuer)
    if (notes.size() == 10) ten = notes;
  ASSERT_EQ(ten.size(), 10u);
  const std::string cnpj(ten[0]->issuer.Id());
  const std::string uf(UfOfIbgeCode(ten[0]->Key().substr(0, 2)));
  const int month = ten[0]->emission / 100;
  auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
  auto day = [&](int32_t d) {
    return two(d % 100) + two(d / 100 % 100) + std::to_string(d / 10000);
  };
  auto money = [](Money m) {
    std::string s = m.ToFixed4();
    s = s.substr(0, s.size() - 2);
    s[s.find('.')] = ',';
    return s;
  };
  std::vector<std::string> efd = {
      "|0000|012|0|01" + two(month % 100) + std::to_string(month / 100) + "|31" + two(month % 100) +
          std::to_string(month / 100) + "|EMPRESA|" + cnpj + "||" + uf + "||3550308|||A|1|",
      "|0001|0|"};
  for (size_t i = 0; i < ten.size(); ++i) {
    const NfeNote& n = *ten[i];
    efd.push_back("|0150|P" + std::to_string(i) + "|PARTICIPANTE|01058|" +
                  (n.recipient.kind == NfeParty::Kind::kCnpj ? std::string(n.recipient.Id()) : "") +
                  "|" +
                  (n.recipient.kind == NfeParty::Kind::kCpf ? std::string(n.recipient.Id()) : "") +
                  "||3550308||R|1||B|");
  }
  efd.push_back("|0990|" + std::to_string(efd.size() + 1) + "|");
  efd.push_back("|C001|0|");
  const NfeNote* left_out = ten[3];
  const NfeNote* off = ten[5];
  const NfeNote* wrong_cfop = ten[7];
  for (size_t i = 0; i < ten.size(); ++i) {
    const NfeNote& n = *ten[i];
    if (&n == left_out) continue;
    const NfeTotals& t = n.totals;
    const Money doc = &n == off ? t.vNF + Money::FromRaw(200) : t.vNF;
    efd.push_back("|C100|1|0|P" + std::to_string(i) + "|55|00|" + std::to_string(n.series) + "|" +
                  std::to_string(n.number) + "|" + std::string(n.Key()) + "|" + day(n.emission) +
                  "|" + day(n.emission) + "|" + money(doc) + "|0|0|0|0|9|0|0|0|" + money(t.vBC) +
                  "|" + money(t.vICMS) + "|" + money(t.vBCST) + "|" + money(t.vST) + "|" +
                  money(t.vIPI) + "|0|0|0|0|");
    for (size_t k = 0; k < n.cfops.size(); ++k) {
      const int cfop = &n == wrong_cfop && k == 0 ? n.cfops[k] / 1000 * 1000 + 949 : n.cfops[k];
      efd.push_back("|C190|000|" + std::to_string(cfop) + "|18,00|0|0|0|0|0|0|0||");
    }
  }
  // A booking without XML: the next number of the series, a key of its own.
  NfeXmlNote missing;
  missing.issuer = {NfeXmlParty::Kind::kCnpj, cnpj, "", uf, ""};
  missing.year = month / 100;
  missing.month = month % 100;
  missing.number = 999999;
  const std::string missing_key = NfeXmlKey(missing);
  efd.push_back("|C100|1|0|P0|55|00|1|999999|" + missing_key + "|" + day(ten[0]->emission) + "|" +
                day(ten[0]->emission) + "|10,00|0|0|0|0|9|0|0|0|0|0|0|0|0|0|0|0|0|");
  efd.push_back("|C190|000|5102|0,00|10,00|0|0|0|0|0|0||");
  efd.push_back("|C990|" + std::to_string(efd.size() - 3) + "|");
  efd.push_back("|9999|" + std::to_string(efd.size() + 1) + "|");
  TempDir dir;
  const std::string efd_file = dir.Write("efd.txt", efd);

  Reconciliation r = RunXmlReconciliation({folder.string()}, {efd_file}, ReconOptions{});
  std::map<std::string, const ReconRow*> rows;
  for (const ReconRow& row : r.rows)
    rows[std::string(row.note ? row.note->Key() : std::string_view(row.booking->key))] = &row;
  auto checks = [&](const NfeNote* n) {
    std::vector<ReconCheck> out;
    for (const ReconFinding& f : rows.at(std::string(n->Key()))->findings) out.push_back(f.check);
    return out;
  };
  EXPECT_EQ(checks(left_out), std::vector<ReconCheck>{ReconCheck::kNotBooked});
  EXPECT_EQ(checks(off), std::vector<ReconCheck>{ReconCheck::kDocumentValue});
  EXPECT_EQ(checks(wrong_cfop), std::vector<ReconCheck>{ReconCheck::kCfop});
  ASSERT_TRUE(rows.count(missing_key));
  EXPECT_EQ(rows[missing_key]->findings[0].check, ReconCheck::kBookedWithoutXml);
  int agreeing = 0;
  for (const NfeNote* n : ten)
    if (n != left_out && n != off && n != wrong_cfop && checks(n).empty()) ++agreeing;
  EXPECT_EQ(agreeing, 7) << Describe(r);
  // The rest of the folder is not this establishment's.
  EXPECT_EQ(r.matched, 9);
}

TEST(NfeReconcile, SheetsAndSummary) {
  TempDir dir;
  NfeXmlNote own = OwnExit(1);
  EfdNote b = BookingOf(own);
  b.vl_doc += 2;
  Reconciliation r = Reconciled(dir, {own, ThirdPartyEntry(2)}, {b});
  Workbook sheet = ReconSheet(r);
  EXPECT_EQ(sheet.sheet_name(), "Conciliação");
  EXPECT_EQ(sheet.RowCount(), 3);
  EXPECT_EQ(sheet.ColumnCount(1), static_cast<int>(ReconColumns().size()));
  EXPECT_EQ(sheet.At(1, 1).text, "Chave");
  // The own note: key, VL_DOC, its difference.
  const int own_row = r.rows[0].note->Key() == NfeXmlKey(own) ? 2 : 3;
  EXPECT_EQ(sheet.At(own_row, 1).text, NfeXmlKey(own));
  EXPECT_TRUE(sheet.At(own_row, 1).text_format);
  EXPECT_EQ(sheet.At(own_row, 18).kind, Workbook::Cell::Kind::kMoney);
  EXPECT_EQ(sheet.At(own_row, 18).integer, 1500200);
  EXPECT_EQ(sheet.At(own_row, 19).integer, 200);
  EXPECT_EQ(sheet.At(own_row, 31).text, "erro");
  Workbook summary = ReconSummarySheet(r);
  EXPECT_EQ(summary.sheet_name(), "Resumo");
  std::vector<ReconSummaryLine> lines = ReconSummary(r);
  auto find = [&](const std::string& group, const std::string& item) -> const ReconSummaryLine* {
    for (const ReconSummaryLine& l : lines)
      if (l.group == group && l.item == item) return &l;
    return nullptr;
  };
  ASSERT_TRUE(find("resultado", "erro"));
  EXPECT_EQ(find("resultado", "erro")->notes, 2);
  EXPECT_EQ(*find("resultado", "erro")->value, Money::FromUnits(150 + 200));
  EXPECT_EQ(find("ocorrência", "valor do documento")->notes, 1);
  EXPECT_EQ(find("total", "Estabelecimento")->text,
            "11.222.333/0001-81 EMPRESA DE TESTE LTDA (SP)");
  // The detail of a row: the booking's line and the XML file.
  const std::string detail = ReconRowDetail(r, r.rows[own_row - 2]);
  EXPECT_NE(detail.find("|C100|1|0|C1|55|00|1|1|" + NfeXmlKey(own)), std::string::npos) << detail;
  EXPECT_NE(detail.find("<nfeProc"), std::string::npos);
}

}  // namespace
}  // namespace fiscora
