// ClientTable: the active ordering (a tree of rows by its key fields, or the
// default order), the index definitions, and the cursor that walks them.
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
  std::vector<RowId> rows = default_order_;
  std::stable_sort(rows.begin(), rows.end(),
                   [&](RowId a, RowId b) { return CompareRows(o->keys, a, b) < 0; });
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

const std::vector<ClientTable::RowId>& ClientTable::OrderedRows() const {
  if (!ordering_) return default_order_;
  if (!ordered_cache_valid_) {
    ordered_cache_.assign(ordering_->tree.begin(), ordering_->tree.end());
    ordered_cache_valid_ = true;
  }
  return ordered_cache_;
}

// ------------------------------------------------------------------ cursor

size_t ClientTable::DefaultPosition(RowId row) const {
  uint64_t s = seq_[row];
  auto it = std::lower_bound(default_order_.begin(), default_order_.end(), s,
                             [this](RowId r, uint64_t v) { return seq_[r] < v; });
  return static_cast<size_t>(it - default_order_.begin());
}

void ClientTable::SetCurrentFromPosition(size_t pos) {
  cur_pos_ = pos;
  current_ = default_order_[pos];
  has_current_ = true;
}

void ClientTable::SeekTo(RowId row) {
  if (ordering_) {
    ordering_->cur = ordering_->tree.find(row);
  } else {
    cur_pos_ = DefaultPosition(row);
  }
  current_ = row;
  has_current_ = true;
  eof_ = bof_ = false;
}

void ClientTable::MoveToEnd(bool last) {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  if (default_order_.empty()) {
    has_current_ = false;
    eof_ = bof_ = true;
    return;
  }
  if (ordering_) {
    ordering_->cur = last ? std::prev(ordering_->tree.end()) : ordering_->tree.begin();
    current_ = *ordering_->cur;
    has_current_ = true;
  } else {
    SetCurrentFromPosition(last ? default_order_.size() - 1 : 0);
  }
  eof_ = last;
  bof_ = !last;
  Changed(TableChange::kCurrent);
}

void ClientTable::Step(bool forward) {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  bool& at_end = forward ? eof_ : bof_;
  bool& at_other_end = forward ? bof_ : eof_;
  if (!has_current_) {
    at_end = true;
    return;
  }
  at_other_end = false;
  if (ordering_) {
    auto& cur = ordering_->cur;
    if (forward ? std::next(cur) == ordering_->tree.end() : cur == ordering_->tree.begin()) {
      at_end = true;
      return;
    }
    forward ? ++cur : --cur;
    current_ = *cur;
  } else {
    if (forward ? cur_pos_ + 1 >= default_order_.size() : cur_pos_ == 0) {
      at_end = true;
      return;
    }
    SetCurrentFromPosition(forward ? cur_pos_ + 1 : cur_pos_ - 1);
  }
  at_end = false;
  Changed(TableChange::kCurrent);
}

void ClientTable::First() { MoveToEnd(false); }
void ClientTable::Last() { MoveToEnd(true); }
void ClientTable::Next() { Step(true); }
void ClientTable::Prior() { Step(false); }

bool ClientTable::CurrentIsLast() const {
  return ordering_ ? std::next(ordering_->cur) == ordering_->tree.end()
                   : cur_pos_ + 1 == default_order_.size();
}

std::optional<ClientTable::RowId> ClientTable::Neighbour(RowId row) const {
  // The next row; the previous one when the last is deleted.
  if (ordering_) {
    auto it = ordering_->tree.find(row);
    auto n = std::next(it);
    if (n != ordering_->tree.end()) return *n;
    if (it != ordering_->tree.begin()) return *std::prev(it);
    return std::nullopt;
  }
  size_t pos = DefaultPosition(row);
  if (pos + 1 < default_order_.size()) return default_order_[pos + 1];
  if (pos > 0) return default_order_[pos - 1];
  return std::nullopt;
}

}  // namespace fiscora
