#include "sped/fields.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "sintegra/layout.h"

namespace fiscora {

namespace {

bool IsLeadingBlank(char c) { return c == ' ' || c == '\r' || c == '\n'; }

// One pass of filling from `in` into `out`.
void FillOnce(std::string_view in, std::string& out) {
  out.clear();
  out.reserve(in.size() + 16);
  size_t i = 0, n = in.size();
  while (i < n) {
    const void* bar = std::memchr(in.data() + i, '|', n - i);
    if (!bar) {
      out.append(in.substr(i));
      break;
    }
    size_t b = static_cast<size_t>(static_cast<const char*>(bar) - in.data());
    out.append(in.substr(i, b - i));
    if (b + 1 < n && in[b + 1] == '|') {
      out.append("|0|");
      i = b + 2;
    } else {
      out.push_back('|');
      i = b + 1;
    }
  }
}

void AppendUtf8(std::string& out, char32_t u) {
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

// Code page 850, bytes 0x80-0xFF.
constexpr std::array<char16_t, 128> kCp850 = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

std::string Cp850ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 8);
  for (char ch : s) {
    unsigned char c = static_cast<unsigned char>(ch);
    AppendUtf8(out, c < 0x80 ? char32_t{c} : char32_t{kCp850[c - 0x80]});
  }
  return out;
}

// The Windows-1252 reading of a high byte (0xA0-0xFF are Latin-1; only
// letters matter to the sniffer, so the 0x80-0x9F punctuation reads as 0).
char32_t Cp1252Char(unsigned char c) { return c >= 0xA0 ? char32_t{c} : 0; }

// Letters of Portuguese words: 1 lower case, 2 upper case, 3 the ordinal
// indicators ª and º (no case), 0 anything else.
int PortugueseLetter(char32_t u) {
  switch (u) {
    case 0xE1:
    case 0xE0:
    case 0xE2:
    case 0xE3:
    case 0xE9:
    case 0xEA:
    case 0xED:
    case 0xF3:
    case 0xF4:
    case 0xF5:
    case 0xFA:
    case 0xFC:
    case 0xE7:
      return 1;
    case 0xC1:
    case 0xC0:
    case 0xC2:
    case 0xC3:
    case 0xC9:
    case 0xCA:
    case 0xCD:
    case 0xD3:
    case 0xD4:
    case 0xD5:
    case 0xDA:
    case 0xDC:
    case 0xC7:
      return 2;
    case 0xAA:
    case 0xBA:
      return 3;
    default:
      return 0;
  }
}

int AsciiCase(char c) {
  if (c >= 'a' && c <= 'z') return 1;
  if (c >= 'A' && c <= 'Z') return 2;
  return 0;
}

// How well the high byte at i reads as a letter of its word: 2 when it is a
// Portuguese letter whose case agrees with its ASCII letter neighbours, 1
// when it is one without neighbours to compare or with mixed cases, 0 when it
// is no Portuguese letter.
int LetterScore(std::string_view s, size_t i, char32_t u) {
  int kind = PortugueseLetter(u);
  if (kind == 0) return 0;
  if (kind == 3) return 1;
  int prev = i > 0 ? AsciiCase(s[i - 1]) : 0;
  int next = i + 1 < s.size() ? AsciiCase(s[i + 1]) : 0;
  if (prev == 0 && next == 0) return 1;
  bool agree = (prev == 0 || prev == kind) && (next == 0 || next == kind);
  return agree ? 2 : 1;
}

// The register code of a raw line without building the field list: the
// first piece that is not empty after its leading blanks.
std::string_view RegisterView(std::string_view line) {
  const size_t n = line.size();
  for (size_t i = 0; i < n;) {
    size_t b = i;
    while (b < n && IsLeadingBlank(line[b])) ++b;
    size_t e = b;
    while (e < n && line[e] != '|') ++e;
    if (e > b) return line.substr(b, e - b);
    i = e + 1;
  }
  return {};
}

}  // namespace

// ------------------------------------------------------------ field access

std::string SpedFillEmpty(std::string_view line) {
  std::string out;
  FillOnce(line, out);
  return out;
}

std::string SpedFillTwice(std::string_view line) {
  std::string once, twice;
  FillOnce(line, once);
  FillOnce(once, twice);
  return twice;
}

