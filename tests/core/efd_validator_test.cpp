// The structural validation of EFD files: one case per check on a small
// sound file, and the real samples.
#include "validate/efd_validator.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "sintegra_fixture.h"
#include "sped_fixture.h"
#include "validate/validate.h"
#include "validation_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
namespace fs = std::filesystem;
using L = std::vector<std::string>;

// Blocks 0 and C of a sound ICMS/IPI file of March 2024.
L SoundBlocks() {
  return {Efd0000Icms("01032024", "31032024"),
          "|0001|0|",
          "|0150|P1|FORNECEDOR|1058|11222333000181|||3550308||RUA|1||CENTRO|",
          "|0150|P2|CONSUMIDOR|1058||52998224725||3550308||RUA|2||CENTRO|",
          "|0990|5|",
          "|C001|0|",
          "|C100|0|1|P1|55|00|1|1||01022024|01022024|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|",
          "|C990|3|"};
}

ValidationReport Validate(const L& lines, const TempDir& dir) {
  RecordingUserInterface ui;
  return ValidateFile(dir.Write("efd.txt", lines), ui);
}

TEST(EfdValidation, SoundFileHasNoFindingAndASignatureAfter9999IsNotRead) {
  TempDir dir;
  L lines = WithBlock9(SoundBlocks());
  lines.push_back(std::string("SBRCAAEPDR\x01\x02|not|a|line", 24));
  ValidationReport r = Validate(lines, dir);
  EXPECT_EQ(r.kind, ValidatedKind::kEfd);
  EXPECT_EQ(r.efd_layout, EfdLayout::kIcmsIpi);
  EXPECT_EQ(r.findings.size(), 0u) << Describe(r);
}

// The layout is told by the 0000 line and each is checked by its own
// fields: the dates, the CNPJ, the number of fields.
struct LayoutCase {
  const char* name;
  const char* line0000;
  EfdLayout layout;
  const char* kind;
  const char* findings;  // "line field message" of each, or ""
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class EfdLayoutOf0000 : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(EfdLayoutOf0000, TellsTheLayoutAndChecksItsFields) {
  const LayoutCase& c = GetParam();
  TempDir dir;
  ValidationReport r = Validate(WithBlock9({c.line0000, "|0001|1|", "|0990|3|"}), dir);
  EXPECT_EQ(r.efd_layout, c.layout) << Describe(r);
  EXPECT_STREQ(ValidationKindText(r), c.kind);
  std::string found;
  for (const Finding& f : r.findings)
    found += std::to_string(f.line) + " " + FindingColumns(f) + " " + FindingMessage(f) + "\n";
  EXPECT_EQ(found, c.findings);
}

const LayoutCase kLayoutCases[] = {
    {"IcmsIpi",
     "|0000|017|0|01032024|31032024|EMPRESA|12345678000195||SP|110042490114|3550308|||A|1|",
     EfdLayout::kIcmsIpi, "EFD ICMS/IPI", ""},
    {"Contribuicoes", "|0000|006|0|||01032024|31032024|EMPRESA|12345678000195|SP|3550308||00|0|",
     EfdLayout::kContribuicoes, "EFD-Contribuições", ""},
    {"ContribuicoesWithSpecialSituation",
     "|0000|006|1|2|12345678901234567890123456789012345678901|01032024|15032024|EMPRESA|"
     "12345678000195|SP|3550308||00|0|",
     EfdLayout::kContribuicoes, "EFD-Contribuições", ""},
    {"ContribuicoesAlphanumericCnpj",
     "|0000|006|0|||01072026|31072026|EMPRESA|12ABC34501DE35|SP|3550308||00|0|",
     EfdLayout::kContribuicoes, "EFD-Contribuições", ""},
    {"ContribuicoesCheckedByItsOwnFields",
     "|0000|006|0|||01032024|31032024|EMPRESA|12345678000196|SP|3550308||00|0|",
     EfdLayout::kContribuicoes, "EFD-Contribuições",
     "1 9 CNPJ com dígito verificador inválido: 12345678000196.\n"},
    {"ContribuicoesWithoutCnpj", "|0000|006|0|||01032024|31032024|EMPRESA||SP|3550308||00|0|",
     EfdLayout::kContribuicoes, "EFD-Contribuições", "1 9 O registro 0000 não traz o CNPJ.\n"},
    {"IcmsIpiWithADamagedDate",
     "|0000|017|0|0103202|31032024|EMPRESA|12345678000195||SP|110042490114|3550308|||A|1|",
     EfdLayout::kIcmsIpi, "EFD ICMS/IPI", "1 4 Data inicial inválida: '0103202' (DDMMAAAA).\n"},
    {"ContribuicoesWithAFieldTooMany",
     "|0000|006|0||||01032024|31032024|EMPRESA|12345678000195|SP|3550308||00|0|",
     EfdLayout::kContribuicoes, "EFD-Contribuições",
     "1  O registro 0000 tem 15 campos; o leiaute da EFD-Contribuições tem 14.\n"
     "1 6 Data inicial inválida: '' (DDMMAAAA).\n"
     "1 9 CNPJ mal formado (14 caracteres: 12 algarismos ou letras maiúsculas e 2 dígitos "
     "verificadores): 'EMPRESA'.\n"},
};

INSTANTIATE_TEST_SUITE_P(Layouts, EfdLayoutOf0000, ::testing::ValuesIn(kLayoutCases),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) {
                           return info.param.name;
                         });

