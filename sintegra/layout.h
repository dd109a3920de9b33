// Reading SINTEGRA lines: lines as bytes, fields by their spec in the record
// layouts (sintegra/record_layout.h), and the field forms (text, trimmed,
// date, N i.d, N i).
//
// Encoding: columns are byte positions in the usual single-byte
// (Windows-1252) files. A file that is UTF-8 (a byte-order mark, or its
// first line with a byte above 0x7F is valid UTF-8) is read by characters,
// so its fields land in the same columns. Texts are handed out as UTF-8.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

#include "data/block_lines.h"
#include "data/large_block.h"
#include "data/money.h"
#include "data/text.h"
#include "sintegra/record_layout.h"

namespace fiscora {

// A field that must be a number and is not. The message names the file, the
// line, the record type, the columns, the field and the text found.
class ConversionError : public std::runtime_error {
 public:
  // line_length: the line's length in columns, when the field may run past
  // its end (-1: not known); a field past the end is reported as missing
  // columns instead of a bad number.
  // date: the field is a date ("não é uma data válida").
  ConversionError(std::string file, int64_t line, std::string record, int first_column,
                  int last_column, std::string field, std::string text, int line_length = -1,
                  bool date = false);
  const std::string& file() const { return file_; }
  int64_t line() const { return line_; }
  const std::string& record() const { return record_; }
  int first_column() const { return first_column_; }
  int last_column() const { return last_column_; }
  const std::string& field() const { return field_; }
  const std::string& text() const { return text_; }
  // The message without the file and the line: "registro 50, colunas 57-69
  // (valor total): '12A' não é um número válido.", or for a short line
  // "registro 50, colunas 57-69 (valor total): a linha termina na coluna 60;
  // faltam as colunas 61-69."
  std::string detail() const;

 private:
  std::string file_;
  int64_t line_;
  std::string record_;
  int first_column_, last_column_;
  std::string field_, text_;
  int line_length_ = -1;
  bool date_ = false;
};

// Reads a file line by line in large blocks (BlockLineReader). A line ends
// at LF or CR LF, or at CR in a file whose first line ends with a CR alone;
// a last line without a line break is a line, without a CR at its end; a
// UTF-8 byte-order mark at the start is skipped. Line views stay valid
// until the next call of Next.
class LineReader {
 public:
  explicit LineReader(const std::filesystem::path& path) : lines_(path) {}
  // False at the end of the file.
  bool Next(std::string_view& line) {
    BlockLine l;
    if (!lines_.Next(l)) return false;
    line = l.content;
    if (l.end.empty() && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }
  int64_t line_number() const { return lines_.line_number(); }
  bool had_bom() const { return lines_.had_bom(); }
  const std::filesystem::path& path() const { return lines_.path(); }

 private:
  BlockLineReader lines_;
};

// Writes lines, each followed by CR LF, through a large buffer. A full
// buffer is written to the file by a thread of its own while the next one
// fills, so that the copy into the file overlaps the reading; a failure of
// that write is told by the next Write or by Close, with the same message.
class LineWriter {
 public:
  explicit LineWriter(const std::filesystem::path& path);
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;
  void Write(std::string_view line);
  // Writes what is left and closes the file; throws FileError on failure.
  void Close();

 private:
  void Flush();
  // Waits for the buffer being written; throws FileError if its write failed.
  void Wait();
  std::filesystem::path path_;
  std::ofstream out_;
  LargeVector<char> buf_;
  LargeVector<char> writing_;  // the buffer the thread writes
  std::thread thread_;
  bool failed_ = false;  // set by the thread, read after it is joined
};

// Decides, once per file, whether lines with bytes above 0x7F are UTF-8.
class EncodingSniffer {
 public:
  void SetUtf8() { decided_ = true, utf8_ = true; }
  // Whether this line is to be read by UTF-8 characters.
  bool LineIsUtf8(std::string_view line);

