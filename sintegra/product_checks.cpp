#include "sintegra/product_checks.h"

#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "session/pacer.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"

namespace fiscora {

namespace {

constexpr int64_t kStartLowest = 10'000'000 * Money::kScale;

using ItemRows = std::span<const ClientTable::RowId>;

// Spread and rate checks of one product over its record 60I items, in the
// order they were read.
void CheckProduct(Session& s, const std::string& code, const std::string& rate,
                  std::string_view description, ItemRows rows, bool check_spread) {
  TdtmCENTRAL& d = s.dtm;
  const ClientTable& items = d.cds_60i_item;
  if (rows.empty()) return;

  int64_t lowest = kStartLowest, highest = 0, percentage = 0;
  std::string_view flagged;
  ClientTable& aliq = d.cdsaliq;
  for (ClientTable::RowId row : rows) {
    int64_t v = items.RowRaw(row, f60i_item::valor);
    if (v < lowest) lowest = v;
    if (v > highest) highest = v;
    // The fraction is cut off, not rounded.
    percentage = lowest > 0 ? highest * 100 / lowest : highest / Money::kScale;
    if (percentage > 150) flagged = description;

    // An item sold at another rate than this 60R row's: a product sold at
    // two rates in the month shows under each of its two 60R rows.
    std::string_view sold = items.RowText(row, f60i_item::aliquota);
    if (sold == rate) continue;
    std::string_view data = items.RowText(row, f60i_item::data);
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

// The rows of cds_60i_item grouped by product code, each group in the order
// the rows were read; a group's flag tells whether its spread was checked.
class ItemsByCode {
 public:
  ItemsByCode(const ClientTable& items, size_t expected_codes) {
    const int codigo = f60i_item::codigo;
    const ClientTable::RowList& order = items.OrderedRows();
    // Keyed by views of the item table's codes: the table does not change
    // during the checks. First a group number per row, then the rows laid
    // out group after group.
    groups_.reserve(expected_codes + 16);
    std::vector<uint32_t> group_of(order.size());
    std::vector<uint32_t> sizes;
    for (size_t i = 0; i < order.size(); ++i) {
      auto [it, added] =
          groups_.try_emplace(items.RowText(order[i], codigo), static_cast<uint32_t>(sizes.size()));
      if (added) sizes.push_back(0);
      group_of[i] = it->second;
      ++sizes[it->second];
    }
    starts_.resize(sizes.size() + 1);
    for (size_t g = 0; g < sizes.size(); ++g) starts_[g + 1] = starts_[g] + sizes[g];
    rows_.resize(order.size());
    std::vector<uint32_t> next(starts_.begin(), starts_.end() - 1);
    for (size_t i = 0; i < order.size(); ++i) rows_[next[group_of[i]]++] = order[i];
    checked_.assign(sizes.size(), false);
  }
  // The rows of a code (none for a code without items), and whether the
  // spread of the code is to be checked: only the first time it is asked.
  ItemRows Of(std::string_view code, bool& first_time) {
    auto it = groups_.find(code);
    if (it == groups_.end()) {
      first_time = true;
      return {};
    }
    const uint32_t g = it->second;
    first_time = !checked_[g];
    checked_[g] = true;
    return ItemRows(rows_.data() + starts_[g], starts_[g + 1] - starts_[g]);
  }

 private:
  std::unordered_map<std::string_view, uint32_t, TextHash> groups_;
  std::vector<uint32_t> starts_;
  std::vector<ClientTable::RowId> rows_;
  std::vector<bool> checked_;
};

}  // namespace

void ProductChecks(Session& s) {
  TdtmCENTRAL& d = s.dtm;
  ClientTable& r60 = d.cds_60r;
  const int f_codigo = f60r::codigo, f_aliquota = f60r::aliquota;
  s.frm.progresso.SetMax(r60.RecordCount());

  // The items of each product, in the order they were read.
  ItemsByCode items_of(d.cds_60i_item, static_cast<size_t>(r60.RecordCount()));

  ProductDescriptions descriptions(s);
  Pacer pacer(s.ui);
  for (r60.First(); !r60.Eof(); r60.Next()) {
    s.frm.progresso.Step();
    pacer.Tick();
    std::string code(r60.GetText(f_codigo));
    std::string rate(r60.GetText(f_aliquota));
    std::string_view description = descriptions.Of(code);
    // A product with several 60R rows has its spread listed once (a code
    // without items has no spread to list).
    bool first_time = false;
    ItemRows rows = items_of.Of(code, first_time);
    CheckProduct(s, code, rate, description, rows, first_time);
    std::string_view trimmed = Trim(code);
    auto number = ParseDouble(trimmed);
    if (trimmed.empty() || (number && *number < 1)) s.sintegra.problems.zero_codes.Add(description);
  }
  descriptions.Finish();
  d.cdsmaxmin.First();
  d.cdsaliq.First();
}

}  // namespace fiscora
