#include "workflow/file_choice.h"

#include <cstdlib>
#include <filesystem>

#include "sintegra/header.h"
#include "sintegra/layout.h"

namespace fiscora {

namespace {

const char kMissingFile[] = "O arquivo selecionado não existe! Tente localiza-lo novamente.";

// The initial folder of the file dialogs: the user's desktop.
std::string DesktopFolder() {
#ifdef _WIN32
  const char* home = std::getenv("USERPROFILE");
#else
  const char* home = std::getenv("HOME");
#endif
  return (std::filesystem::path(home && *home ? home : ".") / "Desktop").string();
}

}  // namespace

void SetEdtarqText(Session& s, std::string text) {
  SetSintegraFile(s, std::move(text));
  s.frm.sbtnverificar.SetEnabled(!s.sintegra.file.empty());
}

void StartFileChoice(Session& s) {
  ResetMainWindow(s, ResetMode::Tables);
  SetEdtarqText(s, "");
}

void sbtnarqClick(Session& s) {
  StartFileChoice(s);
  if (auto chosen = s.ui.ChooseOpenFile("texto|*.txt", DesktopFolder(), FileKind::kSintegra)) {
    SetEdtarqText(s, *chosen);
  }
  FileChosen(s, s.sintegra.file);
}

void ChooseFile(Session& s, std::string_view path) {
  const std::string chosen(path);  // path may be the chosen file's own text
  StartFileChoice(s);
  FileChosen(s, chosen);
}

void FileChosen(Session& s, std::string_view path_text) {
  std::string path(path_text);
  SetEdtarqText(s, path);
  std::error_code ec;
  if (!path.empty() && std::filesystem::is_regular_file(PathFromUtf8(path), ec)) {
    ReadFileHeader(s, path);
    s.frm.btn_reg90.SetEnabled(true);
  } else if (!Trim(path).empty()) {
    s.ui.Message("ATENÇÃO!!!", kMissingFile);
    SetEdtarqText(s, "");
  }
}

}  // namespace fiscora
