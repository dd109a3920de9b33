// The access key (chave de acesso) of an electronic fiscal document (NF-e,
// NFC-e, CT-e): 44 characters in fixed positions
//   cUF(2) AAMM(4) emitter(14) mod(2) serie(3) nNF(9) tpEmis(1) cNF(8) cDV(1)
// Every position holds a digit, except the emitter's 14, which hold the
// CNPJ (or a CPF after three zeros); from the 2026 layout that CNPJ may be
// alphanumeric: upper-case letters or digits in its first 12 characters,
// digits in its two check digits.
//
// The check digit cDV is modulo 11 over the first 43 characters, with the
// weights 2, 3, ..., 9, 2, 3, ... from the right; a character's value is its
// code minus 48 (a digit counts as itself, "A" as 17); a remainder of 0 or
// 1 gives 0, any other r gives 11 - r.
//
// Every function takes the key as it stands (no "NFe" prefix) and none
// allocates.
#pragma once

#include <optional>
#include <string_view>

namespace fiscora {

inline constexpr size_t kAccessKeyLength = 44;

struct AccessKeyParts {
  std::string_view uf;             // IBGE code of the state, "35"
  std::string_view year_month;     // "1808" for August 2018
  std::string_view emitter;        // 14 characters
  std::string_view model;          // "55", "65", "57"
  std::string_view series;         // 3 digits
  std::string_view number;         // 9 digits
  std::string_view emission_type;  // tpEmis
  std::string_view code;           // cNF
  std::string_view check_digit;    // cDV
};

// The parts of a key of the right form (44 characters, digits where digits
// belong), or nullopt. The check digit is not checked here.
std::optional<AccessKeyParts> SplitAccessKey(std::string_view key);

// The check digit ('0' to '9') of the first 43 characters of a key; the
// characters past the 43rd are not read. '\0' when fewer than 43 are given
// or one is neither a digit nor an upper-case letter.
char AccessKeyCheckDigit(std::string_view key);

// Whether the key has the right form and its last digit is its check digit.
bool AccessKeyValid(std::string_view key);

// "SP" for the IBGE code "35" of a state (27 codes: the states and the
// Federal District); empty for any other text.
std::string_view UfOfIbgeCode(std::string_view code);
// "35" for "SP"; empty for a text that is no state.
std::string_view IbgeCodeOfUf(std::string_view uf);

}  // namespace fiscora
