// The check a SINTEGRA file passes before any load starts: a file the
// program can read, not empty, a text file (no NUL byte) whose first line
// that is not blank is a record 10. A file that fails is refused with its
// name, the line (0 for the file as a whole) and the reason in plain words,
// before a table is touched or a working file written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <future>
#include <string>
#include <string_view>

#include "sintegra/layout.h"

namespace fiscora {

// Throws InputRefusal unless `path` names an existing file (not a folder)
// that can be opened for reading. For every reader, SINTEGRA or not.
void CheckReadableFile(const std::string& path);

// CheckReadableFile, then the content: not empty (blank lines only count as
// empty), no NUL byte anywhere, the first line that is not blank a record 10
// (a UTF-8 byte-order mark before it is skipped). Throws InputRefusal.
// Returns the number of lines as the line reader cuts them (CountLines), so
// that a load needs no other pass to know it.
int64_t CheckSintegraInput(const std::string& path);

// What tells that a file changed: its size and the time of its last change.
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type written{};
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);
// Throws InputRefusal (line 0) when the file's stamp is no longer `before`:
// a file truncated or rewritten while a run read it gives no result.
void CheckUnchanged(const std::string& path, const FileStamp& before);

// A file checked for a load: its stamp, taken before the check read it, and
// its line count.
struct CheckedInput {
  FileStamp stamp;
  int64_t lines = 0;
};
// StampOf, then CheckSintegraInput.
CheckedInput CheckSintegraFile(const std::string& path);

// CheckSintegraFile run on a thread of its own ahead of the run that needs
// it, so that the check's pass over the file goes on beside other work
// (fiscora-cli checks the file while the file's header is read). Result()
// waits for it and gives its outcome, the count or the refusal thrown again,
// for the path it checked; for another path, or asked a second time, it
// checks there and then. The destructor waits for the thread.
class InputCheckAhead {
 public:
  explicit InputCheckAhead(std::string path);
  InputCheckAhead(const InputCheckAhead&) = delete;
  InputCheckAhead& operator=(const InputCheckAhead&) = delete;
  CheckedInput Result(const std::string& path);

 private:
  std::string path_;
  std::future<CheckedInput> outcome_;
};

// The first characters (at most 16, after a UTF-8 byte-order mark) of the
// first line of `path` that is not blank, read from the file's first 64 KiB;
// empty when the file cannot be read or holds no such line. A quick look for
// lists of files, not a check: loads still run CheckSintegraInput.
std::string FirstLineHead(const std::string& path);
// FirstLineHead is a record 10.
bool LooksLikeSintegraFile(const std::string& path);

}  // namespace fiscora
