// Money: fixed point with four decimal places in a 64-bit integer.
//
// Values of notes, items and inventory are held as Money so that sums are
// exact to the cent; quantities, rates and percentages stay doubles.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fiscora {

class Money {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Money() = default;
  static constexpr Money FromRaw(int64_t raw) { return Money(raw); }
  static constexpr Money FromUnits(int64_t units) { return Money(units * kScale); }
  // Rounds to four decimals, ties to even (the conversion of a float to money).
  // The tie is judged on the shortest decimal that reads back to the double,
  // so 0.00015 gives 0,0002 although its binary value lies just below the
  // half. NaN gives 0; values beyond the range are held at its ends.
  static Money FromDouble(double value);

  constexpr int64_t raw() const { return raw_; }
  double ToDouble() const { return static_cast<double>(raw_) / kScale; }
  constexpr bool IsZero() const { return raw_ == 0; }

  constexpr Money operator+(Money o) const { return Money(raw_ + o.raw_); }
  constexpr Money operator-(Money o) const { return Money(raw_ - o.raw_); }
  constexpr Money operator-() const { return Money(-raw_); }
  Money& operator+=(Money o) {
    raw_ += o.raw_;
    return *this;
  }
  Money& operator-=(Money o) {
    raw_ -= o.raw_;
    return *this;
  }
  constexpr auto operator<=>(const Money&) const = default;

  // Rounded to whole cents, halves away from zero (the "#0.00" pattern).
  Money RoundCentsHalfAway() const;

  // "1234.5000": the exact value with a dot and four decimals.
  std::string ToFixed4() const;
  // The same text written at out (at most kFixed4Size bytes); returns its end.
  static constexpr size_t kFixed4Size = 24;
  char* ToFixed4(char* out) const;

 private:
  constexpr explicit Money(int64_t raw) : raw_(raw) {}
  int64_t raw_ = 0;
};

// a * b / d rounded to the nearest integer, ties to even; d > 0. The product
// is formed in 128 bits, so it does not overflow for any money operands.
int64_t MulDivRoundEven(int64_t a, int64_t b, int64_t d);

// Number texts with a decimal comma: optional blanks, an optional sign,
// digits with at most one comma, optional blanks. At least one digit.
// "12,5", " -3 ", "7,", ",5". No thousands separators, no exponent.
// Decimals past what 63 bits hold are dropped (cut, not rounded); an integer
// part that does not fit is an error.
struct ParsedDecimal {
  int64_t mantissa = 0;  // the digits as an integer, sign applied
  int scale = 0;         // number of digits after the comma kept in mantissa
};
std::optional<ParsedDecimal> ParseDecimalComma(std::string_view text);

// Money from a number text with a decimal comma; more than four decimals are
// rounded ties to even, every decimal given taking part however many there
// are. nullopt when the text is not a number or too large.
std::optional<Money> ParseMoney(std::string_view text);
// Double from a number text with a decimal comma.
std::optional<double> ParseDouble(std::string_view text);
// 32-bit integer from a text with optional blanks and sign.
std::optional<int32_t> ParseInt32(std::string_view text);

// The numeric fields of the fiscal layouts have no sign: a "-" or "+" is a
// character that is not a digit, as any other. These read such a field as
// ParseDecimalComma and ParseInt32 do, refusing a sign.
std::optional<ParsedDecimal> ParseUnsignedDecimalComma(std::string_view text);
std::optional<int32_t> ParseUnsignedInt32(std::string_view text);

// The order of the eight digits of a date field: "aaaammdd" (SINTEGRA) or
// "ddmmaaaa" (EFD).
enum class DigitDateOrder { kYearMonthDay, kDayMonthYear };
// Whether the text is eight digits that name a real day: a month from 1 to
// 12 and a day that month has (29 February in leap years only).
bool IsRealDigitDate(std::string_view text, DigitDateOrder order);

}  // namespace fiscora
