#include "validate/sintegra_validator.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "session/pacer.h"
#include "sintegra/layout.h"
#include "validate/check_digits.h"

namespace fiscora {

namespace {

// ------------------------------------------------------------ the layouts

enum class Form : uint8_t {
  kNumber,       // digits only
  kOptional,     // digits only; blanks (nothing informed) are a warning
  kDate,         // AAAAMMDD, a real date
  kPeriodDate,   // a real date inside the period of record 10
  kPeriodMonth,  // MMAAAA inside the period of record 10
  kCnpj,         // the taxpayer's CNPJ
  kCnpjCpf,      // a CNPJ, or a CPF written with three zeros in front (zeros for a
                 // foreign party, whose UF at uf_column is EX)
  kIe,           // state registration of the state at uf_column (0: record 10's);
                 // blank for a foreign party (UF EX)
  kCfop,         // four digits, the first 1, 2, 3, 5, 6 or 7
};

struct Field {
  int column, width;
  Form form;
  const char* name;
  int uf_column = 0;
};

// A one-character code and the values it may take.
struct Code {
  int column;
  std::string_view allowed;
  const char* name;
};

struct Layout {
  std::string_view type;
  int rank;  // the order of the records in the file (60 and 61 for their sub-types)
  std::span<const Field> fields;
  std::span<const Code> codes;
};

using F = Form;

constexpr Field k10[] = {{3, 14, F::kCnpj, "CNPJ"},
                         {17, 14, F::kIe, "inscrição estadual", 96},
                         {98, 10, F::kOptional, "fax"},
                         {108, 8, F::kDate, "data inicial"},
                         {116, 8, F::kDate, "data final"}};
constexpr Code k10Codes[] = {{124, "123", "código do convênio"},
                             {125, "123", "natureza das operações"},
                             {126, "1235", "finalidade"}};
constexpr Field k11[] = {{37, 5, F::kOptional, "número"},
                         {79, 8, F::kOptional, "CEP"},
                         {115, 12, F::kOptional, "telefone"}};
constexpr Field k50[] = {{3, 14, F::kCnpjCpf, "CNPJ", 39},
                         {17, 14, F::kIe, "inscrição estadual", 39},
                         {31, 8, F::kPeriodDate, "data de emissão ou recebimento"},
                         {41, 2, F::kNumber, "modelo"},
                         {46, 6, F::kNumber, "número"},
                         {52, 4, F::kCfop, "CFOP"},
                         {57, 13, F::kNumber, "valor total"},
                         {70, 13, F::kNumber, "base de cálculo do ICMS"},
                         {83, 13, F::kNumber, "valor do ICMS"},
                         {96, 13, F::kNumber, "isenta ou não tributada"},
                         {109, 13, F::kNumber, "outras"},
                         {122, 4, F::kNumber, "alíquota"}};
constexpr Code k50Codes[] = {{56, "PT", "emitente"}, {126, "NSEX24", "situação"}};
constexpr Field k51[] = {{3, 14, F::kCnpjCpf, "CNPJ", 39},
                         {17, 14, F::kIe, "inscrição estadual", 39},
                         {31, 8, F::kPeriodDate, "data de emissão ou recebimento"},
                         {44, 6, F::kNumber, "número"},
                         {50, 4, F::kCfop, "CFOP"},
                         {54, 13, F::kNumber, "valor total"},
                         {67, 13, F::kNumber, "valor do IPI"},
                         {80, 13, F::kNumber, "isenta ou não tributada"},
                         {93, 13, F::kNumber, "outras"}};
constexpr Code k51Codes[] = {{126, "NSEX24", "situação"}};
constexpr Field k53[] = {{3, 14, F::kCnpjCpf, "CNPJ", 39},
                         {17, 14, F::kIe, "inscrição estadual", 39},
                         {31, 8, F::kPeriodDate, "data de emissão ou recebimento"},
                         {41, 2, F::kNumber, "modelo"},
                         {46, 6, F::kNumber, "número"},
                         {52, 4, F::kCfop, "CFOP"},
                         {57, 13, F::kNumber, "base de cálculo do ICMS ST"},
                         {70, 13, F::kNumber, "ICMS retido"},
                         {83, 13, F::kNumber, "despesas acessórias"}};
constexpr Code k53Codes[] = {{56, "PT", "emitente"}, {96, "NSEX24", "situação"}};
constexpr Field k54[] = {{3, 14, F::kCnpjCpf, "CNPJ"},
                         {17, 2, F::kNumber, "modelo"},
                         {22, 6, F::kNumber, "número"},
                         {28, 4, F::kCfop, "CFOP"},
                         {35, 3, F::kNumber, "número do item"},
                         {52, 11, F::kNumber, "quantidade"},
                         {63, 12, F::kNumber, "valor do produto"},
                         {75, 12, F::kNumber, "desconto ou despesa"},
                         {87, 12, F::kNumber, "base de cálculo do ICMS"},
                         {99, 12, F::kNumber, "base de cálculo do ICMS ST"},
                         {111, 12, F::kNumber, "valor do IPI"},
                         {123, 4, F::kNumber, "alíquota"}};
constexpr Field k55[] = {{3, 14, F::kCnpjCpf, "CNPJ"},  {31, 8, F::kDate, "data do pagamento"},
                         {43, 3, F::kNumber, "banco"},  {46, 4, F::kNumber, "agência"},
                         {70, 13, F::kNumber, "valor"}, {83, 8, F::kDate, "data de vencimento"}};
constexpr Field k56[] = {
    {3, 14, F::kCnpjCpf, "CNPJ"},          {17, 2, F::kNumber, "modelo"},
    {22, 6, F::kNumber, "número"},         {28, 4, F::kCfop, "CFOP"},
    {35, 3, F::kNumber, "número do item"}, {67, 4, F::kNumber, "alíquota do IPI"}};
constexpr Field k57[] = {{3, 14, F::kCnpjCpf, "CNPJ"},
                         {31, 2, F::kNumber, "modelo"},
                         {36, 6, F::kNumber, "número"},
                         {42, 4, F::kCfop, "CFOP"},
                         {49, 3, F::kNumber, "número do item"}};
constexpr Field k60M[] = {{4, 8, F::kPeriodDate, "data de emissão"},
                          {32, 3, F::kNumber, "número de ordem do equipamento"},
                          {37, 6, F::kNumber, "COO inicial"},
                          {43, 6, F::kNumber, "COO final"},
                          {49, 6, F::kNumber, "contador de reduções Z (CRZ)"},
                          {55, 3, F::kNumber, "contador de reinício de operação (CRO)"},
                          {58, 16, F::kNumber, "venda bruta"},
                          {74, 16, F::kNumber, "totalizador geral"}};
constexpr Field k60A[] = {{4, 8, F::kPeriodDate, "data de emissão"},
                          {36, 12, F::kNumber, "valor acumulado"}};
constexpr Field k60D[] = {{4, 8, F::kPeriodDate, "data de emissão"},
                          {46, 13, F::kNumber, "quantidade"},
                          {59, 16, F::kNumber, "valor acumulado"},
                          {75, 16, F::kNumber, "base de cálculo do ICMS"},
                          {95, 13, F::kNumber, "valor do ICMS"}};
constexpr Field k60I[] = {
    {4, 8, F::kPeriodDate, "data de emissão"}, {34, 6, F::kNumber, "COO"},
    {40, 3, F::kNumber, "número do item"},     {57, 13, F::kNumber, "quantidade"},
    {70, 13, F::kNumber, "valor unitário"},    {83, 12, F::kNumber, "base de cálculo do ICMS"},
    {99, 12, F::kNumber, "valor do ICMS"}};
constexpr Field k60R[] = {{4, 6, F::kPeriodMonth, "mês e ano"},
                          {24, 13, F::kNumber, "quantidade"},
                          {37, 16, F::kNumber, "valor"},
                          {53, 16, F::kNumber, "base de cálculo do ICMS"}};
constexpr Field k61[] = {{31, 8, F::kPeriodDate, "data de emissão"},
                         {39, 2, F::kNumber, "modelo"},
                         {46, 6, F::kNumber, "número inicial"},
                         {52, 6, F::kNumber, "número final"},
                         {58, 13, F::kNumber, "valor total"},
                         {71, 13, F::kNumber, "base de cálculo do ICMS"},
                         {84, 12, F::kNumber, "valor do ICMS"},
                         {96, 13, F::kNumber, "isenta ou não tributada"},
                         {109, 13, F::kNumber, "outras"},
                         {122, 4, F::kNumber, "alíquota"}};
constexpr Field k61R[] = {{4, 6, F::kPeriodMonth, "mês e ano"},
                          {24, 13, F::kNumber, "quantidade"},
                          {37, 16, F::kNumber, "valor"},
                          {53, 16, F::kNumber, "base de cálculo do ICMS"},
                          {69, 4, F::kNumber, "alíquota"}};
constexpr Field k70[] = {{3, 14, F::kCnpjCpf, "CNPJ", 39},
                         {17, 14, F::kIe, "inscrição estadual", 39},
                         {31, 8, F::kPeriodDate, "data de emissão ou utilização"},
                         {41, 2, F::kNumber, "modelo"},
                         {46, 6, F::kNumber, "número"},
                         {52, 4, F::kCfop, "CFOP"},
                         {56, 13, F::kNumber, "valor total"},
                         {69, 14, F::kNumber, "base de cálculo do ICMS"},
                         {83, 14, F::kNumber, "valor do ICMS"},
                         {97, 14, F::kNumber, "isenta ou não tributada"},
                         {111, 14, F::kNumber, "outras"}};
constexpr Code k70Codes[] = {{126, "NSEX24", "situação"}};
constexpr Field k71[] = {{3, 14, F::kCnpjCpf, "CNPJ do tomador"},
                         {17, 14, F::kIe, "inscrição estadual do tomador", 39},
                         {31, 8, F::kPeriodDate, "data de emissão"},
                         {41, 2, F::kNumber, "modelo"},
                         {46, 6, F::kNumber, "número"},
                         {54, 14, F::kCnpjCpf, "CNPJ do remetente"},
                         {68, 14, F::kIe, "inscrição estadual do remetente", 52},
                         {82, 8, F::kDate, "data da nota fiscal"},
                         {90, 2, F::kNumber, "modelo da nota fiscal"},
                         {95, 6, F::kNumber, "número da nota fiscal"},
                         {101, 14, F::kNumber, "valor da nota fiscal"}};
constexpr Field k74[] = {{3, 8, F::kDate, "data do inventário"},
                         {25, 13, F::kNumber, "quantidade"},
                         {38, 13, F::kNumber, "valor do produto"},
                         {52, 14, F::kCnpjCpf, "CNPJ do possuidor", 80},
                         {66, 14, F::kIe, "inscrição estadual do possuidor", 80}};
constexpr Code k74Codes[] = {{51, "123", "código de posse"}};
constexpr Field k75[] = {{3, 8, F::kDate, "data inicial"},
                         {11, 8, F::kDate, "data final"},
                         {100, 5, F::kNumber, "alíquota do IPI"},
                         {105, 4, F::kNumber, "alíquota do ICMS"},
                         {109, 5, F::kNumber, "redução da base de cálculo"},
                         {114, 13, F::kNumber, "base de cálculo do ICMS ST"}};
constexpr Field k76[] = {{3, 14, F::kCnpjCpf, "CNPJ", 60},
                         {17, 14, F::kIe, "inscrição estadual", 60},
                         {31, 2, F::kNumber, "modelo"},
                         {37, 10, F::kNumber, "número"},
                         {47, 4, F::kCfop, "CFOP"},
                         {52, 8, F::kPeriodDate, "data de emissão ou recebimento"},
                         {62, 13, F::kNumber, "valor total"},
                         {75, 13, F::kNumber, "base de cálculo do ICMS"},
                         {88, 12, F::kNumber, "valor do ICMS"},
                         {100, 12, F::kNumber, "isenta ou não tributada"},
                         {112, 12, F::kNumber, "outras"},
                         {124, 2, F::kNumber, "alíquota"}};
constexpr Code k76Codes[] = {{126, "NSEX24", "situação"}};
constexpr Field k77[] = {{3, 14, F::kCnpjCpf, "CNPJ"},
                         {17, 2, F::kNumber, "modelo"},
                         {23, 10, F::kNumber, "número"},
                         {33, 4, F::kCfop, "CFOP"},
                         {38, 3, F::kNumber, "número do item"},
                         {52, 13, F::kNumber, "quantidade"},
                         {65, 12, F::kNumber, "valor do serviço"},
                         {77, 12, F::kNumber, "desconto"},
                         {89, 12, F::kNumber, "base de cálculo do ICMS"},
                         {101, 2, F::kNumber, "alíquota"}};
constexpr Field k90[] = {{3, 14, F::kCnpj, "CNPJ"}};

constexpr Layout kLayouts[] = {
    {"10", 10, k10, k10Codes}, {"11", 11, k11, {}},       {"50", 50, k50, k50Codes},
    {"51", 51, k51, k51Codes}, {"53", 53, k53, k53Codes}, {"54", 54, k54, {}},
    {"55", 55, k55, {}},       {"56", 56, k56, {}},       {"57", 57, k57, {}},
    {"60M", 60, k60M, {}},     {"60A", 60, k60A, {}},     {"60D", 60, k60D, {}},
    {"60I", 60, k60I, {}},     {"60R", 60, k60R, {}},     {"61", 61, k61, {}},
    {"61R", 61, k61R, {}},     {"70", 70, k70, k70Codes}, {"71", 71, k71, {}},
    {"74", 74, k74, k74Codes}, {"75", 75, k75, {}},       {"76", 76, k76, k76Codes},
    {"77", 77, k77, {}},       {"85", 85, {}, {}},        {"86", 86, {}, {}},
    {"88", 88, {}, {}},        {"90", 90, k90, {}},
};

const Layout* LayoutOf(std::string_view type) {
  for (const Layout& l : kLayouts)
    if (l.type == type) return &l;
  return nullptr;
}

// The layout of a line by its first characters; null for an unknown type.
bool DigitForm(Form f) { return f != Form::kOptional && f != Form::kIe; }

// The columns of a layout that must hold digits, as a 0x80 byte per column.
using DigitMask = std::array<uint64_t, 16>;

struct LayoutTable {
  std::array<DigitMask, std::size(kLayouts)> masks{};
  std::array<const Layout*, 100> by_type{};
  std::array<const Layout*, 5> sub60{};  // M A D I R
  const Layout* r61 = nullptr;
  const Layout* r61r = nullptr;
  LayoutTable() {
    for (const Layout& l : kLayouts)
      if (l.type.size() == 2)
        by_type[static_cast<size_t>((l.type[0] - '0') * 10 + (l.type[1] - '0'))] = &l;
    const char* subs = "MADIR";
    for (size_t i = 0; i < 5; ++i) sub60[i] = LayoutOf(std::string("60") + subs[i]);
    r61 = LayoutOf("61");
    r61r = LayoutOf("61R");
    for (size_t i = 0; i < std::size(kLayouts); ++i) {
      unsigned char bytes[128] = {};
      for (const Field& f : kLayouts[i].fields)
        if (DigitForm(f.form))
          for (int c = f.column - 1; c < f.column - 1 + f.width && c < 128; ++c) bytes[c] = 0x80;
      std::memcpy(masks[i].data(), bytes, sizeof bytes);
    }
  }
  const DigitMask& MaskOf(const Layout* l) const {
    return masks[static_cast<size_t>(l - kLayouts)];
  }
  const Layout* Find(std::string_view line) const {
    if (line.size() < 2 || line[0] < '0' || line[0] > '9' || line[1] < '0' || line[1] > '9')
      return nullptr;
    int t = (line[0] - '0') * 10 + (line[1] - '0');
    if (t == 60) {
      if (line.size() < 3) return nullptr;
      const char* p = std::char_traits<char>::find("MADIR", 5, line[2]);
      return p ? sub60[static_cast<size_t>(p - "MADIR")] : nullptr;
    }
    if (t == 61) return line.size() >= 3 && line[2] == 'R' ? r61r : r61;
    return by_type[static_cast<size_t>(t)];
  }
};

const LayoutTable& Layouts() {
  static const LayoutTable table;
  return table;
}

// ------------------------------------------------------------ field forms

uint64_t Load8(const char* p) {
  uint64_t x;
  std::memcpy(&x, p, 8);
  return x;
}

// Eight bytes at a time: a byte is a digit when its high nibble is 3 and
// adding 6 keeps it so.
bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t x = Load8(s.data() + i);
    uint64_t hi = x & 0xF0F0F0F0F0F0F0F0ull;
    uint64_t carried = ((x + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull) >> 4;
    if ((hi | carried) != 0x3333333333333333ull) return false;
  }
  for (; i < s.size(); ++i)
    if (static_cast<unsigned char>(s[i] - '0') > 9) return false;
  return true;
}

bool Ascii(std::string_view s) {
  size_t i = 0;
  uint64_t any = 0;
  for (; i + 8 <= s.size(); i += 8) any |= Load8(s.data() + i);
  for (; i < s.size(); ++i) any |= static_cast<unsigned char>(s[i]);
  return (any & 0x8080808080808080ull) == 0;
}

int Number(std::string_view digits) {
  int n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

bool RealDate(int y, int m, int d) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1900 || m < 1 || m > 12 || d < 1) return false;
  int days = kDays[m - 1] + (m == 2 && (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)) ? 1 : 0);
  return d <= days;
}

