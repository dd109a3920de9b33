#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "data/nfe_key.h"
#include "nfe/reader.h"
#include "nfe_fixture.h"
#include "sintegra/input_check.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using testing::Customer;
using testing::OwnExit;
using testing::TempDir;
using testing::ThirdPartyEntry;
using testing::WriteText;
using testing::WriteZip;

std::string Ignored(const NfeReadResult& r) {
  std::string s;
  for (const NfeIgnored& i : r.ignored) s += i.file + ": " + i.reason + "\n";
  return s;
}

std::string Ignored(const NfeDocument& d) {
  std::string s;
  for (const NfeIgnored& i : d.ignored) s += i.file + ": " + i.reason + "\n";
  return s;
}

// ------------------------------------------------------------ the key

TEST(NfeAccessKey, CheckDigitAndParts) {
  NfeXmlNote n = OwnExit(4321);
  const std::string key = NfeXmlKey(n);
  ASSERT_EQ(key.size(), kAccessKeyLength);
  EXPECT_TRUE(AccessKeyValid(key));
  std::optional<AccessKeyParts> parts = SplitAccessKey(key);
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->uf, "35");
  EXPECT_EQ(parts->year_month, "2503");
  EXPECT_EQ(parts->emitter, testing::kOwnCnpj);
  EXPECT_EQ(parts->model, "55");
  EXPECT_EQ(parts->series, "001");
  EXPECT_EQ(parts->number, "000004321");

  // Any single digit changed breaks the check digit.
  for (size_t i = 0; i < kAccessKeyLength; ++i) {
    std::string wrong = key;
    wrong[i] = static_cast<char>('0' + (wrong[i] - '0' + 3) % 10);
    EXPECT_FALSE(AccessKeyValid(wrong)) << i;
  }
  n.wrong_check_digit = true;
  EXPECT_FALSE(AccessKeyValid(NfeXmlKey(n)));
}

TEST(NfeAccessKey, FormOfEachPosition) {
  const std::string base = "3525031122233300018155001000000001100000001";
  const char dv = AccessKeyCheckDigit(base);
  ASSERT_NE(dv, '\0');
  // Letters only in the emitter's first twelve characters (alphanumeric
  // CNPJ); a letter counts its code minus 48.
  std::string alpha = base;
  alpha.replace(6, 12, "12ABC34501DE");
  struct Case {
    std::string key;
    bool form;
  } cases[] = {
      {base + dv, true},
      {alpha + AccessKeyCheckDigit(alpha), true},
      {base, false},                                             // 43 characters
      {base + dv + "0", false},                                  // 45
      {"A" + base.substr(1) + dv, false},                        // a letter in the UF
      {base.substr(0, 18) + "A" + base.substr(19) + dv, false},  // in the CNPJ's check digits
      {base.substr(0, 30) + "x" + base.substr(31) + dv, false},  // in the number
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(SplitAccessKey(c.key).has_value(), c.form);
    EXPECT_EQ(AccessKeyValid(c.key), c.form);
  }
  // "A" is worth 17: the digit differs from a key with "0" there.
  std::string zero = alpha;
  zero[8] = '0';
  EXPECT_NE(AccessKeyCheckDigit(alpha), AccessKeyCheckDigit(zero));
}

TEST(NfeAccessKey, StateCodes) {
  EXPECT_EQ(UfOfIbgeCode("35"), "SP");
  EXPECT_EQ(UfOfIbgeCode("53"), "DF");
  EXPECT_EQ(UfOfIbgeCode("99"), "");
  EXPECT_EQ(IbgeCodeOfUf("RS"), "43");
  EXPECT_EQ(IbgeCodeOfUf("XX"), "");
}

// ------------------------------------------------------------ one document

