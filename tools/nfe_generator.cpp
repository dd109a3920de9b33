#include "tools/nfe_generator.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string_view>

#include "data/nfe_key.h"
#include "tools/efd_writer.h"
#include "tools/sintegra_generator.h"
#include "validate/check_digits.h"

namespace fiscora {

namespace {

// Cents as "1234.56" (XML) or "1234,56" (EFD).
std::string Decimal(int64_t cents, char point) {
  std::string s = std::to_string(cents / 100);
  s += point;
  const int64_t c = cents % 100;
  s += static_cast<char>('0' + c / 10);
  s += static_cast<char>('0' + c % 10);
  return s;
}
std::string Xml(int64_t cents) { return Decimal(cents, '.'); }
std::string Efd(int64_t cents) { return Decimal(cents, ','); }

std::string Padded(int64_t v, size_t width) {
  std::string s = std::to_string(v);
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return s;
}

int64_t Percent(int64_t cents, int64_t percent) { return (cents * percent + 50) / 100; }

int DaysIn(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// The same stream everywhere: std::mt19937_64 is fully specified, and the
// ranges are taken by our own arithmetic.
class Rng {
 public:
  explicit Rng(uint64_t seed) : gen_(seed) {}
  int64_t Range(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(gen_() % static_cast<uint64_t>(hi - lo + 1));
  }
  bool Chance(int percent) { return Range(0, 99) < percent; }

 private:
  std::mt19937_64 gen_;
};

void Tag(std::string& out, std::string_view name, std::string_view value) {
  out += '<';
  out += name;
  out += '>';
  out += value;
  out += "</";
  out += name;
  out += '>';
}

std::string DateTime(const NfeXmlNote& n) {
  return std::to_string(n.year) + "-" + Padded(n.month, 2) + "-" + Padded(n.day, 2) + "T" +
         Padded(n.hour, 2) + ":" + Padded(n.minute, 2) + ":00-03:00";
}

// Base64-looking text of the given length, the same for the same seed.
std::string Base64Like(uint64_t seed, size_t length) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out(length, 'A');
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
  for (char& c : out) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    c = kAlphabet[x % 64];
  }
  return out;
}

void Party(std::string& out, const NfeXmlParty& p, bool emitter) {
  switch (p.kind) {
    case NfeXmlParty::Kind::kCnpj:
      Tag(out, "CNPJ", p.id);
      break;
    case NfeXmlParty::Kind::kCpf:
      Tag(out, "CPF", p.id);
      break;
    case NfeXmlParty::Kind::kForeign:
      Tag(out, "idEstrangeiro", p.id);
      break;
    case NfeXmlParty::Kind::kNone:
      break;
  }
  Tag(out, "xNome", p.name);
  out += emitter ? "<enderEmit>" : "<enderDest>";
  Tag(out, "xLgr", "RUA DAS FLORES");
  Tag(out, "nro", "100");
  Tag(out, "xBairro", "CENTRO");
  const std::string code(IbgeCodeOfUf(p.uf));
  Tag(out, "cMun", (code.empty() ? std::string("99") : code) + "00108");
  Tag(out, "xMun", "MUNICIPIO");
  Tag(out, "UF", p.kind == NfeXmlParty::Kind::kForeign ? "EX" : p.uf);
  Tag(out, "CEP", "01001000");
  out += emitter ? "</enderEmit>" : "</enderDest>";
  if (emitter) {
    Tag(out, "IE", p.ie);
    Tag(out, "CRT", "3");
  } else {
    Tag(out, "indIEDest", p.ie.empty() ? "9" : "1");
    if (!p.ie.empty()) Tag(out, "IE", p.ie);
  }
}

void Item(std::string& out, const NfeXmlItem& it, int n) {
  out += "<det nItem=\"" + std::to_string(n) + "\"><prod>";
  Tag(out, "cProd", it.code);
  Tag(out, "cEAN", "SEM GTIN");
  Tag(out, "xProd", it.description);
  Tag(out, "NCM", it.ncm);
  Tag(out, "CFOP", std::to_string(it.cfop));
  Tag(out, "uCom", it.unit);
  const std::string qty =
      std::to_string(it.quantity_milli / 1000) + "." + Padded(it.quantity_milli % 1000, 3) + "0";
  const int64_t unit_price = it.quantity_milli ? it.value * 100000 / it.quantity_milli : 0;
  const std::string price =
      std::to_string(unit_price / 10000) + "." + Padded(unit_price % 10000, 4) + "000000";
  Tag(out, "qCom", qty);
  Tag(out, "vUnCom", price);
  Tag(out, "vProd", Xml(it.value));
  Tag(out, "cEANTrib", "SEM GTIN");
  Tag(out, "uTrib", it.unit);
  Tag(out, "qTrib", qty);
  Tag(out, "vUnTrib", price);
  Tag(out, "indTot", "1");
  out += "</prod><imposto>";
  Tag(out, "vTotTrib", Xml(Percent(it.value, 31)));
  out += "<ICMS>";
  if (it.cst == 60) {
    out += "<ICMS60><orig>0</orig><CST>60</CST></ICMS60>";
  } else {
    const char* group = it.cst == 10 ? "ICMS10" : "ICMS00";
    out += std::string("<") + group + "><orig>0</orig>";
    Tag(out, "CST", it.cst == 10 ? "10" : "00");
    Tag(out, "modBC", "3");
    Tag(out, "vBC", Xml(it.bc));
    Tag(out, "pICMS", std::to_string(it.rate) + ".00");
    Tag(out, "vICMS", Xml(it.icms));
    if (it.cst == 10) {
      Tag(out, "modBCST", "4");
      Tag(out, "pMVAST", "40.00");
      Tag(out, "vBCST", Xml(it.bcst));
      Tag(out, "pICMSST", "18.00");
      Tag(out, "vICMSST", Xml(it.st));
    }
    out += std::string("</") + group + ">";
  }
  out += "</ICMS>";
  if (it.ipi) {
    out += "<IPI><cEnq>999</cEnq><IPITrib><CST>50</CST>";
    Tag(out, "vBC", Xml(it.value));
    Tag(out, "pIPI", "5.00");
    Tag(out, "vIPI", Xml(it.ipi));
    out += "</IPITrib></IPI>";
  }
  out += "<PIS><PISAliq><CST>01</CST>";
  Tag(out, "vBC", Xml(it.value));
  Tag(out, "pPIS", "1.65");
  Tag(out, "vPIS", Xml(Percent(it.value * 165, 1) / 10000));
  out += "</PISAliq></PIS><COFINS><COFINSAliq><CST>01</CST>";
  Tag(out, "vBC", Xml(it.value));
  Tag(out, "pCOFINS", "7.60");
  Tag(out, "vCOFINS", Xml(Percent(it.value * 760, 1) / 10000));
  out += "</COFINSAliq></COFINS></imposto></det>\n";
}

}  // namespace

