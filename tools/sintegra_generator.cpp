#include "tools/sintegra_generator.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <fstream>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "sintegra/record_layout.h"
#include "validate/check_digits.h"

namespace fiscora {

namespace {

// ------------------------------------------------------------------ random
// xoshiro256** seeded through splitmix64. Only integer arithmetic and the
// four basic floating-point operations are used on its output, so a seed
// gives the same file everywhere.

uint64_t SplitMix(uint64_t& x) {
  uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

class Rng {
 public:
  Rng(uint64_t seed, uint64_t stream) {
    uint64_t x = seed ^ (stream * 0xD1B54A32D192ED03ull);
    for (auto& s : s_) s = SplitMix(x);
  }
  uint64_t Next() {
    const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
  }
  // 0 <= r < n (n > 0).
  uint64_t Below(uint64_t n) { return n == 0 ? 0 : Next() % n; }
  // lo <= r <= hi.
  int64_t Range(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(Below(static_cast<uint64_t>(hi - lo) + 1));
  }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Between(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  bool Chance(double p) { return Unit() < p; }
  template <class T>
  void Shuffle(std::vector<T>& v) {
    for (size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[Below(i)]);
  }
  template <class T, size_t N>
  const T& Pick(const T (&a)[N]) {
    return a[Below(N)];
  }

 private:
  static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  uint64_t s_[4];
};

// ------------------------------------------------------------------ lines

// One record of 126 columns, blanks until set; fields by their spec in the
// record layouts.
class Line {
 public:
  explicit Line(std::string_view type) {
    std::memset(c_, ' ', sizeof c_);
    std::memcpy(c_, type.data(), type.size());
  }
  // Text on the left of the field, blanks on the right, cut to the width.
  Line& Text(const FieldSpec& f, std::string_view s) {
    std::memcpy(c_ + f.first - 1, s.data(), std::min(s.size(), static_cast<size_t>(f.width)));
    return *this;
  }
  // Digits with zeros on the left, the field's decimals included (v in
  // units of 10^-decimals); a value too wide keeps its last digits.
  Line& Num(const FieldSpec& f, int64_t v) {
    if (v < 0) v = 0;
    char* p = c_ + f.first - 1 + f.width;
    for (int i = 0; i < f.width; ++i) {
      *--p = static_cast<char>('0' + v % 10);
      v /= 10;
    }
    return *this;
  }
  const char* data() const { return c_; }

 private:
  char c_[kRecordWidth];
};

enum Kind { k10, k11, k50, k54, k60M, k60A, k60D, k60I, k60R, k61R, k70, k74, k75, k90, kKinds };
constexpr const char* kKindNames[kKinds] = {"10",  "11",  "50",  "54", "60M", "60A", "60D",
                                            "60I", "60R", "61R", "70", "74",  "75",  "90"};

// Lines into a large buffer, handed to a stream or a string block by block.
class Writer {
 public:
  Writer(std::ostream* os, std::string* str, bool crlf) : os_(os), str_(str), crlf_(crlf) {
    buf_.resize(kBlock);
  }
  void Put(const Line& line, Kind kind) {
    ++counts_[kind];
    ++lines_;
    if (holding_)
      held_.push_back(line);
    else
      Emit(line);
  }
  // Lines put from Hold() on are kept, and written at Release() in a
  // shuffled order (counted as they are put).
  void Hold() { holding_ = true; }
  void Release(Rng& rng) {
    holding_ = false;
    rng.Shuffle(held_);
    for (const Line& line : held_) Emit(line);
    held_ = {};
  }
  void Flush() {
    if (used_ == 0) return;
    if (os_) {
      os_->write(buf_.data(), static_cast<std::streamsize>(used_));
      if (!*os_) throw std::runtime_error("could not write the generated file");
    } else {
      str_->append(buf_.data(), used_);
    }
    bytes_ += static_cast<int64_t>(used_);
    used_ = 0;
  }
  int64_t lines() const { return lines_; }
  int64_t bytes() const { return bytes_; }
  int64_t count(Kind k) const { return counts_[k]; }

 private:
  void Emit(const Line& line) {
    if (used_ + 128 > buf_.size()) Flush();
    std::memcpy(&buf_[used_], line.data(), 126);
    used_ += 126;
    if (crlf_) buf_[used_++] = '\r';
    buf_[used_++] = '\n';
  }

  static constexpr size_t kBlock = size_t{4} << 20;
  std::ostream* os_;
  std::string* str_;
  bool crlf_;
  std::vector<char> buf_;
  size_t used_ = 0;
  int64_t lines_ = 0, bytes_ = 0;
  std::array<int64_t, kKinds> counts_{};
  bool holding_ = false;
  std::vector<Line> held_;
};

// ------------------------------------------------------------------ calendar

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}
// 0 Sunday .. 6 Saturday.
int Weekday(int y, int m, int d) {
  static constexpr int t[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) y -= 1;
  return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

// ------------------------------------------------------------------ documents

std::string Digits(Rng& rng, int n) {
  std::string s(static_cast<size_t>(n), '0');
  for (auto& c : s) c = static_cast<char>('0' + rng.Below(10));
  return s;
}

std::string Padded(int64_t v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
  return s;
}

int Mod11Digit(std::string_view digits, const int* weights) {
  int sum = 0;
  for (size_t i = 0; i < digits.size(); ++i) sum += (digits[i] - '0') * weights[i];
  int r = sum % 11;
  return r < 2 ? 0 : 11 - r;
}

// State registration of Santa Catarina: eight digits and a mod-11 digit.
std::string IeSantaCatarina(Rng& rng) {
  static constexpr int w[8] = {9, 8, 7, 6, 5, 4, 3, 2};
  std::string s = std::to_string(rng.Range(25, 26)) + Digits(rng, 6);
  s += static_cast<char>('0' + Mod11Digit(s, w));
  return s;
}

// A state registration of another state, with the length of that state and
// check digits that pass its rule: random digits, then the check digit
// positions tried until the number is valid.
std::string IeOtherState(Rng& rng, std::string_view uf) {
  struct Form {
    const char* uf;
    size_t size;
    size_t first, second;  // check digit positions; second == first for one digit
  };
  static constexpr Form kForms[] = {
      {"PR", 10, 8, 9}, {"SP", 12, 8, 11}, {"RS", 10, 9, 9}, {"MG", 13, 11, 12}};
  for (const Form& f : kForms) {
    if (uf != f.uf) continue;
    std::string s = Digits(rng, static_cast<int>(f.size));
    for (char a = '0'; a <= '9'; ++a) {
      s[f.first] = a;
      for (char b = '0'; b <= '9'; ++b) {
        s[f.second] = f.second == f.first ? a : b;
        if (CheckIe(uf, s) == IeCheck::kValid) return s;
      }
    }
  }
  throw std::logic_error("gen-sintegra: no state registration form for " + std::string(uf));
}

std::string Ean13(uint64_t body9) {
  std::string s = "789" + Padded(static_cast<int64_t>(body9 % 1000000000), 9);
  int sum = 0;
  for (size_t i = 0; i < 12; ++i) sum += (s[i] - '0') * (i % 2 == 0 ? 1 : 3);
  s += static_cast<char>('0' + (10 - sum % 10) % 10);
  return s;
}

// ------------------------------------------------------------------ rates and goods

enum Rate : int8_t { R1700, R0700, R1200, R2500, RF, RI, RN, kRateCount };
struct RateInfo {
  const char* text;
  int bp;  // hundredths of a percent
  bool taxed;
};
// clang-format off
constexpr RateInfo kRates[kRateCount] = {{"1700", 1700, true}, {"0700", 700, true},
                                         {"1200", 1200, true}, {"2500", 2500, true},
                                         {"F", 0, false},      {"I", 0, false},
                                         {"N", 0, false}};
// clang-format on

int64_t Icms(int64_t base, int bp) { return (base * bp + 5000) / 10000; }

struct Category {
  const char* name;
  const char* ncm;
  const char* unit;  // "KG": sold by weight
  Rate rate;
  int min_price, max_price;  // reais
  const char* sizes;         // '|' between the choices
  bool branded;
};

// clang-format off
constexpr Category kCategories[] = {
    {"ARROZ BRANCO TIPO 1", "10063021", "UN", R0700, 5, 32, "1KG|2KG|5KG", true},
    {"ARROZ PARBOILIZADO", "10063011", "UN", R0700, 5, 30, "1KG|5KG", true},
    {"FEIJAO CARIOCA", "07133319", "UN", R0700, 6, 12, "1KG|500G", true},
    {"FEIJAO PRETO", "07133390", "UN", R0700, 6, 12, "1KG", true},
    {"ACUCAR CRISTAL", "17019900", "UN", R0700, 4, 22, "1KG|2KG|5KG", true},
    {"CAFE TORRADO E MOIDO", "09012100", "UN", R0700, 12, 40, "250G|500G", true},
    {"LEITE UHT INTEGRAL", "04012010", "UN", R0700, 4, 7, "1L", true},
    {"OLEO DE SOJA", "15079011", "UN", R0700, 6, 10, "900ML", true},
    {"MACARRAO ESPAGUETE", "19021900", "UN", R1700, 3, 8, "500G|1KG", true},
    {"FARINHA DE TRIGO", "11010010", "UN", R1200, 4, 20, "1KG|5KG", true},
    {"MARGARINA CREMOSA", "15171000", "UN", R1200, 5, 12, "250G|500G|1KG", true},
    {"BISCOITO RECHEADO", "19053100", "UN", R1700, 2, 6, "100G|140G", true},
    {"BISCOITO CREAM CRACKER", "19059020", "UN", R1700, 3, 7, "200G|400G", true},
    {"CHOCOLATE AO LEITE", "18063210", "UN", RF, 4, 15, "90G|150G", true},
    {"REFRIGERANTE COLA", "22021000", "UN", RF, 4, 12, "350ML|600ML|2L", true},
    {"REFRIGERANTE GUARANA", "22021000", "UN", RF, 4, 11, "350ML|2L", true},
    {"SUCO DE UVA INTEGRAL", "20096100", "UN", R1700, 8, 25, "1L|1,5L", true},
    {"AGUA MINERAL SEM GAS", "22011000", "UN", RF, 1, 5, "500ML|1,5L", true},
    {"CERVEJA PILSEN LATA", "22030000", "UN", RF, 3, 7, "350ML|473ML", true},
    {"VINHO TINTO SECO", "22042100", "UN", R2500, 25, 120, "750ML", true},
    {"SABAO EM PO", "34022000", "UN", R1700, 8, 35, "800G|1,6KG", true},
    {"DETERGENTE LIQUIDO", "34022000", "UN", R1700, 2, 5, "500ML", true},
    {"AMACIANTE DE ROUPAS", "38099190", "UN", R1700, 6, 25, "2L|5L", true},
    {"PAPEL HIGIENICO FOLHA DUPLA", "48181000", "PCT", R1700, 8, 30, "4 ROLOS|12 ROLOS", true},
    {"SABONETE EM BARRA", "34011190", "UN", R1700, 2, 6, "85G", true},
    {"CREME DENTAL", "33061000", "UN", R1700, 3, 9, "90G", true},
    {"SHAMPOO", "33051000", "UN", R2500, 10, 40, "350ML", true},
    {"DESODORANTE AEROSOL", "33072010", "UN", R2500, 12, 25, "150ML", true},
    {"PERFUME COLONIA", "33030020", "UN", R2500, 40, 300, "100ML", true},
    {"RACAO PARA CAES ADULTOS", "23091000", "UN", R1200, 15, 180, "1KG|10KG|15KG", true},
    {"PILHA ALCALINA AA", "85061019", "CART", RF, 8, 25, "2 UN|4 UN", true},
    {"LAMPADA LED BRANCA", "85395000", "UN", RF, 8, 30, "9W|12W", true},
    {"CARVAO VEGETAL", "44029000", "UN", R1700, 15, 30, "3KG|5KG", true},
    {"SACOLA RETORNAVEL", "63053390", "UN", RN, 2, 6, "MEDIA|GRANDE", false},
    {"OVOS BRANCOS", "04072100", "DZ", RI, 9, 16, "GRANDES|EXTRA", true},
    {"CARNE BOVINA PATINHO", "02013000", "KG", R0700, 35, 55, "KG|BANDEJA KG", false},
    {"CARNE BOVINA ALCATRA", "02013000", "KG", R0700, 40, 70, "KG|PECA KG", false},
    {"PEITO DE FRANGO", "02071400", "KG", R0700, 15, 28, "KG|BANDEJA KG", false},
    {"LINGUICA TOSCANA", "16010000", "KG", RF, 18, 35, "KG", true},
    {"QUEIJO MUSSARELA FATIADO", "04061010", "KG", R1200, 35, 60, "KG", true},
    {"PRESUNTO COZIDO FATIADO", "16024900", "KG", R1700, 25, 45, "KG", true},
    {"PAO FRANCES", "19059090", "KG", R1700, 12, 20, "KG", false},
    {"BANANA PRATA", "08039000", "KG", RI, 4, 9, "KG|ORGANICA KG", false},
    {"TOMATE ITALIANO", "07020000", "KG", RI, 5, 12, "KG", false},
    {"BATATA INGLESA", "07019000", "KG", RI, 3, 8, "KG|LAVADA KG", false},
    {"CEBOLA", "07031019", "KG", RI, 3, 9, "KG|ROXA KG", false},
    {"MACA GALA", "08081000", "KG", RI, 7, 14, "KG", false},
};
constexpr const char* kBrands[] = {
    "BOM GRAO", "SOL NASCENTE", "VALE VERDE", "DONA NICE", "SERRANA", "PRIMOR DO SUL",
    "CAMPO BELO", "TERRA BOA", "ESTRELA DO VALE", "NOBRE SABOR", "BELA VISTA",
    "SABOR DA ROCA", "CRISTALINA", "MONTE ALTO", "RIO CLARO", "CASA NOVA", "TRES PINHEIROS",
    "ALVORADA", "GRAO DE OURO", "VIDA LEVE", "RECANTO", "PONTE ALTA",
};
constexpr const char* kShopKinds[] = {"SUPERMERCADO", "MERCADO", "EMPORIO", "MINIMERCADO",
                                      "COMERCIAL"};
constexpr const char* kShopNames[] = {"BOA VIZINHANCA", "SOL DO VALE", "PORTO NOVO",
                                      "TRES IRMAOS", "SERRA AZUL", "NOVA ALIANCA", "BEIRA RIO",
                                      "RECANTO DAS ARAUCARIAS", "VILA DAS FLORES"};
constexpr const char* kCities[] = {"JOINVILLE", "BLUMENAU", "CHAPECO",   "CRICIUMA",
                                   "ITAJAI",    "LAGES",    "BRUSQUE",   "TUBARAO",
                                   "PALHOCA",   "CONCORDIA", "JARAGUA DO SUL"};
constexpr const char* kStreets[] = {"RUA DAS ACACIAS", "AVENIDA CENTRAL", "RUA DOS IPES",
                                    "RUA SETE DE SETEMBRO", "RUA DAS PALMEIRAS",
                                    "AVENIDA BRASIL", "RUA QUINZE DE NOVEMBRO"};
constexpr const char* kDistricts[] = {"CENTRO", "JARDIM AMERICA", "VILA NOVA", "BOA VISTA",
                                      "SAO JOSE"};
constexpr const char* kContacts[] = {"MARIA APARECIDA DA SILVA", "JOSE CARLOS PEREIRA",
                                     "ANA PAULA FERREIRA", "CARLOS EDUARDO SOUZA",
                                     "LUCIANA MARTINS ROCHA"};
constexpr const char* kOtherStates[] = {"PR", "SP", "RS", "PR", "SP", "MG"};
constexpr const char* kPrinterMakers[] = {"BE", "DR", "EP", "SW", "ZP", "MD"};
// clang-format on

std::vector<std::string_view> Split(const char* s) {
  std::vector<std::string_view> out;
  std::string_view v(s);
  for (;;) {
    size_t bar = v.find('|');
    out.push_back(v.substr(0, bar));
    if (bar == std::string_view::npos) break;
    v.remove_prefix(bar + 1);
  }
  return out;
}

// A price in cents between the bounds, cheaper ones more likely, with the
// endings shops use.
int64_t ShopPrice(Rng& rng, int min_reais, int max_reais) {
  double u = rng.Unit();
  double reais = min_reais + (max_reais - min_reais) * u * u;
  static constexpr int kEndings[] = {90, 99, 49, 89, 79, 59, 29, 98, 95, 50};
  int64_t whole = static_cast<int64_t>(reais);
  return whole * 100 + rng.Pick(kEndings);
}

struct Product {
  std::string code;
  std::string description;
  std::string unit;
  const char* ncm = "";
  Rate rate = R1700;
  int8_t alt_rate = -1;  // some items rung up at this rate
  bool weighed = false;
  bool ecf = false;   // sold at the printers
  int64_t price = 0;  // cents
  int64_t cost = 0;
  int change_day = INT_MAX;  // day index from which changed_price holds
  int64_t changed_price = 0;
  int promo_from = 0, promo_to = 0;  // day indexes [from, to) at promo_price
  int64_t promo_price = 0;
  double popularity = 1;
  int64_t PriceOn(int day) const {
    if (promo_price > 0 && day >= promo_from && day < promo_to) return promo_price;
    return day >= change_day ? changed_price : price;
  }
};

struct Party {
  std::string cnpj;  // 14 characters; an individual's CPF with zeros in front
  std::string ie;
  std::string uf;
  std::string series;
  int64_t next_number = 1;
};

struct NoteItem {
  int32_t product;
  int64_t qty_milli, value, discount, base, base_st, ipi;
};

struct Note {
  int day;  // 1-based day of the month
  int cfop;
  char issuer;  // 'P' the shop, 'T' the other party
  const Party* party;
  int64_t number;
  int rate_bp;  // 0 when the note carries no ICMS
  bool taxed;
  const char* cst;
  size_t first_item, item_count;
};

struct NoteKind {
  int cfop;
  bool entry;
  char issuer;
  int party;  // 0 supplier here, 1 supplier elsewhere, 2 customer here, 3 customer elsewhere
  int share;  // per cent of the notes
};
constexpr NoteKind kNoteKinds[] = {
    {1102, true, 'T', 0, 40}, {2102, true, 'T', 1, 12}, {1403, true, 'T', 0, 10},
    {1202, true, 'P', 2, 2},  {1556, true, 'T', 0, 3},  {5102, false, 'P', 2, 15},
    {6102, false, 'P', 3, 4}, {5405, false, 'P', 2, 6}, {5202, false, 'P', 0, 2},
    {5929, false, 'P', 2, 6},
};

// A fiscal printer's records of one working day.
struct PrinterDay {
  int day_index;  // into the working days
  int printer;
  size_t first_slot = 0;
  int64_t slots = 0;  // 60D lines: products (and rates) sold
  int64_t items = 0;  // 60I lines
};

// One product at one rate on one printer day.
struct Slot {
  int32_t product;
  Rate rate;
  bool odd_rate;  // the product's other rate
  int64_t items;
};

struct Printer {
  std::string serial;
  int64_t coo, crz, cro, grand_total;
};

// Splits total over the weights by cumulative rounding: exact sum, each part
// at least min_each (total >= min_each * parts).
void Allocate(int64_t total, const std::vector<double>& weights, int64_t min_each,
              std::vector<int64_t>& out) {
  size_t n = weights.size();
  out.assign(n, min_each);
  int64_t rest = total - min_each * static_cast<int64_t>(n);
  if (n == 0 || rest <= 0) return;
  double sum = 0;
  for (double w : weights) sum += w;
  double cum = 0;
  int64_t given = 0;
  for (size_t i = 0; i < n; ++i) {
    cum += weights[i];
    int64_t upto =
        i + 1 == n ? rest : static_cast<int64_t>(static_cast<double>(rest) * (cum / sum));
    upto = std::clamp(upto, given, rest);
    out[i] += upto - given;
    given = upto;
  }
}

// ------------------------------------------------------------------ generator

class Generator {
 public:
  Generator(int64_t target, uint64_t seed, const GeneratorOptions& o)
      : target_(target), seed_(seed), o_(o) {
    if (target < 1) throw std::invalid_argument("the number of lines must be at least 1");
    if (o.month < 1 || o.month > 12 || o.year < 1900 || o.year > 9999)
      throw std::invalid_argument("bad period");
    if (o.printers < 0 || o.printers > 9) throw std::invalid_argument("printers: 1 to 9");
    if (!(o.rate_mismatch_share >= 0 && o.rate_mismatch_share <= 1) ||
        !(o.price_spread_share >= 0 && o.price_spread_share <= 1) || o.note_percent < 1 ||
        o.note_percent > 40)
      throw std::invalid_argument("shares: 0 to 1");
  }

  void Run(Writer& w, GeneratorSummary& summary) {
    Plan();
    WriteHeader(w);
    if (o_.shuffled) w.Hold();
    WriteNotes(w);
    WritePrinters(w);
    WriteMonthly(w);
    WriteTransport(w);
    WriteInventory(w);
    WriteProducts(w);
    if (o_.shuffled) {
      Rng rng(seed_, 9);
      w.Release(rng);
    }
    WriteTotals(w);
    w.Flush();
    summary.lines = w.lines();
    summary.bytes = w.bytes();
    for (int k = 0; k < kKinds; ++k)
      if (w.count(static_cast<Kind>(k)) > 0)
        summary.by_kind[kKindNames[k]] = w.count(static_cast<Kind>(k));
    summary.cnpj = cnpj_;
    summary.printers = static_cast<int>(printers_.size());
    summary.days = static_cast<int>(days_.size());
    summary.products = static_cast<int64_t>(products_.size());
  }

 private:
  void Plan();
  void PlanShop();
  void PlanProducts(int64_t count, int64_t ecf_count);
  void PlanPrinterDays(int64_t budget);
  void PlanNotes(int64_t notes, int64_t items, int64_t expected_sales);
  void PlanParties(Rng& rng, int64_t notes);
  struct NoteDraft {
    int day;
    const NoteKind* kind;
  };
  std::vector<NoteDraft> DraftNotes(Rng& rng, int64_t notes);
  NoteItem DrawNoteItem(Rng& rng, const NoteKind& kind, bool taxed, bool with_ipi,
                        int64_t entry_item, int64_t sale_item);
  Party MakeParty(Rng& rng, bool elsewhere, bool individual);

  void WriteHeader(Writer& w);
  void WriteNotes(Writer& w);
  // What the printers sold: an item of a coupon, and sums of quantity and value.
  struct CouponItem {
    uint32_t slot;
    int64_t qty, unit, value;
  };
  struct Sum {
    int64_t qty = 0, value = 0;
  };
  struct PrinterDayScratch {
    std::vector<CouponItem> items;
    std::vector<Sum> slot_sums;
    std::vector<uint32_t> order;
    std::vector<uint32_t> coupon_sizes;
  };
  void WritePrinters(Writer& w);
  void WritePrinterDay(Writer& w, const PrinterDay& pd, Rng& rng, const std::vector<int32_t>& rank,
                       std::vector<Sum>& month, PrinterDayScratch& scratch);
  void WriteDayProducts(Writer& w, const PrinterDay& pd, const std::string& serial, int64_t date,
                        const std::vector<int32_t>& rank, PrinterDayScratch& scratch);
  void WriteCoupons(Writer& w, const PrinterDay& pd, Printer& printer, int64_t date,
                    const PrinterDayScratch& scratch);
  void WriteMonthTotals(Writer& w, const std::vector<Sum>& month);
  void WriteMonthly(Writer& w);
  void WriteTransport(Writer& w);
  void WriteInventory(Writer& w);
  void WriteProducts(Writer& w);
  void WriteTotals(Writer& w);

  int64_t Date(int day) const { return o_.year * 10000LL + o_.month * 100LL + day; }

  int64_t target_;
  uint64_t seed_;
  GeneratorOptions o_;
  int days_in_month_ = 30;

  // the shop
  std::string cnpj_, ie_, name_, city_, street_, district_, contact_;
  int64_t street_number_ = 0, cep_ = 0, phone_ = 0;

  std::vector<Product> products_;
  std::vector<int32_t> by_code_;  // product indexes in code order
  std::vector<int32_t> ecf_;      // products sold at the printers
  std::vector<int> days_;         // working days (day of the month)
  std::vector<Printer> printers_;
  std::vector<PrinterDay> pds_;
  std::vector<Slot> slots_;

  std::vector<Party> suppliers_here_, suppliers_elsewhere_, customers_here_, customers_elsewhere_,
      carriers_;
  std::vector<Note> notes_;
  std::vector<NoteItem> note_items_;

  int64_t n61r_ = 0, n70_ = 0, n74_ = 0;
  std::vector<int32_t> inventory_;  // products of record 74
};

Party Generator::MakeParty(Rng& rng, bool elsewhere, bool individual) {
  Party p;
  if (individual) {
    p.cnpj = "000" + CpfWithCheckDigits(Digits(rng, 9));
    p.ie = "ISENTO";
    p.uf = elsewhere ? rng.Pick(kOtherStates) : "SC";
  } else {
    std::string root = std::to_string(rng.Range(10, 99)) + Digits(rng, 6);
    p.cnpj = CnpjWithCheckDigits(root + (rng.Chance(0.8) ? "0001" : "000" + Digits(rng, 1)));
    if (!elsewhere) {
      p.uf = "SC";
      p.ie = IeSantaCatarina(rng);
    } else {
      p.uf = rng.Pick(kOtherStates);
      p.ie = IeOtherState(rng, p.uf);
    }
  }
  static constexpr const char* kSeries[] = {"1", "1", "1", "2", "3"};
  p.series = rng.Pick(kSeries);
  p.next_number = rng.Range(1000, 800000);
  return p;
}

void Generator::PlanShop() {
  Rng rng(seed_, 1);
  cnpj_ = CnpjWithCheckDigits(std::to_string(rng.Range(10, 99)) + Digits(rng, 6) + "0001");
  ie_ = IeSantaCatarina(rng);
  name_ = std::string(rng.Pick(kShopKinds)) + " " + rng.Pick(kShopNames) + " LTDA";
  city_ = rng.Pick(kCities);
  street_ = rng.Pick(kStreets);
  district_ = rng.Pick(kDistricts);
  contact_ = rng.Pick(kContacts);
  street_number_ = rng.Range(10, 3500);
  cep_ = rng.Range(88000, 89999) * 1000 + rng.Range(0, 999);
  phone_ = 4700000000LL + rng.Range(30000000, 39999999);
}

void Generator::PlanProducts(int64_t count, int64_t ecf_count) {
  Rng rng(seed_, 2);
  constexpr size_t kCats = sizeof kCategories / sizeof kCategories[0];
  const uint64_t ean_offset = rng.Below(1000000000);
  int64_t weighed_number = rng.Range(1000, 5000);
  products_.resize(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    Product& p = products_[static_cast<size_t>(i)];
    const Category& c = kCategories[rng.Below(kCats)];
    p.weighed = std::string_view(c.unit) == "KG";
    p.ncm = c.ncm;
    p.rate = c.rate;
    // Codes: EAN-13 for packed goods (the body scrambled so that codes are
    // unique), a short internal code for goods sold by weight.
    if (p.weighed) {
      p.code = "2" + Padded(weighed_number++, 6);
    } else {
      p.code = Ean13(static_cast<uint64_t>(i) * 387420489ull + ean_offset);
    }
    std::vector<std::string_view> sizes = Split(c.sizes);
    p.description = c.name;
    if (c.branded) p.description += std::string(" ") + rng.Pick(kBrands);
    p.description += " ";
    p.description += sizes[rng.Below(sizes.size())];
    if (p.description.size() > 53) p.description.resize(53);
    p.unit = c.unit;
    if (p.unit == "UN" && rng.Chance(0.3)) p.unit = "UNID";
    p.price = ShopPrice(rng, c.min_price, c.max_price);
    p.cost = p.price * rng.Range(55, 75) / 100;
  }

  // The printers sell most products; the others are only bought or kept in
  // stock. The first of the shuffled list sell best.
  std::vector<int32_t> order(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) order[static_cast<size_t>(i)] = static_cast<int32_t>(i);
  rng.Shuffle(order);
  ecf_.assign(order.begin(), order.begin() + ecf_count);
  for (size_t r = 0; r < ecf_.size(); ++r) {
    Product& p = products_[static_cast<size_t>(ecf_[r])];
    p.ecf = true;
    p.popularity = 100.0 / (static_cast<double>(r) + 20.0) * rng.Between(0.7, 1.3);
  }
  for (size_t r = static_cast<size_t>(ecf_count); r < order.size(); ++r)
    inventory_.push_back(order[r]);

  by_code_ = order;
  std::sort(by_code_.begin(), by_code_.end(), [&](int32_t a, int32_t b) {
    return products_[static_cast<size_t>(a)].code < products_[static_cast<size_t>(b)].code;
  });
}

void Generator::Plan() {
  days_in_month_ = DaysInMonth(o_.year, o_.month);
  PlanShop();
  Rng rng(seed_, 3);

  const int64_t n = target_;
  n61r_ = std::clamp<int64_t>(n / 5000, 1, 200);
  n70_ = std::clamp<int64_t>(n / 2000, 1, 500);
  const int64_t n50 = std::max<int64_t>(2, n * o_.note_percent / 100);
  const int64_t n54 = std::max<int64_t>(n50, n * 15 / 100);
  const int64_t n_products = std::max<int64_t>(8, n * 45 / 1000);
  const int64_t n_ecf = std::max<int64_t>(4, n_products * 92 / 100);
  n74_ = std::max<int64_t>(n_products - n_ecf,
                           std::min<int64_t>(n_products, std::max<int64_t>(2, n * 4 / 100)));
  n61r_ = std::min(n61r_, n_ecf);

  PlanProducts(n_products, n_ecf);

  // Products with an odd rate on some items, and products on promotion.
  const auto share = [&](double s) {
    return std::min(n_ecf, static_cast<int64_t>(static_cast<double>(n_ecf) * s + 0.5));
  };
  const int64_t n_odd = share(o_.rate_mismatch_share);
  const int64_t n_promo = share(o_.price_spread_share);
  {
    std::vector<int32_t> pick = ecf_;
    rng.Shuffle(pick);
    static constexpr Rate kOdd[] = {R1700, R0700, R1200, RF, RI};
    for (int64_t i = 0; i < n_odd; ++i) {
      Product& p = products_[static_cast<size_t>(pick[static_cast<size_t>(i)])];
      Rate r;
      do r = rng.Pick(kOdd);
      while (r == p.rate);
      p.alt_rate = r;
    }
    rng.Shuffle(pick);
    for (int64_t i = 0; i < n_promo; ++i) {
      Product& p = products_[static_cast<size_t>(pick[static_cast<size_t>(i)])];
      p.promo_price = std::max<int64_t>(1, p.price * rng.Range(55, 62) / 100);
      p.promo_from = static_cast<int>(rng.Range(0, 15));
      p.promo_to = p.promo_from + static_cast<int>(rng.Range(2, 7));
    }
    // Ordinary price rises during the month.
    for (int32_t id : ecf_) {
      Product& p = products_[static_cast<size_t>(id)];
      if (rng.Chance(0.04)) {
        p.change_day = static_cast<int>(rng.Range(3, 20));
        p.changed_price = p.price * rng.Range(103, 110) / 100 / 10 * 10 + 9;
      }
    }
  }

  // Printers and working days (Sundays closed).
  int n_printers = o_.printers > 0 ? o_.printers : static_cast<int>(rng.Range(3, 5));
  for (int d = 1; d <= days_in_month_; ++d)
    if (Weekday(o_.year, o_.month, d) != 0) days_.push_back(d);

  const int64_t n60r = n_ecf + n_odd;
  const int64_t rest = n - 3 - n61r_ - n70_ - n50 - n54 - n_products - n74_ - n60r;
  const int64_t need = 2 * (n_ecf + n_odd);
  auto fits = [&](int64_t pd) { return 10 * pd * 100 <= rest * 15 && rest - 10 * pd >= need; };
  int n_days = static_cast<int>(days_.size());
  while (n_days > 1 && !fits(static_cast<int64_t>(n_days) * n_printers)) --n_days;
  while (n_printers > 1 && !fits(static_cast<int64_t>(n_days) * n_printers)) --n_printers;
  if (n_days < static_cast<int>(days_.size())) {
    // Keep days spread over the month.
    std::vector<int> kept;
    for (int i = 0; i < n_days; ++i)
      kept.push_back(days_[static_cast<size_t>(i) * days_.size() / static_cast<size_t>(n_days)]);
    days_ = kept;
  }

  for (int i = 0; i < n_printers; ++i) {
    Printer p;
    p.serial =
        std::string(rng.Pick(kPrinterMakers)) + Padded(rng.Range(1000, 1299), 4) + Digits(rng, 9);
    p.coo = rng.Range(1000, 400000);
    p.crz = rng.Range(100, 1500);
    p.cro = rng.Range(1, 4);
    p.grand_total = rng.Range(10000000, 900000000) * 100 + rng.Range(0, 99);
    printers_.push_back(p);
  }

  PlanPrinterDays(rest - 10 * static_cast<int64_t>(days_.size()) * n_printers);

  // Expected coupon sales, to size the purchases against them.
  int64_t expected = 0;
  for (const Slot& s : slots_) {
    const Product& p = products_[static_cast<size_t>(s.product)];
    expected += s.items * p.price * (p.weighed ? 1825 : 2025) / 1000;
  }
  PlanNotes(n50, n54, expected);

  // Inventory: every product not sold at the printers, then others.
  std::vector<int32_t> others = ecf_;
  rng.Shuffle(others);
  for (size_t i = 0; static_cast<int64_t>(inventory_.size()) < n74_ && i < others.size(); ++i)
    inventory_.push_back(others[i]);
  std::sort(inventory_.begin(), inventory_.end(), [&](int32_t a, int32_t b) {
    return products_[static_cast<size_t>(a)].code < products_[static_cast<size_t>(b)].code;
  });
}

void Generator::PlanPrinterDays(int64_t budget) {
  Rng rng(seed_, 4);
  const int64_t n_ecf = static_cast<int64_t>(ecf_.size());
  int64_t n_odd = 0;
  for (int32_t id : ecf_) n_odd += products_[static_cast<size_t>(id)].alt_rate >= 0;

  for (size_t d = 0; d < days_.size(); ++d)
    for (size_t p = 0; p < printers_.size(); ++p)
      pds_.push_back({static_cast<int>(d), static_cast<int>(p)});
  const int64_t n_pd = static_cast<int64_t>(pds_.size());

  // Saturdays are busy, Mondays quiet; the first printer takes most.
  std::vector<double> weights;
  for (const PrinterDay& pd : pds_) {
    int wd = Weekday(o_.year, o_.month, days_[static_cast<size_t>(pd.day_index)]);
    double w = wd == 6 ? 1.35 : wd == 5 ? 1.15 : wd == 1 ? 0.85 : 1.0;
    w *= pd.printer == 0 ? 1.25 : pd.printer == 1 ? 1.1 : 1.0;
    if (pd.printer > 0 && pd.printer + 1 == static_cast<int>(printers_.size())) w *= 0.75;
    weights.push_back(w * rng.Between(0.9, 1.1));
  }

  int64_t slots = std::max({n_ecf, n_pd, (budget - n_odd) * 24 / 100});
  slots = std::min(slots, n_pd * n_ecf);
  std::vector<int64_t> per_pd;
  Allocate(slots, weights, 1, per_pd);
  for (size_t k = 0; k < pds_.size(); ++k) pds_[k].slots = std::min(per_pd[k], n_ecf);

  // Best sellers appear on every printer day; the rest go round, so that
  // every product is sold at least once in the month.
  int64_t min_slots = n_ecf;
  int64_t total_slots = 0;
  for (const PrinterDay& pd : pds_) {
    min_slots = std::min(min_slots, pd.slots);
    total_slots += pd.slots;
  }
  int64_t core = std::min(n_ecf / 10, min_slots / 4);
  if (total_slots - core * n_pd < n_ecf - core) core = 0;

  std::vector<char> odd_done(products_.size(), 0);
  const int64_t ring = n_ecf - core;
  int64_t offset = 0;
  std::vector<double> slot_weights;
  std::vector<int64_t> slot_items;
  for (PrinterDay& pd : pds_) {
    pd.first_slot = slots_.size();
    auto add = [&](int32_t id) {
      Product& p = products_[static_cast<size_t>(id)];
      slots_.push_back({id, p.rate, false, 0});
      if (p.alt_rate >= 0 && (o_.odd_rate_every_day || !odd_done[static_cast<size_t>(id)])) {
        odd_done[static_cast<size_t>(id)] = 1;
        slots_.push_back({id, static_cast<Rate>(p.alt_rate), true, 0});
      }
    };
    for (int64_t i = 0; i < core; ++i) add(ecf_[static_cast<size_t>(i)]);
    for (int64_t i = 0; i < pd.slots - core; ++i)
      add(ecf_[static_cast<size_t>(core + (offset + i) % ring)]);
    offset = ring > 0 ? (offset + pd.slots - core) % ring : 0;
    pd.slots = static_cast<int64_t>(slots_.size() - pd.first_slot);
  }

  // Coupon items: at least one per slot, the rest by the day's weight.
  int64_t all_slots = static_cast<int64_t>(slots_.size());
  int64_t items = std::max(budget - all_slots, all_slots);
  std::vector<int64_t> extra;
  Allocate(items - all_slots, weights, 0, extra);
  for (size_t k = 0; k < pds_.size(); ++k) {
    PrinterDay& pd = pds_[k];
    pd.items = pd.slots + extra[k];
    slot_weights.clear();
    for (int64_t j = 0; j < pd.slots; ++j) {
      const Slot& s = slots_[pd.first_slot + static_cast<size_t>(j)];
      double w = products_[static_cast<size_t>(s.product)].popularity * rng.Between(0.5, 1.5);
      slot_weights.push_back(s.odd_rate ? w * 0.02 : w);
    }
    Allocate(pd.items, slot_weights, 1, slot_items);
    for (int64_t j = 0; j < pd.slots; ++j)
      slots_[pd.first_slot + static_cast<size_t>(j)].items = slot_items[static_cast<size_t>(j)];
  }
}

// The rate and the tax situation of a note, from its CFOP.
void SetNoteTax(Note& note, Rng& rng) {
  switch (note.cfop) {
    case 1102:
    case 5102: {
      int64_t r = rng.Range(0, 9);
      note.rate_bp = r < 6 ? 1700 : r < 8 ? 1200 : 700;
      note.cst = "000";
      break;
    }
    case 2102:
      note.rate_bp = rng.Chance(0.85) ? 1200 : 400;
      note.cst = note.rate_bp == 400 ? "200" : "000";
      break;
    case 6102:
      note.rate_bp = 1200;
      note.cst = "000";
      break;
    case 1202:
    case 5202:
      note.rate_bp = 1700;
      note.cst = "000";
      break;
    case 1403:
      note.cst = "010";
      break;
    case 5405:
      note.cst = "060";
      break;
    default:  // 1556, 5929
      note.cst = "090";
      break;
  }
}

void Generator::PlanNotes(int64_t n_notes, int64_t n_items, int64_t expected_sales) {
  Rng rng(seed_, 5);
  PlanParties(rng, n_notes);
  const std::vector<NoteDraft> drafts = DraftNotes(rng, n_notes);

  std::vector<double> weights;
  int64_t entry_weight = 0, sale_weight = 0;
  for (const NoteDraft& d : drafts)
    weights.push_back(rng.Between(0.3, 2.0) * (d.kind->entry ? 1.5 : 1.0));
  std::vector<int64_t> per_note;
  Allocate(n_items, weights, 1, per_note);
  for (size_t i = 0; i < drafts.size(); ++i) {
    int cfop = drafts[i].kind->cfop;
    if (cfop == 1102 || cfop == 2102 || cfop == 1403 || cfop == 1556) entry_weight += per_note[i];
    if (cfop == 5102 || cfop == 6102 || cfop == 5405) sale_weight += per_note[i];
  }
  // Purchases about 60% of the coupon sales, sales on notes about 8%.
  const int64_t entry_item = expected_sales * 62 / 100 / std::max<int64_t>(1, entry_weight);
  const int64_t sale_item = expected_sales * 8 / 100 / std::max<int64_t>(1, sale_weight);

  int64_t own_number = rng.Range(1000, 20000);
  for (size_t i = 0; i < drafts.size(); ++i) {
    const NoteKind& k = *drafts[i].kind;
    std::vector<Party>& pool = k.party == 0   ? suppliers_here_
                               : k.party == 1 ? suppliers_elsewhere_
                               : k.party == 2 ? customers_here_
                                              : customers_elsewhere_;
    Party& party = pool[rng.Below(pool.size())];
    Note note{};
    note.day = drafts[i].day;
    note.cfop = k.cfop;
    note.issuer = k.issuer;
    note.party = &party;
    if (k.issuer == 'P') {
      note.number = own_number++ % 1000000;
    } else {
      note.number = party.next_number % 1000000;
      party.next_number += rng.Range(1, 40);
    }
    SetNoteTax(note, rng);
    note.taxed = note.rate_bp > 0;
    const bool with_ipi = (k.cfop == 1102 || k.cfop == 2102) && rng.Chance(0.25);
    note.first_item = note_items_.size();
    note.item_count = static_cast<size_t>(per_note[i]);
    for (size_t j = 0; j < note.item_count; ++j)
      note_items_.push_back(DrawNoteItem(rng, k, note.taxed, with_ipi, entry_item, sale_item));
    notes_.push_back(note);
  }
}

// The parties of the notes: suppliers and customers of the state and of
// other states, and the carriers, in numbers that grow with the notes.
void Generator::PlanParties(Rng& rng, int64_t n_notes) {
  const int64_t scale = std::max<int64_t>(1, n_notes);
  for (int64_t i = 0, n = std::clamp<int64_t>(scale / 15, 4, 3000); i < n; ++i)
    suppliers_here_.push_back(MakeParty(rng, false, false));
  for (int64_t i = 0, n = std::clamp<int64_t>(scale / 40, 2, 1500); i < n; ++i)
    suppliers_elsewhere_.push_back(MakeParty(rng, true, false));
  for (int64_t i = 0, n = std::clamp<int64_t>(scale / 20, 3, 2000); i < n; ++i)
    customers_here_.push_back(MakeParty(rng, false, rng.Chance(0.2)));
  for (int64_t i = 0, n = std::clamp<int64_t>(scale / 60, 2, 800); i < n; ++i)
    customers_elsewhere_.push_back(MakeParty(rng, true, false));
  for (int64_t i = 0, n = std::clamp<int64_t>(n70_ / 20, 2, 12); i < n; ++i)
    carriers_.push_back(MakeParty(rng, rng.Chance(0.5), false));
}

// Kinds and days of the notes, in date order (the numbers follow it).
std::vector<Generator::NoteDraft> Generator::DraftNotes(Rng& rng, int64_t n_notes) {
  std::vector<NoteDraft> drafts;
  for (int64_t i = 0; i < n_notes; ++i) {
    int64_t r = rng.Range(0, 99);
    const NoteKind* kind = &kNoteKinds[0];
    for (const NoteKind& k : kNoteKinds) {
      if (r < k.share) {
        kind = &k;
        break;
      }
      r -= k.share;
    }
    drafts.push_back({static_cast<int>(rng.Range(1, days_in_month_)), kind});
  }
  std::stable_sort(drafts.begin(), drafts.end(),
                   [](const NoteDraft& a, const NoteDraft& b) { return a.day < b.day; });
  return drafts;
}

// One item of a note: a product at its cost (purchases) or its price (sales),
// in a quantity near the value aimed at for the kind of note.
NoteItem Generator::DrawNoteItem(Rng& rng, const NoteKind& k, bool taxed, bool with_ipi,
                                 int64_t entry_item, int64_t sale_item) {
  const auto n_products = static_cast<int64_t>(products_.size());
  int32_t id = static_cast<int32_t>(rng.Below(static_cast<uint64_t>(n_products)));
  const Product& p = products_[static_cast<size_t>(id)];
  NoteItem it{id, 0, 0, 0, 0, 0, 0};
  int64_t unit = p.price;
  int64_t want = 0;  // value aimed at, cents
  switch (k.cfop) {
    case 1102:
    case 2102:
    case 1403:
    case 1556:
      unit = p.cost;
      want = static_cast<int64_t>(static_cast<double>(entry_item) * rng.Between(0.3, 1.7));
      break;
    case 5102:
    case 6102:
    case 5405:
      unit = p.price * 95 / 100;
      want = static_cast<int64_t>(static_cast<double>(sale_item) * rng.Between(0.3, 1.7));
      break;
    case 5202:
      unit = p.cost;
      want = unit * rng.Range(1, 20);
      break;
    default:  // 1202, 5929: a customer's few pieces
      want = unit * rng.Range(1, 5);
      break;
  }
  unit = std::max<int64_t>(1, unit);
  if (p.weighed) {
    it.qty_milli = std::clamp<int64_t>(want * 1000 / unit, 500, 9999000);
  } else {
    int64_t q = std::clamp<int64_t>((want + unit / 2) / unit, 1, 99999);
    if (q > 24 && rng.Chance(0.6)) q = q / 12 * 12;  // whole boxes
    it.qty_milli = q * 1000;
  }
  it.value = (it.qty_milli * unit + 500) / 1000;
  if (rng.Chance(0.1)) it.discount = it.value * rng.Range(2, 5) / 100;
  if (taxed) it.base = it.value - it.discount;
  if (k.cfop == 1403) it.base_st = (it.value - it.discount) * 140 / 100;
  if (with_ipi && rng.Chance(0.7)) it.ipi = it.value * (rng.Chance(0.5) ? 5 : 10) / 100;
  return it;
}

// ------------------------------------------------------------------ writing

void Generator::WriteHeader(Writer& w) {
  Line l10("10");
  l10.Text(rec10::kCnpj, cnpj_).Text(rec10::kIe, ie_).Text(rec10::kRazaoSocial, name_);
  l10.Text(rec10::kMunicipio, city_).Text(rec10::kUf, "SC").Num(rec10::kFax, phone_ + 1);
  l10.Num(rec10::kDataInicial, Date(1)).Num(rec10::kDataFinal, Date(days_in_month_));
  l10.Text(rec10::kConvenio, "3").Text(rec10::kNatureza, "3").Text(rec10::kFinalidade, "1");
  w.Put(l10, k10);

  Line l11("11");
  l11.Text(rec11::kLogradouro, street_).Num(rec11::kNumero, street_number_);
  l11.Text(rec11::kComplemento, "").Text(rec11::kBairro, district_).Num(rec11::kCep, cep_);
  l11.Text(rec11::kContato, contact_).Num(rec11::kTelefone, phone_);
  w.Put(l11, k11);
}

void Generator::WriteNotes(Writer& w) {
  auto rate_digits = [](const Note& n) { return n.taxed ? n.rate_bp : 0; };
  for (const Note& n : notes_) {
    int64_t total = 0, base = 0, ipi = 0;
    for (size_t j = 0; j < n.item_count; ++j) {
      const NoteItem& it = note_items_[n.first_item + j];
      total += it.value - it.discount + it.ipi;
      base += it.base;
      ipi += it.ipi;
    }
    const int64_t icms = n.taxed ? Icms(base, n.rate_bp) : 0;
    const int64_t outras = n.taxed ? ipi : total;
    Line l("50");
    l.Text(rec50::kCnpj, n.party->cnpj)
        .Text(rec50::kIe, n.party->ie)
        .Num(rec50::kData, Date(n.day));
    l.Text(rec50::kUf, n.party->uf).Text(rec50::kModelo, "55");
    l.Text(rec50::kSerie, n.issuer == 'P' ? "1" : n.party->series).Num(rec50::kNumero, n.number);
    l.Num(rec50::kCfop, n.cfop).Text(rec50::kEmitente, n.issuer == 'P' ? "P" : "T");
    l.Num(rec50::kValorTotal, total).Num(rec50::kBaseCalculo, base).Num(rec50::kValorIcms, icms);
    l.Num(rec50::kIsenta, 0).Num(rec50::kOutras, outras);
    l.Num(rec50::kAliquota, rate_digits(n)).Text(rec50::kSituacao, "N");
    w.Put(l, k50);
  }
  for (const Note& n : notes_) {
    for (size_t j = 0; j < n.item_count; ++j) {
      const NoteItem& it = note_items_[n.first_item + j];
      Line l("54");
      l.Text(rec54::kCnpj, n.party->cnpj).Text(rec54::kModelo, "55");
      l.Text(rec54::kSerie, n.issuer == 'P' ? "1" : n.party->series).Num(rec54::kNumero, n.number);
      l.Num(rec54::kCfop, n.cfop)
          .Text(rec54::kCst, n.cst)
          .Num(rec54::kItem, static_cast<int64_t>(j) + 1);
      l.Text(rec54::kCodigo, products_[static_cast<size_t>(it.product)].code);
      l.Num(rec54::kQuantidade, it.qty_milli)
          .Num(rec54::kValor, it.value)
          .Num(rec54::kDesconto, it.discount);
      l.Num(rec54::kBaseCalculo, it.base)
          .Num(rec54::kBaseSt, it.base_st)
          .Num(rec54::kValorIpi, it.ipi);
      l.Num(rec54::kAliquota, rate_digits(n));
      w.Put(l, k54);
    }
  }
}

void Generator::WritePrinters(Writer& w) {
  Rng rng(seed_, 6);
  PrinterDayScratch scratch;
  // Month totals per product: usual rate and odd rate.
  std::vector<Sum> month(products_.size() * 2);
  std::vector<int32_t> rank(products_.size());
  for (size_t r = 0; r < by_code_.size(); ++r)
    rank[static_cast<size_t>(by_code_[r])] = static_cast<int32_t>(r);
  for (const PrinterDay& pd : pds_) WritePrinterDay(w, pd, rng, rank, month, scratch);
  WriteMonthTotals(w, month);
}

// One day of one printer: the items rung up, shuffled into coupons, and its
// reduction (60M), totals by rate (60A), products (60D) and coupon items (60I).
void Generator::WritePrinterDay(Writer& w, const PrinterDay& pd, Rng& rng,
                                const std::vector<int32_t>& rank, std::vector<Sum>& month,
                                PrinterDayScratch& scratch) {
  Printer& printer = printers_[static_cast<size_t>(pd.printer)];
  const int64_t date = Date(days_[static_cast<size_t>(pd.day_index)]);
  std::vector<CouponItem>& items = scratch.items;
  items.clear();
  for (int64_t j = 0; j < pd.slots; ++j) {
    const Slot& s = slots_[pd.first_slot + static_cast<size_t>(j)];
    for (int64_t c = 0; c < s.items; ++c) items.push_back({static_cast<uint32_t>(j), 0, 0, 0});
  }
  rng.Shuffle(items);

  scratch.slot_sums.assign(static_cast<size_t>(pd.slots), Sum{});
  std::array<int64_t, kRateCount> by_rate{};
  for (CouponItem& it : items) {
    const Slot& s = slots_[pd.first_slot + it.slot];
    const Product& p = products_[static_cast<size_t>(s.product)];
    if (p.weighed) {
      it.qty = rng.Range(30, 700) * 5;
    } else {
      double r = rng.Unit();
      it.qty = r < 0.65 ? 1000 : r < 0.85 ? 2000 : rng.Range(3, 10) * 1000;
    }
    it.unit = p.PriceOn(pd.day_index);
    it.value = (it.qty * it.unit + 500) / 1000;
    scratch.slot_sums[it.slot].qty += it.qty;
    scratch.slot_sums[it.slot].value += it.value;
    by_rate[static_cast<size_t>(s.rate)] += it.value;
    Sum& m = month[static_cast<size_t>(s.product) * 2 + (s.odd_rate ? 1 : 0)];
    m.qty += it.qty;
    m.value += it.value;
  }
  int64_t net = 0;
  for (int64_t v : by_rate) net += v;
  const int64_t cancelled = net * rng.Range(0, 15) / 1000;
  const int64_t discounts = net * rng.Range(0, 6) / 1000;
  const int64_t gross = net + cancelled + discounts;

  // Coupons of one to a dozen items.
  scratch.coupon_sizes.clear();
  for (size_t left = items.size(); left > 0;) {
    size_t n = static_cast<size_t>(rng.Range(1, 4) + (rng.Chance(0.5) ? rng.Range(0, 8) : 0));
    n = std::min(n, left);
    scratch.coupon_sizes.push_back(static_cast<uint32_t>(n));
    left -= n;
  }
  const int64_t first_coo = printer.coo;
  const auto coupons = static_cast<int64_t>(scratch.coupon_sizes.size());
  printer.grand_total += gross;
  Line m("60M");
  m.Num(rec60m::kData, date).Text(rec60m::kNumeroSerie, printer.serial);
  m.Num(rec60m::kNumeroOrdem, pd.printer + 1).Text(rec60m::kModelo, "2D");
  m.Num(rec60m::kCooInicial, first_coo % 1000000);
  m.Num(rec60m::kCooFinal, (first_coo + std::max<int64_t>(coupons, 1) - 1) % 1000000);
  m.Num(rec60m::kCrz, printer.crz++).Num(rec60m::kCro, printer.cro);
  m.Num(rec60m::kVendaBruta, gross).Num(rec60m::kTotalGeral, printer.grand_total);
  w.Put(m, k60M);

  for (int r = 0; r < kRateCount; ++r) {
    Line a("60A");
    a.Num(rec60a::kData, date).Text(rec60a::kNumeroSerie, printer.serial);
    a.Text(rec60a::kAliquota, kRates[r].text).Num(rec60a::kValor, by_rate[static_cast<size_t>(r)]);
    w.Put(a, k60A);
  }
  for (const char* situation : {"CANC", "DESC"}) {
    Line a("60A");
    a.Num(rec60a::kData, date)
        .Text(rec60a::kNumeroSerie, printer.serial)
        .Text(rec60a::kAliquota, situation);
    a.Num(rec60a::kValor, situation[0] == 'C' ? cancelled : discounts);
    w.Put(a, k60A);
  }
  WriteDayProducts(w, pd, printer.serial, date, rank, scratch);
  WriteCoupons(w, pd, printer, date, scratch);
}

// The day's products (60D) in code order, the odd rate after the usual one.
void Generator::WriteDayProducts(Writer& w, const PrinterDay& pd, const std::string& serial,
                                 int64_t date, const std::vector<int32_t>& rank,
                                 PrinterDayScratch& scratch) {
  std::vector<uint32_t>& order = scratch.order;
  order.resize(static_cast<size_t>(pd.slots));
  for (size_t j = 0; j < order.size(); ++j) order[j] = static_cast<uint32_t>(j);
  std::sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
    const Slot& a = slots_[pd.first_slot + x];
    const Slot& b = slots_[pd.first_slot + y];
    int32_t ra = rank[static_cast<size_t>(a.product)], rb = rank[static_cast<size_t>(b.product)];
    return ra != rb ? ra < rb : a.odd_rate < b.odd_rate;
  });
  for (uint32_t j : order) {
    const Slot& s = slots_[pd.first_slot + j];
    const RateInfo& rate = kRates[s.rate];
    const Sum& sum = scratch.slot_sums[j];
    const int64_t base = rate.taxed ? sum.value : 0;
    Line d("60D");
    d.Num(rec60d::kData, date).Text(rec60d::kNumeroSerie, serial);
    d.Text(rec60d::kCodigo, products_[static_cast<size_t>(s.product)].code);
    d.Num(rec60d::kQuantidade, sum.qty)
        .Num(rec60d::kValor, sum.value)
        .Num(rec60d::kBaseCalculo, base);
    d.Text(rec60d::kAliquota, rate.text).Num(rec60d::kValorIcms, Icms(base, rate.bp));
    w.Put(d, k60D);
  }
}

// The coupons' items (60I), one coupon number (COO) after the other.
void Generator::WriteCoupons(Writer& w, const PrinterDay& pd, Printer& printer, int64_t date,
                             const PrinterDayScratch& scratch) {
  size_t i = 0;
  int64_t coo = printer.coo;
  for (uint32_t n : scratch.coupon_sizes) {
    for (uint32_t k = 0; k < n; ++k, ++i) {
      const CouponItem& it = scratch.items[i];
      const Slot& s = slots_[pd.first_slot + it.slot];
      const RateInfo& rate = kRates[s.rate];
      const int64_t base = rate.taxed ? it.value : 0;
      Line l("60I");
      l.Num(rec60i::kData, date).Text(rec60i::kNumeroSerie, printer.serial);
      l.Text(rec60i::kModelo, "2D").Num(rec60i::kCoo, coo % 1000000);
      l.Num(rec60i::kItem, static_cast<int64_t>(k) + 1);
      l.Text(rec60i::kCodigo, products_[static_cast<size_t>(s.product)].code);
      l.Num(rec60i::kQuantidade, it.qty).Num(rec60i::kValorUnitario, it.unit);
      l.Num(rec60i::kBaseCalculo, base).Text(rec60i::kAliquota, rate.text);
      l.Num(rec60i::kValorIcms, Icms(base, rate.bp));
      w.Put(l, k60I);
    }
    ++coo;
  }
  printer.coo = coo;
}

// Monthly totals per product and rate (60R), in code order.
void Generator::WriteMonthTotals(Writer& w, const std::vector<Sum>& month) {
  const int64_t period = o_.month * 10000LL + o_.year;
  for (int32_t id : by_code_) {
    const Product& p = products_[static_cast<size_t>(id)];
    if (!p.ecf) continue;
    for (int odd = 0; odd < 2; ++odd) {
      const Sum& m = month[static_cast<size_t>(id) * 2 + static_cast<size_t>(odd)];
      if (m.qty == 0 && m.value == 0) continue;
      const RateInfo& rate = kRates[odd ? static_cast<int>(p.alt_rate) : static_cast<int>(p.rate)];
      Line r("60R");
      r.Num(rec60r::kMesAno, period).Text(rec60r::kCodigo, p.code);
      r.Num(rec60r::kQuantidade, m.qty).Num(rec60r::kValor, m.value);
      r.Num(rec60r::kBaseCalculo, rate.taxed ? m.value : 0).Text(rec60r::kAliquota, rate.text);
      w.Put(r, k60R);
    }
  }
}

void Generator::WriteMonthly(Writer& w) {
  // Series D notes: a few products sold on paper notes while a printer was down.
  Rng rng(seed_, 7);
  std::vector<int32_t> pick = ecf_;
  rng.Shuffle(pick);
  pick.resize(static_cast<size_t>(n61r_));
  std::sort(pick.begin(), pick.end(), [&](int32_t a, int32_t b) {
    return products_[static_cast<size_t>(a)].code < products_[static_cast<size_t>(b)].code;
  });
  const int64_t period = o_.month * 10000LL + o_.year;
  for (int32_t id : pick) {
    const Product& p = products_[static_cast<size_t>(id)];
    const RateInfo& rate = kRates[p.rate];
    const int64_t qty = p.weighed ? rng.Range(100, 800) * 10 : rng.Range(1, 12) * 1000;
    const int64_t value = (qty * p.price + 500) / 1000;
    Line l("61R");
    l.Num(rec61r::kMesAno, period).Text(rec61r::kCodigo, p.code);
    l.Num(rec61r::kQuantidade, qty).Num(rec61r::kValor, value);
    l.Num(rec61r::kBaseCalculo, rate.taxed ? value : 0).Num(rec61r::kAliquota, rate.bp);
    w.Put(l, k61R);
  }
}

void Generator::WriteTransport(Writer& w) {
  Rng rng(seed_, 8);
  std::vector<int> days;
  for (int64_t i = 0; i < n70_; ++i) days.push_back(static_cast<int>(rng.Range(1, days_in_month_)));
  std::sort(days.begin(), days.end());
  for (int day : days) {
    Party& c = carriers_[rng.Below(carriers_.size())];
    const bool here = c.uf == "SC";
    const int64_t value = rng.Range(80, 3000) * 100 + rng.Range(0, 99);
    const int64_t icms = Icms(value, here ? 1700 : 1200);
    Line l("70");
    l.Text(rec70::kCnpj, c.cnpj)
        .Text(rec70::kIe, c.ie)
        .Num(rec70::kData, Date(day))
        .Text(rec70::kUf, c.uf);
    l.Text(rec70::kModelo, "57").Text(rec70::kSerie, "1").Text(rec70::kSubserie, "");
    l.Num(rec70::kNumero, c.next_number++ % 1000000).Num(rec70::kCfop, here ? 1353 : 2353);
    l.Num(rec70::kValorTotal, value).Num(rec70::kBaseCalculo, value).Num(rec70::kValorIcms, icms);
    l.Num(rec70::kIsenta, 0)
        .Num(rec70::kOutras, 0)
        .Text(rec70::kModalidade, "2")
        .Text(rec70::kSituacao, "N");
    w.Put(l, k70);
  }
}

void Generator::WriteInventory(Writer& w) {
  Rng rng(seed_, 9);
  const int64_t zero_every = std::max<int64_t>(20, n74_ / 5 + 1);
  int64_t i = 0;
  for (int32_t id : inventory_) {
    const Product& p = products_[static_cast<size_t>(id)];
    int64_t qty = p.weighed ? rng.Range(500, 200000) : rng.Range(1, 400) * 1000;
    // Now and then a product counted but out of stock.
    if (rng.Below(static_cast<uint64_t>(zero_every)) == 0 || (n74_ >= 20 && i == n74_ / 2)) qty = 0;
    const int64_t value = (qty * p.cost + 500) / 1000;
    Line l("74");
    l.Num(rec74::kData, Date(days_in_month_)).Text(rec74::kCodigo, p.code);
    l.Num(rec74::kQuantidade, qty).Num(rec74::kValorTotal, value).Text(rec74::kPosse, "1");
    l.Text(rec74::kCnpjPossuidor, cnpj_)
        .Text(rec74::kIePossuidor, ie_)
        .Text(rec74::kUfPossuidor, "SC");
    w.Put(l, k74);
    ++i;
  }
}

void Generator::WriteProducts(Writer& w) {
  for (int32_t id : by_code_) {
    const Product& p = products_[static_cast<size_t>(id)];
    const RateInfo& rate = kRates[p.rate];
    Line l("75");
    l.Num(rec75::kDataInicial, Date(1)).Num(rec75::kDataFinal, Date(days_in_month_));
    l.Text(rec75::kCodigo, p.code).Text(rec75::kNcm, p.ncm).Text(rec75::kDescricao, p.description);
    l.Text(rec75::kUnidade, p.unit).Num(rec75::kAliquotaIpi, 0).Num(rec75::kAliquotaIcms, rate.bp);
    l.Num(rec75::kReducaoBase, 0).Num(rec75::kBaseSt, 0);
    w.Put(l, k75);
  }
}

void Generator::WriteTotals(Writer& w) {
  Line l("90");
  l.Text(rec90::kCnpj, cnpj_).Text(rec90::kIe, ie_);
  const int64_t sixty =
      w.count(k60M) + w.count(k60A) + w.count(k60D) + w.count(k60I) + w.count(k60R);
  // clang-format off
  const std::pair<int, int64_t> groups[] = {
      {50, w.count(k50)}, {54, w.count(k54)}, {60, sixty},         {61, w.count(k61R)},
      {70, w.count(k70)}, {74, w.count(k74)}, {75, w.count(k75)}, {99, w.lines() + 1},
  };
  // clang-format on
  int shift = 0;
  for (const auto& [type, count] : groups) {
    if (count == 0) continue;
    l.Num(rec90::kTipoTotalizado.Shifted(shift), type)
        .Num(rec90::kTotalRegistros.Shifted(shift), count);
    shift += rec90::kGroupWidth;
  }
  l.Text(rec90::kNumeroRegistros90, "1");
  w.Put(l, k90);
}

}  // namespace

// ------------------------------------------------------------------ public

GeneratorOptions ProblemHeavyOptions(GeneratorOptions options) {
  options.note_percent = 25;
  options.rate_mismatch_share = 1;
  options.odd_rate_every_day = true;
  options.shuffled = true;
  return options;
}

GeneratorSummary GenerateSintegra(const std::filesystem::path& out, int64_t target_lines,
                                  uint64_t seed, const GeneratorOptions& options) {
  Generator g(target_lines, seed, options);
  std::ofstream os(out, std::ios::binary | std::ios::trunc);
  if (!os) throw std::runtime_error("could not create " + out.string());
  Writer w(&os, nullptr, options.crlf);
  GeneratorSummary summary;
  g.Run(w, summary);
  os.close();
  if (!os) throw std::runtime_error("could not write " + out.string());
  return summary;
}

std::string GenerateSintegraText(int64_t target_lines, uint64_t seed,
                                 const GeneratorOptions& options, GeneratorSummary* summary) {
  Generator g(target_lines, seed, options);
  std::string text;
  Writer w(nullptr, &text, options.crlf);
  GeneratorSummary s;
  g.Run(w, s);
  if (summary) *summary = s;
  return text;
}

}  // namespace fiscora
