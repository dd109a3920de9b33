#include "nfe/sheets.h"

#include "data/format.h"
#include "sintegra/layout.h"

namespace fiscora {

const std::vector<ReconColumn>& ReconColumns() {
  // clang-format off
  static const std::vector<ReconColumn> columns = {
      {"chave", "Chave"},                     {"modelo", "Modelo"},
      {"serie", "Série"},                     {"numero", "Número"},
      {"emissao", "Emissão"},                 {"emitente", "Emitente"},
      {"destinatario", "Destinatário"},       {"tipo", "Tipo"},
      {"situacao_xml", "Situação do XML"},    {"arquivo_xml", "Arquivo XML"},
      {"arquivo_c100", "Arquivo do C100"},    {"periodo_c100", "Período do C100"},
      {"linha_c100", "Linha do C100"},        {"ind_oper", "IND_OPER"},
      {"ind_emit", "IND_EMIT"},               {"cod_sit", "COD_SIT"},
      {"vnf", "vNF"},                         {"vl_doc", "VL_DOC"},
      {"dif_vl_doc", "Diferença VL_DOC"},     {"vicms", "vICMS"},
      {"vl_icms", "VL_ICMS"},                 {"dif_vl_icms", "Diferença VL_ICMS"},
      {"vst", "vST"},                         {"vl_icms_st", "VL_ICMS_ST"},
      {"dif_vl_icms_st", "Diferença VL_ICMS_ST"}, {"vipi", "vIPI"},
      {"vl_ipi", "VL_IPI"},                   {"dif_vl_ipi", "Diferença VL_IPI"},
      {"cfops_xml", "CFOPs do XML"},          {"cfops_escrita", "CFOPs da escrita"},
      {"resultado", "Resultado"},             {"mensagem", "Mensagem"},
  };
  // clang-format on
  return columns;
}

namespace {

ReconCell Text(std::string s) {
  ReconCell c;
  c.kind = ReconCell::Kind::kText;
  c.text = std::move(s);
  return c;
}
ReconCell Integer(int64_t v) {
  ReconCell c;
  c.kind = ReconCell::Kind::kInteger;
  c.integer = v;
  return c;
}
ReconCell Amount(Money m) {
  ReconCell c;
  c.kind = ReconCell::Kind::kMoney;
  c.money = m;
  return c;
}

std::string Two(int v) {
  return std::string(1, static_cast<char>('0' + v / 10 % 10)) + static_cast<char>('0' + v % 10);
}

}  // namespace

std::vector<ReconCell> ReconRowCells(const Reconciliation& r, const ReconRow& row) {
  const NfeNote* n = row.note;
  const Booking* b = row.booking;
  std::vector<ReconCell> cells;
  cells.reserve(ReconColumns().size());
  const std::string& own = r.books.establishment.cnpj;
  if (n) {
    cells.push_back(Text(std::string(n->Key())));
    cells.push_back(Integer(n->model));
    cells.push_back(Integer(n->series));
    cells.push_back(Integer(n->number));
    cells.push_back(Text(ReconDateText(n->emission)));
    cells.push_back(Text(PartyText(n->emit.Id())));
    cells.push_back(Text(PartyText(n->dest.Id())));
  } else {
    const bool third = b->ind_emit == '1';
    cells.push_back(b->key.empty() ? ReconCell() : Text(b->key));
    cells.push_back(Integer(b->model));
    cells.push_back(Integer(b->series));
    cells.push_back(Integer(b->number));
    cells.push_back(Text(ReconDateText(b->date)));
    cells.push_back(Text(PartyText(third ? b->participant : own)));
    cells.push_back(Text(PartyText(third ? own : b->participant)));
  }
  cells.push_back(Text(std::string(NoteRoleText(row.role))));
  cells.push_back(n ? Text(std::string(NfeStatusText(n->status))) : ReconCell());
  cells.push_back(n ? Text(r.xml.FileName(*n)) : ReconCell());
  if (b) {
    cells.push_back(Text(r.books.files[b->file].path));
    cells.push_back(Text(r.PeriodText(*b)));
    cells.push_back(Integer(b->line));
    cells.push_back(Text(std::string(1, b->ind_oper)));
    cells.push_back(Text(std::string(1, b->ind_emit)));
    cells.push_back(Text(Two(b->cod_sit)));
  } else {
    cells.resize(cells.size() + 6);
  }
  struct Pair {
    std::optional<Money> xml, book;
  };
  const bool st_and_ipi = !b || b->st_and_ipi;
  const Pair pairs[] = {
      {n ? std::optional(n->totals.vNF) : std::nullopt,
       b ? std::optional(b->vl_doc) : std::nullopt},
      {n ? std::optional(n->totals.vICMS) : std::nullopt,
       b ? std::optional(b->vl_icms) : std::nullopt},
      {n ? std::optional(n->totals.vST) : std::nullopt,
       b && st_and_ipi ? std::optional(b->vl_icms_st) : std::nullopt},
      {n ? std::optional(n->totals.vIPI) : std::nullopt,
       b && st_and_ipi ? std::optional(b->vl_ipi) : std::nullopt},
  };
  for (const Pair& p : pairs) {
    cells.push_back(p.xml ? Amount(*p.xml) : ReconCell());
    cells.push_back(p.book ? Amount(*p.book) : ReconCell());
    cells.push_back(p.xml && p.book ? Amount(*p.book - *p.xml) : ReconCell());
  }
  cells.push_back(n ? Text(n->cfops.Text()) : ReconCell());
  cells.push_back(b ? Text(b->cfops.Text()) : ReconCell());
  cells.push_back(Text(std::string(ReconSeverityText(row.result))));
  cells.push_back(Text(row.Message()));
  return cells;
}

std::string ReconCellText(const ReconCell& cell) {
  switch (cell.kind) {
    case ReconCell::Kind::kNull:
      return "";
    case ReconCell::Kind::kText:
      return cell.text;
    case ReconCell::Kind::kInteger:
      return std::to_string(cell.integer);
    case ReconCell::Kind::kMoney:
      break;
  }
  return FormatNumber(cell.money);
}

std::vector<ReconSummaryLine> ReconSummary(const Reconciliation& r) {
  std::vector<ReconSummaryLine> lines;
  const Establishment& e = r.books.establishment;
  lines.push_back({"total", "Estabelecimento", 0, std::nullopt,
                   PartyText(e.cnpj) + (e.name.empty() ? "" : " " + e.name) +
                       (e.uf.empty() ? "" : " (" + e.uf + ")")});
  std::string periods;
  for (const BookFile& f : r.books.files) {
    Booking b;
    b.file = static_cast<uint16_t>(&f - r.books.files.data());
    if (!periods.empty()) periods += ", ";
    periods += r.PeriodText(b);
  }
  lines.push_back({"total", "Período da escrita", 0, std::nullopt, periods});
  int64_t without_xml = 0;
  Money without_xml_value;
  for (const ReconRow& row : r.rows)
    if (!row.note) {
      ++without_xml;
      without_xml_value += row.booking->vl_doc;
    }
  Money read_value;
  for (const NfeNote& n : r.xml.notes) read_value += n.totals.vNF;
  lines.push_back({"total", "Arquivos XML lidos", r.xml.files, std::nullopt, ""});
  lines.push_back({"total", "NF-e lidas (uma por chave)", static_cast<int64_t>(r.xml.notes.size()),
                   read_value, ""});
  lines.push_back({"total", "Documentos não considerados",
                   static_cast<int64_t>(r.xml.ignored.size()), std::nullopt, ""});
  lines.push_back({"total", "NF-e encontradas na escrita", r.matched, std::nullopt, ""});
  lines.push_back({"total", "Escriturações sem XML", without_xml, without_xml_value, ""});
  for (ReconSeverity s :
       {ReconSeverity::kError, ReconSeverity::kWarning, ReconSeverity::kInfo, ReconSeverity::kOk}) {
    const ReconCount& c = r.by_result[static_cast<size_t>(s)];
    lines.push_back({"resultado", std::string(ReconSeverityText(s)), c.notes, c.vnf, ""});
  }
  for (size_t k = 0; k < static_cast<size_t>(ReconCheck::kCount); ++k) {
    const ReconCount& c = r.by_check[k];
    if (c.notes == 0) continue;
    lines.push_back({"ocorrência", std::string(ReconCheckText(static_cast<ReconCheck>(k))), c.notes,
                     c.vnf, ""});
  }
  return lines;
}

Workbook ReconSheet(const Reconciliation& r) {
  Workbook book;
  book.NameSheet("Conciliação");
  const auto& columns = ReconColumns();
  for (size_t c = 0; c < columns.size(); ++c)
    book.SetText(1, static_cast<int>(c + 1), columns[c].title);
  int row_number = 2;
  for (const ReconRow& row : r.rows) {
    const std::vector<ReconCell> cells = ReconRowCells(r, row);
    for (size_t c = 0; c < cells.size(); ++c) {
      const int col = static_cast<int>(c + 1);
      const ReconCell& cell = cells[c];
      switch (cell.kind) {
        case ReconCell::Kind::kNull:
          break;
        case ReconCell::Kind::kText:
          // Keys and CNPJs are texts of digits: kept as texts.
          book.SetTextFormat(row_number, col);
          book.SetText(row_number, col, cell.text);
          break;
        case ReconCell::Kind::kInteger:
          book.SetInteger(row_number, col, cell.integer);
          break;
        case ReconCell::Kind::kMoney:
          book.SetMoney(row_number, col, cell.money);
          break;
      }
    }
    ++row_number;
  }
  return book;
}

Workbook ReconSummarySheet(const Reconciliation& r) {
  Workbook book;
  book.NameSheet("Resumo");
  const char* titles[] = {"Grupo", "Item", "Notas", "Valor (vNF)", "Texto"};
  for (int c = 0; c < 5; ++c) book.SetText(1, c + 1, titles[c]);
  int row = 2;
  for (const ReconSummaryLine& l : ReconSummary(r)) {
    book.SetText(row, 1, l.group);
    book.SetText(row, 2, l.item);
    if (l.text.empty()) book.SetInteger(row, 3, l.notes);
    if (l.value) book.SetMoney(row, 4, *l.value);
    if (!l.text.empty()) book.SetText(row, 5, l.text);
    ++row;
  }
  book.SetText(row + 1, 1, "Tolerância");
  book.SetMoney(row + 1, 4, r.tolerance);
  return book;
}

SaveOutcome SaveReconciliation(const Reconciliation& r, UserInterface& ui) {
  const Workbook rows = ReconSheet(r);
  const Workbook summary = ReconSummarySheet(r);
  std::vector<std::filesystem::path> inputs;
  for (const BookFile& f : r.books.files) inputs.push_back(PathFromUtf8(f.path));
  for (const std::string& in : r.xml.inputs) inputs.push_back(PathFromUtf8(in));
  return SaveWorkbooks({&rows, &summary}, ui, inputs);
}

std::string ReconRowDetail(const Reconciliation& r, const ReconRow& row) {
  std::string out = "Resultado: " + std::string(ReconSeverityText(row.result));
  for (const ReconFinding& f : row.findings)
    out += "\n- " + std::string(ReconSeverityText(f.severity)) + ": " + f.message;
  if (row.booking) {
    const Booking& b = *row.booking;
    out += "\n\n" + std::string(r.books.source == BookSource::kEfd ? "C100" : "Registro 50") +
           " (" + r.books.files[b.file].path + ", linha " + std::to_string(b.line) + "):\n" +
           BookingLineText(r.books, b);
  } else {
    out += "\n\nNão escriturada.";
  }
  if (row.note) {
    out += "\n\nArquivo XML: " + r.xml.FileName(*row.note) + "\n\n";
    try {
      out += ReadNfeSource(r.xml, *row.note);
    } catch (const std::exception& e) {
      out += e.what();
    }
  } else {
    out += "\n\nSem arquivo XML.";
  }
  return out;
}

}  // namespace fiscora
