// ClientTable: a table held wholly in memory, with typed fields, a current
// row, an active ordering, key lookup, maintained aggregates and display
// bindings.
//
// Storage: one 8-byte cell per field and row. Numbers sit in the cell; a text
// of up to 7 bytes too, a longer one in the table's text arena. Text is held
// as UTF-8 and cut to the field's width in characters when set.
//
// Orderings: "DEFAULT_ORDER" (the order rows were added) is a vector; any
// other ordering is a balanced tree keyed by its fields, ties in default
// order. An exact Locate is served by the active ordering when the key is a
// prefix of it, and otherwise by a hash index on the key fields that is built
// on first use and kept up to date, so no exact lookup walks the table.
//
// Not thread-safe: one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/large_block.h"
#include "data/money.h"
#include "data/table_def.h"
#include "data/text.h"
#include "data/text_arena.h"

namespace fiscora {

// Errors of the facility: unknown field or index, duplicate index name, a
// value that cannot be converted, an operation in the wrong state.
class TableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A value handed to Locate or to a generic set: text, integer, float or money.
class Value {
 public:
  enum class Kind { kText, kInteger, kFloat, kMoney };
  Value(std::string_view s) : kind_(Kind::kText), text_(s) {}    // NOLINT
  Value(const char* s) : kind_(Kind::kText), text_(s) {}         // NOLINT
  Value(const std::string& s) : kind_(Kind::kText), text_(s) {}  // NOLINT
  Value(int v) : kind_(Kind::kInteger), int_(v) {}               // NOLINT
  Value(int64_t v) : kind_(Kind::kInteger), int_(v) {}           // NOLINT
  Value(double v) : kind_(Kind::kFloat), float_(v) {}            // NOLINT
  Value(Money v) : kind_(Kind::kMoney), int_(v.raw()) {}         // NOLINT
  Kind kind() const { return kind_; }
  std::string_view text() const { return text_; }
  int64_t integer() const { return int_; }
  double floating() const { return float_; }
  Money money() const { return Money::FromRaw(int_); }

 private:
  Kind kind_;
  std::string_view text_;
  int64_t int_ = 0;
  double float_ = 0;
};

struct LocateOptions {
  bool case_insensitive = false;
  bool partial_key = false;
};

// The value of an aggregate: empty on an empty table or while aggregates are
// not active; otherwise an integer ('sum(f)') or a float ('sum(f)*1').
struct AggregateValue {
  bool is_null = true;
  bool is_float = false;
  int64_t integer = 0;
  double floating = 0;
};

enum class TableChange {
  kRowsAdded,    // rows appended at the end of the active ordering
  kDataChanged,  // values of existing rows changed, order kept
  kReset,        // emptied, reordered, rows inserted or deleted in between
  kCurrent,      // only the current row moved
};

class ClientTable;

class TableObserver {
 public:
  virtual ~TableObserver() = default;
  virtual void TableChanged(const ClientTable& table, TableChange change) = 0;
};

// A display binding (ds_...): joins a table to grids and text displays.
// While disabled its observers are not told of changes; enabling it tells
// them to show the table's current state again.
class DataSource {
 public:
  DataSource(std::string name, ClientTable* table) : name_(std::move(name)), table_(table) {}
  const std::string& name() const { return name_; }
  ClientTable* table() const { return table_; }
  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  void AddObserver(TableObserver* o) { observers_.push_back(o); }
  void RemoveObserver(TableObserver* o);
  void Notify(TableChange change);

 private:
  std::string name_;
  ClientTable* table_;
  bool enabled_ = true;
  std::vector<TableObserver*> observers_;
};

class Field;

class ClientTable {
 public:
  enum class State { kClosed, kBrowse, kEdit, kInsert };
  using RowId = uint32_t;
  // Rows in an order; a big table's list lies in huge pages.
  using RowList = LargeVector<RowId>;

  // CreateDataSet: the table is created from its definition, open and empty.
  explicit ClientTable(TableDef def);
  ~ClientTable();
  ClientTable(const ClientTable&) = delete;
  ClientTable& operator=(const ClientTable&) = delete;

  const std::string& name() const { return def_.name; }
  const TableDef& def() const { return def_; }
  State state() const { return state_; }

  // --- fields
  int FieldCount() const { return static_cast<int>(def_.fields.size()); }
  const FieldDef& FieldAt(int index) const { return def_.fields[static_cast<size_t>(index)]; }
  // Field index by name without regard to letter case; -1 when absent.
  int FindField(std::string_view name) const;
  // As FindField, but a name the table does not have is an error.
  int FieldIndex(std::string_view name) const;
  Field FieldByName(std::string_view name);

  // --- open, close, rows
  void Open();
  void Close();
  void EmptyDataSet();
  void Append();
  void Insert();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  int RecordCount() const { return static_cast<int>(default_order_.size()); }
  bool IsEmpty() const { return default_order_.empty(); }

  // --- walking, in the active ordering; every move of the current row is
  // told to the bound displays as kCurrent
  void First();
  void Last();
  void Next();
  void Prior();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool HasCurrent() const { return has_current_; }
  RowId CurrentRow() const { return current_; }
  // Makes a live row (one of OrderedRows()) the current row, as a grid does
  // when the user selects it; any other id changes nothing.
  void GotoBookmark(RowId row);

