#include "validate/efd_validator.h"

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "session/pacer.h"
#include "sintegra/layout.h"
#include "validate/check_digits.h"
#include "validate/efd_content.h"

namespace fiscora {

namespace {

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (static_cast<unsigned char>(c - '0') > 9) return false;
  return true;
}

int64_t Number(std::string_view digits) {
  int64_t n = 0;
  for (char c : digits) n = n * 10 + (c - '0');
  return n;
}

// DDMMAAAA as yyyymmdd, or -1.
int DateValue(std::string_view s) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (s.size() != 8 || !AllDigits(s)) return -1;
  int d = static_cast<int>(Number(s.substr(0, 2))), m = static_cast<int>(Number(s.substr(2, 2))),
      y = static_cast<int>(Number(s.substr(4, 4)));
  if (y < 1900 || m < 1 || m > 12 || d < 1) return -1;
  int days = kDays[m - 1] + (m == 2 && (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)) ? 1 : 0);
  return d <= days ? y * 10000 + m * 100 + d : -1;
}

// The block letters in the order of the layouts (ICMS/IPI and Contribuições
// merged: a file has the blocks of its own layout, in this order).
constexpr std::string_view kBlockOrder = "0ABCDEFGHIKMP19";

class EfdValidator {
 public:
  explicit EfdValidator(ValidationReport& r) : r_(r) {}

  // False once |9999| has been read: what follows is not part of the file.
  bool Line(std::string_view line) {
    ++n_;
    if (line.empty()) {
      Add(Check::kEmptyLine, 0, 0, "", "");
      return true;
    }
    if (line.front() != '|' || line.back() != '|' || line.size() < 2) {
      Add(Check::kLineFrame, 0, 0, "", "");
      return true;
    }
    // The fields between the bars.
    fields_.clear();
    const char* p = line.data();
    for (size_t start = 1, i = 1; i < line.size(); ++i)
      if (p[i] == '|') {
        fields_.emplace_back(p + start, i - start);
        start = i + 1;
      }
    std::string_view reg = fields_[0];
    if (reg.size() != 4) {
      Add(Check::kRegisterCode, 1, 1, reg, "REG", {}, Shown(reg));
      return true;
    }
    reg_ = reg;
    const uint32_t code = RegisterCode(reg);
    if (code != last_code_) {
      last_code_ = code;
      last_count_ = &counts_[code];
    }
    ++*last_count_;
    if (n_ == 1 && reg != "0000") Add(Check::kFirstLineNot0000, 1, 1, reg, "REG");
    if (reg == "0000" && n_ != 1) Add(Check::k0000NotFirst, 1, 1, "0000", "REG");

    Blocks(reg);
    if (reg == "0000") {
      const bool first = layout_ == EfdLayout::kUnknown;
      Record0000();
      if (first) content_.Start(layout_, fields_);
    } else {
      content_.Line(n_, reg, code, fields_);
    }
    if (reg == "0140")
      CnpjField(4, "CNPJ");
    else if (layout_ == EfdLayout::kContribuicoes && reg.substr(1) == "010" &&
             std::string_view("ACDFIP").find(reg[0]) != std::string_view::npos)
      CnpjField(2, "CNPJ");  // the establishment of blocks A, C, D, F, I and P
    else if (reg == "0150") {
      CnpjField(5, "CNPJ");
      CpfField(6, "CPF");
    } else if (reg == "9900")
      Record9900();
    else if (reg == "9990")
      lines9990_ = {CountField(2), n_};
    else if (reg == "9999") {
      total9999_ = {CountField(2), n_};
      return false;
    }
    return true;
  }

  void Finish() {
    content_.Finish();
    // The pass gives most findings in the order of the lines; those of a
    // document come when it ends, those of the end after them.
    const size_t pass_findings = r_.findings.SortedPrefix();
    if (n_ == 0) {
      AddFile(Check::kEmptyFile, "0000");
      r_.lines = 0;
      return;
    }
    if (total9999_.line == 0) {
      AddFile(Check::kMissing9999, "9999");
      CloseBlock();
    } else {
      if (total9999_.count >= 0 && total9999_.count != n_)
        AddAt(total9999_.line, Check::kTotal9999, 2, 2, "9999", "QTD_LIN", {total9999_.count, n_});
      CloseBlock();
    }
    Counts9900();
    r_.findings.SortByLine(pass_findings);
    r_.lines = n_;
  }

 private:
  struct Count {
    int64_t count = -1;
    int64_t line = 0;
  };

