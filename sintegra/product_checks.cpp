#include "sintegra/product_checks.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "session/pacer.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"

namespace fiscora {

namespace {

constexpr int64_t kStartLowest = 10'000'000 * Money::kScale;

using ItemRows = std::vector<ClientTable::RowId>;

// Spread and rate checks of one product over its record 60I items, in the
// order they were read.
void CheckProduct(Session& s, const std::string& code, const std::string& rate,
                  const std::string& description, const ItemRows& rows, bool check_spread) {
  TdtmCENTRAL& d = s.dtm;
  const ClientTable& items = d.cds_60i_item;
  const int i_valor = f60i_item::valor, i_aliquota = f60i_item::aliquota, i_data = f60i_item::data;
  if (rows.empty()) return;

  int64_t lowest = kStartLowest, highest = 0, percentage = 0;
  std::string flagged;
  ClientTable& aliq = d.cdsaliq;
  for (ClientTable::RowId row : rows) {
    int64_t v = items.RowRaw(row, i_valor);
    if (v < lowest) lowest = v;
    if (v > highest) highest = v;
    // The fraction is cut off, not rounded.
    percentage = lowest > 0 ? highest * 100 / lowest : highest / Money::kScale;
    if (percentage > 150) flagged = description;

    // An item sold at another rate than this 60R row's: a product sold at
    // two rates in the month shows under each of its two 60R rows.
    std::string_view sold = items.RowText(row, i_aliquota);
    if (sold == rate) continue;
    std::string_view data = items.RowText(row, i_data);
    // One row per product, day, 60R rate and sold rate.
    if (aliq.Locate("codigo;data;al_cad;al_vend", {code, data, rate, sold})) continue;
    aliq.Append();
    aliq.SetAsString(faliq::codigo, code);
    aliq.SetAsString(faliq::descricao, description);
    aliq.SetAsString(faliq::al_cad, rate);
    aliq.SetAsString(faliq::al_vend, sold);
    aliq.SetAsString(faliq::data, data);
    aliq.Post();
  }
  if (check_spread && percentage > 150) {
    ClientTable& mm = d.cdsmaxmin;
    mm.Append();
    mm.SetAsString(fmaxmin::codigo, code);
    mm.SetAsString(fmaxmin::descricao, Trim(flagged));
    mm.SetAsFloat(fmaxmin::min, Money::FromRaw(lowest).ToDouble());
    mm.SetAsFloat(fmaxmin::max, Money::FromRaw(highest).ToDouble());
    mm.SetAsFloat(fmaxmin::porcentagem, static_cast<double>(percentage));
    mm.Post();
  }
}

}  // namespace

void ProductChecks(Session& s) {
  TdtmCENTRAL& d = s.dtm;
  ClientTable& r60 = d.cds_60r;
  const int f_codigo = f60r::codigo, f_aliquota = f60r::aliquota;
  s.frm.progresso.SetMax(r60.RecordCount());

  // The items of each product, in the order they were read.
  const ClientTable& items = d.cds_60i_item;
  const int i_codigo = f60i_item::codigo;
  // Keyed by views of the item table's codes: the table does not change
  // during the checks.
  std::unordered_map<std::string_view, ItemRows> items_of;
  items_of.reserve(static_cast<size_t>(r60.RecordCount()) + 16);
  for (ClientTable::RowId row : items.OrderedRows())
    items_of[items.RowText(row, i_codigo)].push_back(row);
  const ItemRows no_items;

  std::unordered_set<std::string> spread_checked;
  ProductDescriptions descriptions(s);
  Pacer pacer(s.ui);
  for (r60.First(); !r60.Eof(); r60.Next()) {
    s.frm.progresso.Step();
    pacer.Tick();
    std::string code(r60.GetText(f_codigo));
    std::string rate(r60.GetText(f_aliquota));
    std::string description = descriptions.Of(code);
    // A product with several 60R rows has its spread listed once.
    bool first_time = spread_checked.insert(code).second;
    auto found = items_of.find(std::string_view(code));
    CheckProduct(s, code, rate, description, found == items_of.end() ? no_items : found->second,
                 first_time);
    std::string_view trimmed = Trim(code);
    auto number = ParseDouble(trimmed);
    if (trimmed.empty() || (number && *number < 1)) s.sintegra.problems.zero_codes.Add(description);
  }
  descriptions.Finish();
  d.cdsmaxmin.First();
  d.cdsaliq.First();
}

}  // namespace fiscora