  // --- values of the current row (or of the row being edited)
  std::string_view GetText(int field) const;  // text fields only
  int64_t GetInteger(int field) const;        // integer fields
  double GetFloat(int field) const;           // float fields
  Money GetMoney(int field) const;            // currency fields
  void SetText(int field, std::string_view value);
  void SetInteger(int field, int64_t value);
  void SetFloat(int field, double value);
  void SetMoney(int field, Money value);
  // Conversions between the field's type and the requested one.
  std::string AsString(int field) const;
  int32_t AsInteger(int field) const;
  double AsFloat(int field) const;
  Money AsCurrency(int field) const;
  void SetAsString(int field, std::string_view value);
  void SetAsInteger(int field, int32_t value);
  void SetAsFloat(int field, double value);
  void SetAsCurrency(int field, Money value);
  void SetValue(int field, const Value& value);

  // Values of any live row by id (for displays and exports).
  std::string_view RowText(RowId row, int field) const;
  int64_t RowRaw(RowId row, int field) const;  // integer, or money raw
  double RowFloat(RowId row, int field) const;
  std::string RowAsString(RowId row, int field) const;

  // --- lookup and orderings
  bool Locate(std::string_view key_fields, std::initializer_list<Value> values,
              LocateOptions options = {});
  bool Locate(std::string_view key_fields, const std::vector<Value>& values,
              LocateOptions options = {});
  void SetIndexFieldNames(std::string_view fields);
  const std::string& IndexFieldNames() const { return index_field_names_; }
  void SetIndexName(std::string_view name);
  const std::string& IndexName() const { return index_name_; }
  // The index definitions as the table lists them: the built-in names first
  // ("DEFAULT_ORDER", and those the definition stores), then the added ones.
  std::vector<IndexDef> IndexDefs() const;
  void AddIndex(std::string_view name, std::string_view fields, bool descending = false);
  // Removes an added index or one of the definition; deleting the active one
  // falls back to "DEFAULT_ORDER".
  void DeleteIndex(std::string_view name);

  // Rows in the active ordering; cached until the table changes.
  const RowList& OrderedRows() const;

  // --- aggregates
  bool AggregatesActive() const { return aggregates_active_; }
  void SetAggregatesActive(bool active);
  int AggregateCount() const { return static_cast<int>(def_.aggregates.size()); }
  AggregateValue Aggregate(std::string_view name) const;
  AggregateValue AggregateAt(int index) const;

  // --- display bindings
  DataSource* binding() { return binding_.get(); }
  const DataSource* binding() const { return binding_.get(); }
  // Nested: while disabled, the displays hear nothing, cursor moves included;
  // the last EnableControls sends one kReset if anything happened meanwhile.
  void DisableControls();
  void EnableControls();

 private:
  struct KeyPart {
    int field;
    bool descending;
  };
  struct Ordering;
  struct HashIndex;
  struct Probe;
  // A Locate value converted to its field's type: the cell, or the text
  // (a view of the caller's text when it was given as text).
  struct Key {
    uint64_t cell = 0;
    std::string_view text;
    std::string owned;
  };
  struct KeyInfo {
    std::vector<int> fields;
    HashIndex* hash = nullptr;  // built on first use
  };

  void CheckOpen() const;
  void CheckEditing(int field) const;
  void CheckType(int field, FieldType type, const char* what) const {
    if (def_.fields[static_cast<size_t>(field)].type != type) WrongType(field, what);
  }
  [[noreturn]] void WrongType(int field, const char* what) const;
  [[noreturn]] void Fail(const std::string& message) const;
  std::vector<KeyPart> ParseFieldList(std::string_view fields, bool descending) const;
  std::vector<int> KeyFields(std::string_view fields) const;

  // Cells live in blocks, so the table grows without copying or
  // zero-filling what it holds: a first block of kFirstBlockRows rows, in
  // plain memory, then blocks of 2^block_shift_ rows, at least 8 MiB each,
  // which a big table has in huge pages (data/large_block.h).
  static constexpr size_t kFirstBlockRows = 512;
  static unsigned BlockShiftFor(size_t fields);
  size_t CellIndex(RowId row, int field, size_t& block) const {
    size_t in_block = row;
    block = 0;
    if (row >= kFirstBlockRows) {
      const size_t later = row - kFirstBlockRows;
      block = (later >> block_shift_) + 1;
      in_block = later & ((size_t{1} << block_shift_) - 1);
    }
    return in_block * nf_ + static_cast<size_t>(field);
  }
  uint64_t& Cell(RowId row, int field) {
    size_t block;
    const size_t at = CellIndex(row, field, block);
    return cell_blocks_[block][at];
  }
  const uint64_t& CellAt(RowId row, int field) const {
    size_t block;
    const size_t at = CellIndex(row, field, block);
    return cell_blocks_[block][at];
  }
  bool IsText(int field) const {
    return def_.fields[static_cast<size_t>(field)].type == FieldType::kText;
  }
  void CompactArena();
  void LoadBuffer(RowId row);
  void WriteBuffer(RowId row);
  std::string_view BufferText(int field) const { return buf_text_[static_cast<size_t>(field)]; }

