// Files written for the user: the bytes go to a temporary file in the
// target's folder, which is renamed onto the target only when everything
// was written. A failure leaves the target as it was (absent, or the old
// file whole) and removes the temporary file.
#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace fiscora {

// A file the program could not write for the user; the message names the
// file and says why, in Portuguese.
class WriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class AtomicFile {
 public:
  // Creates the temporary file beside `target`. Throws WriteError when the
  // folder does not exist or cannot be written.
  explicit AtomicFile(std::filesystem::path target);
  // Without Commit the temporary file is removed; the target is untouched.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Buffered; throws WriteError when the disk refuses the bytes.
  void Write(std::string_view bytes);
  // Flushes, closes and renames the temporary file onto the target
  // (replacing an existing one). Throws WriteError; the target is then
  // unchanged.
  void Commit();

  const std::filesystem::path& target() const { return target_; }

 private:
  void Flush();
  [[noreturn]] void Fail(const std::string& why);
  std::filesystem::path target_;
  std::filesystem::path temp_;
  std::ofstream out_;
  std::string buf_;
  bool committed_ = false;
};

// The whole of `bytes` as the new content of `target`, through AtomicFile.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes);

}  // namespace fiscora
