// The validation beyond structure: for each rule the smallest change of a
// sound file that breaks it (and the finding it gives, message whole) and
// one that keeps it; then the real samples' findings counted per rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "sintegra_fixture.h"
#include "sped_fixture.h"
#include "validate/validate.h"
#include "validation_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
namespace fs = std::filesystem;
using L = std::vector<std::string>;

// Access keys: the shop's own note 123 (SP), a supplier's note 456 (RJ).
constexpr const char* kOwnKey = "35240312345678000195550010000001231000001236";
constexpr const char* kSupplierKey = "33240311222333000181550010000004561000004563";

std::string C100(const std::string& key = kOwnKey, const std::string& number = "123",
                 const std::string& doc = "1000,00", const std::string& cod_sit = "00",
                 const std::string& ind_emit = "0") {
  return EfdLine("C100", 29,
                 {{2, "1"},
                  {3, ind_emit},
                  {4, "P1"},
                  {5, "55"},
                  {6, cod_sit},
                  {7, "1"},
                  {8, number},
                  {9, key},
                  {10, "05032024"},
                  {11, "05032024"},
                  {12, doc},
                  {16, "1000,00"},
                  {17, "9"},
                  {21, "1000,00"},
                  {22, "180,00"}});
}
std::string C170(const std::string& item, const std::string& cst, const std::string& cfop,
                 const std::string& icms) {
  return EfdLine("C170", 37,
                 {{2, "1"},
                  {3, "I1"},
                  {5, "1"},
                  {6, "UN"},
                  {7, item},
                  {10, cst},
                  {11, cfop},
                  {13, item},
                  {14, "18,00"},
                  {15, icms}});
}
std::string E110(const std::string& debits, const std::string& credits, const std::string& balance,
                 const std::string& deductions, const std::string& due,
                 const std::string& carried) {
  return EfdLine("E110", 15,
                 {{2, debits},
                  {6, credits},
                  {11, balance},
                  {12, deductions},
                  {13, due},
                  {14, carried},
                  {15, "0"}});
}

// A sound EFD ICMS/IPI file of March 2024: an own exit note with two items
// (C100 line 6), an energy bill, a freight document, the apuração with the
// debits of the exits (180,00) and the credits of the entries (54,00 +
// 24,00) and an inventory of two items. The line numbers are those the
// cases name.
L IcmsIpi() {
  return {
      Efd0000Icms("01032024", "31032024"),
      "|0001|0|",
      "|0150|P1|FORNECEDOR|1058|11222333000181|||3304557||RUA|1||CENTRO|",
      "|0990|0|",
      "|C001|0|",
      C100(),                                                   // 6
      C170("600,00", "000", "5102", "108,00"),                  // 7
      C170("400,00", "000", "5102", "72,00"),                   // 8
      "|C190|000|5102|18,00|1000,00|1000,00|180,00|0|0|0|0||",  // 9
      EfdLine("C500", 27,
              {{2, "0"},
               {3, "1"},
               {4, "P1"},
               {5, "06"},
               {6, "00"},
               {10, "77"},
               {11, "02032024"},
               {12, "02032024"},
               {13, "300,00"},
               {19, "300,00"},
               {20, "54,00"}}),                            // 10
      "|C590|000|1253|18,00|300,00|300,00|54,00|0|0|0||",  // 11
      "|C990|0|",
      "|D001|0|",
      EfdLine("D100", 23,
              {{2, "0"},
               {3, "1"},
               {4, "P1"},
               {5, "57"},
               {6, "00"},
               {9, "55"},
               {11, "10032024"},
               {12, "10032024"},
               {15, "200,00"},
               {18, "200,00"},
               {19, "200,00"},
               {20, "24,00"}}),                        // 14
      "|D190|000|1353|12,00|200,00|200,00|24,00|0||",  // 15
      "|D990|0|",
      "|E001|0|",
      "|E100|01032024|31032024|",
      E110("180,00", "78,00", "102,00", "0", "102,00", "0"),  // 19
      "|E990|0|",
      "|H001|0|",
      "|H005|31122023|1000,00|01|",             // 22
      "|H010|I1|UN|10|60,00|600,00|0||||",      // 23
      "|H010|I2|UN|3|133,333333|400,00|0||||",  // 24
      "|H990|0|",
  };
}

