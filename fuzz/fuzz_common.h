// Shared by the fuzz targets: a private folder for the input file and the
// working files, and a session over a recording user interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "session/headless_session.h"
#include "sintegra/layout.h"
#include "workflow/envelope.h"

namespace fiscora::fuzz {

// The folder of this process alone: fuzzers run side by side (two targets at
// once, or libFuzzer's -jobs) must not write each other's input file. It is
// removed when the process ends normally; a crash leaves it for a look.
inline const std::filesystem::path& Folder();

inline void RemoveFolder() {
  std::error_code ec;
  std::filesystem::remove_all(Folder(), ec);
}

inline const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::random_device random;
    auto p = std::filesystem::temp_directory_path() /
             ("fiscora-fuzz-" + std::to_string(random()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(p);
    return p;
  }();
  // Registered once the path is made, so it runs before the path is gone.
  static const bool removed_at_exit = (std::atexit(RemoveFolder), true);
  (void)removed_at_exit;
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
struct FuzzSession : HeadlessSession {
  FuzzSession() : HeadlessSession(Folder()) {}
};

// What fiscora-cli would print for the session: it must be valid UTF-8
// whatever bytes the input held (a raw byte copied into a label or the state
// would make the JSON invalid).
inline void CheckEnvelope(const FuzzSession& f) {
  if (!IsValidUtf8(BuildEnvelope(f.s, f.ui.messages, EnvelopeOptions{}))) std::abort();
}

}  // namespace fiscora::fuzz
