// Files written for the user (spreadsheets, reports, rebuilt SINTEGRA files,
// merged SPED files) go first to a temporary file in the target's folder and
// are then renamed over the target. A failure at any point removes the
// temporary file and leaves the target as it was: never a half-written file,
// never the old file lost.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace fiscora {

// A file for the user could not be written. what() names the file and the
// reason in Portuguese: "Não foi possível gravar o arquivo X: motivo".
class FileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Why a write failed, in the user's words for what a user can act on (a
// full disk, a size limit, no permission, a read-only disk); the system's
// text otherwise.
std::string WriteFailureReason(const std::error_code& ec);

// The path as UTF-8 text (for messages).
std::string PathText(const std::filesystem::path& path);

// Whether the two paths name the same file: links followed, hard links
// and different spellings of one path included.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Throws FileWriteError naming `output` when it is one of `inputs` (links
// followed): a file the program reads is never overwritten by its results.
void RefuseOutputOverInputs(const std::filesystem::path& output,
                            const std::vector<std::filesystem::path>& inputs);

// A free name for a temporary file in the folder of `target`
// (".<name>.<random>.tmp"); the file is not created.
std::filesystem::path TemporaryPathBeside(const std::filesystem::path& target);

// Calls write(temp) to produce the whole file under a temporary name in the
// target's folder, then renames it over `target` (replacing an existing
// file). A link is followed: its target is replaced (the temporary file
// beside it) and the link stays. The old file's mode and owner pass to the
// new one; an existing file the user may not write is refused before any
// work. For writers that take a path (a spreadsheet library, a PDF printer).
// When write throws, or leaves no file, or the rename fails, the temporary
// file is removed, the target is untouched and FileWriteError (or write's own
// exception) propagates.
void WriteFileAtomically(const std::filesystem::path& target,
                         const std::function<void(const std::filesystem::path& temp)>& write);

// The same for writers that stream bytes:
//
//   AtomicFile f(target);          // opens the temporary file (binary)
//   f.stream() << ...;             // write
//   f.Commit();                    // flush, close, rename over the target
//
// Destroyed without Commit (an exception, an early return), it removes the
// temporary file and leaves the target alone. Open and Commit throw
// FileWriteError.
class AtomicFile {
 public:
  explicit AtomicFile(std::filesystem::path target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  std::ofstream& stream() { return out_; }
  // Writes bytes; throws FileWriteError (and removes the temporary file) as
  // soon as the disk refuses them.
  void Write(std::string_view bytes);
  const std::filesystem::path& target() const { return target_; }
  void Commit();

 private:
  std::filesystem::path target_;
  std::filesystem::path real_;  // the target, links followed
  std::filesystem::path temp_;
  std::ofstream out_;
  bool done_ = false;
};

}  // namespace fiscora