TEST(EfdValidation, AFileWithout0000HasNoLayout) {
  TempDir dir;
  ValidationReport r = Validate({"|0001|1|", "|0990|2|"}, dir);
  EXPECT_EQ(r.efd_layout, EfdLayout::kUnknown);
  EXPECT_STREQ(ValidationKindText(r), "EFD");
}

struct Case {
  const char* name;
  std::function<void(L&)> change;  // on the whole file, block 9 included
  int64_t line;
  int field;
  const char* message_part;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class EfdCheck : public ::testing::TestWithParam<Case> {};

TEST_P(EfdCheck, GivesItsFinding) {
  const Case& c = GetParam();
  TempDir dir;
  L lines = WithBlock9(SoundBlocks());
  c.change(lines);
  ValidationReport r = Validate(lines, dir);
  ASSERT_FALSE(r.findings.empty());
  const Finding& f = r.findings[0];
  EXPECT_EQ(f.line, c.line) << Describe(r);
  EXPECT_EQ(f.first_column, c.field) << Describe(r);
  EXPECT_EQ(f.severity, Severity::kErro);
  EXPECT_NE(FindingMessage(f).find(c.message_part), std::string::npos) << Describe(r);
}

const Case kCases[] = {
    {"Frame", [](L& l) { l[2].pop_back(); }, 3, 0, "começar e terminar"},
    {"FirstLine0000", [](L& l) { std::swap(l[0], l[1]); }, 1, 1, "começar pelo registro 0000"},
    {"Missing9999", [](L& l) { l.pop_back(); }, 0, 0, "Falta o registro 9999"},
    {"BlockNotOpened", [](L& l) { l.erase(l.begin() + 5); }, 6, 1, "falta o registro C001"},
    {"BlockNotClosed", [](L& l) { l.erase(l.begin() + 4); }, 1, 0, "falta o registro 0990"},
    {"BlockCount", [](L& l) { l[4] = "|0990|4|"; }, 5, 2,
     "declara 4 linhas no bloco 0; o bloco tem 5"},
    {"Block9Count",
     [](L& l) {
       for (auto& x : l)
         if (x == "|9900|0150|2|") x = "|9900|0150|3|";
     },
     12, 3, "declara 3 registro(s) 0150; o arquivo tem 2"},
    {"Total9999", [](L& l) { l.back() = "|9999|99|"; }, 22, 2, "declara 99 linhas"},
    {"Cnpj0000", [](L& l) { l[0].replace(l[0].find("12345678000195"), 14, "12345678000196"); }, 1,
     7, "CNPJ com dígito verificador inválido"},
    {"Cpf0150", [](L& l) { l[3].replace(l[3].find("52998224725"), 11, "52998224726"); }, 4, 6,
     "CPF com dígito verificador inválido"},
    {"PeriodOfOneMonth", [](L& l) { l[0].replace(l[0].find("31032024"), 8, "30042024"); }, 1, 4,
     "passa de um mês"},
    {"PeriodNotInverted",
     [](L& l) {
       l[0].replace(l[0].find("01032024"), 8, "31032024"),
           l[0].replace(l[0].find("|31032024|") + 10, 8, "01032024");
     },
     1, 4, "Período invertido"},
};

INSTANTIATE_TEST_SUITE_P(Checks, EfdCheck, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return info.param.name;
                         });

TEST(EfdValidation, ContribuicoesEstablishmentCnpjIsChecked) {
  TempDir dir;
  L blocks = {Efd0000Contrib("01032024", "31032024"),
              "|0001|0|",
              "|0140|E1|FILIAL|12345678000196|SP||3550308|||",
              "|0990|4|",
              "|C001|0|",
              "|C010|12345678000196|2|",
              "|C010|12ABC34501DE35|2|",
              "|C990|4|"};
  ValidationReport r = Validate(WithBlock9(blocks), dir);
  EXPECT_EQ(r.efd_layout, EfdLayout::kContribuicoes);
  ASSERT_EQ(r.findings.size(), 2u) << Describe(r);
  EXPECT_EQ(r.findings[0].line, 3);
  EXPECT_EQ(FindingRecord(r.findings[0]), "0140");
  EXPECT_EQ(r.findings[0].first_column, 4);
  EXPECT_EQ(r.findings[1].line, 6);
  EXPECT_EQ(FindingRecord(r.findings[1]), "C010");
  EXPECT_EQ(r.findings[1].first_column, 2);
}

