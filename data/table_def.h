// Definitions of tables as data: fields with their display attributes,
// aggregates and named indexes. The catalogue (catalogue.cpp) lists every
// table of the program in this form.
#pragma once

#include <string>
#include <vector>

namespace fiscora {

enum class FieldType { kText, kInteger, kFloat, kCurrency };

struct FieldDef {
  std::string name;
  FieldType type = FieldType::kText;
  int size = 0;           // text width in characters
  std::string title;      // display label, blanks kept; empty: the field name
  int display_width = 0;  // in characters; 0: the type's default
  bool centered = false;  // centred, else the type's default alignment
  bool visible = true;    // hidden fields are not grid columns
  bool money = false;     // shown in the money format "R$ 1.234,56"
  std::string format;     // display format pattern, e.g. "#'%'"
};

struct AggregateDef {
  std::string name;
  std::string expression;  // "sum(field)" or "sum(field)*1"
  std::string format;      // display format, e.g. "###,##0.00"
  bool money = false;      // shown as money
};

struct IndexDef {
  std::string name;
  std::string fields;  // "codigo" or "data; serie"
  bool descending = false;
};

struct TableDef {
  std::string name;
  std::string binding;  // display binding (ds_...), empty when none
  bool binding_enabled = true;
  bool aggregates_active = false;
  std::vector<FieldDef> fields;
  std::vector<AggregateDef> aggregates;
  std::vector<IndexDef> indexes;
  std::vector<std::string> stored_index_names;  // e.g. "CHANGEINDEX" on note tables
};

// Short builders for the catalogue.
inline FieldDef Text(std::string name, int size) {
  FieldDef f;
  f.name = std::move(name);
  f.type = FieldType::kText;
  f.size = size;
  return f;
}
inline FieldDef Int(std::string name) {
  FieldDef f;
  f.name = std::move(name);
  f.type = FieldType::kInteger;
  return f;
}
inline FieldDef Float(std::string name) {
  FieldDef f;
  f.name = std::move(name);
  f.type = FieldType::kFloat;
  return f;
}
inline FieldDef Curr(std::string name) {
  FieldDef f;
  f.name = std::move(name);
  f.type = FieldType::kCurrency;
  f.money = true;
  return f;
}

}  // namespace fiscora
