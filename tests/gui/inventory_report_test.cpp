// The printed inventory report as a PDF: pages, page numbers, the heading
// band on every page and the total on the last, read back with poppler's
// pdftotext and pdfinfo (skipped when poppler-utils is not installed).
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "data/atomic_file.h"
#include "export/ui/inventory_report_qt.h"
#include "tests/core/sintegra_fixture.h"

namespace fiscora::qt {
namespace {

bool PopplerAvailable() {
  return std::system("pdftotext -v >/dev/null 2>&1") == 0 &&
         std::system("pdfinfo -v >/dev/null 2>&1") == 0;
}

std::string Shell(const std::string& cmd) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// The text of one page (from 1).
std::string PageText(const std::filesystem::path& pdf, int page) {
  return Shell("pdftotext -layout -f " + std::to_string(page) + " -l " + std::to_string(page) +
               " '" + pdf.string() + "' -");
}

bool Has(const std::string& s, const std::string& part) {
  return s.find(part) != std::string::npos;
}

InventoryReport Report(int items) {
  InventoryReport r;
  r.empresa = "LOJA EXEMPLO COMERCI";
  r.periodo = "01/03/2024 a 31/03/2024";
  r.cnpj = "12345678000195";
  r.ie = "123456789";
  for (int i = 1; i <= items; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "C%06d", i);
    r.items.push_back(
        {code, "PRODUTO DE TESTE " + std::to_string(i), "UN", "2", "R$ 1,50", "R$ 3,00"});
  }
  r.total = "R$ 1.234,56";
  return r;
}

TEST(InventoryReport, PagesHoldFortySevenItemsAndTheTotalBandNeedsItsRoom) {
  struct Case {
    size_t items;
    int pages;
  } cases[] = {{0, 1}, {1, 1}, {45, 1}, {46, 2}, {47, 2}, {48, 2}, {92, 2}, {93, 3}, {2000, 43}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.items);
    EXPECT_EQ(InventoryReportPages(c.items), c.pages);
  }
}

TEST(InventoryReport, TwoPagesCarryHeadingAndNumberAndTheLastOneTheTotal) {
  if (!PopplerAvailable()) GTEST_SKIP() << "poppler-utils not installed";
  QTemporaryDir dir;
  const std::filesystem::path pdf = std::filesystem::path(dir.path().toStdString()) / "inv.pdf";
  WriteInventoryReportPdf(Report(60), pdf);

  const std::string info = Shell("pdfinfo '" + pdf.string() + "'");
  EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +2\\n"))) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex("Page size: +595(\\.\\d+)? x 842"))) << info;
  for (int page = 1; page <= 2; ++page) {
    SCOPED_TRACE(page);
    const std::string text = PageText(pdf, page);
    EXPECT_TRUE(Has(text, "Página " + std::to_string(page))) << text;
    for (const char* part : {"INVENTÁRIO", "EMPRESA:", "LOJA EXEMPLO COMERCI", "PERÍODO:",
                             "01/03/2024 a 31/03/2024", "CNPJ:", "INSC. ESTADUAL:", "CÓDIGO",
                             "DESCRIÇÃO", "SUBTOTAL", "Relatório emitido pelo Fiscora"})
      EXPECT_TRUE(Has(text, part)) << part;
    EXPECT_EQ(Has(text, "Total do Inventário:"), page == 2);
    EXPECT_EQ(Has(text, "R$ 1.234,56"), page == 2);
  }
  EXPECT_TRUE(Has(PageText(pdf, 1), "C000047"));
  EXPECT_FALSE(Has(PageText(pdf, 1), "C000048"));
  EXPECT_TRUE(Has(PageText(pdf, 2), "C000048"));
  EXPECT_TRUE(Has(PageText(pdf, 2), "C000060"));
}

TEST(InventoryReport, TwoThousandItemsPageInOrder) {
  if (!PopplerAvailable()) GTEST_SKIP() << "poppler-utils not installed";
  QTemporaryDir dir;
  const std::filesystem::path pdf = std::filesystem::path(dir.path().toStdString()) / "inv.pdf";
  WriteInventoryReportPdf(Report(2000), pdf);
  EXPECT_TRUE(
      std::regex_search(Shell("pdfinfo '" + pdf.string() + "'"), std::regex("Pages: +43\\n")));
  // Every item once, in order, 47 to a page.
  const std::string all = Shell("pdftotext -layout '" + pdf.string() + "' -");
  std::regex code("C(\\d{6})");
  int expected = 1;
  for (auto it = std::sregex_iterator(all.begin(), all.end(), code); it != std::sregex_iterator();
       ++it, ++expected)
    ASSERT_EQ(std::stoi((*it)[1]), expected);
  EXPECT_EQ(expected, 2001);
  const std::string last = PageText(pdf, 43);
  EXPECT_TRUE(Has(last, "Página 43"));
  // 42 pages of 47 items, then the last 26 with the total
  EXPECT_FALSE(Has(last, "C001974"));
  EXPECT_TRUE(Has(last, "C001975"));
  EXPECT_TRUE(Has(last, "Total do Inventário:"));
}

