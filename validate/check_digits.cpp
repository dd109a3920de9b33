#include "validate/check_digits.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace fiscora {

namespace {

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int D(std::string_view s, size_t i) { return s[i] - '0'; }

// Sum of digit × weight over the first weights.size() digits of s.
template <size_t N>
int Weighted(std::string_view s, const std::array<int, N>& w, size_t from = 0) {
  int sum = 0;
  for (size_t i = 0; i < N; ++i) sum += D(s, from + i) * w[i];
  return sum;
}

// The most common rule: remainder of 11; 0 or 1 give the digit 0, else 11 - r.
int Mod11(int sum) {
  int r = sum % 11;
  return r < 2 ? 0 : 11 - r;
}

// Weights 9..2 over the first eight digits, Mod11 (CE, ES, PB, PI, PA, SC,
// SE, MA, TO of nine digits).
bool NineDigitsMod11(std::string_view s) {
  static constexpr std::array<int, 8> w = {9, 8, 7, 6, 5, 4, 3, 2};
  return s.size() == 9 && D(s, 8) == Mod11(Weighted(s, w));
}

bool Sp(std::string_view s) {
  if (s.size() != 12) return false;
  static constexpr std::array<int, 8> w1 = {1, 3, 4, 5, 6, 7, 8, 10};
  static constexpr std::array<int, 11> w2 = {3, 2, 10, 9, 8, 7, 6, 5, 4, 3, 2};
  return D(s, 8) == Weighted(s, w1) % 11 % 10 && D(s, 11) == Weighted(s, w2) % 11 % 10;
}

bool Mg(std::string_view s) {
  if (s.size() != 13) return false;
  // First digit: the municipality code, a 0, the rest; weights 1 and 2 from
  // the left, the digits of the products summed.
  int sum = 0;
  for (size_t i = 0, k = 0; k < 12; ++k) {
    int digit = k == 3 ? 0 : D(s, i++);
    int p = digit * (k % 2 == 0 ? 1 : 2);
    sum += p / 10 + p % 10;
  }
  int d1 = (10 - sum % 10) % 10;
  if (D(s, 11) != d1) return false;
  static constexpr std::array<int, 12> w2 = {3, 2, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2};
  return D(s, 12) == Mod11(Weighted(s, w2));
}

bool Rj(std::string_view s) {
  static constexpr std::array<int, 7> w = {2, 7, 6, 5, 4, 3, 2};
  return s.size() == 8 && D(s, 7) == Mod11(Weighted(s, w));
}

bool Pr(std::string_view s) {
  static constexpr std::array<int, 8> w1 = {3, 2, 7, 6, 5, 4, 3, 2};
  static constexpr std::array<int, 9> w2 = {4, 3, 2, 7, 6, 5, 4, 3, 2};
  return s.size() == 10 && D(s, 8) == Mod11(Weighted(s, w1)) && D(s, 9) == Mod11(Weighted(s, w2));
}

bool Rs(std::string_view s) {
  static constexpr std::array<int, 9> w = {2, 9, 8, 7, 6, 5, 4, 3, 2};
  return s.size() == 10 && D(s, 9) == Mod11(Weighted(s, w));
}

bool Go(std::string_view s) {
  if (s.size() != 9) return false;
  int prefix = D(s, 0) * 10 + D(s, 1);
  if (prefix != 10 && prefix != 11 && (prefix < 20 || prefix > 29)) return false;
  static constexpr std::array<int, 8> w = {9, 8, 7, 6, 5, 4, 3, 2};
  int r = Weighted(s, w) % 11;
  int d;
  if (r == 0) {
    d = 0;
  } else if (r == 1) {
    int number = 0;
    for (size_t i = 0; i < 8; ++i) number = number * 10 + D(s, i);
    d = number >= 10103105 && number <= 10119997 ? 1 : 0;
  } else {
    d = 11 - r;
  }
  return D(s, 8) == d;
}

// Bahia: eight or nine digits; modulus 10 or 11 by the first digit (eight)
// or the second (nine); the second check digit is computed first.
bool Ba(std::string_view s) {
  if (s.size() != 8 && s.size() != 9) return false;
  const size_t body = s.size() - 2;  // digits before the two check digits
  const int key = s.size() == 8 ? D(s, 0) : D(s, 1);
  const int mod = key == 6 || key == 7 || key == 9 ? 11 : 10;
  auto digit = [mod](int sum) {
    int r = sum % mod;
    if (mod == 10) return r == 0 ? 0 : 10 - r;
    return r < 2 ? 0 : 11 - r;
  };
  int sum2 = 0;
  for (size_t i = 0; i < body; ++i) sum2 += D(s, i) * static_cast<int>(body + 1 - i);
  int d2 = digit(sum2);
  int sum1 = 0;
  for (size_t i = 0; i < body; ++i) sum1 += D(s, i) * static_cast<int>(body + 2 - i);
  sum1 += d2 * 2;
  int d1 = digit(sum1);
  return D(s, body) == d1 && D(s, body + 1) == d2;
}

bool Pe(std::string_view s) {
  if (s.size() == 9) {  // eFisco
    static constexpr std::array<int, 7> w1 = {8, 7, 6, 5, 4, 3, 2};
    static constexpr std::array<int, 8> w2 = {9, 8, 7, 6, 5, 4, 3, 2};
    return D(s, 7) == Mod11(Weighted(s, w1)) && D(s, 8) == Mod11(Weighted(s, w2));
  }
  if (s.size() == 14) {  // the former CACEPE number
    static constexpr std::array<int, 13> w = {5, 4, 3, 2, 1, 9, 8, 7, 6, 5, 4, 3, 2};
    int d = 11 - Weighted(s, w) % 11;
    if (d > 9) d -= 10;
    return D(s, 13) == d;
  }
  return false;
}

bool Ro(std::string_view s) {
  static constexpr std::array<int, 13> w = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  if (s.size() != 14) return false;
  int d = 11 - Weighted(s, w) % 11;
  if (d >= 10) d -= 10;
  return D(s, 13) == d;
}

// Distrito Federal and Acre: thirteen digits, two check digits.
bool DfAc(std::string_view s, std::string_view prefix) {
  if (s.size() != 13 || s.substr(0, 2) != prefix) return false;
  static constexpr std::array<int, 11> w1 = {4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  static constexpr std::array<int, 12> w2 = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  auto digit = [](int sum) {
    int d = 11 - sum % 11;
    return d >= 10 ? 0 : d;
  };
  return D(s, 11) == digit(Weighted(s, w1)) && D(s, 12) == digit(Weighted(s, w2));
}

bool To(std::string_view s) {
  if (s.size() == 9) return NineDigitsMod11(s);
  if (s.size() != 11) return false;
  // The former number: digits 3 and 4 give the kind and stay out of the sum.
  std::string_view kind = s.substr(2, 2);
  if (kind != "01" && kind != "02" && kind != "03" && kind != "99") return false;
  int sum = D(s, 0) * 9 + D(s, 1) * 8;
  for (size_t i = 4, w = 7; i < 10; ++i, --w) sum += D(s, i) * static_cast<int>(w);
  return D(s, 10) == Mod11(sum);
}

bool Mt(std::string_view s) {
  static constexpr std::array<int, 10> w = {3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  return s.size() == 11 && D(s, 10) == Mod11(Weighted(s, w));
}

// Alagoas and Rio Grande do Norte: (sum × 10) mod 11, 10 gives 0.
int Times10Mod11(int sum) {
  int d = sum * 10 % 11;
  return d == 10 ? 0 : d;
}

bool Al(std::string_view s) {
  static constexpr std::array<int, 8> w = {9, 8, 7, 6, 5, 4, 3, 2};
  return s.size() == 9 && s.substr(0, 2) == "24" && D(s, 8) == Times10Mod11(Weighted(s, w));
}

bool Rn(std::string_view s) {
  if (s.substr(0, 2) != "20") return false;
  if (s.size() == 9) {
    static constexpr std::array<int, 8> w = {9, 8, 7, 6, 5, 4, 3, 2};
    return D(s, 8) == Times10Mod11(Weighted(s, w));
  }
  if (s.size() == 10) {
    static constexpr std::array<int, 9> w = {10, 9, 8, 7, 6, 5, 4, 3, 2};
    return D(s, 9) == Times10Mod11(Weighted(s, w));
  }
  return false;
}

bool Rr(std::string_view s) {
  static constexpr std::array<int, 8> w = {1, 2, 3, 4, 5, 6, 7, 8};
  return s.size() == 9 && s.substr(0, 2) == "24" && D(s, 8) == Weighted(s, w) % 9;
}

bool Ap(std::string_view s) {
  if (s.size() != 9 || s.substr(0, 2) != "03") return false;
  int number = 0;
  for (size_t i = 0; i < 8; ++i) number = number * 10 + D(s, i);
  int p = 0, dz = 0;
  if (number <= 3017000) {
    p = 5, dz = 0;
  } else if (number <= 3019022) {
    p = 9, dz = 1;
  }
  static constexpr std::array<int, 8> w = {9, 8, 7, 6, 5, 4, 3, 2};
  int d = 11 - (p + Weighted(s, w)) % 11;
  if (d == 10) d = 0;
  if (d == 11) d = dz;
  return D(s, 8) == d;
}

}  // namespace

namespace {

bool DigitOrCapital(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

// Twelve characters of the CNPJ's first part in the given form.
bool CnpjBody(std::string_view s, CnpjForm form) {
  if (s.size() < 12) return false;
  for (size_t i = 0; i < 12; ++i)
    if (form == CnpjForm::kNumeric ? s[i] < '0' || s[i] > '9' : !DigitOrCapital(s[i])) return false;
  return true;
}

// The two check digits of a CNPJ body of twelve well-formed characters, each
// counting its code minus 48.
std::pair<int, int> CnpjDigits(std::string_view s) {
  static constexpr std::array<int, 13> w = {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  int sum1 = 0, sum2 = 0;
  for (size_t i = 0; i < 12; ++i) {
    sum1 += D(s, i) * w[i + 1];
    sum2 += D(s, i) * w[i];
  }
  const int d1 = Mod11(sum1);
  return {d1, Mod11(sum2 + d1 * w[12])};
}

}  // namespace

bool IsValidCnpj(std::string_view s, CnpjForm form) {
  if (s.size() != 14 || !CnpjBody(s, form) || !AllDigits(s.substr(12))) return false;
  auto [d1, d2] = CnpjDigits(s);
  return D(s, 12) == d1 && D(s, 13) == d2;
}

std::string CnpjWithCheckDigits(std::string_view twelve) {
  if (twelve.size() != 12 || !CnpjBody(twelve, CnpjForm::kAlphanumeric)) return {};
  auto [d1, d2] = CnpjDigits(twelve);
  std::string s(twelve);
  s += static_cast<char>('0' + d1);
  s += static_cast<char>('0' + d2);
  return s;
}

namespace {

std::pair<int, int> CpfDigits(std::string_view s) {
  int sum1 = 0, sum2 = 0;
  for (size_t i = 0; i < 9; ++i) {
    sum1 += D(s, i) * static_cast<int>(10 - i);
    sum2 += D(s, i) * static_cast<int>(11 - i);
  }
  const int d1 = Mod11(sum1);
  return {d1, Mod11(sum2 + d1 * 2)};
}

}  // namespace

bool IsValidCpf(std::string_view s) {
  if (s.size() != 11 || !AllDigits(s)) return false;
  auto [d1, d2] = CpfDigits(s);
  return D(s, 9) == d1 && D(s, 10) == d2;
}

std::string CpfWithCheckDigits(std::string_view nine) {
  if (nine.size() != 9 || !AllDigits(nine)) return {};
  auto [d1, d2] = CpfDigits(nine);
  std::string s(nine);
  s += static_cast<char>('0' + d1);
  s += static_cast<char>('0' + d2);
  return s;
}

int NfeKeyCheckDigit(std::string_view k) {
  // Digits everywhere but in the CNPJ's first twelve characters (7 to 18).
  if (k.size() != 43 || !AllDigits(k.substr(0, 6)) ||
      !CnpjBody(k.substr(6), CnpjForm::kAlphanumeric) || !AllDigits(k.substr(18)))
    return -1;
  int sum = 0, weight = 2;
  for (size_t i = k.size(); i-- > 0;) {
    sum += D(k, i) * weight;
    weight = weight == 9 ? 2 : weight + 1;
  }
  return Mod11(sum);
}

bool IsValidNfeKey(std::string_view key) {
  return key.size() == 44 && key[43] >= '0' && key[43] <= '9' &&
         NfeKeyCheckDigit(key.substr(0, 43)) == key[43] - '0';
}

namespace {

struct Rule {
  const char uf[3];
  bool (*valid)(std::string_view);
};

bool Df(std::string_view s) { return DfAc(s, "07"); }
bool Ac(std::string_view s) { return DfAc(s, "01"); }
bool Ma(std::string_view s) { return s.substr(0, 2) == "12" && NineDigitsMod11(s); }
bool Pa(std::string_view s) { return s.substr(0, 2) == "15" && NineDigitsMod11(s); }
// Amazonas: a sum under 11 gives 11 - sum, which for the only sums under 2
// (eight zeros) is no digit at all; any other sum follows the common rule.
bool Am(std::string_view s) { return s.find_first_not_of('0') < 8 && NineDigitsMod11(s); }
// Mato Grosso do Sul: the common rule, numbers starting with 28 (the older
// series) or 50 (the newer one).
bool Ms(std::string_view s) {
  std::string_view prefix = s.substr(0, 2);
  return (prefix == "28" || prefix == "50") && NineDigitsMod11(s);
}

constexpr Rule kRules[] = {
    {"AC", Ac},
    {"AL", Al},
    {"AM", Am},
    {"AP", Ap},
    {"BA", Ba},
    {"CE", NineDigitsMod11},
    {"DF", Df},
    {"ES", NineDigitsMod11},
    {"GO", Go},
    {"MA", Ma},
    {"MG", Mg},
    {"MS", Ms},
    {"MT", Mt},
    {"PA", Pa},
    {"PB", NineDigitsMod11},
    {"PE", Pe},
    {"PI", NineDigitsMod11},
    {"PR", Pr},
    {"RJ", Rj},
    {"RN", Rn},
    {"RO", Ro},
    {"RR", Rr},
    {"RS", Rs},
    {"SC", NineDigitsMod11},
    {"SE", NineDigitsMod11},
    {"SP", Sp},
    {"TO", To},
};

const Rule* RuleOf(std::string_view uf) {
  for (const Rule& r : kRules)
    if (uf == r.uf) return &r;
  return nullptr;
}

}  // namespace

namespace {

// The IBGE codes by the two capital letters of the state: 26 × 26 entries.
constexpr std::array<int8_t, 26 * 26> kUfCodes = [] {
  constexpr struct {
    char uf[3];
    int8_t code;
  } kCodes[] = {{"RO", 11}, {"AC", 12}, {"AM", 13}, {"RR", 14}, {"PA", 15}, {"AP", 16}, {"TO", 17},
                {"MA", 21}, {"PI", 22}, {"CE", 23}, {"RN", 24}, {"PB", 25}, {"PE", 26}, {"AL", 27},
                {"SE", 28}, {"BA", 29}, {"MG", 31}, {"ES", 32}, {"RJ", 33}, {"SP", 35}, {"PR", 41},
                {"SC", 42}, {"RS", 43}, {"MS", 50}, {"MT", 51}, {"GO", 52}, {"DF", 53}};
  std::array<int8_t, 26 * 26> table{};
  for (auto& t : table) t = -1;
  for (const auto& c : kCodes)
    table[static_cast<size_t>((c.uf[0] - 'A') * 26 + (c.uf[1] - 'A'))] = c.code;
  return table;
}();

}  // namespace

int IbgeUfCode(std::string_view uf) {
  if (uf.size() != 2 || uf[0] < 'A' || uf[0] > 'Z' || uf[1] < 'A' || uf[1] > 'Z') return -1;
  return kUfCodes[static_cast<size_t>((uf[0] - 'A') * 26 + (uf[1] - 'A'))];
}

bool IeRuleKnown(std::string_view uf) { return RuleOf(uf) != nullptr; }

IeCheck CheckIe(std::string_view uf, std::string_view digits) {
  const Rule* rule = RuleOf(uf);
  if (!rule) return IeCheck::kNotChecked;
  if (!AllDigits(digits)) return IeCheck::kNotChecked;
  return rule->valid(digits) ? IeCheck::kValid : IeCheck::kInvalid;
}

}  // namespace fiscora
