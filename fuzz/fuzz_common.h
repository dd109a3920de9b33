// Shared by the fuzz targets: a private folder for the input file and the
// working files, and a session over a recording user interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/catalogue.h"
#include "session/main_window_state.h"
#include "session/recording_ui.h"
#include "session/session.h"

namespace fiscora::fuzz {

inline const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    auto p = std::filesystem::temp_directory_path() /
             ("fiscora-fuzz-" +
              std::to_string(std::hash<std::string>{}(std::filesystem::current_path().string())));
    std::filesystem::create_directories(p);
    return p;
  }();
  return folder;
}

// Writes the input to a file of the private folder and returns its path.
inline std::string WriteInput(const uint8_t* data, size_t size, const char* name = "input.txt") {
  std::filesystem::path path = Folder() / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path.string();
}

// A fresh main window and data module for every input.
struct FuzzSession {
  TdtmCENTRAL dtm;
  RecordingUserInterface ui;
  MainWindowState frm{&ui};
  Session s{dtm, frm, ui, Folder()};
  FuzzSession() { InitMainWindow(frm); }
};

}  // namespace fiscora::fuzz