NfeXmlTotals NfeXmlTotalsOf(const NfeXmlNote& note) {
  NfeXmlTotals t;
  for (const NfeXmlItem& it : note.items) {
    t.vBC += it.bc;
    t.vICMS += it.icms;
    t.vBCST += it.bcst;
    t.vST += it.st;
    t.vProd += it.value;
    t.vIPI += it.ipi;
  }
  t.vFrete = note.freight;
  t.vSeg = note.insurance;
  t.vDesc = note.discount;
  t.vOutro = note.other;
  t.vNF = t.vProd - t.vDesc + t.vST + t.vFrete + t.vSeg + t.vOutro + t.vIPI;
  return t;
}

std::string NfeXmlKey(const NfeXmlNote& n) {
  std::string key(IbgeCodeOfUf(n.issuer.uf));
  if (key.empty()) key = "35";
  key += Padded(n.year % 100, 2) + Padded(n.month, 2);
  key += n.issuer.kind == NfeXmlParty::Kind::kCpf ? "000" + n.issuer.id : n.issuer.id;
  key += Padded(n.model, 2) + Padded(n.series, 3) + Padded(n.number, 9) + "1" + Padded(n.code, 8);
  key.resize(kAccessKeyLength - 1, '0');
  char dv = AccessKeyCheckDigit(key);
  if (n.wrong_check_digit) dv = static_cast<char>('0' + (dv - '0' + 1) % 10);
  key += dv;
  return key;
}