// A sound EFD-Contribuições file: the head office (SP) and a branch (RJ),
// an own note of each.
L Contribuicoes() {
  return {
      Efd0000Contrib("01032024", "31032024"),
      "|0001|0|",
      "|0140|E1|EMPRESA|12345678000195|SP||3550308|||",
      "|0140|E2|FILIAL|12345678000276|RJ||3304557|||",
      "|0990|0|",
      "|C001|0|",
      "|C010|12345678000195|2|",
      C100(),  // 8
      "|C010|12345678000276|2|",
      C100("33240312345678000276550010000001241000001240", "124"),  // 10
      "|C990|0|",
  };
}

enum class Kind { kIcmsIpi, kContribuicoes, kSintegra };

struct RuleCase {
  const char* name;
  int rule;
  Kind kind;
  std::function<void(L&)> change;  // on the sound lines, before block 9 or record 90
  Check check;                     // kText for a case that keeps: no finding at all
  bool breaks;                     // the finding of `check` comes, or none of it
  int64_t line = 0;
  int column = 0;
  Severity severity = Severity::kErro;
  const char* message = "";
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }

ValidationReport Validate(const RuleCase& c, const TempDir& dir) {
  L lines = c.kind == Kind::kIcmsIpi         ? IcmsIpi()
            : c.kind == Kind::kContribuicoes ? Contribuicoes()
                                             : SoundSintegraLines();
  c.change(lines);
  lines = c.kind == Kind::kSintegra ? With90(lines) : WithBlock9(lines);
  RecordingUserInterface ui;
  return ValidateFile(dir.Write("file.txt", lines), ui);
}

TEST(ValidationRules, SoundFilesHaveNoFinding) {
  TempDir dir;
  for (Kind kind : {Kind::kIcmsIpi, Kind::kContribuicoes, Kind::kSintegra}) {
    ValidationReport r = Validate(RuleCase{"", 0, kind, [](L&) {}, Check::kText, false}, dir);
    EXPECT_EQ(r.findings.size(), 0u) << Describe(r);
  }
}

class Rule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(Rule, BreaksOrKeeps) {
  const RuleCase& c = GetParam();
  TempDir dir;
  ValidationReport r = Validate(c, dir);
  std::vector<Finding> of_check;
  for (const Finding& f : r.findings)
    if (f.check == c.check) of_check.push_back(f);
  if (!c.breaks) {
    EXPECT_TRUE(c.check == Check::kText ? r.findings.empty() : of_check.empty()) << Describe(r);
    return;
  }
  // The finding at its line and column; others of the rule may follow from
  // the same change (a note without its C190 misses every sum).
  auto at = std::find_if(of_check.begin(), of_check.end(), [&](const Finding& f) {
    return f.line == c.line && f.first_column == c.column;
  });
  ASSERT_NE(at, of_check.end()) << Describe(r);
  EXPECT_EQ(at->severity, c.severity);
  EXPECT_EQ(FindingMessage(*at), c.message);
}

// Replaces `from` by `to` in line `n` (1-based).
std::function<void(L&)> Edit(size_t n, std::string from, std::string to) {
  return [=](L& l) {
    std::string& line = l.at(n - 1);
    size_t at = line.find(from);
    if (at == std::string::npos) throw std::logic_error(from + " not in " + line);
    line.replace(at, from.size(), to);
  };
}
std::function<void(L&)> Set(size_t n, std::string line) {
  return [=](L& l) { l.at(n - 1) = line; };
}
std::function<void(L&)> Both(std::function<void(L&)> a, std::function<void(L&)> b) {
  return [=](L& l) { a(l), b(l); };
}

using K = Kind;
using C = Check;
constexpr Severity kErro = Severity::kErro, kAviso = Severity::kAviso;

