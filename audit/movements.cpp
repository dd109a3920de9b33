#include "audit/movements.h"

#include <cmath>
#include <string>

#include "session/pacer.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"

namespace fiscora {

namespace {

// The six movement groups, each with its entry and exit fields.
enum Group { kResale, kInput, kServiceInput, kReturn, kReclassification, kOther, kGroups };

constexpr int kEntryQty[kGroups] = {faudit::EREVENDA,   faudit::EINSUMO, faudit::ESERVINSUMO,
                                    faudit::EDEVOLUCAO, faudit::E1926,   faudit::EOUTROS};
constexpr int kEntryVal[kGroups] = {faudit::EREVENDA_VAL,    faudit::EINSUMO_VAL,
                                    faudit::ESERVINSUMO_VAL, faudit::EDEVOLUCAO_VAL,
                                    faudit::E1926_VAL,       faudit::EOUTROS_VAL};
constexpr int kExitQty[kGroups] = {faudit::SREVENDA,   faudit::SINSUMO, faudit::SSERVINSUMO,
                                   faudit::SDEVOLUCAO, faudit::S5926,   faudit::SOUTROS};
constexpr int kExitVal[kGroups] = {faudit::SREVENDA_VAL,    faudit::SINSUMO_VAL,
                                   faudit::SSERVINSUMO_VAL, faudit::SDEVOLUCAO_VAL,
                                   faudit::S5926_VAL,       faudit::SOUTROS_VAL};

// Digits 2 to 4 of the CFOP per group, in the order they are tried.
struct GroupCodes {
  Group group;
  std::initializer_list<std::string_view> codes;
};
const GroupCodes kGroupCodes[] = {
    {kResale, {"102", "113", "117", "118", "121", "251", "403", "652"}},
    {kInput, {"101", "111", "116", "120", "122", "126", "128", "401", "407", "556", "651", "653"}},
    {kServiceInput, {"124", "125", "933"}},
    {kReturn, {"201", "202", "203", "204", "410", "411", "660", "661", "662"}},
    {kReclassification, {"926"}},
};

Group GroupOf(std::string_view cfop) {
  std::string_view digits = cfop.size() > 1 ? cfop.substr(1, 3) : std::string_view();
  for (const GroupCodes& g : kGroupCodes)
    for (std::string_view code : g.codes)
      if (digits == code) return g.group;
  return kOther;
}

using Side = AuditSide;

// A quantity text read with the decimal comma; blank or unreadable is 0.
double Quantity(std::string_view text) {
  std::optional<double> q = ParseDouble(Trim(text));
  return q ? *q : 0.0;
}

void AddFloat(ClientTable& t, int field, double amount) {
  t.SetFloat(field, t.GetFloat(field) + amount);
}
void AddMoney(ClientTable& t, int field, Money amount) {
  t.SetMoney(field, t.GetMoney(field) + amount);
}

void Omissions(ClientTable& t) {
  // Extended precision, results stored as floats; the comparison is exact.
  long double x = static_cast<long double>(t.GetFloat(faudit::QTD_INICIAL)) +
                  static_cast<long double>(t.GetFloat(faudit::TOTALENTRADAS)) -
                  static_cast<long double>(t.GetFloat(faudit::TOTALSAIDAS));
  long double final_qty = t.GetFloat(faudit::QTD_FINAL);
  double out = 0, in = 0;
  if (x > final_qty)
    out = static_cast<double>(x - final_qty);
  else if (x < final_qty)
    in = static_cast<double>(final_qty - x);
  t.SetFloat(faudit::OM_SAIDA, out);
  t.SetFloat(faudit::OM_ENTRADA, in);
}

// Puts cds_audit in edit on the row of `code`, or appends a new one for it
// described from the period's record 75. Returns false (nothing started)
// only when `create` is false and there is no row.
bool EditOrAppend(Session& s, ClientTable& audit, const std::string& code, bool create) {
  if (audit.Locate("CODIGO", {code})) {
    audit.Edit();
    return true;
  }
  if (!create) return false;
  std::string description = ProductDescription(s, code);
  audit.Append();
  audit.SetText(faudit::codigo, code);
  audit.SetText(faudit::descricao, description);
  return true;
}

void MergeInventory(Session& s, ClientTable& inventory, bool initial) {
  ClientTable& audit = s.dtm.cds_audit;
  if (inventory.IsEmpty()) {
    s.ui.Message("Atenção!!!", "Este arquivo não possui registros de inventario");
    return;
  }
  const int i_codigo = f74::codigo, i_descricao = f74::descricao, i_quantidade = f74::quantidade,
            i_unitario = f74::unitario;
  const int qty_field = initial ? faudit::QTD_INICIAL : faudit::QTD_FINAL;
  const int unit_field = initial ? faudit::INV_INI_UNITARIO : faudit::INV_FIM_UNITARIO;
  const int omission_field = initial ? faudit::OM_SAIDA : faudit::OM_ENTRADA;
  Pacer pacer(s.ui);
  // The inventory's own order (by description after the completion); a code
  // listed twice leaves the values of the row reached last.
  for (ClientTable::RowId row : inventory.OrderedRows()) {
    pacer.Tick();
    std::string code(Trim(inventory.RowText(row, i_codigo)));
    if (code.empty()) continue;
    const double qty = inventory.RowFloat(row, i_quantidade);
    const Money unit = Money::FromRaw(inventory.RowRaw(row, i_unitario));
    if (audit.Locate("CODIGO", {code})) {
      audit.Edit();
      audit.SetFloat(qty_field, qty);
      audit.SetMoney(unit_field, unit);
      Omissions(audit);
    } else {
      audit.Append();
      audit.SetText(faudit::codigo, code);
      audit.SetText(faudit::descricao, inventory.RowText(row, i_descricao));
      audit.SetFloat(qty_field, qty);
      audit.SetFloat(omission_field, qty);
      audit.SetMoney(unit_field, unit);
    }
    audit.Post();
  }
}

// Puts a table back in the ordering it had: the period's tables are walked
// by product, but a table left in a key ordering makes every row the next
// load appends find its place in that ordering.
class KeepOrdering {
 public:
  explicit KeepOrdering(ClientTable& t)
      : t_(t), fields_(t.IndexFieldNames()), name_(t.IndexName()) {}
  ~KeepOrdering() {
    try {
      if (!name_.empty())
        t_.SetIndexName(name_);
      else
        t_.SetIndexFieldNames(fields_);
    } catch (...) {
      // The names were the table's own a moment ago.
    }
  }
  KeepOrdering(const KeepOrdering&) = delete;
  KeepOrdering& operator=(const KeepOrdering&) = delete;

