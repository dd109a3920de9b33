// The merged SPED EFD-Contribuições file: the head office's opening
// registers, the block 0, C and D lines of every added file, the openings and
// closings of every block and block 9, written from the merge files of the
// working folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "session/user_interface.h"

namespace fiscora {

// The merge files, in the working folder.
inline constexpr const char* kMergeHeaderFile = "CABEC.txt";
inline constexpr const char* kMergeBlock0File = "bloco0.txt";
inline constexpr const char* kMergeBlockCFile = "blocoC.txt";
inline constexpr const char* kMergeBlockDFile = "blocoD.txt";
inline constexpr const char* kMergedFileName = "SPED_mesclado.txt";

// The register code of a line as SpedRegister gives it, without copying in
// the usual case of a line that starts with "|" and a four-character code
// with no blank or apostrophe; otherwise SpedRegister's result, kept in
// `scratch`. The view lives as long as the line and `scratch`.
std::string_view RegisterCodeOf(std::string_view line, std::string& scratch);

// Counts lines by register code and keeps the codes in the order of their
// first line.
class RegisterTally {
 public:
  void Add(std::string_view code);
  // (code, count) in the order in which the codes first appeared.
  const std::vector<std::pair<std::string, int64_t>>& entries() const { return entries_; }

 private:
  std::vector<std::pair<std::string, int64_t>> entries_;
  // Index into entries_: four-character codes by their bytes, others by text.
  std::unordered_map<uint32_t, size_t> short_codes_;
  uint32_t last_key_ = 0;  // the code of the last line counted, if of four characters
  size_t last_index_ = SIZE_MAX;
  std::map<std::string, size_t, std::less<>> long_codes_;
};

// Writes folder / "SPED_mesclado.txt" (single-byte text, CR LF) from the
// merge files in `working_folder`:
//   CABEC.txt and bloco0.txt, |0990|, |A001|1| |A990|2|,
//   |C001|, blocoC.txt, |C990|, |D001|, blocoD.txt, |D990|,
//   the empty blocks F, M and 1, and block 9.
// Every count is taken from the lines written: each closing line counts its
// block's lines (its opening and itself included; block 0 from |0000|),
// block 9 holds one |9900| line per register code present in the file, in the
// order of first appearance, with its count, then those of 9900, 9990 and
// 9999; |9999| holds the number of lines of the file.
// `status` receives "Criando bloco 0 ...", "Criando bloco C ...", "Criando
// bloco D ...", "Criando blocos finais ..." and "Finalizado!". The window
// breathes between lines. The file is written under a temporary name in the
// folder and renamed at the end: on any failure (FileError) no partial file
// is left and an earlier SPED_mesclado.txt stays as it was. The merge files
// are left untouched.
void WriteMergedSped(const std::filesystem::path& working_folder,
                     const std::filesystem::path& folder, UserInterface& ui,
                     const std::function<void(std::string_view)>& status);

}  // namespace fiscora
