// The stock audit from EFD files: a small set of three products over two
// months with every source (block H, C170, the XML items, C425 and C470, a
// unit conversion, IND_MOV 1, cancelled and complementary notes), a table
// of one rule per case, the errors, and the real samples read in place.
#include "audit/efd_audit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "audit/movements.h"
#include "cli_fixture.h"
#include "efd_audit_fixture.h"
#include "sintegra/input_check.h"
#include "sped/fields.h"
#include "xlsx_reader.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using namespace fiscora::testing;

double Qty(ClientTable& audit, std::string_view code, std::string_view field) {
  if (!audit.Locate("CODIGO", {std::string(code)})) ADD_FAILURE() << "no row for " << code;
  return audit.FieldByName(field).AsFloat();
}
Money Value(ClientTable& audit, std::string_view code, std::string_view field) {
  if (!audit.Locate("CODIGO", {std::string(code)})) ADD_FAILURE() << "no row for " << code;
  return audit.FieldByName(field).AsCurrency();
}
Money Reais(double v) { return Money::FromDouble(v); }

TEST(EfdAudit, SmallSetCountsEverySource) {
  SmallSet set;
  TestSession t;
  const EfdAuditOutcome o = RunEfdAudit(t.s, set.Inputs());
  ClientTable& audit = t.dtm.cds_audit;
  ASSERT_EQ(audit.RecordCount(), 4);  // A, B, C and Z

  struct Case {
    const char* code;
    const char* field;
    double qty;
  } cases[] = {
      {"A", "QTD_INICIAL", 10},  {"A", "EREVENDA", 20},     {"A", "SREVENDA", 10},
      {"A", "SECF", 6},          {"A", "SAIDAS_ECF", 6},    {"A", "SAIDAS_XML", 8},
      {"A", "TOTALSAIDAS", 16},  {"A", "SEM_CONVERSAO", 4}, {"A", "QTD_FINAL", 10},
      {"A", "OM_SAIDA", 4},      {"A", "OM_ENTRADA", 0},    {"B", "EREVENDA", 24},
      {"B", "SAIDAS_XML", 12},   {"B", "SREVENDA", 15},     {"B", "OM_ENTRADA", 6},
      {"C", "TOTALENTRADAS", 7}, {"C", "QTD_IND_MOV1", 5},  {"C", "SECF", 1},
      {"C", "OM_ENTRADA", 1},    {"Z", "SECF", 1},          {"Z", "OM_ENTRADA", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.code) + " " + c.field);
    EXPECT_DOUBLE_EQ(Qty(audit, c.code, c.field), c.qty);
  }
  EXPECT_EQ(Value(audit, "A", "EREVENDA_VAL"), Reais(40));
  EXPECT_EQ(Value(audit, "A", "SREVENDA_VAL"), Reais(30));
  EXPECT_EQ(Value(audit, "A", "SECF_VAL"), Reais(18));
  EXPECT_EQ(Value(audit, "A", "TOTALSAIDAS_VAL"), Reais(48));
  EXPECT_EQ(Value(audit, "A", "INV_INI_UNITARIO"), Reais(2));
  EXPECT_EQ(Value(audit, "B", "SREVENDA_VAL"), Reais(240));
  EXPECT_EQ(Value(audit, "B", "INV_FIM_UNITARIO"), Reais(10));
  EXPECT_EQ(audit.AsString(faudit::descricao), "TINTA");

  EXPECT_EQ(o.periods, (std::vector<std::string>{"03/2025", "04/2025"}));
  EXPECT_EQ(o.opening_date, "28/02/2025");
  EXPECT_EQ(o.closing_date, "30/04/2025");
  EXPECT_EQ(o.opening_total, Reais(82));
  EXPECT_EQ(o.closing_total, Reais(260));
  EXPECT_EQ(o.opening_items, 3);
  EXPECT_EQ(o.exits_by_xml, 1);
  EXPECT_EQ(o.exits_by_c170, 2);
  EXPECT_TRUE(o.warnings.empty());

  ASSERT_EQ(o.exits_without_items.size(), 1u);
  EXPECT_EQ(o.exits_without_items[0].number, "2");
  EXPECT_EQ(o.exits_without_items[0].value, Reais(99));
  EXPECT_EQ(o.exits_without_items[0].date, "10/03/2025");
  EXPECT_EQ(o.exits_without_items[0].reason, "sem itens (C170) e sem o XML da chave");
  ASSERT_EQ(o.without_conversion.size(), 1u);
  EXPECT_EQ(o.without_conversion[0].code, "A");
  EXPECT_EQ(o.without_conversion[0].unit, "PC");
  EXPECT_EQ(o.without_conversion[0].exits, 4);
  EXPECT_EQ(o.without_conversion[0].where, set.april + ":10");
  ASSERT_EQ(o.without_record.size(), 1u);
  EXPECT_EQ(o.without_record[0].code, "Z");
  ASSERT_EQ(o.third_party.size(), 1u);
  EXPECT_EQ(o.third_party[0].code, "D");
  EXPECT_EQ(o.third_party[0].quantity, 7);
  EXPECT_EQ(o.third_party[0].inventory, "inicial");
}