void SpedFields::Parse(std::string_view line, Fill fill, int last) {
  const size_t wanted = last < 0 ? SIZE_MAX : static_cast<size_t>(last) + 1;
  if (Split(line, fill, true, wanted)) return;
  // A line with an apostrophe: filling first, then the first apostrophe goes,
  // on the literal text.
  if (fill != Fill::kRaw) {
    FillOnce(line, scratch_);
    if (fill == Fill::kTwice) {
      FillOnce(scratch_, text_);
      scratch_.swap(text_);
    }
  } else {
    scratch_.assign(line);
  }
  scratch_.erase(scratch_.find('\''), 1);
  Split(scratch_, Fill::kRaw, false, wanted);
}

namespace {

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

// The high bit of every byte of `word` that equals `c`, exactly.
inline uint64_t BytesEqual(uint64_t word, char c) {
  uint64_t x = word ^ (kOnes * static_cast<unsigned char>(c));
  uint64_t y = (x & kLow7) + kLow7;
  return ~(y | x | kLow7);
}

}  // namespace

// One pass over the line, eight bytes at a time: pieces between bars,
// leading blanks skipped, empty ones dropped, and the empty fields that
// filling would turn into "0" taken as "0" without building the filled text.
// A field is empty between two bars; in a run of such fields one pass fills
// the first, third, ... (it replaces "||" and scans on after the
// replacement), two passes fill every one. Returns false, leaving the pieces
// empty, when `apostrophes` is set and the line holds one.
bool SpedFields::Split(std::string_view line, Fill fill, bool apostrophes, size_t wanted) {
  pieces_.clear();
  const size_t n = line.size();
  text_.resize(n + 16);
  if (n) std::memcpy(text_.data(), line.data(), n);
  std::memset(text_.data() + n, 0, 16);
  text_[n] = '0';  // the text of a filled field
  const char* p = text_.data();
  const uint32_t zero = static_cast<uint32_t>(n);
  size_t start = 0;
  int run = 0;  // empty fields between bars just before this one
  auto segment = [&](size_t end) {
    if (end == start && start > 0 && end < n) {
      if (fill == Fill::kTwice || (fill == Fill::kOnce && run % 2 == 0))
        pieces_.push_back({zero, 1});
      ++run;
    } else {
      run = 0;
      size_t b = start;
      while (b < end && IsLeadingBlank(p[b])) ++b;
      if (b < end) pieces_.push_back({static_cast<uint32_t>(b), static_cast<uint32_t>(end - b)});
    }
    start = end + 1;
  };
  if constexpr (std::endian::native == std::endian::little) {
    for (size_t i = 0; i < n; i += 8) {
      uint64_t word;
      std::memcpy(&word, p + i, 8);
      if (apostrophes && BytesEqual(word, '\'') != 0) {
        pieces_.clear();
        return false;
      }
      for (uint64_t bars = BytesEqual(word, '|'); bars; bars &= bars - 1) {
        segment(i + static_cast<size_t>(std::countr_zero(bars) >> 3));
        if (pieces_.size() >= wanted) return true;
      }
    }
  } else {
    if (apostrophes && line.find('\'') != std::string_view::npos) return false;
    for (size_t i = 0; i < n && pieces_.size() < wanted; ++i)
      if (p[i] == '|') segment(i);
  }
  segment(n);
  return true;
}

std::string SpedField(std::string_view line, int n) { return std::string(SpedFields(line)[n]); }

void SpedCutFields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  size_t start = 0;
  for (size_t i = 0; i < line.size(); ++i)
    if (line[i] == '|') {
      fields.push_back(line.substr(start, i - start));
      start = i + 1;
    }
  fields.push_back(line.substr(start));
}

std::string SpedRegister(std::string_view line) {
  std::string_view code = RegisterView(line);
  // An apostrophe up to the end of the code changes it: take the slow road.
  for (const char* c = line.data(); c < code.data() + code.size(); ++c)
    if (*c == '\'') return SpedField(line, 0);
  return std::string(code);
}

std::string CnpjMask(std::string_view text) {
  std::string out;
  out.reserve(18);
  out.append(Utf8Columns(text, 1, 2)).append(".");
  out.append(Utf8Columns(text, 3, 3)).append(".");
  out.append(Utf8Columns(text, 6, 3)).append("/");
  out.append(Utf8Columns(text, 9, 4)).append("-");
  out.append(Utf8Columns(text, 13, 2));
  return out;
}