const RuleCase kRules[] = {
    // 1. C100 against its C190.
    {"DocumentValue", 1, K::kIcmsIpi, Edit(6, "|1000,00|", "|1010,00|"), C::kC100VsC190, true,
     6, 12, kAviso,
     "C100 VL_DOC 1.010,00 difere da soma dos C190 VL_OPR 1.000,00 (diferença 10,00)."},
    {"DocumentIcms", 1, K::kIcmsIpi, Edit(6, "|180,00|", "|170,00|"), C::kC100VsC190, true, 6, 22,
     kErro, "C100 VL_ICMS 170,00 difere da soma dos C190 VL_ICMS 180,00 (diferença -10,00)."},
    {"CancelledDocumentIsNotSummed", 1, K::kIcmsIpi,
     Set(6, C100(kOwnKey, "123", "1010,00", "02")), C::kC100VsC190, false},
    {"DocumentWithoutAnalyticLines", 1, K::kIcmsIpi, [](L& l) { l.erase(l.begin() + 8); },
     C::kC100VsC190, true, 6, 12, kAviso,
     "C100 VL_DOC 1.000,00 difere da soma dos C190 VL_OPR 0,00 (diferença 1.000,00)."},
    // 2. C190 against the C170 of its CST, CFOP and rate; VL_MERC.
    {"AnalyticAgainstItems", 2, K::kIcmsIpi, Edit(8, "|72,00|", "|70,00|"), C::kC190VsC170, true,
     9, 7, kErro,
     "C190 VL_ICMS 180,00 difere da soma dos C170 VL_ICMS 178,00 de CST 000, CFOP 5102 e "
     "alíquota 18,00 (diferença 2,00)."},
    {"ItemsWithoutAnalyticLine", 2, K::kIcmsIpi, Edit(8, "|000|5102|", "|060|5405|"),
     C::kC170WithoutC190, true, 8, 0, kErro,
     "Os C170 de CST 060, CFOP 5405 e alíquota 18,00 não têm o C190 que os totaliza (VL_ITEM "
     "somado 400,00)."},
    {"GoodsValue", 2, K::kIcmsIpi, Edit(6, "|1000,00|9|", "|900,00|9|"), C::kC100VsC170, true, 6,
     16, kAviso,
     "C100 VL_MERC 900,00 difere da soma dos C170 VL_ITEM 1.000,00 (diferença -100,00)."},
    {"RateWrittenWithoutDecimals", 2, K::kIcmsIpi, Edit(9, "|18,00|", "|18|"), C::kC190VsC170,
     false},
    {"NoteWithoutItems", 2, K::kIcmsIpi, [](L& l) { l.erase(l.begin() + 6, l.begin() + 8); },
     C::kC100VsC170, false},
    // 3. C500/C590 and D100/D190.
    {"EnergyBillIcms", 3, K::kIcmsIpi, Edit(10, "|54,00|", "|50,00|"), C::kC500VsC590, true, 10,
     20, kErro, "C500 VL_ICMS 50,00 difere da soma dos C590 VL_ICMS 54,00 (diferença -4,00)."},
    {"FreightValue", 3, K::kIcmsIpi, Edit(14, "|200,00|", "|210,00|"), C::kD100VsD190, true, 14,
     15, kAviso,
     "D100 VL_DOC 210,00 difere da soma dos D190 VL_OPR 200,00 (diferença 10,00)."},
    {"CancelledFreightIsNotSummed", 3, K::kIcmsIpi,
     Both(Edit(14, "|57|00|", "|57|02|"), Edit(14, "|200,00|", "|210,00|")), C::kD100VsD190,
     false},
    // 4. The inventory.
    {"InventoryTotal", 4, K::kIcmsIpi, Edit(22, "1000,00", "1100,00"), C::kH005VsH010, true, 22,
     3, kErro,
     "H005 VL_INV 1.100,00 difere da soma dos H010 VL_ITEM 1.000,00 (diferença 100,00)."},
    {"InventoryItem", 4, K::kIcmsIpi, Edit(23, "|60,00|", "|61,00|"), C::kH010Product, true, 23,
     6, kAviso,
     "H010 VL_ITEM 600,00 difere de QTD × VL_UNIT (10 × 61,00 = 610,00) em mais de um "
     "centavo."},
    {"InventoryItemWithinACent", 4, K::kIcmsIpi, Edit(24, "133,333333", "133,33"),
     C::kH010Product, false},
    // 5. E110.
    {"Balance", 5, K::kIcmsIpi, Set(19, E110("180,00", "78,00", "100,00", "0", "100,00", "0")),
     C::kE110Formula, true, 19, 11, kErro,
     "E110 VL_SLD_APURADO 100,00 difere do saldo devedor dos campos 02 a 10 (débitos e seus "
     "ajustes menos créditos, seus ajustes e o saldo credor anterior; zero quando negativo): "
     "102,00."},
    {"Due", 5, K::kIcmsIpi, Set(19, E110("180,00", "78,00", "102,00", "0", "90,00", "0")),
     C::kE110Formula, true, 19, 13, kErro,
     "E110 VL_ICMS_RECOLHER 90,00 difere de VL_SLD_APURADO menos VL_TOT_DED (zero quando "
     "negativo): 102,00."},
    {"CreditCarried", 5, K::kIcmsIpi,
     Set(19, E110("180,00", "78,00", "102,00", "0", "102,00", "5,00")), C::kE110Formula, true, 19,
     14, kErro,
     "E110 VL_SLD_CREDOR_TRANSPORTAR 5,00 difere do saldo credor dos campos 02 a 10 mais o que "
     "VL_TOT_DED excede VL_SLD_APURADO: 0,00."},
    {"DeductionsBeyondTheBalance", 5, K::kIcmsIpi,
     Set(19, E110("180,00", "78,00", "102,00", "120,00", "0", "18,00")), C::kE110Formula, false},
    {"DebitsOfTheExits", 5, K::kIcmsIpi,
     Set(19, E110("190,00", "78,00", "112,00", "0", "112,00", "0")), C::kE110Totals, true, 19, 2,
     kAviso,
     "E110 VL_TOT_DEBITOS 190,00 difere da soma do VL_ICMS das saídas nos registros analíticos "
     "(C190, C320, C390, C490, C590, C690, C790, C850, C890, D190, D300, D390, D410, D590, D690, "
     "D696): 180,00 (diferença 10,00)."},
    {"LateNoteIsNoDebit", 5, K::kIcmsIpi,
     Both(Set(6, C100(kOwnKey, "123", "1000,00", "01")),
          Set(19, E110("0", "78,00", "0", "0", "0", "78,00"))),
     C::kE110Totals, false},
    // 6. The access key of C100.
    {"KeyCheckDigit", 6, K::kIcmsIpi,
     Set(6, C100("35240312345678000195550010000001231000001237")), C::kKeyCheckDigit, true, 6, 9,
     kErro,
     "Chave de acesso com dígito verificador inválido: "
     "35240312345678000195550010000001231000001237."},
    {"KeyForm", 6, K::kIcmsIpi, Set(6, C100("3524031234567800019555001000000123100000123")),
     C::kKeyMalformed, true, 6, 9, kErro,
     "Chave de acesso mal formada (44 algarismos; o CNPJ nela pode ser alfanumérico): "
     "'3524031234567800019555001000000123100000123'."},
    {"KeyAndNote", 6, K::kIcmsIpi, Set(6, C100(kOwnKey, "124")), C::kKeyDisagrees, true, 6, 9,
     kErro,
     "A chave de acesso traz modelo 55, série 001 e número 000000123; o C100 traz modelo 55, "
     "série 1 e número 124."},
    {"OwnKeyCnpj", 6, K::kIcmsIpi, Set(6, C100("35240311222333000181550010000001231000001235")),
     C::kKeyCnpj, true, 6, 9, kErro,
     "Nota própria (IND_EMIT 0) com chave de acesso do CNPJ 11222333000181; o do "
     "estabelecimento é 12345678000195."},
    {"OwnKeyUf", 6, K::kIcmsIpi, Set(6, C100("33240312345678000195550010000001231000001231")),
     C::kKeyUf, true, 6, 9, kErro,
     "Nota própria (IND_EMIT 0) com chave de acesso da UF de código 33; o estabelecimento é de "
     "SP (código 35)."},
    {"SupplierKey", 6, K::kIcmsIpi,
     Set(6, C100(kSupplierKey, "456", "1000,00", "00", "1")), C::kKeyCnpj, false},
    {"BranchKeyCnpj", 6, K::kContribuicoes, Set(10, C100(kOwnKey, "123")), C::kKeyCnpj, true, 10,
     9, kErro,
     "Nota própria (IND_EMIT 0) com chave de acesso do CNPJ 12345678000195; o do "
     "estabelecimento é 12345678000276."},
    {"BranchKeyUf", 6, K::kContribuicoes,
     Set(10, C100("35240312345678000276550010000001241000001244", "124")), C::kKeyUf, true, 10, 9,
     kErro,
     "Nota própria (IND_EMIT 0) com chave de acesso da UF de código 35; o estabelecimento é de "
     "RJ (código 33)."},
    // 7. Repeated keys.
    {"RepeatedKey", 7, K::kIcmsIpi, [](L& l) { l.insert(l.begin() + 9, C100()); },
     C::kKeyRepeated, true, 10, 9, kErro, "Chave de acesso repetida: já está no C100 da linha 6."},
    {"RepeatedKeyAcrossEstablishments", 7, K::kContribuicoes,
     Set(10, C100(kOwnKey, "123")), C::kKeyRepeated, true, 10, 9, kErro,
     "Chave de acesso repetida: já está no C100 da linha 8."},
    {"AnotherKey", 7, K::kIcmsIpi,
     [](L& l) {
       l.insert(l.begin() + 9,
                C100("35240312345678000195550010000001251000001257", "125", "0", "02"));
     },
     C::kKeyRepeated, false},
    // 8. The alphanumeric CNPJ: in the EFD and in the key; SINTEGRA keeps
    // its numeric field.
    {"AlphanumericCnpj", 8, K::kIcmsIpi,
     Both(Edit(1, "12345678000195", "12ABC34501DE35"),
          Set(6, C100("35240312ABC34501DE35550010000001231000001236"))),
     C::kText, false},
    {"AlphanumericCnpjOfTheKey", 8, K::kIcmsIpi,
     Both(Edit(1, "12345678000195", "12ABC34501DE35"),
          Set(6, C100("35240312ABC34501DE35550010000001231000001236"))),
     C::kKeyCnpj, false},
    {"AlphanumericCnpjNotInSintegra", 8, K::kSintegra, Edit(3, "11222333000181", "12ABC34501DE35"),
     C::kCnpjNotDigits, true, 3, 3, kErro,
     "CNPJ com caracteres que não são algarismos: '12ABC34501DE35'."},
    // 9. SINTEGRA.
    {"ForeignParty", 9, K::kSintegra,
     Set(3, Good50(1, 'T', "3102").Put(3, std::string(14, '0')).Put(17, std::string(14, ' ')).Put(
                39, "EX")),
     C::kText, false},
    {"BlankIeOfAPartyInTheCountry", 9, K::kSintegra,
     Set(3, Good50().Put(17, std::string(14, ' '))), C::kIeBlank, true, 3, 17, kErro,
     "Inscrição estadual em branco (use ISENTO quando não houver)."},
    {"FreightItem", 9, K::kSintegra,
     Set(4, Good54().Put(32, "   ").Put(35, "991").Put(38, std::string(14, ' '))),
     C::kItemWithoutCode, false},
    {"ItemWithoutCode", 9, K::kSintegra, Set(4, Good54().Put(38, std::string(14, ' '))),
     C::kItemWithoutCode, true, 4, 38, kErro,
     "Item 001 sem código do produto: só os itens 991 a 999 (frete, seguro e outras despesas) vão "
     "sem ele."},
    {"ItemWithoutCst", 9, K::kSintegra, Set(4, Good54().Put(32, "   ")), C::kItemWithoutCst, true,
     4, 32, kErro,
     "Item 001 sem CST: só os itens 991 a 999 (frete, seguro e outras despesas) vão sem ele."},
    {"CancelledNoteWithAmounts", 9, K::kSintegra, Set(3, Good50().Put(126, "S")),
     C::kCancelledWithAmounts, true, 3, 57, kErro,
     "Nota cancelada (situação S) com valor total 100,00: a nota cancelada vai com os valores "
     "zerados."},
    {"CancelledNoteAtZero", 9, K::kSintegra,
     Set(3, R50("1102", 0, 'T', 1, 0, 0).Put(17, "ISENTO        ").Put(122, "0000").Put(126, "S")),
     C::kCancelledWithAmounts, false},
    {"CfopOfAnotherState", 9, K::kSintegra, Set(3, Good50(1, 'T', "2102")), C::kCfopUf, true, 3,
     52, kAviso,
     "CFOP 2102 é de operação com outro estado, mas o participante é de SP, o estado do "
     "estabelecimento."},
    {"CfopOfTheState", 9, K::kSintegra, Set(3, Good50().Put(39, "RJ")), C::kCfopUf, true, 3, 52,
     kAviso, "CFOP 1102 é de operação dentro do estado, mas o participante é de RJ e o "
             "estabelecimento de SP."},
    {"CfopAbroad", 9, K::kSintegra, Set(3, Good50(1, 'T', "3102")), C::kCfopUf, true, 3, 52,
     kAviso,
     "CFOP 3102 é de operação com o exterior, mas o participante é de SP (o do exterior tem UF "
     "EX)."},
    {"ThirdPartyExit", 9, K::kSintegra, Set(3, Good50(1, 'T', "5102")), C::kCfopDirection, true,
     3, 52, kAviso,
     "Nota de terceiros (emitente T) com CFOP de saída 5102: a nota recebida de terceiros é uma "
     "entrada (CFOP iniciado por 1, 2 ou 3)."},
    {"OwnExitToAnotherState", 9, K::kSintegra,
     Set(3, Good50(1, 'P', "6102").Put(39, "RJ")), C::kCfopUf, false},
};

