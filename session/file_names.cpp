#include "session/file_names.h"

namespace fiscora {

std::string ProposedFileName(std::string_view input_path, std::string_view export_kind,
                             std::string_view extension) {
  std::string_view name = input_path;
  if (const size_t slash = name.find_last_of("/\\"); slash != std::string_view::npos)
    name.remove_prefix(slash + 1);
  // A leading dot names a hidden file, not an extension.
  if (const size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0)
    name = name.substr(0, dot);
  std::string out(name);
  if (!out.empty()) out += " - ";
  out += export_kind;
  if (!extension.empty()) {
    out += '.';
    out += extension;
  }
  return out;
}

}  // namespace fiscora
