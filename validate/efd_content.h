// The content of an EFD file beyond its structure, checked in the same
// streaming pass: the sums between a document and its analytic and item
// registers (C100/C190/C170, C500/C590, D100/D190), the inventory total
// (H005/H010), the arithmetic of E110 and its totals against the analytic
// registers, and the access keys of C100 (form, check digit, agreement with
// the note, the establishment's own notes, repeated keys).
//
// EFD ICMS/IPI gets every rule, and so does a fragment without 0000 (but
// the checks of the establishment's own keys); EFD-Contribuições the keys
// of C100.
//
// Memory: the lines of the current document and inventory, and 52 bytes per
// C100 with a key (for the repeated keys).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "validate/finding.h"

namespace fiscora {

// A four-character register code as a number whose order is the texts'.
constexpr uint32_t RegisterCode(std::string_view reg) {
  uint32_t code = 0;
  for (size_t i = 0; i < 4; ++i)
    code = code << 8 | (i < reg.size() ? static_cast<unsigned char>(reg[i]) : 0u);
  return code;
}
inline std::string RegisterText(uint32_t code) {
  std::string s(4, ' ');
  for (size_t i = 0; i < 4; ++i) s[i] = static_cast<char>(code >> (24 - 8 * i) & 0xFF);
  return s;
}

class EfdContentChecks {
 public:
  explicit EfdContentChecks(ValidationReport& report) : r_(report) {}

  // The layout and the establishment, from the 0000 line: `fields[0]` is
  // the register code, `fields[i]` the field the layouts number i + 1.
  void Start(EfdLayout layout, const std::vector<std::string_view>& fields);
  // Every line of the file after 0000, as above; `code` is RegisterCode(reg).
  void Line(int64_t line, std::string_view reg, uint32_t code,
            const std::vector<std::string_view>& fields);
  void Finish();

  // The sums of one document (or inventory) and its children, by a spec of
  // its register.
  struct SumSpec;
  struct Doc {
    const SumSpec* spec = nullptr;
    int64_t line = 0;
    bool counted = false;  // of a situation whose values are summed
    bool bad = false;      // a value that is no number: no sums
    std::array<int64_t, 6> head{}, sum{};
  };

 private:
  // A CST, CFOP and rate of the items of a note, with their sums.
  struct Group {
    int cst, cfop;
    int64_t rate;
    int64_t first_line;
    bool matched = false;
    int64_t items = 0;  // the sum of VL_ITEM
    std::array<int64_t, 5> sum{};
  };
  struct Key {
    std::array<char, 44> key;
    int64_t line;
  };

  std::string_view F(size_t i) const {
    return i - 1 < fields_->size() ? (*fields_)[i - 1] : std::string_view{};
  }
  // The field as money (empty is zero); a field that is no number is
  // reported and gives false.
  bool Value(size_t i, const char* name, int64_t& raw);
  void Add(int64_t line, Check check, int column, std::string_view record, const char* field,
           Severity severity, std::array<int64_t, 3> values = {}, std::string_view text = {});

  void OpenDoc(const SumSpec& spec);
  void ChildLine(const SumSpec& spec);
  void CloseDoc();
  void NoteItem();
  void NoteAnalytic();
  void CloseNoteItems();
  void InventoryItem();
  void Record0140();
  void RecordE110();
  void Analytic(uint32_t code);
  void AccessKey();
  void RepeatedKeys();
  void E110Totals();

  ValidationReport& r_;
  EfdLayout layout_ = EfdLayout::kUnknown;
  const std::vector<std::string_view>* fields_ = nullptr;
  int64_t n_ = 0;
  std::string_view reg_;  // of the current line

  // The establishment: the key's CNPJ and UF of own notes.
  std::string cnpj0000_, uf0000_, cnpj_, uf_;
  std::map<std::string, std::string, std::less<>> uf_of_cnpj_;  // 0140

  Doc doc_;
  // The items of the open C100.
  std::vector<Group> groups_;
  bool note_has_items_ = false;
  int64_t items_total_ = 0;
  int64_t merc_ = 0;
  // The situation of the last document that heads analytic registers.
  std::string cod_sit_;

  // E110 and the ICMS of the analytic registers.
  int64_t e110_line_ = 0, e110_debits_ = 0, e110_credits_ = 0;
  int64_t debits_ = 0, credits_ = 0;

  std::vector<Key> keys_;
};

}  // namespace fiscora