INSTANTIATE_TEST_SUITE_P(Rules, Rule, ::testing::ValuesIn(kRules),
                         [](const ::testing::TestParamInfo<RuleCase>& info) {
                           return "R" + std::to_string(info.param.rule) + "_" + info.param.name;
                         });

// Findings keep their check and values, not their message: a finding is
// small, and a file of findings out of order holds no text beyond the few
// characters of a record type.
TEST(ValidationFindings, KeepValuesAndBuildTheirMessagesWhenRead) {
  static_assert(sizeof(Finding) <= 96);
  TempDir dir;
  L lines = With90(SoundSintegraLines());
  std::reverse(lines.begin() + 2, lines.end());  // 90 first, then the others backwards
  RecordingUserInterface ui;
  ValidationReport r = ValidateFile(dir.Write("reversed.txt", lines), ui);
  ASSERT_GE(r.findings.size(), 5u) << Describe(r);
  for (const Finding& f : r.findings) EXPECT_LE(f.text.size(), 3u) << FindingMessage(f);
  EXPECT_EQ(FindingMessage(r.findings[0]),
            "Registro 75 fora de ordem: vem depois do registro 90 (a ordem é 10, 11, os demais "
            "em ordem crescente e o 90 por último).");
  // A record too long for the finding is kept before its text.
  ValidationReport efd = ValidateFile(dir.Write("efd.txt", {"|C10000|1|"}), ui);
  ASSERT_FALSE(efd.findings.empty());
  const Finding& code = efd.findings[1];
  EXPECT_EQ(FindingRecord(code), "C10000");
  EXPECT_EQ(FindingMessage(code), "Código de registro inválido: 'C10000'.");
}

