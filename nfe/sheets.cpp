#include "nfe/sheets.h"

#include "data/format.h"
#include "session/file_names.h"
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

ReconCell ReconRowCell(const Reconciliation& r, const ReconRow& row, size_t column) {
  const NfeNote* n = row.note;
  const Booking* b = row.booking;
  const std::string& own = r.books.establishment.cnpj;
  const bool third = b && b->ind_emit == '1';
  const bool st_and_ipi = !b || b->st_and_ipi;
  // The XML's value, the book's value and their difference.
  auto pair = [&](size_t part, std::optional<Money> xml, std::optional<Money> book) -> ReconCell {
    if (part == 0) return xml ? Amount(*xml) : ReconCell();
    if (part == 1) return book ? Amount(*book) : ReconCell();
    return xml && book ? Amount(*book - *xml) : ReconCell();
  };
  auto xml = [&](Money NfeTotals::*m) { return n ? std::optional(n->totals.*m) : std::nullopt; };
  auto book = [&](Money Booking::*m, bool kept = true) {
    return b && kept ? std::optional(b->*m) : std::nullopt;
  };
  switch (column) {
    case 0:
      return n ? Text(std::string(n->Key())) : b->key.empty() ? ReconCell() : Text(b->key);
    case 1:
      return Integer(n ? n->model : b->model);
    case 2:
      return Integer(n ? n->series : b->series);
    case 3:
      return Integer(n ? n->number : b->number);
    case 4:
      return Text(ReconDateText(n ? n->emission : b->date));
    case 5:
      return Text(PartyText(n ? n->issuer.Id() : third ? std::string_view(b->participant) : own));
    case 6:
      return Text(PartyText(n       ? n->recipient.Id()
                            : third ? own
                                    : std::string_view(b->participant)));
    case 7:
      return Text(std::string(NoteRoleText(row.role)));
    case 8:
      return n ? Text(std::string(NfeStatusText(n->status))) : ReconCell();
    case 9:
      return n ? Text(r.xml.FileName(*n)) : ReconCell();
    case 10:
      return b ? Text(r.books.files[b->file].path) : ReconCell();
    case 11:
      return b ? Text(r.PeriodText(*b)) : ReconCell();
    case 12:
      return b ? Integer(b->line) : ReconCell();
    case 13:
      return b ? Text(std::string(1, b->ind_oper)) : ReconCell();
    case 14:
      return b ? Text(std::string(1, b->ind_emit)) : ReconCell();
    case 15:
      return b ? Text(Two(b->cod_sit)) : ReconCell();
    case 16:
    case 17:
    case 18:
      return pair(column - 16, xml(&NfeTotals::vNF), book(&Booking::vl_doc));
    case 19:
    case 20:
    case 21:
      return pair(column - 19, xml(&NfeTotals::vICMS), book(&Booking::vl_icms));
    case 22:
    case 23:
    case 24:
      return pair(column - 22, xml(&NfeTotals::vST), book(&Booking::vl_icms_st, st_and_ipi));
    case 25:
    case 26:
    case 27:
      return pair(column - 25, xml(&NfeTotals::vIPI), book(&Booking::vl_ipi, st_and_ipi));
    case 28:
      return n ? Text(n->cfops.Text()) : ReconCell();
    case 29:
      return b ? Text(b->cfops.Text()) : ReconCell();
    case 30:
      return Text(std::string(ReconSeverityText(row.result)));
    case 31:
      return Text(row.Message());
    default:
      return ReconCell();
  }
}

std::vector<ReconCell> ReconRowCells(const Reconciliation& r, const ReconRow& row) {
  std::vector<ReconCell> cells;
  cells.reserve(ReconColumns().size());
  for (size_t c = 0; c < ReconColumns().size(); ++c) cells.push_back(ReconRowCell(r, row, c));
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
  // "<first book file> - conciliacao-xml.xlsx".
  const std::string first = r.books.files.empty() ? std::string() : r.books.files.front().path;
  return SaveWorkbooks({&rows, &summary}, ui, ProposedFileName(first, "conciliacao-xml", "xlsx"),
                       inputs);
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
