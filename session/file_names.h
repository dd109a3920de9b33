// File names the program proposes to the user.
#pragma once

#include <string>
#include <string_view>

namespace fiscora {

// The name a save dialog offers for an export: the input file's name
// without its folder and extension, " - ", the kind of export and the
// extension ("C:/dados/loja_03-2025.txt", "inventario", "xlsx" gives
// "loja_03-2025 - inventario.xlsx"). Both "/" and "\" end a folder. With no
// input file the name is the kind of export alone ("inventario.xlsx").
std::string ProposedFileName(std::string_view input_path, std::string_view export_kind,
                             std::string_view extension);

}  // namespace fiscora
