// ClientTable: the values of the current row and of any row, the
// conversions between a field's type and the one asked for, and the
// aggregates over all rows.
#include <bit>
#include <cmath>
#include <optional>

#include "data/client_table.h"
#include "data/format.h"

namespace fiscora {

namespace {

// A value as text: numbers as FormatGeneral writes them.
std::string TextOf(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kText:
      return std::string(v.text());
    case Value::Kind::kInteger:
      return std::to_string(v.integer());
    case Value::Kind::kFloat:
      return FormatGeneral(v.floating());
    case Value::Kind::kMoney:
      return FormatGeneral(v.money());
  }
  return {};
}

// A value as the cell of a number field of type t (a 32-bit integer widened,
// the bits of a double, or money's raw units); nothing for a text that is
// not such a number. Floats round half to even into integers.
std::optional<uint64_t> NumberCell(FieldType t, const Value& v) {
  const Value::Kind kind = v.kind();
  if (kind == Value::Kind::kText) {
    switch (t) {
      case FieldType::kInteger:
        if (auto p = ParseInt32(v.text())) return static_cast<uint64_t>(static_cast<int64_t>(*p));
        return std::nullopt;
      case FieldType::kFloat:
        if (auto p = ParseDouble(v.text())) return std::bit_cast<uint64_t>(*p);
        return std::nullopt;
      default:
        if (auto p = ParseMoney(v.text())) return static_cast<uint64_t>(p->raw());
        return std::nullopt;
    }
  }
  const double d = kind == Value::Kind::kFloat   ? v.floating()
                   : kind == Value::Kind::kMoney ? v.money().ToDouble()
                                                 : static_cast<double>(v.integer());
  switch (t) {
    case FieldType::kInteger:
      return static_cast<uint64_t>(
          kind == Value::Kind::kInteger ? v.integer() : static_cast<int64_t>(std::nearbyint(d)));
    case FieldType::kFloat:
      return std::bit_cast<uint64_t>(d);
    default: {
      Money m = kind == Value::Kind::kInteger ? Money::FromUnits(v.integer())
                : kind == Value::Kind::kMoney ? v.money()
                                              : Money::FromDouble(v.floating());
      return static_cast<uint64_t>(m.raw());
    }
  }
}

// As NumberCell for the As* and SetAs* conversions: a blank text is zero,
// a text that is not a number an error.
uint64_t ReadNumber(FieldType t, const Value& v, const std::string& table, const FieldDef& f) {
  if (v.kind() == Value::Kind::kText && Trim(v.text()).empty()) return 0;
  if (auto c = NumberCell(t, v)) return *c;
  const char* word = t == FieldType::kInteger ? "inteiro"
                     : t == FieldType::kFloat ? "numérico"
                                              : "monetário";
  throw TableError("Tabela " + table + ": '" + std::string(v.text()) + "' não é um valor " + word +
                   " válido para o campo " + f.name);
}

}  // namespace

// ------------------------------------------------------------ current row

std::string_view ClientTable::GetText(int field) const {
  CheckType(field, FieldType::kText, "texto");
  if (state_ == State::kEdit && !buf_dirty_[static_cast<size_t>(field)])
    return arena_.Text(CellAt(edit_row_, field));
  if (state_ == State::kEdit || state_ == State::kInsert) return BufferText(field);
  if (!has_current_) return {};
  return arena_.Text(CellAt(current_, field));
}

int64_t ClientTable::GetInteger(int field) const {
  CheckType(field, FieldType::kInteger, "inteiro");
  if (state_ == State::kEdit || state_ == State::kInsert)
    return static_cast<int64_t>(buf_num_[static_cast<size_t>(field)]);
  return has_current_ ? static_cast<int64_t>(CellAt(current_, field)) : 0;
}

double ClientTable::GetFloat(int field) const {
  CheckType(field, FieldType::kFloat, "número");
  uint64_t c = (state_ == State::kEdit || state_ == State::kInsert)
                   ? buf_num_[static_cast<size_t>(field)]
                   : (has_current_ ? CellAt(current_, field) : 0);
  return std::bit_cast<double>(c);
}

