#include "export/inventory_report.h"

#include "data/display.h"
#include "data/format.h"

namespace fiscora {

InventoryReport BuildInventoryReport(const Session& s) {
  InventoryReport report;
  const std::string& path = s.sintegra.file;
  const std::string file = path.substr(path.find_last_of("/\\") + 1);
  if (!file.empty()) report.document_name += " - " + file;
  const ClientTable& ident = s.dtm.cds_ident;
  if (!ident.IsEmpty()) {
    // The current row, as the report's data connection reads it; the first
    // when the table has none.
    ClientTable::RowId row = ident.HasCurrent() ? ident.CurrentRow() : ident.OrderedRows().front();
    auto text = [&](int field) { return std::string(ident.RowText(row, field)); };
    report.empresa = text(fident::empresa);
    report.periodo = text(fident::periodo);
    report.cnpj = text(fident::cnpj);
    report.ie = text(fident::ie);
  }
  const ClientTable& t = s.dtm.cds_inventario;
  const int codigo = f74::codigo, descricao = f74::descricao, unidade = f74::unidade,
            quantidade = f74::quantidade, unitario = f74::unitario, valor = f74::valor;
  Money total;
  report.items.reserve(static_cast<size_t>(t.RecordCount()));
  for (ClientTable::RowId r : t.OrderedRows()) {
    report.items.push_back({DisplayText(t, r, codigo), DisplayText(t, r, descricao),
                            DisplayText(t, r, unidade), DisplayText(t, r, quantidade),
                            DisplayText(t, r, unitario), DisplayText(t, r, valor)});
    total += Money::FromRaw(t.RowRaw(r, valor));
  }
  report.total = FormatPattern(total, "R$ ###,###,##0.00");
  report.inputs = InputFiles(s);
  return report;
}

}  // namespace fiscora
