// Cutting a file into lines, read in large blocks: the one line cutter under
// the SINTEGRA reader, the SPED reader and the byte-exact copy of the
// record 90 rebuild.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "data/large_block.h"

namespace fiscora {

// A file that cannot be opened, read or written.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file refused before (or while) it is read: its name as the user gave
// it, the line and the reason in plain words.
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

// One line of a file. content and end are views that stay valid until the
// next call of BlockLineReader::Next; content followed by end is the line
// exactly as it stands in the file.
struct BlockLine {
  std::string_view content;  // the line's bytes without its line end
  std::string_view end;      // "\n", "\r\n", "\r", or "" for a last line without one
  int64_t number = 0;        // 1-based
};

// What becomes of a UTF-8 byte-order mark at the start of the file.
enum class ByteOrderMark {
  kSkip,  // not part of the first line
  kKeep,  // left at the front of the first line (for copies of the file)
};

// Reads a file block by block and hands out its lines.
//
// Line ends: the file's first line break decides them once for the whole
// file. When it is a CR not followed by an LF (or a CR that is the file's
// last byte), only CR ends a line and an LF is an ordinary byte. Otherwise
// a line ends at LF, and a CR just before that LF belongs to the line end
// ("\r\n"). Any other line break byte in a line (a CR alone in a file of
// LF or CR LF ends, an LF in a file of CR ends, as in CR CR LF ends) mixes
// line ends: the line is refused (InputRefusal naming it), for one reader
// would cut it there and another would not. A CR that is the file's last
// byte is let be.
// A last line without a line break is a line; a file that ends with a line
// break has no empty line after it; an empty file has no line.
//
// Blocks are block_size bytes of the file in turn, read only when the lines
// before them are used up; a line may span any number of blocks, and a CR
// at the end of one block followed by an LF at the start of the next is one
// "\r\n" end. The first read takes at least three bytes, so that a
// byte-order mark is always seen whole.
//
// Errors: FileError "Não foi possível abrir o arquivo P" from the
// constructor, "Erro de leitura no arquivo P" from Next, and from Next the
// InputRefusal of a line with mixed line ends.
class BlockLineReader {
 public:
  static constexpr size_t kDefaultBlockSize = size_t{256} << 10;

  explicit BlockLineReader(const std::filesystem::path& path, size_t block_size = kDefaultBlockSize,
                           ByteOrderMark bom = ByteOrderMark::kSkip);
  virtual ~BlockLineReader() = default;
  BlockLineReader(BlockLineReader&&) = default;
  BlockLineReader& operator=(BlockLineReader&&) = default;

  // The next line; false at the end of the file.
  bool Next(BlockLine& line);
  // The number of the line last handed out (0 before the first).
  int64_t line_number() const { return line_number_; }
  // Whether the file starts with a UTF-8 byte-order mark (known once the
  // first line has been asked for).
  bool had_bom() const { return had_bom_; }
  const std::filesystem::path& path() const { return path_; }

 protected:
  // Called with the bytes of each block as soon as it is read, before any
  // line that ends in it is handed out (a skipped byte-order mark left out,
  // so that a file of a mark alone gives one empty block); had_bom() is
  // already known at the first call.
  virtual void OnBlock(std::string_view /*bytes*/) {}

 private:
  bool Fill();
  void DecideLineEnds();
  void CheckNoOtherBreak(std::string_view content, std::string_view end) const;
  void Hand(std::string_view content, std::string_view end, BlockLine& line) {
    CheckNoOtherBreak(content, end);
    line.content = content;
    line.end = end;
    line.number = ++line_number_;
  }

  std::filesystem::path path_;
  std::ifstream in_;
  size_t block_size_;
  ByteOrderMark bom_;
  LargeBlock<char> buf_;
  std::string carry_;  // a line that runs over the end of a block
  size_t pos_ = 0, end_ = 0;
  int64_t line_number_ = 0;
  char break_ = '\n';  // the byte that ends a line: '\r' in a file of CR ends
  bool ends_decided_ = false;
  bool crlf_ = false;        // the first line break is CR LF (for messages)
  bool cr_pending_ = false;  // the first line break is a CR that ended a block
  bool first_read_ = true;
  bool eof_ = false;
  bool had_bom_ = false;
};

}  // namespace fiscora