  // A finding (an error) of a check at `line`, with the values and the text
  // its message needs.
  void AddAt(int64_t line, Check check, int first, int last, std::string_view record,
             const char* field, std::array<int64_t, 3> values = {}, std::string_view text = {}) {
    Finding f(line, first, last, record, field, Severity::kErro, check);
    f.values = values;
    f.SetText(text);
    r_.Add(std::move(f));
  }
  // The same at the current line.
  void Add(Check check, int first, int last, std::string_view record, const char* field,
           std::array<int64_t, 3> values = {}, std::string_view text = {}) {
    AddAt(n_, check, first, last, record, field, values, text);
  }
  void AddFile(Check check, std::string_view record) { AddAt(0, check, 0, 0, record, ""); }
  std::string_view F(size_t i) const {
    return i - 1 < fields_.size() ? fields_[i - 1] : std::string_view{};
  }

  int64_t CountField(size_t i) {
    std::string_view v = F(i);
    if (AllDigits(v)) return Number(v);
    Add(Check::kCountNotNumber, static_cast<int>(i), static_cast<int>(i), reg_, "QTD", {},
        Shown(v));
    return -1;
  }

  void Blocks(std::string_view reg) {
    char block = reg[0];
    if (block != block_) {
      CloseBlock();
      block_ = block;
      block_lines_ = 0;
      opened_ = reg == std::string(1, block) + "001" || (block == '0' && reg == "0000");
      closing_ = {};
      if (kBlockOrder.find(block) == std::string_view::npos) {
        Add(Check::kUnknownBlock, 1, 1, reg, "REG", {}, Shown(reg));
      } else if (seen_blocks_.find(block) != std::string::npos) {
        Add(Check::kBlockAgain, 1, 1, reg, "REG", {block});
      } else if (!seen_blocks_.empty() &&
                 kBlockOrder.find(block) < kBlockOrder.find(seen_blocks_.back())) {
        Add(Check::kBlockOrder, 1, 1, reg, "REG", {block, seen_blocks_.back()});
      }
      if (!opened_) Add(Check::kBlockNotOpened, 1, 1, reg, "REG", {block});
      seen_blocks_ += block;
      block_open_line_ = n_;
    }
    ++block_lines_;
    if (closing_.line != 0 && reg != "9999")
      Add(Check::kAfterBlockClosing, 1, 1, reg, "REG", {block});
    if (reg.substr(1) == "990") closing_ = {CountField(2), n_};
  }

  void CloseBlock() {
    if (block_ == 0) return;
    std::string closing = std::string(1, block_) + "990";
    if (closing_.line == 0) {
      AddAt(block_open_line_, Check::kBlockNotClosed, 0, 0, closing, "");
    } else if (closing_.count >= 0 && closing_.count != block_lines_) {
      AddAt(closing_.line, Check::kBlockCount, 2, 2, closing, "QTD_LIN",
            {closing_.count, block_lines_});
    }
    block_ = 0;
  }

  // The layout told by the 0000 line. EFD ICMS/IPI:
  //   |0000|COD_VER|COD_FIN|DT_INI|DT_FIN|NOME|CNPJ|CPF|UF|IE|COD_MUN|IM|SUFRAMA|IND_PERFIL|IND_ATIV|
  // EFD-Contribuições:
  //   |0000|COD_VER|TIPO_ESCRIT|IND_SIT_ESP|NUM_REC_ANTERIOR|DT_INI|DT_FIN|NOME|CNPJ|UF|COD_MUN|
  //   SUFRAMA|IND_NAT_PJ|IND_ATIV|
  // The dates' places and the number of fields decide; a damaged date
  // alone does not turn one layout into the other.
  EfdLayout LayoutOf0000() const {
    auto date = [](std::string_view v) { return v.size() == 8 && AllDigits(v) ? 1 : 0; };
    const size_t count = fields_.size();
    int icms = date(F(4)) + date(F(5)) + (count == kFields0000Icms ? 1 : 0);
    int contrib = date(F(6)) + date(F(7)) + (count == kFields0000Contrib ? 1 : 0) +
                  (F(4).size() <= 1 ? 1 : 0);  // IND_SIT_ESP: one digit or nothing
    return contrib > icms ? EfdLayout::kContribuicoes : EfdLayout::kIcmsIpi;
  }

