#include "audit/efd_audit.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <tuple>
#include <unordered_map>

#include "audit/movements.h"
#include "data/format.h"
#include "data/text.h"
#include "nfe/reader.h"
#include "session/pacer.h"
#include "sintegra/input_check.h"
#include "sintegra/layout.h"
#include "sped/fields.h"
#include "sped/input_check.h"

namespace fiscora {

namespace {

// ------------------------------------------------------------ dates

// "ddmmyyyy" (already checked as eight digits) as yyyymmdd.
int32_t DayMonthYear(std::string_view s) {
  return static_cast<int32_t>(DigitsValue(s.substr(4, 4)) * 10000 +
                              DigitsValue(s.substr(2, 2)) * 100 + DigitsValue(s.substr(0, 2)));
}

std::chrono::year_month_day Ymd(int32_t d) {
  return std::chrono::year_month_day{std::chrono::year{d / 10000},
                                     std::chrono::month{static_cast<unsigned>(d / 100 % 100)},
                                     std::chrono::day{static_cast<unsigned>(d % 100)}};
}

int32_t DayBefore(int32_t d) {
  const std::chrono::year_month_day before{std::chrono::sys_days{Ymd(d)} - std::chrono::days{1}};
  return static_cast<int32_t>(int{before.year()} * 10000 +
                              static_cast<int>(unsigned{before.month()}) * 100 +
                              static_cast<int>(unsigned{before.day()}));
}

std::string Two(int v) {
  return std::string{static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}

// yyyymmdd as dd/mm/yyyy.
std::string DateText(int32_t d) {
  return Two(d % 100) + "/" + Two(d / 100 % 100) + "/" + std::to_string(d / 10000);
}

// ------------------------------------------------------------ accumulation

// The quantities (and values) of one product in one unit, by where they
// count: the twelve movement groups (entries then exits, in the order of
// EfdAudit::group_fields_), the fiscal printers, the XML exits (also in their group),
// the IND_MOV 1 items (in their group only when they count), the two
// inventories.
enum Slot : int { kGroupSlots = 12, kEcf = kGroupSlots, kXml, kIndMov1, kInitial, kFinal, kSlots };

struct Amounts {
  std::array<double, kSlots> qty{};
  std::array<Money, kSlots> value{};
};

struct UnitMoves {
  std::string unit;  // folded
  std::string shown;
  std::string where;
  Amounts a;
};

struct Product {
  std::vector<UnitMoves> units;
  std::string fallback_description;  // from an XML item, for a code without 0200
};

struct CatalogueItem {
  std::string description;
  std::string unit, unit_shown;                     // UNID_INV, folded and as written
  std::unordered_map<std::string, double> factors;  // folded UNID_CONV -> FAT_CONV
};

struct StringHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
template <typename T>
using StringMap = std::unordered_map<std::string, T, StringHash, std::equal_to<>>;

// The exits waiting for their XML items.
struct PendingExit {
  std::string key, date, model, number, where;
  Money value;
};

// One file to read and what it is read for.
struct FileRole {
  std::string path;
  bool period = false, opening = false, closing = false;
  bool opening_found = false, closing_found = false;
  std::vector<int32_t> inventory_dates;  // every H005 DT_INV of the file
};

// A fiscal-printer item kept until its reduction ends.
struct EcfItem {
  std::string code, unit;
  double qty;
  Money value;
  int64_t line;
};

class EfdAudit {
 public:
  EfdAudit(Session& s, const EfdAuditInputs& in) : s_(s), in_(in), pacer_(s.ui) {
    // clang-format off
    static constexpr AuditGroupFields kFields[kGroupSlots] = {
        {faudit::EREVENDA, faudit::EREVENDA_VAL},       {faudit::EINSUMO, faudit::EINSUMO_VAL},
        {faudit::ESERVINSUMO, faudit::ESERVINSUMO_VAL}, {faudit::EDEVOLUCAO, faudit::EDEVOLUCAO_VAL},
        {faudit::E1926, faudit::E1926_VAL},             {faudit::EOUTROS, faudit::EOUTROS_VAL},
        {faudit::SREVENDA, faudit::SREVENDA_VAL},       {faudit::SINSUMO, faudit::SINSUMO_VAL},
        {faudit::SSERVINSUMO, faudit::SSERVINSUMO_VAL}, {faudit::SDEVOLUCAO, faudit::SDEVOLUCAO_VAL},
        {faudit::S5926, faudit::S5926_VAL},             {faudit::SOUTROS, faudit::SOUTROS_VAL}};
    // clang-format on
    for (int i = 0; i < kGroupSlots; ++i) group_fields_[static_cast<size_t>(i)] = kFields[i];
  }

  EfdAuditOutcome Run();

 private:
  void Roles();
  void ReadHeaders();
  void ReadFile(FileRole& role);
  void ResolveExits();
  void Fill();

  // The group slot of a CFOP on a side (cached per CFOP).
  int GroupSlot(std::string_view cfop, AuditSide side);
  UnitMoves& Moves(std::string_view code, std::string_view unit, const std::string& file,
                   int64_t line);
  void AddItem(std::string_view code, std::string_view unit, std::string_view cfop, double qty,
               Money value, bool no_movement, bool xml, const std::string& file, int64_t line);

  Session& s_;
  const EfdAuditInputs& in_;
  Pacer pacer_;
  EfdAuditOutcome out_;
  std::vector<FileRole> roles_;
  int32_t opening_ = 0, closing_ = 0;  // yyyymmdd sought in block H
  StringMap<CatalogueItem> catalogue_;
  StringMap<Product> products_;
  std::vector<PendingExit> pending_;
  std::array<AuditGroupFields, kGroupSlots> group_fields_{};
  std::unordered_map<int, int> cfop_slots_;
  std::string cnpj_;
};

int EfdAudit::GroupSlot(std::string_view cfop, AuditSide side) {
  const int code =
      static_cast<int>(OnlyDigits(cfop) && cfop.size() == 4 ? DigitsValue(cfop) : 0) * 2 +
      (side == AuditSide::kExit ? 1 : 0);
  auto it = cfop_slots_.find(code);
  if (it != cfop_slots_.end()) return it->second;
  const int field = AuditFieldsOf(cfop, side).quantity;
  int slot = 0;
  while (slot < kGroupSlots && group_fields_[static_cast<size_t>(slot)].quantity != field) ++slot;
  cfop_slots_.emplace(code, slot);
  return slot;
}

UnitMoves& EfdAudit::Moves(std::string_view code, std::string_view unit, const std::string& file,
                           int64_t line) {
  auto it = products_.find(code);
  if (it == products_.end()) it = products_.emplace(std::string(code), Product{}).first;
  const std::string folded = FoldCase(SpedTrim(unit));
  for (UnitMoves& u : it->second.units)
    if (u.unit == folded) return u;
  UnitMoves& u = it->second.units.emplace_back();
  u.unit = folded;
  u.shown = std::string(SpedTrim(unit));
  u.where = line > 0 ? file + ":" + std::to_string(line) : file;
  return u;
}

void EfdAudit::AddItem(std::string_view code, std::string_view unit, std::string_view cfop,
                       double qty, Money value, bool no_movement, bool xml, const std::string& file,
                       int64_t line) {
  const AuditSide side = AuditSideOf(cfop, true);
  if (side == AuditSide::kNone || code.empty()) return;
  Amounts& a = Moves(code, unit, file, line).a;
  if (no_movement) a.qty[kIndMov1] += qty;
  if (no_movement && !in_.count_ind_mov1) return;
  const int slot = GroupSlot(cfop, side);
  a.qty[static_cast<size_t>(slot)] += qty;
  a.value[static_cast<size_t>(slot)] += value;
  if (xml) a.qty[kXml] += qty;
}

// ------------------------------------------------------------ the files

// The distinct files and what each is read for: a file may be a period and
// hold an inventory too.
void EfdAudit::Roles() {
  auto role_of = [&](const std::string& path) -> FileRole& {
    for (FileRole& r : roles_) {
      std::error_code ec;
      if (r.path == path ||
          std::filesystem::equivalent(PathFromUtf8(r.path), PathFromUtf8(path), ec))
        return r;
    }
    roles_.emplace_back().path = path;
    return roles_.back();
  };
  for (const std::string& p : in_.periods) {
    FileRole& r = role_of(p);
    if (r.period) throw InputRefusal(p, 0, "o arquivo foi informado duas vezes como período");
    r.period = true;
  }
  if (!in_.initial_inventory.empty()) role_of(in_.initial_inventory).opening = true;
  if (!in_.final_inventory.empty()) role_of(in_.final_inventory).closing = true;
  for (const FileRole& r : roles_) CheckEfdInput(PathFromUtf8(r.path));
}

// The 0000 line of every file: the establishment, the periods, and from
// them the dates of the inventories.
void EfdAudit::ReadHeaders() {
  int32_t first = 0, last = 0;
  std::vector<std::string> fields_text;
  std::vector<std::string_view> f;
  for (const FileRole& r : roles_) {
    SpedLineReader reader(PathFromUtf8(r.path));
    std::string_view line;
    if (!reader.Next(line)) continue;  // CheckEfdInput refuses an empty file
    SpedCutFields(line, f);
    const SpedWhere where{r.path, reader.line_number(), "0000"};
    auto field = [&](size_t n) { return n < f.size() ? SpedTrim(f[n]) : std::string_view(); };
    SpedDateField(field(4), where, 3, "DT_INI");
    SpedDateField(field(5), where, 4, "DT_FIN");
    const int32_t start = DayMonthYear(field(4)), end = DayMonthYear(field(5));
    if (!Ymd(start).ok() || !Ymd(end).ok())
      throw InputRefusal(r.path, reader.line_number(),
                         "o período do registro 0000 não é uma data válida");
    std::string cnpj(field(7).empty() ? field(8) : field(7));
    if (cnpj_.empty()) {
      cnpj_ = cnpj;
    } else if (cnpj != cnpj_) {
      throw InputRefusal(
          r.path, reader.line_number(),
          "o arquivo é de outro estabelecimento (" + cnpj + "); o primeiro é " + cnpj_);
    }
    if (!r.period) continue;
    first = first == 0 ? start : std::min(first, start);
    last = std::max(last, end);
  }
  // The periods in the order given.
  for (const std::string& p : in_.periods) {
    SpedLineReader reader(PathFromUtf8(p));
    std::string_view line;
    reader.Next(line);
    SpedCutFields(line, f);
    const std::string_view start = SpedTrim(f.size() > 4 ? f[4] : std::string_view());
    std::string label = std::string(start.substr(2, 2)) + "/" + std::string(start.substr(4, 4));
    if (std::find(out_.periods.begin(), out_.periods.end(), label) != out_.periods.end())
      throw InputRefusal(p, 1, "o período " + label + " já consta na listagem");
    out_.periods.push_back(std::move(label));
  }
  opening_ = DayBefore(first);
  closing_ = last;
  out_.opening_date = DateText(opening_);
  out_.closing_date = DateText(closing_);
}

void EfdAudit::ReadFile(FileRole& role) {
  const std::string& file = role.path;
  SpedLineReader reader(PathFromUtf8(file));
  std::vector<std::string_view> f;
  std::string_view line;

  CatalogueItem* item = nullptr;  // the 0200 a 0220 follows

  // The note being read: its C170 lines count when it is regular.
  struct Note {
    bool active = false, counted = false, exit = false, has_items = false;
    int64_t line = 0;
    PendingExit pending;
  } note;
  // Regular entry notes without C170: not counted, told in one warning.
  int64_t entries_without_items = 0, first_entry_without_items = 0;
  auto end_note = [&] {
    if (note.active && note.counted && note.exit) {
      if (note.has_items)
        ++out_.exits_by_c170;
      else
        pending_.push_back(std::move(note.pending));
    } else if (note.active && note.counted && !note.has_items) {
      if (entries_without_items++ == 0) first_entry_without_items = note.line;
    }
    note = Note{};
  };

  // The reduction being read: C425 items, or else C470 items.
  std::vector<EcfItem> c425, c470;
  auto end_reduction = [&] {
    const std::vector<EcfItem>& items = c425.empty() ? c470 : c425;
    for (const EcfItem& i : items) {
      Amounts& a = Moves(i.code, i.unit, file, i.line).a;
      a.qty[kEcf] += i.qty;
      a.value[kEcf] += i.value;
    }
    c425.clear();
    c470.clear();
  };

  // The inventory being read.
  enum class Inv { kNone, kOpening, kClosing } inv = Inv::kNone;
  Money inv_declared, inv_sum;
  int64_t inv_line = 0;
  auto end_inventory = [&] {
    if (inv == Inv::kNone) return;
    if (inv_declared != inv_sum)
      out_.warnings.push_back(file + ":" + std::to_string(inv_line) +
                              ": o valor do inventário (H005 VL_INV " + FormatMoney(inv_declared) +
                              ") difere da soma dos itens (H010 VL_ITEM " + FormatMoney(inv_sum) +
                              ")");
    inv = Inv::kNone;
  };

  while (reader.Next(line)) {
    pacer_.Tick();
    // The register: between the first two bars.
    const size_t bar = line.find('|');
    if (bar == std::string_view::npos) continue;
    const size_t bar2 = line.find('|', bar + 1);
    const std::string_view reg = SpedTrim(line.substr(bar + 1, bar2 - bar - 1));
    if (reg.size() != 4) continue;
    const bool block_c1 = reg[0] == 'C' && reg[1] == '1';
    const bool block_c4 = reg[0] == 'C' && reg[1] == '4';
    if (!block_c1 || reg == "C100") end_note();
    if (!block_c4 || reg == "C400" || reg == "C405") end_reduction();
    if (reg[0] != 'H' || reg == "H005") end_inventory();
    if (reg.substr(0, 2) != "02") item = nullptr;

    const bool wanted = reg == "0200" || reg == "0220" || reg == "C100" || reg == "C170" ||
                        reg == "C425" || reg == "C470" || reg == "H005" || reg == "H010";
    if (!wanted) continue;
    SpedCutFields(line.substr(bar), f);
    const int64_t n = reader.line_number();
    const SpedWhere where{file, n, reg};
    auto field = [&](size_t i) { return i < f.size() ? SpedTrim(f[i]) : std::string_view(); };
    auto money = [&](size_t i, std::string_view name) {
      std::string_view v = field(i);
      return v.empty() ? Money() : SpedMoney(v, where, static_cast<int>(i) - 1, name);
    };
    auto qty = [&](size_t i, std::string_view name) {
      std::string_view v = field(i);
      if (v.empty()) return 0.0;
      std::optional<double> q = ParseDouble(v);
      if (!q)
        throw SpedConversionError(file, n, std::string(reg), static_cast<int>(i) - 1,
                                  std::string(name), std::string(v));
      return *q;
    };

    if (reg == "0200") {
      CatalogueItem& c = catalogue_[std::string(field(2))];
      c.description = reader.Decode(field(3));
      c.unit_shown = std::string(field(6));
      c.unit = FoldCase(c.unit_shown);
      item = &c;
    } else if (reg == "0220") {
      if (item) item->factors[FoldCase(field(2))] = qty(3, "FAT_CONV");
    } else if (reg == "C100") {
      if (!role.period) continue;
      note.active = true;
      note.line = n;
      const std::string_view sit = field(6);
      note.counted = sit == "00" || sit == "01" || sit == "08";
      note.exit = field(2) == "1";
      if (note.counted && note.exit) {
        PendingExit& p = note.pending;
        p.key = std::string(field(9));
        const std::string_view date = field(10);
        p.date = date.empty() ? std::string() : SpedDateField(date, where, 9, "DT_DOC");
        p.value = money(12, "VL_DOC");
        p.model = std::string(field(5));
        p.number = std::string(field(8));
        p.where = file + ":" + std::to_string(n);
      }
    } else if (reg == "C170") {
      if (!note.active || !note.counted) continue;
      note.has_items = true;
      AddItem(field(3), field(6), field(11), qty(5, "QTD"), money(7, "VL_ITEM"), field(9) == "1",
              false, file, n);
    } else if (reg == "C425") {
      if (!role.period) continue;
      c425.push_back(
          {std::string(field(2)), std::string(field(4)), qty(3, "QTD"), money(5, "VL_ITEM"), n});
    } else if (reg == "C470") {
      if (!role.period) continue;
      c470.push_back({std::string(field(2)), std::string(field(5)),
                      qty(3, "QTD") - qty(4, "QTD_CANC"), money(6, "VL_ITEM"), n});
    } else if (reg == "H005") {
      SpedDateField(field(2), where, 1, "DT_INV");
      const int32_t date = DayMonthYear(field(2));
      role.inventory_dates.push_back(date);
      if (role.opening && date == opening_ && !role.opening_found) {
        inv = Inv::kOpening;
        role.opening_found = true;
      } else if (role.closing && date == closing_ && !role.closing_found) {
        inv = Inv::kClosing;
        role.closing_found = true;
      } else {
        continue;
      }
      inv_declared = money(3, "VL_INV");
      inv_sum = Money();
      inv_line = n;
    } else if (reg == "H010") {
      if (inv == Inv::kNone) continue;
      const double q = qty(4, "QTD");
      const Money value = money(6, "VL_ITEM");
      inv_sum += value;
      const std::string_view code = field(2);
      if (field(7) == "2") {
        EfdThirdPartyStock t;
        t.inventory = inv == Inv::kOpening ? "inicial" : "final";
        t.date = DateText(inv == Inv::kOpening ? opening_ : closing_);
        t.code = std::string(code);
        t.unit = std::string(field(3));
        t.quantity = q;
        t.value = value;
        t.participant = std::string(field(8));
        t.where = file + ":" + std::to_string(n);
        out_.third_party.push_back(std::move(t));
        continue;
      }
      Amounts& a = Moves(code, field(3), file, n).a;
      const Slot slot = inv == Inv::kOpening ? kInitial : kFinal;
      a.qty[slot] += q;
      a.value[slot] += value;
      (inv == Inv::kOpening ? out_.opening_total : out_.closing_total) += value;
      ++(inv == Inv::kOpening ? out_.opening_items : out_.closing_items);
    }
  }
  end_note();
  end_reduction();
  end_inventory();
  if (entries_without_items > 0)
    out_.warnings.push_back(file + ":" + std::to_string(first_entry_without_items) + ": " +
                            std::to_string(entries_without_items) +
                            (entries_without_items == 1
                                 ? " nota de entrada sem itens (C170) não foi contada"
                                 : " notas de entrada sem itens (C170) não foram contadas") +
                            " (a primeira nesta linha)");

  // An inventory asked of this file and not in it: the date sought and the
  // dates there are.
  for (const auto& [asked, found, date] :
       {std::tuple{role.opening, role.opening_found, opening_},
        std::tuple{role.closing, role.closing_found, closing_}}) {
    if (!asked || found) continue;
    std::string reason =
        "não há inventário (registro H005) de " + DateText(date) + " neste arquivo";
    if (role.inventory_dates.empty()) {
      reason += "; o arquivo não tem registro H005";
    } else {
      reason += "; há inventário de:";
      for (size_t i = 0; i < role.inventory_dates.size(); ++i)
        reason += (i ? ", " : " ") + DateText(role.inventory_dates[i]);
    }
    throw InputRefusal(file, 0, reason);
  }
}

// The exits without C170: the items of their XML, or the list.
void EfdAudit::ResolveExits() {
  NfeReadResult xml;
  if (!in_.xml.empty()) {
    NfeReadOptions options;
    options.items = true;
    xml = ReadNfeInputs(in_.xml, options);
  }
  out_.xml_notes = static_cast<int64_t>(xml.notes.size());
  for (PendingExit& p : pending_) {
    std::string reason;
    const int64_t i = p.key.empty() ? -1 : xml.Find(p.key);
    if (p.key.empty()) {
      reason = "nota sem chave (CHV_NFE) e sem itens (C170)";
    } else if (in_.xml.empty()) {
      reason = "sem itens (C170) e nenhum XML informado";
    } else if (i < 0) {
      reason = "sem itens (C170) e sem o XML da chave";
    } else if (xml.notes[static_cast<size_t>(i)].status == NfeStatus::kCancelled) {
      reason = "o XML da chave está cancelado";
    } else {
      const NfeNote& note = xml.notes[static_cast<size_t>(i)];
      const std::string file = xml.FileName(note);
      for (const NfeItem& it : xml.items[static_cast<size_t>(i)]) {
        Product& product = products_[it.code];
        if (product.fallback_description.empty()) product.fallback_description = it.description;
        AddItem(it.code, it.unit, std::to_string(it.cfop), it.quantity, it.value, false, true, file,
                0);
      }
      ++out_.exits_by_xml;
      continue;
    }
    EfdExitWithoutItems e;
    e.key = std::move(p.key);
    e.date = std::move(p.date);
    e.value = p.value;
    e.model = std::move(p.model);
    e.number = std::move(p.number);
    e.where = std::move(p.where);
    e.reason = std::move(reason);
    out_.exits_without_items.push_back(std::move(e));
  }
  pending_.clear();
}

// cds_audit from the products, each brought to its inventory unit.
void EfdAudit::Fill() {
  ClientTable& audit = s_.dtm.cds_audit;
  std::vector<int> group_qty(kGroupSlots), group_val(kGroupSlots);
  for (size_t i = 0; i < kGroupSlots; ++i) {
    group_qty[i] = group_fields_[i].quantity;
    group_val[i] = group_fields_[i].value;
  }
  const int f_codigo = faudit::codigo, f_descricao = faudit::descricao,
            f_in = faudit::TOTALENTRADAS, f_in_val = faudit::TOTALENTRADAS_VAL,
            f_out = faudit::TOTALSAIDAS, f_out_val = faudit::TOTALSAIDAS_VAL, f_secf = faudit::SECF,
            f_secf_val = faudit::SECF_VAL, f_ini = faudit::QTD_INICIAL, f_fim = faudit::QTD_FINAL,
            f_ini_unit = faudit::INV_INI_UNITARIO, f_fim_unit = faudit::INV_FIM_UNITARIO,
            f_xml = faudit::SAIDAS_XML, f_ecf = faudit::SAIDAS_ECF, f_mov1 = faudit::QTD_IND_MOV1,
            f_sem = faudit::SEM_CONVERSAO;

  std::vector<const std::string*> codes;
  codes.reserve(products_.size());
  for (const auto& [code, p] : products_) codes.push_back(&code);
  std::sort(codes.begin(), codes.end(), [](auto* a, auto* b) { return *a < *b; });

  audit.EmptyDataSet();
  for (const std::string* code : codes) {
    pacer_.Tick();
    const Product& p = products_.find(*code)->second;
    auto it = catalogue_.find(*code);
    const CatalogueItem* item = it == catalogue_.end() ? nullptr : &it->second;
    Amounts total;
    double without_conversion = 0;
    for (const UnitMoves& u : p.units) {
      double factor = 1;
      if (!item) {
        // Counted as written: the movements, the printers, the inventories.
        double sum = u.a.qty[kEcf] + u.a.qty[kInitial] + u.a.qty[kFinal];
        for (size_t g = 0; g < kGroupSlots; ++g) sum += u.a.qty[g];
        out_.without_record.push_back({*code, u.shown, sum, u.where});
      } else if (!u.unit.empty() && u.unit != item->unit) {
        auto f = item->factors.find(u.unit);
        if (f == item->factors.end()) {
          EfdUnitWithoutConversion w;
          w.code = *code;
          w.description = item->description;
          w.unit = u.shown;
          w.inventory_unit = item->unit_shown;
          for (size_t g = 0; g < kGroupSlots; ++g) (g < 6 ? w.entries : w.exits) += u.a.qty[g];
          w.exits += u.a.qty[kEcf];
          w.inventory = u.a.qty[kInitial] + u.a.qty[kFinal];
          w.where = u.where;
          without_conversion += w.entries + w.exits + w.inventory;
          out_.without_conversion.push_back(std::move(w));
          continue;
        }
        factor = f->second;
      }
      for (size_t i = 0; i < kSlots; ++i) {
        total.qty[i] += u.a.qty[i] * factor;
        total.value[i] += u.a.value[i];
      }
    }
    audit.Append();
    audit.SetText(f_codigo, *code);
    audit.SetText(f_descricao, item ? item->description : p.fallback_description);
    double in = 0, out = 0;
    Money in_val, out_val;
    for (size_t g = 0; g < kGroupSlots; ++g) {
      audit.SetFloat(group_qty[g], total.qty[g]);
      audit.SetMoney(group_val[g], total.value[g]);
      (g < 6 ? in : out) += total.qty[g];
      (g < 6 ? in_val : out_val) += total.value[g];
    }
    out += total.qty[kEcf];
    out_val += total.value[kEcf];
    audit.SetFloat(f_in, in);
    audit.SetMoney(f_in_val, in_val);
    audit.SetFloat(f_out, out);
    audit.SetMoney(f_out_val, out_val);
    audit.SetFloat(f_secf, total.qty[kEcf]);
    audit.SetMoney(f_secf_val, total.value[kEcf]);
    audit.SetFloat(f_ecf, total.qty[kEcf]);
    audit.SetFloat(f_xml, total.qty[kXml]);
    audit.SetFloat(f_mov1, total.qty[kIndMov1]);
    audit.SetFloat(f_sem, without_conversion);
    audit.SetFloat(f_ini, total.qty[kInitial]);
    audit.SetFloat(f_fim, total.qty[kFinal]);
    if (total.qty[kInitial] != 0)
      audit.SetMoney(f_ini_unit,
                     Money::FromDouble(total.value[kInitial].ToDouble() / total.qty[kInitial]));
    if (total.qty[kFinal] != 0)
      audit.SetMoney(f_fim_unit,
                     Money::FromDouble(total.value[kFinal].ToDouble() / total.qty[kFinal]));
    AuditOmissions(s_);
    audit.Post();
  }
  audit.SetIndexFieldNames("descricao");
  out_.products = static_cast<int64_t>(codes.size());

  // The descriptions of the third parties' goods.
  for (EfdThirdPartyStock& t : out_.third_party) {
    auto it = catalogue_.find(t.code);
    if (it != catalogue_.end()) t.description = it->second.description;
  }
}

EfdAuditOutcome EfdAudit::Run() {
  if (in_.periods.empty()) throw InputRefusal("", 0, "informe ao menos um arquivo EFD de período");
  Roles();
  ReadHeaders();
  out_.has_opening = !in_.initial_inventory.empty();
  out_.has_closing = !in_.final_inventory.empty();
  for (FileRole& r : roles_) ReadFile(r);
  ResolveExits();
  Fill();
  return std::move(out_);
}

}  // namespace

EfdAuditOutcome RunEfdAudit(Session& s, const EfdAuditInputs& inputs) {
  return EfdAudit(s, inputs).Run();
}

}  // namespace fiscora
