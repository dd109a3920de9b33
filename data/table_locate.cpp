// ClientTable: exact and partial Locate, served by the active ordering when
// the key is a prefix of it and otherwise by a hash index on the key fields.
#include <array>
#include <bit>
#include <cstring>

#include "data/client_table.h"
#include "data/table_index.h"

namespace fiscora {

namespace {

uint64_t Mix(uint64_t h, uint64_t v) {
  h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
  return h;
}

// The hash of one key field: its text, or its cell (-0 and 0 alike).
uint64_t HashOf(FieldType type, uint64_t cell, std::string_view text) {
  switch (type) {
    case FieldType::kText:
      return HashText(text);
    case FieldType::kFloat: {
      double d = std::bit_cast<double>(cell);
      if (d == 0) d = 0;
      return std::bit_cast<uint64_t>(d);
    }
    default:
      return cell;
  }
}

}  // namespace

uint64_t ClientTable::HashRow(const std::vector<int>& fields, RowId row) const {
  uint64_t h = 0;
  for (int f : fields) {
    const uint64_t& c = CellAt(row, f);
    h = Mix(h, HashOf(def_.fields[static_cast<size_t>(f)].type, c,
                      IsText(f) ? arena_.Text(c) : std::string_view()));
  }
  return h;
}

ClientTable::HashIndex& ClientTable::HashFor(const std::vector<int>& fields,
                                             const std::string& key) {
  auto it = hash_indexes_.find(key);
  if (it != hash_indexes_.end()) return *it->second;
  auto h = std::make_unique<HashIndex>();
  h->fields = fields;
  h->map.reserve(default_order_.size());
  for (RowId r : default_order_) h->map.emplace(HashRow(fields, r), r);
  return *hash_indexes_.emplace(key, std::move(h)).first->second;
}

void ClientTable::IndexInsert(RowId row, const std::vector<bool>* dirty) {
  if (ordering_ && (!dirty || ordering_->Touches(*dirty))) ordering_->tree.insert(row);
  for (auto& [name, h] : hash_indexes_)
    if (!dirty || h->Touches(*dirty)) h->map.emplace(HashRow(h->fields, row), row);
}

void ClientTable::IndexErase(RowId row, const std::vector<bool>* dirty) {
  if (ordering_ && (!dirty || ordering_->Touches(*dirty))) ordering_->tree.erase(row);
  for (auto& [name, h] : hash_indexes_) {
    if (dirty && !h->Touches(*dirty)) continue;
    h->map.erase(HashRow(h->fields, row), row);
  }
}

void ClientTable::ClearIndexes() {
  if (ordering_) ordering_->tree.clear();
  for (auto& [name, h] : hash_indexes_) h->map.clear();
}

bool ClientTable::RowMatches(RowId row, const std::vector<int>& fields, const Key* keys,
                             LocateOptions options) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    int f = fields[i];
    const uint64_t want = keys[i].cell;
    const uint64_t& have = CellAt(row, f);
    switch (def_.fields[static_cast<size_t>(f)].type) {
      case FieldType::kText: {
        std::string_view s = arena_.Text(have), key = keys[i].text;
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
  if (it == key_infos_.end())
    it = key_infos_.emplace(name, KeyInfo{KeyFields(key_fields), nullptr}).first;
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
      for (size_t i = 0; i < count; ++i)
        hash = Mix(hash, HashOf(def_.fields[static_cast<size_t>(fields[i])].type, keys[i].cell,
                                keys[i].text));
      info.hash->map.ForEach(hash, [&](RowId r) {
        if (!RowMatches(r, fields, keys, options)) return;
        if (!found) {
          found = r;
        } else if (ordering_ ? CompareRows(ordering_->keys, r, *found) < 0
                             : seq_[r] < seq_[*found]) {
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

}  // namespace fiscora
