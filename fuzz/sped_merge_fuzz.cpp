// The SPED merge over any bytes: the input is added twice (head office, then
// as a branch; the second is refused as a duplicate when it lists an
// establishment), then the merged file is written from the merge files.
#include "data/atomic_file.h"
#include "fuzz_common.h"
#include "sintegra/layout.h"
#include "sped/merge.h"
#include "sped/merged_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fiscora;
  std::string path = fuzz::WriteInput(data, size);
  fuzz::FuzzSession f;
  frm_spedFormCreate(f.s);
  try {
    dlg_spedCanClose(f.s, path);
    dlg_spedCanClose(f.s, path);
    const std::filesystem::path out = fuzz::Folder() / "saida";
    std::filesystem::create_directories(out);
    WriteMergedSped(f.s.working_folder, out, f.ui, [](std::string_view) {});
  } catch (const SpedConversionError&) {
  } catch (const FileWriteError&) {
  } catch (const FileError&) {
  }
  return 0;
}