// AAAAMMDD as the number yyyymmdd, or -1 when it is no real date.
int DateValue(std::string_view s) {
  if (s.size() != 8 || !AllDigits(s)) return -1;
  int v = Number(s);
  return RealDate(v / 10000, v / 100 % 100, v % 100) ? v : -1;
}

// Whether a line of 126 bytes holds digits in every column of the mask,
// eight columns at a time. A false answer may be too strict (a byte above
// 0xF9 can spoil its neighbour): the fields are then checked one by one.
bool DigitsWhereRequired(std::string_view line, const DigitMask& mask) {
  char buf[128];
  std::memcpy(buf, line.data(), 126);
  buf[126] = buf[127] = '0';
  uint64_t bad_required = 0;
  for (size_t w = 0; w < 16; ++w) {
    uint64_t x = Load8(buf + 8 * w);
    uint64_t bad = ((x & 0xF0F0F0F0F0F0F0F0ull) ^ 0x3030303030303030ull) |
                   (((x + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull) ^ 0x3030303030303030ull);
    // 0x80 in every byte that is not zero.
    uint64_t nonzero =
        (((bad & 0x7F7F7F7F7F7F7F7Full) + 0x7F7F7F7F7F7F7F7Full) | bad) & 0x8080808080808080ull;
    bad_required |= nonzero & mask[w];
  }
  return bad_required == 0;
}

// ------------------------------------------------------------ the pass

class SintegraValidator {
 public:
  explicit SintegraValidator(ValidationReport& report) : r_(report) {}

  void Line(std::string_view line, bool utf8) {
    ++n_;
    SetColumns(line, utf8);
    if (seen90_ && line.substr(0, 3) == "EAD") {
      ++signatures_;
      Add(Check::kSignature, 0, 0, "EAD", "", Severity::kAviso);
      return;
    }
    const Layout* layout = table_.Find(line);
    if (chars_ != 126)
      Add(Check::kLineLength, 1, chars_, layout ? layout->type : Field(1, 2), "", Severity::kErro,
          {chars_});
    if (!layout) {
      std::string type(Field(1, Field(1, 2) == "60" ? 3 : 2));
      Add(Check::kUnknownType, 1, static_cast<int>(type.size()), type, "tipo", Severity::kErro, {},
          Shown(type));
      return;
    }
    record_ = layout->type;
    if (layout->rank < max_rank_) {
      Add(Check::kRecordOrder, 1, static_cast<int>(record_.size()), record_, "tipo",
          Severity::kErro, {}, max_type_);
    } else if (layout->rank > max_rank_) {
      max_rank_ = layout->rank;
      max_type_ = record_;
    }
    ++counts_[static_cast<size_t>(layout->rank)];

    if (layout->rank == 10) Record10();
    if (layout->rank == 11 && seen11_++)
      Add(Check::kRecordTwice, 1, 2, "11", "tipo", Severity::kErro);

    // A full single-byte line whose number columns all hold digits needs
    // no digit test per field.
    digits_ok_ = !utf8_ && chars_ == 126 && DigitsWhereRequired(line, table_.MaskOf(layout));
    for (const auto& f : layout->fields)
      if (!(digits_ok_ && f.form == Form::kNumber)) CheckField(f);
    for (const auto& c : layout->codes) CheckCode(c);

    if (layout->rank == 50) {
      Record50();
      CancelledNote();
      CfopAndUf(52, 39, 56);
    } else if (layout->rank == 54) {
      Record54();
    } else if (layout->rank == 76) {
      CfopAndUf(47, 60, 0);
    } else if (layout->rank == 60 && layout->fields.data() == k60M) {
      Record60M();
    } else if (layout->rank == 90) {
      Record90();
    }
  }

  void Finish() {
    // The pass gave its findings in the order of the lines; those of the
    // end are merged in.
    const size_t pass_findings = r_.findings.size();
    if (!seen10_) AddFile("10");
    if (!seen11_) AddFile("11");
    if (lines90_.empty()) {
      if (n_ > 0) AddFile("90");
    } else {
      Totals90();
    }
    RepeatedNotes();
    NumberingGaps();
    r_.findings.SortByLine(pass_findings);
    r_.lines = n_;
  }

 private:
  // Columns of the current line: byte offsets of the characters of a UTF-8
  // line; a single-byte line has its columns at its bytes.
  void SetColumns(std::string_view line, bool utf8) {
    line_ = line;
    utf8_ = utf8;
    if (!utf8) {
      chars_ = static_cast<int>(line.size());
      return;
    }
    offsets_.clear();
    for (size_t i = 0; i < line.size(); ++i)
      if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) offsets_.push_back(i);
    chars_ = static_cast<int>(offsets_.size());
    offsets_.push_back(line.size());
  }
  // The characters of columns [column, column + width), fewer at the end.
  std::string_view Field(int column, int width) const {
    int first = column - 1, last = std::min(column - 1 + width, chars_);
    if (first >= last) return {};
    if (!utf8_) return line_.substr(static_cast<size_t>(first), static_cast<size_t>(last - first));
    size_t a = offsets_[static_cast<size_t>(first)], b = offsets_[static_cast<size_t>(last)];
    return line_.substr(a, b - a);
  }

  // A finding of a check at `line`, with the values and the text its
  // message needs.
  void AddLine(int64_t line, Check check, int first, int last, std::string_view record,
               const char* field, Severity s, std::array<int64_t, 3> values = {},
               std::string_view text = {}) {
    Finding f(line, first, last, record, field, s, check);
    f.values = values;
    f.SetText(text);
    r_.Add(std::move(f));
  }
  // The same at the current line.
  void Add(Check check, int first, int last, std::string_view record, const char* field, Severity s,
           std::array<int64_t, 3> values = {}, std::string_view text = {}) {
    AddLine(n_, check, first, last, record, field, s, values, text);
  }
  // At a field of the current line.
  void AddAt(const struct Field& f, Check check, Severity s, std::array<int64_t, 3> values = {},
             std::string_view text = {}) {
    Add(check, f.column, f.column + f.width - 1, record_, f.name, s, values, text);
  }
  // A record missing from the file.
  void AddFile(std::string_view record) {
    AddLine(0, Check::kMissingRecord, 0, 0, record, "", Severity::kErro);
  }

  void CheckField(const struct Field& f) {
    if (f.column + f.width - 1 > chars_) return;  // a short line: its length is reported
    std::string_view v = Field(f.column, f.width);
    switch (f.form) {
      case Form::kOptional:
        if (Trim(v).empty()) {
          AddAt(f, Check::kBlankNumber, Severity::kAviso);
          break;
        }
        [[fallthrough]];
      case Form::kNumber:
        if (!AllDigits(v)) AddAt(f, Check::kNotDigits, Severity::kErro, {}, Shown(v));
        break;
      case Form::kDate:
      case Form::kPeriodDate: {
        int d = DateValue(v);
        if (d < 0) {
          AddAt(f, Check::kDate, Severity::kErro, {}, Shown(v));
        } else if (f.form == Form::kPeriodDate && period_start_ > 0 &&
                   (d < period_start_ || d > period_end_)) {
          AddAt(f, Check::kDateOutsidePeriod, Severity::kErro, {d, period_start_, period_end_});
        }
        break;
      }
      case Form::kPeriodMonth: {
        int m = AllDigits(v) && v.size() == 6 ? Number(v.substr(0, 2)) : 0;
        int y = m ? Number(v.substr(2, 4)) : 0;
        if (m < 1 || m > 12 || y < 1900) {
          AddAt(f, Check::kMonth, Severity::kErro, {}, Shown(v));
        } else if (period_start_ > 0) {
          int ym = y * 100 + m;
          if (ym < period_start_ / 100 || ym > period_end_ / 100)
            AddAt(f, Check::kMonthOutsidePeriod, Severity::kErro, {0, period_start_, period_end_},
                  v);
        }
        break;
      }
      case Form::kCnpj:
      case Form::kCnpjCpf:
        CheckCnpj(f, v);
        break;
      case Form::kIe:
        CheckStateRegistration(f, v);
        break;
      case Form::kCfop:
        if (!AllDigits(v) || std::string_view("123567").find(v[0]) == std::string_view::npos)
          AddAt(f, Check::kCfopInvalid, Severity::kErro, {}, Shown(v));
        break;
    }
  }

  // The party's UF is EX: a foreign party, without CNPJ or IE.
  bool Foreign(const struct Field& f) const {
    return f.uf_column && f.uf_column + 1 <= chars_ && Field(f.uf_column, 2) == "EX";
  }

  void CheckCnpj(const struct Field& f, std::string_view v) {
    if (Foreign(f) && v.find_first_not_of('0') == std::string_view::npos) return;
    if (!AllDigits(v)) {
      AddAt(f, Check::kCnpjNotDigits, Severity::kErro, {}, Shown(v));
      return;
    }
    if (IsValidCnpj(v)) return;
    // An individual's CPF is written with three zeros in front.
    bool cpf_form = f.form == Form::kCnpjCpf && v.substr(0, 3) == "000";
    if (cpf_form && IsValidCpf(v.substr(3))) return;
    AddAt(f, cpf_form ? Check::kCpfCheckDigit : Check::kCnpjCheckDigit, Severity::kErro, {},
          cpf_form ? v.substr(3) : v);
  }

  void CheckStateRegistration(const struct Field& f, std::string_view v) {
    std::string_view ie = Trim(v);
    if (ie == "ISENTO") return;
    if (ie.empty() && Foreign(f)) return;
    if (ie.empty()) {
      AddAt(f, Check::kIeBlank, Severity::kErro);
      return;
    }
    std::string_view uf = f.uf_column ? Field(f.uf_column, 2) : std::string_view(uf10_);
    if (!AllDigits(ie)) {
      if (uf == "SP" && ie[0] == 'P') return;  // rural producer: not checked
      AddAt(f, Check::kIeNotDigits, Severity::kErro, {}, Shown(ie));
      return;
    }
    IeCheck check = CheckIe(uf, ie);
    // Some programs fill the field with zeros in front.
    while (check == IeCheck::kInvalid && ie.size() > 8 && ie[0] == '0') {
      ie.remove_prefix(1);
      check = CheckIe(uf, ie);
    }
    if (check == IeCheck::kInvalid)
      AddAt(f, Check::kIeInvalid, Severity::kErro, {}, JoinParts({uf, Trim(v)}));
  }

  void CheckCode(const Code& c) {
    if (c.column > chars_) return;
    std::string_view v = Field(c.column, 1);
    if (c.allowed.find(v[0]) != std::string_view::npos) return;
    Add(Check::kCode, c.column, c.column, record_, c.name, Severity::kErro, {},
        JoinParts({Shown(v), c.allowed}));
  }

  void Record10() {
    if (seen10_++) {
      Add(Check::kRecordTwice, 1, 2, "10", "tipo", Severity::kErro);
      return;
    }
    cnpj_ie10_ = std::string(Field(3, 28));
    uf10_ = std::string(Field(96, 2));
    int start = DateValue(Field(108, 8)), end = DateValue(Field(116, 8));
    if (start > 0 && end > 0) {
      if (start > end) {
        Add(Check::kPeriodInverted10, 108, 123, "10", "período", Severity::kErro, {start, end});
      } else {
        period_start_ = start;
        period_end_ = end;
      }
    }
  }

  void Record50() {
    if (chars_ < 126) return;
    // One line per note, CFOP and rate: issuer, model, series, number, CFOP, rate.
    char key[40];
    size_t k = 0;
    for (auto [col, width] :
         {std::pair{3, 14}, {56, 1}, {41, 2}, {43, 3}, {46, 6}, {52, 4}, {122, 4}}) {
      std::string_view part = Field(col, width);
      std::copy(part.begin(), part.end(), key + k);
      k += part.size();
      if (k > sizeof key - 14) break;
    }
    notes50_.push_back({std::hash<std::string_view>{}(std::string_view(key, k)), n_});
    // The taxpayer's own notes, for the numbering per model and series.
    std::string_view number = Field(46, 6);
    if (Field(56, 1) == "P" && AllDigits(number)) {
      std::string_view series = Field(41, 5);
      auto it = own_.find(series);
      if (it == own_.end()) it = own_.emplace(std::string(series), std::vector<Numbered>{}).first;
      it->second.push_back({Number(number), n_});
    }
  }

  // The CFOP at cfop_column against the UF of the party at uf_column (1 and
  // 5 in the taxpayer's state, 2 and 6 in another, 3 and 7 abroad) and,
  // with an issuer column, a third party's note is an entry.
  void CfopAndUf(int cfop_column, int uf_column, int issuer_column) {
    if (chars_ < 126) return;
    std::string_view cfop = Field(cfop_column, 4), uf = Field(uf_column, 2);
    if (!AllDigits(cfop)) return;
    const int code = Number(cfop), first = code / 1000;
    auto add = [&](Check check, std::string_view text) {
      Add(check, cfop_column, cfop_column + 3, record_, "CFOP", Severity::kAviso, {code}, text);
    };
    if (issuer_column && Field(issuer_column, 1) == "T" && first >= 5 && first <= 7)
      add(Check::kCfopDirection, {});
    if (IbgeUfCode(uf10_) < 0 || (IbgeUfCode(uf) < 0 && uf != "EX")) return;
    const bool same = uf == uf10_, abroad = uf == "EX";
    const bool agrees = first == 1 || first == 5   ? same
                        : first == 2 || first == 6 ? !same && !abroad
                        : first == 3 || first == 7 ? abroad
                                                   : true;
    if (agrees) return;
    add(Check::kCfopUf, JoinParts({uf, uf10_}));
  }

  // A cancelled note (situação S, or X when cancelled late) goes with its
  // amounts at zero.
  void CancelledNote() {
    if (chars_ < 126) return;
    const char situation = Field(126, 1)[0];
    if (situation != 'S' && situation != 'X') return;
    for (const struct Field& f : k50) {
      if (f.column < 57 || f.column > 109) continue;  // the amounts
      std::string_view v = Field(f.column, f.width);
      if (!AllDigits(v) || v.find_first_not_of('0') == std::string_view::npos) continue;
      int64_t cents = 0;
      for (char c : v) cents = cents * 10 + (c - '0');
      AddAt(f, Check::kCancelledWithAmounts, Severity::kErro, {cents * 100},  // Money raw
            JoinParts({std::string_view(&situation, 1), f.name}));
      return;
    }
  }

  // Record 54: items below 991 carry the product code and the CST; 991 to
  // 999 (freight, insurance, other expenses) go without them.
  void Record54() {
    if (chars_ < 126) return;
    std::string_view item = Field(35, 3);
    if (!AllDigits(item) || Number(item) >= 991) return;
    auto add = [&](Check check, int column, int width, const char* name) {
      if (!Trim(Field(column, width)).empty()) return;
      Add(check, column, column + width - 1, "54", name, Severity::kErro, {Number(item)});
    };
    add(Check::kItemWithoutCst, 32, 3, "CST");
    add(Check::kItemWithoutCode, 38, 14, "código do produto");
  }

  void Record60M() {
    std::string_view crz = Field(49, 6);
    if (chars_ < 54 || !AllDigits(crz)) return;
    std::string_view serial = Field(12, 20);
    int value = Number(crz);
    auto it = crz_.find(serial);
    if (it == crz_.end()) {
      crz_.emplace(std::string(serial), value);
      return;
    }
    int last = it->second;
    it->second = value;
    if (value == last + 1 || value == last) return;
    Add(Check::kCrzJump, 49, 54, "60M", "contador de reduções Z (CRZ)", Severity::kAviso,
        {last, value}, Trim(serial));
  }

  void Record90() {
    seen90_ = true;
    lines90_.push_back({n_, chars_ >= 126 ? Field(126, 1)[0] : ' '});
    if (!cnpj_ie10_.empty() && chars_ >= 30 && Field(3, 28) != cnpj_ie10_)
      Add(Check::kRecord90Differs, 3, 30, "90", "CNPJ e inscrição estadual", Severity::kErro);
    for (int col = 31; col + 9 <= std::min(chars_, 125); col += 10) {
      std::string_view type = Field(col, 2), count = Field(col + 2, 8);
      if (type == "  ") break;
      if (!AllDigits(type) || !AllDigits(count)) {
        Add(Check::k90Unreadable, col, col + 9, "90", "totalização", Severity::kErro, {},
            Shown(Field(col, 10)));
        break;
      }
      if (type == "99") {
        total99_ = {Number(count), n_, col};
      } else {
        declared_.push_back({Number(type), Number(count), n_, col});
      }
    }
  }

  void Totals90() {
    const int64_t n90 = static_cast<int64_t>(lines90_.size());
    for (const auto& [line, digit] : lines90_)
      if (digit - '0' != n90)
        AddLine(line, Check::k90Column126, 126, 126, "90", "número de registros 90",
                Severity::kErro, {n90}, Shown(std::string_view(&digit, 1)));
    const int64_t last90 = lines90_.back().first;
    if (total99_.line == 0) {
      AddLine(last90, Check::kNoTotal99, 31, 125, "90", "total geral", Severity::kErro);
    } else if (total99_.count != n_ && total99_.count != n_ - signatures_) {
      AddLine(total99_.line, Check::kTotal99, total99_.column, total99_.column + 9, "90",
              "total geral", Severity::kErro, {total99_.count, n_ - signatures_});
    }
    std::array<int64_t, 100> declared{};
    std::array<const Declared*, 100> where{};
    for (const Declared& d : declared_) {
      declared[static_cast<size_t>(d.type)] += d.count;
      if (!where[static_cast<size_t>(d.type)]) where[static_cast<size_t>(d.type)] = &d;
    }
    for (size_t t = 12; t < 90; ++t) {
      if (declared[t] == counts_[t]) continue;
      const Declared* d = where[t];
      AddLine(d ? d->line : last90, Check::k90TypeCount, d ? d->column : 31,
              d ? d->column + 9 : 125, "90", "totalização", Severity::kErro,
              {declared[t], static_cast<int64_t>(t), counts_[t]});
    }
  }

  void RepeatedNotes() {
    std::sort(notes50_.begin(), notes50_.end());
    for (size_t i = 1; i < notes50_.size(); ++i) {
      if (notes50_[i].first != notes50_[i - 1].first) continue;
      size_t first = i - 1;
      while (first > 0 && notes50_[first - 1].first == notes50_[i].first) --first;
      AddLine(notes50_[i].second, Check::kRepeated50, 3, 126, "50", "nota", Severity::kErro,
              {notes50_[first].second});
    }
  }

  void NumberingGaps() {
    for (auto& [key, notes] : own_) {
      std::sort(notes.begin(), notes.end());
      const std::string model_series =
          JoinParts({std::string_view(key).substr(0, 2), Trim(std::string_view(key).substr(2))});
      for (size_t i = 1; i < notes.size(); ++i) {
        int a = notes[i - 1].number, b = notes[i].number;
        if (b <= a + 1) continue;
        AddLine(notes[i].line, Check::kNumberingGap, 46, 51, "50", "número", Severity::kAviso,
                {a + 1, b - 1}, model_series);
      }
    }
  }

  struct Numbered {
    int number;
    int64_t line;
    bool operator<(const Numbered& o) const {
      return number != o.number ? number < o.number : line < o.line;
    }
  };
  struct Declared {
    int type;
    int64_t count;
    int64_t line;
    int column;
  };
  struct Total {
    int64_t count = 0;
    int64_t line = 0;
    int column = 0;
  };

  ValidationReport& r_;
  const LayoutTable& table_ = Layouts();
  bool digits_ok_ = false;
  int64_t n_ = 0;
  std::string_view line_;
  bool utf8_ = false;
  int chars_ = 0;
  std::vector<size_t> offsets_;
  std::string_view record_;
  int max_rank_ = 0;
  std::string_view max_type_;
  std::array<int64_t, 100> counts_{};
  int seen10_ = 0, seen11_ = 0;
  std::string cnpj_ie10_, uf10_;
  int period_start_ = 0, period_end_ = 0;
  bool seen90_ = false;
  int64_t signatures_ = 0;
  std::vector<std::pair<int64_t, char>> lines90_;
  std::vector<Declared> declared_;
  Total total99_;
  std::vector<std::pair<size_t, int64_t>> notes50_;
  std::map<std::string, std::vector<Numbered>, std::less<>> own_;
  std::map<std::string, int, std::less<>> crz_;
};

}  // namespace

ValidationReport ValidateSintegra(const std::filesystem::path& file, UserInterface& ui) {
  ValidationReport report;
  report.kind = ValidatedKind::kSintegra;
  LineReader reader(file);
  EncodingSniffer sniffer;
  if (reader.had_bom()) sniffer.SetUtf8();
  SintegraValidator v(report);
  Pacer pacer(ui);
  std::string_view line;
  while (reader.Next(line)) {
    pacer.Tick();
    v.Line(line, !Ascii(line) && sniffer.LineIsUtf8(line));
  }
  v.Finish();
  return report;
}

}  // namespace fiscora
