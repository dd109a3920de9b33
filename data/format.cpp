#include "data/format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace fiscora {

namespace {

// A decimal number: 0.d1d2d3... x 10^exp, digits without leading zeros.
// An empty digit string is zero.
struct Decimal {
  bool negative = false;
  std::string digits;
  int exp = 0;
};

void Normalize(Decimal& d) {
  size_t lead = d.digits.find_first_not_of('0');
  if (lead == std::string::npos) {
    d.digits.clear();
    d.exp = 0;
    d.negative = false;
    return;
  }
  d.digits.erase(0, lead);
  d.exp -= static_cast<int>(lead);
  size_t last = d.digits.find_last_not_of('0');
  d.digits.erase(last + 1);
}

Decimal FromDouble(double v) {
  Decimal d;
  if (v == 0 || !std::isfinite(v)) return d;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
  if (s[0] == '-') {
    d.negative = true;
    s.remove_prefix(1);
  }
  size_t e = s.find('e');
  for (char c : s.substr(0, e))
    if (c != '.') d.digits += c;
  d.exp = std::atoi(std::string(s.substr(e + 1)).c_str()) + 1;
  Normalize(d);
  return d;
}

Decimal FromMoney(Money m) {
  Decimal d;
  int64_t raw = m.raw();
  d.negative = raw < 0;
  uint64_t a = raw < 0 ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  d.digits = std::to_string(a);
  d.exp = static_cast<int>(d.digits.size()) - 4;
  Normalize(d);
  return d;
}

// Keeps `keep` digits (counted from the first digit), halves away from zero.
void RoundDigits(Decimal& d, int keep) {
  if (keep < 0) {
    d.digits.clear();
    Normalize(d);
    return;
  }
  if (static_cast<int>(d.digits.size()) <= keep) return;
  bool up = d.digits[static_cast<size_t>(keep)] >= '5';
  d.digits.resize(static_cast<size_t>(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9')
      d.digits[static_cast<size_t>(i--)] = '0';
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      ++d.exp;
    } else {
      ++d.digits[static_cast<size_t>(i)];
    }
  }
  Normalize(d);
}

void RoundDecimals(Decimal& d, int decimals) {
  if (d.digits.empty()) return;
  RoundDigits(d, d.exp + decimals);
}

// The integer digits and exactly `decimals` fraction digits of d.
void Split(const Decimal& d, int decimals, std::string& int_part, std::string& frac_part) {
  int_part.clear();
  frac_part.clear();
  int n = static_cast<int>(d.digits.size());
  for (int i = 0; i < d.exp; ++i) int_part += i < n ? d.digits[static_cast<size_t>(i)] : '0';
  for (int k = 0; k < decimals; ++k) {
    int i = d.exp + k;
    frac_part += (i >= 0 && i < n) ? d.digits[static_cast<size_t>(i)] : '0';
  }
}

std::string Group(const std::string& int_part) {
  std::string out;
  int n = static_cast<int>(int_part.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += '.';
    out += int_part[static_cast<size_t>(i)];
  }
  return out;
}

std::string Fixed(Decimal d, int decimals, bool grouped, int min_int, bool keep_all_decimals,
                  int min_decimals) {
  RoundDecimals(d, decimals);
  std::string ip, fp;
  Split(d, decimals, ip, fp);
  if (!keep_all_decimals) {
    while (static_cast<int>(fp.size()) > min_decimals && !fp.empty() && fp.back() == '0')
      fp.pop_back();
  }
  while (static_cast<int>(ip.size()) < min_int) ip.insert(ip.begin(), '0');
  std::string out = d.negative ? "-" : "";
  out += grouped ? Group(ip) : ip;
  if (!fp.empty()) {
    out += ',';
    out += fp;
  }
  return out;
}

std::string Pattern(const Decimal& value, std::string_view pattern) {
  std::string prefix, suffix;
  bool seen_digit = false, grouped = false, after_point = false;
  int min_int = 0, decimals = 0, min_decimals = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\'' || c == '"') {
      size_t end = pattern.find(c, i + 1);
      if (end == std::string_view::npos) end = pattern.size();
      (seen_digit ? suffix : prefix) += pattern.substr(i + 1, end - i - 1);
      i = end;
    } else if (c == '#' || c == '0') {
      seen_digit = true;
      if (after_point) {
        ++decimals;
        if (c == '0') min_decimals = decimals;
      } else if (c == '0') {
        ++min_int;
      }
    } else if (c == ',') {
      grouped = true;
    } else if (c == '.') {
      after_point = true;
      seen_digit = true;
    } else {
      (seen_digit ? suffix : prefix) += c;
    }
  }
  return prefix + Fixed(value, decimals, grouped, min_int, false, min_decimals) + suffix;
}

std::string General(Decimal d) {
  RoundDigits(d, 15);
  if (d.digits.empty()) return "0";
  std::string out = d.negative ? "-" : "";
  if (d.exp > 15 || d.exp < -4) {
    out += d.digits[0];
    if (d.digits.size() > 1) {
      out += ',';
      out += d.digits.substr(1);
    }
    out += 'E';
    out += std::to_string(d.exp - 1);
    return out;
  }
  d.negative = false;
  int decimals = std::max(0, static_cast<int>(d.digits.size()) - d.exp);
  return out + Fixed(d, decimals, false, 1, true, 0);
}

std::string Number(Decimal d, int precision, int decimals) {
  RoundDigits(d, precision);
  return Fixed(d, decimals, true, 1, true, decimals);
}

std::string Money2(Decimal d) {
  bool negative = false;
  RoundDecimals(d, 2);
  negative = d.negative;
  d.negative = false;
  return (negative ? "R$-" : "R$ ") + Fixed(d, 2, true, 1, true, 2);
}

}  // namespace

std::string FormatMoney(Money value) { return Money2(FromMoney(value)); }
std::string FormatMoney(double value) { return Money2(FromDouble(value)); }

std::string FormatPattern(double value, std::string_view pattern) {
  return Pattern(FromDouble(value), pattern);
}
std::string FormatPattern(Money value, std::string_view pattern) {
  return Pattern(FromMoney(value), pattern);
}

std::string FormatGeneral(double value) { return General(FromDouble(value)); }
std::string FormatGeneral(Money value) { return General(FromMoney(value)); }

std::string FormatNumber(double value, int precision, int decimals) {
  return Number(FromDouble(value), precision, decimals);
}
std::string FormatNumber(Money value, int precision, int decimals) {
  return Number(FromMoney(value), precision, decimals);
}

std::string DoubleToJson(double value) {
  char text[kDoubleJsonSize];
  return std::string(text, DoubleToJson(value, text));
}

char* DoubleToJson(double value, char* out) {
  if (!std::isfinite(value)) return std::copy_n("null", 4, out);
  return std::to_chars(out, out + kDoubleJsonSize, value).ptr;
}

}  // namespace fiscora
