// The printed inventory report: its content, taken from the tables, and the
// port through which the core has it printed. The Qt side (export/ui/) lays
// it out on A4 pages and implements the port.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "session/session.h"

namespace fiscora {

// One item line, its values as the inventory grid shows them.
struct InventoryReportItem {
  std::string codigo, descricao, unidade, quantidade, unitario, valor;
};

struct InventoryReport {
  // The heading band: the company of cds_ident (its current row).
  std::string empresa, periodo, cnpj, ie;
  // The items of cds_inventario in the table's current order.
  std::vector<InventoryReportItem> items;
  // The sum of valor over the items, with the pattern "R$ ###,###,##0.00".
  std::string total;
  // The name of the printed document (the printer's queue, the preview):
  // "Inventário - loja.txt" after the file in edtarq; "Inventário" without one.
  std::string document_name = "Inventário";
  // The files the report was made from: a PDF never replaces one of them.
  std::vector<std::filesystem::path> inputs;
};

// The report's content from cds_inventario and cds_ident. Moves neither
// table's cursor.
InventoryReport BuildInventoryReport(const Session& s);

// Where the report is printed.
class ReportPrinter {
 public:
  virtual ~ReportPrinter() = default;
  // Lets the user choose printer, preview or file, and prints there.
  virtual void Print(const InventoryReport& report) = 0;
  // Writes the report as a PDF file: into a temporary file in the target's
  // folder, renamed over the target (an existing file is replaced only by a
  // complete report). Throws on failure, the old file left as it was.
  virtual void PrintToPdf(const InventoryReport& report, const std::filesystem::path& file) = 0;
};

}  // namespace fiscora
