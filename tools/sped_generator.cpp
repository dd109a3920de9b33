#include "tools/sped_generator.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tools/efd_writer.h"
#include "tools/sintegra_generator.h"
#include "validate/check_digits.h"

namespace fiscora {

namespace {

// splitmix64: integer arithmetic only, the same stream everywhere.
class Rng {
 public:
  explicit Rng(uint64_t seed) : x_(seed ^ 0x5BD1E9955BD1E995ull) {}
  uint64_t Next() {
    uint64_t z = (x_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int64_t Range(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(Next() % static_cast<uint64_t>(hi - lo + 1));
  }
  bool Chance(int percent) { return static_cast<int>(Next() % 100) < percent; }
  template <class T, size_t N>
  const T& Pick(const T (&a)[N]) {
    return a[Next() % N];
  }

 private:
  uint64_t x_;
};

// Cents as "1234,56".
std::string Money(int64_t cents) {
  std::string s = std::to_string(cents / 100);
  int64_t c = cents % 100;
  s += ',';
  s += static_cast<char>('0' + c / 10);
  s += static_cast<char>('0' + c % 10);
  return s;
}

std::string Two(int v) {
  return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10);
}

// UTF-8 text of the generator's own words in the file's encoding: only the
// Portuguese capitals below occur.
std::string Encode(std::string_view utf8, SpedTextEncoding enc) {
  if (enc == SpedTextEncoding::kUtf8) return std::string(utf8);
  struct Map {
    unsigned char second;  // after 0xC3
    char cp1252, cp850;
  };
  static const Map kMap[] = {
      {0x80, '\xC0', '\xB7'}, {0x81, '\xC1', '\xB5'}, {0x82, '\xC2', '\xB6'},
      {0x83, '\xC3', '\xC7'}, {0x87, '\xC7', '\x80'}, {0x89, '\xC9', '\x90'},
      {0x8A, '\xCA', '\xD2'}, {0x8D, '\xCD', '\xD6'}, {0x93, '\xD3', '\xE0'},
      {0x94, '\xD4', '\xE2'}, {0x95, '\xD5', '\xE5'}, {0x9A, '\xDA', '\xE9'},
  };
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c == 0xC3 && i + 1 < utf8.size()) {
      unsigned char n = static_cast<unsigned char>(utf8[++i]);
      for (const Map& m : kMap)
        if (m.second == n) out += enc == SpedTextEncoding::kCp850 ? m.cp850 : m.cp1252;
      continue;
    }
    out += static_cast<char>(c);
  }
  return out;
}

using Writer = EfdWriter<SpedGeneratorSummary>;

struct Participant {
  std::string code, name, cnpj, cpf, ie, city;
  bool interstate;
};

struct Product {
  std::string code, name;
  int64_t price;  // cents
  int kind;       // 0 taxed 18%, 1 tax substitution, 2 taxed 12%
};

// One note's shape: items and analytic lines.
struct NotePlan {
  uint8_t items, analytic;
};

const char* const kFirstNames[] = {"JOÃO",  "MARIA", "JOSÉ",      "ANTÔNIO", "CONCEIÇÃO",
                                   "PAULO", "ANA",   "FRANCISCO", "LUÍS",    "SEBASTIÃO"};
const char* const kLastNames[] = {"SILVA",     "SANTOS", "OLIVEIRA", "SOUZA",   "LIMA",
                                  "GONÇALVES", "ARAÚJO", "RIBEIRO",  "MARTINS", "CONCEIÇÃO"};
const char* const kTrades[] = {"COMÉRCIO DE TINTAS", "DISTRIBUIDORA",     "MATERIAIS DE CONSTRUÇÃO",
                               "ATACADÃO",           "INDÚSTRIA QUÍMICA", "TRANSPORTES"};
const char* const kGoods[] = {
    "TINTA ACRÍLICA", "ESMALTE SINTÉTICO", "MASSA CORRIDA", "SELADOR", "VERNIZ", "ROLO DE LÃ",
    "PINCEL",         "SOLVENTE",          "LIXA D'ÁGUA",   "THINNER"};

SpedGeneratorSummary GenerateSpedTo(std::ostream& stream, int64_t target_lines, uint64_t seed,
                                    const SpedGeneratorOptions& o);

}  // namespace

