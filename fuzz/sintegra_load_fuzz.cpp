// The file choice, the input check and the "Normal" load of a SINTEGRA file: whatever the
// bytes, the load ends normally or with one of the errors it reports to the
// user, never with a crash.
#include "fuzz_common.h"
#include "sintegra/input_check.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"
#include "workflow/file_choice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fiscora;
  std::string path = fuzz::WriteInput(data, size);
  fuzz::FuzzSession f;
  try {
    FileChosen(f.s, path);
    // The load runs on what the check lets through; its refusal is the end.
    CheckSintegraInput(path);
    f.s.sintegra.expected_lines = CountLines(f.s, path);
    LoadSintegraFile(f.s, path, LoadMode::Normal);
  } catch (const ConversionError&) {
  } catch (const FileError&) {
  }
  fuzz::CheckEnvelope(f);
  return 0;
}
