#include "data/json.h"

#include <array>
#include <charconv>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "data/format.h"

namespace fiscora {

namespace {

// Which bytes a JSON string cannot hold as they are.
constexpr std::array<bool, 256> kMustEscape = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 0x20; ++c) t[static_cast<size_t>(c)] = true;
  t['"'] = t['\\'] = true;
  return t;
}();

// The escape of one such byte; returns its end.
char* Escape(unsigned char c, char* out) {
  *out++ = '\\';
  switch (c) {
    case '"':
    case '\\':
      *out++ = static_cast<char>(c);
      return out;
    case '\n':
      *out++ = 'n';
      return out;
    case '\r':
      *out++ = 'r';
      return out;
    case '\t':
      *out++ = 't';
      return out;
    default: {
      static const char kHex[] = "0123456789abcdef";
      std::memcpy(out, "u00", 3);
      out[3] = kHex[c >> 4];
      out[4] = kHex[c & 15];
      return out + 5;
    }
  }
}

// Escapes s into a string (the keys written once).
void AppendEscaped(std::string& out, std::string_view s) {
  out += '"';
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (!kMustEscape[c]) {
      out += ch;
    } else {
      char text[6];
      out.append(text, Escape(c, text));
    }
  }
  out += '"';
}

}  // namespace

void StreamSink::Write(std::string_view bytes) {
  out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out_) throw std::runtime_error("Não foi possível escrever a saída");
}

JsonKey::JsonKey(std::string_view key) {
  AppendEscaped(text_, key);
  text_ += ':';
}

JsonWriter::JsonWriter(OutputSink& sink) : sink_(sink), buffer_(new char[kBufferSize]) {}

JsonWriter::~JsonWriter() = default;

void JsonWriter::Drain() {
  if (used_ == 0) return;
  // Emptied first: a sink that throws leaves the writer with nothing to
  // write twice.
  size_t n = used_;
  used_ = 0;
  sink_.Write(std::string_view(buffer_.get(), n));
}

void JsonWriter::Flush() { Drain(); }

void JsonWriter::PutBytes(std::string_view bytes) {
  if (kBufferSize - used_ >= bytes.size()) {
    std::memcpy(buffer_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
    return;
  }
  Drain();
  if (bytes.size() >= kBufferSize) {
    sink_.Write(bytes);
  } else {
    std::memcpy(buffer_.get(), bytes.data(), bytes.size());
    used_ = bytes.size();
  }
}

// Runs of bytes that need no escape are copied whole.
void JsonWriter::PutEscaped(std::string_view s) {
  Put('"');
  const char* p = s.data();
  const char* const end = p + s.size();
  while (p < end) {
    const char* run = p;
    while (p < end && !kMustEscape[static_cast<unsigned char>(*p)]) ++p;
    PutBytes(std::string_view(run, static_cast<size_t>(p - run)));
    if (p == end) break;
    Commit(Escape(static_cast<unsigned char>(*p++), Reserve(6)));
  }
  Put('"');
}

void JsonWriter::Open(char bracket) {
  Separate();
  Put(bracket);
  need_comma_ = false;
}
void JsonWriter::Close(char bracket) {
  Put(bracket);
  need_comma_ = true;
}
void JsonWriter::BeginObject() { Open('{'); }
void JsonWriter::EndObject() { Close('}'); }
void JsonWriter::BeginArray() { Open('['); }
void JsonWriter::EndArray() { Close(']'); }
void JsonWriter::Key(std::string_view key) {
  Separate();
  PutEscaped(key);
  Put(':');
  need_comma_ = false;
}
void JsonWriter::Key(const JsonKey& key) {
  Separate();
  PutBytes(key.text());
  need_comma_ = false;
}
void JsonWriter::String(std::string_view s) {
  Separate();
  PutEscaped(s);
}
void JsonWriter::Int(int64_t v) {
  Separate();
  char* out = Reserve(24);
  Commit(std::to_chars(out, out + 24, v).ptr);
}
void JsonWriter::Double(double v) {
  Separate();
  Commit(DoubleToJson(v, Reserve(kDoubleJsonSize)));
}
void JsonWriter::MoneyString(Money v) {
  Separate();
  char* out = Reserve(Money::kFixed4Size + 2);
  *out = '"';
  out = v.ToFixed4(out + 1);
  *out = '"';
  Commit(out + 1);
}
void JsonWriter::Bool(bool v) {
  Separate();
  PutBytes(v ? "true" : "false");
}
void JsonWriter::Null() {
  Separate();
  PutBytes("null");
}
void JsonWriter::Raw(std::string_view json) {
  Separate();
  PutBytes(json);
}

std::string JsonText(const JsonValueWriter& write) {
  std::string text;
  StringSink sink(text);
  JsonWriter w(sink);
  write(w);
  w.Flush();
  return text;
}

void WriteTableRows(JsonWriter& w, const ClientTable& t) {
  const int fields = t.FieldCount();
  std::vector<JsonKey> keys;
  keys.reserve(static_cast<size_t>(fields));
  for (int f = 0; f < fields; ++f) keys.emplace_back(t.FieldAt(f).name);
  w.BeginArray();
  for (ClientTable::RowId row : t.OrderedRows()) {
    w.BeginObject();
    for (int f = 0; f < fields; ++f) {
      w.Key(keys[static_cast<size_t>(f)]);
      switch (t.FieldAt(f).type) {
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
          w.MoneyString(Money::FromRaw(t.RowRaw(row, f)));
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
