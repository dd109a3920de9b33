// CNPJ, CPF and state registration check digits, with numbers published as
// examples by the tax authorities and the same numbers with a digit changed.
#include "validate/check_digits.h"

#include <gtest/gtest.h>

#include <string>

namespace fiscora {
namespace {

TEST(CheckDigits, Cnpj) {
  for (const char* ok : {"11222333000181", "12345678000195", "00000000000191", "00000000000000"})
    EXPECT_TRUE(IsValidCnpj(ok)) << ok;
  for (const char* bad : {"11222333000182", "12345678000190", "1234567800019", "1234567800019A"})
    EXPECT_FALSE(IsValidCnpj(bad)) << bad;
}

// The alphanumeric CNPJ: the Receita Federal's published example, numbers
// computed by the rule, and the numeric form, which stays valid. Letters are
// refused where the field is numeric.
TEST(CheckDigits, AlphanumericCnpj) {
  for (const char* ok : {"12ABC34501DE35", "11222333000181", "AB0CD1EF000171", "ZZZZZZZZZZZZ62"}) {
    EXPECT_TRUE(IsValidCnpj(ok, CnpjForm::kAlphanumeric)) << ok;
    EXPECT_EQ(CnpjWithCheckDigits(std::string(ok).substr(0, 12)), ok);
  }
  EXPECT_FALSE(IsValidCnpj("12ABC34501DE35"));  // the numeric form
  for (const char* bad :
       {"12ABC34501DE36", "12abc34501de35", "12ABC34501DE3A", "12ABC-4501DE35", "12ABC34501DE3"})
    EXPECT_FALSE(IsValidCnpj(bad, CnpjForm::kAlphanumeric)) << bad;
  EXPECT_EQ(CnpjWithCheckDigits("12abc34501de"), "");
}

// The access key of an NF-e: the example of the manual, keys of the
// sample notes, and a key with an alphanumeric CNPJ computed by the rule.
TEST(CheckDigits, NfeKey) {
  EXPECT_EQ(NfeKeyCheckDigit("5206043300991100250655012000000780026730161"), 5);
  for (const char* ok : {"52060433009911002506550120000007800267301615",
                         "35180834128745000152550010000474281920007498"})
    EXPECT_TRUE(IsValidNfeKey(ok)) << ok;
  const std::string alpha =
      "352607"
      "12ABC34501DE35"
      "55001000000001100000001";
  const int digit = NfeKeyCheckDigit(alpha);
  ASSERT_GE(digit, 0);
  EXPECT_TRUE(IsValidNfeKey(alpha + static_cast<char>('0' + digit)));
  EXPECT_FALSE(IsValidNfeKey(alpha + static_cast<char>('0' + (digit + 1) % 10)));
  for (const char* bad : {"52060433009911002506550120000007800267301614",
                          "5206043300991100250655012000000780026730161",
                          "520604330099110025065501200000078002673016155",
                          "5206043300991100250655012000000780026730161A",
                          "52060A33009911002506550120000007800267301615"})
    EXPECT_FALSE(IsValidNfeKey(bad)) << bad;
}

TEST(CheckDigits, StateCodesOfTheKey) {
  EXPECT_EQ(IbgeUfCode("SP"), 35);
  EXPECT_EQ(IbgeUfCode("CE"), 23);
  EXPECT_EQ(IbgeUfCode("DF"), 53);
  EXPECT_EQ(IbgeUfCode("RO"), 11);
  for (const char* none : {"EX", "XX", "sp", "S", "SPX", ""})
    EXPECT_EQ(IbgeUfCode(none), -1) << none;
}

TEST(CheckDigits, Cpf) {
  for (const char* ok : {"52998224725", "11144477735"}) EXPECT_TRUE(IsValidCpf(ok)) << ok;
  for (const char* bad : {"52998224726", "11144477734", "5299822472"})
    EXPECT_FALSE(IsValidCpf(bad)) << bad;
  EXPECT_EQ(CpfWithCheckDigits("529982247"), "52998224725");
}

// A valid number per state: the number as published, and the same number
// with its last digit changed is refused.
struct IeCase {
  const char* uf;
  const char* number;
};

void PrintTo(const IeCase& c, std::ostream* os) { *os << c.uf << " " << c.number; }

class StateRegistration : public ::testing::TestWithParam<IeCase> {};

TEST_P(StateRegistration, ValidAndWithALastDigitChanged) {
  const IeCase& c = GetParam();
  EXPECT_EQ(CheckIe(c.uf, c.number), IeCheck::kValid);
  std::string changed = c.number;
  changed.back() = changed.back() == '9' ? '0' : static_cast<char>(changed.back() + 1);
  EXPECT_EQ(CheckIe(c.uf, changed), IeCheck::kInvalid) << changed;
  // One digit fewer is the wrong length.
  EXPECT_EQ(CheckIe(c.uf, std::string(c.number).substr(1)), IeCheck::kInvalid);
}

INSTANTIATE_TEST_SUITE_P(
    States, StateRegistration,
    ::testing::Values(
        IeCase{"AC", "0100482300112"}, IeCase{"AL", "240000048"}, IeCase{"AM", "806089008"},
        IeCase{"AP", "030123459"}, IeCase{"BA", "123456748"}, IeCase{"BA", "162345651"},
        IeCase{"BA", "12345663"}, IeCase{"BA", "61234557"}, IeCase{"CE", "060000015"},
        IeCase{"DF", "0730000100109"}, IeCase{"ES", "999999990"}, IeCase{"GO", "109876547"},
        IeCase{"MA", "120000385"}, IeCase{"MG", "0623079040081"}, IeCase{"MS", "283123451"},
        IeCase{"MS", "501234560"}, IeCase{"MT", "00130000019"}, IeCase{"PA", "159999995"},
        IeCase{"PB", "060000015"}, IeCase{"PE", "032141840"}, IeCase{"PE", "18100100000049"},
        IeCase{"PI", "012345679"}, IeCase{"PR", "1234567850"}, IeCase{"RJ", "99999993"},
        IeCase{"RN", "200400401"}, IeCase{"RO", "00000000625213"}, IeCase{"RR", "240066281"},
        IeCase{"RS", "2243658792"}, IeCase{"SC", "251040852"}, IeCase{"SE", "271234563"},
        IeCase{"SP", "110042490114"}, IeCase{"TO", "29010227836"}),
    [](const ::testing::TestParamInfo<IeCase>& info) {
      return std::string(info.param.uf) + "_" + info.param.number;
    });

// The AM and MS numbers above are computed by the states' published rules:
// weights 9 to 2, remainder of 11, 0 or 1 giving the digit 0.
TEST(CheckDigits, AmazonasAndMatoGrossoDoSulEdges) {
  // Eight zeros: 11 - 0 is no digit, so no last digit makes the number valid.
  for (char last = '0'; last <= '9'; ++last)
    EXPECT_EQ(CheckIe("AM", std::string("00000000") + last), IeCheck::kInvalid) << last;
  // Remainder 1 gives 0 in both states (sum 45 for 50000000 and 100000000).
  EXPECT_EQ(CheckIe("MS", "500000000"), IeCheck::kValid);
  EXPECT_EQ(CheckIe("AM", "500000000"), IeCheck::kValid);
  // Mato Grosso do Sul numbers start with 28 or 50 (this one has the right digit).
  EXPECT_EQ(CheckIe("MS", "270000003"), IeCheck::kInvalid);
}

TEST(CheckDigits, UnknownStatesAndLettersAreNotChecked) {
  EXPECT_EQ(CheckIe("EX", "123"), IeCheck::kNotChecked);
  EXPECT_EQ(CheckIe("SP", "P011004243002"), IeCheck::kNotChecked);
}

}  // namespace
}  // namespace fiscora
