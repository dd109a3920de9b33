// SPED lines: field access, the small field conversions, the line reader of
// SPED files and the routing of merge input lines into the merge files.
//
// A SPED line is |REG|field|field|...|. Field 0 is the register code, field
// n the n-th field after it. The field access drops empty fields, so on a raw
// line an empty field shifts every later one to the left; readers that need
// the published positions fill the line first (SpedFillTwice). After
// filling, field n is the field the published layout numbers n+1.
//
// Quote characters are ordinary characters: a double quote or an apostrophe
// inside a description never joins the fields after it.
//
// Encodings: SPED files come as UTF-8 (with or without a byte-order mark),
// Windows-1252 or DOS code page 850. Lines are handed out as the file's own
// bytes (block and merge files keep them unchanged); texts meant for the
// user are decoded to UTF-8 with DecodeSpedText.
//
// Errors: a file that cannot be opened or read throws fiscora::FileError
// (sintegra/layout.h); a field that must be a number and is not throws
// SpedConversionError, naming the file, the line and the register.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/block_lines.h"
#include "data/money.h"

namespace fiscora {

// ------------------------------------------------------------ field access

// The text of field n of the line (0 = register code), or empty text when
// the line has n or fewer fields. The rule: the first apostrophe of the line
// is deleted (later ones stay); the line is cut at every "|"; leading blanks
// (space, CR, LF) of each piece are skipped, trailing blanks stay; pieces
// that are then empty are dropped; the remaining pieces count from 0.
//   SpedField("|C100|0||4512|", 2) == "4512"
//   SpedField("| C100 |", 0) == "C100 "
std::string SpedField(std::string_view line, int n);

// One pass of filling: every "||" becomes "|0|", scanning on after the
// replaced text, so a run of empty fields is only half filled:
//   SpedFillEmpty("|||") == "|0||".
std::string SpedFillEmpty(std::string_view line);
// Two passes of SpedFillEmpty: no empty field is left ("|A|||B|" becomes
// "|A|0|0|B|"). Fields of blanks only are not filled.
std::string SpedFillTwice(std::string_view line);

// The fields of one line, cut once and taken by index as views. Same rule as
// SpedField, after filling as asked. Parse reuses the object's buffers, so a
// reader keeps one SpedFields and parses every line into it without
// allocating once the buffers have grown. Views stay valid until the next
// Parse.
class SpedFields {
 public:
  enum class Fill {
    kRaw,    // the line as read
    kOnce,   // one pass of SpedFillEmpty
    kTwice,  // two passes (SpedFillTwice)
  };
  SpedFields() = default;
  explicit SpedFields(std::string_view line, Fill fill = Fill::kRaw) { Parse(line, fill); }
  // last >= 0: only fields 0 to last are wanted; the cut may stop there
  // (the fields after it read as absent). They come out as a full cut gives
  // them.
  void Parse(std::string_view line, Fill fill = Fill::kRaw, int last = -1);
  // Field n, or empty when the line has n or fewer fields (n < 0 too).
  std::string_view operator[](int n) const {
    if (n < 0 || static_cast<size_t>(n) >= pieces_.size()) return {};
    const Piece& p = pieces_[static_cast<size_t>(n)];
    return std::string_view(text_.data() + p.start, p.size);
  }
  int size() const { return static_cast<int>(pieces_.size()); }

 private:
  struct Piece {
    uint32_t start, size;
  };
  bool Split(std::string_view line, Fill fill, bool apostrophes, size_t wanted);
  std::string text_, scratch_;
  std::vector<Piece> pieces_;
};

// The fields of a line framed by "|", cut at every "|" with an empty field
// kept empty (no filling, no apostrophe rule): fields[1] is the register,
// fields[n] the field the published layout numbers n. The views point into
// the line; `fields` is reused, so a reader cuts every line without
// allocating once it has grown.
void SpedCutFields(std::string_view line, std::vector<std::string_view>& fields);

// The register code (field 0) of a line, untrimmed, as SpedField gives it.
std::string SpedRegister(std::string_view line);

// A 14-digit CNPJ as 12.345.678/0001-95: characters 1-2, ".", 3-5, ".", 6-8,
// "/", 9-12, "-", 13-14 (characters past the end of a shorter text are
// simply absent; the punctuation stays).
std::string CnpjMask(std::string_view text);

// A date ddmmyyyy as dd/mm/yyyy (characters 1-2, "/", 3-4, "/", 5-8), not
// validated.
std::string SpedDate(std::string_view text);

// Trimmed of blanks (space, tab, CR, LF) at both ends.
std::string_view SpedTrim(std::string_view s);

// ------------------------------------------------------------ conversions

// A SPED field that must be a number (or a date) and is not. field_index is
// the index SpedField uses; the message shows the published field number
// (index + 1): "Erro de conversão no arquivo X, linha 7: registro C100,
// campo 12 (VL_DOC): '12A' não é um número válido." (for a date: "não é uma
// data válida (ddmmaaaa).").
class SpedConversionError : public std::runtime_error {
 public:
  SpedConversionError(std::string file, int64_t line, std::string record, int field_index,
                      std::string field, std::string text, bool date = false);
  bool is_date() const { return date_; }
  const std::string& file() const { return file_; }
  int64_t line() const { return line_; }
  const std::string& record() const { return record_; }
  int field_index() const { return field_index_; }
  const std::string& field() const { return field_; }
  const std::string& text() const { return text_; }
  // The message without the file and the line.
  std::string detail() const;

