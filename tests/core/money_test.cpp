// Money: reading number texts with a decimal comma, the conversions from and
// to doubles, the cent rounding of the "#0.00" pattern and the 128-bit
// multiply-divide that money arithmetic rests on.
#include "data/money.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace fiscora {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

struct ParseCase {
  const char* text;
  std::optional<int64_t> raw;  // nullopt: not a money text
};

TEST(ParseMoney, AcceptsCommaNumbersAndRejectsEverythingElse) {
  const ParseCase cases[] = {
      // plain forms
      {"12,5", 125000},
      {"0", 0},
      {"1234,56", 12345600},
      {"7,", 70000},
      {",5", 5000},
      {"-,5", -5000},
      {"0,0001", 1},
      {"000000000000000000000000012,5", 125000},
      // blanks and signs
      {" -3 ", -30000},
      {"\t+4\t", 40000},
      {"-0", 0},
      {"  12,50  ", 125000},
      // not numbers
      {"", std::nullopt},
      {"   ", std::nullopt},
      {"-", std::nullopt},
      {"+", std::nullopt},
      {",", std::nullopt},
      {"-,", std::nullopt},
      {"+-1", std::nullopt},
      {"- 5", std::nullopt},
      {"1 2", std::nullopt},
      {"1, 2", std::nullopt},
      {"12a", std::nullopt},
      {"a12", std::nullopt},
      {"1,2,3", std::nullopt},
      {"1.234,56", std::nullopt},
      {"1234.56", std::nullopt},
      {"1e5", std::nullopt},
      {"R$ 5", std::nullopt},
      // too large for four decimals in 64 bits
      {"922337203685477,5807", kMax},
      {"-922337203685477,5807", -kMax},
      {"922337203685477,5808", std::nullopt},
      {"922337203685478", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"-99999999999999999999999999", std::nullopt},
      // more than four decimals: ties to even, everything else to nearest
      {"0,00005", 0},
      {"0,00015", 2},
      {"0,00025", 2},
      {"0,00035", 4},
      {"-0,00015", -2},
      {"-0,00025", -2},
      {"1,23456", 12346},
      {"1,234549", 12345},
      {"1,234551", 12346},
      {"0,000050001", 1},
      {"0,000049999", 0},
      {"2,00004999", 20000},
      {"0,00000000000000000000000001", 0},
      // digits past what 64 bits hold still decide the rounding
      {"0,12345000000000000000000000", 1234},
      {"0,12345000000000000000000001", 1235},
      {"0,12355000000000000000000000", 1236},
      {"1,00000000000000000000000000", 10000},
      {"-0,12345000000000000000000001", -1235},
      {"900000000000000,00025", 9000000000000000002},
      {"900000000000000,000250000001", 9000000000000000003},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("text \"") + c.text + "\"");
    std::optional<Money> got = ParseMoney(c.text);
    ASSERT_EQ(got.has_value(), c.raw.has_value());
    if (got) {
      EXPECT_EQ(got->raw(), *c.raw);
    }
  }
}

struct DecimalCase {
  const char* text;
  int64_t mantissa;
  int scale;
};

TEST(ParseDecimalComma, KeepsDigitsAndScale) {
  // clang-format off
  const DecimalCase cases[] = {
      {"12,50", 1250, 2}, {"-7,", -7, 0},       {",05", 5, 2},
      {"0", 0, 0},        {" 003 ", 3, 0},      {"-0,000", 0, 3},
      {"1,5", 15, 1},     {"123456789", 123456789, 0},
      // decimals past 63 bits are cut off
      {"0,12345678901234567890123", 1234567890123456789, 19},
      {"-9,99999999999999999999", -999999999999999999, 17},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto got = ParseDecimalComma(c.text);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->mantissa, c.mantissa);
    EXPECT_EQ(got->scale, c.scale);
  }
}

TEST(ParseDouble, ReadsCommaNumbers) {
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  // clang-format off
  const Case cases[] = {
      {"2,5", 2.5},          {"-0,1", -0.1},         {"0,3", 0.3},
      {"1234,567", 1234.567}, {"7,", 7.0},           {",25", 0.25},
      {"  12  ", 12.0},      {"0,000001", 1e-6},     {"123456789012,345", 123456789012.345},
      {"0,10000000000000000000000001", 0.1},
      {"", std::nullopt},    {"-", std::nullopt},    {"1.5", std::nullopt},
      {"1,5x", std::nullopt}, {"1 5", std::nullopt},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto got = ParseDouble(c.text);
    ASSERT_EQ(got.has_value(), c.value.has_value());
    if (got) {
      EXPECT_EQ(*got, *c.value);  // the nearest double, exactly
    }
  }
}

