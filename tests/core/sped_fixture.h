// Test helpers: SPED lines built by the published field numbers, and a
// session with its analysis tables at hand.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sintegra_fixture.h"

namespace fiscora::testing {

// |REG|f2|...|fN| with N published fields (the register is field 1); the
// given fields by their published numbers, every other one empty.
inline std::string Sped(std::string_view reg, int fields,
                        std::initializer_list<std::pair<int, std::string_view>> values) {
  std::vector<std::string> f(static_cast<size_t>(fields) + 1);
  f[1] = std::string(reg);
  for (const auto& [n, v] : values) f[static_cast<size_t>(n)] = std::string(v);
  std::string line = "|";
  for (size_t i = 1; i < f.size(); ++i) line += f[i] + "|";
  return line;
}

// The opening |0000| of each kind of EFD file, with its published fields:
// EFD ICMS/IPI (15 fields, the period in 4 and 5) and EFD-Contribuições (14
// fields, the period in 6 and 7). Dates as DDMMAAAA.
inline std::string Efd0000Icms(std::string_view start, std::string_view end,
                               std::string_view name = "EMPRESA",
                               std::string_view cnpj = "12345678000195") {
  return Sped("0000", 15,
              {{2, "017"},
               {3, "0"},
               {4, start},
               {5, end},
               {6, name},
               {7, cnpj},
               {9, "SP"},
               {10, "110042490114"},
               {11, "3550308"},
               {14, "A"},
               {15, "1"}});
}
inline std::string Efd0000Contrib(std::string_view start, std::string_view end,
                                  std::string_view name = "EMPRESA",
                                  std::string_view cnpj = "12345678000195") {
  return Sped("0000", 14,
              {{2, "006"},
               {3, "0"},
               {6, start},
               {7, end},
               {8, name},
               {9, cnpj},
               {10, "SP"},
               {11, "3550308"},
               {13, "00"},
               {14, "0"}});
}

// Common registers with the fields the analysis reads.
inline std::string C100(std::string_view oper, std::string_view part, std::string_view num,
                        std::string_view date, std::string_view value,
                        std::string_view bc_icms = "0", std::string_view icms = "0") {
  return Sped("C100", 29,
              {{2, oper},
               {3, "0"},
               {4, part},
               {5, "55"},
               {6, "00"},
               {7, "1"},
               {8, num},
               {10, date},
               {11, date},
               {12, value},
               {21, bc_icms},
               {22, icms},
               {26, "1,65"},
               {27, "7,60"},
               {24, "0"}});
}
inline std::string C170(std::string_view cfop, std::string_view value, std::string_view bc_pis,
                        std::string_view bc_cofins) {
  return Sped("C170", 37,
              {{2, "1"},
               {3, "P1"},
               {5, "1"},
               {6, "UN"},
               {7, value},
               {11, cfop},
               {26, bc_pis},
               {32, bc_cofins}});
}
inline std::string C190(std::string_view cfop) {
  return Sped("C190", 12, {{2, "000"}, {3, cfop}, {4, "18,00"}, {5, "100,00"}});
}
inline std::string P0150(std::string_view code, std::string_view name, std::string_view cnpj,
                         std::string_view cpf, std::string_view ie) {
  return Sped("0150", 13,
              {{2, code}, {3, name}, {4, "01058"}, {5, cnpj}, {6, cpf}, {7, ie}, {8, "2304400"}});
}

}  // namespace fiscora::testing
