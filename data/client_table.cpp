#include "data/client_table.h"

#include <algorithm>
#include <cmath>

#include "data/format.h"
#include "data/table_index.h"

namespace fiscora {

namespace {

const char* TypeName(FieldType t) {
  switch (t) {
    case FieldType::kText:
      return "texto";
    case FieldType::kInteger:
      return "inteiro";
    case FieldType::kFloat:
      return "número";
    case FieldType::kCurrency:
      return "moeda";
  }
  return "?";
}

}  // namespace

// ----------------------------------------------------------------- bindings

void DataSource::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (enabled_)
    for (auto* o : observers_) o->TableChanged(*table_, TableChange::kReset);
}

void DataSource::RemoveObserver(TableObserver* o) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void DataSource::Notify(TableChange change) {
  if (!enabled_) return;
  for (auto* o : observers_) o->TableChanged(*table_, change);
}

// -------------------------------------------------------------------- basics

unsigned ClientTable::BlockShiftFor(size_t fields) {
  unsigned shift = 12;
  while ((size_t{1} << shift) * std::max<size_t>(fields, 1) * sizeof(uint64_t) <
         4 * kLargeBlockAlign)
    ++shift;
  return shift;
}

ClientTable::ClientTable(TableDef def)
    : def_(std::move(def)), nf_(def_.fields.size()), block_shift_(BlockShiftFor(nf_)) {
  for (size_t i = 0; i < def_.fields.size(); ++i)
    field_by_lower_name_[FoldCase(def_.fields[i].name)] = static_cast<int>(i);
  buf_num_.assign(nf_, 0);
  buf_text_.assign(nf_, std::string());
  buf_dirty_.assign(nf_, false);
  aggregates_active_ = def_.aggregates_active;
  for (const auto& a : def_.aggregates) {
    std::string e = FoldCase(a.expression);
    e.erase(std::remove(e.begin(), e.end(), ' '), e.end());
    bool as_float = e.size() > 2 && e.compare(e.size() - 2, 2, "*1") == 0;
    size_t open = e.find('('), close = e.find(')');
    if (e.rfind("sum(", 0) != 0 || close == std::string::npos)
      Fail("expressão de agregado não suportada: " + a.expression);
    aggregate_specs_.push_back({FieldIndex(e.substr(open + 1, close - open - 1)), as_float});
  }
  aggregate_cache_.resize(aggregate_specs_.size());
  if (!def_.binding.empty()) {
    binding_ = std::make_unique<DataSource>(def_.binding, this);
    binding_->SetEnabled(def_.binding_enabled);
  }
  for (const auto& idx : def_.indexes) ParseFieldList(idx.fields, idx.descending);
  index_name_ = "";
}

ClientTable::~ClientTable() = default;

void ClientTable::Fail(const std::string& message) const {
  throw TableError("Tabela " + def_.name + ": " + message);
}

int ClientTable::FindField(std::string_view name) const {
  auto it = field_by_lower_name_.find(FoldCase(Trim(name)));
  return it == field_by_lower_name_.end() ? -1 : it->second;
}

int ClientTable::FieldIndex(std::string_view name) const {
  int i = FindField(name);
  if (i < 0) Fail("campo '" + std::string(name) + "' não encontrado");
  return i;
}

Field ClientTable::FieldByName(std::string_view name) { return Field(this, FieldIndex(name)); }

void ClientTable::CheckOpen() const {
  if (state_ == State::kClosed) Fail("a tabela está fechada");
}

void ClientTable::CheckEditing(int field) const {
  if (state_ != State::kEdit && state_ != State::kInsert)
    Fail("a tabela não está em modo de edição ou inclusão (campo " +
         def_.fields[static_cast<size_t>(field)].name + ")");
}

void ClientTable::WrongType(int field, const char* what) const {
  const FieldDef& f = def_.fields[static_cast<size_t>(field)];
  Fail("o campo " + f.name + " é do tipo " + TypeName(f.type) + ", não " + what);
}

void ClientTable::Open() {
  if (state_ == State::kClosed) state_ = State::kBrowse;
}

void ClientTable::Close() {
  EmptyDataSet();
  state_ = State::kClosed;
}

// ------------------------------------------------------------------- cells