// The rule of a finding's check (0: a structural finding).
int RuleOf(Check c) {
  switch (c) {
    case C::kC100VsC190:
      return 1;
    case C::kC190VsC170:
    case C::kC170WithoutC190:
    case C::kC100VsC170:
      return 2;
    case C::kC500VsC590:
    case C::kD100VsD190:
      return 3;
    case C::kH005VsH010:
    case C::kH010Product:
      return 4;
    case C::kE110Formula:
    case C::kE110Totals:
      return 5;
    case C::kKeyMalformed:
    case C::kKeyCheckDigit:
    case C::kKeyDisagrees:
    case C::kKeyCnpj:
    case C::kKeyUf:
      return 6;
    case C::kKeyRepeated:
      return 7;
    case C::kCfopUf:
    case C::kCfopDirection:
    case C::kCancelledWithAmounts:
    case C::kItemWithoutCode:
    case C::kItemWithoutCst:
      return 9;
    default:
      return 0;
  }
}

// The real samples, read in place: their findings per rule (rule 0 counts
// the structural ones).
TEST(ValidationRules, RealSamplesGiveTheirKnownFindingsPerRule) {
  const fs::path samples(FISCORA_SAMPLES);
  if (!fs::exists(samples / "sped")) GTEST_SKIP() << "sample files not present";
  // Rule 1: the notes' VL_DOC (7 in pyspedfiscal, one in eficaz) and their
  // other sums; 4: the H005 totals of the inventory fragments and the H010
  // items whose VL_UNIT was rounded to the cent; 6 and 7: keys.
  const std::string chapzin = "sped/icmsipi_chapzin_41334079000255-069045038-";
  const std::map<std::string, std::map<int, int>> expected = {
      {"sintegra/corretor-sintegra_CFOP_DE_TRANSPORTE_com_erro.txt", {{0, 8}}},
      {"sintegra/corretor-sintegra_SINTEGRA_EXEMPLO_SINTETICO.TXT", {{0, 6}}},
      {"sintegra/progcomercial_SINTEGRA.TXT", {{0, 2}}},
      {"sintegra/siscomx_sintegra.txt", {{0, 9}}},
      {"sintegra/t2ti-erp2_Sintegra01082013104717.txt", {{0, 5}}},
      {"sintegra/t2ti-erp2_Sintegra11082014005857.txt", {{0, 105}}},
      {"sintegra/t2ti-paf-ecf_sintegra.txt", {{0, 13}}},
      {"sped/contrib_auditoria-efd-contrib_exemplo_sped_com_erros.txt", {{0, 7}, {7, 1}}},
      {"sped/contrib_efdpiscofins_mais_de_um_estabelecimento.txt", {}},
      {"sped/contrib_jair-eng_sped_original.txt", {}},
      {"sped/contrib_rust-sped_efd_data_random.txt", {{0, 30}, {6, 61}}},
      {"sped/contrib_t2ti-erp2_SpedContribuicoes10112014122529.txt", {{0, 1}, {6, 1}, {7, 1}}},
      {"sped/icmsipi-fragment_chapzin_SpedInvFinal.txt", {{0, 6}, {4, 1086}}},
      {"sped/icmsipi-fragment_chapzin_SpedInvInicial.txt", {{0, 6}, {4, 623}}},
      {"sped/icmsipi-fragment_corajosoje_ArquivoMinimoParaTestes.txt", {{0, 2}}},
      {chapzin + "20120101-20120131-0-1AD1DD27C2BBC1A9E620D8E007AD71311F14D4F6-SPED-EFD.txt", {}},
      {chapzin + "20120201-20120229-0-64A6F66C27A6413159EF1DC72CB6A8034A5D2922-SPED-EFD.txt",
       {{4, 1441}}},
      {"sped/icmsipi_chapzin_sped_2017-01.txt", {}},
      {"sped/icmsipi_corajosoje_59546515000134-142595262117-20211201-20211231-1-"
       "74E6223D58110D962A1CD3B47E64185005653230-SPED-EFD.txt",
       {{7, 1}}},
      {"sped/icmsipi_eficaz_EFD_ICMS_IPI_2020.txt", {{0, 2}, {1, 1}, {2, 1}, {6, 4478}, {7, 1}}},
      {"sped/icmsipi_elvisgs-sped_sped_test_expected.txt", {{2, 2}, {5, 1}}},
      {"sped/icmsipi_elvisgs-sped_sped_test_expected_perfil_c.txt", {{0, 2}, {5, 1}}},
      {"sped/icmsipi_java-efd-icms_efd.txt", {{0, 3}, {6, 2}}},
      {"sped/icmsipi_nfephp-sped-efd_Arquivoexemplo.TXT", {{4, 1}}},
      {"sped/icmsipi_pyspedfiscal_arquivo_teste.txt", {{0, 14}, {1, 21}, {2, 6}, {5, 1}, {6, 2}}},
      {"sped/icmsipi_siscomx_SPED.TXT", {{0, 2036}}},
      {"sped/icmsipi_t2ti-paf-ecf_SpedFiscal.txt", {{0, 1}}},
  };
  RecordingUserInterface ui;
  for (const auto& [name, counts] : expected) {
    ValidationReport r = ValidateFile(samples / name, ui);
    std::map<int, int> found;
    for (const Finding& f : r.findings) ++found[RuleOf(f.check)];
    EXPECT_EQ(found, counts) << name;
  }
  // The notes whose VL_DOC differs from their C190 (COD_SIT 00, 01, 06, 07,
  // 08), and the inventory whose H005 differs from its items.
  auto count = [&](const std::string& name, const std::string& part) {
    int n = 0;
    for (const Finding& f : ValidateFile(samples / name, ui).findings)
      n += FindingMessage(f).find(part) != std::string::npos;
    return n;
  };
  EXPECT_EQ(count("sped/icmsipi_pyspedfiscal_arquivo_teste.txt", "VL_DOC"), 7);
  EXPECT_EQ(count("sped/icmsipi_eficaz_EFD_ICMS_IPI_2020.txt", "C100 VL_DOC 403,70"), 1);
  EXPECT_EQ(count("sped/icmsipi-fragment_chapzin_SpedInvFinal.txt",
                  "H005 VL_INV 1.726.778,31 difere da soma dos H010 VL_ITEM 3.001.141,18"),
            1);
}

}  // namespace
}  // namespace fiscora