 private:
  ClientTable& t_;
  std::string fields_, name_;
};

}  // namespace

AuditSide AuditSideOf(std::string_view cfop, bool foreign_trade) {
  if (cfop.empty()) return Side::kNone;
  switch (cfop.front()) {
    case '1':
    case '2':
      return Side::kEntry;
    case '5':
    case '6':
      return Side::kExit;
    case '3':
      return foreign_trade ? Side::kEntry : Side::kNone;
    case '7':
      return foreign_trade ? Side::kExit : Side::kNone;
    default:
      return Side::kNone;
  }
}

AuditGroupFields AuditFieldsOf(std::string_view cfop, AuditSide side) {
  const Group g = GroupOf(cfop);
  if (side == Side::kEntry) return {kEntryQty[g], kEntryVal[g]};
  return {kExitQty[g], kExitVal[g]};
}

void AuditOmissions(Session& s) {
  ClientTable& audit = s.dtm.cds_audit;
  Omissions(audit);
}

void AuditClassifyMovements(Session& s) {
  TdtmCENTRAL& d = s.dtm;
  ClientTable& audit = d.cds_audit;
  Pacer pacer(s.ui);
  KeepOrdering keep_54(d.cds_54), keep_60i(d.cds_60i_item), keep_products(d.cds_produt);
  try {
    // Each item is one keyed lookup of its code (the table's hash index on
    // codigo); the table stays in the order it is shown in, by descricao,
    // instead of being sorted by code and back for every period.

    // Note items, ordered by product so that one product's items come together.
    ClientTable& items = d.cds_54;
    const int n_code = f54::cod_produto, n_cfop = f54::cfop, n_qty = f54::quantidade,
              n_value = f54::valor;
    items.SetIndexFieldNames("COD_PRODUTO");
    for (ClientTable::RowId row : items.OrderedRows()) {
      pacer.Tick();
      std::string code(Trim(items.RowText(row, n_code)));
      if (code.empty()) continue;
      std::string_view cfop = Trim(items.RowText(row, n_cfop));
      const Side side = AuditSideOf(cfop);
      const double qty = Quantity(items.RowText(row, n_qty));
      const Money value = Money::FromRaw(items.RowRaw(row, n_value));
      const Group group = GroupOf(cfop);
      // An item on no side changes nothing, and creates no row.
      if (side == Side::kNone) continue;
      EditOrAppend(s, audit, code, true);
      if (side == Side::kEntry) {
        AddFloat(audit, kEntryQty[group], qty);
        AddFloat(audit, faudit::TOTALENTRADAS, qty);
        AddMoney(audit, kEntryVal[group], value);
        AddMoney(audit, faudit::TOTALENTRADAS_VAL, value);
      } else {
        AddFloat(audit, kExitQty[group], qty);
        AddFloat(audit, faudit::TOTALSAIDAS, qty);
        AddMoney(audit, kExitVal[group], value);
        AddMoney(audit, faudit::TOTALSAIDAS_VAL, value);
      }
      Omissions(audit);
      audit.Post();
    }

    // Fiscal-printer items, one row per product, day, printer, rate and unit
    // value: every one is an exit.
    ClientTable& ecf = d.cds_60i_item;
    const int e_code = f60i_item::codigo, e_qty = f60i_item::quantidade, e_unit = f60i_item::valor;
    ecf.SetIndexFieldNames("CODIGO");
    for (ClientTable::RowId row : ecf.OrderedRows()) {
      pacer.Tick();
      std::string code(Trim(ecf.RowText(row, e_code)));
      if (code.empty()) continue;
      const double qty = ecf.RowFloat(row, e_qty);
      // Unit value times quantity (three decimals), to four decimals, ties to even.
      const auto qty_milli = static_cast<int64_t>(std::llround(qty * 1000.0));
      const Money amount =
          Money::FromRaw(MulDivRoundEven(ecf.RowRaw(row, e_unit), qty_milli, 1000));
      EditOrAppend(s, audit, code, true);
      AddFloat(audit, faudit::SECF, qty);
      AddFloat(audit, faudit::TOTALSAIDAS, qty);
      AddMoney(audit, faudit::SECF_VAL, amount);
      AddMoney(audit, faudit::TOTALSAIDAS_VAL, amount);
      Omissions(audit);
      audit.Post();
    }
  } catch (...) {
    audit.Cancel();
    audit.SetIndexFieldNames("descricao");
    throw;
  }
  audit.SetIndexFieldNames("descricao");
}

void AuditInitialInventory(Session& s) { MergeInventory(s, s.dtm.cds_inv_ini, true); }
void AuditFinalInventory(Session& s) { MergeInventory(s, s.dtm.cds_inv_fim, false); }

}  // namespace fiscora
