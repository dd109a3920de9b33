// The SPED merge window's routines (frm_sped): the merge input that cuts
// each chosen EFD-Contribuições file into the merge files and lists its
// establishments, and "Mesclar", which writes the merged file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "session/session.h"
#include "sped/fields.h"

namespace fiscora {

// The window's creation: empties the status, the output folder and the
// company list (s.sped_merge), and deletes the four merge files of the
// working folder.
void frm_spedFormCreate(Session& s);

// The company-list entry of a 0140 line (raw bytes in the file's encoding):
// CnpjMask of the CNPJ, " - ", the name, both taken from the line with its
// empty fields filled (so an empty establishment code shifts nothing);
// UTF-8 text.
std::string CompanyEntry(std::string_view line, SpedEncoding encoding);

// The merge input for a chosen file (dlg_spedCanClose): when one of its
// establishments is already listed, "Arquivo já esta presente na listagem!"
// and nothing changes; otherwise its establishments join the list and its
// lines are appended to the merge files (the header lines only for the first
// file of a merge). The file is read up to its |9999| line; UTF-8 lines are
// stored in Windows-1252, single-byte lines byte for byte. A file that cannot
// be read (FileError) leaves the list and the merge files as they were.
// Enables btn_f. Returns whether the file was accepted.
bool dlg_spedCanClose(Session& s, const std::string& path);

// "Adicionar" (btn_m) and "Filial" (btn_f): the file-open dialog dlg_sped
// (filter *.txt); a confirmed file goes through dlg_spedCanClose, a
// cancelled dialog does nothing.
void btn_mClick(Session& s);

// "Mesclar" (btn_mesclarClick): fewer than two companies listed gives
// "Adicione duas ou mais empresas."; then the confirmation, the folder choice
// (cancelled with no folder ever chosen: stop; cancelled otherwise: the last
// folder), the merged file with its progress in lblStatus, and "Mesclagem
// efetuada com sucesso.". Returns true when the window is to close (the file
// was written).
bool btn_mesclarClick(Session& s);

}  // namespace fiscora
