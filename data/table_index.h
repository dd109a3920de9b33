// Inside ClientTable: the tree of an ordering and the hash indexes. Only the
// table's own source files include this.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <set>
#include <vector>

#include "data/client_table.h"

namespace fiscora {

// The rank of a deleted row in seq_, and the gap between the ranks of rows
// appended one after the other (room for rows inserted between them).
inline constexpr uint64_t kDead = ~uint64_t{0};
inline constexpr uint64_t kSeqGap = uint64_t{1} << 20;

// A Locate key as far as it goes: the first `count` fields of an ordering.
struct ClientTable::Probe {
  const Key* keys;
  size_t count;
};

// An active ordering other than "DEFAULT_ORDER": its rows in a tree sorted
// by the key fields, ties in default order, and the current row's place.
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
        int r = t->CompareCell(k.field, row, p.keys[i].cell, p.keys[i].text);
        if (r != 0) return k.descending ? -r : r;
      }
      return 0;
    }
  };
  Ordering(const ClientTable* t, std::vector<KeyPart> k)
      : keys(std::move(k)), tree(Cmp{t, &keys}) {}
  // Whether an edit of the flagged fields can move a row.
  bool Touches(const std::vector<bool>& dirty) const {
    for (const auto& k : keys)
      if (dirty[static_cast<size_t>(k.field)]) return true;
    return false;
  }
  std::vector<KeyPart> keys;
  std::set<RowId, Cmp> tree;
  std::set<RowId, Cmp>::iterator cur;
};

// The rows of a hash index by the hash of their key: open addressing with
// linear probing over one flat array, so a lookup costs about one cache miss.
// Several rows may share a hash; the caller compares the keys.
class FlatRowMap {
 public:
  using RowId = ClientTable::RowId;
  void clear() {
    slots_.clear();
    used_ = live_ = 0;
  }
  void reserve(size_t rows) {
    if (rows * 2 > slots_.size()) Rehash(rows * 2);
  }
  void emplace(uint64_t hash, RowId row) {
    if ((used_ + 1) * 2 > slots_.size()) Rehash(std::max<size_t>(live_ * 4, 16));
    const size_t mask = slots_.size() - 1;
    size_t i = Home(hash);
    while (slots_[i].state == kFull) i = (i + 1) & mask;
    if (slots_[i].state == kEmpty) ++used_;
    slots_[i] = {hash, row, kFull};
    ++live_;
  }
  void erase(uint64_t hash, RowId row) {
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
    RowId row;
    uint32_t state;
  };
  size_t Home(uint64_t hash) const {
    // Fibonacci hashing spreads keys whose hashes differ in the high bits only.
    return static_cast<size_t>((hash * 0x9e3779b97f4a7c15ULL) >> shift_);
  }
  void Rehash(size_t at_least) {
    size_t capacity = 16;
    while (capacity < at_least) capacity *= 2;
    LargeVector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot{0, 0, kEmpty});
    shift_ = 64 - std::countr_zero(capacity);
    used_ = live_ = 0;
    for (const Slot& s : old)
      if (s.state == kFull) emplace(s.hash, s.row);
  }
  LargeVector<Slot> slots_;
  size_t used_ = 0;  // full and gone slots: what a probe walks over
  size_t live_ = 0;
  int shift_ = 64;
};

// Rows by the hash of their key fields (see HashRow).
struct ClientTable::HashIndex {
  std::vector<int> fields;
  FlatRowMap map;
  bool Touches(const std::vector<bool>& dirty) const {
    for (int f : fields)
      if (dirty[static_cast<size_t>(f)]) return true;
    return false;
  }
};

}  // namespace fiscora