TEST(EfdValidation, RealSamples) {
  const fs::path sped = fs::path(FISCORA_SAMPLES) / "sped";
  if (!fs::exists(sped)) GTEST_SKIP() << "sample files not present";
  RecordingUserInterface ui;
  // A signed real file is sound; its signature after |9999| is not read.
  for (const char* name : {"contrib_efdpiscofins_mais_de_um_estabelecimento.txt",
                           "contrib_jair-eng_sped_original.txt"}) {
    ValidationReport r = ValidateFile(sped / name, ui);
    EXPECT_EQ(r.findings.size(), 0u) << name << "\n" << Describe(r);
  }
  // The file with deliberate errors: blocks without their openings.
  ValidationReport wrong =
      ValidateFile(sped / "contrib_auditoria-efd-contrib_exemplo_sped_com_erros.txt", ui);
  EXPECT_NE(Describe(wrong).find("falta o registro C001"), std::string::npos) << Describe(wrong);
  // A fragment without 0000 and 9999.
  ValidationReport fragment = ValidateFile(sped / "icmsipi-fragment_chapzin_SpedInvFinal.txt", ui);
  EXPECT_NE(Describe(fragment).find("Falta o registro 9999"), std::string::npos);
}

}  // namespace
}  // namespace fiscora

namespace fiscora {
namespace {

TEST(FindingDetail, MarksTheFieldOfAnEfdLineAndTheColumnsOfASintegraLine) {
  TempDir dir;
  std::string efd = dir.Write("efd.txt", {"|0000|017|0|", "|0150|P1|NOME|1058|11222333000182|||"});
  Finding f{2, 5, 5, "0150", "CNPJ", Severity::kErro, "CNPJ com dígito verificador inválido."};
  EXPECT_EQ(FindingDetail(efd, ValidatedKind::kEfd, f),
            "Linha 2, registro 0150, CNPJ, campo 5:\nCNPJ com dígito verificador inválido.\n\n"
            "|0150|P1|NOME|1058|[11222333000182]|||");
  std::string sintegra = dir.Write("s.txt", {"10ABCDEF"});
  Finding g{1, 3, 5, "10", "CNPJ", Severity::kErro, "x"};
  EXPECT_EQ(FindingDetail(sintegra, ValidatedKind::kSintegra, g),
            "Linha 1, registro 10, CNPJ, colunas 3-5:\nx\n\n10[ABC]DEF");
  // The pieces the window shows: the place, the whole message, the line cut
  // at the faulty columns and the marks under it, below a column ruler.
  const FindingDetailParts d = DescribeFinding(sintegra, ValidatedKind::kSintegra, g);
  EXPECT_EQ(d.head, "Linha 1, registro 10, CNPJ, colunas 3-5:");
  EXPECT_EQ(d.message, "x");
  EXPECT_TRUE(d.has_line);
  EXPECT_EQ(d.before + "|" + d.marked + "|" + d.after, "10|ABC|DEF");
  EXPECT_EQ(MarkerLine(d), "  ^^^");
  // A finding of the whole line: nothing cut out, one mark after its end.
  Finding whole{1, 0, 0, "10", "", Severity::kErro, "y"};
  const FindingDetailParts w = DescribeFinding(sintegra, ValidatedKind::kSintegra, whole);
  EXPECT_EQ(w.before + w.marked + w.after, "10ABCDEF");
  EXPECT_EQ(FindingDetail(sintegra, ValidatedKind::kSintegra, whole),
            "Linha 1, registro 10:\ny\n\n10ABCDEF");
  // A line the file does not have, a finding of the whole file: no line.
  Finding gone{9, 1, 2, "10", "", Severity::kErro, "z"};
  EXPECT_FALSE(DescribeFinding(sintegra, ValidatedKind::kSintegra, gone).has_line);
  // A CP-1252 byte counts one column.
  std::string latin = dir.Write("l.txt", {"10S\xC3O PAULO"});
  Finding h{1, 5, 5, "10", "", Severity::kAviso, "w"};
  const FindingDetailParts l = DescribeFinding(latin, ValidatedKind::kSintegra, h);
  EXPECT_EQ(l.before, "10S\xC3\x83");
  EXPECT_EQ(l.marked, "O");
  EXPECT_EQ(MarkerLine(l), "    ^");
  for (const auto& [columns, ruler] : std::vector<std::pair<int, std::string>>{
           {0, ""},
           {4, "...."},
           {12, "....+...10.."},
           {25, "....+...10....+...20....+"},
           {126, std::string("....+...10....+...20....+...30....+...40....+...50....+...60") +
                     "....+...70....+...80....+...90....+..100....+..110....+..120....+."}})
    EXPECT_EQ(ColumnRuler(columns), ruler) << columns;

  ValidationReport r;
  r.kind = ValidatedKind::kSintegra;
  r.lines = 1234;
  r.errors = 1;
  r.warnings = 2;
  EXPECT_EQ(ValidationSummary(r), "Arquivo SINTEGRA com 1.234 linhas: 1 erro e 2 avisos.");
}

}  // namespace
}  // namespace fiscora
