// Check digits of the taxpayer numbers that fiscal files carry: CNPJ, CPF
// and the state registration (inscrição estadual, IE) by the rule of each
// state. Every function takes the digits only (no dots, dashes or slashes)
// and does not allocate.
#pragma once

#include <string_view>

namespace fiscora {

// 14 digits whose two last are the CNPJ check digits.
bool ValidCnpj(std::string_view digits);
// 11 digits whose two last are the CPF check digits.
bool ValidCpf(std::string_view digits);

enum class IeCheck {
  kValid,
  kInvalid,     // wrong length for the state, or wrong check digit
  kNotChecked,  // a state whose rule is not known here, or a form not checked
};

// The state registration `digits` of the state `uf` ("SP", "MG" ...).
// Lengths and check digits follow the rule published by each state; a form
// with letters (São Paulo's rural producers, "P...") is not checked.
IeCheck CheckIe(std::string_view uf, std::string_view digits);

// The states whose rule CheckIe knows.
bool IeRuleKnown(std::string_view uf);

}  // namespace fiscora