TEST(EfdAudit, IndMov1CountsOnlyWhenChosen) {
  SmallSet set;
  TestSession t;
  RunEfdAudit(t.s, set.Inputs(false));
  ClientTable& audit = t.dtm.cds_audit;
  EXPECT_EQ(Qty(audit, "C", "QTD_IND_MOV1"), 5);  // shown either way
  EXPECT_EQ(Qty(audit, "C", "TOTALENTRADAS"), 2);
  EXPECT_EQ(Qty(audit, "C", "OM_ENTRADA"), 6);
}

TEST(EfdAudit, WithoutXmlTheExitNotesAreListed) {
  SmallSet set;
  TestSession t;
  EfdAuditInputs in = set.Inputs();
  in.xml.clear();
  const EfdAuditOutcome o = RunEfdAudit(t.s, in);
  ASSERT_EQ(o.exits_without_items.size(), 2u);
  EXPECT_EQ(o.exits_without_items[0].reason, "sem itens (C170) e nenhum XML informado");
  EXPECT_EQ(Qty(t.dtm.cds_audit, "A", "SAIDAS_XML"), 0);
}

// ------------------------------------------------------------ one rule per case

TEST(EfdAudit, RulesOfTheSources) {
  struct Case {
    const char* name;
    L lines;
    const char* field;  // of product B; null: B gets no row
    double qty;
  } cases[] = {
      {"regular note", {LC100("0", "00", "1"), LC170("B", "2", "UN", "1", "1102")}, "EREVENDA", 2},
      {"extemporaneous note",
       {LC100("0", "01", "1"), LC170("B", "2", "UN", "1", "1102")},
       "EREVENDA",
       2},
      {"special regime note",
       {LC100("0", "08", "1"), LC170("B", "2", "UN", "1", "1102")},
       "EREVENDA",
       2},
      {"cancelled", {LC100("0", "02", "1"), LC170("B", "2", "UN", "1", "1102")}, nullptr, 0},
      {"cancelled late", {LC100("0", "03", "1"), LC170("B", "2", "UN", "1", "1102")}, nullptr, 0},
      {"denied", {LC100("0", "04", "1"), LC170("B", "2", "UN", "1", "1102")}, nullptr, 0},
      {"complementary", {LC100("0", "06", "1"), LC170("B", "2", "UN", "1", "1102")}, nullptr, 0},
      {"complementary late",
       {LC100("0", "07", "1"), LC170("B", "2", "UN", "1", "1102")},
       nullptr,
       0},
      {"box of 12, unit in small letters",
       {LC100("0", "00", "1"), LC170("B", "2", "cx", "1", "1102")},
       "EREVENDA",
       24},
      {"input", {LC100("0", "00", "1"), LC170("B", "2", "UN", "1", "1101")}, "EINSUMO", 2},
      {"return", {LC100("1", "00", "1"), LC170("B", "2", "UN", "1", "5202")}, "SDEVOLUCAO", 2},
      {"import counts as an entry",
       {LC100("0", "00", "1"), LC170("B", "2", "UN", "1", "3102")},
       "TOTALENTRADAS",
       2},
      {"export counts as an exit",
       {LC100("1", "00", "1"), LC170("B", "2", "UN", "1", "7102")},
       "TOTALSAIDAS",
       2},
      {"CFOP 4xxx counts nowhere",
       {LC100("0", "00", "1"), LC170("B", "2", "UN", "1", "4102")},
       nullptr,
       0},
      {"IND_MOV 1",
       {LC100("0", "00", "1"), LC170("B", "2", "UN", "1", "1102", "1")},
       "QTD_IND_MOV1",
       2},
      {"C425 only", {"|C400|2D|E|1|1|", LC405(), LC425("B", "2", "UN", "1")}, "SAIDAS_ECF", 2},
      {"C470 less the cancelled",
       {"|C400|2D|E|1|1|", LC405(), LC470("B", "5", "2", "UN", "1")},
       "SAIDAS_ECF",
       3},
      {"C425 wins over C470",
       {"|C400|2D|E|1|1|", LC405(), LC425("B", "2", "UN", "1"), LC470("B", "5", "0", "UN", "1")},
       "SAIDAS_ECF",
       2},
      {"each reduction on its own",
       {"|C400|2D|E|1|1|", LC405(), LC425("B", "2", "UN", "1"), LC405(),
        LC470("B", "5", "0", "UN", "1")},
       "SAIDAS_ECF",
       7},
      {"ECF in boxes", {"|C400|2D|E|1|1|", LC405(), LC425("B", "1", "CX", "1")}, "SECF", 12},
      {"unit without conversion",
       {LC100("0", "00", "1"), LC170("B", "2", "PC", "1", "1102")},
       "SEM_CONVERSAO",
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    TestSession t;
    EfdAuditInputs in;
    in.periods = {EfdFile(dir, "p.txt", "01032025", "31032025", c.lines)};
    RunEfdAudit(t.s, in);
    ClientTable& audit = t.dtm.cds_audit;
    if (!c.field) {
      EXPECT_EQ(audit.RecordCount(), 0);
      continue;
    }
    EXPECT_DOUBLE_EQ(Qty(audit, "B", c.field), c.qty);
  }
}

TEST(EfdAudit, ForeignTradeCountsOnlyInTheEfdAudit) {
  EXPECT_EQ(AuditSideOf("3102"), AuditSide::kNone);
  EXPECT_EQ(AuditSideOf("7102"), AuditSide::kNone);
  EXPECT_EQ(AuditSideOf("3102", true), AuditSide::kEntry);
  EXPECT_EQ(AuditSideOf("7102", true), AuditSide::kExit);
  EXPECT_EQ(AuditSideOf("4102", true), AuditSide::kNone);
}

TEST(EfdAudit, InventoryTotalThatDiffersFromItsItemsIsAWarning) {
  TempDir dir;
  TestSession t;
  EfdAuditInputs in;
  in.periods = {EfdFile(dir, "p.txt", "01032025", "31032025",
                        {LH005("31032025", "10,00"), LH010("A", "UN", "1", "9,99")})};
  in.final_inventory = in.periods[0];
  const EfdAuditOutcome o = RunEfdAudit(t.s, in);
  ASSERT_EQ(o.warnings.size(), 1u);
  EXPECT_EQ(o.warnings[0], in.periods[0] +
                               ":6: o valor do inventário (H005 VL_INV R$ 10,00) difere da soma "
                               "dos itens (H010 VL_ITEM R$ 9,99)");
  EXPECT_EQ(Qty(t.dtm.cds_audit, "A", "QTD_FINAL"), 1);
}

TEST(EfdAudit, EntryNotesWithoutItemsAreToldOncePerFile) {
  TempDir dir;
  TestSession t;
  EfdAuditInputs in;
  in.periods = {EfdFile(dir, "p.txt", "01032025", "31032025",
                        {LC100("0", "00", "1"), LC100("0", "06", "2"), LC100("0", "00", "3"),
                         LC170("A", "1", "UN", "1", "1102"), LC100("0", "01", "4")})};
  const EfdAuditOutcome o = RunEfdAudit(t.s, in);
  ASSERT_EQ(o.warnings.size(), 1u);
  EXPECT_EQ(
      o.warnings[0],
      in.periods[0] +
          ":6: 2 notas de entrada sem itens (C170) não foram contadas (a primeira nesta linha)");
}

TEST(EfdAudit, EmptyInventoryIsFound) {
  TempDir dir;
  TestSession t;
  EfdAuditInputs in;
  in.periods = {
      EfdFile(dir, "p.txt", "01032025", "31032025",
              {LH005("31032025", "0"), LC100("0", "00", "1"), LC170("A", "2", "UN", "1", "1102")})};
  in.final_inventory = in.periods[0];
  const EfdAuditOutcome o = RunEfdAudit(t.s, in);
  EXPECT_TRUE(o.warnings.empty());
  EXPECT_EQ(o.closing_items, 0);
  EXPECT_EQ(Qty(t.dtm.cds_audit, "A", "OM_ENTRADA"), 0);
  EXPECT_EQ(Qty(t.dtm.cds_audit, "A", "OM_SAIDA"), 2);
}

// ------------------------------------------------------------ errors

TEST(EfdAudit, RefusalsNameTheFileAndWhy) {
  TempDir dir;
  const std::string march = EfdFile(dir, "mar.txt", "01032025", "31032025", {});
  const std::string march2 = EfdFile(dir, "mar2.txt", "01032025", "31032025", {});
  const std::string other = EfdFile(dir, "other.txt", "01042025", "30042025", {}, "45997418000153");
  const std::string inventory = EfdFile(dir, "inv.txt", "01012025", "31012025",
                                        {LH005("31012025", "0"), LH005("31122024", "0")});
  struct Case {
    const char* name;
    std::vector<std::string> periods;
    std::string initial;
    std::string file;
    int64_t line;
    std::string reason;
  } cases[] = {
      {"no period", {}, "", "", 0, "informe ao menos um arquivo EFD de período"},
      {"period twice", {march, march2}, "", march2, 1, "o período 03/2025 já consta na listagem"},
      {"same file twice",
       {march, march},
       "",
       march,
       0,
       "o arquivo foi informado duas vezes como período"},
      {"another establishment",
       {march, other},
       "",
       other,
       1,
       "o arquivo é de outro estabelecimento (45997418000153); o primeiro é " +
           std::string(kOwnCnpj)},
      {"no inventory of the date",
       {march},
       inventory,
       inventory,
       0,
       "não há inventário (registro H005) de 28/02/2025 neste arquivo; há inventário de: "
       "31/01/2025, 31/12/2024"},
      {"no block H",
       {march},
       march2,
       march2,
       0,
       "não há inventário (registro H005) de 28/02/2025 neste arquivo; o arquivo não tem "
       "registro H005"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    EfdAuditInputs in;
    in.periods = c.periods;
    in.initial_inventory = c.initial;
    try {
      RunEfdAudit(t.s, in);
      ADD_FAILURE() << "not refused";
    } catch (const InputRefusal& e) {
      EXPECT_EQ(e.file(), c.file);
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(e.reason(), c.reason);
    }
    EXPECT_EQ(t.dtm.cds_audit.RecordCount(), 0);
  }
}

TEST(EfdAudit, ConversionErrorNamesWhereReadingStopped) {
  struct Case {
    std::string line;
    std::string record, field, text;
    int index;
  } cases[] = {
      {LC170("A", "1,2X", "UN", "1", "1102"), "C170", "QTD", "1,2X", 4},
      {LC170("A", "1", "UN", "1.5", "1102"), "C170", "VL_ITEM", "1.5", 6},
      {LC425("A", "x", "UN", "1"), "C425", "QTD", "x", 2},
      {LH005("3A032025", "0"), "H005", "DT_INV", "3A032025", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TempDir dir;
    TestSession t;
    EfdAuditInputs in;
    const bool ecf = c.record == "C425";
    L lines = {LC100("0", "00", "1")};
    if (ecf) lines = {"|C400|2D|E|1|1|", LC405()};
    lines.push_back(c.line);
    if (ecf) lines.push_back(LC405());
    in.periods = {EfdFile(dir, "p.txt", "01032025", "31032025", lines)};
    try {
      RunEfdAudit(t.s, in);
      ADD_FAILURE() << "no error";
    } catch (const SpedConversionError& e) {
      EXPECT_EQ(e.file(), in.periods[0]);
      EXPECT_EQ(e.line(), ecf ? 8 : 7);
      EXPECT_EQ(e.record(), c.record);
      EXPECT_EQ(e.field(), c.field);
      EXPECT_EQ(e.text(), c.text);
      EXPECT_EQ(e.field_index(), c.index);
    }
  }
}

// ------------------------------------------------------------ fiscora-cli

std::vector<std::string> CliArgsOf(const SmallSet& set, std::vector<std::string> more = {}) {
  std::vector<std::string> args = {
      "auditoria-efd", "--markup",           "1,5",     "--inventario-inicial",
      set.opening,     "--inventario-final", set.april, "--periodo",
      set.march,       "--periodo",          set.april, "--xml",
      set.xml};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(AuditoriaEfd, PrintsTheTableTheListsAndTheLabels) {
  SmallSet set;
  const std::string sheet = (set.dir.path() / "auditoria.xlsx").string();
  testing::CliResult r = Cli(CliArgsOf(set, {"--planilha", sheet}));
  ASSERT_EQ(r.code, 0) << r.err;
  const nlohmann::json e = r.envelope();
  const nlohmann::json& rows = e["tables"]["cds_audit"];
  ASSERT_EQ(rows.size(), 4u);
  // By description: Z has none, then ARROZ, COLA, TINTA.
  EXPECT_EQ(rows[0]["codigo"], "Z");
  EXPECT_EQ(rows[1]["codigo"], "A");
  EXPECT_EQ(rows[1]["SAIDAS_XML"], 8);
  EXPECT_EQ(rows[1]["SAIDAS_ECF"], 6);
  EXPECT_EQ(rows[1]["SEM_CONVERSAO"], 4);
  EXPECT_EQ(rows[1]["OM_SAIDA"], 4);
  EXPECT_EQ(rows[2]["QTD_IND_MOV1"], 5);
  EXPECT_EQ(rows[3]["SREVENDA_VAL"], "240.0000");
  for (const char* list : {"itens_sem_cadastro", "unidades_sem_conversao", "saidas_sem_itens",
                           "inventario_terceiros"}) {
    SCOPED_TRACE(list);
    EXPECT_EQ(e["tables"][list].size(), 1u);
  }
  EXPECT_TRUE(e["tables"]["avisos"].empty());
  EXPECT_EQ(e["tables"]["saidas_sem_itens"][0]["valor"], "99.0000");
  EXPECT_EQ(e["tables"]["saidas_sem_itens"][0]["chave"], NfeXmlKey(OwnExit(2)));
  EXPECT_EQ(e["tables"]["inventario_terceiros"][0]["quantidade"], 7);
  EXPECT_EQ(e["labels"]["lbl_per1"], "03/2025");
  EXPECT_EQ(e["labels"]["lbl_per2"], "04/2025");
  EXPECT_EQ(e["labels"]["lbl_per3"], "--------------------");
  EXPECT_EQ(e["labels"]["dbtxt_inv_ini"], "82,00");
  EXPECT_EQ(e["labels"]["dbtxt_inv_fim"], "260,00");
  EXPECT_EQ(e["labels"]["lbl_efd_resumo"],
            "Inventário inicial de 28/02/2025: R$ 82,00\nInventário final de 30/04/2025: R$ "
            "260,00\n4 produtos; saídas por C170: 2, pelo XML: 1 (1 NF-e lidas)\nItens sem "
            "cadastro: 1; unidades sem conversão: 1; saídas sem itens: 1; inventário de "
            "terceiros: 1");
  EXPECT_EQ(e["state"]["data_inventario_inicial"], "28/02/2025");
  EXPECT_EQ(e["state"]["data_inventario_final"], "30/04/2025");
  EXPECT_EQ(e["state"]["saidas_por_xml"], 1);
  EXPECT_EQ(e["messages"],
            nlohmann::json::parse(R"([{"title":"Fiscora","text":"Arquivo Salvo !!!"}])"));

  ASSERT_TRUE(fs::exists(sheet));
  if (!testing::XlsxReaderAvailable()) return;
  auto sheets = testing::ReadXlsx(sheet);
  ASSERT_TRUE(sheets);
  std::vector<std::string> titles;
  for (const auto& sh : *sheets) titles.push_back(sh.title);
  EXPECT_EQ(titles,
            (std::vector<std::string>{"Auditoria", "Itens sem cadastro", "Unidades sem conversão",
                                      "Saídas sem itens", "Inventário de terceiros"}));
  const auto& main = (*sheets)[0];
  std::string periods = "Periodo analisado: 03/2025 04/2025";
  for (int i = 0; i < 10; ++i) periods += " --------------------";
  EXPECT_EQ(main.At(1, 1)->value, periods);
  EXPECT_EQ(main.At(2, 42)->value, "SAIDAS_XML");
  EXPECT_EQ(main.At(2, 45)->value, "SEM_CONVERSAO");
  EXPECT_EQ(main.LastRow(), 6);
  EXPECT_EQ((*sheets)[3].At(2, 6)->value, "sem itens (C170) e sem o XML da chave");
}

TEST(AuditoriaEfd, ExitCodes) {
  SmallSet set;
  const std::string sintegra = set.dir.Write("s.txt", {R10()});
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int code;
    std::string err;
  } cases[] = {
      {"no period",
       {"auditoria-efd", "--markup", "1,5"},
       2,
       "fiscora-cli: auditoria-efd precisa de ao menos um --periodo\n"},
      {"bad IND_MOV choice", CliArgsOf(set, {"--ind-mov1", "X"}), 2,
       "fiscora-cli: --ind-mov1: use S (conta) ou N (não conta)\n"},
      {"a SINTEGRA file",
       {"auditoria-efd", "--periodo", sintegra},
       1,
       "fiscora-cli: " + sintegra +
           ":1: é um arquivo SINTEGRA, não um arquivo EFD (SPED); um arquivo EFD começa pelo "
           "registro |0000|\n"},
      {"no inventory of the date",
       {"auditoria-efd", "--periodo", set.march, "--inventario-final", set.march},
       1,
       "fiscora-cli: O arquivo " + set.march +
           " não pode ser carregado: não há inventário (registro H005) de 31/03/2025 neste "
           "arquivo; o arquivo não tem registro H005\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::CliResult r = Cli(c.args);
    EXPECT_EQ(r.code, c.code);
    EXPECT_EQ(r.err, c.err);
  }
  // IND_MOV 1 left out: C has only the import.
  testing::CliResult r = Cli(CliArgsOf(set, {"--ind-mov1", "N"}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.envelope()["tables"]["cds_audit"][2]["TOTALENTRADAS"], 2);
  EXPECT_EQ(r.envelope()["state"]["ind_mov1_conta"], false);
}

// ------------------------------------------------------------ real samples

fs::path SpedSample(std::string_view month) {
  const fs::path folder = fs::path(FISCORA_SAMPLES) / "sped";
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("icmsipi_chapzin_41334079000255", 0) == 0 &&
        name.find("-2012" + std::string(month) + "01-") != std::string::npos)
      return e.path();
  }
  return {};
}

TEST(EfdAudit, RealSamplesOfEightMonths) {
  std::vector<std::string> periods;
  for (const char* m : {"01", "02", "03", "04", "05", "06", "07", "08"}) {
    const fs::path p = SpedSample(m);
    if (p.empty()) GTEST_SKIP() << "sample files not present";
    periods.push_back(p.string());
  }
  TestSession t;
  EfdAuditInputs in;
  in.periods = periods;
  in.initial_inventory = periods[1];  // February holds the opening inventory
  const EfdAuditOutcome o = RunEfdAudit(t.s, in);
  EXPECT_EQ(o.opening_date, "31/12/2011");
  EXPECT_EQ(o.opening_items, 6855);
  EXPECT_EQ(o.opening_total, Money::FromRaw(8941044400));
  EXPECT_EQ(o.periods.front(), "01/2012");
  EXPECT_EQ(o.periods.back(), "08/2012");
  // Regular entry notes without C170: one warning for each file (1,849 in all).
  ASSERT_EQ(o.warnings.size(), 8u);
  EXPECT_NE(o.warnings[0].find(" notas de entrada sem itens (C170) não foram contadas"),
            std::string::npos)
      << o.warnings[0];
  // Own exits carry no C170: without XML every one is listed, none counted.
  // 13,924 of COD_SIT 00 and 89 of COD_SIT 08.
  EXPECT_EQ(o.exits_without_items.size(), 14013u);
  EXPECT_EQ(o.exits_by_xml, 0);
  EXPECT_EQ(o.products, t.dtm.cds_audit.RecordCount());
  // Every inventory item is a product of the table, its quantity kept.
  ClientTable& audit = t.dtm.cds_audit;
  double opening = 0;
  for (ClientTable::RowId r : audit.OrderedRows())
    opening += audit.RowFloat(r, faudit::QTD_INICIAL);
  EXPECT_GT(opening, 0);

  // There is no closing inventory of 31/08/2012 in February's file.
  in.final_inventory = periods[1];
  try {
    RunEfdAudit(t.s, in);
    ADD_FAILURE() << "not refused";
  } catch (const InputRefusal& e) {
    EXPECT_EQ(e.reason(),
              "não há inventário (registro H005) de 31/08/2012 neste arquivo; há inventário de: "
              "31/12/2011");
  }
}

TEST(EfdAudit, RealFragmentWhoseTotalDiffersFromItsItems) {
  const fs::path fragment =
      fs::path(FISCORA_SAMPLES) / "sped" / "icmsipi-fragment_chapzin_SpedInvFinal.txt";
  if (!fs::exists(fragment)) GTEST_SKIP() << "sample files not present";
  // The fragment has no 0000: the test puts one before it.
  TempDir dir;
  const fs::path file = dir.path() / "dez.txt";
  {
    std::ofstream out(file, std::ios::binary);
    out << L0000("01122012", "31122012", "41334079000255") << "\r\n" << Slurp(fragment);
  }
  TestSession t;
  EfdAuditInputs in;
  in.periods = {file.string()};
  in.final_inventory = file.string();
  const EfdAuditOutcome o = RunEfdAudit(t.s, in);
  ASSERT_EQ(o.warnings.size(), 1u);
  EXPECT_NE(o.warnings[0].find("H005 VL_INV R$ 1.726.778,31"), std::string::npos) << o.warnings[0];
  EXPECT_EQ(o.closing_items, 2153);
}

}  // namespace
}  // namespace fiscora
