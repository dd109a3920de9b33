#include "validate/efd_validator.h"

#include <algorithm>
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

std::string Shown(std::string_view raw) {
  return IsValidUtf8(raw) ? std::string(raw) : Cp1252ToUtf8(raw);
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
      Add(0, 0, "", "", "Linha vazia.");
      return true;
    }
    if (line.front() != '|' || line.back() != '|' || line.size() < 2) {
      Add(0, 0, "", "",
          "Linha fora do formato |REG|campo|...|: deve começar e terminar com \"|\".");
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
      Add(1, 1, std::string(reg), "REG", "Código de registro inválido: '" + Shown(reg) + "'.");
      return true;
    }
    reg_ = reg;
    const uint32_t code = RegisterCode(reg);
    if (code != last_code_) {
      last_code_ = code;
      last_count_ = &counts_[code];
    }
    ++*last_count_;
    if (n_ == 1 && reg != "0000")
      Add(1, 1, std::string(reg), "REG", "O arquivo deve começar pelo registro 0000.");
    if (reg == "0000" && n_ != 1) Add(1, 1, "0000", "REG", "Registro 0000 fora da primeira linha.");

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
    const size_t pass_findings = static_cast<size_t>(
        std::is_sorted_until(r_.findings.begin(), r_.findings.end(),
                             [](const Finding& a, const Finding& b) { return a.line < b.line; }) -
        r_.findings.begin());
    if (n_ == 0) {
      AddFile("0000", "Arquivo vazio.");
      r_.lines = 0;
      return;
    }
    if (total9999_.line == 0) {
      AddFile("9999", "Falta o registro 9999 (encerramento do arquivo).");
      CloseBlock();
    } else {
      if (total9999_.count >= 0 && total9999_.count != n_)
        r_.Add(Finding{total9999_.line, 2, 2, "9999", "QTD_LIN", Severity::kErro,
                       "O registro 9999 declara " + std::to_string(total9999_.count) +
                           " linhas; o arquivo tem " + std::to_string(n_) + "."});
      CloseBlock();
    }
    Counts9900();
    SortByLine(r_.findings, pass_findings);
    r_.lines = n_;
  }

 private:
  struct Count {
    int64_t count = -1;
    int64_t line = 0;
  };

  void Add(int first, int last, std::string record, const char* field, std::string message,
           Severity s = Severity::kErro) {
    r_.Add(Finding{n_, first, last, std::move(record), field, s, std::move(message)});
  }
  void AddFile(const char* record, std::string message) {
    r_.Add(Finding{0, 0, 0, record, "", Severity::kErro, std::move(message)});
  }
  std::string_view F(size_t i) const {
    return i - 1 < fields_.size() ? fields_[i - 1] : std::string_view{};
  }

  int64_t CountField(size_t i) {
    std::string_view v = F(i);
    if (AllDigits(v)) return Number(v);
    Add(static_cast<int>(i), static_cast<int>(i), std::string(reg_), "QTD",
        "Quantidade de linhas não numérica: '" + Shown(v) + "'.");
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
        Add(1, 1, std::string(reg), "REG", "Registro de bloco desconhecido: '" + Shown(reg) + "'.");
      } else if (seen_blocks_.find(block) != std::string::npos) {
        Add(1, 1, std::string(reg), "REG",
            std::string("O bloco ") + block + " aparece de novo depois de outro bloco.");
      } else if (!seen_blocks_.empty() &&
                 kBlockOrder.find(block) < kBlockOrder.find(seen_blocks_.back())) {
        Add(1, 1, std::string(reg), "REG",
            std::string("Bloco ") + block + " fora de ordem: vem depois do bloco " +
                seen_blocks_.back() + ".");
      }
      if (!opened_)
        Add(1, 1, std::string(reg), "REG",
            std::string("O bloco ") + block + " não foi aberto: falta o registro " + block +
                "001 antes deste.");
      seen_blocks_ += block;
      block_open_line_ = n_;
    }
    ++block_lines_;
    if (closing_.line != 0 && reg != "9999")
      Add(1, 1, std::string(reg), "REG",
          std::string("Registro depois do encerramento do bloco ") + block + " (" + block +
              "990).");
    if (reg.substr(1) == "990") closing_ = {CountField(2), n_};
  }

  void CloseBlock() {
    if (block_ == 0) return;
    std::string closing = std::string(1, block_) + "990";
    if (closing_.line == 0) {
      r_.Add(Finding{block_open_line_, 0, 0, closing, "", Severity::kErro,
                     std::string("O bloco ") + block_ + " não foi encerrado: falta o registro " +
                         closing + "."});
    } else if (closing_.count >= 0 && closing_.count != block_lines_) {
      r_.Add(Finding{closing_.line, 2, 2, closing, "QTD_LIN", Severity::kErro,
                     "O registro " + closing + " declara " + std::to_string(closing_.count) +
                         " linhas no bloco " + block_ + "; o bloco tem " +
                         std::to_string(block_lines_) + "."});
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
      Add(0, 0, "0000", "",
          "O registro 0000 tem " + std::to_string(fields_.size()) + " campos; o leiaute da " +
              (icms ? "EFD ICMS/IPI" : "EFD-Contribuições") + " tem " + std::to_string(expected) +
              ".");
    const size_t ini = icms ? 4 : 6;
    int start = DateValue(F(ini)), end = DateValue(F(ini + 1));
    if (start < 0)
      Add(static_cast<int>(ini), static_cast<int>(ini), "0000", "DT_INI",
          "Data inicial inválida: '" + Shown(F(ini)) + "' (DDMMAAAA).");
    if (end < 0)
      Add(static_cast<int>(ini + 1), static_cast<int>(ini + 1), "0000", "DT_FIN",
          "Data final inválida: '" + Shown(F(ini + 1)) + "' (DDMMAAAA).");
    if (start > 0 && end > 0) {
      if (start > end)
        Add(static_cast<int>(ini), static_cast<int>(ini + 1), "0000", "DT_INI",
            "Período invertido: a data inicial é posterior à final.");
      else if (start / 100 != end / 100)
        Add(static_cast<int>(ini), static_cast<int>(ini + 1), "0000", "DT_FIN",
            "O período da escrituração passa de um mês: " + Shown(F(ini)) + " a " +
                Shown(F(ini + 1)) + ".");
    }
    if (icms) {
      if (!F(7).empty()) CnpjField(7, "CNPJ");
      if (!F(8).empty()) CpfField(8, "CPF");
      if (F(7).empty() && F(8).empty())
        Add(7, 8, "0000", "CNPJ", "O registro 0000 não traz CNPJ nem CPF.");
      std::string_view ie = F(10);
      if (!ie.empty() && CheckIe(F(9), ie) == IeCheck::kInvalid)
        Add(10, 10, "0000", "IE",
            "Inscrição estadual inválida para " + Shown(F(9)) +
                " (tamanho ou dígito verificador): " + Shown(ie) + ".");
    } else {
      if (F(9).empty())
        Add(9, 9, "0000", "CNPJ", "O registro 0000 não traz o CNPJ.");
      else
        CnpjField(9, "CNPJ");
    }
  }

  void CnpjField(size_t i, const char* name) {
    std::string_view v = F(i);
    if (v.empty() || IsValidCnpj(v, CnpjForm::kAlphanumeric)) return;
    Add(static_cast<int>(i), static_cast<int>(i), std::string(reg_), name,
        v.size() == 14 && !CnpjWithCheckDigits(v.substr(0, 12)).empty() && AllDigits(v.substr(12))
            ? "CNPJ com dígito verificador inválido: " + std::string(v) + "."
            : "CNPJ mal formado (14 caracteres: 12 algarismos ou letras maiúsculas e 2 dígitos "
              "verificadores): '" +
                  Shown(v) + "'.");
  }
  void CpfField(size_t i, const char* name) {
    std::string_view v = F(i);
    if (v.empty() || IsValidCpf(v)) return;
    Add(static_cast<int>(i), static_cast<int>(i), std::string(reg_), name,
        AllDigits(v) && v.size() == 11
            ? "CPF com dígito verificador inválido: " + std::string(v) + "."
            : "CPF mal formado (11 algarismos): '" + Shown(v) + "'.");
  }

  void Record9900() {
    std::string reg(F(2));
    int64_t count = CountField(3);
    auto [it, fresh] = declared_.emplace(reg, Declared{count, n_});
    if (!fresh)
      Add(2, 2, "9900", "REG_BLC", "Registro " + Shown(reg) + " totalizado duas vezes no bloco 9.");
  }

  void Counts9900() {
    for (const auto& [reg, d] : declared_) {
      auto it = reg.size() == 4 ? counts_.find(RegisterCode(reg)) : counts_.end();
      int64_t actual = it == counts_.end() ? 0 : it->second;
      if (d.count >= 0 && d.count != actual)
        r_.Add(Finding{d.line, 3, 3, "9900", "QTD_REG_BLC", Severity::kErro,
                       "O registro 9900 declara " + std::to_string(d.count) + " registro(s) " +
                           Shown(reg) + "; o arquivo tem " + std::to_string(actual) + "."});
    }
    if (counts_.count(RegisterCode("9900")) == 0)
      return;  // no block 9 counts at all: reported as a missing block
    std::vector<std::pair<uint32_t, int64_t>> counted(counts_.begin(), counts_.end());
    std::sort(counted.begin(), counted.end());  // the codes' order is the texts'
    for (const auto& [code, actual] : counted) {
      const std::string reg = RegisterText(code);
      if (declared_.find(reg) == declared_.end())
        r_.Add(Finding{lines9990_.line, 0, 0, "9900", "REG_BLC", Severity::kErro,
                       "O registro " + Shown(reg) + " aparece " + std::to_string(actual) +
                           " vez(es) e não tem registro 9900."});
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
