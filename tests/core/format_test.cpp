// Number texts the Brazilian way: money, the display patterns in use, the
// general format and the grouped two-decimal format.
#include "data/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "data/money.h"

namespace fiscora {
namespace {

// Every value below has at most four decimals, so the same case also runs
// through the money overloads, which must agree with the double ones.
struct PatternCase {
  double value;
  const char* pattern;
  const char* text;
};

TEST(FormatPattern, DisplayFormatsInUse) {
  const PatternCase cases[] = {
      // thousands, at least one integer digit, exactly two decimals
      {1234.56, "###,##0.00", "1.234,56"},
      {1234567.891, "###,##0.00", "1.234.567,89"},
      {123456, "###,##0.00", "123.456,00"},
      {100, "###,##0.00", "100,00"},
      {0, "###,##0.00", "0,00"},
      {0.5, "###,##0.00", "0,50"},
      {-1234.5, "###,##0.00", "-1.234,50"},
      {0.005, "###,##0.00", "0,01"},
      {-0.005, "###,##0.00", "-0,01"},
      {-0.004, "###,##0.00", "0,00"},
      {999.995, "###,##0.00", "1.000,00"},
      // no integer digit below 1
      {0.5, "###,###.00", ",50"},
      {0, "###,###.00", ",00"},
      {0.994, "###,###.00", ",99"},
      {0.995, "###,###.00", "1,00"},
      {1, "###,###.00", "1,00"},
      {1234.5, "###,###.00", "1.234,50"},
      {-0.5, "###,###.00", "-,50"},
      // a whole number and a percent sign; nothing before it for 0
      {250, "#'%'", "250%"},
      {0, "#'%'", "%"},
      {0.4, "#'%'", "%"},
      {12.5, "#'%'", "13%"},
      {12.4, "#'%'", "12%"},
      {1234, "#'%'", "1234%"},
      {-7, "#'%'", "-7%"},
      {-2.5, "#'%'", "-3%"},
      // halves away from zero, on the decimal the double stands for
      {0.285, "#0.00", "0,29"},
      {-0.285, "#0.00", "-0,29"},
      {1.005, "#0.00", "1,01"},
      {2.675, "#0.00", "2,68"},
      {0.125, "#0.00", "0,13"},
      {0.135, "#0.00", "0,14"},
      {0, "#0.00", "0,00"},
      {1234.5, "#0.00", "1234,50"},
      {0.0049, "#0.00", "0,00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << " with " << c.pattern);
    EXPECT_EQ(FormatPattern(c.value, c.pattern), c.text);
    EXPECT_EQ(FormatPattern(Money::FromDouble(c.value), c.pattern), c.text) << "as money";
  }
}

struct TextCase {
  double value;
  const char* text;
};

TEST(FormatMoney, SymbolSignGroupsAndTwoDecimals) {
  const TextCase cases[] = {
      {1234.56, "R$ 1.234,56"},
      {-1234.56, "R$-1.234,56"},
      {0, "R$ 0,00"},
      {0.5, "R$ 0,50"},
      {-0.5, "R$-0,50"},
      {1234567.891, "R$ 1.234.567,89"},
      {1000000, "R$ 1.000.000,00"},
      {0.005, "R$ 0,01"},
      {-0.005, "R$-0,01"},
      {-0.004, "R$ 0,00"},
      {999.995, "R$ 1.000,00"},
      {2.675, "R$ 2,68"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value);
    EXPECT_EQ(FormatMoney(c.value), c.text);
    EXPECT_EQ(FormatMoney(Money::FromDouble(c.value)), c.text) << "as money";
  }
  EXPECT_EQ(FormatMoney(Money::FromRaw(std::numeric_limits<int64_t>::min())),
            "R$-922.337.203.685.477,58");
}

TEST(FormatNumber, TenSignificantDigitsThenTwoGroupedDecimals) {
  const TextCase cases[] = {
      {1234567.891, "1.234.567,89"},
      {1234.5, "1.234,50"},
      {0, "0,00"},
      {-1234.5, "-1.234,50"},
      {0.125, "0,13"},
      {0.0000001, "0,00"},
      {999.995, "1.000,00"},
      // the eleventh digit is gone before the decimals are chosen
      {12345678901.5, "12.345.678.900,00"},
      {98765432109.9, "98.765.432.110,00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value);
    EXPECT_EQ(FormatNumber(c.value), c.text);
  }
  EXPECT_EQ(FormatNumber(Money::FromRaw(12345678910)), "1.234.567,89");
  EXPECT_EQ(FormatNumber(1234.5678, 10, 3), "1.234,568");
}

TEST(FormatGeneral, ShortestDecimalWithComma) {
  const TextCase cases[] = {
      {2.5, "2,5"},
      {100, "100"},
      {0, "0"},
      {-2.5, "-2,5"},
      {0.1 + 0.2, "0,3"},
      {1.0 / 3, "0,333333333333333"},
      {2.0 / 3, "0,666666666666667"},
      {1234567.891, "1234567,891"},
      {123456789012345, "123456789012345"},
      // scientific below 0,00001 and from 10^15
      {0.00001, "0,00001"},
      {0.0001234, "0,0001234"},
      {0.000001, "1E-6"},
      {0.0000015, "1,5E-6"},
      {-0.00000015, "-1,5E-7"},
      {1e15, "1E15"},
      {1.25e20, "1,25E20"},
      {999999999999999.9, "1E15"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value);
    EXPECT_EQ(FormatGeneral(c.value), c.text);
  }
}

TEST(FormatGeneral, MoneyShowsOnlyTheDecimalsItHas) {
  struct Case {
    int64_t raw;
    const char* text;
  };
  // clang-format off
  const Case cases[] = {
      {12345000, "1234,5"}, {0, "0"}, {-5, "-0,0005"}, {1, "0,0001"}, {10000, "1"},
      {-12345678, "-1234,5678"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatGeneral(Money::FromRaw(c.raw)), c.text);
  }
}

TEST(DoubleToJson, ShortestRoundTripWithDot) {
  const TextCase cases[] = {
      {0.1, "0.1"},
      {-2.5, "-2.5"},
      {100, "100"},
      {std::numeric_limits<double>::quiet_NaN(), "null"},
      {std::numeric_limits<double>::infinity(), "null"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DoubleToJson(c.value), c.text);
  }
}

}  // namespace
}  // namespace fiscora
