// The SPED notes analysis over any bytes: the input check, then the split of
// the file into its block files and the notes and fiscal-printer reader. The
// analysis ends normally or with one of the errors it reports to the user.
#include "fuzz_common.h"
#include "sintegra/layout.h"
#include "sped/analysis.h"
#include "sped/input_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fiscora;
  std::string path = fuzz::WriteInput(data, size);
  fuzz::FuzzSession f;
  try {
    CheckEfdInput(PathFromUtf8(path));
  } catch (const InputRefusal&) {
  }
  // The reader takes fragments too: it runs whatever the check said.
  try {
    AnalyseSpedFile(f.s, PathFromUtf8(path));
  } catch (const SpedConversionError&) {
  } catch (const FileError&) {
  }
  fuzz::CheckEnvelope(f);
  return 0;
}
