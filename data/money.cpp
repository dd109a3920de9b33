#include "data/money.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace fiscora {

namespace {

constexpr uint64_t kTop = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Divides a non-negative 128-bit value by d with ties-to-even rounding.
#if defined(__SIZEOF_INT128__)
int64_t DivRoundEven128(unsigned __int128 n, uint64_t d) {
  unsigned __int128 q = n / d;
  unsigned __int128 r = n % d;
  unsigned __int128 twice = r * 2;
  if (twice > d || (twice == d && (q & 1) != 0)) ++q;
  return static_cast<int64_t>(q);
}
#endif

}  // namespace

int64_t MulDivRoundEven(int64_t a, int64_t b, int64_t d) {
  bool negative = (a < 0) != (b < 0);
  uint64_t ua = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
  uint64_t ub = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
#if defined(__SIZEOF_INT128__)
  int64_t q = DivRoundEven128(static_cast<unsigned __int128>(ua) * ub, static_cast<uint64_t>(d));
#else
  // Portable fallback: schoolbook 64x64 -> 128 and a bitwise long division.
  uint64_t lo_a = ua & 0xffffffffu, hi_a = ua >> 32, lo_b = ub & 0xffffffffu, hi_b = ub >> 32;
  uint64_t p0 = lo_a * lo_b, p1 = lo_a * hi_b, p2 = hi_a * lo_b, p3 = hi_a * hi_b;
  uint64_t mid = (p0 >> 32) + (p1 & 0xffffffffu) + (p2 & 0xffffffffu);
  uint64_t lo = (p0 & 0xffffffffu) | (mid << 32);
  uint64_t hi = p3 + (p1 >> 32) + (p2 >> 32) + (mid >> 32);
  uint64_t ud = static_cast<uint64_t>(d), q_lo = 0, r = 0;
  for (int bit = 127; bit >= 0; --bit) {
    uint64_t top = r >> 63;
    r = (r << 1) | ((bit >= 64 ? (hi >> (bit - 64)) : (lo >> bit)) & 1);
    if (top || r >= ud) {
      r -= ud;
      if (bit < 64) q_lo |= (uint64_t{1} << bit);
    }
  }
  uint64_t twice_hi = r >> 63, twice = r << 1;
  if (twice_hi || twice > ud || (twice == ud && (q_lo & 1))) ++q_lo;
  int64_t q = static_cast<int64_t>(q_lo);
#endif
  // Negated in unsigned arithmetic: the quotient may be 2^63 (INT64_MIN * 1).
  uint64_t uq = static_cast<uint64_t>(q);
  return static_cast<int64_t>(negative ? 0 - uq : uq);
}

Money Money::FromDouble(double value) {
  if (std::isnan(value)) return Money();
  double x = value * static_cast<double>(kScale);
  // 2^63 is exact as a double; anything from there on does not fit.
  constexpr double kLimit = 9223372036854775808.0;
  if (x >= kLimit) return Money(std::numeric_limits<int64_t>::max());
  if (x < -kLimit) return Money(std::numeric_limits<int64_t>::min());
  double r = std::nearbyint(x);
  // The product is within a few units of 1e-16 * |x| of the decimal the
  // double stands for; only near a half can the two round differently.
  if (0.5 - std::fabs(x - r) > 1e-15 * std::fabs(x)) return Money(static_cast<int64_t>(r));
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
  if (res.ec != std::errc()) return Money(static_cast<int64_t>(r));
  std::replace(buf, res.ptr, '.', ',');
  auto m = ParseMoney(std::string_view(buf, static_cast<size_t>(res.ptr - buf)));
  return m ? *m : Money(static_cast<int64_t>(r));
}

Money Money::RoundCentsHalfAway() const {
  // In unsigned arithmetic, so that the ends of the range do not overflow.
  uint64_t a = raw_ < 0 ? 0 - static_cast<uint64_t>(raw_) : static_cast<uint64_t>(raw_);
  // Both ends of the range end in less than half a cent, so r still fits.
  uint64_t r = a - a % 100;
  if (a % 100 >= 50) r += 100;
  return Money(static_cast<int64_t>(raw_ < 0 ? 0 - r : r));
}

std::string Money::ToFixed4() const {
  char text[kFixed4Size];
  return std::string(text, ToFixed4(text));
}

char* Money::ToFixed4(char* out) const {
  uint64_t a = raw_ < 0 ? 0 - static_cast<uint64_t>(raw_) : static_cast<uint64_t>(raw_);
  if (raw_ < 0) *out++ = '-';
  out = std::to_chars(out, out + 20, a / kScale).ptr;
  *out++ = '.';
  uint64_t frac = a % kScale;
  for (int i = 3; i >= 0; --i, frac /= 10) out[i] = static_cast<char>('0' + frac % 10);
  return out + 4;
}