Money ClientTable::GetMoney(int field) const {
  CheckType(field, FieldType::kCurrency, "moeda");
  uint64_t c = (state_ == State::kEdit || state_ == State::kInsert)
                   ? buf_num_[static_cast<size_t>(field)]
                   : (has_current_ ? CellAt(current_, field) : 0);
  return Money::FromRaw(static_cast<int64_t>(c));
}

void ClientTable::SetText(int field, std::string_view value) {
  CheckEditing(field);
  CheckType(field, FieldType::kText, "texto");
  size_t f = static_cast<size_t>(field);
  buf_text_[f].assign(CutToChars(value, def_.fields[f].size));
  buf_dirty_[f] = true;
}

void ClientTable::SetInteger(int field, int64_t value) {
  CheckEditing(field);
  CheckType(field, FieldType::kInteger, "inteiro");
  buf_num_[static_cast<size_t>(field)] =
      static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(value)));
  buf_dirty_[static_cast<size_t>(field)] = true;
}

void ClientTable::SetFloat(int field, double value) {
  CheckEditing(field);
  CheckType(field, FieldType::kFloat, "número");
  buf_num_[static_cast<size_t>(field)] = std::bit_cast<uint64_t>(value);
  buf_dirty_[static_cast<size_t>(field)] = true;
}

void ClientTable::SetMoney(int field, Money value) {
  CheckEditing(field);
  CheckType(field, FieldType::kCurrency, "moeda");
  buf_num_[static_cast<size_t>(field)] = static_cast<uint64_t>(value.raw());
  buf_dirty_[static_cast<size_t>(field)] = true;
}

Value ClientTable::CurrentValue(int field) const {
  switch (def_.fields[static_cast<size_t>(field)].type) {
    case FieldType::kText:
      return GetText(field);
    case FieldType::kInteger:
      return GetInteger(field);
    case FieldType::kFloat:
      return GetFloat(field);
    case FieldType::kCurrency:
      return GetMoney(field);
  }
  return 0;
}

void ClientTable::StoreValue(int field, const Value& v) {
  const FieldDef& f = def_.fields[static_cast<size_t>(field)];
  switch (f.type) {
    case FieldType::kText:
      if (v.kind() == Value::Kind::kText) return SetText(field, v.text());
      return SetText(field, TextOf(v));
    case FieldType::kInteger:
      return SetInteger(field, static_cast<int64_t>(ReadNumber(f.type, v, def_.name, f)));
    case FieldType::kFloat:
      return SetFloat(field, std::bit_cast<double>(ReadNumber(f.type, v, def_.name, f)));
    case FieldType::kCurrency:
      return SetMoney(field,
                      Money::FromRaw(static_cast<int64_t>(ReadNumber(f.type, v, def_.name, f))));
  }
}

// ------------------------------------------------------------- conversions

std::string ClientTable::AsString(int field) const { return TextOf(CurrentValue(field)); }

int32_t ClientTable::AsInteger(int field) const {
  uint64_t c = ReadNumber(FieldType::kInteger, CurrentValue(field), def_.name, FieldAt(field));
  return static_cast<int32_t>(static_cast<int64_t>(c));
}

double ClientTable::AsFloat(int field) const {
  return std::bit_cast<double>(
      ReadNumber(FieldType::kFloat, CurrentValue(field), def_.name, FieldAt(field)));
}

Money ClientTable::AsCurrency(int field) const {
  uint64_t c = ReadNumber(FieldType::kCurrency, CurrentValue(field), def_.name, FieldAt(field));
  return Money::FromRaw(static_cast<int64_t>(c));
}

void ClientTable::SetAsString(int field, std::string_view value) { StoreValue(field, value); }
void ClientTable::SetAsInteger(int field, int32_t value) { StoreValue(field, value); }
void ClientTable::SetAsFloat(int field, double value) { StoreValue(field, value); }
void ClientTable::SetAsCurrency(int field, Money value) { StoreValue(field, value); }

