#include "data/client_table.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <functional>

#include "data/format.h"

static_assert(std::endian::native == std::endian::little, "text cells assume little endian");

namespace fiscora {

namespace {

constexpr uint64_t kDead = ~uint64_t{0};
constexpr uint64_t kSeqGap = uint64_t{1} << 20;
constexpr uint64_t kOffsetMask = (uint64_t{1} << 40) - 1;
constexpr unsigned kArenaShift = 20;
constexpr size_t kArenaBlock = size_t{1} << kArenaShift;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

const char* TypeName(FieldType t) {
  switch (t) {
    case FieldType::kText: return "texto";
    case FieldType::kInteger: return "inteiro";
    case FieldType::kFloat: return "número";
    case FieldType::kCurrency: return "moeda";
  }
  return "?";
}

uint64_t DoubleBits(double d) {
  if (d == 0) d = 0;  // -0 and 0 hash alike
  return std::bit_cast<uint64_t>(d);
}

// The hash of a key's text: eight bytes at a time, mixed by multiplication
// (the keys are short codes, dates and serial numbers).
uint64_t HashText(std::string_view s) {
  const char* p = s.data();
  size_t n = s.size();
  uint64_t h = 0x9e3779b97f4a7c15ULL ^ n;
  for (; n >= 8; n -= 8, p += 8) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    h = (h ^ v) * 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 31;
  }
  // The last bytes gathered in a register (a short copy through memory
  // would stall the load that follows it).
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v |= uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  h = (h ^ v) * 0x94d049bb133111ebULL;
  return h ^ (h >> 29);
}

uint64_t Mix(uint64_t h, uint64_t v) {
  h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
  return h;
}

}  // namespace

std::string_view CutToChars(std::string_view s, int n) {
  if (n <= 0) return {};
  if (static_cast<int>(s.size()) <= n) return s;  // bytes >= characters
  int chars = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
      if (chars == n) return s.substr(0, i);
      ++chars;
    }
  }
  return s;
}

std::string FoldCase(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < out.size()) {
      unsigned char d = static_cast<unsigned char>(out[i + 1]);
      if (d >= 0x80 && d <= 0x9E && d != 0x97) out[i + 1] = static_cast<char>(d + 0x20);
      ++i;
    }
  }
  return out;
}

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

// ---------------------------------------------------------------- orderings

struct ClientTable::Probe {
  const Key* keys;
  size_t count;
};

struct ClientTable::Ordering {
  struct Cmp {
    using is_transparent = void;
    const ClientTable* t;
    const std::vector<KeyPart>* keys;
    bool operator()(RowId a, RowId b) const { return t->CompareRows(*keys, a, b) < 0; }
    bool operator()(RowId a, const Probe& p) const { return ComparePrefix(a, p) < 0; }
    bool operator()(const Probe& p, RowId a) const { return ComparePrefix(a, p) > 0; }
    int ComparePrefix(RowId row, const Probe& p) const {
      for (size_t i = 0; i < p.count; ++i) {
        const KeyPart& k = (*keys)[i];
        const FieldDef& f = t->def_.fields[static_cast<size_t>(k.field)];
        uint64_t c = t->CellAt(row, k.field);
        int r = 0;
        switch (f.type) {
          case FieldType::kText: {
            std::string_view a = t->CellText(c);
            int cmp = a.compare(p.keys[i].text);
            r = cmp < 0 ? -1 : cmp > 0 ? 1 : 0;
            break;
          }
          case FieldType::kFloat: {
            double a = std::bit_cast<double>(c), b = std::bit_cast<double>(p.keys[i].cell);
            r = a < b ? -1 : a > b ? 1 : 0;
            break;
          }
          default: {
            int64_t a = static_cast<int64_t>(c), b = static_cast<int64_t>(p.keys[i].cell);
            r = a < b ? -1 : a > b ? 1 : 0;
          }
        }
        if (k.descending) r = -r;
        if (r != 0) return r;
      }
      return 0;
    }
  };
  Ordering(const ClientTable* t, std::vector<KeyPart> k)
      : keys(std::move(k)), tree(Cmp{t, &keys}) {}
  std::vector<KeyPart> keys;
  std::set<RowId, Cmp> tree;
  std::set<RowId, Cmp>::iterator cur;
};

