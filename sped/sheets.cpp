#include "sped/sheets.h"

#include <string>
#include <utility>
#include <vector>

#include "session/file_names.h"

namespace fiscora {

namespace {

enum class Kind { kText, kInteger, kMoney };

struct Column {
  std::string title, field;
  Kind kind;
};

const std::vector<Column>& NoteColumns() {
  static const std::vector<Column> columns = [] {
    std::vector<Column> c = {
        {"Numero nota", "codigo_nota", Kind::kInteger},
        {"Data", "data_nota", Kind::kText},
        {"Tipo", "tipo", Kind::kText},
        {"Valor_Nota", "vl_nota", Kind::kMoney},
        {"Total_Produtos", "tot_prod", Kind::kMoney},
        {"Valor Pis", "vl_pis", Kind::kMoney},
        {"Valor Cofins", "vl_cofins", Kind::kMoney},
        {"BC Pis", "bc_pis", Kind::kMoney},
        {"BC Cofins", "bc_cofins", Kind::kMoney},
        {"Icms ST", "icms_st", Kind::kMoney},
    };
    auto cfops = [&](char a, char b) {
      for (const char* end : {"101", "102", "202", "403", "404", "405", "411", "922", "927"})
        for (char d : {a, b}) {
          std::string name = std::string(1, d) + end;
          c.push_back({name, name, Kind::kMoney});
        }
    };
    cfops('1', '2');
    c.push_back({"E1_Outros", "E1_Outros", Kind::kMoney});
    c.push_back({"E2_Outros", "E2_Outros", Kind::kMoney});
    cfops('5', '6');
    // The exit rests keep the titles the sheet has always had.
    c.push_back({"E5_Outros", "S5_OUTROS", Kind::kMoney});
    c.push_back({"E6_Outros", "S6_OUTROS", Kind::kMoney});
    c.push_back({"FRETE", "frete", Kind::kMoney});
    return c;
  }();
  return columns;
}

const std::vector<Column>& MovementColumns() {
  static const std::vector<Column> columns = [] {
    std::vector<Column> c = {
        {"Equipamento", "ecf", Kind::kText},
        {"Caixa", "num_caixa", Kind::kText},
        {"Data", "data", Kind::kText},
        {"Venda_Bruta", "venda_bruta", Kind::kMoney},
        {"Venda_Liquida", "venda_liquida", Kind::kMoney},
    };
    for (const char* cst : {"01", "02", "03", "04", "05", "06", "07", "08", "09", "49", "99"})
      c.push_back({std::string("cst_") + cst, std::string("cst_") + cst, Kind::kMoney});
    return c;
  }();
  return columns;
}

Workbook Sheet(const ClientTable& t, const std::vector<Column>& columns) {
  Workbook book;
  std::vector<int> fields;
  for (size_t i = 0; i < columns.size(); ++i) {
    book.SetText(1, static_cast<int>(i) + 1, columns[i].title);
    fields.push_back(t.FieldIndex(columns[i].field));
  }
  int row = 2;
  for (ClientTable::RowId r : t.OrderedRows()) {
    for (size_t i = 0; i < columns.size(); ++i) {
      int col = static_cast<int>(i) + 1;
      switch (columns[i].kind) {
        case Kind::kText:
          book.SetText(row, col, t.RowText(r, fields[i]));
          break;
        case Kind::kInteger:
          book.SetInteger(row, col, t.RowRaw(r, fields[i]));
          break;
        case Kind::kMoney:
          book.SetMoney(row, col, Money::FromRaw(t.RowRaw(r, fields[i])));
          break;
      }
    }
    ++row;
  }
  return book;
}

SaveOutcome SaveSheet(Session& s, ClientTable& t, const std::vector<Column>& columns,
                      std::string_view kind) {
  Workbook book = Sheet(t, columns);
  SaveOutcome outcome =
      SaveWorkbook(book, s.ui, ProposedFileName(s.sped.file, kind, "xlsx"), InputFiles(s));
  t.First();
  return outcome;
}

}  // namespace

Workbook SpedNotesWorkbook(const ClientTable& notes) { return Sheet(notes, NoteColumns()); }

Workbook SpedMovementWorkbook(const ClientTable& movement) {
  return Sheet(movement, MovementColumns());
}

SaveOutcome SaveSpedNotesSheet(Session& s) {
  return SaveSheet(s, s.dtm.cds_nf_sped, NoteColumns(), "notas");
}

SaveOutcome SaveSpedMovementSheet(Session& s) {
  return SaveSheet(s, s.dtm.cds_mov_ecf_sped, MovementColumns(), "ecf");
}

}  // namespace fiscora