TEST(NfeDocument, AuthorisedNoteSummary) {
  NfeXmlNote n = OwnExit(77);
  n.freight = 1000;
  n.discount = 200;
  n.items[1].cst = 10;
  n.items[1].cfop = 5403;
  n.items[1].bcst = 7000;
  n.items[1].st = 360;
  n.items[0].ipi = 500;
  NfeDocument d = ReadNfeDocument(NfeProcXml(n), "a.xml", true);
  ASSERT_EQ(d.notes.size(), 1u) << Ignored(d);
  const NfeNote& note = d.notes[0];
  EXPECT_EQ(note.Key(), NfeXmlKey(n));
  EXPECT_EQ(note.status, NfeStatus::kAuthorised);
  EXPECT_EQ(note.cstat, 100);
  EXPECT_EQ(note.model, 55);
  EXPECT_EQ(note.series, 1);
  EXPECT_EQ(note.number, 77u);
  EXPECT_EQ(note.emission, 20250310);
  EXPECT_EQ(note.tp_nf, 1);
  EXPECT_EQ(note.fin_nfe, 1);
  EXPECT_EQ(note.issuer.kind, NfeParty::Kind::kCnpj);
  EXPECT_EQ(note.issuer.Id(), testing::kOwnCnpj);
  EXPECT_EQ(note.recipient.Id(), testing::kCustomerCnpj);
  EXPECT_EQ(note.totals.vProd, Money::FromUnits(150));
  EXPECT_EQ(note.totals.vFrete, Money::FromUnits(10));
  EXPECT_EQ(note.totals.vDesc, Money::FromUnits(2));
  EXPECT_EQ(note.totals.vST, Money::FromRaw(36000));
  EXPECT_EQ(note.totals.vIPI, Money::FromUnits(5));
  EXPECT_EQ(note.totals.vBCST, Money::FromUnits(70));
  EXPECT_EQ(note.totals.vICMS, Money::FromUnits(27));
  // 150 - 2 + 3,60 + 10 + 5
  EXPECT_EQ(note.totals.vNF, Money::FromRaw(1666000));
  EXPECT_EQ(note.items_total, Money::FromUnits(150));
  EXPECT_EQ(note.cfops.Text(), "5102, 5403");
  ASSERT_EQ(d.items.size(), 1u);
  ASSERT_EQ(d.items[0].size(), 2u);
  EXPECT_EQ(d.items[0][1].code, "B2");
  EXPECT_EQ(d.items[0][1].number, 2);
  EXPECT_EQ(d.items[0][1].cfop, 5403);
  EXPECT_DOUBLE_EQ(d.items[0][1].quantity, 2.0);
  EXPECT_EQ(d.items[0][1].unit, "UN");
  EXPECT_EQ(d.items[0][1].value, Money::FromUnits(50));
  // Without the option no item is kept.
  EXPECT_TRUE(ReadNfeDocument(NfeProcXml(n), "a.xml").items.empty());
}

// Edits a generated document: the first occurrence of `from` becomes `to`.
std::string Edited(std::string xml, const std::string& from, const std::string& to) {
  size_t at = xml.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) xml.replace(at, from.size(), to);
  return xml;
}

