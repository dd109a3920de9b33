#include "validate/efd_content.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <tuple>

#include "data/money.h"
#include "sintegra/layout.h"
#include "validate/check_digits.h"

namespace fiscora {

// A register whose values are the sums of those of its children:
// pairs[k] holds the field of the register and the field of the child.
struct EfdContentChecks::SumSpec {
  std::string_view parent, child;
  Check check;
  size_t cod_sit;  // the field of the document's situation; 0: every one is summed
  int pairs_count;
  struct Pair {
    size_t parent_field, child_field;
    const char* name;
    Severity severity;
  } pairs[6];
};

namespace {

using S = Severity;

// Field numbers as the Guia Prático counts them (REG = 01).
constexpr EfdContentChecks::SumSpec kSums[] = {
    {"C100",
     "C190",
     Check::kC100VsC190,
     6,
     6,
     {{12, 5, "VL_DOC", S::kAviso},
      {21, 6, "VL_BC_ICMS", S::kErro},
      {22, 7, "VL_ICMS", S::kErro},
      {23, 8, "VL_BC_ICMS_ST", S::kErro},
      {24, 9, "VL_ICMS_ST", S::kErro},
      {25, 11, "VL_IPI", S::kErro}}},
    {"C500",
     "C590",
     Check::kC500VsC590,
     6,
     5,
     {{13, 5, "VL_DOC", S::kAviso},
      {19, 6, "VL_BC_ICMS", S::kErro},
      {20, 7, "VL_ICMS", S::kErro},
      {21, 8, "VL_BC_ICMS_ST", S::kErro},
      {22, 9, "VL_ICMS_ST", S::kErro}}},
    {"D100",
     "D190",
     Check::kD100VsD190,
     6,
     3,
     {{15, 5, "VL_DOC", S::kAviso}, {19, 6, "VL_BC_ICMS", S::kErro}, {20, 7, "VL_ICMS", S::kErro}}},
    {"H005", "H010", Check::kH005VsH010, 0, 1, {{3, 6, "VL_INV", S::kErro}}},
};

const EfdContentChecks::SumSpec& kC100 = kSums[0];

// The C170 fields summed into the C190 of their CST, CFOP and rate, and the
// C190 fields they are checked against.
constexpr struct {
  size_t item_field, analytic_field;
  const char* name;
} kItemSums[5] = {{13, 6, "VL_BC_ICMS"},
                  {15, 7, "VL_ICMS"},
                  {16, 8, "VL_BC_ICMS_ST"},
                  {18, 9, "VL_ICMS_ST"},
                  {24, 11, "VL_IPI"}};

// The analytic registers whose VL_ICMS make the debits of E110 (exits) and,
// those marked, the credits (entries).
constexpr struct {
  std::string_view reg;
  size_t cfop, icms;
  bool credits;
} kAnalytic[] = {
    {"C190", 3, 7, true},   {"C320", 3, 7, false}, {"C390", 3, 7, false},  {"C490", 3, 7, false},
    {"C590", 3, 7, true},   {"C690", 3, 7, false}, {"C790", 3, 7, false},  {"C850", 3, 7, false},
    {"C890", 3, 7, false},  {"D190", 3, 7, true},  {"D300", 8, 17, false}, {"D390", 3, 10, false},
    {"D410", 9, 15, false}, {"D590", 3, 7, true},  {"D690", 3, 7, false},  {"D696", 3, 7, false}};

// The registers these rules read, with the last field they read: every
// version of the layout has at least these (later ones add fields at the
// end).
constexpr struct {
  std::string_view reg;
  size_t fields;
} kFieldCounts[] = {{"C100", 25}, {"C170", 24}, {"C190", 11}, {"C500", 22}, {"C590", 9},
                    {"D100", 20}, {"D190", 7},  {"H005", 3},  {"H010", 6},  {"E110", 14}};

bool Digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int64_t Number(std::string_view digits) {
  int64_t n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

// "1234,56" as Money raw; up to fifteen digits and four decimals read here,
// anything else through ParseMoney.
std::optional<int64_t> ParseAmount(std::string_view s) {
  if (s.empty()) return 0;
  int64_t whole = 0;
  size_t i = 0;
  for (; i < s.size() && i < 15 && s[i] >= '0' && s[i] <= '9'; ++i)
    whole = whole * 10 + (s[i] - '0');
  if (i > 0 && i == s.size()) return whole * Money::kScale;
  if (i > 0 && s[i] == ',' && s.size() - i - 1 <= 4) {
    int64_t frac = 0, scale = Money::kScale;
    for (size_t j = i + 1; j < s.size(); ++j) {
      if (s[j] < '0' || s[j] > '9') return std::nullopt;
      frac = frac * 10 + (s[j] - '0');
      scale /= 10;
    }
    return whole * Money::kScale + frac * scale;
  }
  std::optional<Money> m = ParseMoney(s);
  if (!m) return std::nullopt;
  return m->raw();
}

// A group of items as one value: (CST × 10000 + CFOP) << 32 | rate.
int64_t GroupValue(int cst, int cfop, int64_t rate) {
  return static_cast<int64_t>(std::max(cst, 0) * 10000 + std::max(cfop, 0)) << 32 |
         (rate & 0xFFFFFFFF);
}

int64_t Cents(int64_t raw) { return Money::FromRaw(raw).RoundCentsHalfAway().raw(); }

// CFOP 5605 (a transfer of a credit balance) is a debit of the entries
// side and 1605 a credit of the exits side, the reverse of their digits.
bool Exit(int cfop) {
  int first = cfop / 1000;
  return cfop == 1605 || (cfop != 5605 && first >= 5 && first <= 7);
}
bool Entry(int cfop) {
  int first = cfop / 1000;
  return cfop == 5605 || (cfop != 1605 && first >= 1 && first <= 3);
}

}  // namespace

void EfdContentChecks::Add(int64_t line, Check check, int column, std::string_view record,
                           const char* field, Severity severity, std::array<int64_t, 3> values,
                           std::string_view text) {
  Finding f(line, column, column, record, field, severity, check);
  f.values = values;
  f.SetText(text);
  r_.Add(std::move(f));
}

bool EfdContentChecks::Value(size_t i, const char* name, int64_t& raw) {
  std::optional<int64_t> v = ParseAmount(F(i));
  if (v) {
    raw = *v;
    return true;
  }
  Add(n_, Check::kNotANumber, static_cast<int>(i), reg_, name, Severity::kErro, {}, Shown(F(i)));
  raw = 0;
  return false;
}

void EfdContentChecks::Start(EfdLayout layout, const std::vector<std::string_view>& fields) {
  layout_ = layout;
  fields_ = &fields;
  if (layout == EfdLayout::kIcmsIpi) {
    // |0000|COD_VER|COD_FIN|DT_INI|DT_FIN|NOME|CNPJ|CPF|UF|...
    cnpj0000_ = F(7).empty() && !F(8).empty() ? "000" + std::string(F(8)) : std::string(F(7));
    uf0000_ = F(9);
  } else {
    // |0000|COD_VER|TIPO_ESCRIT|IND_SIT_ESP|NUM_REC_ANTERIOR|DT_INI|DT_FIN|NOME|CNPJ|UF|...
    cnpj0000_ = F(9);
    uf0000_ = F(10);
  }
  cnpj_ = cnpj0000_;
  uf_ = uf0000_;
}

void EfdContentChecks::Line(int64_t line, std::string_view reg, uint32_t code,
                            const std::vector<std::string_view>& fields) {
  n_ = line;
  fields_ = &fields;
  if (layout_ == EfdLayout::kContribuicoes) {
    if (code == RegisterCode("0140")) {
      Record0140();
    } else if (code == RegisterCode("C010")) {
      cnpj_ = F(2);
      auto it = uf_of_cnpj_.find(cnpj_);
      uf_ = it != uf_of_cnpj_.end() ? it->second : cnpj_ == cnpj0000_ ? uf0000_ : std::string();
    } else if (code == RegisterCode("C100")) {
      reg_ = reg;
      AccessKey();
    }
    return;
  }
  // EFD ICMS/IPI, or a fragment without 0000 (whose registers of blocks C,
  // D, E and H are those of EFD ICMS/IPI).
  const char block = reg[0];
  if (block != 'C' && block != 'D' && block != 'E' && block != 'H') return;
  reg_ = reg;
  // A line of a register read here with fields missing: reported, and its
  // document is not summed.
  bool short_line = false;
  for (const auto& c : kFieldCounts)
    if (code == RegisterCode(c.reg) && fields.size() < c.fields) {
      short_line = true;
      Finding f(n_, 0, 0, reg_, "", Severity::kErro, Check::kFieldCount);
      f.values = {static_cast<int64_t>(fields.size()), static_cast<int64_t>(c.fields), 0};
      r_.Add(std::move(f));
    }

  if (doc_.spec) {
    const SumSpec& spec = *doc_.spec;
    const uint32_t parent = RegisterCode(spec.parent);
    if (code == RegisterCode(spec.child))
      ChildLine(spec);
    else if (code >> 16 != parent >> 16 || code == parent)
      CloseDoc();  // a register of another family, or the next document
  }
  for (const SumSpec& spec : kSums)
    if (code == RegisterCode(spec.parent)) OpenDoc(spec);
  if (short_line) {
    doc_.bad = true;
    return;
  }

  switch (code) {
    case RegisterCode("C100"):
      AccessKey();
      break;
    case RegisterCode("C170"):
      if (doc_.spec == &kC100) NoteItem();
      break;
    case RegisterCode("C190"):
      if (doc_.spec == &kC100) NoteAnalytic();
      break;
    case RegisterCode("H010"):
      if (doc_.spec == &kSums[3]) InventoryItem();
      break;
    case RegisterCode("D500"):
      cod_sit_ = F(6);
      break;
    case RegisterCode("E110"):
      RecordE110();
      break;
    default:
      break;
  }
  if (reg[3] == '0' && (block == 'C' || block == 'D')) Analytic(code);
}

void EfdContentChecks::Finish() {
  if (doc_.spec) CloseDoc();
  E110Totals();
  RepeatedKeys();
}

// ------------------------------------------------------------ documents

void EfdContentChecks::OpenDoc(const SumSpec& spec) {
  doc_ = Doc{};
  doc_.spec = &spec;
  doc_.line = n_;
  if (spec.cod_sit) {
    cod_sit_ = F(spec.cod_sit);
    // Regular, extemporaneous, complementary (and its extemporaneous) and
    // special-regime documents carry values; cancelled, denied and unused
    // numbers do not.
    doc_.counted = cod_sit_ == "00" || cod_sit_ == "01" || cod_sit_ == "06" || cod_sit_ == "07" ||
                   cod_sit_ == "08";
  } else {
    doc_.counted = true;
  }
  if (!doc_.counted) return;
  for (int k = 0; k < spec.pairs_count; ++k)
    if (!Value(spec.pairs[k].parent_field, spec.pairs[k].name, doc_.head[static_cast<size_t>(k)]))
      doc_.bad = true;
  if (&spec == &kC100) {
    groups_.clear();
    note_has_items_ = false;
    items_total_ = 0;
    if (!Value(16, "VL_MERC", merc_)) doc_.bad = true;
  }
}

void EfdContentChecks::ChildLine(const SumSpec& spec) {
  if (!doc_.counted) return;
  for (int k = 0; k < spec.pairs_count; ++k) {
    int64_t v;
    if (!Value(spec.pairs[k].child_field, spec.pairs[k].name, v)) doc_.bad = true;
    doc_.sum[static_cast<size_t>(k)] += v;
  }
}

void EfdContentChecks::CloseDoc() {
  const SumSpec& spec = *doc_.spec;
  if (doc_.counted && !doc_.bad) {
    for (int k = 0; k < spec.pairs_count; ++k) {
      const auto& p = spec.pairs[k];
      const int64_t head = doc_.head[static_cast<size_t>(k)],
                    sum = doc_.sum[static_cast<size_t>(k)];
      if (Cents(head) == Cents(sum)) continue;
      Add(doc_.line, spec.check, static_cast<int>(p.parent_field), spec.parent, p.name, p.severity,
          {head, sum, 0});
    }
    if (&spec == &kC100) CloseNoteItems();
  }
  doc_ = Doc{};
}

// A C170 of the open note: its group's sums and the items' total.
void EfdContentChecks::NoteItem() {
  if (!doc_.counted) return;
  note_has_items_ = true;
  int64_t item = 0, rate = 0;
  bool ok = Value(7, "VL_ITEM", item);
  items_total_ += item;
  std::string_view cst = F(10), cfop = F(11);
  ok = Value(14, "ALIQ_ICMS", rate) && ok;
  std::array<int64_t, 5> values{};
  for (size_t k = 0; k < 5; ++k)
    ok = Value(kItemSums[k].item_field, kItemSums[k].name, values[k]) && ok;
  if (!ok) {
    doc_.bad = true;
    return;
  }
  const int cst_n = Digits(cst) && cst.size() <= 3 ? static_cast<int>(Number(cst)) : -1;
  const int cfop_n = Digits(cfop) && cfop.size() == 4 ? static_cast<int>(Number(cfop)) : -1;
  auto it = std::find_if(groups_.begin(), groups_.end(), [&](const Group& g) {
    return g.cst == cst_n && g.cfop == cfop_n && g.rate == rate;
  });
  if (it == groups_.end()) it = groups_.insert(groups_.end(), Group{cst_n, cfop_n, rate, n_});
  it->items += item;
  for (size_t k = 0; k < 5; ++k) it->sum[k] += values[k];
}

// A C190 of a note with items against the items of its CST, CFOP and rate.
void EfdContentChecks::NoteAnalytic() {
  if (!doc_.counted || !note_has_items_ || doc_.bad) return;
  std::string_view cst = F(2), cfop = F(3);
  int64_t rate = 0;
  if (!Value(4, "ALIQ_ICMS", rate)) return;
  const int cst_n = Digits(cst) && cst.size() <= 3 ? static_cast<int>(Number(cst)) : -1;
  const int cfop_n = Digits(cfop) && cfop.size() == 4 ? static_cast<int>(Number(cfop)) : -1;
  auto it = std::find_if(groups_.begin(), groups_.end(), [&](const Group& g) {
    return g.cst == cst_n && g.cfop == cfop_n && g.rate == rate;
  });
  Group none{cst_n, cfop_n, rate, n_};
  Group& g = it == groups_.end() ? none : *it;
  g.matched = true;
  for (size_t k = 0; k < 5; ++k) {
    int64_t v;
    if (!Value(kItemSums[k].analytic_field, kItemSums[k].name, v)) return;
    if (Cents(v) == Cents(g.sum[k])) continue;
    const int field = static_cast<int>(kItemSums[k].analytic_field);
    Add(n_, Check::kC190VsC170, field, "C190", kItemSums[k].name, Severity::kErro,
        {v, g.sum[k], GroupValue(cst_n, cfop_n, rate)});
  }
}

// At the end of a note with items: the groups without a C190 and the
// note's VL_MERC against the items' total.
void EfdContentChecks::CloseNoteItems() {
  if (!note_has_items_) return;
  for (const Group& g : groups_) {
    if (g.matched) continue;
    Add(g.first_line, Check::kC170WithoutC190, 0, "C170", "", Severity::kErro,
        {g.items, 0, GroupValue(g.cst, g.cfop, g.rate)});
  }
  if (Cents(merc_) != Cents(items_total_)) {
    Add(doc_.line, Check::kC100VsC170, 16, "C100", "VL_MERC", Severity::kAviso,
        {merc_, items_total_, 0});
  }
}

// H010: VL_ITEM is QTD × VL_UNIT within a cent.
void EfdContentChecks::InventoryItem() {
  std::optional<ParsedDecimal> qtd = ParseDecimalComma(F(4)), unit = ParseDecimalComma(F(5));
  int64_t item = 0;
  if (!qtd || !unit) {
    if (!qtd && !F(4).empty()) Value(4, "QTD", item);
    if (!unit && !F(5).empty()) Value(5, "VL_UNIT", item);
    return;
  }
  std::optional<int64_t> v = ParseAmount(F(6));
  if (!v) return;  // reported with the inventory's sum
  item = *v;
  const int scale = qtd->scale + unit->scale;
  static constexpr int64_t kPow10[] = {1,
                                       10,
                                       100,
                                       1000,
                                       10000,
                                       100000,
                                       1000000,
                                       10000000,
                                       100000000,
                                       1000000000,
                                       10000000000,
                                       100000000000,
                                       1000000000000,
                                       10000000000000,
                                       100000000000000,
                                       1000000000000000,
                                       10000000000000000,
                                       100000000000000000,
                                       1000000000000000000};
  if (scale > 18) return;  // more decimals than any layout gives
  const int64_t product =
      scale >= 4 ? MulDivRoundEven(qtd->mantissa, unit->mantissa, kPow10[scale - 4])
                 : MulDivRoundEven(qtd->mantissa, unit->mantissa * kPow10[4 - scale], 1);
  // Within a cent: VL_UNIT has six decimals so that the product comes out
  // right to the cent.
  const int64_t tolerance = 100;
  if (std::abs(product - item) <= tolerance) return;
  Add(n_, Check::kH010Product, 6, "H010", "VL_ITEM", Severity::kAviso, {item, product, 0},
      JoinParts({Shown(F(4)), Shown(F(5))}));
}

// ------------------------------------------------------------ E110

void EfdContentChecks::RecordE110() {
  std::array<int64_t, 15> v{};
  bool ok = true;
  static const char* const kNames[15] = {"",
                                         "",
                                         "VL_TOT_DEBITOS",
                                         "VL_AJ_DEBITOS",
                                         "VL_TOT_AJ_DEBITOS",
                                         "VL_ESTORNOS_CRED",
                                         "VL_TOT_CREDITOS",
                                         "VL_AJ_CREDITOS",
                                         "VL_TOT_AJ_CREDITOS",
                                         "VL_ESTORNOS_DEB",
                                         "VL_SLD_CREDOR_ANT",
                                         "VL_SLD_APURADO",
                                         "VL_TOT_DED",
                                         "VL_ICMS_RECOLHER",
                                         "VL_SLD_CREDOR_TRANSPORTAR"};
  for (size_t i = 2; i <= 14; ++i) ok = Value(i, kNames[i], v[i]) && ok;
  if (!ok) return;
  if (e110_line_ == 0) e110_line_ = n_;
  e110_debits_ += v[2];
  e110_credits_ += v[6];
  // The balance of the period: debits and their adjustments less credits,
  // their adjustments and the previous credit balance.
  const int64_t balance = v[2] + v[3] + v[4] + v[5] - (v[6] + v[7] + v[8] + v[9] + v[10]);
  const int64_t expected[15] = {
      0,
      0,
      0,
      0,
      0,
      0,
      0,
      0,
      0,
      0,
      0,
      std::max<int64_t>(balance, 0),
      0,
      std::max<int64_t>(v[11] - v[12], 0),
      std::max<int64_t>(-balance, 0) + std::max<int64_t>(v[12] - v[11], 0)};
  for (size_t i : {size_t{11}, size_t{13}, size_t{14}}) {
    if (Cents(v[i]) == Cents(expected[i])) continue;
    Add(n_, Check::kE110Formula, static_cast<int>(i), "E110", kNames[i], Severity::kErro,
        {v[i], expected[i], 0});
  }
}

// The ICMS of an analytic register, as a debit (exits) or a credit
// (entries). Documents booked late (situation 01 and 07) are adjusted in
// E111, not summed into the debits.
void EfdContentChecks::Analytic(uint32_t code) {
  for (const auto& a : kAnalytic) {
    if (code != RegisterCode(a.reg)) continue;
    std::string_view cfop = F(a.cfop);
    std::optional<int64_t> icms = ParseAmount(F(a.icms));
    if (!icms || !Digits(cfop) || cfop.size() != 4) return;
    const int code = static_cast<int>(Number(cfop));
    const bool parented = a.credits;  // C190, C590, D190, D590 follow their document
    const bool late = parented && (cod_sit_ == "01" || cod_sit_ == "07");
    if (Exit(code) && !late) debits_ += *icms;
    if (a.credits && Entry(code)) credits_ += *icms;
    return;
  }
}

void EfdContentChecks::E110Totals() {
  if (e110_line_ == 0) return;
  for (auto [field, name, value, sum] :
       {std::tuple{2, "VL_TOT_DEBITOS", e110_debits_, debits_},
        std::tuple{6, "VL_TOT_CREDITOS", e110_credits_, credits_}}) {
    if (Cents(value) == Cents(sum)) continue;
    Add(e110_line_, Check::kE110Totals, field, "E110", name, Severity::kAviso, {value, sum, 0});
  }
}

// ------------------------------------------------------------ keys

void EfdContentChecks::Record0140() {
  // |0140|COD_EST|NOME|CNPJ|UF|...
  uf_of_cnpj_[std::string(F(4))] = std::string(F(5));
}

void EfdContentChecks::AccessKey() {
  // |C100|IND_OPER|IND_EMIT|COD_PART|COD_MOD|COD_SIT|SER|NUM_DOC|CHV_NFE|...
  std::string_view key = F(9);
  if (key.empty()) return;
  auto add = [this](Check check, std::string_view text, std::array<int64_t, 3> values = {}) {
    Add(n_, check, 9, "C100", "CHV_NFE", Severity::kErro, values, text);
  };

  if (key.size() != 44 || NfeKeyCheckDigit(key.substr(0, 43)) < 0 || key[43] < '0' ||
      key[43] > '9') {
    add(Check::kKeyMalformed, Shown(key));
    return;
  }
  if (!IsValidNfeKey(key)) {
    add(Check::kKeyCheckDigit, key);
    return;
  }
  Key k{};
  std::memcpy(k.key.data(), key.data(), 44);
  k.line = n_;
  keys_.push_back(k);

  // Model, series and number of the note; a series left blank is series 0.
  std::string_view model = F(5), series = F(7), number = F(8);
  const bool agree =
      model == key.substr(20, 2) &&
      (series.empty()
           ? Number(key.substr(22, 3)) == 0
           : Digits(series) && series.size() <= 3 && Number(series) == Number(key.substr(22, 3))) &&
      Digits(number) && number.size() <= 9 && Number(number) == Number(key.substr(25, 9));
  if (!agree) {
    add(Check::kKeyDisagrees, JoinParts({key, Shown(model), Shown(series), Shown(number)}));
  }
  if (F(3) != "0") return;  // a third party's note
  if (!cnpj_.empty() && key.substr(6, 14) != cnpj_) {
    add(Check::kKeyCnpj, JoinParts({key.substr(6, 14), Shown(cnpj_)}));
  }
  const int uf = IbgeUfCode(uf_);
  const int in_key = static_cast<int>(Number(key.substr(0, 2)));
  if (uf > 0 && in_key != uf) {
    add(Check::kKeyUf, uf_, {in_key, uf, 0});
  }
}

void EfdContentChecks::RepeatedKeys() {
  // Ordered by a hash of the key and then the line; equal hashes are
  // compared whole.
  std::vector<std::pair<uint64_t, uint32_t>> order(keys_.size());
  for (size_t i = 0; i < keys_.size(); ++i) {
    uint64_t h = 14695981039346656037ull;
    for (char c : keys_[i].key) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    order[i] = {h, static_cast<uint32_t>(i)};
  }
  std::sort(order.begin(), order.end());
  for (size_t i = 0; i < order.size();) {
    size_t end = i + 1;
    while (end < order.size() && order[end].first == order[i].first) ++end;
    // Within a run of one hash, each key after the first of its text.
    for (size_t a = i + 1; a < end; ++a) {
      const Key& k = keys_[order[a].second];
      for (size_t b = i; b < a; ++b) {
        const Key& first = keys_[order[b].second];
        if (first.key != k.key) continue;
        Add(k.line, Check::kKeyRepeated, 9, "C100", "CHV_NFE", Severity::kErro, {first.line, 0, 0});
        break;
      }
    }
    i = end;
  }
}

}  // namespace fiscora