  // values (table_values.cpp)
  Value CurrentValue(int field) const;
  Value RowValue(RowId row, int field) const;
  void StoreValue(int field, const Value& value);
  void ConvertKey(int field, const Value& v, Key& out) const;

  // orderings and cursor (table_order.cpp)
  // The field of row against a cell of the same field (text: its text).
  int CompareCell(int field, RowId row, uint64_t cell, std::string_view text) const;
  int CompareRows(const std::vector<KeyPart>& keys, RowId a, RowId b) const;
  void ActivateOrdering(std::vector<KeyPart> keys);
  void ActivateDefault();
  void SeekTo(RowId row);
  void SetCurrentFromPosition(size_t pos);
  // First (last): the first (last) row of the ordering, none when empty.
  void MoveToEnd(bool last);
  // Next (Prior): one row on; at the end, that end's flag is set and the
  // current row stays.
  template <bool kForward>
  void Step();
  size_t DefaultPosition(RowId row) const;
  bool CurrentIsLast() const;
  // The row that becomes current when row is deleted.
  std::optional<RowId> Neighbour(RowId row) const;

  // hash indexes and Locate (table_locate.cpp)
  uint64_t HashRow(const std::vector<int>& fields, RowId row) const;
  bool RowMatches(RowId row, const std::vector<int>& fields, const Key* keys,
                  LocateOptions options) const;
  bool LocateImpl(std::string_view key_fields, const Value* values, size_t count,
                  LocateOptions options);
  KeyInfo& KeyInfoFor(std::string_view key_fields);
  HashIndex& HashFor(const std::vector<int>& fields, const std::string& key);
  // Row enters or leaves the active ordering and the hash indexes; with
  // dirty, only those whose key fields it flags.
  void IndexInsert(RowId row, const std::vector<bool>* dirty = nullptr);
  void IndexErase(RowId row, const std::vector<bool>* dirty = nullptr);
  void ClearIndexes();

  void RenumberSeq();
  void Changed(TableChange change);

  TableDef def_;
  size_t nf_;
  std::unordered_map<std::string, int> field_by_lower_name_;
  State state_ = State::kBrowse;

  unsigned block_shift_;
  std::vector<LargeBlock<uint64_t>> cell_blocks_;  // row-major, nf_ cells a row
  LargeVector<uint64_t> seq_;                      // rank in default order; kDead when deleted
  TextArena arena_;                                // the texts of the text cells
  RowList default_order_;

  // edit buffer
  std::vector<uint64_t> buf_num_;
  std::vector<std::string> buf_text_;
  std::vector<bool> buf_dirty_;
  RowId edit_row_ = 0;
  RowId insert_before_ = 0;
  bool insert_in_middle_ = false;

  // cursor
  bool has_current_ = false;
  RowId current_ = 0;
  size_t cur_pos_ = 0;  // position in default order (default ordering)
  bool eof_ = true;
  bool bof_ = true;

  // orderings
  std::string index_field_names_;
  std::string index_name_;
  std::vector<IndexDef> added_indexes_;
  std::unique_ptr<Ordering> ordering_;  // null: DEFAULT_ORDER
  mutable RowList ordered_cache_;
  mutable bool ordered_cache_valid_ = false;

  std::map<std::string, std::unique_ptr<HashIndex>> hash_indexes_;
  std::unordered_map<std::string, KeyInfo> key_infos_;
  std::string last_key_fields_;  // the key of the last Locate and its info
  KeyInfo* last_key_info_ = nullptr;

  bool aggregates_active_ = false;
  struct AggregateSpec {
    int field;
    bool as_float;
  };
  std::vector<AggregateSpec> aggregate_specs_;
  mutable std::vector<AggregateValue> aggregate_cache_;
  mutable bool aggregates_dirty_ = true;

  std::unique_ptr<DataSource> binding_;
  int controls_disabled_ = 0;
  bool pending_reset_ = false;

  friend class Field;
};

// A handle on one field of a table, as FieldByName gives it.
class Field {
 public:
  Field(ClientTable* table, int index) : table_(table), index_(index) {}
  const std::string& FieldName() const { return table_->FieldAt(index_).name; }
  FieldType DataType() const { return table_->FieldAt(index_).type; }
  int Index() const { return index_; }
  std::string AsString() const { return table_->AsString(index_); }
  int32_t AsInteger() const { return table_->AsInteger(index_); }
  double AsFloat() const { return table_->AsFloat(index_); }
  Money AsCurrency() const { return table_->AsCurrency(index_); }
  void SetAsString(std::string_view v) { table_->SetAsString(index_, v); }
  void SetAsInteger(int32_t v) { table_->SetAsInteger(index_, v); }
  void SetAsFloat(double v) { table_->SetAsFloat(index_, v); }
  void SetAsCurrency(Money v) { table_->SetAsCurrency(index_, v); }

 private:
  ClientTable* table_;
  int index_;
};

}  // namespace fiscora