std::string GenerateSpedText(int64_t target_lines, uint64_t seed,
                             const SpedGeneratorOptions& options, SpedGeneratorSummary* summary) {
  std::ostringstream out;
  SpedGeneratorSummary s = GenerateSpedTo(out, target_lines, seed, options);
  if (summary) *summary = s;
  return out.str();
}

SpedGeneratorSummary GenerateSped(const std::filesystem::path& out, int64_t target_lines,
                                  uint64_t seed, const SpedGeneratorOptions& options) {
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  if (!file) throw std::runtime_error("gen-sped: cannot create " + out.string());
  SpedGeneratorSummary s = GenerateSpedTo(file, target_lines, seed, options);
  file.close();
  if (!file) throw std::runtime_error("gen-sped: error writing " + out.string());
  return s;
}

namespace {

// What a file of a given length holds besides its opening and closing lines:
// everything grows with the file, and the notes fill the rest of it.
struct SpedShape {
  int64_t parts = 0, products = 0, freight = 0, printer_days = 0;
  std::vector<NotePlan> notes;
};

// One run of the generator: the options, the random stream and the writer,
// and what the notes draw from (the participants and the products).
class SpedGeneration {
 public:
  SpedGeneration(std::ostream& stream, uint64_t seed, const SpedGeneratorOptions& o)
      : o_(o),
        seed_(seed),
        rng_(seed),
        mm_(Two(o.month)),
        yyyy_(std::to_string(o.year)),
        w_(stream, o.crlf, summary_) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    days_ = kDays[o.month - 1];
    if (o.month == 2 && ((o.year % 4 == 0 && o.year % 100 != 0) || o.year % 400 == 0)) days_ = 29;
  }

  SpedGeneratorSummary Run(int64_t target_lines) {
    const SpedShape shape = Plan(target_lines);
    shop_cnpj_ = CnpjWithCheckDigits("4133407900" + Two(static_cast<int>(seed_ % 100)));
    WriteOpening();
    WriteParticipants(shape.parts);
    WriteProducts(shape.products);
    w_.Line("0990", {std::to_string(summary_.lines + 1)});
    w_.Line("B001", {"1"});
    w_.Line("B990", {"2"});

    // Block C: notes, then the printers.
    const int64_t c_start = summary_.lines;
    w_.Line("C001", {"0"});
    int64_t number = 1000;
    for (const NotePlan& note : shape.notes) WriteNote(note, ++number);
    for (int e = 0; e < o_.printers; ++e) WritePrinter(e, shape.printer_days);
    w_.Line("C990", {std::to_string(summary_.lines - c_start + 1)});

    WriteFreight(shape.freight);
    for (const char* b : {"E", "G", "H", "K", "1"}) {
      w_.Line(std::string(b) + "001", {"1"});
      w_.Line(std::string(b) + "990", {"2"});
    }
    w_.Block9();
    return summary_;
  }

 private:
  struct Item {
    const Product* product;
    int64_t qty, value, base, icms;
    std::string cfop;
  };

  std::string Date(int day) const { return Two(day) + mm_ + yyyy_; }

  SpedShape Plan(int64_t target_lines);
  void WriteOpening();
  void WriteParticipants(int64_t count);
  void WriteProducts(int64_t count);
  void WriteNote(const NotePlan& plan, int64_t number);
  std::vector<Item> DrawItems(const NotePlan& plan, char cfop_first, bool exit);
  void WriteItems(const std::vector<Item>& items);
  void WriteAnalyticLines(const std::vector<Item>& items);
  void WritePrinter(int e, int64_t printer_days);
  void WriteFreight(int64_t count);

  const SpedGeneratorOptions& o_;
  const uint64_t seed_;
  Rng rng_;
  const std::string mm_, yyyy_;
  int days_ = 0;
  SpedGeneratorSummary summary_;
  Writer w_;
  std::string shop_cnpj_;
  std::vector<Participant> parts_;
  std::vector<Product> products_;
};