// The rows of a hash index by the hash of their key: open addressing with
// linear probing over one flat array, so a lookup costs about one cache miss.
// Several rows may share a hash; the caller compares the keys.
class FlatRowMap {
 public:
  void clear() {
    slots_.clear();
    used_ = live_ = 0;
  }
  void reserve(size_t rows) {
    if (rows * 2 > slots_.size()) Rehash(rows * 2);
  }
  void emplace(uint64_t hash, ClientTable::RowId row) {
    if ((used_ + 1) * 2 > slots_.size()) Rehash(std::max<size_t>(live_ * 4, 16));
    const size_t mask = slots_.size() - 1;
    size_t i = Home(hash);
    while (slots_[i].state == kFull) i = (i + 1) & mask;
    if (slots_[i].state == kEmpty) ++used_;
    slots_[i] = {hash, row, kFull};
    ++live_;
  }
  void erase(uint64_t hash, ClientTable::RowId row) {
    if (slots_.empty()) return;
    const size_t mask = slots_.size() - 1;
    for (size_t i = Home(hash); slots_[i].state != kEmpty; i = (i + 1) & mask)
      if (slots_[i].state == kFull && slots_[i].hash == hash && slots_[i].row == row) {
        slots_[i].state = kGone;
        --live_;
        return;
      }
  }
  // Calls f(row) for every row stored under the hash.
  template <class F>
  void ForEach(uint64_t hash, F&& f) const {
    if (slots_.empty()) return;
    const size_t mask = slots_.size() - 1;
    for (size_t i = Home(hash); slots_[i].state != kEmpty; i = (i + 1) & mask)
      if (slots_[i].state == kFull && slots_[i].hash == hash) f(slots_[i].row);
  }

 private:
  enum : uint32_t { kEmpty = 0, kFull = 1, kGone = 2 };
  struct Slot {
    uint64_t hash;
    ClientTable::RowId row;
    uint32_t state;
  };
  size_t Home(uint64_t hash) const {
    // Fibonacci hashing spreads keys whose hashes differ in the high bits only.
    return static_cast<size_t>((hash * 0x9e3779b97f4a7c15ULL) >> shift_);
  }
  void Rehash(size_t at_least) {
    size_t capacity = 16;
    while (capacity < at_least) capacity *= 2;
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot{0, 0, kEmpty});
    shift_ = 64 - std::countr_zero(capacity);
    used_ = live_ = 0;
    for (const Slot& s : old)
      if (s.state == kFull) emplace(s.hash, s.row);
  }
  std::vector<Slot> slots_;
  size_t used_ = 0;  // full and gone slots: what a probe walks over
  size_t live_ = 0;
  int shift_ = 64;
};

struct ClientTable::HashIndex {
  std::vector<int> fields;
  FlatRowMap map;
};

// -------------------------------------------------------------------- basics

