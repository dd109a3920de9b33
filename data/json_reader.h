// Reading JSON text back into values: the batch reads its own result files
// (a run that resumes, shards that are merged). Strict RFC 8259 text; numbers
// are kept as their text (an integer is read with AsInt).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fiscora {

class JsonParseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  // Defined where JsonValue is complete: `members` holds pairs of it.
  JsonValue();
  ~JsonValue();
  JsonValue(const JsonValue&);
  JsonValue(JsonValue&&) noexcept;
  JsonValue& operator=(const JsonValue&);
  JsonValue& operator=(JsonValue&&) noexcept;

  Kind kind = Kind::kNull;
  bool boolean = false;
  std::string text;  // a string's text, or a number as written
  std::vector<JsonValue> items;
  // Members in the order written.
  std::vector<std::pair<std::string, JsonValue>> members;

  // The member `key` of an object; a null value when absent or not an object.
  const JsonValue& operator[](std::string_view key) const;
  // A string's text ("" for anything else), a number as an integer (0 for
  // anything else or a fraction).
  const std::string& Str() const;
  int64_t AsInt() const;
  bool IsNull() const { return kind == Kind::kNull; }
};

// Parses one JSON value (blanks around it allowed). Throws JsonParseError
// naming the byte offset where reading stopped.
JsonValue ParseJson(std::string_view text);

// Parses the one value that starts at `pos` (after blanks) and moves `pos`
// past it, so that a caller can read a large array one element at a time.
JsonValue ParseJsonAt(std::string_view text, size_t& pos);

// The value of the first member named `key` in the text, at whatever depth
// (found as the key's quoted text followed by ':'; a quote inside a string
// is escaped, so no string value is taken for it), or a null value when
// there is none. For documents whose first member of that name is the one
// wanted.
JsonValue FirstMember(std::string_view text, std::string_view key);
// The position just after `"key":` (blanks allowed before the colon), or
// std::string_view::npos.
size_t FindMember(std::string_view text, std::string_view key);

}  // namespace fiscora
