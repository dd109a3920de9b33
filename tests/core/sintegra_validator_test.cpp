// The structural validation of SINTEGRA files: one case per check, each a
// sound file with one line made wrong, and the finding it must give.
#include "validate/sintegra_validator.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "sintegra_fixture.h"
#include "validate/validate.h"
#include "validation_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
namespace fs = std::filesystem;

std::vector<std::string> SoundLines() { return SoundSintegraLines(); }

ValidationReport Validate(const std::vector<std::string>& lines, const TempDir& dir) {
  RecordingUserInterface ui;
  return ValidateSintegra(dir.Write("v.txt", lines), ui);
}

TEST(SintegraValidation, SoundFileHasNoFinding) {
  TempDir dir;
  ValidationReport r = Validate(With90(SoundLines()), dir);
  EXPECT_EQ(r.findings.size(), 0u) << Describe(r);
  EXPECT_EQ(r.lines, 8);
  EXPECT_EQ(r.kind, ValidatedKind::kSintegra);
}

struct Case {
  const char* name;
  // Changes the sound lines (before record 90 is added); with90 false when
  // the case writes its own record 90.
  std::function<void(std::vector<std::string>&)> change;
  int64_t line;
  int first_column;
  Severity severity;
  const char* message_part;
  bool with90 = true;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class SintegraCheck : public ::testing::TestWithParam<Case> {};

TEST_P(SintegraCheck, GivesItsFindingAndNoOther) {
  const Case& c = GetParam();
  TempDir dir;
  std::vector<std::string> lines = SoundLines();
  c.change(lines);
  ValidationReport r = Validate(c.with90 ? With90(lines) : lines, dir);
  ASSERT_EQ(r.findings.size(), 1u) << Describe(r);
  const Finding& f = r.findings[0];
  EXPECT_EQ(f.line, c.line) << Describe(r);
  EXPECT_EQ(f.first_column, c.first_column) << Describe(r);
  EXPECT_EQ(f.severity, c.severity) << Describe(r);
  EXPECT_NE(FindingMessage(f).find(c.message_part), std::string::npos) << Describe(r);
}

using L = std::vector<std::string>;
const Case kCases[] = {
    {"ShortLine", [](L& l) { l[2].pop_back(); }, 3, 1, Severity::kErro, "125 caracteres"},
    {"UnknownType", [](L& l) { l.insert(l.begin() + 6, Rec("58")); }, 7, 1, Severity::kErro,
     "desconhecido: '58'"},
    {"OutOfOrder", [](L& l) { std::swap(l[2], l[3]); }, 4, 1, Severity::kErro, "fora de ordem"},
    {"Record10Twice", [](L& l) { l.insert(l.begin() + 1, Good10()); }, 2, 1, Severity::kErro,
     "Registro 10 repetido"},
    {"Record11Missing", [](L& l) { l.erase(l.begin() + 1); }, 0, 0, Severity::kErro,
     "Falta o registro 11"},
    {"RealDate", [](L& l) { l[2].replace(30, 8, "20240230"); }, 3, 31, Severity::kErro,
     "Data inválida"},
    {"DateInsidePeriod", [](L& l) { l[2].replace(30, 8, "20240405"); }, 3, 31, Severity::kErro,
     "05/04/2024 fora do período"},
    {"PurposeCode", [](L& l) { l[0] = Good10('4'); }, 1, 126, Severity::kErro, "finalidade"},
    {"NumericField", [](L& l) { l[2][60] = 'A'; }, 3, 57, Severity::kErro, "não são algarismos"},
    {"CnpjCheckDigits", [](L& l) { l[2].replace(2, 14, "11222333000182"); }, 3, 3, Severity::kErro,
     "CNPJ com dígito verificador inválido"},
    {"CpfCheckDigits", [](L& l) { l[2].replace(2, 14, "00052998224726"); }, 3, 3, Severity::kErro,
     "CPF com dígito verificador inválido: 52998224726"},
    {"StateRegistration", [](L& l) { l[2].replace(16, 14, "110042490115  "); }, 3, 17,
     Severity::kErro, "inválida para SP"},
    {"BlankStateRegistration", [](L& l) { l[2].replace(16, 14, std::string(14, ' ')); }, 3, 17,
     Severity::kErro, "ISENTO"},
    {"Record90Count",
     [](L& l) {
       l = With90(l);
       l.back().replace(32, 8, "00000002");  // two records 50 declared, one present
     },
     8, 31, Severity::kErro, "declara 2 registro(s) do tipo 50; o arquivo tem 1", false},
    {"Record90Total",
     [](L& l) {
       l = With90(l);
       l.back().replace(72, 8, "00000009");
     },
     8, 71, Severity::kErro, "declarado 9; o arquivo tem 8", false},
    {"Record90LinesAtColumn126",
     [](L& l) {
       l = With90(l);
       l.back()[125] = '2';
     },
     8, 126, Severity::kErro, "coluna 126", false},
    {"RepeatedRecord50", [](L& l) { l.insert(l.begin() + 3, Good50()); }, 4, 3, Severity::kErro,
     "repetido"},
    {"NumberingGapOfOwnNotes",
     [](L& l) {
       l[2] = Good50(1, 'P', "5102");
       l.insert(l.begin() + 3, Good50(4, 'P', "5102"));
     },
     4, 46, Severity::kAviso, "faltam os números 2 a 3"},
    {"ReductionCounterJump", [](L& l) { l.insert(l.begin() + 5, Good60M(7, "20240306")); }, 6, 49,
     Severity::kAviso, "de 5 para 7"},
    {"SignatureAfterRecord90",
     [](L& l) {
       l = With90(l);
       l.push_back("EAD" + std::string(128, 'F'));
     },
     9, 0, Severity::kAviso, "EAD", false},
};

INSTANTIATE_TEST_SUITE_P(Checks, SintegraCheck, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return info.param.name;
                         });