SpedShape SpedGeneration::Plan(int64_t target_lines) {
  SpedShape shape;
  shape.parts = std::clamp<int64_t>(target_lines / 400, 10, 20000);
  shape.products = std::clamp<int64_t>(target_lines / 150, 20, 50000);
  shape.freight = std::clamp<int64_t>(target_lines / 2000, 1, 5000);
  const int per_reduction = 1 + 7 + 3;  // C405, C420 x7, C490 or C481 x3
  shape.printer_days = o_.printers == 0
                           ? 0
                           : std::clamp<int64_t>(target_lines / 5 / (o_.printers * per_reduction),
                                                 1, days_ - days_ / 7);

  // Registers present whatever the notes: their count and their lines.
  std::vector<std::string> regs = {"0000", "0001", "0005", "0100", "0150", "0190",
                                   "0200", "0990", "B001", "B990", "C001"};
  int64_t fixed = 4 + shape.parts + 1 + shape.products + 1 + 2 + 1;
  if (o_.printers > 0) {
    for (const char* r : {"C400", "C405", "C420"}) regs.push_back(r);
    regs.push_back(o_.c481 ? "C481" : "C490");
    fixed += o_.printers * (1 + shape.printer_days * per_reduction);
  }
  for (const char* r :
       {"C990", "D001", "D100", "D190", "D990", "E001", "E990", "G001", "G990", "H001", "H990",
        "K001", "K990", "1001", "1990", "9001", "9900", "9990", "9999"})
    regs.push_back(r);
  fixed += 1 + 1 + 2 * shape.freight + 1 + 2 * 5 + 1;  // C990, D block, E G H K 1, 9001
  fixed += 2;                                          // 9990, 9999
  const int64_t with_notes_regs = static_cast<int64_t>(regs.size()) + 3;  // C100 C170 C190
  int64_t budget = target_lines - fixed - with_notes_regs;                // the 9900 lines
  // The notes fill the rest: one in a hundred cancelled (a C100 alone), the
  // others with one to four items and one or two analytic lines; the last
  // one takes what is left.
  if (budget >= 3) {
    while (budget > 9) {
      NotePlan p{0, 0};
      if (!rng_.Chance(1)) {
        const auto items = static_cast<uint8_t>(rng_.Range(1, 4));
        p = {items, static_cast<uint8_t>(rng_.Range(1, std::min<int64_t>(2, items)))};
      }
      shape.notes.push_back(p);
      budget -= 1 + p.items + p.analytic;
    }
    shape.notes.push_back({static_cast<uint8_t>(budget - 2), 1});
  }
  return shape;
}

void SpedGeneration::WriteOpening() {
  const SpedTextEncoding enc = o_.encoding;
  w_.Line("0000", {"017", "0", Date(1), Date(days_), Encode("TINTAS E CIA COMÉRCIO LTDA", enc),
                   shop_cnpj_, "", "CE", "069045038", "2304400", "", "", "A", "1"});
  w_.Line("0001", {"0"});
  w_.Line("0005", {Encode("TINTAS E CIA", enc), "60000000", Encode("AV. BEZERRA DE MENEZES", enc),
                   "1000", "", "CENTRO", "8532000000", "", "contato@exemplo.com.br"});
  w_.Line("0100", {Encode("CONTADOR DA SILVA", enc), "12345678909", "CE012345O1", "", "60000000",
                   "RUA A", "10", "", "CENTRO", "8532000001", "", "c@exemplo.com.br", "2304400"});
}

