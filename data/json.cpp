#include "data/json.h"

#include <cstdio>

#include "data/format.h"

namespace fiscora {

std::string JsonEscape(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out += '"';
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

void JsonWriter::Separate() {
  if (need_comma_) out_ += ',';
  need_comma_ = true;
}
void JsonWriter::Open(char bracket) {
  Separate();
  out_ += bracket;
  need_comma_ = false;
}
void JsonWriter::Close(char bracket) {
  out_ += bracket;
  need_comma_ = true;
}
void JsonWriter::BeginObject() { Open('{'); }
void JsonWriter::EndObject() { Close('}'); }
void JsonWriter::BeginArray() { Open('['); }
void JsonWriter::EndArray() { Close(']'); }
void JsonWriter::Key(std::string_view key) {
  Separate();
  out_ += JsonEscape(key);
  out_ += ':';
  need_comma_ = false;
}
void JsonWriter::String(std::string_view s) {
  Separate();
  out_ += JsonEscape(s);
}
void JsonWriter::Raw(std::string_view json) {
  Separate();
  out_ += json;
}
void JsonWriter::Int(int64_t v) {
  Separate();
  out_ += std::to_string(v);
}
void JsonWriter::Double(double v) {
  Separate();
  out_ += DoubleToJson(v);
}
void JsonWriter::Bool(bool v) {
  Separate();
  out_ += v ? "true" : "false";
}
void JsonWriter::Null() {
  Separate();
  out_ += "null";
}

void WriteTableRows(JsonWriter& w, const ClientTable& t) {
  w.BeginArray();
  for (ClientTable::RowId row : t.OrderedRows()) {
    w.BeginObject();
    for (int f = 0; f < t.FieldCount(); ++f) {
      const FieldDef& def = t.FieldAt(f);
      w.Key(def.name);
      switch (def.type) {
        case FieldType::kText:
          w.String(t.RowText(row, f));
          break;
        case FieldType::kInteger:
          w.Int(t.RowRaw(row, f));
          break;
        case FieldType::kFloat:
          w.Double(t.RowFloat(row, f));
          break;
        case FieldType::kCurrency:
          w.String(Money::FromRaw(t.RowRaw(row, f)).ToFixed4());
          break;
      }
    }
    w.EndObject();
  }
  w.EndArray();
}

void WriteAggregates(JsonWriter& w, const ClientTable& t) {
  w.BeginObject();
  for (int a = 0; a < t.AggregateCount(); ++a) {
    w.Key(t.def().aggregates[static_cast<size_t>(a)].name);
    AggregateValue v = t.AggregateAt(a);
    if (v.is_null)
      w.Null();
    else if (v.is_float)
      w.Double(v.floating);
    else
      w.Int(v.integer);
  }
  w.EndObject();
}

namespace {

void PutString(JsonWriter& w, std::string_view key, std::string_view value) {
  w.Key(key);
  w.String(value);
}

void PutBool(JsonWriter& w, std::string_view key, bool value) {
  w.Key(key);
  w.Bool(value);
}

}  // namespace

void WriteCatalogue(JsonWriter& w, const TdtmCENTRAL& dtm) {
  static const char* kTypes[] = {"text", "integer", "float", "currency"};
  w.BeginObject();
  for (const auto& t : dtm.tables()) {
    w.Key(t->name());
    w.BeginObject();
    PutString(w, "binding", t->def().binding);
    w.Key("fields");
    w.BeginArray();
    for (int f = 0; f < t->FieldCount(); ++f) {
      const FieldDef& d = t->FieldAt(f);
      w.BeginObject();
      PutString(w, "name", d.name);
      PutString(w, "type", kTypes[static_cast<int>(d.type)]);
      if (d.type == FieldType::kText) {
        w.Key("size");
        w.Int(d.size);
      }
      PutString(w, "title", d.title.empty() ? d.name : d.title);
      PutBool(w, "visible", d.visible);
      w.EndObject();
    }
    w.EndArray();
    w.Key("aggregates");
    w.BeginArray();
    for (const auto& a : t->def().aggregates) {
      w.BeginObject();
      PutString(w, "name", a.name);
      PutString(w, "expression", a.expression);
      w.EndObject();
    }
    w.EndArray();
    w.Key("indexes");
    w.BeginArray();
    for (const auto& i : t->IndexDefs()) {
      w.BeginObject();
      PutString(w, "name", i.name);
      PutString(w, "fields", i.fields);
      PutBool(w, "descending", i.descending);
      w.EndObject();
    }
    w.EndArray();
    w.EndObject();
  }
  w.EndObject();
}

}  // namespace fiscora