TEST(InventoryReport, AFailedPdfLeavesTheOldFile) {
  QTemporaryDir dir;
  const std::filesystem::path pdf = std::filesystem::path(dir.path().toStdString()) / "inv.pdf";
  std::ofstream(pdf, std::ios::binary) << "antigo";
  EXPECT_THROW(WriteInventoryReportPdf(Report(1), pdf.parent_path() / "falta" / "inv.pdf"),
               std::exception);
  WriteInventoryReportPdf(Report(1), pdf);
  std::ifstream in(pdf, std::ios::binary);
  std::string head(4, '\0');
  in.read(head.data(), 4);
  EXPECT_EQ(head, "%PDF");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(pdf.parent_path()),
                          std::filesystem::directory_iterator()),
            1);
}

// The window's "Arquivo PDF" never replaces a file the report was made from.
TEST(InventoryReport, APdfOverAnInputIsRefused) {
  QTemporaryDir dir;
  const std::filesystem::path input = std::filesystem::path(dir.path().toStdString()) / "loja.txt";
  std::ofstream(input, std::ios::binary) << "10 entrada";
  InventoryReport report = Report(1);
  report.inputs = {input};
  EXPECT_THROW(WriteInventoryReportPdf(report, input), FileWriteError);
  EXPECT_EQ(fiscora::testing::Slurp(input), "10 entrada");
}

// fiscora-cli "inventario --pdf", through the library and as the program
// run without any display.
TEST(InventoryReport, FiscoraCliPrintsThePdfWithoutADisplay) {
  if (!PopplerAvailable()) GTEST_SKIP() << "poppler-utils not installed";
  const std::string example =
      std::string(FISCORA_SOURCE_DIR) + "/examples/loja_exemplo_03-2025.txt";
  QTemporaryDir dir;
  const std::filesystem::path folder(dir.path().toStdString());

  HeadlessReportPrinter printer;
  std::ostringstream out, err;
  const std::filesystem::path pdf = folder / "lib.pdf";
  ASSERT_EQ(RunCli({"inventario", example, "--pdf", pdf.string()}, out, err, &printer), 0)
      << err.str();
  std::string text = PageText(pdf, 1);
  EXPECT_TRUE(Has(text, "Página 1"));
  EXPECT_TRUE(Has(text, "Total do Inventário:"));
  EXPECT_TRUE(Has(text, "R$ 1.243,15")) << text;

  const std::filesystem::path bin_pdf = folder / "programa.pdf";
  std::ofstream(bin_pdf) << "antigo";
  const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" FISCORA_CLI_PATH
                          "' inventario '" +
                          example + "' --pdf '" + bin_pdf.string() + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(PageText(bin_pdf, 1), text);
}

TEST(InventoryReport, EveryCodeAndTheWholeCompanyNamePrint) {
  if (!PopplerAvailable()) GTEST_SKIP() << "poppler-utils not installed";
  const std::string example =
      std::string(FISCORA_SOURCE_DIR) + "/examples/loja_exemplo_03-2025.txt";
  // Record 10: the company from column 31 (35 characters); record 74: the
  // product code from column 11 (14 characters), listed when its value (from
  // column 38, 13 digits) is not zero.
  std::string company;
  std::vector<std::string> codes;
  std::ifstream in(example);
  for (std::string line; std::getline(in, line);) {
    auto trimmed = [](std::string t) {
      while (!t.empty() && (t.back() == ' ' || t.back() == '\r')) t.pop_back();
      return t;
    };
    if (line.rfind("10", 0) == 0) company = trimmed(line.substr(30, 35));
    if (line.rfind("74", 0) == 0 && line.substr(37, 13) != std::string(13, '0'))
      codes.push_back(trimmed(line.substr(10, 14)));
  }
  ASSERT_FALSE(company.empty());
  ASSERT_FALSE(codes.empty());

  QTemporaryDir dir;
  const std::filesystem::path pdf = std::filesystem::path(dir.path().toStdString()) / "inv.pdf";
  HeadlessReportPrinter printer;
  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"inventario", example, "--pdf", pdf.string()}, out, err, &printer), 0)
      << err.str();
  const std::string text = Shell("pdftotext -raw '" + pdf.string() + "' -");
  EXPECT_TRUE(Has(text, company)) << company << " in\n" << text;
  for (const std::string& code : codes) EXPECT_TRUE(Has(text, code)) << code << " in\n" << text;
}

TEST(InventoryReport, ALongDescriptionIsElidedAndTheLongestCodeIsWhole) {
  if (!PopplerAvailable()) GTEST_SKIP() << "poppler-utils not installed";
  InventoryReport r = Report(1);
  r.empresa = "DISTRIBUIDORA DE ALIMENTOS EXEMPLO LTDA";
  r.items[0].codigo = "78999900010110";
  r.items[0].descricao = "ACHOCOLATADO EM PO SABOR CHOCOLATE MEIO AMARGO EMBALAGEM";
  QTemporaryDir dir;
  const std::filesystem::path pdf = std::filesystem::path(dir.path().toStdString()) / "longo.pdf";
  WriteInventoryReportPdf(r, pdf);
  const std::string text = Shell("pdftotext -raw '" + pdf.string() + "' -");
  EXPECT_TRUE(Has(text, r.empresa)) << text;
  EXPECT_TRUE(Has(text, r.items[0].codigo)) << text;
  EXPECT_TRUE(Has(text, "…")) << text;
  EXPECT_TRUE(Has(text, "ACHOCOLATADO EM PO")) << text;
}

}  // namespace
}  // namespace fiscora::qt