void ClientTable::CompactArena() {
  TextArena fresh;
  for (RowId r : default_order_)
    for (size_t f = 0; f < nf_; ++f) {
      uint64_t& c = Cell(r, static_cast<int>(f));
      if (IsText(static_cast<int>(f)) && !TextArena::IsInline(c)) c = fresh.Store(arena_.Text(c));
    }
  arena_ = std::move(fresh);
}

void ClientTable::LoadBuffer(RowId row) {
  // Texts stay in their cells until set: an edit reads a text it has not set
  // from the row (GetText), and writes back only what it set.
  for (size_t f = 0; f < nf_; ++f) {
    if (def_.fields[f].type != FieldType::kText) buf_num_[f] = CellAt(row, static_cast<int>(f));
    buf_dirty_[f] = false;
  }
}

void ClientTable::WriteBuffer(RowId row) {
  for (size_t f = 0; f < nf_; ++f) {
    if (state_ == State::kEdit && !buf_dirty_[f]) continue;
    uint64_t& cell = Cell(row, static_cast<int>(f));
    if (def_.fields[f].type == FieldType::kText) {
      if (state_ == State::kEdit) {
        if (arena_.Text(cell) == buf_text_[f]) continue;
        arena_.Release(cell);
      }
      cell = arena_.Store(buf_text_[f]);
    } else {
      cell = buf_num_[f];
    }
  }
}

// ---------------------------------------------------------------- editing

void ClientTable::Append() {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  std::fill(buf_num_.begin(), buf_num_.end(), 0);
  for (auto& s : buf_text_) s.clear();
  std::fill(buf_dirty_.begin(), buf_dirty_.end(), false);
  insert_in_middle_ = false;
  state_ = State::kInsert;
}

void ClientTable::Insert() {
  Append();
  if (has_current_) {
    insert_in_middle_ = true;
    insert_before_ = current_;
  }
}

void ClientTable::Edit() {
  CheckOpen();
  if (state_ == State::kEdit || state_ == State::kInsert) return;
  if (!has_current_) Fail("não há registro atual para editar");
  LoadBuffer(current_);
  edit_row_ = current_;
  state_ = State::kEdit;
}

void ClientTable::Cancel() {
  if (state_ == State::kEdit || state_ == State::kInsert) state_ = State::kBrowse;
}

void ClientTable::Post() {
  if (state_ == State::kInsert) {
    RowId row = static_cast<RowId>(seq_.size());
    size_t block;
    CellIndex(row, 0, block);
    if (block >= cell_blocks_.size()) {
      const size_t rows = block == 0 ? kFirstBlockRows : size_t{1} << block_shift_;
      cell_blocks_.push_back(MakeLargeBlock<uint64_t>(rows * nf_ + 1));
    }
    WriteBuffer(row);
    if (insert_in_middle_) {
      size_t pos = DefaultPosition(insert_before_);
      uint64_t hi = seq_[insert_before_];
      uint64_t lo = pos == 0 ? 0 : seq_[default_order_[pos - 1]];
      if (hi - lo < 2) {
        RenumberSeq();
        hi = seq_[insert_before_];
        lo = pos == 0 ? 0 : seq_[default_order_[pos - 1]];
      }
      seq_.push_back(lo + (hi - lo) / 2);
      default_order_.insert(default_order_.begin() + static_cast<std::ptrdiff_t>(pos), row);
    } else {
      seq_.push_back(default_order_.empty() ? kSeqGap : seq_[default_order_.back()] + kSeqGap);
      default_order_.push_back(row);
    }
    IndexInsert(row);
    state_ = State::kBrowse;
    if (!ordering_ && !insert_in_middle_) {
      // Appended at the end of the default order: no search needed.
      cur_pos_ = default_order_.size() - 1;
      current_ = row;
      has_current_ = true;
      eof_ = bof_ = false;
    } else {
      SeekTo(row);
    }
    Changed(CurrentIsLast() && !insert_in_middle_ ? TableChange::kRowsAdded : TableChange::kReset);
    return;
  }
  if (state_ != State::kEdit) return;
  RowId row = edit_row_;
  bool moves = ordering_ && ordering_->Touches(buf_dirty_);
  IndexErase(row, &buf_dirty_);
  WriteBuffer(row);
  IndexInsert(row, &buf_dirty_);
  state_ = State::kBrowse;
  if (moves) SeekTo(row);
  if (arena_.WantsCompaction()) CompactArena();
  Changed(moves ? TableChange::kReset : TableChange::kDataChanged);
}