std::optional<ParsedDecimal> ParseDecimalComma(std::string_view s) {
  size_t i = 0, n = s.size();
  while (i < n && IsBlank(s[i])) ++i;
  bool negative = false;
  if (i < n && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  ParsedDecimal out;
  int digits = 0;
  bool comma = false, full = false;
  uint64_t m = 0;
  for (; i < n; ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      uint64_t d = static_cast<uint64_t>(c - '0');
      ++digits;
      if (!full && m > (kTop - d) / 10) {
        if (!comma) return std::nullopt;  // the integer part does not fit
        full = true;
      }
      if (full) continue;
      m = m * 10 + d;
      if (comma) ++out.scale;
    } else if (c == ',' && !comma) {
      comma = true;
    } else {
      break;
    }
  }
  while (i < n && IsBlank(s[i])) ++i;
  if (i != n || digits == 0) return std::nullopt;
  out.mantissa = negative ? -static_cast<int64_t>(m) : static_cast<int64_t>(m);
  return out;
}

std::optional<Money> ParseMoney(std::string_view text) {
  if (!ParseDecimalComma(text)) return std::nullopt;
  // A second pass over the text, now known to be well formed: the whole part
  // and four decimals make the raw value, the fifth decimal and whether any
  // later one is not a zero decide the rounding.
  bool negative = false, comma = false, rest_nonzero = false;
  int decimals = 0, fifth = 0;
  uint64_t a = 0;
  for (char c : text) {
    if (c == '-') {
      negative = true;
    } else if (c == ',') {
      comma = true;
    } else if (c >= '0' && c <= '9') {
      uint64_t d = static_cast<uint64_t>(c - '0');
      if (comma && decimals >= 4) {
        if (decimals++ == 4)
          fifth = static_cast<int>(d);
        else
          rest_nonzero = rest_nonzero || d != 0;
        continue;
      }
      if (a > (kTop - d) / 10) return std::nullopt;
      a = a * 10 + d;
      if (comma) ++decimals;
    }
  }
  for (; decimals < 4; ++decimals) {
    if (a > kTop / 10) return std::nullopt;
    a *= 10;
  }
  if (fifth > 5 || (fifth == 5 && (rest_nonzero || (a & 1) != 0))) {
    if (a == kTop) return std::nullopt;
    ++a;
  }
  return Money::FromRaw(negative ? -static_cast<int64_t>(a) : static_cast<int64_t>(a));
}

std::optional<double> ParseDouble(std::string_view text) {
  auto p = ParseDecimalComma(text);
  if (!p) {
    return std::nullopt;
  }
  // Exact for the digit counts of fiscal files (up to 15 significant digits).
  double v = static_cast<double>(p->mantissa);
  static const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                  1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
  if (p->scale <= 18) return v / kPow10[p->scale];
  return v / std::pow(10.0, p->scale);
}

std::optional<int32_t> ParseInt32(std::string_view text) {
  auto p = ParseDecimalComma(text);
  if (!p || p->scale != 0 || text.find(',') != std::string_view::npos) return std::nullopt;
  if (p->mantissa > std::numeric_limits<int32_t>::max() ||
      p->mantissa < std::numeric_limits<int32_t>::min())
    return std::nullopt;
  return static_cast<int32_t>(p->mantissa);
}

namespace {

bool Signed(std::string_view text) { return text.find_first_of("+-") != std::string_view::npos; }

}  // namespace

std::optional<ParsedDecimal> ParseUnsignedDecimalComma(std::string_view text) {
  if (Signed(text)) return std::nullopt;
  return ParseDecimalComma(text);
}

std::optional<int32_t> ParseUnsignedInt32(std::string_view text) {
  if (Signed(text)) return std::nullopt;
  return ParseInt32(text);
}

bool IsRealDigitDate(std::string_view text, DigitDateOrder order) {
  if (text.size() != 8) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  auto number = [&](size_t from, size_t len) {
    int v = 0;
    for (size_t i = from; i < from + len; ++i) v = v * 10 + (text[i] - '0');
    return v;
  };
  const bool ymd = order == DigitDateOrder::kYearMonthDay;
  const int year = ymd ? number(0, 4) : number(4, 4);
  const int month = ymd ? number(4, 2) : number(2, 2);
  const int day = ymd ? number(6, 2) : number(0, 2);
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace fiscora
