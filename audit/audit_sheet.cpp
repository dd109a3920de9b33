#include "audit/audit_sheet.h"

#include <cmath>
#include <string>

#include "audit/audit_window.h"
#include "audit/efd_sheet.h"
#include "session/file_names.h"
#include "session/pacer.h"
#include "sintegra/layout.h"

namespace fiscora {

namespace {

// Columns 16 to 39: the movement fields, each under its own name.
constexpr const char* kMovementFields[] = {
    "EREVENDA",       "EREVENDA_VAL",    "SREVENDA",    "SREVENDA_VAL",   "EINSUMO",
    "EINSUMO_VAL",    "SINSUMO",         "SINSUMO_VAL", "ESERVINSUMO",    "ESERVINSUMO_VAL",
    "SSERVINSUMO",    "SSERVINSUMO_VAL", "EDEVOLUCAO",  "EDEVOLUCAO_VAL", "SDEVOLUCAO",
    "SDEVOLUCAO_VAL", "E1926",           "E1926_VAL",   "S5926",          "S5926_VAL",
    "EOUTROS",        "EOUTROS_VAL",     "SOUTROS",     "SOUTROS_VAL"};

// A column: its title and the field written under it (null: computed).
struct Column {
  const char* title;
  const char* field;
};

std::vector<Column> Columns(bool efd_columns) {
  std::vector<Column> c = {
      {"Codigo", "codigo"},
      {"Descricao", "descricao"},
      {"QTD INICIAL", "QTD_INICIAL"},
      {"TOTAL ENTRADAS", "TOTALENTRADAS"},
      {"TOTAL SAIDAS", "TOTALSAIDAS"},
      {"QTD FINAL", "QTD_FINAL"},
      {"OMISSAO SAIDA", nullptr},
      {"OMISSAO ENTRADA", nullptr},
      {"VALOR UNITARIO", nullptr},
      {"VENDA SEM NF", nullptr},
      {"COMPRA SEM NF", nullptr},
      {"C_UNIT_INV_INI", "INV_INI_UNITARIO"},
      {"C_UNIT_INV_FIM", "INV_FIM_UNITARIO"},
      {"SECF", "SECF"},
      {"SECF_VAL", "SECF_VAL"},
  };
  for (const char* f : kMovementFields) c.push_back({f, f});
  c.push_back({"TOTALENTRADAS_VAL", "TOTALENTRADAS_VAL"});
  c.push_back({"TOTALSAIDAS_VAL", "TOTALSAIDAS_VAL"});
  if (efd_columns)
    for (const char* f : {"SAIDAS_XML", "SAIDAS_ECF", "QTD_IND_MOV1", "SEM_CONVERSAO"})
      c.push_back({f, f});
  return c;
}

Money Held(double value) { return Money::FromDouble(value); }

}  // namespace

std::optional<Workbook> AuditWorkbook(Session& s, bool efd_columns) {
  AuditState& a = s.audit;
  // The markup: empty or 0 leaves every unit value at 0; a text that is not
  // a number stops the export with the markup message.
  double m = 0;
  if (std::string_view text = Trim(a.edt_markup); !text.empty()) {
    std::optional<double> parsed = ParseDouble(text);
    if (!parsed) {
      s.ui.Message("", "O markup deve ser digitado. Em média o valor é 1,5");
      return std::nullopt;
    }
    m = *parsed;
  }

  ClientTable& audit = s.dtm.cds_audit;
  const std::vector<Column> columns = Columns(efd_columns);
  Workbook book;
  for (size_t c = 0; c < columns.size(); ++c)
    book.SetText(2, static_cast<int>(c) + 1, columns[c].title);
  a.progress_max = audit.RecordCount();
  a.progress_position = 0;
  a.Changed();
  std::string periods = "Periodo analisado: ";
  for (size_t i = 0; i < a.lbl_per.size(); ++i) {
    if (i > 0) periods += ' ';
    periods += a.lbl_per[i];
  }
  book.SetText(1, 1, periods);

  std::vector<int> fields;
  for (const Column& c : columns) fields.push_back(c.field ? audit.FieldIndex(c.field) : -1);
  const int f_om_saida = faudit::OM_SAIDA, f_om_entrada = faudit::OM_ENTRADA,
            f_fim_unit = faudit::INV_FIM_UNITARIO, f_ini_unit = faudit::INV_INI_UNITARIO,
            f_in = faudit::TOTALENTRADAS, f_in_val = faudit::TOTALENTRADAS_VAL,
            f_out = faudit::TOTALSAIDAS, f_out_val = faudit::TOTALSAIDAS_VAL;

  audit.SetIndexFieldNames("descricao");
  Pacer pacer(s.ui);
  int row = 3;
  for (ClientTable::RowId r : audit.OrderedRows()) {
    for (int c = 0; c < 6; ++c) book.SetField(row, c + 1, audit, r, fields[static_cast<size_t>(c)]);
    const double om_saida = audit.RowFloat(r, f_om_saida);
    const double om_entrada = audit.RowFloat(r, f_om_entrada);
    book.SetFloat(row, 7, std::fabs(om_saida));
    book.SetFloat(row, 8, std::fabs(om_entrada));

    Money unit;
    if (m != 0) {
      const Money fim = Money::FromRaw(audit.RowRaw(r, f_fim_unit));
      const Money ini = Money::FromRaw(audit.RowRaw(r, f_ini_unit));
      const Money in_val = Money::FromRaw(audit.RowRaw(r, f_in_val));
      const Money out_val = Money::FromRaw(audit.RowRaw(r, f_out_val));
      const double in = audit.RowFloat(r, f_in), out = audit.RowFloat(r, f_out);
      // An average over a quantity of 0 has no value: the chain goes on.
      if (!fim.IsZero())
        unit = fim;
      else if (!ini.IsZero())
        unit = ini;
      else if (!in_val.IsZero() && in != 0)
        unit = Held(in_val.ToDouble() / in);
      else if (!out_val.IsZero() && out != 0)
        unit = Held(Held(out_val.ToDouble() / out).ToDouble() / m);
      if (om_saida != 0) unit = Held(unit.ToDouble() * m);
    }
    book.SetMoney(row, 9, unit);
    if (om_saida != 0) {
      book.SetMoney(row, 10, Held(std::fabs(om_saida) * unit.ToDouble()));
      book.SetInteger(row, 11, 0);
    } else if (om_entrada != 0) {
      book.SetMoney(row, 11, Held(std::fabs(om_entrada) * unit.ToDouble()));
      book.SetInteger(row, 10, 0);
    }
    for (size_t c = 11; c < columns.size(); ++c)
      book.SetField(row, static_cast<int>(c) + 1, audit, r, fields[c]);
    ++row;
    ++a.progress_position;
    if ((a.progress_position & 1023) == 0) a.Changed();
    pacer.Tick();
  }
  a.Changed();
  return book;
}

std::optional<SaveOutcome> AuditExportSheet(Session& s) {
  std::optional<Workbook> book = AuditWorkbook(s);
  if (!book) return std::nullopt;
  // "<the last SINTEGRA file chosen> - auditoria.xlsx".
  return SaveWorkbook(*book, s.ui, ProposedFileName(s.audit.edt_sintegra, "auditoria", "xlsx"),
                      InputFiles(s));
}

void btn_excelClick(Session& s) {
  if (s.audit.Busy()) return;
  s.audit.progress_visible = true;
  s.audit.Changed();
  if (s.audit.efd.efd)
    EfdAuditExportSheet(s, s.audit.efd.outcome);
  else
    AuditExportSheet(s);
}

}  // namespace fiscora