// Participants: companies of the state, of other states, and consumers (CPF,
// no state registration), some consumers from other states.
void SpedGeneration::WriteParticipants(int64_t count) {
  const SpedTextEncoding enc = o_.encoding;
  for (int64_t i = 0; i < count; ++i) {
    Participant p;
    p.code = "F" + std::to_string(1000 + i);
    int kind = static_cast<int>(rng_.Range(0, 9));
    p.interstate = kind >= 5 && kind != 9;
    if (kind < 7) {
      std::string twelve = std::to_string(10000000 + rng_.Range(0, 89999999)) + "0001";
      p.cnpj = CnpjWithCheckDigits(twelve);
      p.name = Encode(std::string(rng_.Pick(kTrades)) + " " + rng_.Pick(kLastNames) + " LTDA", enc);
      p.ie = kind == 6 ? "" : std::to_string(100000000 + rng_.Range(0, 899999999));
    } else {
      p.cpf = CpfWithCheckDigits(std::to_string(100000000 + rng_.Range(0, 899999999)));
      p.name = Encode(std::string(rng_.Pick(kFirstNames)) + " " + rng_.Pick(kLastNames), enc);
    }
    p.city = p.interstate ? "2611606" : "2304400";
    w_.Line("0150",
            {p.code, p.name, "01058", p.cnpj, p.cpf, p.ie, p.city, "",
             Encode("RUA DA CONCEIÇÃO", enc), std::to_string(rng_.Range(1, 999)), "", "CENTRO"});
    parts_.push_back(std::move(p));
  }
  w_.Line("0190", {"UN", "UNIDADE"});
}

void SpedGeneration::WriteProducts(int64_t count) {
  for (int64_t i = 0; i < count; ++i) {
    Product p;
    p.code = std::to_string(100000 + i);
    p.name = Encode(std::string(rng_.Pick(kGoods)) + " " + std::to_string(rng_.Range(1, 18)) + "L",
                    o_.encoding);
    p.price = rng_.Range(350, 45000);
    p.kind = static_cast<int>(rng_.Range(0, 2));
    if (i < 3) p.kind = static_cast<int>(i);  // every kind is there
    w_.Line("0200", {p.code, p.name, std::to_string(7890000000000 + i), "", "UN", "00", "32091010",
                     "", "32", "", p.kind == 2 ? "12,00" : "18,00", ""});
    products_.push_back(std::move(p));
  }
}

void SpedGeneration::WriteNote(const NotePlan& plan, int64_t number) {
  ++summary_.notes;
  const auto n_parts = static_cast<int64_t>(parts_.size());
  const Participant& part = parts_[static_cast<size_t>(rng_.Range(0, n_parts - 1))];
  const bool exit = rng_.Chance(60);
  const int day = static_cast<int>(rng_.Range(1, days_));
  const char first = exit ? (part.interstate ? '6' : '5') : (part.interstate ? '2' : '1');
  const std::vector<Item> items = DrawItems(plan, first, exit);
  if (plan.items == 0 && plan.analytic == 0) {
    // A cancelled note keeps its number and nothing else.
    w_.CancelledC100(exit ? "1" : "0", exit ? "0" : "1", "55", "1", std::to_string(number), "");
    return;
  }
  int64_t total = 0, base_icms = 0, icms = 0;
  for (const Item& it : items) {
    total += it.value;
    base_icms += it.base;
    icms += it.icms;
  }
  const int64_t pis = total * 165 / 10000, cofins = total * 760 / 10000;
  // The access key: the issuer's state and CNPJ (the shop's for its own
  // notes, the participant's for the others), series 1, the number.
  const bool own = exit;
  std::string issuer = own ? shop_cnpj_ : !part.cnpj.empty() ? part.cnpj : "000" + part.cpf;
  std::string key = std::string(own || !part.interstate ? "23" : "26") + yyyy_.substr(2) + mm_ +
                    issuer + "55001" + std::to_string(1000000000 + number).substr(1) + "1" +
                    std::to_string(10000000 + number % 90000000);
  key += static_cast<char>('0' + NfeKeyCheckDigit(key));
  w_.Line("C100", {exit ? "1" : "0",
                   exit ? "0" : "1",
                   part.code,
                   "55",
                   "00",
                   "1",
                   std::to_string(number),
                   key,
                   Date(day),
                   Date(day),
                   Money(total),
                   "1",
                   "0,00",
                   "",
                   Money(total),
                   "9",
                   "0,00",
                   "0,00",
                   "0,00",
                   Money(base_icms),
                   Money(icms),
                   "0,00",
                   "0,00",
                   "0,00",
                   Money(pis),
                   Money(cofins),
                   "",
                   ""});
  WriteItems(items);
  WriteAnalyticLines(items);
}