ClientTable::ClientTable(TableDef def) : def_(std::move(def)), nf_(def_.fields.size()) {
  for (size_t i = 0; i < def_.fields.size(); ++i)
    field_by_lower_name_[Lower(def_.fields[i].name)] = static_cast<int>(i);
  buf_num_.assign(nf_, 0);
  buf_text_.assign(nf_, std::string());
  buf_dirty_.assign(nf_, false);
  aggregates_active_ = def_.aggregates_active;
  for (const auto& a : def_.aggregates) {
    std::string e = Lower(a.expression);
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
  auto it = field_by_lower_name_.find(Lower(Trim(name)));
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

void ClientTable::CheckType(int field, FieldType type, const char* what) const {
  const FieldDef& f = def_.fields[static_cast<size_t>(field)];
  if (f.type != type)
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

std::string_view ClientTable::CellText(const uint64_t& cell) const {
  if (cell >> 63) return std::string_view(reinterpret_cast<const char*>(&cell), (cell >> 56) & 0x7F);
  uint64_t off = cell & kOffsetMask;
  return std::string_view(arena_blocks_[off >> kArenaShift].get() + (off & (kArenaBlock - 1)),
                          (cell >> 40) & 0xFFFF);
}

uint64_t ClientTable::StoreText(std::string_view s) {
  if (s.size() <= 7) {
    uint64_t cell = (uint64_t{0x80} | s.size()) << 56;
    std::memcpy(&cell, s.data(), s.size());
    return cell;
  }
  if (arena_blocks_.empty() || arena_used_ + s.size() > kArenaBlock) {
    arena_blocks_.push_back(std::make_unique_for_overwrite<char[]>(kArenaBlock));
    arena_used_ = 0;
  }
  uint64_t off = (static_cast<uint64_t>(arena_blocks_.size() - 1) << kArenaShift) | arena_used_;
  std::memcpy(arena_blocks_.back().get() + arena_used_, s.data(), s.size());
  arena_used_ += s.size();
  arena_bytes_ += s.size();
  return off | (static_cast<uint64_t>(s.size()) << 40);
}

void ClientTable::CompactArena() {
  std::vector<std::unique_ptr<char[]>> old;
  old.swap(arena_blocks_);
  arena_used_ = arena_bytes_ = arena_garbage_ = 0;
  for (RowId r : default_order_)
    for (size_t f = 0; f < nf_; ++f) {
      uint64_t& c = Cell(r, static_cast<int>(f));
      if (def_.fields[f].type != FieldType::kText || (c >> 63)) continue;
      uint64_t off = c & kOffsetMask;
      std::string_view text(old[off >> kArenaShift].get() + (off & (kArenaBlock - 1)),
                            (c >> 40) & 0xFFFF);
      c = StoreText(text);
    }
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
        if (CellText(cell) == buf_text_[f]) continue;
        if (!(cell >> 63)) arena_garbage_ += (cell >> 40) & 0xFFFF;
      }
      uint64_t c = StoreText(buf_text_[f]);
      Cell(row, static_cast<int>(f)) = c;
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
    if ((row >> kBlockShift) >= cell_blocks_.size())
      cell_blocks_.push_back(std::make_unique_for_overwrite<uint64_t[]>(kBlockRows * nf_ + 1));
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
    bool at_end = ordering_ ? std::next(ordering_->cur) == ordering_->tree.end()
                            : cur_pos_ + 1 == default_order_.size();
    Changed(at_end && !insert_in_middle_ ? TableChange::kRowsAdded : TableChange::kReset);
    return;
  }
  if (state_ != State::kEdit) return;
  RowId row = edit_row_;
  bool moves = false;
  if (ordering_)
    for (const auto& k : ordering_->keys) moves = moves || buf_dirty_[static_cast<size_t>(k.field)];
  std::vector<HashIndex*> touched;
  for (auto& [name, h] : hash_indexes_) {
    bool t = false;
    for (int f : h->fields) t = t || buf_dirty_[static_cast<size_t>(f)];
    if (t) touched.push_back(h.get());
  }
  if (moves) ordering_->tree.erase(row);
  for (auto* h : touched) h->map.erase(HashRow(h->fields, row), row);
  WriteBuffer(row);
  if (moves) ordering_->tree.insert(row);
  for (auto* h : touched) h->map.emplace(HashRow(h->fields, row), row);
  state_ = State::kBrowse;
  if (moves) SeekTo(row);
  if (arena_garbage_ > kArenaBlock && arena_garbage_ > arena_bytes_ / 2) CompactArena();
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
  // The next row becomes current; the previous one when the last is deleted.
  std::optional<RowId> next;
  if (ordering_) {
    auto it = ordering_->tree.find(row);
    auto n = std::next(it);
    if (n != ordering_->tree.end()) next = *n;
    else if (it != ordering_->tree.begin()) next = *std::prev(it);
  } else {
    size_t pos = DefaultPosition(row);
    if (pos + 1 < default_order_.size()) next = default_order_[pos + 1];
    else if (pos > 0) next = default_order_[pos - 1];
  }
  IndexErase(row);
  default_order_.erase(default_order_.begin() + static_cast<std::ptrdiff_t>(DefaultPosition(row)));
  for (size_t f = 0; f < nf_; ++f) {
    uint64_t c = CellAt(row, static_cast<int>(f));
    if (def_.fields[f].type == FieldType::kText && !(c >> 63)) arena_garbage_ += (c >> 40) & 0xFFFF;
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
  arena_blocks_.clear();
  arena_blocks_.shrink_to_fit();
  arena_used_ = arena_bytes_ = arena_garbage_ = 0;
  default_order_.clear();
  default_order_.shrink_to_fit();
  if (ordering_) ordering_->tree.clear();
  for (auto& [name, h] : hash_indexes_) h->map.clear();
  has_current_ = false;
  eof_ = bof_ = true;
  Changed(TableChange::kReset);
}

void ClientTable::RenumberSeq() {
  uint64_t s = 0;
  for (RowId r : default_order_) seq_[r] = (s += kSeqGap);
}

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

// ------------------------------------------------------------------ cursor

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

void ClientTable::GotoBookmark(RowId row) {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  if (row >= seq_.size() || seq_[row] == kDead) return;
  if (has_current_ && current_ == row) return;
  SeekTo(row);
  Changed(TableChange::kCurrent);
}

void ClientTable::First() {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  if (default_order_.empty()) {
    has_current_ = false;
    eof_ = bof_ = true;
    return;
  }
  if (ordering_) {
    ordering_->cur = ordering_->tree.begin();
    current_ = *ordering_->cur;
    has_current_ = true;
  } else {
    SetCurrentFromPosition(0);
  }
  eof_ = false;
  bof_ = true;
  Changed(TableChange::kCurrent);
}

void ClientTable::Last() {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  if (default_order_.empty()) {
    has_current_ = false;
    eof_ = bof_ = true;
    return;
  }
  if (ordering_) {
    ordering_->cur = std::prev(ordering_->tree.end());
    current_ = *ordering_->cur;
    has_current_ = true;
  } else {
    SetCurrentFromPosition(default_order_.size() - 1);
  }
  eof_ = true;
  bof_ = false;
  Changed(TableChange::kCurrent);
}

void ClientTable::Next() {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  if (!has_current_) {
    eof_ = true;
    return;
  }
  bof_ = false;
  if (ordering_) {
    auto n = std::next(ordering_->cur);
    if (n == ordering_->tree.end()) {
      eof_ = true;
      return;
    }
    ordering_->cur = n;
    current_ = *n;
  } else {
    if (cur_pos_ + 1 >= default_order_.size()) {
      eof_ = true;
      return;
    }
    SetCurrentFromPosition(cur_pos_ + 1);
  }
  eof_ = false;
  Changed(TableChange::kCurrent);
}

void ClientTable::Prior() {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  if (!has_current_) {
    bof_ = true;
    return;
  }
  eof_ = false;
  if (ordering_) {
    if (ordering_->cur == ordering_->tree.begin()) {
      bof_ = true;
      return;
    }
    --ordering_->cur;
    current_ = *ordering_->cur;
  } else {
    if (cur_pos_ == 0) {
      bof_ = true;
      return;
    }
    SetCurrentFromPosition(cur_pos_ - 1);
  }
  bof_ = false;
  Changed(TableChange::kCurrent);
}

// ------------------------------------------------------------------ values

std::string_view ClientTable::GetText(int field) const {
  CheckType(field, FieldType::kText, "texto");
  if (state_ == State::kEdit && !buf_dirty_[static_cast<size_t>(field)])
    return CellText(CellAt(edit_row_, field));
  if (state_ == State::kEdit || state_ == State::kInsert) return BufferText(field);
  if (!has_current_) return {};
  return CellText(CellAt(current_, field));
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
  buf_num_[static_cast<size_t>(field)] = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(value)));
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

std::string ClientTable::AsString(int field) const {
  switch (def_.fields[static_cast<size_t>(field)].type) {
    case FieldType::kText: return std::string(GetText(field));
    case FieldType::kInteger: return std::to_string(GetInteger(field));
    case FieldType::kFloat: return FormatGeneral(GetFloat(field));
    case FieldType::kCurrency: return FormatGeneral(GetMoney(field));
  }
  return {};
}

namespace {
[[noreturn]] void ConversionFail(const std::string& table, const FieldDef& f, std::string_view v,
                                 const char* target) {
  throw TableError("Tabela " + table + ": '" + std::string(v) + "' não é um valor " + target +
                   " válido para o campo " + f.name);
}
}  // namespace

int32_t ClientTable::AsInteger(int field) const {
  const FieldDef& f = def_.fields[static_cast<size_t>(field)];
  switch (f.type) {
    case FieldType::kInteger: return static_cast<int32_t>(GetInteger(field));
    case FieldType::kFloat: return static_cast<int32_t>(std::nearbyint(GetFloat(field)));
    case FieldType::kCurrency: return static_cast<int32_t>(std::nearbyint(GetMoney(field).ToDouble()));
    case FieldType::kText: {
      std::string_view t = GetText(field);
      if (Trim(t).empty()) return 0;
      auto v = ParseInt32(t);
      if (!v) ConversionFail(def_.name, f, t, "inteiro");
      return *v;
    }
  }
  return 0;
}

double ClientTable::AsFloat(int field) const {
  const FieldDef& f = def_.fields[static_cast<size_t>(field)];
  switch (f.type) {
    case FieldType::kInteger: return static_cast<double>(GetInteger(field));
    case FieldType::kFloat: return GetFloat(field);
    case FieldType::kCurrency: return GetMoney(field).ToDouble();
    case FieldType::kText: {
      std::string_view t = GetText(field);
      if (Trim(t).empty()) return 0;
      auto v = ParseDouble(t);
      if (!v) ConversionFail(def_.name, f, t, "numérico");
      return *v;
    }
  }
  return 0;
}

Money ClientTable::AsCurrency(int field) const {
  const FieldDef& f = def_.fields[static_cast<size_t>(field)];
  switch (f.type) {
    case FieldType::kInteger: return Money::FromUnits(GetInteger(field));
    case FieldType::kFloat: return Money::FromDouble(GetFloat(field));
    case FieldType::kCurrency: return GetMoney(field);
    case FieldType::kText: {
      std::string_view t = GetText(field);
      if (Trim(t).empty()) return Money();
      auto v = ParseMoney(t);
      if (!v) ConversionFail(def_.name, f, t, "monetário");
      return *v;
    }
  }
  return Money();
}

void ClientTable::SetAsString(int field, std::string_view value) {
  const FieldDef& f = def_.fields[static_cast<size_t>(field)];
  switch (f.type) {
    case FieldType::kText: SetText(field, value); return;
    case FieldType::kInteger: {
      if (Trim(value).empty()) return SetInteger(field, 0);
      auto v = ParseInt32(value);
      if (!v) ConversionFail(def_.name, f, value, "inteiro");
      return SetInteger(field, *v);
    }
    case FieldType::kFloat: {
      if (Trim(value).empty()) return SetFloat(field, 0);
      auto v = ParseDouble(value);
      if (!v) ConversionFail(def_.name, f, value, "numérico");
      return SetFloat(field, *v);
    }
    case FieldType::kCurrency: {
      if (Trim(value).empty()) return SetMoney(field, Money());
      auto v = ParseMoney(value);
      if (!v) ConversionFail(def_.name, f, value, "monetário");
      return SetMoney(field, *v);
    }
  }
}

void ClientTable::SetAsInteger(int field, int32_t value) {
  switch (def_.fields[static_cast<size_t>(field)].type) {
    case FieldType::kText: return SetText(field, std::to_string(value));
    case FieldType::kInteger: return SetInteger(field, value);
    case FieldType::kFloat: return SetFloat(field, value);
    case FieldType::kCurrency: return SetMoney(field, Money::FromUnits(value));
  }
}

void ClientTable::SetAsFloat(int field, double value) {
  switch (def_.fields[static_cast<size_t>(field)].type) {
    case FieldType::kText: return SetText(field, FormatGeneral(value));
    case FieldType::kInteger: return SetInteger(field, static_cast<int64_t>(std::nearbyint(value)));
    case FieldType::kFloat: return SetFloat(field, value);
    case FieldType::kCurrency: return SetMoney(field, Money::FromDouble(value));
  }
}

void ClientTable::SetAsCurrency(int field, Money value) {
  switch (def_.fields[static_cast<size_t>(field)].type) {
    case FieldType::kText: return SetText(field, FormatGeneral(value));
    case FieldType::kInteger:
      return SetInteger(field, static_cast<int64_t>(std::nearbyint(value.ToDouble())));
    case FieldType::kFloat: return SetFloat(field, value.ToDouble());
    case FieldType::kCurrency: return SetMoney(field, value);
  }
}

void ClientTable::SetValue(int field, const Value& v) {
  switch (v.kind()) {
    case Value::Kind::kText: return SetAsString(field, v.text());
    case Value::Kind::kInteger: return SetAsInteger(field, static_cast<int32_t>(v.integer()));
    case Value::Kind::kFloat: return SetAsFloat(field, v.floating());
    case Value::Kind::kMoney: return SetAsCurrency(field, v.money());
  }
}

std::string_view ClientTable::RowText(RowId row, int field) const {
  return CellText(CellAt(row, field));
}
int64_t ClientTable::RowRaw(RowId row, int field) const {
  return static_cast<int64_t>(CellAt(row, field));
}
double ClientTable::RowFloat(RowId row, int field) const {
  return std::bit_cast<double>(CellAt(row, field));
}

std::string ClientTable::RowAsString(RowId row, int field) const {
  switch (def_.fields[static_cast<size_t>(field)].type) {
    case FieldType::kText: return std::string(RowText(row, field));
    case FieldType::kInteger: return std::to_string(RowRaw(row, field));
    case FieldType::kFloat: return FormatGeneral(RowFloat(row, field));
    case FieldType::kCurrency: return FormatGeneral(Money::FromRaw(RowRaw(row, field)));
  }
  return {};
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

int ClientTable::CompareRows(const std::vector<KeyPart>& keys, RowId a, RowId b) const {
  for (const auto& k : keys) {
    uint64_t ca = CellAt(a, k.field), cb = CellAt(b, k.field);
    int r = 0;
    switch (def_.fields[static_cast<size_t>(k.field)].type) {
      case FieldType::kText: {
        int c = CellText(ca).compare(CellText(cb));
        r = c < 0 ? -1 : c > 0 ? 1 : 0;
        break;
      }
      case FieldType::kFloat: {
        double x = std::bit_cast<double>(ca), y = std::bit_cast<double>(cb);
        r = x < y ? -1 : x > y ? 1 : 0;
        break;
      }
      default: {
        int64_t x = static_cast<int64_t>(ca), y = static_cast<int64_t>(cb);
        r = x < y ? -1 : x > y ? 1 : 0;
      }
    }
    if (k.descending) r = -r;
    if (r != 0) return r;
  }
  return seq_[a] < seq_[b] ? -1 : seq_[a] > seq_[b] ? 1 : 0;
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
  if (keys.empty()) ActivateDefault();
  else ActivateOrdering(std::move(keys));
}

void ClientTable::SetIndexName(std::string_view name) {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  std::string n(Trim(name));
  std::string ln = Lower(n);
  if (n.empty() || ln == "default_order") {
    index_field_names_.clear();
    index_name_ = n.empty() ? "" : "DEFAULT_ORDER";
    ActivateDefault();
    return;
  }
  for (const auto& s : def_.stored_index_names)
    if (Lower(s) == ln) {
      index_field_names_.clear();
      index_name_ = s;
      ActivateDefault();
      return;
    }
  const IndexDef* found = nullptr;
  for (const auto& d : def_.indexes)
    if (Lower(d.name) == ln) found = &d;
  for (const auto& d : added_indexes_)
    if (Lower(d.name) == ln) found = &d;
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
    if (Lower(d.name) == Lower(n)) Fail("índice '" + n + "' já existe");
  ParseFieldList(fields, descending);  // every field must exist
  added_indexes_.push_back({n, std::string(Trim(fields)), descending});
}

void ClientTable::DeleteIndex(std::string_view name) {
  std::string ln = Lower(Trim(name));
  auto same = [&](const IndexDef& d) { return Lower(d.name) == ln; };
  // Added at run time or listed by the definition: either may be deleted.
  std::vector<IndexDef>* list = &added_indexes_;
  auto it = std::find_if(list->begin(), list->end(), same);
  if (it == list->end()) {
    list = &def_.indexes;
    it = std::find_if(list->begin(), list->end(), same);
  }
  if (it == list->end()) Fail("índice '" + std::string(name) + "' não encontrado");
  bool active = Lower(index_name_) == ln;
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

// ------------------------------------------------------------------- lookup

void ClientTable::ConvertKey(int field, const Value& v, Key& out) const {
  out.cell = ConvertCell(field, v, out);
}

uint64_t ClientTable::ConvertCell(int field, const Value& v, Key& out) const {
  const FieldDef& f = def_.fields[static_cast<size_t>(field)];
  auto fail = [&](std::string_view shown) -> uint64_t {
    Fail("valor de pesquisa '" + std::string(shown) + "' inválido para o campo " + f.name);
  };
  switch (f.type) {
    case FieldType::kText:
      switch (v.kind()) {
        case Value::Kind::kText: out.text = v.text(); return 0;
        case Value::Kind::kInteger: out.owned = std::to_string(v.integer()); break;
        case Value::Kind::kFloat: out.owned = FormatGeneral(v.floating()); break;
        case Value::Kind::kMoney: out.owned = FormatGeneral(v.money()); break;
      }
      out.text = out.owned;
      return 0;
    case FieldType::kInteger:
      switch (v.kind()) {
        case Value::Kind::kText: {
          auto p = ParseInt32(v.text());
          if (!p) return fail(v.text());
          return static_cast<uint64_t>(static_cast<int64_t>(*p));
        }
        case Value::Kind::kInteger: return static_cast<uint64_t>(v.integer());
        case Value::Kind::kFloat: return static_cast<uint64_t>(static_cast<int64_t>(std::nearbyint(v.floating())));
        case Value::Kind::kMoney: return static_cast<uint64_t>(static_cast<int64_t>(std::nearbyint(v.money().ToDouble())));
      }
      return 0;
    case FieldType::kFloat:
      switch (v.kind()) {
        case Value::Kind::kText: {
          auto p = ParseDouble(v.text());
          if (!p) return fail(v.text());
          return DoubleBits(*p);
        }
        case Value::Kind::kInteger: return DoubleBits(static_cast<double>(v.integer()));
        case Value::Kind::kFloat: return DoubleBits(v.floating());
        case Value::Kind::kMoney: return DoubleBits(v.money().ToDouble());
      }
      return 0;
    case FieldType::kCurrency:
      switch (v.kind()) {
        case Value::Kind::kText: {
          auto p = ParseMoney(v.text());
          if (!p) return fail(v.text());
          return static_cast<uint64_t>(p->raw());
        }
        case Value::Kind::kInteger: return static_cast<uint64_t>(Money::FromUnits(v.integer()).raw());
        case Value::Kind::kFloat: return static_cast<uint64_t>(Money::FromDouble(v.floating()).raw());
        case Value::Kind::kMoney: return static_cast<uint64_t>(v.money().raw());
      }
  }
  return 0;
}

uint64_t ClientTable::HashRow(const std::vector<int>& fields, RowId row) const {
  uint64_t h = 0;
  for (int f : fields) {
    uint64_t c = CellAt(row, f);
    switch (def_.fields[static_cast<size_t>(f)].type) {
      case FieldType::kText: h = Mix(h, HashText(CellText(c))); break;
      case FieldType::kFloat: h = Mix(h, DoubleBits(std::bit_cast<double>(c))); break;
      default: h = Mix(h, c);
    }
  }
  return h;
}

ClientTable::HashIndex& ClientTable::HashFor(const std::vector<int>& fields, const std::string& key) {
  auto it = hash_indexes_.find(key);
  if (it != hash_indexes_.end()) return *it->second;
  auto h = std::make_unique<HashIndex>();
  h->fields = fields;
  h->map.reserve(default_order_.size() * 2 + 16);
  for (RowId r : default_order_) h->map.emplace(HashRow(fields, r), r);
  return *hash_indexes_.emplace(key, std::move(h)).first->second;
}

void ClientTable::IndexInsert(RowId row) {
  if (ordering_) ordering_->tree.insert(row);
  for (auto& [name, h] : hash_indexes_) h->map.emplace(HashRow(h->fields, row), row);
}

void ClientTable::IndexErase(RowId row) {
  if (ordering_) ordering_->tree.erase(row);
  for (auto& [name, h] : hash_indexes_) h->map.erase(HashRow(h->fields, row), row);
}

bool ClientTable::RowMatches(RowId row, const std::vector<int>& fields, const Key* keys,
                             LocateOptions options) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    int f = fields[i];
    const uint64_t want = keys[i].cell;
    const uint64_t& have = CellAt(row, f);
    switch (def_.fields[static_cast<size_t>(f)].type) {
      case FieldType::kText: {
        std::string_view s = CellText(have), key = keys[i].text;
        if (options.case_insensitive) {
          std::string a = FoldCase(s), b = FoldCase(key);
          if (options.partial_key ? a.compare(0, b.size(), b) != 0 || a.size() < b.size() : a != b)
            return false;
        } else if (options.partial_key ? s.substr(0, key.size()) != key : s != key) {
          return false;
        }
        break;
      }
      case FieldType::kFloat:
        if (std::bit_cast<double>(have) != std::bit_cast<double>(want)) return false;
        break;
      default:
        if (have != want) return false;
    }
  }
  return true;
}

bool ClientTable::Locate(std::string_view key_fields, std::initializer_list<Value> values,
                         LocateOptions options) {
  return LocateImpl(key_fields, values.begin(), values.size(), options);
}

bool ClientTable::Locate(std::string_view key_fields, const std::vector<Value>& values,
                         LocateOptions options) {
  return LocateImpl(key_fields, values.data(), values.size(), options);
}

ClientTable::KeyInfo& ClientTable::KeyInfoFor(std::string_view key_fields) {
  if (last_key_info_ && key_fields == last_key_fields_) return *last_key_info_;
  std::string name(key_fields);
  auto it = key_infos_.find(name);
  if (it == key_infos_.end()) it = key_infos_.emplace(name, KeyInfo{KeyFields(key_fields), nullptr}).first;
  last_key_fields_ = std::move(name);
  last_key_info_ = &it->second;
  return it->second;
}

bool ClientTable::LocateImpl(std::string_view key_fields, const Value* values, size_t count,
                             LocateOptions options) {
  CheckOpen();
  if (state_ != State::kBrowse) Post();
  KeyInfo& info = KeyInfoFor(key_fields);
  const std::vector<int>& fields = info.fields;
  if (fields.size() != count)
    Fail("Locate com " + std::to_string(count) + " valores para " + std::to_string(fields.size()) +
         " campos");
  if (default_order_.empty()) return false;

  std::array<Key, 8> small;
  std::vector<Key> large;
  Key* keys = small.data();
  if (count > small.size()) {
    large.resize(count);
    keys = large.data();
  }
  for (size_t i = 0; i < count; ++i) ConvertKey(fields[i], values[i], keys[i]);

  std::optional<RowId> found;
  if (options.case_insensitive || options.partial_key) {
    for (RowId r : OrderedRows())
      if (RowMatches(r, fields, keys, options)) {
        found = r;
        break;
      }
  } else {
    bool prefix = ordering_ && ordering_->keys.size() >= fields.size();
    for (size_t i = 0; prefix && i < fields.size(); ++i)
      prefix = ordering_->keys[i].field == fields[i];
    if (prefix) {
      auto it = ordering_->tree.lower_bound(Probe{keys, count});
      if (it != ordering_->tree.end() && RowMatches(*it, fields, keys, options)) found = *it;
    } else {
      if (!info.hash) {
        std::string name;
        for (int f : fields) name += std::to_string(f) + ",";
        info.hash = &HashFor(fields, name);
      }
      uint64_t hash = 0;
      for (size_t i = 0; i < count; ++i) {
        switch (def_.fields[static_cast<size_t>(fields[i])].type) {
          case FieldType::kText: hash = Mix(hash, HashText(keys[i].text)); break;
          case FieldType::kFloat: hash = Mix(hash, DoubleBits(std::bit_cast<double>(keys[i].cell))); break;
          default: hash = Mix(hash, keys[i].cell);
        }
      }
      info.hash->map.ForEach(hash, [&](RowId r) {
        if (!RowMatches(r, fields, keys, options)) return;
        if (!found) {
          found = r;
        } else if (ordering_ ? CompareRows(ordering_->keys, r, *found) < 0 : seq_[r] < seq_[*found]) {
          found = r;
        }
      });
    }
  }
  if (!found) return false;
  SeekTo(*found);
  Changed(TableChange::kCurrent);
  return true;
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
    if (Lower(def_.aggregates[a].name) == Lower(name)) return AggregateAt(static_cast<int>(a));
  Fail("agregado '" + std::string(name) + "' não encontrado");
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

}  // namespace fiscora