void ClientTable::Delete() {
  CheckOpen();
  if (state_ == State::kInsert) {
    Cancel();
    return;
  }
  Cancel();
  if (!has_current_) Fail("não há registro atual para excluir");
  RowId row = current_;
  std::optional<RowId> next = Neighbour(row);
  IndexErase(row);
  default_order_.erase(default_order_.begin() + static_cast<std::ptrdiff_t>(DefaultPosition(row)));
  for (size_t f = 0; f < nf_; ++f) {
    if (IsText(static_cast<int>(f))) arena_.Release(CellAt(row, static_cast<int>(f)));
  }
  seq_[row] = kDead;
  if (next) {
    SeekTo(*next);
  } else {
    has_current_ = false;
    eof_ = bof_ = true;
  }
  Changed(TableChange::kReset);
}

void ClientTable::EmptyDataSet() {
  Cancel();
  cell_blocks_.clear();
  cell_blocks_.shrink_to_fit();
  seq_.clear();
  seq_.shrink_to_fit();
  arena_.Clear();
  default_order_.clear();
  default_order_.shrink_to_fit();
  ClearIndexes();
  has_current_ = false;
  eof_ = bof_ = true;
  Changed(TableChange::kReset);
}

void ClientTable::RenumberSeq() {
  uint64_t s = 0;
  for (RowId r : default_order_) seq_[r] = (s += kSeqGap);
}

// ------------------------------------------------------------------ cursor

size_t ClientTable::DefaultPosition(RowId row) const {
  uint64_t s = seq_[row];
  // While rows are only appended, the k-th row's rank is (k + 1) gaps.
  if (s % kSeqGap == 0 && s / kSeqGap - 1 < default_order_.size() &&
      default_order_[static_cast<size_t>(s / kSeqGap - 1)] == row)
    return static_cast<size_t>(s / kSeqGap - 1);
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

template <bool kForward>
void ClientTable::Step() {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  bool& at_end = kForward ? eof_ : bof_;
  bool& at_other_end = kForward ? bof_ : eof_;
  if (!has_current_) {
    at_end = true;
    return;
  }
  at_other_end = false;
  if (ordering_) {
    auto& cur = ordering_->cur;
    if (kForward ? std::next(cur) == ordering_->tree.end() : cur == ordering_->tree.begin()) {
      at_end = true;
      return;
    }
    if constexpr (kForward)
      ++cur;
    else
      --cur;
    current_ = *cur;
  } else {
    if (kForward ? cur_pos_ + 1 >= default_order_.size() : cur_pos_ == 0) {
      at_end = true;
      return;
    }
    SetCurrentFromPosition(kForward ? cur_pos_ + 1 : cur_pos_ - 1);
  }
  at_end = false;
  Changed(TableChange::kCurrent);
}

void ClientTable::First() { MoveToEnd(false); }
void ClientTable::Last() { MoveToEnd(true); }
void ClientTable::Next() { Step<true>(); }
void ClientTable::Prior() { Step<false>(); }

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

// ----------------------------------------------------------- notifications

void ClientTable::Changed(TableChange change) {
  if (change != TableChange::kCurrent) {
    if (change != TableChange::kDataChanged) ordered_cache_valid_ = false;
    aggregates_dirty_ = true;
  }
  if (!binding_) return;
  if (controls_disabled_ > 0) {
    // A moved cursor, too, is something the displays have to catch up with.
    pending_reset_ = true;
    return;
  }
  binding_->Notify(change);
}

void ClientTable::DisableControls() { ++controls_disabled_; }

void ClientTable::EnableControls() {
  if (controls_disabled_ == 0) return;
  if (--controls_disabled_ == 0 && pending_reset_) {
    pending_reset_ = false;
    if (binding_) binding_->Notify(TableChange::kReset);
  }
}

void ClientTable::GotoBookmark(RowId row) {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  if (row >= seq_.size() || seq_[row] == kDead) return;
  if (has_current_ && current_ == row) return;
  SeekTo(row);
  Changed(TableChange::kCurrent);
}

}  // namespace fiscora
