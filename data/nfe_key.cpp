#include "data/nfe_key.h"

namespace fiscora {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUpperOrDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'Z'); }

struct UfCode {
  std::string_view code, uf;
};
constexpr UfCode kUfCodes[] = {
    {"11", "RO"}, {"12", "AC"}, {"13", "AM"}, {"14", "RR"}, {"15", "PA"}, {"16", "AP"},
    {"17", "TO"}, {"21", "MA"}, {"22", "PI"}, {"23", "CE"}, {"24", "RN"}, {"25", "PB"},
    {"26", "PE"}, {"27", "AL"}, {"28", "SE"}, {"29", "BA"}, {"31", "MG"}, {"32", "ES"},
    {"33", "RJ"}, {"35", "SP"}, {"41", "PR"}, {"42", "SC"}, {"43", "RS"}, {"50", "MS"},
    {"51", "MT"}, {"52", "GO"}, {"53", "DF"},
};

}  // namespace

std::optional<AccessKeyParts> SplitAccessKey(std::string_view key) {
  if (key.size() != kAccessKeyLength) return std::nullopt;
  for (size_t i = 0; i < key.size(); ++i) {
    // The emitter's first 12 characters may be letters (alphanumeric CNPJ).
    const bool letters_allowed = i >= 6 && i < 18;
    if (!(letters_allowed ? IsUpperOrDigit(key[i]) : IsDigit(key[i]))) return std::nullopt;
  }
  return AccessKeyParts{key.substr(0, 2),  key.substr(2, 4),  key.substr(6, 14),
                        key.substr(20, 2), key.substr(22, 3), key.substr(25, 9),
                        key.substr(34, 1), key.substr(35, 8), key.substr(43, 1)};
}

char AccessKeyCheckDigit(std::string_view key) {
  if (key.size() < kAccessKeyLength - 1) return '\0';
  int sum = 0, weight = 2;
  for (size_t i = kAccessKeyLength - 1; i-- > 0;) {
    if (!IsUpperOrDigit(key[i])) return '\0';
    sum += (key[i] - '0') * weight;
    weight = weight == 9 ? 2 : weight + 1;
  }
  const int r = sum % 11;
  return static_cast<char>('0' + (r < 2 ? 0 : 11 - r));
}

bool AccessKeyValid(std::string_view key) {
  return SplitAccessKey(key) && AccessKeyCheckDigit(key) == key[kAccessKeyLength - 1];
}

std::string_view UfOfIbgeCode(std::string_view code) {
  for (const UfCode& u : kUfCodes)
    if (u.code == code) return u.uf;
  return {};
}

std::string_view IbgeCodeOfUf(std::string_view uf) {
  for (const UfCode& u : kUfCodes)
    if (u.uf == uf) return u.code;
  return {};
}

}  // namespace fiscora
