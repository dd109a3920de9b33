// Check digits of the numbers that fiscal files carry: CNPJ (numeric and
// alphanumeric), CPF, the access key of an NF-e (and of the documents that
// share its form: NFC-e, CT-e) and the state registration (inscrição
// estadual, IE) by the rule of each state. Every function takes the number
// without dots, dashes or slashes; the checks do not allocate.
#pragma once

#include <string>
#include <string_view>

namespace fiscora {

// The CNPJ forms. From July 2026 a CNPJ may be alphanumeric: twelve
// characters of digits and capital letters, then two check digits computed
// from each character's code minus 48 (so a digit counts its own value and
// "A" counts 17) with the usual weights. A numeric CNPJ is also a valid
// alphanumeric one. Layouts whose CNPJ field is numeric (SINTEGRA) take only
// the numeric form; the NF-e and the EFD take both.
enum class CnpjForm { kNumeric, kAlphanumeric };

// 14 characters of the given form whose two last are the CNPJ check digits.
bool IsValidCnpj(std::string_view cnpj, CnpjForm form = CnpjForm::kNumeric);
// The 14-character CNPJ of twelve characters (digits, or digits and capital
// letters) followed by their two check digits; empty when the twelve are not
// of that form.
std::string CnpjWithCheckDigits(std::string_view twelve);

// 11 digits whose two last are the CPF check digits.
bool IsValidCpf(std::string_view digits);
// The 11-digit CPF of nine digits and their two check digits.
std::string CpfWithCheckDigits(std::string_view nine_digits);

// The access key of an NF-e: 44 characters, cUF (2), AAMM (4), the issuer's
// CNPJ (14, alphanumeric from July 2026), model (2), series (3), number (9),
// form of issue (1), code (8) and a mod-11 check digit over the first 43
// (weights 2 to 9 from the right; a remainder of 0 or 1 gives 0; a letter
// counts its code minus 48, as in the CNPJ).
// The check digit of the first 43 characters, or -1 when they are not of
// the key's form.
int NfeKeyCheckDigit(std::string_view first_43);
bool IsValidNfeKey(std::string_view key);

// The IBGE code of a state ("SP" 35, "CE" 23 ...), the first two digits of
// an access key; -1 for a text that names no state.
int IbgeUfCode(std::string_view uf);

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
