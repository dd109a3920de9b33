// The record 90 rebuild over any bytes (it works on any text file): the copy
// "Modif_" is written beside the input, or the rebuild stops with an error it
// reports to the user.
#include "data/atomic_file.h"
#include "fuzz_common.h"
#include "sintegra/layout.h"
#include "sintegra/record90.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fiscora;
  std::string path = fuzz::WriteInput(data, size);
  fuzz::FuzzSession f;
  try {
    RebuildRecord90(PathFromUtf8(path), f.ui);
  } catch (const ConversionError&) {
  } catch (const FileWriteError&) {
  } catch (const FileError&) {
  }
  return 0;
}
