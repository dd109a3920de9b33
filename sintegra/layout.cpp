#include "sintegra/layout.h"

#include <algorithm>
#include <cstring>

namespace fiscora {

namespace {

std::string ColumnsText(int first, int last) {
  return first == last ? "coluna " + std::to_string(first)
                       : "colunas " + std::to_string(first) + "-" + std::to_string(last);
}

std::string Detail(const std::string& record, int first, int last, const std::string& field,
                   const std::string& text, int line_length, bool date) {
  std::string where = "registro " + record + ", " + ColumnsText(first, last) + " (" + field + "): ";
  if (line_length >= 0 && line_length < last)
    return where + "a linha termina na coluna " + std::to_string(line_length) + "; falta" +
           (line_length + 1 == last ? " a " : "m as ") + ColumnsText(line_length + 1, last) + ".";
  if (date) return where + "'" + text + "' não é uma data válida (aaaammdd).";
  return where + "'" + text + "' não é um número válido.";
}

}  // namespace

std::string ConversionError::detail() const {
  return Detail(record_, first_column_, last_column_, field_, text_, line_length_, date_);
}

ConversionError::ConversionError(std::string file, int64_t line, std::string record,
                                 int first_column, int last_column, std::string field,
                                 std::string text, int line_length, bool date)
    : std::runtime_error("Erro de conversão no arquivo " + file + ", linha " +
                         std::to_string(line) + ": " +
                         Detail(record, first_column, last_column, field, text, line_length, date)),
      file_(std::move(file)),
      line_(line),
      record_(std::move(record)),
      first_column_(first_column),
      last_column_(last_column),
      field_(std::move(field)),
      text_(std::move(text)),
      line_length_(line_length),
      date_(date) {}

bool IsAscii(std::string_view s) {
  const char* p = s.data();
  size_t n = s.size(), i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if (w & 0x8080808080808080ULL) return false;
  }
  for (; i < n; ++i)
    if (static_cast<unsigned char>(p[i]) & 0x80) return false;
  return true;
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0, n = s.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || c == 0xC0 || c == 0xC1 || c > 0xF4 || i + static_cast<size_t>(len) > n)
      return false;
    for (int k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) & 0xC0) != 0x80) return false;
    i += static_cast<size_t>(len);
  }
  return true;
}

