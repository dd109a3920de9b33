// A small JSON writer and the dump of tables in the form fiscora-cli prints:
// text as a string, integer as an integer, float as a number, currency as a
// string with a dot and four decimals ("175.0000").
#pragma once

#include <string>
#include <string_view>

#include "data/catalogue.h"
#include "data/client_table.h"

namespace fiscora {

class JsonWriter {
 public:
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  void Key(std::string_view key);
  void String(std::string_view s);
  void Int(int64_t v);
  void Double(double v);
  void Bool(bool v);
  void Null();
  // A value already written as JSON text, inserted as it is.
  void Raw(std::string_view json);
  const std::string& str() const { return out_; }

 private:
  void Separate();
  std::string out_;
  bool need_comma_ = false;
};

std::string JsonEscape(std::string_view s);

// The rows of a table in its current order: a list of objects field -> value.
void WriteTableRows(JsonWriter& w, const ClientTable& t);
// The aggregates of a table: name -> value (null when empty).
void WriteAggregates(JsonWriter& w, const ClientTable& t);
// Every table with its fields and types, in catalogue order.
void WriteCatalogue(JsonWriter& w, const TdtmCENTRAL& dtm);

}  // namespace fiscora