// Items: value, base and the CFOP of each. The items fall into as many groups
// of CST, CFOP and rate as the note has analytic lines: the first item opens
// the first group, the second (with two analytic lines) a group of another
// kind of product, and the others join the last group opened.
std::vector<SpedGeneration::Item> SpedGeneration::DrawItems(const NotePlan& plan, char cfop_first,
                                                            bool exit) {
  auto pick = [&](int kind) -> const Product& {
    size_t at = static_cast<size_t>(rng_.Range(0, static_cast<int64_t>(products_.size()) - 1));
    for (size_t tries = 0; kind >= 0 && products_[at].kind != kind && tries < products_.size();
         ++tries)
      at = (at + 1) % products_.size();
    return products_[at];
  };
  std::vector<Item> items;
  for (int k = 0; k < plan.items; ++k) {
    const bool opens = k == 0 || (k == 1 && plan.analytic == 2);
    const int kind = k == 0  ? -1
                     : opens ? (items[0].product->kind + 1) % 3
                             : items.back().product->kind;
    const Product& pr = pick(kind);
    Item it{&pr, rng_.Range(1, 24), 0, 0, 0, {}};
    it.value = pr.price * it.qty;
    static const char* const kExit[] = {"102", "102", "102", "405", "403", "108", "949", "929"};
    static const char* const kEntry[] = {"102", "102", "403", "101", "910", "949", "202"};
    std::string end = exit ? rng_.Pick(kExit) : rng_.Pick(kEntry);
    if (pr.kind == 1) end = exit ? "405" : "403";
    it.cfop = opens || pr.kind == 1 ? std::string(1, cfop_first) + end : items.back().cfop;
    it.base = pr.kind == 1 ? 0 : it.value;
    it.icms = it.base * (pr.kind == 2 ? 12 : 18) / 100;
    items.push_back(std::move(it));
  }
  return items;
}

void SpedGeneration::WriteItems(const std::vector<Item>& items) {
  int n = 0;
  for (const Item& it : items) {
    int64_t ip = it.value * 165 / 10000, ic = it.value * 760 / 10000;
    w_.Line("C170", {std::to_string(++n),
                     it.product->code,
                     "",
                     std::to_string(it.qty) + ",00000",
                     "UN",
                     Money(it.value),
                     "0,00",
                     "0",
                     it.product->kind == 1 ? "060" : "000",
                     it.cfop,
                     "",
                     Money(it.base),
                     it.base ? (it.product->kind == 2 ? "12,00" : "18,00") : "0,00",
                     Money(it.icms),
                     "0,00",
                     "0,00",
                     "0,00",
                     "0",
                     "",
                     "",
                     "0,00",
                     "0,00",
                     "0,00",
                     "01",
                     Money(it.value),
                     "1,6500",
                     "",
                     "",
                     Money(ip),
                     "01",
                     Money(it.value),
                     "7,6000",
                     "",
                     "",
                     Money(ic),
                     "",
                     ""});
  }
}

// Analytic lines: one per group of CST, CFOP and rate, with its sums.
void SpedGeneration::WriteAnalyticLines(const std::vector<Item>& items) {
  struct Group {
    std::string cst, cfop, rate;
    int64_t value = 0, base = 0, icms = 0;
  };
  std::vector<Group> groups;
  for (const Item& it : items) {
    Group g{it.product->kind == 1 ? "060" : "000", it.cfop,
            it.base ? (it.product->kind == 2 ? "12,00" : "18,00") : "0,00"};
    auto at = std::find_if(groups.begin(), groups.end(), [&](const Group& x) {
      return x.cst == g.cst && x.cfop == g.cfop && x.rate == g.rate;
    });
    if (at == groups.end()) at = groups.insert(groups.end(), g);
    at->value += it.value;
    at->base += it.base;
    at->icms += it.icms;
  }
  for (const Group& g : groups)
    w_.Line("C190", {g.cst, g.cfop, g.rate, Money(g.value), Money(g.base), Money(g.icms), "0,00",
                     "0,00", "0,00", "0,00", ""});
}

