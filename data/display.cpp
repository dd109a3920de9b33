#include "data/display.h"

#include "data/format.h"
#include "data/money.h"

namespace fiscora {

std::string DisplayText(const ClientTable& table, ClientTable::RowId row, int field) {
  const FieldDef& f = table.FieldAt(field);
  switch (f.type) {
    case FieldType::kText:
      return std::string(table.RowText(row, field));
    case FieldType::kCurrency: {
      Money m = Money::FromRaw(table.RowRaw(row, field));
      if (f.money) return FormatMoney(m);
      if (!f.format.empty()) return FormatPattern(m, f.format);
      return FormatGeneral(m);
    }
    case FieldType::kFloat: {
      double v = table.RowFloat(row, field);
      if (f.money) return FormatMoney(v);
      if (!f.format.empty()) return FormatPattern(v, f.format);
      return FormatGeneral(v);
    }
    case FieldType::kInteger: {
      int64_t v = table.RowRaw(row, field);
      if (f.money) return FormatMoney(static_cast<double>(v));
      if (!f.format.empty()) return FormatPattern(static_cast<double>(v), f.format);
      return std::to_string(v);
    }
  }
  return {};
}

std::string AggregateDisplayText(const ClientTable& table, int aggregate) {
  AggregateValue v = table.AggregateAt(aggregate);
  if (v.is_null) return {};
  const AggregateDef& def = table.def().aggregates[static_cast<size_t>(aggregate)];
  double value = v.is_float ? v.floating : static_cast<double>(v.integer);
  if (!def.format.empty()) return FormatPattern(value, def.format);
  if (def.money) return FormatMoney(value);
  return v.is_float ? FormatGeneral(value) : std::to_string(v.integer);
}

}  // namespace fiscora
