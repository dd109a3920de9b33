// What a validation reports: findings with the line, the columns, the
// record, the field, the severity and a message in Portuguese.
//
// A finding holds the code of its check and the few values its message
// needs, never the message, which is built only when it is read
// (FindingMessage); a validation keeps its findings in a FindingList, about
// 50 bytes each, for files with a million of them. Writers of
// findings read them through f.line, FindingColumns(f), FindingRecord(f),
// f.field, SeverityText(f.severity) and FindingMessage(f).
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fiscora {

enum class Severity : uint8_t { kErro, kAviso };

// "erro" or "aviso", as the user sees them.
inline const char* SeverityText(Severity s) { return s == Severity::kErro ? "erro" : "aviso"; }

// The check a finding reports. Its message is built from the finding's
// values (v0, v1, v2 for values[0..2]) and text (parts joined by
// JoinParts).
enum class Check : uint16_t {
  kText,  // the message is the text, whole

  // ---- EFD: the structure
  kEmptyLine,
  kLineFrame,
  kRegisterCode,  // text: the code
  kFirstLineNot0000,
  k0000NotFirst,
  kEmptyFile,
  kMissing9999,
  kTotal9999,          // v0 declared, v1 the file's lines
  kCountNotNumber,     // text: the field
  kUnknownBlock,       // text: the register
  kBlockAgain,         // v0 the block letter
  kBlockOrder,         // v0 the block, v1 the one before
  kBlockNotOpened,     // v0 the block
  kAfterBlockClosing,  // v0 the block
  kBlockNotClosed,     // the record is the missing closing register
  kBlockCount,         // the record is the closing register; v0 declared, v1 lines
  k0000Fields,         // v0 fields, v1 those of the layout, v2 1 for EFD-Contribuições
  kStartDate,          // text: the field
  kEndDate,            // text: the field
  kPeriodInverted,
  kPeriodOverMonth,  // v0, v1 the dates as DDMMAAAA numbers
  kNoCnpjNorCpf,
  kNoCnpj,
  kCnpjCheckDigit,       // text: the CNPJ
  kCnpjMalformed,        // text: the field
  kCpfCheckDigit,        // text: the CPF
  kCpfMalformed,         // text: the field
  kRegisterTwiceIn9900,  // text: the register
  k9900Count,            // v0 declared, v1 counted, text the register
  kWithout9900,          // v0 counted, text the register
  kNotANumber,           // text: the field (f.field names it)
  kFieldCount,           // v0 fields, v1 the layout's least

  // ---- SINTEGRA: the structure
  kSignature,
  kLineLength,   // v0 characters
  kUnknownType,  // text: the type ("" for an empty line)
  kRecordOrder,  // text: the type before
  kRecordTwice,  // the record says which
  kBlankNumber,
  kNotDigits,           // text: the field
  kDate,                // text: the field
  kDateOutsidePeriod,   // v0 the date, v1 and v2 the period (AAAAMMDD)
  kMonth,               // text: the field
  kMonthOutsidePeriod,  // text: the field (MMAAAA); v1 and v2 the period
  kCfopInvalid,         // text: the field
  kCnpjNotDigits,       // text: the field
  kIeBlank,
  kIeNotDigits,       // text: the field
  kIeInvalid,         // text: "UF|IE"
  kCode,              // text: "value|allowed codes"
  kPeriodInverted10,  // v0 start, v1 end (AAAAMMDD)
  kCrzJump,           // text: the printer; v0 from, v1 to
  kRecord90Differs,
  k90Unreadable,  // text: the columns
  k90Column126,   // text: the column; v0 records 90
  kNoTotal99,
  kTotal99,        // v0 declared, v1 the file's lines
  k90TypeCount,    // v0 declared, v1 the type, v2 counted
  kRepeated50,     // v0 the first line
  kNumberingGap,   // text: "model|series"; v0 first missing, v1 last missing
  kMissingRecord,  // the record says which (10, 11 or 90)

  // ---- EFD: the content. A register's value (v0) against the sum of
  // its children's (v1), Money raw values.
  kC100VsC190,
  kC100VsC170,  // VL_MERC against the items' VL_ITEM
  kC500VsC590,
  kD100VsD190,
  kH005VsH010,
  // A C190 value (v0) against the sum of the C170 (v1) of its CST, CFOP and
  // rate: v2 = (CST × 10000 + CFOP) << 32 | rate (Money raw).
  kC190VsC170,
  kC170WithoutC190,  // v0 the items' VL_ITEM, v2 as above
  kH010Product,      // v0 VL_ITEM, v1 QTD × VL_UNIT; text "QTD|VL_UNIT"
  kE110Formula,      // v0 the field, v1 its formula
  kE110Totals,       // v0 the field, v1 the analytic registers' ICMS
  kKeyMalformed,     // text: the key
  kKeyCheckDigit,    // text: the key
  kKeyDisagrees,     // text: "KEY|COD_MOD|SER|NUM_DOC"
  kKeyCnpj,          // text: "the key's CNPJ|the establishment's"
  kKeyUf,            // v0 the key's state code, v1 the establishment's; text its UF
  kKeyRepeated,      // v0 the line of the first C100 with the key

  // ---- SINTEGRA: the rules of the state validators
  kCfopUf,                // v0 the CFOP; text "PARTY UF|OWN UF"
  kCfopDirection,         // v0 the CFOP
  kCancelledWithAmounts,  // v0 the amount; text "SITUAÇÃO|field"
  kItemWithoutCode,       // v0 the item
  kItemWithoutCst,        // v0 the item
};

struct Finding {
  Finding() = default;
  // A finding of a check; its values and text are set after.
  Finding(int64_t line_, int first, int last, std::string_view record, const char* field_,
          Severity severity_, Check check_)
      : line(line_),
        first_column(first),
        last_column(last),
        field(field_),
        check(check_),
        severity(severity_) {
    SetRecord(record);
  }
  // A finding whose message is given whole (Check::kText).
  Finding(int64_t line_, int first, int last, std::string_view record, const char* field_,
          Severity severity_, std::string message)
      : Finding(line_, first, last, record, field_, severity_, Check::kText) {
    SetText(message);
  }

  // The record, kept in the finding when short (every register and record
  // type is), else before the text.
  void SetRecord(std::string_view record);
  // The text of the message (after a long record).
  void SetText(std::string_view t) {
    text.resize(record_size == kRecordInText ? text.find(kRecordEnd) + 1 : 0);
    text += t;
  }

  int64_t line = 0;          // 1-based; 0 for the file as a whole
  int32_t first_column = 0;  // 1-based character columns (SINTEGRA) or field
  int32_t last_column = 0;   // numbers (EFD); 0 when the whole line is meant
  const char* field = "";    // "data de emissão", "CNPJ" ... (static text); "" for the line
  Check check = Check::kText;
  Severity severity = Severity::kErro;
  uint8_t record_size = 0;  // kRecordInText: the record begins the text
  std::array<char, 4> record{};
  std::array<int64_t, 3> values{};
  std::string text;

  static constexpr uint8_t kRecordInText = 0xFF;
  static constexpr char kRecordEnd = '\x1F';
};

// The parts of a finding's text are joined by this character, which no
// field of a fiscal file holds.
inline constexpr char kPartEnd = '\x1E';
inline std::string JoinParts(std::initializer_list<std::string_view> parts) {
  std::string out;
  bool first = true;
  for (std::string_view p : parts) {
    if (!first) out += kPartEnd;
    first = false;
    out += p;
  }
  return out;
}

// The column range as shown: "31-38", "126", or empty for the whole line.
inline std::string FindingColumns(const Finding& f) {
  if (f.first_column <= 0) return {};
  if (f.last_column <= f.first_column) return std::to_string(f.first_column);
  return std::to_string(f.first_column) + "-" + std::to_string(f.last_column);
}

// The record: "50", "60M", "C100" ...
std::string_view FindingRecord(const Finding& f);
// The message in Portuguese, built from the check and its values.
std::string FindingMessage(const Finding& f);
// The message text appended to out (a writer that reuses one string).
void AppendFindingMessage(std::string& out, const Finding& f);

// The findings of a validation, kept compactly: a file full of faults has
// about two findings a line. Each finding is stored in 32 bytes (its line,
// columns, field, check, severity and record) in blocks of fixed size, so
// that the list never moves what it holds as it grows; the values and the
// text of its message are packed after it in a few bytes (inline when they
// fit in seven, else in blocks of text beside). Reading a finding rebuilds
// it (operator[], the iterators, Read); the message is built from it only
// when it is written.
class FindingList {
 public:
  void push_back(const Finding& f);
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear();

  Finding operator[](size_t i) const {
    Finding f;
    Read(i, f);
    return f;
  }
  Finding front() const { return (*this)[0]; }
  Finding back() const { return (*this)[size_ - 1]; }
  // Finding i into `out`, reusing its text's storage (a writer that reads
  // a million findings allocates nothing per finding).
  void Read(size_t i, Finding& out) const;
  int64_t LineAt(size_t i) const { return LineOf(At(i)); }

  // How many findings from the first are in the order of their lines.
  size_t SortedPrefix() const;
  // Orders the findings by line, keeping the order of the findings of one
  // line, when the first `sorted_prefix` of them are already in order.
  void SortByLine(size_t sorted_prefix);

  class const_iterator {
   public:
    using iterator_concept = std::random_access_iterator_tag;
    using iterator_category = std::input_iterator_tag;
    using value_type = Finding;
    using difference_type = std::ptrdiff_t;
    using reference = Finding;
    using pointer = void;

    const_iterator() = default;
    const_iterator(const FindingList* list, size_t i) : list_(list), i_(i) {}
    Finding operator*() const { return (*list_)[i_]; }
    Finding operator[](difference_type n) const { return (*list_)[Index(n)]; }
    const_iterator& operator++() {
      ++i_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++i_;
      return old;
    }
    const_iterator& operator--() {
      --i_;
      return *this;
    }
    const_iterator operator--(int) {
      const_iterator old = *this;
      --i_;
      return old;
    }
    const_iterator& operator+=(difference_type n) {
      i_ = Index(n);
      return *this;
    }
    const_iterator& operator-=(difference_type n) { return *this += -n; }
    friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
    friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
    friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const const_iterator& a, const const_iterator& b) {
      return static_cast<difference_type>(a.i_) - static_cast<difference_type>(b.i_);
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
      return a.i_ == b.i_;
    }
    friend auto operator<=>(const const_iterator& a, const const_iterator& b) {
      return a.i_ <=> b.i_;
    }

   private:
    size_t Index(difference_type n) const {
      return static_cast<size_t>(static_cast<difference_type>(i_) + n);
    }
    const FindingList* list_ = nullptr;
    size_t i_ = 0;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size_}; }

 private:
  // A finding as kept, in 32 bytes: `head` holds the line (bits 16 and
  // up), the check (bits 8 to 15), the severity (bit 7) and the record's
  // size (bits 0 to 2, kLongRecord for a record before the text); columns
  // above 65,534 are kept with the values (first_column kColumnsBeside).
  // The values and text are in `payload`, whose low byte says where: 0
  // none, 1 to 7 that many bytes in the bytes above it, kInArena at the
  // offset of the arena in the bytes above it.
  struct Stored {
    uint64_t head;
    uint16_t first_column;
    uint16_t last_column;
    std::array<char, 4> record;
    const char* field;
    uint64_t payload;
  };
  static constexpr size_t kBlockBits = 12;  // 4,096 findings (128 kB) a block
  static constexpr size_t kBlock = size_t{1} << kBlockBits;
  static constexpr size_t kArenaBlock = size_t{1} << 20;
  static constexpr uint64_t kInArena = 0xFF;
  static constexpr uint16_t kColumnsBeside = 0xFFFF;
  static constexpr uint64_t kLongRecord = 7;

  Stored& At(size_t i) { return blocks_[i >> kBlockBits][i & (kBlock - 1)]; }
  const Stored& At(size_t i) const { return blocks_[i >> kBlockBits][i & (kBlock - 1)]; }
  static int64_t LineOf(const Stored& s) { return static_cast<int64_t>(s.head >> 16); }

  std::vector<std::vector<Stored>> blocks_;  // each reserved to kBlock once
  std::vector<std::string> arena_;           // each reserved to its size once
  size_t size_ = 0;
};

enum class ValidatedKind { kUnknown, kSintegra, kEfd };

// The layout of an EFD file, told by its 0000 line.
enum class EfdLayout { kUnknown, kIcmsIpi, kContribuicoes };

struct ValidationReport {
  ValidatedKind kind = ValidatedKind::kUnknown;
  EfdLayout efd_layout = EfdLayout::kUnknown;  // for an EFD file
  int64_t lines = 0;
  int64_t errors = 0;
  int64_t warnings = 0;
  FindingList findings;  // in the order of the lines

  void Add(const Finding& f) {
    (f.severity == Severity::kErro ? errors : warnings)++;
    findings.push_back(f);
  }
};

// The kind as the user reads it: "SINTEGRA", "EFD ICMS/IPI",
// "EFD-Contribuições", or "EFD" for an EFD file without a 0000 line that
// tells its layout.
const char* ValidationKindText(const ValidationReport& report);

}  // namespace fiscora
