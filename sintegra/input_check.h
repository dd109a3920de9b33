// The check a SINTEGRA file passes before any load starts: a file the
// program can read, not empty, a text file (no NUL byte) whose first line
// that is not blank is a record 10. A file that fails is refused with its
// name, the line (0 for the file as a whole) and the reason in plain words,
// before a table is touched or a working file written.
#pragma once

#include <cstdint>
#include <string>

#include "sintegra/layout.h"

namespace fiscora {

class InputRefusal : public FileError {
 public:
  InputRefusal(std::string file, int64_t line, std::string reason);
  const std::string& file() const { return file_; }
  // 1-based; 0 when the refusal is about the file as a whole.
  int64_t line() const { return line_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string file_;
  int64_t line_;
  std::string reason_;
};

// Throws InputRefusal unless `path` names an existing file (not a folder)
// that can be opened for reading. For every reader, SINTEGRA or not.
void CheckReadableFile(const std::string& path);

// CheckReadableFile, then the content: not empty (blank lines only count as
// empty), no NUL byte anywhere, the first line that is not blank a record 10
// (a UTF-8 byte-order mark before it is skipped). Throws InputRefusal.
// Returns the number of lines as the line reader cuts them (CountLines), so
// that a load needs no other pass to know it.
int64_t CheckSintegraInput(const std::string& path);

}  // namespace fiscora