// One fiscal printer: its C400, then a reduction a day (closed one day a
// week) with its totals by rate and their PIS or ICMS lines.
void SpedGeneration::WritePrinter(int e, int64_t printer_days) {
  w_.Line("C400",
          {"2D", "ECF-IF", "BE0" + std::to_string(910000 + e * 1111), std::to_string(e + 1)});
  int64_t crz = 100 + e * 10, coo = 5000, gt = 100000000 + e * 7777;
  for (int d = 0, day = 1; d < printer_days && day <= days_; ++day) {
    if (day % 7 == 0) continue;  // closed on one day a week
    ++d;
    ++summary_.reductions;
    int64_t t18 = rng_.Range(50000, 900000), t12 = rng_.Range(10000, 200000),
            st = rng_.Range(20000, 500000), ex = rng_.Range(0, 30000), canc = rng_.Range(0, 5000);
    int64_t gross = t18 + t12 + st + ex + canc;
    gt += gross;
    coo += rng_.Range(40, 200);
    w_.Line("C405",
            {Date(day), "1", std::to_string(++crz), std::to_string(coo), Money(gt), Money(gross)});
    w_.Line("C420", {"T1800", Money(t18), "01", ""});
    w_.Line("C420", {"T1200", Money(t12), "02", ""});
    w_.Line("C420", {"T0700", "0,00", "03", ""});
    w_.Line("C420", {"F1", Money(st), "", ""});
    w_.Line("C420", {"I1", Money(ex), "", ""});
    w_.Line("C420", {"N1", "0,00", "", ""});
    w_.Line("C420", {"Can-T", Money(canc), "", ""});
    if (o_.c481) {
      w_.Line("C481", {"01", Money(t18 + t12), Money(t18 + t12), "1,6500", "", "",
                       Money((t18 + t12) * 165 / 10000), "", ""});
      w_.Line("C481", {"04", Money(st), "0,00", "0,0000", "", "", "0,00", "", ""});
      w_.Line("C481", {"06", Money(ex), "0,00", "0,0000", "", "", "0,00", "", ""});
    } else {
      w_.Line("C490", {"000", "5102", "18,00", Money(t18), Money(t18), Money(t18 * 18 / 100), ""});
      w_.Line("C490", {"000", "5102", "12,00", Money(t12), Money(t12), Money(t12 * 12 / 100), ""});
      w_.Line("C490", {"060", "5405", "0,00", Money(st), "0,00", "0,00", ""});
    }
  }
}

// Block D: freight bills, each with its analytic line.
void SpedGeneration::WriteFreight(int64_t count) {
  const int64_t d_start = summary_.lines;
  const auto n_parts = static_cast<int64_t>(parts_.size());
  w_.Line("D001", {"0"});
  for (int64_t i = 0; i < count; ++i) {
    const Participant& part = parts_[static_cast<size_t>(rng_.Range(0, n_parts - 1))];
    int64_t value = rng_.Range(5000, 250000);
    int day = static_cast<int>(rng_.Range(1, days_));
    w_.Line("D100", {"0",
                     "1",
                     part.code,
                     "57",
                     "00",
                     "1",
                     "",
                     std::to_string(3000 + i),
                     "",
                     Date(day),
                     Date(day),
                     "0",
                     "",
                     Money(value),
                     "0,00",
                     "1",
                     Money(value),
                     Money(value),
                     Money(value * 12 / 100),
                     "0,00",
                     "",
                     "",
                     "2304400",
                     "2304400"});
    w_.Line("D190", {"000", part.interstate ? "2353" : "1353", "12,00", Money(value), Money(value),
                     Money(value * 12 / 100), "0,00", ""});
  }
  w_.Line("D990", {std::to_string(summary_.lines - d_start + 1)});
}

SpedGeneratorSummary GenerateSpedTo(std::ostream& stream, int64_t target_lines, uint64_t seed,
                                    const SpedGeneratorOptions& o) {
  if (target_lines < 1 || o.month < 1 || o.month > 12 || o.printers < 0 || o.printers > 9 ||
      o.year < 1900 || o.year > 9999)
    throw std::invalid_argument("gen-sped: bad options");
  return SpedGeneration(stream, seed, o).Run(target_lines);
}

}  // namespace

}  // namespace fiscora