std::string NfeProcXml(const NfeXmlNote& n) {
  const std::string key = NfeXmlKey(n);
  const NfeXmlTotals t = NfeXmlTotalsOf(n);
  std::string out;
  out.reserve(4096 + n.items.size() * 1100);
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  const bool proc = n.cstat != 0;
  if (proc) out += "<nfeProc xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">";
  out += "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe" + key +
         "\" versao=\"4.00\"><ide>";
  Tag(out, "cUF", key.substr(0, 2));
  Tag(out, "cNF", Padded(n.code, 8));
  Tag(out, "natOp", n.tp_nf == 1 ? "VENDA DE MERCADORIA" : "ENTRADA DE MERCADORIA");
  Tag(out, "mod", std::to_string(n.model));
  Tag(out, "serie", std::to_string(n.series));
  Tag(out, "nNF", std::to_string(n.number));
  Tag(out, "dhEmi", DateTime(n));
  if (n.model == 55) Tag(out, "dhSaiEnt", DateTime(n));
  Tag(out, "tpNF", std::to_string(n.tp_nf));
  Tag(out, "idDest",
      n.recipient.uf != n.issuer.uf && n.recipient.kind != NfeXmlParty::Kind::kNone ? "2" : "1");
  Tag(out, "cMunFG", key.substr(0, 2) + "00108");
  Tag(out, "tpImp", n.model == 65 ? "4" : "1");
  Tag(out, "tpEmis", "1");
  Tag(out, "cDV", key.substr(43));
  Tag(out, "tpAmb", std::to_string(n.tp_amb));
  Tag(out, "finNFe", std::to_string(n.fin_nfe));
  Tag(out, "indFinal", n.recipient.kind == NfeXmlParty::Kind::kCnpj ? "0" : "1");
  Tag(out, "indPres", "1");
  Tag(out, "procEmi", "0");
  Tag(out, "verProc", "gen-nfe 1.0");
  out += "</ide>\n<emit>";
  Party(out, n.issuer, true);
  out += "</emit>\n";
  if (n.recipient.kind != NfeXmlParty::Kind::kNone) {
    out += "<dest>";
    Party(out, n.recipient, false);
    out += "</dest>\n";
  }
  for (size_t i = 0; i < n.items.size(); ++i) Item(out, n.items[i], static_cast<int>(i + 1));
  out += "<total><ICMSTot>";
  const std::pair<const char*, int64_t> totals[] = {{"vBC", t.vBC},
                                                    {"vICMS", t.vICMS},
                                                    {"vICMSDeson", 0},
                                                    {"vFCP", 0},
                                                    {"vBCST", t.vBCST},
                                                    {"vST", t.vST},
                                                    {"vFCPST", 0},
                                                    {"vFCPSTRet", 0},
                                                    {"vProd", t.vProd},
                                                    {"vFrete", t.vFrete},
                                                    {"vSeg", t.vSeg},
                                                    {"vDesc", t.vDesc},
                                                    {"vII", 0},
                                                    {"vIPI", t.vIPI},
                                                    {"vIPIDevol", 0},
                                                    {"vPIS", Percent(t.vProd, 2)},
                                                    {"vCOFINS", Percent(t.vProd, 8)},
                                                    {"vOutro", t.vOutro},
                                                    {"vNF", t.vNF}};
  for (const auto& [name, value] : totals) Tag(out, name, Xml(value));
  out += "</ICMSTot></total>\n<transp><modFrete>";
  out += n.freight ? "0" : "9";
  out += "</modFrete></transp><pag><detPag><tPag>01</tPag>";
  Tag(out, "vPag", Xml(t.vNF));
  out += "</detPag></pag><infAdic><infCpl>DOCUMENTO GERADO PARA TESTES</infCpl></infAdic>";
  out += "</infNFe>";
  if (n.signature) {
    const uint64_t seed = static_cast<uint64_t>(n.number) * 131 + static_cast<uint64_t>(n.code);
    out +=
        "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
        "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
        "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>"
        "<Reference URI=\"#NFe" +
        key +
        "\"><Transforms><Transform "
        "Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/><Transform "
        "Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
        "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/><DigestValue>" +
        Base64Like(seed, 27) + "=</DigestValue></Reference></SignedInfo><SignatureValue>" +
        Base64Like(seed + 1, 342) + "==</SignatureValue><KeyInfo><X509Data><X509Certificate>" +
        Base64Like(seed % 97, 1800) + "</X509Certificate></X509Data></KeyInfo></Signature>";
  }
  out += "</NFe>";
  if (proc) {
    out += "\n<protNFe versao=\"4.00\"><infProt>";
    Tag(out, "tpAmb", std::to_string(n.tp_amb));
    Tag(out, "verAplic", "SP_NFE_PL009_V4");
    Tag(out, "chNFe", key);
    Tag(out, "dhRecbto", DateTime(n));
    Tag(out, "nProt", "1" + key.substr(0, 2) + Padded(n.number % 1000000000000, 12));
    Tag(out, "digVal", Base64Like(static_cast<uint64_t>(n.number), 27) + "=");
    Tag(out, "cStat", std::to_string(n.cstat));
    Tag(out, "xMotivo", n.cstat == 100 ? "Autorizado o uso da NF-e" : "Situacao da NF-e");
    out += "</infProt></protNFe>";
    for (const auto& [type, cstat] : n.events) {
      out += "\n<retEvento versao=\"1.00\"><infEvento>";
      Tag(out, "tpAmb", std::to_string(n.tp_amb));
      Tag(out, "verAplic", "SP_EVENTOS_PL_100");
      Tag(out, "cOrgao", key.substr(0, 2));
      Tag(out, "cStat", std::to_string(cstat));
      Tag(out, "xMotivo", "Evento registrado e vinculado a NF-e");
      Tag(out, "chNFe", key);
      Tag(out, "tpEvento", std::to_string(type));
      Tag(out, "nSeqEvento", "1");
      Tag(out, "dhRegEvento", DateTime(n));
      Tag(out, "nProt", "2" + key.substr(0, 2) + Padded(n.number % 1000000000000, 12));
      out += "</infEvento></retEvento>";
    }
    out += "</nfeProc>";
  }
  out += "\n";
  return out;
}