TEST(SintegraValidation, SameNoteWithAnotherCfopIsNoRepetition) {
  TempDir dir;
  std::vector<std::string> lines = SoundLines();
  lines.insert(lines.begin() + 3, Good50(1, 'T', "1403"));
  ValidationReport r = Validate(With90(lines), dir);
  EXPECT_EQ(r.findings.size(), 0u) << Describe(r);
}

TEST(SintegraValidation, EveryFaultOfAFaultyFileIsReported) {
  TempDir dir;
  std::vector<std::string> lines = {Good10(), Good11()};
  for (int i = 0; i < 2000; ++i) {
    Rec r = Good50(i + 1);
    r.Put(31, "20241399");  // no real date
    lines.push_back(r);
  }
  ValidationReport r = Validate(With90(lines), dir);
  EXPECT_EQ(r.errors, 2000);
  EXPECT_EQ(r.findings.front().line, 3);
  EXPECT_EQ(r.findings.back().line, 2002);
}

TEST(SintegraValidation, Utf8FileCountsColumnsByCharacters) {
  TempDir dir;
  std::vector<std::string> lines = With90(SoundLines());
  lines[6].replace(40, 6, "AÇÚCAR");  // 126 characters, 128 bytes
  ValidationReport r = Validate(lines, dir);
  EXPECT_EQ(r.findings.size(), 0u) << Describe(r);
}

TEST(SintegraValidation, RealSamplesGiveTheirKnownFaults) {
  const fs::path samples = fs::path(FISCORA_SAMPLES) / "sintegra";
  if (!fs::exists(samples)) GTEST_SKIP() << "sample files not present";
  RecordingUserInterface ui;
  // The deliberately wrong file: no record 11 and a blank purpose code.
  ValidationReport wrong =
      ValidateFile(samples / "corretor-sintegra_CFOP_DE_TRANSPORTE_com_erro.txt", ui);
  const std::string w = Describe(wrong);
  EXPECT_NE(w.find("Falta o registro 11"), std::string::npos) << w;
  EXPECT_NE(w.find("[10] finalidade erro"), std::string::npos) << w;
  // A 137-character 60M line and the signature after the five record 90 lines.
  ValidationReport signed_file = ValidateFile(samples / "siscomx_sintegra.txt", ui);
  const std::string s = Describe(signed_file);
  EXPECT_NE(s.find("5 1-137 [60M]"), std::string::npos) << s;
  EXPECT_NE(s.find("13  [EAD]  aviso"), std::string::npos) << s;
  EXPECT_EQ(s.find("registro(s) do tipo"), std::string::npos) << "type counts agree:\n" << s;
  // Finalidade 0 is no valid purpose code.
  ValidationReport erp = ValidateFile(samples / "t2ti-erp2_Sintegra01082013104717.txt", ui);
  EXPECT_NE(Describe(erp).find("inválido: '0'"), std::string::npos);
}

}  // namespace
}  // namespace fiscora