 private:
  bool decided_ = false;
  bool utf8_ = false;
};

bool IsValidUtf8(std::string_view s);
bool IsAscii(std::string_view s);
// Windows-1252 bytes to UTF-8.
std::string Cp1252ToUtf8(std::string_view s);
// A field's text as a message quotes it: as it is when it is UTF-8, else read
// as Windows-1252.
std::string Shown(std::string_view raw);

// One record line with its field readers.
class RecordLine {
 public:
  // file: the name used in error messages; line_number: 1-based.
  RecordLine(std::string_view bytes, bool utf8, const std::string* file = nullptr,
             int64_t line_number = 0);

  std::string_view bytes() const { return bytes_; }
  // The record type as the first `width` characters (2 or 3).
  std::string_view Type(int width) const { return Raw(1, width); }

  // --- a field by its spec. A field past the end of a shorter line reads
  // as the part that exists, possibly empty. None of these allocate but
  // the ones that return a std::string.
  // The field's characters as they stand in the line (bytes).
  std::string_view Raw(const FieldSpec& f) const { return Raw(f.first, f.width); }
  // The field as UTF-8 text, unchanged or trimmed of blanks.
  std::string Text(const FieldSpec& f) const;
  std::string Trimmed(const FieldSpec& f) const;
  // A date AAAAMMDD as dd/mm/yyyy. A field that is not a real day throws
  // ConversionError naming f.
  std::string Date(const FieldSpec& f) const {
    CheckDate(f);
    return Date(f.first);
  }
  // As Trimmed and Date, without a copy: a view of the line, of `scratch`
  // holding the converted text, or of `out` (ten characters at most).
  std::string_view TrimmedView(const FieldSpec& f, std::string& scratch) const {
    return TrimmedView(f.first, f.width, scratch);
  }
  std::string_view DateView(const FieldSpec& f, char (&out)[10]) const {
    CheckDate(f);
    return DateView(f.first, out);
  }
  // N i.d: the whole digits, a comma, the decimals, as money or double; the
  // exact digits as an integer in units of 10^-d; or the joined text itself.
  // A field that is not a number throws ConversionError naming f.
  Money Amount(const FieldSpec& f) const;
  double Float(const FieldSpec& f) const;
  int64_t Scaled(const FieldSpec& f) const;
  std::string Joined(const FieldSpec& f) const;
  // N i: a whole number of i digits, as a 32-bit integer.
  int32_t Integer(const FieldSpec& f) const;

  // --- the same by columns (1-based). For the layout table's own use only:
  // call sites take a FieldSpec. Here, unlike a FieldSpec, an N i.d number
  // is given by its whole digits and its decimals.
  std::string_view Raw(int column, int width) const;
  std::string Text(int column, int width) const;
  std::string Trimmed(int column, int width) const;
  // As Trimmed, without a copy when the field needs no conversion: a view
  // of the line, or of `scratch` holding the converted text.
  std::string_view TrimmedView(int column, int width, std::string& scratch) const;
  // A date AAAAMMDD as dd/mm/yyyy, not validated.
  std::string Date(int column) const;
  // As Date, written into `out` (ten characters at most); returns a view of it.
  std::string_view DateView(int column, char (&out)[10]) const;
  // N i.d: whole digits, a comma, the decimals; as money or double.
  Money Amount(int column, int whole, int decimals, std::string_view field) const;
  double Float(int column, int whole, int decimals, std::string_view field) const;
  int64_t Scaled(int column, int whole, int decimals, std::string_view field) const;
  int32_t Integer(int column, int width, std::string_view field) const;

 private:
  [[noreturn]] void Fail(int column, int width, std::string_view field, bool date = false) const;
  void CheckDate(const FieldSpec& f) const;
  // Whether a field read by Raw has all its columns (the line does not end
  // inside it).
  bool Whole(std::string_view raw, int width) const;
  std::string_view bytes_;
  bool multibyte_;
  const std::string* file_;
  int64_t line_number_;
};

// A path from a UTF-8 text (as the windows and the command line hand them).
inline std::filesystem::path PathFromUtf8(std::string_view s) {
  return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

}  // namespace fiscora