 private:
  std::string file_;
  int64_t line_;
  std::string record_;
  int field_index_;
  std::string field_, text_;
  bool date_;
};

// Where a field was read, for the error message.
struct SpedWhere {
  std::string_view file;  // the input file as the user named it
  int64_t line = 0;       // 1-based line of that file
  std::string_view record;
};

// A money field with a decimal comma ("1234,56", "0", "-3,5"); anything else
// throws SpedConversionError with where, field_index and field_name.
Money SpedMoney(std::string_view text, const SpedWhere& where, int field_index,
                std::string_view field_name);
// A whole number (the note number); as SpedMoney otherwise.
int32_t SpedInteger(std::string_view text, const SpedWhere& where, int field_index,
                    std::string_view field_name);
// A date field of eight digits ddmmyyyy as dd/mm/yyyy (SpedDate); anything
// else throws SpedConversionError. Day and month are not checked further.
std::string SpedDateField(std::string_view text, const SpedWhere& where, int field_index,
                          std::string_view field_name);

// ------------------------------------------------------------ encodings

enum class SpedEncoding {
  kAscii,  // no byte above 0x7F seen (yet)
  kUtf8,
  kWindows1252,
  kCp850,
};

// Decides the encoding of a sample of a file's bytes (only the part before a
// "|9999|" is judged, since a signature block follows it): UTF-8 when every byte
// above 0x7F belongs to a valid UTF-8 sequence (a sequence cut at the end of
// the sample is allowed); otherwise code page 850 when its reading of the
// high bytes gives more Portuguese letters that fit the letter case of their
// neighbours than the Windows-1252 reading; otherwise Windows-1252. kAscii
// when the sample has no byte above 0x7F.
SpedEncoding SniffSpedEncoding(std::string_view sample);

// The bytes as UTF-8 text. ASCII is returned unchanged; a line that is not
// valid UTF-8 in a UTF-8 file is read as Windows-1252.
std::string DecodeSpedText(std::string_view bytes, SpedEncoding encoding);

// ------------------------------------------------------------ line reader

// Reads a SPED file line by line in large blocks (BlockLineReader). A line
// ends at LF or CR LF, or at CR in a file whose first line ends with a CR
// alone (elsewhere a lone CR stays in the line); a last line without a
// break is a line, without a CR at its end; a UTF-8 byte-order mark at the
// start is skipped. Reading stops after the line whose register code
// (trimmed) is 9999: what follows in a signed file is a binary signature
// block, not data. The encoding is decided on the first block that holds a
// byte above 0x7F (SniffSpedEncoding), or given.
class SpedLineReader : private BlockLineReader {
 public:
  // Throws FileError when the file cannot be opened.
  explicit SpedLineReader(const std::filesystem::path& path,
                          std::optional<SpedEncoding> encoding = std::nullopt);
  // The next line's bytes without its line break; false at the end of the
  // file or after the 9999 line. The view stays valid until the next call.
  bool Next(std::string_view& line);
  // 1-based number of the line last returned.
  using BlockLineReader::line_number;
  SpedEncoding encoding() const { return encoding_; }
  using BlockLineReader::had_bom;
  // Whether reading stopped at a 9999 line.
  bool stopped_at_9999() const { return stopped_; }
  std::string Decode(std::string_view bytes) const { return DecodeSpedText(bytes, encoding_); }
  using BlockLineReader::path;

 private:
  void OnBlock(std::string_view bytes) override;
  bool stopped_ = false, decided_ = false;
  SpedEncoding encoding_ = SpedEncoding::kAscii;
};

// ------------------------------------------------------------ merge routing

// The merge files, in the working folder.
enum class MergeFile { kNone, kCabec, kBloco0, kBlocoC, kBlocoD };

// "CABEC.txt", "bloco0.txt", "blocoC.txt", "blocoD.txt"; empty for kNone.
std::string_view MergeFileName(MergeFile file);

// Which merge file receives a line of a merge input whose register code
// (field 0 of the raw line, untrimmed) is `code`. first_file: the line
// belongs to the first file of the merge (CABEC.txt did not exist before it
// was added).
// - 0000, 0001, 0100, 0110: CABEC.txt for the first file, else nothing;
// - other codes beginning with "0" whose second character is 1 to 8:
//   bloco0.txt (0111 ... 0899; 00xx and 09xx are dropped, and so is a
//   code whose second character is not a digit);
// - codes beginning with "C" other than C001 and C990: blocoC.txt;
// - codes beginning with "D" other than D001 and D990: blocoD.txt;
// - everything else: nothing.
MergeFile RouteMergeLine(std::string_view code, bool first_file);

}  // namespace fiscora
