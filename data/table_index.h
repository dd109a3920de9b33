// Inside ClientTable: the tree of an ordering and the hash indexes. Only the
// table's own source files include this.
#pragma once

#include <set>
#include <unordered_map>
#include <vector>

#include "data/client_table.h"

namespace fiscora {

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

// Rows by the hash of their key fields (see HashRow).
struct ClientTable::HashIndex {
  std::vector<int> fields;
  std::unordered_multimap<uint64_t, RowId> map;
  bool Touches(const std::vector<bool>& dirty) const {
    for (int f : fields)
      if (dirty[static_cast<size_t>(f)]) return true;
    return false;
  }
};

}  // namespace fiscora
