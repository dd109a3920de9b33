// fiscora-cli registro90 and tipo-arquivo.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "cli_fixture.h"
#include "record90_check.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
using nlohmann::json;

TEST(CliRecord90, WritesTheCopyBesideTheFileAndCarriesTheMessage) {
  TempDir dir;
  std::string f = dir.Write("mes.txt", {R10(), R50("5102", 1), R50("5102", 2)});
  CliResult r = Cli({"registro90", f});
  ASSERT_EQ(r.code, 0) << r.err;
  json e = json::parse(r.out);
  EXPECT_EQ(e["messages"],
            json::parse(R"([{"title":"Fiscora","text":"Registro 90 criado com sucesso!"}])"));
  std::vector<std::string> copy = FileLines((dir.path() / "Modif_mes.txt").string());
  ASSERT_EQ(copy.size(), 4u);
  EXPECT_TRUE(Record90Faults(copy).empty());
}

TEST(CliRecord90, MissingFileExitsWithOne) {
  TempDir dir;
  CliResult r = Cli({"registro90", (dir.path() / "nada.txt").string()});
  EXPECT_EQ(r.code, 1);
}

TEST(CliFileType, WritesTheCodeAndShowsTheLabels) {
  const struct {
    const char* code;
    const char* label;
    const char* label2;
  } cases[] = {{"1", "    1 - Normal", ""},
               {"2", " 2 - Retificação", "Total"},
               {"3", " 3 - Retificação", "Aditiva"},
               {"5", "5 - Desfazimento", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    TempDir dir;
    std::string f = dir.Write("mes.txt", {R10("12345678000195", "20240301", "20240331", '1')});
    CliResult r = Cli({"tipo-arquivo", f, c.code});
    ASSERT_EQ(r.code, 0) << r.err;
    json e = json::parse(r.out);
    EXPECT_EQ(e["labels"]["lbl_tipo_arq"], c.label);
    EXPECT_EQ(e["labels"]["lbl_tipo_arq2"], c.label2);
    EXPECT_EQ(e["state"]["file_type"], c.code);
    EXPECT_EQ(FileLines(f).at(0).substr(125), c.code);
  }
}

TEST(CliFileType, OtherCodesAreAUsageError) {
  TempDir dir;
  std::string f = dir.Write("mes.txt", {R10()});
  for (const char* code : {"4", "0", "12", "x"}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(Cli({"tipo-arquivo", f, code}).code, 2);
    EXPECT_EQ(FileLines(f).at(0), R10().str());
  }
  EXPECT_EQ(Cli({"tipo-arquivo", f}).code, 2);
}

}  // namespace
}  // namespace fiscora
