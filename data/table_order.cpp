// ClientTable: the active ordering (a tree of rows by its key fields, or the
// default order) and the index definitions.
#include <algorithm>
#include <bit>

#include "data/client_table.h"
#include "data/table_index.h"

namespace fiscora {

namespace {

template <class T>
int ThreeWay(T a, T b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace

int ClientTable::CompareCell(int field, RowId row, uint64_t cell, std::string_view text) const {
  const uint64_t& mine = CellAt(row, field);
  switch (def_.fields[static_cast<size_t>(field)].type) {
    case FieldType::kText:
      return ThreeWay(arena_.Text(mine).compare(text), 0);
    case FieldType::kFloat:
      return ThreeWay(std::bit_cast<double>(mine), std::bit_cast<double>(cell));
    default:
      return ThreeWay(static_cast<int64_t>(mine), static_cast<int64_t>(cell));
  }
}

int ClientTable::CompareRows(const std::vector<KeyPart>& keys, RowId a, RowId b) const {
  for (const auto& k : keys) {
    const uint64_t& other = CellAt(b, k.field);
    int r =
        CompareCell(k.field, a, other, IsText(k.field) ? arena_.Text(other) : std::string_view());
    if (r != 0) return k.descending ? -r : r;
  }
  return ThreeWay(seq_[a], seq_[b]);
}

// --------------------------------------------------------------- orderings

std::vector<ClientTable::KeyPart> ClientTable::ParseFieldList(std::string_view fields,
                                                              bool descending) const {
  std::vector<KeyPart> out;
  while (!fields.empty()) {
    size_t semi = fields.find(';');
    std::string_view name = Trim(fields.substr(0, semi));
    if (!name.empty()) out.push_back({FieldIndex(name), descending});
    if (semi == std::string_view::npos) break;
    fields.remove_prefix(semi + 1);
  }
  return out;
}

std::vector<int> ClientTable::KeyFields(std::string_view fields) const {
  std::vector<int> out;
  for (const auto& k : ParseFieldList(fields, false)) out.push_back(k.field);
  return out;
}

void ClientTable::ActivateOrdering(std::vector<KeyPart> keys) {
  auto o = std::make_unique<Ordering>(this, std::move(keys));
  RowList rows = default_order_;
  const KeyPart& first = o->keys.front();
  if (IsText(first.field)) {
    // Rows sorted by the first 16 bytes of the first key's text held beside
    // them (big-endian, so that the numbers order as the bytes do), the whole
    // keys compared only where those agree: the sort reads the table's
    // cells far less often. A text that ends orders before any longer one it
    // begins, as the zeros it is padded with do.
    struct Entry {
      uint64_t hi, lo;
      RowId row;
    };
    std::vector<Entry> entries;
    entries.reserve(rows.size());
    for (RowId r : rows) {
      std::string_view text = arena_.Text(CellAt(r, first.field));
      unsigned char bytes[16] = {};
      std::copy_n(text.begin(), std::min<size_t>(text.size(), 16), bytes);
      uint64_t hi = 0, lo = 0;
      for (int i = 0; i < 8; ++i) {
        hi = hi << 8 | bytes[i];
        lo = lo << 8 | bytes[8 + i];
      }
      if (first.descending) hi = ~hi, lo = ~lo;
      entries.push_back({hi, lo, r});
    }
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
      if (a.hi != b.hi) return a.hi < b.hi;
      if (a.lo != b.lo) return a.lo < b.lo;
      return CompareRows(o->keys, a.row, b.row) < 0;
    });
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = entries[i].row;
  } else {
    std::sort(rows.begin(), rows.end(),
              [&](RowId a, RowId b) { return CompareRows(o->keys, a, b) < 0; });
  }
  for (RowId r : rows) o->tree.insert(o->tree.end(), r);
  ordering_ = std::move(o);
  if (has_current_) SeekTo(current_);
  Changed(TableChange::kReset);
}

void ClientTable::ActivateDefault() {
  ordering_.reset();
  if (has_current_) SeekTo(current_);
  Changed(TableChange::kReset);
}

void ClientTable::SetIndexFieldNames(std::string_view fields) {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  std::string f(Trim(fields));
  if (f == index_field_names_ && index_name_.empty()) return;
  auto keys = ParseFieldList(f, false);  // may throw before anything changes
  index_field_names_ = f;
  index_name_.clear();
  if (keys.empty())
    ActivateDefault();
  else
    ActivateOrdering(std::move(keys));
}

void ClientTable::SetIndexName(std::string_view name) {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  std::string n(Trim(name));
  std::string ln = FoldCase(n);
  if (n.empty() || ln == "default_order") {
    index_field_names_.clear();
    index_name_ = n.empty() ? "" : "DEFAULT_ORDER";
    ActivateDefault();
    return;
  }
  for (const auto& s : def_.stored_index_names)
    if (FoldCase(s) == ln) {
      index_field_names_.clear();
      index_name_ = s;
      ActivateDefault();
      return;
    }
  const IndexDef* found = nullptr;
  for (const auto& d : def_.indexes)
    if (FoldCase(d.name) == ln) found = &d;
  for (const auto& d : added_indexes_)
    if (FoldCase(d.name) == ln) found = &d;
  if (!found) Fail("índice '" + n + "' não encontrado");
  auto keys = ParseFieldList(found->fields, found->descending);
  index_field_names_.clear();
  index_name_ = found->name;
  ActivateOrdering(std::move(keys));
}

std::vector<IndexDef> ClientTable::IndexDefs() const {
  std::vector<IndexDef> out;
  out.push_back({"DEFAULT_ORDER", "", false});
  for (const auto& s : def_.stored_index_names) out.push_back({s, "", false});
  for (const auto& d : def_.indexes) out.push_back(d);
  for (const auto& d : added_indexes_) out.push_back(d);
  return out;
}

void ClientTable::AddIndex(std::string_view name, std::string_view fields, bool descending) {
  std::string n(Trim(name));
  if (n.empty()) Fail("nome de índice vazio");
  for (const auto& d : IndexDefs())
    if (FoldCase(d.name) == FoldCase(n)) Fail("índice '" + n + "' já existe");
  ParseFieldList(fields, descending);  // every field must exist
  added_indexes_.push_back({n, std::string(Trim(fields)), descending});
}

void ClientTable::DeleteIndex(std::string_view name) {
  std::string ln = FoldCase(Trim(name));
  auto same = [&](const IndexDef& d) { return FoldCase(d.name) == ln; };
  // Added at run time or listed by the definition: either may be deleted.
  std::vector<IndexDef>* list = &added_indexes_;
  auto it = std::find_if(list->begin(), list->end(), same);
  if (it == list->end()) {
    list = &def_.indexes;
    it = std::find_if(list->begin(), list->end(), same);
  }
  if (it == list->end()) Fail("índice '" + std::string(name) + "' não encontrado");
  bool active = FoldCase(index_name_) == ln;
  list->erase(it);
  if (active) {
    index_name_.clear();
    ActivateDefault();
  }
}

const ClientTable::RowList& ClientTable::OrderedRows() const {
  if (!ordering_) return default_order_;
  if (!ordered_cache_valid_) {
    ordered_cache_.assign(ordering_->tree.begin(), ordering_->tree.end());
    ordered_cache_valid_ = true;
  }
  return ordered_cache_;
}

}  // namespace fiscora