std::string SpedDate(std::string_view text) {
  std::string out;
  out.reserve(10);
  out.append(Utf8Columns(text, 1, 2)).append("/");
  out.append(Utf8Columns(text, 3, 2)).append("/");
  out.append(Utf8Columns(text, 5, 4));
  return out;
}

std::string_view SpedTrim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// ------------------------------------------------------------ conversions

namespace {

std::string SpedDetail(const std::string& record, int field_index, const std::string& field,
                       const std::string& text, bool date) {
  return "registro " + record + ", campo " + std::to_string(field_index + 1) + " (" + field +
         "): '" + text +
         (date ? "' não é uma data válida (ddmmaaaa)." : "' não é um número válido.");
}

}  // namespace

SpedConversionError::SpedConversionError(std::string file, int64_t line, std::string record,
                                         int field_index, std::string field, std::string text,
                                         bool date)
    : std::runtime_error("Erro de conversão no arquivo " + file + ", linha " +
                         std::to_string(line) + ": " +
                         SpedDetail(record, field_index, field, text, date)),
      file_(std::move(file)),
      line_(line),
      record_(std::move(record)),
      field_index_(field_index),
      field_(std::move(field)),
      text_(std::move(text)),
      date_(date) {}

std::string SpedConversionError::detail() const {
  return SpedDetail(record_, field_index_, field_, text_, date_);
}

namespace {

[[noreturn]] void FailConversion(std::string_view text, const SpedWhere& where, int field_index,
                                 std::string_view field_name, bool date = false) {
  std::string shown(text);
  if (!IsAscii(shown) && !IsValidUtf8(shown)) shown = Cp1252ToUtf8(shown);
  throw SpedConversionError(std::string(where.file), where.line,
                            std::string(SpedTrim(where.record)), field_index,
                            std::string(field_name), std::move(shown), date);
}

}  // namespace

Money SpedMoney(std::string_view text, const SpedWhere& where, int field_index,
                std::string_view field_name) {
  // The common forms ("0", "1234,56") without the general parser.
  if (!text.empty() && text.size() <= 14) {
    int64_t raw = 0;
    int decimals = -1;
    bool ok = true;
    for (char c : text) {
      if (c >= '0' && c <= '9') {
        if (decimals >= 4) {
          ok = false;
          break;
        }
        raw = raw * 10 + (c - '0');
        if (decimals >= 0) ++decimals;
      } else if (c == ',' && decimals < 0) {
        decimals = 0;
      } else {
        ok = false;
        break;
      }
    }
    if (ok && !(decimals == 0 && text.size() == 1)) {
      for (int d = decimals < 0 ? 0 : decimals; d < 4; ++d) raw *= 10;
      return Money::FromRaw(raw);
    }
  }
  std::optional<Money> m = ParseMoney(text);
  if (!m) FailConversion(text, where, field_index, field_name);
  return *m;
}

int32_t SpedInteger(std::string_view text, const SpedWhere& where, int field_index,
                    std::string_view field_name) {
  std::optional<int32_t> v = ParseInt32(text);
  if (!v) FailConversion(text, where, field_index, field_name);
  return *v;
}

std::string SpedDateField(std::string_view text, const SpedWhere& where, int field_index,
                          std::string_view field_name) {
  if (!IsRealDigitDate(text, DigitDateOrder::kDayMonthYear))
    FailConversion(text, where, field_index, field_name, true);
  return SpedDate(text);
}

// ------------------------------------------------------------ encodings

