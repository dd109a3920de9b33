#include "export/table_export.h"

#include "session/file_names.h"
#include "session/pacer.h"

namespace fiscora {

Workbook TableWorkbook(Session& s, const ClientTable& table) {
  Gauge& gauge = s.frm.progresso;
  gauge.SetPosition(0);
  gauge.SetMax(table.RecordCount());
  Workbook book;
  book.NameSheet("Planilha");
  const int fields = table.FieldCount();
  for (int k = 0; k < fields; ++k) book.SetText(1, k + 1, table.FieldAt(k).name);
  Pacer pacer(s.ui);
  int row = 2;
  for (ClientTable::RowId r : table.OrderedRows()) {
    book.SetTextFormat(row, 1);
    for (int k = 0; k < fields; ++k) book.SetField(row, k + 1, table, r, k);
    ++row;
    gauge.Step();
    pacer.Tick();
  }
  return book;
}

SaveOutcome ExportTable(Session& s, const ClientTable& table, std::string_view kind) {
  Workbook book = TableWorkbook(s, table);
  // "loja - cds_60a.xlsx": the table names what was exported, unless told.
  return SaveWorkbook(book, s.ui,
                      ProposedFileName(s.sintegra.file, kind.empty() ? table.name() : kind, "xlsx"),
                      InputFiles(s));
}

}  // namespace fiscora
