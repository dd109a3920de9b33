// The state of the SPED analysis that outlives one routine: the file last
// analysed and what its reading reported.
#pragma once

#include <string>

namespace fiscora {

struct SpedState {
  std::string file;       // path of the file last analysed (UTF-8), shown in edt_arq_sped
  bool analysed = false;  // a file has been read: DS_nf_sped is enabled
  bool c481 = false;      // the file last read held C481 lines
};

}  // namespace fiscora
