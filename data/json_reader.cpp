#include "data/json_reader.h"

#include <cctype>
#include <charconv>

namespace fiscora {

JsonValue::JsonValue() = default;
JsonValue::~JsonValue() = default;
JsonValue::JsonValue(const JsonValue&) = default;
JsonValue::JsonValue(JsonValue&&) noexcept = default;
JsonValue& JsonValue::operator=(const JsonValue&) = default;
JsonValue& JsonValue::operator=(JsonValue&&) noexcept = default;

namespace {

const JsonValue kNullValue{};
const std::string kEmpty;

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  JsonValue At(size_t& pos) {
    pos_ = pos;
    JsonValue v = Value(0);
    pos = pos_;
    return v;
  }

  JsonValue Document() {
    JsonValue v = Value(0);
    Blanks();
    if (pos_ != s_.size()) Fail("texto após o valor");
    return v;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw JsonParseError("JSON inválido no byte " + std::to_string(pos_) + ": " + what);
  }
  void Blanks() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
      ++pos_;
  }
  bool Eat(char c) {
    Blanks();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Eat(c)) Fail(std::string("esperava '") + c + "'");
  }
  void Word(std::string_view w) {
    if (s_.substr(pos_, w.size()) != w) Fail("valor desconhecido");
    pos_ += w.size();
  }

  JsonValue Value(int depth) {
    if (depth > 200) Fail("aninhamento profundo demais");
    Blanks();
    if (pos_ >= s_.size()) Fail("fim do texto");
    JsonValue v;
    char c = s_[pos_];
    if (c == '{') {
      ++pos_;
      v.kind = JsonValue::Kind::kObject;
      if (Eat('}')) return v;
      do {
        Blanks();
        std::string key = String();
        Expect(':');
        v.members.emplace_back(std::move(key), Value(depth + 1));
      } while (Eat(','));
      Expect('}');
    } else if (c == '[') {
      ++pos_;
      v.kind = JsonValue::Kind::kArray;
      if (Eat(']')) return v;
      do v.items.push_back(Value(depth + 1));
      while (Eat(','));
      Expect(']');
    } else if (c == '"') {
      v.kind = JsonValue::Kind::kString;
      v.text = String();
    } else if (c == 't' || c == 'f') {
      v.kind = JsonValue::Kind::kBool;
      v.boolean = c == 't';
      Word(v.boolean ? "true" : "false");
    } else if (c == 'n') {
      Word("null");
    } else {
      v.kind = JsonValue::Kind::kNumber;
      size_t start = pos_;
      if (s_[pos_] == '-') ++pos_;
      size_t digits = pos_;
      while (pos_ < s_.size() &&
             (std::isdigit(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.' ||
              s_[pos_] == 'e' || s_[pos_] == 'E' || s_[pos_] == '+' || s_[pos_] == '-'))
        ++pos_;
      if (pos_ == digits) Fail("valor desconhecido");
      v.text.assign(s_.substr(start, pos_ - start));
    }
    return v;
  }

  unsigned Hex4() {
    if (pos_ + 4 > s_.size()) Fail("\\u incompleto");
    unsigned u = 0;
    for (int i = 0; i < 4; ++i) {
      char h = s_[pos_++];
      u <<= 4;
      if (h >= '0' && h <= '9')
        u |= static_cast<unsigned>(h - '0');
      else if (h >= 'a' && h <= 'f')
        u |= static_cast<unsigned>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        u |= static_cast<unsigned>(h - 'A' + 10);
      else
        Fail("\\u inválido");
    }
    return u;
  }

  static void AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  std::string String() {
    if (pos_ >= s_.size() || s_[pos_] != '"') Fail("esperava um texto");
    ++pos_;
    std::string out;
    while (true) {
      size_t run = pos_;
      while (pos_ < s_.size() && s_[pos_] != '"' && s_[pos_] != '\\') ++pos_;
      out.append(s_.substr(run, pos_ - run));
      if (pos_ >= s_.size()) Fail("texto sem fim");
      if (s_[pos_++] == '"') return out;
      if (pos_ >= s_.size()) Fail("texto sem fim");
      char e = s_[pos_++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          unsigned cp = Hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && s_.substr(pos_, 2) == "\\u") {
            pos_ += 2;
            unsigned low = Hex4();
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default:
          Fail("escape inválido");
      }
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
};

}  // namespace

const JsonValue& JsonValue::operator[](std::string_view key) const {
  for (const auto& [k, v] : members)
    if (k == key) return v;
  return kNullValue;
}

const std::string& JsonValue::Str() const { return kind == Kind::kString ? text : kEmpty; }

int64_t JsonValue::AsInt() const {
  if (kind != Kind::kNumber) return 0;
  int64_t v = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || ptr != text.data() + text.size()) return 0;
  return v;
}

JsonValue ParseJson(std::string_view text) { return Parser(text).Document(); }

JsonValue ParseJsonAt(std::string_view text, size_t& pos) { return Parser(text).At(pos); }

size_t FindMember(std::string_view text, std::string_view key) {
  const std::string quoted = "\"" + std::string(key) + "\"";
  for (size_t at = text.find(quoted); at != std::string_view::npos;
       at = text.find(quoted, at + 1)) {
    size_t colon = at + quoted.size();
    while (colon < text.size() && (text[colon] == ' ' || text[colon] == '\n' ||
                                   text[colon] == '\r' || text[colon] == '\t'))
      ++colon;
    if (colon < text.size() && text[colon] == ':') return colon + 1;
  }
  return std::string_view::npos;
}

JsonValue FirstMember(std::string_view text, std::string_view key) {
  size_t pos = FindMember(text, key);
  if (pos == std::string_view::npos) return {};
  return ParseJsonAt(text, pos);
}

}  // namespace fiscora
