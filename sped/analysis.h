// The SPED note analysis: the split of an EFD file into the block files of
// blocks C and D (with the participants without state registration in
// cds_0150M), and the reader of the notes and fiscal-printer movement that
// fills cds_nf_sped, cds_mov_ecf_sped, cds_difal and cds_totalizador_icms.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "session/session.h"
#include "sped/fields.h"

namespace fiscora {

// What the split hands to the reader: the input's name for messages, its
// encoding, and for every line of blocoCM.txt and blocoDM.txt the number of
// the input line it came from, so that an error names the user's file.
struct SpedSplit {
  std::string file;
  SpedEncoding encoding = SpedEncoding::kAscii;
  std::vector<uint32_t> c_lines, d_lines;
};

// Working files of the analysis, in the working folder.
inline constexpr const char* kBlocoCM = "blocoCM.txt";
inline constexpr const char* kBlocoDM = "blocoDM.txt";

// Empties cds_0150M, writes blocoCM.txt (every line whose register code
// begins with "C", except C990) and blocoDM.txt (likewise "D", except D990)
// with the input's own bytes and CR LF line ends, and adds to cds_0150M one
// row per 0150 line whose state registration (field 6, filled) is "0" or
// empty. Reading stops after the 9999 line. Throws FileError when the input
// cannot be read or a block file cannot be written.
SpedSplit SplitSpedForAnalysis(Session& s, const std::filesystem::path& path);

// Reads blocoCM.txt and then blocoDM.txt. Empties cds_totalizador_icms,
// cds_mov_ecf_sped and cds_difal; appends to cds_nf_sped (which the caller
// has emptied). Returns whether any C481 line was read. A malformed number or
// date throws SpedConversionError naming the input file, its line and the
// register; rows stored before it stay.
bool ReadSpedNotes(Session& s, const SpedSplit& split);

// The whole analysis as the SPED window runs it: empties cds_nf_sped, splits
// the file, reads the notes, enables DS_nf_sped and records the file and the
// C481 report in s.sped. Returns the C481 report.
bool AnalyseSpedFile(Session& s, const std::filesystem::path& path);

}  // namespace fiscora