// ------------------------------------------------------------ a month

namespace {

struct Company {
  NfeXmlParty party;
  std::string code;  // COD_PART
  bool industry = false;
};

struct Product {
  std::string code, description, ncm;
  int64_t price;  // cents
};

const char* const kTrades[] = {"COMERCIO DE TINTAS",      "DISTRIBUIDORA",
                               "MATERIAIS DE CONSTRUCAO", "ATACADO",
                               "INDUSTRIA QUIMICA",       "FERRAGENS"};
const char* const kNames[] = {"SILVA",   "SANTOS", "OLIVEIRA", "SOUZA",   "LIMA",
                              "PEREIRA", "COSTA",  "RIBEIRO",  "MARTINS", "CARVALHO"};
const char* const kGoods[] = {"TINTA ACRILICA", "ESMALTE SINTETICO", "MASSA CORRIDA", "SELADOR",
                              "VERNIZ",         "ROLO DE LA",        "PINCEL",        "SOLVENTE",
                              "LIXA D'AGUA",    "THINNER",           "FITA CREPE",    "ESPATULA"};
const char* const kOtherStates[] = {"PR", "MG", "RJ", "SC", "RS", "GO", "BA", "PE"};

enum class Kind { kOwnNfe, kNfce, kEntry };

// What a note is, drawn before its content so that the faults can be
// placed without building the notes.
struct Shape {
  Kind kind;
  bool cancelled;  // an own exit cancelled and booked as such
};

Shape ShapeOf(uint64_t seed, int64_t i, int cancelled_percent) {
  Rng r(seed * 1000003 + static_cast<uint64_t>(i));
  int64_t k = r.Range(0, 99);
  Shape s{k < 55 ? Kind::kOwnNfe : k < 70 ? Kind::kNfce : Kind::kEntry, false};
  s.cancelled = s.kind != Kind::kEntry && r.Chance(cancelled_percent);
  return s;
}

// The EFD file's counts for block 9.
struct EfdCounts {
  int64_t lines = 0, bytes = 0;
  std::map<std::string, int64_t> by_register;
};

// The EFD file, when one is asked for: lines go nowhere otherwise.
class EfdOut {
 public:
  EfdOut(const std::filesystem::path& path, bool crlf) {
    if (path.empty()) return;
    file_.open(path, std::ios::binary | std::ios::trunc);
    if (!file_) throw std::runtime_error("gen-nfe: cannot create " + path.string());
    writer_.emplace(file_, crlf, counts_);
  }
  bool on() const { return writer_.has_value(); }
  void Line(std::string_view reg, std::initializer_list<std::string_view> fields) {
    if (writer_) writer_->Line(reg, fields);
  }
  void CancelledC100(std::string_view ind_oper, std::string_view ind_emit, std::string_view model,
                     std::string_view series, std::string_view number, std::string_view key) {
    if (writer_) writer_->CancelledC100(ind_oper, ind_emit, model, series, number, key);
  }
  int64_t lines() const { return counts_.lines; }
  void Finish() {
    if (!writer_) return;
    writer_->Block9();
    writer_.reset();
    file_.close();
    if (!file_) throw std::runtime_error("gen-nfe: error writing the EFD file");
  }

