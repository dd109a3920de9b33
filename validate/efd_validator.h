// The structural validation of an EFD file (ICMS/IPI or Contribuições) in
// one streaming pass: the "|" frame of every line, |0000| first and |9999|
// last (anything after |9999|, such as the digital signature, is not read),
// every block opened by its X001 and closed by its X990 with the block's
// line count, the block 9 counts (9900) against the registers found, 9990
// and the |9999| total, the check digits of the CNPJ and CPF of 0000, 0140
// and 0150 (and the IE of 0000), and the period of 0000 (start not after
// end, within one month). Documents dated outside the period are legitimate
// and not reported. The layout (EFD ICMS/IPI or EFD-Contribuições) is told
// by the 0000 line; the content rules of efd_content.h run in the same pass.
//
// In the findings of an EFD file the column range is the field number:
// field 1 is the register code, field 2 the one after it.
#pragma once

#include <filesystem>

#include "session/user_interface.h"
#include "validate/finding.h"

namespace fiscora {

ValidationReport ValidateEfd(const std::filesystem::path& file, UserInterface& ui);

}  // namespace fiscora