TEST(NfeDocument, RootsProtocolsAndRefusals) {
  const NfeXmlNote own = OwnExit(5);
  const std::string proc = NfeProcXml(own);
  NfeXmlNote bare_note = own;
  bare_note.cstat = 0;
  const std::string bare = NfeProcXml(bare_note);
  const std::string nfe_only = bare.substr(bare.find("<NFe"));
  const std::string key = NfeXmlKey(own);
  struct Case {
    const char* what;
    std::string xml;
    int notes;
    NfeStatus status;
    std::string ignored;  // the start of the reason, "" for none
  } cases[] = {
      {"protocolled", proc, 1, NfeStatus::kAuthorised, ""},
      {"late authorisation 150", Edited(proc, "<cStat>100<", "<cStat>150<"), 1,
       NfeStatus::kAuthorised, ""},
      {"cancelled by protocol", Edited(proc, "<cStat>100<", "<cStat>101<"), 1,
       NfeStatus::kCancelled, ""},
      {"denied", Edited(proc, "<cStat>100<", "<cStat>302<"), 1, NfeStatus::kDenied, ""},
      {"rejected", Edited(proc, "<cStat>100<", "<cStat>204<"), 1, NfeStatus::kOther, ""},
      {"bare NFe", bare, 1, NfeStatus::kUnprotocolled, ""},
      {"Id without the NFe prefix", Edited(bare, "Id=\"NFe", "Id=\""), 1, NfeStatus::kUnprotocolled,
       ""},
      {"batch of two",
       "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><idLote>1</idLote>" +
           nfe_only + nfe_only + "</enviNFe>",
       2, NfeStatus::kUnprotocolled, ""},
      {"CT-e", "<cteProc xmlns=\"http://www.portalfiscal.inf.br/cte\"><CTe/></cteProc>", 0,
       NfeStatus::kUnprotocolled, "não é uma NF-e: elemento raiz <cteProc>"},
      {"no namespace", Edited(bare, " xmlns=\"http://www.portalfiscal.inf.br/nfe\"", ""), 0,
       NfeStatus::kUnprotocolled, "não é uma NF-e: elemento raiz <NFe> fora do namespace"},
      {"test environment", Edited(proc, "<tpAmb>1</tpAmb>", "<tpAmb>2</tpAmb>"), 0,
       NfeStatus::kUnprotocolled, "ambiente de homologação (tpAmb 2)"},
      {"value not a number", Edited(proc, "<vNF>", "<vNF>1,"), 0, NfeStatus::kUnprotocolled,
       "NF-e ilegível: campo total/ICMSTot/vNF inválido: '1,150.00'"},
      {"no vNF", Edited(Edited(proc, "<vNF>", "<vNFx>"), "</vNF>", "</vNFx>"), 0,
       NfeStatus::kUnprotocolled, "NF-e ilegível: campo total/ICMSTot/vNF ausente"},
      {"key of another form", Edited(proc, "<chNFe>" + key, "<chNFe>string"), 0,
       NfeStatus::kUnprotocolled, "NF-e ilegível: chave de acesso inválida: 'string'"},
      {"model 57", Edited(proc, "<mod>55</mod>", "<mod>57</mod>"), 0, NfeStatus::kUnprotocolled,
       "modelo 57 não é NF-e (55) nem NFC-e (65)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NfeDocument d = ReadNfeDocument(c.xml, "f.xml");
    EXPECT_EQ(static_cast<int>(d.notes.size()), c.notes) << Ignored(d);
    if (c.notes > 0 && !d.notes.empty()) {
      EXPECT_EQ(d.notes[0].status, c.status);
      EXPECT_EQ(d.notes[0].Key(), key);
    }
    if (c.ignored.empty()) {
      EXPECT_TRUE(d.ignored.empty()) << Ignored(d);
    } else {
      ASSERT_EQ(d.ignored.size(), 1u) << Ignored(d);
      EXPECT_EQ(d.ignored[0].file, "f.xml");
      EXPECT_EQ(d.ignored[0].reason.rfind(c.ignored, 0), 0u) << d.ignored[0].reason;
    }
  }
}

TEST(NfeDocument, LayoutTwoDateAndForeignParty) {
  NfeXmlNote n = OwnExit(9);
  n.recipient = {NfeXmlParty::Kind::kForeign, "", "CLIENTE NO EXTERIOR", "EX", ""};
  n.items = {testing::TestItem("E1", 30000, 7101)};
  std::string xml =
      Edited(NfeProcXml(n), "<dhEmi>2025-03-10T10:00:00-03:00</dhEmi>", "<dEmi>2025-03-11</dEmi>");
  NfeDocument d = ReadNfeDocument(xml, "f.xml");
  ASSERT_EQ(d.notes.size(), 1u) << Ignored(d);
  EXPECT_EQ(d.notes[0].emission, 20250311);
  EXPECT_EQ(d.notes[0].recipient.kind, NfeParty::Kind::kForeign);
  EXPECT_EQ(d.notes[0].recipient.Id(), "");
  EXPECT_EQ(d.notes[0].cfops.Text(), "7101");
}

TEST(NfeDocument, MalformedXmlNamesLineAndColumn) {
  const std::string xml = "<?xml version=\"1.0\"?>\n<nfeProc>\n  <NFe>\n    <a></b>\n";
  NfeDocument d = ReadNfeDocument(xml, "quebrado.xml");
  ASSERT_EQ(d.ignored.size(), 1u);
  EXPECT_EQ(d.ignored[0].file, "quebrado.xml");
  EXPECT_EQ(d.ignored[0].reason,
            "XML mal formado: a marca de fechamento não corresponde à de abertura (linha 4, "
            "coluna 10)");
  NfeDocument empty = ReadNfeDocument("", "vazio.xml");
  ASSERT_EQ(empty.ignored.size(), 1u);
  EXPECT_EQ(empty.ignored[0].reason.rfind("XML mal formado: nenhum elemento", 0), 0u);
}

TEST(NfeDocument, EventsInANoteFileAndAlone) {
  NfeXmlNote n = OwnExit(3);
  n.events = {{110111, 135}, {110110, 135}};
  NfeDocument d = ReadNfeDocument(NfeProcXml(n), "c.xml");
  ASSERT_EQ(d.notes.size(), 1u);
  EXPECT_EQ(d.notes[0].status, NfeStatus::kAuthorised);  // applied when the folder is read
  ASSERT_EQ(d.events.size(), 2u);
  EXPECT_EQ(d.events[0].type, 110111u);
  EXPECT_EQ(d.events[0].cstat, 135);
  EXPECT_EQ(d.events[0].Key(), NfeXmlKey(n));

  const std::string alone =
      "<procEventoNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\">"
      "<evento versao=\"1.00\"><infEvento><tpAmb>1</tpAmb><chNFe>" +
      NfeXmlKey(n) +
      "</chNFe><tpEvento>110111</tpEvento></infEvento></evento>"
      "<retEvento versao=\"1.00\"><infEvento><cStat>135</cStat></infEvento></retEvento>"
      "</procEventoNFe>";
  NfeDocument e = ReadNfeDocument(alone, "e.xml");
  ASSERT_EQ(e.events.size(), 1u) << Ignored(e);
  EXPECT_EQ(e.events[0].type, 110111u);
  EXPECT_EQ(e.events[0].tp_amb, 1);
  EXPECT_EQ(e.events[0].Key(), NfeXmlKey(n));
}

// ------------------------------------------------------------ folders

TEST(NfeFolder, DuplicatesEventsAndOrder) {
  TempDir dir;
  const fs::path xml = dir.path() / "xml";
  NfeXmlNote a = OwnExit(1);
  NfeXmlNote bare = a;
  bare.cstat = 0;
  // The same key three times: bare, protocolled, and a copy whose value
  // differs; the protocolled one is kept, the differing copy is told.
  WriteText(xml / "1-bare.xml", NfeProcXml(bare));
  WriteText(xml / "2-proc.xml", NfeProcXml(a));
  NfeXmlNote changed = bare;
  changed.freight = 100;
  WriteText(xml / "sub" / "3-changed.xml", NfeProcXml(changed));
  // A note cancelled by an event in a file of its own.
  NfeXmlNote b = OwnExit(2);
  WriteText(xml / "b.xml", NfeProcXml(b));
  const std::string cancel_b =
      "<procEventoNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><evento><infEvento>"
      "<tpAmb>1</tpAmb><chNFe>" +
      NfeXmlKey(b) +
      "</chNFe><tpEvento>110111</tpEvento></infEvento></evento><retEvento><infEvento>"
      "<cStat>135</cStat></infEvento></retEvento></procEventoNFe>";
  WriteText(xml / "evento-b.xml", cancel_b);
  // A note whose file also carries the cancellation of a key not in the
  // folder: neither this note nor any other is cancelled by it.
  NfeXmlNote c = OwnExit(3);
  NfeXmlNote absent = OwnExit(99);
  std::string c_xml = NfeProcXml(c);
  NfeXmlNote with_event = absent;
  with_event.events = {{110111, 135}};
  std::string ret = NfeProcXml(with_event);
  ret = ret.substr(ret.find("<retEvento"));
  ret = ret.substr(0, ret.find("</nfeProc>"));
  c_xml = Edited(c_xml, "</nfeProc>", ret + "</nfeProc>");
  WriteText(xml / "c.xml", c_xml);
  WriteText(xml / "notas.txt", "not read");

  NfeReadResult r = ReadNfeInputs({xml.string()}, {});
  ASSERT_EQ(r.notes.size(), 3u) << Ignored(r);
  EXPECT_EQ(r.files, 6);
  EXPECT_EQ(r.documents, 5);
  EXPECT_EQ(r.events, 2);
  EXPECT_TRUE(std::is_sorted(r.notes.begin(), r.notes.end(),
                             [](const NfeNote& x, const NfeNote& y) { return x.Key() < y.Key(); }));
  const NfeNote& na = r.notes[static_cast<size_t>(r.Find(NfeXmlKey(a)))];
  EXPECT_EQ(na.status, NfeStatus::kAuthorised);
  EXPECT_EQ(r.FileName(na), (xml / "2-proc.xml").generic_string());
  ASSERT_EQ(r.warnings.size(), 1u);
  EXPECT_EQ(r.warnings[0].key, NfeXmlKey(a));
  EXPECT_EQ(r.warnings[0].message,
            "cópias divergentes da mesma chave: " + (xml / "2-proc.xml").generic_string() + " e " +
                (xml / "sub/3-changed.xml").generic_string());
  const NfeNote& nb = r.notes[static_cast<size_t>(r.Find(NfeXmlKey(b)))];
  EXPECT_EQ(nb.status, NfeStatus::kCancelled);
  EXPECT_TRUE(nb.cancelled_by_event);
  EXPECT_EQ(r.notes[static_cast<size_t>(r.Find(NfeXmlKey(c)))].status, NfeStatus::kAuthorised);
  EXPECT_EQ(r.Find(NfeXmlKey(absent)), -1);
  ASSERT_EQ(r.ignored.size(), 1u) << Ignored(r);
  EXPECT_EQ(r.ignored[0].file, (xml / "c.xml").generic_string());
  EXPECT_EQ(r.ignored[0].reason, "evento de cancelamento (110111) da chave " + NfeXmlKey(absent) +
                                     ": a NF-e não está entre os arquivos lidos");
  // The source of a note is its file.
  EXPECT_EQ(ReadNfeSource(r, na), NfeProcXml(a));

  // One thread or four: the same result.
  NfeReadOptions one;
  one.threads = 1;
  NfeReadOptions four;
  four.threads = 4;
  NfeReadResult r1 = ReadNfeInputs({xml.string()}, one), r4 = ReadNfeInputs({xml.string()}, four);
  ASSERT_EQ(r1.notes.size(), r4.notes.size());
  for (size_t i = 0; i < r1.notes.size(); ++i) {
    EXPECT_EQ(r1.notes[i].Key(), r4.notes[i].Key());
    EXPECT_EQ(r1.FileName(r1.notes[i]), r4.FileName(r4.notes[i]));
  }
  EXPECT_EQ(Ignored(r1), Ignored(r4));
}

TEST(NfeFolder, ZipWithNestedFoldersAndAMalformedFile) {
  TempDir dir;
  const fs::path in = dir.path() / "in";
  NfeXmlNote a = OwnExit(11), b = ThirdPartyEntry(12);
  WriteZip(in / "lote.zip", {{"2025/03/saidas/a.xml", NfeProcXml(a)},
                             {"2025/03/entradas/b.XML", NfeProcXml(b)},
                             {"2025/03/leia-me.txt", "x"},
                             {"2025/03/velho.zip", "PK"},
                             {"2025/03/quebrado.xml", "<nfeProc><NFe>"}});
  WriteText(in / "solto" / "ruim.xml", "<?xml version=\"1.0\"?>\n<nfeProc>\n</NFe>");
  NfeXmlNote c = OwnExit(13);
  const std::string direct = WriteText(dir.path() / "c.xml", NfeProcXml(c));

  NfeReadOptions options;
  options.items = true;
  int64_t last_done = -1, last_total = -1;
  options.progress = [&](int64_t done, int64_t total) {
    last_done = done;
    last_total = total;
  };
  NfeReadResult r = ReadNfeInputs({in.string(), direct}, options);
  ASSERT_EQ(r.notes.size(), 3u) << Ignored(r);
  EXPECT_EQ(last_done, last_total);
  EXPECT_GT(last_total, 0);
  ASSERT_EQ(r.items.size(), 3u);
  std::map<std::string, std::string> files;
  for (size_t i = 0; i < r.notes.size(); ++i)
    files[std::string(r.notes[i].Key())] = r.FileName(r.notes[i]);
  EXPECT_EQ(files[NfeXmlKey(a)], in.generic_string() + "/lote.zip:2025/03/saidas/a.xml");
  EXPECT_EQ(files[NfeXmlKey(b)], in.generic_string() + "/lote.zip:2025/03/entradas/b.XML");
  EXPECT_EQ(files[NfeXmlKey(c)], direct);
  const NfeNote& nb = r.notes[static_cast<size_t>(r.Find(NfeXmlKey(b)))];
  EXPECT_EQ(r.items[static_cast<size_t>(r.Find(NfeXmlKey(b)))][0].code, "X9");
  EXPECT_EQ(ReadNfeSource(r, nb), NfeProcXml(b));
  // The nested zip and the malformed files are listed; the run went on.
  EXPECT_EQ(Ignored(r),
            in.generic_string() + "/lote.zip:2025/03/velho.zip: arquivo compactado dentro de " +
                "outro: não lido\n" + in.generic_string() +
                "/lote.zip:2025/03/quebrado.xml: XML mal formado: a marca de fechamento não " +
                "corresponde à de abertura (linha 1, coluna 14)\n" + in.generic_string() +
                "/solto/ruim.xml: XML mal formado: a marca de fechamento não corresponde à de " +
                "abertura (linha 3, coluna 3)\n");
}

TEST(NfeFolder, MissingInputAndCancellation) {
  TempDir dir;
  try {
    ReadNfeInputs({(dir.path() / "nada").string()});
    FAIL() << "no refusal";
  } catch (const InputRefusal& e) {
    EXPECT_EQ(e.line(), 0);
    EXPECT_EQ(e.reason(), "arquivo ou pasta não encontrado");
  }
  WriteText(dir.path() / "a.xml", NfeProcXml(OwnExit(1)));
  std::atomic<bool> cancel{true};
  NfeReadOptions options;
  options.cancel = &cancel;
  EXPECT_THROW(ReadNfeInputs({dir.path().string()}, options), NfeCancelled);
}

// The public samples, read in place.
TEST(NfeFolder, RealSamples) {
  const fs::path folder = fs::path(FISCORA_SAMPLES) / "nfe";
  if (!fs::exists(folder)) GTEST_SKIP() << "sample files not present";
  NfeReadResult r = ReadNfeInputs({folder.string()});
  auto note_of = [&](const std::string& name) -> const NfeNote* {
    for (const NfeNote& n : r.notes)
      if (fs::path(r.FileName(n)).filename() == name) return &n;
    return nullptr;
  };
  auto reason_of = [&](const std::string& name) {
    std::string out;
    for (const NfeIgnored& i : r.ignored)
      if (fs::path(i.file).filename() == name) out += i.reason + "\n";
    return out;
  };
  // One issuer's ten authorised exits of one month.
  std::map<std::string, int> by_emitter;
  for (const NfeNote& n : r.notes)
    if (n.status == NfeStatus::kAuthorised && n.model == 55)
      ++by_emitter[std::string(n.issuer.Id()) + "/" + std::to_string(n.emission / 100)];
  EXPECT_EQ(std::max_element(by_emitter.begin(), by_emitter.end(),
                             [](auto& x, auto& y) { return x.second < y.second; })
                ->second,
            10);
  // Cancelled by an event inside its own file.
  ASSERT_TRUE(note_of("sped-da_cancelada_55_new.xml"));
  EXPECT_EQ(note_of("sped-da_cancelada_55_new.xml")->status, NfeStatus::kCancelled);
  // One NFC-e key in several files: one note, cancelled.
  int nfce_copies = 0;
  for (const char* name : {"sped-da_nfce111.xml", "sped-da_nfce112.xml", "sped-da_nfce112_1.xml",
                           "sped-da_nfce112_2.xml", "sped-nfe_nfce.xml"})
    if (const NfeNote* n = note_of(name)) {
      ++nfce_copies;
      EXPECT_EQ(n->status, NfeStatus::kCancelled);
      EXPECT_EQ(n->model, 65);
    }
  EXPECT_EQ(nfce_copies, 1);
  // An enviNFe wrapper: a note without protocol whose key fails its check digit.
  const NfeNote* batch = note_of("sped-da_mod55-nfe-veiculo.xml");
  ASSERT_TRUE(batch);
  EXPECT_EQ(batch->status, NfeStatus::kUnprotocolled);
  EXPECT_FALSE(AccessKeyValid(batch->Key()));
  // Test environment, correction letters, CT-e, templates.
  EXPECT_NE(reason_of("sped-da_mod55-nfe_2.xml").find("tpAmb 2"), std::string::npos);
  EXPECT_NE(reason_of("sped-da_NFCeHom2.xml").find("tpAmb 2"), std::string::npos);
  EXPECT_EQ(reason_of("sped-da_proccce.xml"), "");
  EXPECT_NE(reason_of("sped-da_cte_hom_com_prot.xml").find("não é uma NF-e"), std::string::npos);
  EXPECT_NE(reason_of("sped-nfe_nfe_v4.00_PL_010C_cnpjalfa.xml").find("fora do namespace"),
            std::string::npos);
  EXPECT_NE(reason_of("sped-nfe_procNFe_PL_010C_cnpjalfa.xml").find("NF-e ilegível"),
            std::string::npos);
  // Layout 2.00: the date of dEmi.
  for (const NfeNote& n : r.notes)
    if (r.FileName(n).find("parse-efd-fiscal_") != std::string::npos) {
      EXPECT_GT(n.emission, 20000000);
      EXPECT_LT(n.emission, 20140000);
    }
  EXPECT_GT(r.test_environment, 5);
}

}  // namespace
}  // namespace fiscora