 private:
  EfdCounts counts_;
  std::ofstream file_;
  std::optional<EfdWriter<EfdCounts>> writer_;
};

struct Faults {
  bool unbooked = false, cancelled_booked = false, value_off = false, wrong_cfop = false,
       wrong_key = false;
};

// A state registration of the state that passes its check: random digits
// of the usual lengths until one does (empty when none is found).
std::string StateRegistration(Rng& r, const std::string& uf) {
  for (int size : {12, 9, 8, 10, 13, 14, 11})
    for (int attempt = 0; attempt < 3000; ++attempt) {
      std::string s;
      for (int i = 0; i < size; ++i) s += static_cast<char>('0' + r.Range(i == 0 ? 1 : 0, 9));
      if (CheckIe(uf, s) == IeCheck::kValid) return s;
    }
  return "";
}

// The CFOP under which the establishment books an item: its own CFOP for
// its notes, the mirror (5 -> 1, 6 -> 2, 7 -> 3) for what it received.
int BookedCfop(int cfop, bool entry) { return entry ? cfop - 4000 : cfop; }

}  // namespace

NfeGeneratorSummary GenerateNfe(const std::filesystem::path& out_dir, int64_t n, uint64_t seed,
                                const NfeGeneratorOptions& o, const std::filesystem::path& efd) {
  if (o.cnpj.size() != 14 || !IsValidCnpj(o.cnpj) || IbgeCodeOfUf(o.uf).empty() || o.month < 1 ||
      o.month > 12 || o.year < 2000 || o.year > 2099 || o.min_items < 1 ||
      o.max_items < o.min_items || n < 1)
    throw std::invalid_argument(
        "gen-nfe: bad options (--cnpj with 14 digits and valid check digits)");
  const int64_t planted =
      o.unbooked + o.cancelled_booked + o.value_off + o.wrong_cfop + o.wrong_key;
  NfeGeneratorSummary summary;
  std::error_code ec;
  std::filesystem::create_directories(out_dir, ec);
  if (ec) throw std::runtime_error("gen-nfe: cannot create " + out_dir.string());

  // The parties: the establishment, suppliers, customers and consumers.
  Rng pools(seed);
  NfeXmlParty self{NfeXmlParty::Kind::kCnpj, o.cnpj, "EMPRESA GERADA LTDA", o.uf,
                   StateRegistration(pools, o.uf)};
  std::vector<Company> suppliers, customers;
  for (int i = 0; i < 40; ++i) {
    Company c;
    const bool other_state = pools.Chance(40);
    c.party = {NfeXmlParty::Kind::kCnpj,
               CnpjWithCheckDigits(std::to_string(10000000 + pools.Range(0, 89999999)) + "0001"),
               std::string(kTrades[i % 6]) + " " + kNames[pools.Range(0, 9)] + " LTDA",
               other_state ? kOtherStates[pools.Range(0, 7)] : o.uf,
               std::to_string(100000000 + pools.Range(0, 899999999))};
    c.code = "F" + std::to_string(1000 + i);
    c.industry = i % 6 == 4;
    suppliers.push_back(std::move(c));
  }
  for (int i = 0; i < 160; ++i) {
    Company c;
    if (i < 60) {
      const bool other_state = pools.Chance(30);
      c.party = {NfeXmlParty::Kind::kCnpj,
                 CnpjWithCheckDigits(std::to_string(10000000 + pools.Range(0, 89999999)) + "0001"),
                 std::string(kTrades[pools.Range(0, 5)]) + " " + kNames[pools.Range(0, 9)] + " ME",
                 other_state ? kOtherStates[pools.Range(0, 7)] : o.uf,
                 std::to_string(100000000 + pools.Range(0, 899999999))};
    } else {
      c.party = {NfeXmlParty::Kind::kCpf,
                 CpfWithCheckDigits(std::to_string(100000000 + pools.Range(0, 899999999))),
                 std::string("CONSUMIDOR ") + kNames[pools.Range(0, 9)], o.uf, ""};
    }
    c.code = "C" + std::to_string(1000 + i);
    customers.push_back(std::move(c));
  }
  std::vector<Product> products;
  for (int i = 0; i < 300; ++i)
    products.push_back({std::to_string(100000 + i),
                        std::string(kGoods[i % 12]) + " " + std::to_string(1 + i % 18) + "L",
                        "3209101" + std::to_string(i % 10), pools.Range(350, 45000)});

  // The faults, on notes that are not cancelled anyway, each note one fault.
  std::vector<int64_t> eligible;
  for (int64_t i = 0; i < n; ++i)
    if (!ShapeOf(seed, i, o.cancelled_percent).cancelled) eligible.push_back(i);
  if (planted > static_cast<int64_t>(eligible.size()))
    throw std::invalid_argument("gen-nfe: more faults than notes to plant them on");
  Rng fault_rng(seed ^ 0xFA017ull);
  for (size_t i = eligible.size(); i > 1; --i)
    std::swap(eligible[i - 1],
              eligible[static_cast<size_t>(fault_rng.Range(0, static_cast<int64_t>(i) - 1))]);
  std::map<int64_t, Faults> faults;
  size_t next = 0;
  for (int k = 0; k < o.unbooked; ++k) faults[eligible[next++]].unbooked = true;
  for (int k = 0; k < o.cancelled_booked; ++k) faults[eligible[next++]].cancelled_booked = true;
  for (int k = 0; k < o.value_off; ++k) faults[eligible[next++]].value_off = true;
  for (int k = 0; k < o.wrong_cfop; ++k) faults[eligible[next++]].wrong_cfop = true;
  for (int k = 0; k < o.wrong_key; ++k) faults[eligible[next++]].wrong_key = true;

  EfdOut w(efd, o.crlf);
  const int days = DaysIn(o.year, o.month);
  const std::string mm = Padded(o.month, 2), yyyy = std::to_string(o.year);
  auto efd_date = [&](int day) { return Padded(day, 2) + mm + yyyy; };
  const std::string city = std::string(IbgeCodeOfUf(o.uf)) + "00108";
  w.Line("0000", {"019", "0", efd_date(1), efd_date(days), self.name, self.id, "", o.uf, self.ie,
                  city, "", "", "A", "1"});
  w.Line("0001", {"0"});
  w.Line("0005", {"EMPRESA GERADA", "01001000", "RUA DAS FLORES", "100", "", "CENTRO", "1133334444",
                  "", "contato@exemplo.com.br"});
  w.Line("0100", {"CONTADOR DA SILVA", "12345678909", "SP123456O1", "", "01001000", "RUA A", "10",
                  "", "CENTRO", "1133334445", "", "c@exemplo.com.br", city});
  for (const auto* list : {&suppliers, &customers})
    for (const Company& c : *list) {
      const bool cnpj = c.party.kind == NfeXmlParty::Kind::kCnpj;
      const std::string code(IbgeCodeOfUf(c.party.uf));
      w.Line("0150", {c.code, c.party.name, "01058", cnpj ? c.party.id : "", cnpj ? "" : c.party.id,
                      c.party.ie, code + "00108", "", "RUA DAS FLORES", "100", "", "CENTRO"});
    }
  w.Line("0190", {"UN", "UNIDADE"});
  for (const Product& p : products)
    w.Line("0200", {p.code, p.description, "", "", "UN", "00", p.ncm, "", "32", "", "18,00", ""});
  w.Line("0990", {std::to_string(w.lines() + 1)});
  for (const char* b : {"B"}) {
    w.Line(std::string(b) + "001", {"1"});
    w.Line(std::string(b) + "990", {"2"});
  }
  const int64_t c_start = w.lines();
  w.Line("C001", {"0"});

  int64_t own_number = 0, nfce_number = 0;
  const int64_t total = n + o.booking_without_xml;
  for (int64_t i = 0; i < total; ++i) {
    const Shape shape = ShapeOf(seed, i, o.cancelled_percent);
    const Faults f = i < n && faults.count(i) ? faults[i] : Faults{};
    Rng r(seed * 7919 + static_cast<uint64_t>(i) * 104729 + 17);
    NfeXmlNote note;
    note.year = o.year;
    note.month = o.month;
    note.day = static_cast<int>(r.Range(1, days));
    note.hour = static_cast<int>(r.Range(8, 19));
    note.minute = static_cast<int>(r.Range(0, 59));
    note.code = r.Range(10000000, 99999999);
    const Company* part = nullptr;
    bool industry = false;
    if (shape.kind == Kind::kEntry) {
      const Company& s = suppliers[static_cast<size_t>(r.Range(0, 39))];
      part = &s;
      industry = s.industry;
      note.issuer = s.party;
      note.recipient = self;
      note.series = static_cast<int>(r.Range(1, 3));
      note.number = r.Range(1, 999999);
      ++summary.entries;
    } else if (shape.kind == Kind::kNfce) {
      note.issuer = self;
      note.model = 65;
      note.number = ++nfce_number;
      if (r.Chance(20)) {
        part = &customers[static_cast<size_t>(r.Range(60, 159))];
        note.recipient = part->party;
      }
      ++summary.nfce;
    } else {
      part = &customers[static_cast<size_t>(r.Range(0, 159))];
      note.issuer = self;
      note.recipient = part->party;
      note.number = ++own_number;
      ++summary.own_exits;
    }
    const bool interstate =
        note.recipient.kind != NfeXmlParty::Kind::kNone && note.recipient.uf != note.issuer.uf;
    const int items = static_cast<int>(r.Range(o.min_items, o.max_items));
    for (int k = 0; k < items; ++k) {
      const Product& p = products[static_cast<size_t>(r.Range(0, 299))];
      NfeXmlItem it;
      it.code = p.code;
      it.description = p.description;
      it.ncm = p.ncm;
      it.quantity_milli = r.Range(1, 20) * 1000;
      it.value = p.price * it.quantity_milli / 1000;
      const bool st = note.model == 55 && r.Chance(25);
      it.cst = st ? 10 : 0;
      it.cfop = (interstate ? 6000 : 5000) + (st ? 403 : industry ? 101 : 102);
      it.rate = interstate ? 12 : 18;
      it.bc = it.value;
      it.icms = Percent(it.bc, it.rate);
      if (industry) it.ipi = Percent(it.value, 5);
      if (st) {
        it.bcst = Percent(it.value + it.ipi, 140);
        it.st = std::max<int64_t>(0, Percent(it.bcst, 18) - it.icms);
      }
      note.items.push_back(std::move(it));
    }
    if (shape.kind == Kind::kEntry && r.Chance(30)) note.freight = r.Range(500, 20000);
    if (shape.kind != Kind::kEntry && r.Chance(20)) note.discount = r.Range(1, 300);
    if (r.Chance(3)) note.insurance = r.Range(100, 5000);
    if (r.Chance(3)) note.other = r.Range(100, 2000);
    note.wrong_check_digit = f.wrong_key;
    const bool cancelled = shape.cancelled || f.cancelled_booked;
    if (cancelled) note.events.push_back({110111, 135});
    if (cancelled) ++summary.cancelled;

    const std::string key = NfeXmlKey(note);
    if (i < n) {
      const std::string xml = NfeProcXml(note);
      std::ofstream file(out_dir / (key + "-procNFe.xml"), std::ios::binary | std::ios::trunc);
      file.write(xml.data(), static_cast<std::streamsize>(xml.size()));
      file.close();
      if (!file) throw std::runtime_error("gen-nfe: error writing in " + out_dir.string());
      ++summary.files;
      summary.bytes += static_cast<int64_t>(xml.size());
    }
    if (!w.on() || f.unbooked) continue;

    // The booking.
    ++summary.bookings;
    const bool entry = shape.kind == Kind::kEntry;
    const std::string series = entry ? Padded(note.series, 3) : std::to_string(note.series);
    if (shape.cancelled) {
      w.CancelledC100("1", "0", std::to_string(note.model), series, std::to_string(note.number),
                      key);
      continue;
    }
    const NfeXmlTotals t = NfeXmlTotalsOf(note);
    const int64_t doc = t.vNF + (f.value_off ? 2 : 0);
    const std::string date = efd_date(note.day);
    w.Line("C100", {entry ? "0" : "1",
                    entry ? "1" : "0",
                    part ? part->code : "",
                    std::to_string(note.model),
                    "00",
                    series,
                    std::to_string(note.number),
                    key,
                    date,
                    date,
                    Efd(doc),
                    "0",
                    Efd(t.vDesc),
                    "0,00",
                    Efd(t.vProd),
                    note.freight ? "0" : "9",
                    Efd(t.vFrete),
                    Efd(t.vSeg),
                    Efd(t.vOutro),
                    Efd(t.vBC),
                    Efd(t.vICMS),
                    Efd(t.vBCST),
                    Efd(t.vST),
                    Efd(t.vIPI),
                    Efd(Percent(t.vProd, 2)),
                    Efd(Percent(t.vProd, 8)),
                    "",
                    ""});
    if (entry || o.c170_all) {
      int k = 0;
      for (const NfeXmlItem& it : note.items) {
        w.Line("C170", {std::to_string(++k),
                        it.code,
                        "",
                        std::to_string(it.quantity_milli / 1000) + ",000",
                        "UN",
                        Efd(it.value),
                        "0,00",
                        "0",
                        it.cst == 10 ? "010" : "000",
                        std::to_string(BookedCfop(it.cfop, entry)),
                        "",
                        Efd(it.bc),
                        std::to_string(it.rate) + ",00",
                        Efd(it.icms),
                        Efd(it.bcst),
                        it.st ? "18,00" : "",
                        Efd(it.st),
                        "0",
                        it.ipi ? "50" : "",
                        "",
                        it.ipi ? Efd(it.value) : "",
                        it.ipi ? "5,00" : "",
                        Efd(it.ipi),
                        "01",
                        Efd(it.value),
                        "1,6500",
                        "",
                        "",
                        Efd(Percent(it.value, 2)),
                        "01",
                        Efd(it.value),
                        "7,6000",
                        "",
                        "",
                        Efd(Percent(it.value, 8)),
                        "",
                        ""});
      }
    }
    // C190: one line per CST, CFOP and rate; the note's own charges on the
    // first line, so that the lines add up to VL_DOC.
    struct Group {
      int cst, cfop, rate;
      int64_t opr, bc, icms, bcst, st, ipi;
    };
    std::vector<Group> groups;
    for (const NfeXmlItem& it : note.items) {
      const int cfop = BookedCfop(it.cfop, entry);
      auto g = std::find_if(groups.begin(), groups.end(), [&](const Group& x) {
        return x.cst == it.cst && x.cfop == cfop && x.rate == it.rate;
      });
      if (g == groups.end())
        g = groups.insert(groups.end(), Group{it.cst, cfop, it.rate, 0, 0, 0, 0, 0, 0});
      g->opr += it.value + it.st + it.ipi;
      g->bc += it.bc;
      g->icms += it.icms;
      g->bcst += it.bcst;
      g->st += it.st;
      g->ipi += it.ipi;
    }
    std::sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
      return std::tie(a.cst, a.cfop, a.rate) < std::tie(b.cst, b.cfop, b.rate);
    });
    groups.front().opr += t.vFrete + t.vSeg + t.vOutro - t.vDesc;
    if (f.wrong_cfop) {
      // Own notes: a CFOP of the same origin the note does not have; entries:
      // the origin itself wrong.
      int& cfop = groups.front().cfop;
      cfop = entry ? (cfop / 1000 == 1 ? cfop + 1000 : cfop - 1000) : cfop / 1000 * 1000 + 949;
    }
    for (const Group& g : groups)
      w.Line("C190",
             {g.cst == 10 ? "010" : "000", std::to_string(g.cfop), std::to_string(g.rate) + ",00",
              Efd(g.opr), Efd(g.bc), Efd(g.icms), Efd(g.bcst), Efd(g.st), "0,00", Efd(g.ipi), ""});
  }
  w.Line("C990", {std::to_string(w.lines() - c_start + 1)});
  for (const char* b : {"D", "E", "G", "H", "K", "1"}) {
    w.Line(std::string(b) + "001", {"1"});
    w.Line(std::string(b) + "990", {"2"});
  }
  w.Finish();
  summary.efd_lines = w.lines();
  return summary;
}

}  // namespace fiscora
