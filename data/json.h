// The JSON writer and the dump of tables in the form fiscora-cli prints:
// text as a string, integer as an integer, float as a number, currency as a
// string with a dot and four decimals ("175.0000").
//
// The writer streams: text is escaped straight into a buffer of its own,
// which goes to an output sink (standard output, a file, a string) each
// time it fills and at Flush(). Nothing is built whole in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "data/atomic_file.h"
#include "data/catalogue.h"
#include "data/client_table.h"
#include "data/money.h"

namespace fiscora {

// Where a writer's text goes, in pieces and in order. Write throws when the
// bytes cannot be written.
class OutputSink {
 public:
  virtual ~OutputSink() = default;
  virtual void Write(std::string_view bytes) = 0;
};

// Appends to a string.
class StringSink final : public OutputSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  void Write(std::string_view bytes) override { out_.append(bytes); }

 private:
  std::string& out_;
};

// Writes to a stream (standard output); throws std::runtime_error
// ("Não foi possível escrever a saída") when the stream refuses the bytes.
class StreamSink final : public OutputSink {
 public:
  explicit StreamSink(std::ostream& out) : out_(out) {}
  void Write(std::string_view bytes) override;

 private:
  std::ostream& out_;
};

// Writes to a file for the user through the atomic writer: the caller
// commits the file once the writer is flushed (FileWriteError on failure).
class AtomicFileSink final : public OutputSink {
 public:
  explicit AtomicFileSink(AtomicFile& file) : file_(file) {}
  void Write(std::string_view bytes) override { file_.Write(bytes); }

 private:
  AtomicFile& file_;
};

// A key escaped once ("name":), for keys written on every row.
class JsonKey {
 public:
  explicit JsonKey(std::string_view key);
  std::string_view text() const { return text_; }

 private:
  std::string text_;
};

class JsonWriter {
 public:
  explicit JsonWriter(OutputSink& sink);
  ~JsonWriter();
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  void Key(std::string_view key);
  void Key(const JsonKey& key);
  void String(std::string_view s);
  void Int(int64_t v);
  // The shortest text that reads back to the same double; null when it is
  // not finite.
  void Double(double v);
  // Money as a string with a dot and four decimals: "175.0000".
  void MoneyString(Money v);
  void Bool(bool v);
  void Null();
  // A value already written as JSON text (an envelope another run printed),
  // inserted as it is.
  void Raw(std::string_view json);
  // Hands what is buffered to the sink. Call it once the text is complete:
  // what is still buffered when the writer is destroyed is dropped.
  void Flush();

 private:
  static constexpr size_t kBufferSize = 1 << 16;
  // Room for n more bytes (n <= kBufferSize); returns where they go.
  char* Reserve(size_t n) {
    if (kBufferSize - used_ < n) Drain();
    return buffer_.get() + used_;
  }
  void Commit(const char* end) { used_ = static_cast<size_t>(end - buffer_.get()); }
  void Put(char c) { *Reserve(1) = c, ++used_; }
  void PutBytes(std::string_view bytes);
  void PutEscaped(std::string_view s);
  void Separate() {
    if (need_comma_) Put(',');
    need_comma_ = true;
  }
  void Open(char bracket);
  void Close(char bracket);
  void Drain();

  OutputSink& sink_;
  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
  bool need_comma_ = false;
};

// Writes one JSON value (an object, a list, a number...) with a writer.
using JsonValueWriter = std::function<void(JsonWriter&)>;

// The text write() produces, as a string (tests, small values).
std::string JsonText(const JsonValueWriter& write);

// The rows of a table in its current order: a list of objects field -> value.
void WriteTableRows(JsonWriter& w, const ClientTable& t);
// The aggregates of a table: name -> value (null when empty).
void WriteAggregates(JsonWriter& w, const ClientTable& t);
// Every table with its fields and types, in catalogue order.
void WriteCatalogue(JsonWriter& w, const TdtmCENTRAL& dtm);

}  // namespace fiscora
