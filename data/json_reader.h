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

}  // namespace fiscora