TEST(ParseInt32, WholeNumbersInRange) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  };
  const Case cases[] = {
      {"123", 123},
      {" -45 ", -45},
      {"+7", 7},
      {"2147483647", std::numeric_limits<int32_t>::max()},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"7,", std::nullopt},
      {"7,0", std::nullopt},
      {",5", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"12a", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseInt32(c.text), c.value);
  }
}

TEST(MoneyFromDouble, RoundsTheWrittenDecimalTiesToEven) {
  struct Case {
    double value;
    int64_t raw;
  };
  // The doubles below are the nearest ones to the decimals written; a tie is
  // a tie of that decimal, whatever side of it the binary value falls on.
  const Case cases[] = {
      {0.0, 0},
      {1234.5678, 12345678},
      {-1234.5678, -12345678},
      {0.1 + 0.2, 3000},
      {0.00005, 0},
      {0.00015, 2},
      {0.00025, 2},
      {0.00035, 4},
      {-0.00015, -2},
      {1.00005, 10000},
      {1.00015, 10002},
      {2.00025, 20002},
      {0.12345, 1234},
      {1.23455, 12346},
      {1234.56785, 12345678},
      {0.000051, 1},
      {0.000049, 0},
      {-2.00025, -20002},
      {123456789.12344, 1234567891234},
      {123456789.12345, 1234567891234},
      {123456789.12355, 1234567891236},
      // nothing to round, and the ends of the range
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {std::numeric_limits<double>::infinity(), kMax},
      {-std::numeric_limits<double>::infinity(), kMin},
      {1e300, kMax},
      {-1e300, kMin},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "value " << c.value);
    EXPECT_EQ(Money::FromDouble(c.value).raw(), c.raw);
  }
}

TEST(MoneyRoundCentsHalfAway, HalvesGoAwayFromZero) {
  struct Case {
    int64_t raw;
    int64_t rounded;
  };
  // clang-format off
  const Case cases[] = {
      {0, 0},          {12345, 12300},   {12350, 12400},  {12349, 12300},
      {-12350, -12400}, {-12349, -12300}, {50, 100},       {-50, -100},
      {49, 0},         {-49, 0},         {12300, 12300},  {9950, 10000},
      // the ends of the range: no overflow on the way
      {kMax, kMax - 7},  {kMin, kMin + 8},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "raw " << c.raw);
    EXPECT_EQ(Money::FromRaw(c.raw).RoundCentsHalfAway().raw(), c.rounded);
  }
}

TEST(MulDivRoundEven, TiesToEvenWithSignsAndWideProducts) {
  struct Case {
    int64_t a, b, d, want;
  };
  const Case cases[] = {
      {5, 1, 10, 0},
      {15, 1, 10, 2},
      {25, 1, 10, 2},
      {35, 1, 10, 4},
      {16, 1, 10, 2},
      {14, 1, 10, 1},
      {-15, 1, 10, -2},
      {15, -1, 10, -2},
      {-15, -1, 10, 2},
      {-25, 1, 10, -2},
      {-14, 1, 10, -1},
      {7, 3, 2, 10},
      {0, -5, 3, 0},
      // 1.234,5678 x 12,5 in money raw: products far beyond 64 bits
      {12345678, 125000, 10000, 154320975},
      {kMax, kMax, kMax, kMax},
      {kMax, 10000, 10000, kMax},
      {-kMax, 3, 3, -kMax},
      {kMin, 1, 1, kMin},
      {kMin, 2, 2, kMin},
      {kMax, 2, 4, kMax / 2 + 1},  // ...903,5: the odd quotient goes up
      {kMax - 1, 3, 6, (kMax - 1) / 2},
      {kMax, kMax - 2, kMax, kMax - 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " * " << c.b << " / " << c.d);
    EXPECT_EQ(MulDivRoundEven(c.a, c.b, c.d), c.want);
  }
}

TEST(MoneyToFixed4, DotAndFourDecimals) {
  struct Case {
    int64_t raw;
    const char* text;
  };
  const Case cases[] = {
      {0, "0.0000"},
      {12345000, "1234.5000"},
      {1, "0.0001"},
      {-5, "-0.0005"},
      {-12345678, "-1234.5678"},
      {kMax, "922337203685477.5807"},
      {kMin, "-922337203685477.5808"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Money::FromRaw(c.raw).ToFixed4(), c.text);
  }
}

}  // namespace
}  // namespace fiscora
