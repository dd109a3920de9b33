// A generator of SPED EFD-Contribuições files of one company file (a head
// office or a branch): the opening registers, its establishments (0140) with
// participants, units and items, notes C100 with items C170 per
// establishment, optionally C500 energy bills, transport documents D100,
// the M block and block 9 with true counts. The output depends only on the
// options (no clock, no locale, no standard distributions).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace fiscora {

struct ContribEstablishment {
  std::string cnpj;  // 14 digits
  std::string name;  // Windows-1252 text (written as UTF-8 with utf8)
};

struct ContribOptions {
  std::vector<ContribEstablishment> establishments{{"11222333000181", "COMERCIO EXEMPLO LTDA"}};
  int64_t lines = 1000;  // about this many lines up to |9999|
  uint32_t seed = 1;
  bool c500 = false;        // energy bills C500/C501/C505 per establishment
  bool utf8 = false;        // names and descriptions as UTF-8
  bool signature = false;   // a binary block after |9999|, as signed files carry
  bool empty_code = false;  // 0140 lines without the establishment code
};

// Writes the file; returns the number of lines up to and including |9999|.
int64_t GenerateContrib(std::ostream& out, const ContribOptions& options);

}  // namespace fiscora