void ClientTable::SetValue(int field, const Value& v) {
  // An integer is taken as a 32-bit one, as SetAsInteger takes it.
  if (v.kind() == Value::Kind::kInteger)
    return SetAsInteger(field, static_cast<int32_t>(v.integer()));
  StoreValue(field, v);
}

// A Locate value in its field's type; a text that is not a number is an error.
void ClientTable::ConvertKey(int field, const Value& v, Key& out) const {
  const FieldDef& f = def_.fields[static_cast<size_t>(field)];
  if (f.type == FieldType::kText) {
    if (v.kind() == Value::Kind::kText) {
      out.text = v.text();
    } else {
      out.owned = TextOf(v);
      out.text = out.owned;
    }
    out.cell = 0;
    return;
  }
  auto c = NumberCell(f.type, v);
  if (!c) Fail("valor de pesquisa '" + std::string(v.text()) + "' inválido para o campo " + f.name);
  out.cell = *c;
}

// ---------------------------------------------------------------- any row

std::string_view ClientTable::RowText(RowId row, int field) const {
  return arena_.Text(CellAt(row, field));
}
int64_t ClientTable::RowRaw(RowId row, int field) const {
  return static_cast<int64_t>(CellAt(row, field));
}
double ClientTable::RowFloat(RowId row, int field) const {
  return std::bit_cast<double>(CellAt(row, field));
}

Value ClientTable::RowValue(RowId row, int field) const {
  switch (def_.fields[static_cast<size_t>(field)].type) {
    case FieldType::kText:
      return RowText(row, field);
    case FieldType::kInteger:
      return RowRaw(row, field);
    case FieldType::kFloat:
      return RowFloat(row, field);
    case FieldType::kCurrency:
      return Money::FromRaw(RowRaw(row, field));
  }
  return 0;
}

std::string ClientTable::RowAsString(RowId row, int field) const {
  return TextOf(RowValue(row, field));
}

// -------------------------------------------------------------- aggregates

void ClientTable::SetAggregatesActive(bool active) {
  aggregates_active_ = active;
  aggregates_dirty_ = true;
  Changed(TableChange::kDataChanged);
}

AggregateValue ClientTable::AggregateAt(int index) const {
  if (!aggregates_active_ || default_order_.empty()) return AggregateValue{};
  if (aggregates_dirty_) {
    for (size_t a = 0; a < aggregate_specs_.size(); ++a) {
      const AggregateSpec& s = aggregate_specs_[a];
      AggregateValue v;
      v.is_null = false;
      v.is_float = s.as_float;
      FieldType t = def_.fields[static_cast<size_t>(s.field)].type;
      if (t == FieldType::kFloat) {
        double sum = 0;
        for (RowId r : default_order_) sum += RowFloat(r, s.field);
        v.floating = sum;
        v.integer = static_cast<int64_t>(std::nearbyint(sum));
      } else if (t == FieldType::kText) {
        double sum = 0;
        for (RowId r : default_order_) sum += ParseDouble(RowText(r, s.field)).value_or(0);
        v.floating = sum;
        v.integer = static_cast<int64_t>(std::nearbyint(sum));
      } else {
        int64_t sum = 0;
        for (RowId r : default_order_) sum += RowRaw(r, s.field);
        if (t == FieldType::kCurrency) {
          v.floating = Money::FromRaw(sum).ToDouble();
          v.integer = static_cast<int64_t>(std::nearbyint(v.floating));
        } else {
          v.integer = sum;
          v.floating = static_cast<double>(sum);
        }
      }
      aggregate_cache_[a] = v;
    }
    aggregates_dirty_ = false;
  }
  return aggregate_cache_[static_cast<size_t>(index)];
}

AggregateValue ClientTable::Aggregate(std::string_view name) const {
  for (size_t a = 0; a < def_.aggregates.size(); ++a)
    if (FoldCase(def_.aggregates[a].name) == FoldCase(name))
      return AggregateAt(static_cast<int>(a));
  Fail("agregado '" + std::string(name) + "' não encontrado");
}

}  // namespace fiscora