std::string Cp1252ToUtf8(std::string_view s) {
  // 0x80-0x9F of Windows-1252; zero where the code page has no character.
  static const char16_t kHigh[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  out.reserve(s.size() + 8);
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    char32_t u = c;
    if (c >= 0x80 && c < 0xA0) u = kHigh[c - 0x80] ? kHigh[c - 0x80] : c;
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

std::string Shown(std::string_view raw) {
  return IsValidUtf8(raw) ? std::string(raw) : Cp1252ToUtf8(raw);
}

bool EncodingSniffer::LineIsUtf8(std::string_view line) {
  if (IsAscii(line)) return false;
  bool valid = IsValidUtf8(line);
  if (!decided_) {
    decided_ = true;
    utf8_ = valid;
  }
  return utf8_ && valid;
}

// ------------------------------------------------------------- line writer

namespace {
// A buffer is written when the next line would take it past kBufferBytes. It
// starts small, as most working files are; a big file's two buffers grow to
// kBufferBytes, which lie in huge pages (data/large_block.h).
constexpr size_t kFirstBufferBytes = size_t{64} << 10;
constexpr size_t kBufferBytes = size_t{1} << 20;
}  // namespace

LineWriter::LineWriter(const std::filesystem::path& path) : path_(path) {
  out_.open(path, std::ios::binary | std::ios::trunc);
  if (!out_) throw FileError("Não foi possível criar o arquivo de trabalho " + path.string());
  buf_.reserve(kFirstBufferBytes);
}

LineWriter::~LineWriter() {
  try {
    Close();
  } catch (...) {
  }
  if (thread_.joinable()) thread_.join();
}

void LineWriter::Write(std::string_view line) {
  if (!buf_.empty() && buf_.size() + line.size() + 2 > kBufferBytes) Flush();
  buf_.insert(buf_.end(), line.begin(), line.end());
  buf_.push_back('\r');
  buf_.push_back('\n');
}

void LineWriter::Wait() {
  if (!thread_.joinable()) return;
  thread_.join();
  if (failed_) throw FileError("Erro ao gravar o arquivo de trabalho " + path_.string());
}

void LineWriter::Flush() {
  Wait();
  writing_.swap(buf_);
  buf_.clear();
  buf_.reserve(kBufferBytes);
  // The stream is the thread's alone until it is joined.
  thread_ = std::thread([this] {
    out_.write(writing_.data(), static_cast<std::streamsize>(writing_.size()));
    failed_ = !out_;
  });
}

void LineWriter::Close() {
  if (!out_.is_open()) return;
  Wait();
  if (!buf_.empty()) {
    out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    buf_.clear();
    if (!out_) throw FileError("Erro ao gravar o arquivo de trabalho " + path_.string());
  }
  out_.close();
}

// ------------------------------------------------------------- record line

RecordLine::RecordLine(std::string_view bytes, bool utf8, const std::string* file,
                       int64_t line_number)
    : bytes_(bytes), multibyte_(utf8), file_(file), line_number_(line_number) {}

std::string_view RecordLine::Raw(int column, int width) const {
  if (column < 1 || width <= 0) return {};
  if (!multibyte_) {
    size_t start = static_cast<size_t>(column - 1);
    if (start >= bytes_.size()) return {};
    return bytes_.substr(start, static_cast<size_t>(width));
  }
  return Utf8Columns(bytes_, column, width);
}

std::string RecordLine::Text(int column, int width) const {
  return Text(FieldSpec{column, width, 0, {}});
}

std::string RecordLine::Text(const FieldSpec& f) const {
  std::string_view raw = Raw(f);
  if (multibyte_ || IsAscii(raw)) return std::string(raw);
  return Cp1252ToUtf8(raw);
}

std::string RecordLine::Trimmed(int column, int width) const {
  return Trimmed(FieldSpec{column, width, 0, {}});
}

std::string RecordLine::Trimmed(const FieldSpec& f) const {
  std::string_view raw = Trim(Raw(f));
  if (multibyte_ || IsAscii(raw)) return std::string(raw);
  return Cp1252ToUtf8(raw);
}

std::string_view RecordLine::TrimmedView(int column, int width, std::string& scratch) const {
  std::string_view raw = Trim(Raw(column, width));
  if (multibyte_ || IsAscii(raw)) return raw;
  scratch = Cp1252ToUtf8(raw);
  return scratch;
}

std::string_view RecordLine::DateView(int column, char (&out)[10]) const {
  std::string_view d = Raw(column, 8);
  size_t n = 0;
  const auto put = [&](size_t from, size_t len) {
    if (from >= d.size()) return;
    std::string_view part = d.substr(from, len);
    std::memcpy(out + n, part.data(), part.size());
    n += part.size();
  };
  put(6, 2);
  out[n++] = '/';
  put(4, 2);
  out[n++] = '/';
  put(0, 4);
  return std::string_view(out, n);
}

std::string RecordLine::Date(int column) const {
  std::string_view d = Raw(column, 8);
  auto part = [&](size_t from, size_t len) {
    return from < d.size() ? d.substr(from, len) : std::string_view();
  };
  std::string out;
  out.reserve(10);
  out.append(part(6, 2));
  out += '/';
  out.append(part(4, 2));
  out += '/';
  out.append(part(0, 4));
  return out;
}

void RecordLine::CheckDate(const FieldSpec& f) const {
  std::string_view raw = Raw(f.first, 8);
  if (!IsRealDigitDate(raw, DigitDateOrder::kYearMonthDay)) Fail(f.first, 8, f.name, Whole(raw, 8));
}

void RecordLine::Fail(int column, int width, std::string_view field, bool date) const {
  std::string_view type = Raw(1, 2);
  if (type == "60" || type == "61") type = Raw(1, 3);
  std::string shown(Raw(column, width));
  if (!multibyte_ && !IsAscii(shown)) shown = Cp1252ToUtf8(shown);
  // The line's length in columns, for a field that runs past its end.
  int length = multibyte_ ? CharCount(bytes_) : static_cast<int>(bytes_.size());
  throw ConversionError(file_ ? *file_ : std::string(), line_number_, std::string(type), column,
                        column + width - 1, std::string(field), shown, length, date);
}

namespace {

// The field's whole digits, a comma and its decimals: "0000012345" with
// two decimals reads "00000123,45".
std::optional<ParsedDecimal> ParseImplied(std::string_view raw, int whole) {
  char buf[64];
  if (raw.size() + 1 > sizeof buf) return std::nullopt;
  size_t w = std::min(raw.size(), static_cast<size_t>(whole));
  if (w) std::memcpy(buf, raw.data(), w);
  buf[w] = ',';
  if (raw.size() > w) std::memcpy(buf + w + 1, raw.data() + w, raw.size() - w);
  return ParseUnsignedDecimalComma(std::string_view(buf, raw.size() + 1));
}

}  // namespace

bool RecordLine::Whole(std::string_view raw, int width) const {
  if (!multibyte_) return raw.size() == static_cast<size_t>(width);
  return CharCount(raw) == width;
}

std::string RecordLine::Joined(const FieldSpec& f) const {
  std::string_view raw = Raw(f);
  size_t whole = std::min(raw.size(), static_cast<size_t>(f.whole()));
  std::string out(raw.substr(0, whole));
  out += ',';
  out.append(raw.substr(whole));
  return out;
}

int64_t RecordLine::Scaled(const FieldSpec& f) const {
  std::string_view raw = Raw(f);
  // The usual field: all its digits present. Read them at once.
  if (raw.size() == static_cast<size_t>(f.width) && raw.size() <= 18) {
    int64_t m = 0;
    bool digits = true;
    for (char c : raw) {
      if (c < '0' || c > '9') {
        digits = false;
        break;
      }
      m = m * 10 + (c - '0');
    }
    if (digits) return m;
  }
  auto p = Whole(raw, f.width) ? ParseImplied(raw, f.whole()) : std::nullopt;
  if (!p) Fail(f.first, f.width, f.name);
  int64_t m = p->mantissa;
  for (int k = p->scale; k < f.decimals; ++k) m *= 10;
  return m;
}

Money RecordLine::Amount(const FieldSpec& f) const {
  int64_t m = Scaled(f);
  if (f.decimals <= 4) {
    for (int k = f.decimals; k < 4; ++k) m *= 10;
    return Money::FromRaw(m);
  }
  int64_t div = 1;
  for (int k = 4; k < f.decimals; ++k) div *= 10;
  return Money::FromRaw(MulDivRoundEven(m, 1, div));
}

double RecordLine::Float(const FieldSpec& f) const {
  int64_t m = Scaled(f);
  double div = 1;
  for (int k = 0; k < f.decimals; ++k) div *= 10;
  return static_cast<double>(m) / div;
}

int32_t RecordLine::Integer(const FieldSpec& f) const {
  std::string_view raw = Raw(f);
  auto v = Whole(raw, f.width) ? ParseUnsignedInt32(raw) : std::nullopt;
  if (!v) Fail(f.first, f.width, f.name);
  return *v;
}

int64_t RecordLine::Scaled(int column, int whole, int decimals, std::string_view field) const {
  return Scaled(FieldSpec{column, whole + decimals, decimals, field});
}

Money RecordLine::Amount(int column, int whole, int decimals, std::string_view field) const {
  return Amount(FieldSpec{column, whole + decimals, decimals, field});
}

double RecordLine::Float(int column, int whole, int decimals, std::string_view field) const {
  return Float(FieldSpec{column, whole + decimals, decimals, field});
}

int32_t RecordLine::Integer(int column, int width, std::string_view field) const {
  return Integer(FieldSpec{column, width, 0, field});
}

}  // namespace fiscora