  void Record0000() {
    if (layout_ == EfdLayout::kUnknown) {
      layout_ = LayoutOf0000();
      r_.efd_layout = layout_;
    }
    const bool icms = layout_ == EfdLayout::kIcmsIpi;
    const size_t expected = icms ? kFields0000Icms : kFields0000Contrib;
    if (fields_.size() != expected)
      Add(Check::k0000Fields, 0, 0, "0000", "",
          {static_cast<int64_t>(fields_.size()), static_cast<int64_t>(expected), icms ? 0 : 1});
    const size_t ini = icms ? 4 : 6;
    int start = DateValue(F(ini)), end = DateValue(F(ini + 1));
    if (start < 0)
      Add(Check::kStartDate, static_cast<int>(ini), static_cast<int>(ini), "0000", "DT_INI", {},
          Shown(F(ini)));
    if (end < 0)
      Add(Check::kEndDate, static_cast<int>(ini + 1), static_cast<int>(ini + 1), "0000", "DT_FIN",
          {}, Shown(F(ini + 1)));
    if (start > 0 && end > 0) {
      if (start > end)
        Add(Check::kPeriodInverted, static_cast<int>(ini), static_cast<int>(ini + 1), "0000",
            "DT_INI");
      else if (start / 100 != end / 100)
        Add(Check::kPeriodOverMonth, static_cast<int>(ini), static_cast<int>(ini + 1), "0000",
            "DT_FIN", {Number(F(ini)), Number(F(ini + 1))});
    }
    if (icms) {
      if (!F(7).empty()) CnpjField(7, "CNPJ");
      if (!F(8).empty()) CpfField(8, "CPF");
      if (F(7).empty() && F(8).empty()) Add(Check::kNoCnpjNorCpf, 7, 8, "0000", "CNPJ");
      std::string_view ie = F(10);
      if (!ie.empty() && CheckIe(F(9), ie) == IeCheck::kInvalid)
        Add(Check::kIeInvalid, 10, 10, "0000", "IE", {}, JoinParts({Shown(F(9)), Shown(ie)}));
    } else {
      if (F(9).empty())
        Add(Check::kNoCnpj, 9, 9, "0000", "CNPJ");
      else
        CnpjField(9, "CNPJ");
    }
  }

  void CnpjField(size_t i, const char* name) {
    std::string_view v = F(i);
    if (v.empty() || IsValidCnpj(v, CnpjForm::kAlphanumeric)) return;
    const bool formed =
        v.size() == 14 && !CnpjWithCheckDigits(v.substr(0, 12)).empty() && AllDigits(v.substr(12));
    Add(formed ? Check::kCnpjCheckDigit : Check::kCnpjMalformed, static_cast<int>(i),
        static_cast<int>(i), reg_, name, {}, formed ? std::string(v) : Shown(v));
  }
  void CpfField(size_t i, const char* name) {
    std::string_view v = F(i);
    if (v.empty() || IsValidCpf(v)) return;
    const bool formed = AllDigits(v) && v.size() == 11;
    Add(formed ? Check::kCpfCheckDigit : Check::kCpfMalformed, static_cast<int>(i),
        static_cast<int>(i), reg_, name, {}, formed ? std::string(v) : Shown(v));
  }

  void Record9900() {
    std::string reg(F(2));
    int64_t count = CountField(3);
    auto [it, fresh] = declared_.emplace(reg, Declared{count, n_});
    if (!fresh) Add(Check::kRegisterTwiceIn9900, 2, 2, "9900", "REG_BLC", {}, Shown(reg));
  }

  void Counts9900() {
    for (const auto& [reg, d] : declared_) {
      auto it = reg.size() == 4 ? counts_.find(RegisterCode(reg)) : counts_.end();
      int64_t actual = it == counts_.end() ? 0 : it->second;
      if (d.count >= 0 && d.count != actual)
        AddAt(d.line, Check::k9900Count, 3, 3, "9900", "QTD_REG_BLC", {d.count, actual},
              Shown(reg));
    }
    if (counts_.count(RegisterCode("9900")) == 0)
      return;  // no block 9 counts at all: reported as a missing block
    std::vector<std::pair<uint32_t, int64_t>> counted(counts_.begin(), counts_.end());
    std::sort(counted.begin(), counted.end());  // the codes' order is the texts'
    for (const auto& [code, actual] : counted) {
      const std::string reg = RegisterText(code);
      if (declared_.find(reg) == declared_.end())
        AddAt(lines9990_.line, Check::kWithout9900, 0, 0, "9900", "REG_BLC", {actual}, Shown(reg));
    }
  }

  struct Declared {
    int64_t count;
    int64_t line;
  };

  static constexpr size_t kFields0000Icms = 15, kFields0000Contrib = 14;

  ValidationReport& r_;
  EfdContentChecks content_{r_};
  EfdLayout layout_ = EfdLayout::kUnknown;
  int64_t n_ = 0;
  std::vector<std::string_view> fields_;
  std::string_view reg_;
  std::unordered_map<uint32_t, int64_t> counts_;  // by RegisterCode
  uint32_t last_code_ = 0;
  int64_t* last_count_ = nullptr;
  std::map<std::string, Declared, std::less<>> declared_;
  char block_ = 0;
  bool opened_ = false;
  int64_t block_lines_ = 0, block_open_line_ = 0;
  Count closing_;
  std::string seen_blocks_;
  Count lines9990_, total9999_;
};

}  // namespace

ValidationReport ValidateEfd(const std::filesystem::path& file, UserInterface& ui) {
  ValidationReport report;
  report.kind = ValidatedKind::kEfd;
  LineReader reader(file);
  EfdValidator v(report);
  Pacer pacer(ui);
  std::string_view line;
  while (reader.Next(line)) {
    pacer.Tick();
    if (!v.Line(line)) break;
  }
  v.Finish();
  return report;
}

}  // namespace fiscora