SpedEncoding SniffSpedEncoding(std::string_view sample) {
  // The signature block of a signed file is binary: judge the text before it.
  // The search is led by "9999|", not by "|", which is in every field and
  // would stop it at each one.
  for (size_t at = sample.find("9999|"); at != std::string_view::npos;
       at = sample.find("9999|", at + 1)) {
    if (at > 0 && sample[at - 1] == '|') {
      sample = sample.substr(0, at - 1);
      break;
    }
  }
  if (IsAscii(sample)) return SpedEncoding::kAscii;
  // A UTF-8 sequence may be cut at the end of the sample: judge up to the
  // last line break when there is one, else drop an unfinished tail.
  std::string_view judged = sample;
  size_t last_break = sample.rfind('\n');
  if (last_break != std::string_view::npos && last_break + 1 < sample.size()) {
    judged = sample.substr(0, last_break + 1);
    if (IsAscii(judged)) judged = sample;
  }
  if (IsValidUtf8(judged)) return SpedEncoding::kUtf8;
  for (size_t cut = 1; cut <= 3 && cut < judged.size(); ++cut) {
    unsigned char c = static_cast<unsigned char>(judged[judged.size() - cut]);
    if ((c & 0xC0) == 0xC0) {
      if (IsValidUtf8(judged.substr(0, judged.size() - cut))) return SpedEncoding::kUtf8;
      break;
    }
    if ((c & 0xC0) != 0x80) break;
  }

  long score1252 = 0, score850 = 0;
  for (size_t i = 0; i < sample.size(); ++i) {
    // Runs of ASCII are passed over eight bytes at a time.
    for (uint64_t w; i + 8 <= sample.size(); i += 8) {
      std::memcpy(&w, sample.data() + i, 8);
      if (w & 0x8080808080808080ULL) break;
    }
    if (i >= sample.size()) break;
    unsigned char c = static_cast<unsigned char>(sample[i]);
    if (c < 0x80) continue;
    score1252 += LetterScore(sample, i, Cp1252Char(c));
    score850 += LetterScore(sample, i, kCp850[c - 0x80]);
  }
  return score850 > score1252 ? SpedEncoding::kCp850 : SpedEncoding::kWindows1252;
}

std::string DecodeSpedText(std::string_view bytes, SpedEncoding encoding) {
  if (IsAscii(bytes)) return std::string(bytes);
  switch (encoding) {
    case SpedEncoding::kUtf8:
      if (IsValidUtf8(bytes)) return std::string(bytes);
      return Cp1252ToUtf8(bytes);
    case SpedEncoding::kCp850:
      return Cp850ToUtf8(bytes);
    case SpedEncoding::kAscii:
    case SpedEncoding::kWindows1252:
      break;
  }
  // Undecided: a valid UTF-8 text is taken as such.
  if (encoding == SpedEncoding::kAscii && IsValidUtf8(bytes)) return std::string(bytes);
  return Cp1252ToUtf8(bytes);
}

// ------------------------------------------------------------ line reader

SpedLineReader::SpedLineReader(const std::filesystem::path& path,
                               std::optional<SpedEncoding> encoding)
    : BlockLineReader(path) {
  if (encoding) {
    encoding_ = *encoding;
    decided_ = true;
  }
}

void SpedLineReader::OnBlock(std::string_view bytes) {
  if (decided_) return;
  if (had_bom()) {
    encoding_ = SpedEncoding::kUtf8;
    decided_ = true;
    return;
  }
  SpedEncoding e = SniffSpedEncoding(bytes);
  if (e != SpedEncoding::kAscii) {
    encoding_ = e;
    decided_ = true;
  }
}

bool SpedLineReader::Next(std::string_view& line) {
  if (stopped_) return false;
  BlockLine l;
  if (!BlockLineReader::Next(l)) return false;
  line = l.content;
  if (l.end.empty() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
  // The closing register: nothing after it is data.
  size_t k = 0;
  while (k < line.size() && (line[k] == '|' || IsLeadingBlank(line[k]))) ++k;
  if (k < line.size() && line[k] == '9' && SpedTrim(RegisterView(line)) == "9999") stopped_ = true;
  return true;
}

// ------------------------------------------------------------ merge routing

std::string_view MergeFileName(MergeFile file) {
  switch (file) {
    case MergeFile::kCabec:
      return "CABEC.txt";
    case MergeFile::kBloco0:
      return "bloco0.txt";
    case MergeFile::kBlocoC:
      return "blocoC.txt";
    case MergeFile::kBlocoD:
      return "blocoD.txt";
    case MergeFile::kNone:
      break;
  }
  return {};
}

MergeFile RouteMergeLine(std::string_view code, bool first_file) {
  if (code == "0000" || code == "0001" || code == "0100" || code == "0110")
    return first_file ? MergeFile::kCabec : MergeFile::kNone;
  if (code.empty()) return MergeFile::kNone;
  switch (code[0]) {
    case '0':
      return code.size() >= 2 && code[1] >= '1' && code[1] <= '8' ? MergeFile::kBloco0
                                                                  : MergeFile::kNone;
    case 'C':
      return code == "C001" || code == "C990" ? MergeFile::kNone : MergeFile::kBlocoC;
    case 'D':
      return code == "D001" || code == "D990" ? MergeFile::kNone : MergeFile::kBlocoD;
    default:
      return MergeFile::kNone;
  }
}

}  // namespace fiscora
