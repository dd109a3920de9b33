#include "audit/efd_sheet.h"

#include "audit/audit_sheet.h"
#include "data/format.h"
#include "session/file_names.h"

namespace fiscora {

std::vector<EfdList> EfdAuditLists(const EfdAuditOutcome& o) {
  std::vector<EfdList> lists;
  lists.push_back({"itens_sem_cadastro",
                   "Itens sem cadastro",
                   {"codigo", "unidade", "quantidade", "origem"},
                   {"Codigo", "Unidade", "Quantidade", "Primeira ocorrencia"},
                   o.without_record.size(),
                   [&o](size_t i) -> std::vector<EfdListCell> {
                     const EfdItemWithoutRecord& r = o.without_record[i];
                     return {r.code, r.unit, r.quantity, r.where};
                   }});
  lists.push_back({"unidades_sem_conversao",
                   "Unidades sem conversão",
                   {"codigo", "descricao", "unidade", "unidade_inventario", "entradas", "saidas",
                    "inventario", "origem"},
                   {"Codigo", "Descricao", "Unidade", "Unidade do inventario", "Entradas", "Saidas",
                    "Inventario", "Primeira ocorrencia"},
                   o.without_conversion.size(),
                   [&o](size_t i) -> std::vector<EfdListCell> {
                     const EfdUnitWithoutConversion& r = o.without_conversion[i];
                     return {r.code,    r.description, r.unit,      r.inventory_unit,
                             r.entries, r.exits,       r.inventory, r.where};
                   }});
  lists.push_back({"saidas_sem_itens",
                   "Saídas sem itens",
                   {"chave", "data", "valor", "modelo", "numero", "motivo", "origem"},
                   {"Chave", "Data", "Valor", "Modelo", "Numero", "Motivo", "Registro C100"},
                   o.exits_without_items.size(),
                   [&o](size_t i) -> std::vector<EfdListCell> {
                     const EfdExitWithoutItems& r = o.exits_without_items[i];
                     return {r.key, r.date, r.value, r.model, r.number, r.reason, r.where};
                   }});
  lists.push_back({"inventario_terceiros",
                   "Inventário de terceiros",
                   {"inventario", "data", "codigo", "descricao", "unidade", "quantidade", "valor",
                    "participante", "origem"},
                   {"Inventario", "Data", "Codigo", "Descricao", "Unidade", "Quantidade", "Valor",
                    "Participante", "Registro H010"},
                   o.third_party.size(),
                   [&o](size_t i) -> std::vector<EfdListCell> {
                     const EfdThirdPartyStock& r = o.third_party[i];
                     return {r.inventory, r.date,  r.code,        r.description, r.unit,
                             r.quantity,  r.value, r.participant, r.where};
                   }});
  lists.push_back({"avisos",
                   "Avisos",
                   {"aviso"},
                   {"Aviso"},
                   o.warnings.size(),
                   [&o](size_t i) -> std::vector<EfdListCell> { return {o.warnings[i]}; }});
  return lists;
}

std::string EfdInventoryTotalText(const EfdAuditOutcome& o, bool opening) {
  if (!(opening ? o.has_opening : o.has_closing)) return "";
  return FormatPattern(opening ? o.opening_total : o.closing_total, "###,##0.00");
}

std::string EfdAuditSummary(const EfdAuditOutcome& o) {
  std::string text;
  if (o.has_opening)
    text +=
        "Inventário inicial de " + o.opening_date + ": R$ " + EfdInventoryTotalText(o, true) + "\n";
  if (o.has_closing)
    text +=
        "Inventário final de " + o.closing_date + ": R$ " + EfdInventoryTotalText(o, false) + "\n";
  text += std::to_string(o.products) +
          " produtos; saídas por C170: " + std::to_string(o.exits_by_c170) +
          ", pelo XML: " + std::to_string(o.exits_by_xml) + " (" + std::to_string(o.xml_notes) +
          " NF-e lidas)\n";
  text += "Itens sem cadastro: " + std::to_string(o.without_record.size()) +
          "; unidades sem conversão: " + std::to_string(o.without_conversion.size()) +
          "; saídas sem itens: " + std::to_string(o.exits_without_items.size()) +
          "; inventário de terceiros: " + std::to_string(o.third_party.size());
  if (!o.warnings.empty()) text += "\nAvisos: " + std::to_string(o.warnings.size());
  return text;
}

std::optional<SaveOutcome> EfdAuditExportSheet(Session& s, const EfdAuditOutcome& o) {
  std::optional<Workbook> main = AuditWorkbook(s, true);
  if (!main) return std::nullopt;
  main->NameSheet("Auditoria");
  std::vector<Workbook> sheets;
  for (const EfdList& l : EfdAuditLists(o)) {
    if (l.rows == 0 && std::string_view(l.key) == "avisos") continue;
    Workbook& b = sheets.emplace_back();
    b.NameSheet(l.sheet);
    for (size_t c = 0; c < l.titles.size(); ++c) b.SetText(1, static_cast<int>(c) + 1, l.titles[c]);
    int row = 2;
    for (size_t i = 0; i < l.rows; ++i) {
      const std::vector<EfdListCell> cells = l.cells(i);
      for (size_t c = 0; c < cells.size(); ++c) {
        const int col = static_cast<int>(c) + 1;
        if (const auto* t = std::get_if<std::string>(&cells[c]))
          b.SetText(row, col, *t);
        else if (const auto* q = std::get_if<double>(&cells[c]))
          b.SetFloat(row, col, *q);
        else
          b.SetMoney(row, col, std::get<Money>(cells[c]));
      }
      ++row;
    }
  }
  std::vector<const Workbook*> all = {&*main};
  for (const Workbook& b : sheets) all.push_back(&b);
  return SaveWorkbooks(all, s.ui, ProposedFileName({}, "auditoria", "xlsx"), InputFiles(s));
}

}  // namespace fiscora
