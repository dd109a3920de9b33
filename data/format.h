// Number texts the Brazilian way: "." groups thousands, "," separates the
// decimals, money is "R$ 1.234,56" and its negative "R$-1.234,56".
//
// Roundings: every pattern rounds the exact decimal value of its input,
// halves away from zero. A double is first taken at its shortest exact
// decimal form (0.285 is 0,285, not 0,28499999...).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "data/money.h"

namespace fiscora {

// "R$ 1.234,56", "R$-1.234,56", "R$ 0,00".
std::string FormatMoney(Money value);
std::string FormatMoney(double value);

// A number pattern as used by display formats: '#' and '0' digit places,
// ',' asks for thousands grouping, '.' marks the decimals, quoted texts are
// literals. In use: '###,##0.00', '###,###.00' (",50" below 1), "#'%'"
// ("250%"; 0 gives "%"), '#0.00'.
std::string FormatPattern(double value, std::string_view pattern);
std::string FormatPattern(Money value, std::string_view pattern);

// General format: no grouping, as many decimals as needed, up to 15
// significant digits; scientific below 0,00001 or from 10^15 ("1,5E-6").
std::string FormatGeneral(double value);
std::string FormatGeneral(Money value);

// Grouped thousands and exactly `decimals` decimals after rounding to
// `precision` significant digits: FormatNumber(1234.5) == "1.234,50".
std::string FormatNumber(double value, int precision = 10, int decimals = 2);
std::string FormatNumber(Money value, int precision = 10, int decimals = 2);

// Shortest text that reads back to the same double, with a dot (JSON);
// "null" when the value is not finite.
std::string DoubleToJson(double value);
// The same text written at out (at most kDoubleJsonSize bytes); returns its end.
inline constexpr size_t kDoubleJsonSize = 32;
char* DoubleToJson(double value, char* out);

}  // namespace fiscora
