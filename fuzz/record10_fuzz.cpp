// The identification of a file from its record 10 lines.
#include "fuzz_common.h"
#include "sintegra/header.h"
#include "sintegra/layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fiscora;
  std::string path = fuzz::WriteInput(data, size);
  fuzz::FuzzSession f;
  try {
    ReadFileHeader(f.s, path);
  } catch (const FileError&) {
  }
  fuzz::CheckEnvelope(f);
  return 0;
}
