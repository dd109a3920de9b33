#include "cli/commands.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>

#include "audit/audit_sheet.h"
#include "audit/audit_window.h"
#include "audit/efd_sheet.h"
#include "audit/loaders.h"
#include "cli/batch.h"
#include "data/display.h"
#include "data/json.h"
#include "data/money.h"
#include "nfe/reconcile.h"
#include "nfe/sheets.h"
#include "sintegra/aliquots.h"
#include "sintegra/input_check.h"
#include "sintegra/inventory.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"
#include "sintegra/notes.h"
#include "sintegra/record90.h"
#include "sintegra/summaries.h"
#include "sped/analysis.h"
#include "sped/input_check.h"
#include "sped/merge.h"
#include "sped/sheets.h"
#include "validate/validate.h"
#include "workflow/file_choice.h"
#include "workflow/verification.h"

namespace fiscora {

bool CliArgs::Has(std::string_view name) const {
  return std::any_of(options.begin(), options.end(),
                     [&](const auto& o) { return o.first == name; });
}

std::string CliArgs::Option(std::string_view name) const {
  std::string value;
  for (const auto& [key, v] : options)
    if (key == name) value = v;
  return value;
}

std::vector<std::string> CliArgs::Options(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& [key, v] : options)
    if (key == name) values.push_back(v);
  return values;
}

namespace {

// The tables a command always prints, first, unless --dump already names them.
void DumpFirst(CliContext& c, std::initializer_list<const char*> tables) {
  auto& list = c.dump.tables;
  std::vector<std::string> front;
  for (const char* t : tables)
    if (std::find(list.begin(), list.end(), t) == list.end()) front.emplace_back(t);
  list.insert(list.begin(), front.begin(), front.end());
}

// "Arquivo" with the file of the command line chosen in the dialog.
void ChooseFile(CliContext& c) {
  c.ui.open_file = c.args.positionals.at(0);
  sbtnarqClick(c.s);
}

// The file chosen and verified as "verificar" does. The file's input check
// runs on a thread of its own while the file's header is read.
void ChooseAndVerify(CliContext& c) {
  InputCheckAhead ahead(c.args.positionals.at(0));
  ChooseFile(c);
  sbtnverificarClick(c.s, &ahead);
}

int Tables(CliContext& c) {
  c.extras.top.emplace_back("catalogue",
                            [&dtm = c.s.dtm](JsonWriter& w) { WriteCatalogue(w, dtm); });
  return 0;
}

int Carregar(CliContext& c) {
  ChooseFile(c);
  const std::string& file = c.args.positionals.at(0);
  c.s.sintegra.expected_lines = static_cast<int>(CheckSintegraInput(file));
  LoadSintegraFile(c.s, file, LoadMode::Normal);
  return 0;
}

int Verificar(CliContext& c) {
  DumpFirst(c, {"cdsmaxmin", "cdsaliq"});
  ChooseAndVerify(c);
  return 0;
}

// "Reconstruir registro 90" on the chosen file: the copy goes beside it.
int Registro90(CliContext& c) {
  ChooseFile(c);
  btn_reg90Click(c.s);
  return 0;
}

// "Alterar": the file-type window with the button of this code selected.
int TipoArquivo(CliContext& c) {
  const std::string& code = c.args.positionals.at(1);
  if (code != "1" && code != "2" && code != "3" && code != "5") {
    c.err << "fiscora-cli: tipo do arquivo deve ser 1, 2, 3 ou 5: " << code << "\n";
    return 2;
  }
  ChooseFile(c);
  ConfirmFileType(c.s, code[0]);
  return 0;
}

// The structural validation: the findings in "tables", the counts in
// "state"; exit 0 without errors, 3 with errors.
int Validar(CliContext& c) {
  const std::string& file = c.args.positionals.at(0);
  auto report = std::make_shared<const ValidationReport>(ValidateFile(PathFromUtf8(file), c.ui));
  // The findings are kept as the validation left them and written one by one.
  c.extras.tables.emplace_back("findings", [report](JsonWriter& w) {
    const JsonKey line("line"), columns("columns"), record("record"), field("field"),
        severity("severity"), message("message");
    std::string text;
    Finding f;
    w.BeginArray();
    for (size_t i = 0; i < report->findings.size(); ++i) {
      report->findings.Read(i, f);
      w.BeginObject();
      w.Key(line);
      w.Int(f.line);
      w.Key(columns);
      w.String(FindingColumns(f));
      w.Key(record);
      w.String(FindingRecord(f));
      w.Key(field);
      w.String(f.field);
      w.Key(severity);
      w.String(SeverityText(f.severity));
      w.Key(message);
      text.clear();
      AppendFindingMessage(text, f);
      w.String(text);
      w.EndObject();
    }
    w.EndArray();
  });
  c.extras.state.emplace_back("validation_kind", [kind = std::string(ValidationKindText(*report))](
                                                     JsonWriter& w) { w.String(kind); });
  for (auto [key, value] : {std::pair<const char*, int64_t>{"validation_lines", report->lines},
                            {"validation_errors", report->errors},
                            {"validation_warnings", report->warnings}})
    c.extras.state.emplace_back(key, [v = value](JsonWriter& w) { w.Int(v); });
  return report->errors > 0 ? 3 : 0;
}

void AddLabels(CliContext& c, const std::vector<std::pair<std::string, std::string>>& labels) {
  c.extras.labels.insert(c.extras.labels.end(), labels.begin(), labels.end());
}

int Notas(CliContext& c) {
  DumpFirst(c, {"cds_dif_nota"});
  ChooseAndVerify(c);
  c.extras.labels.emplace_back("lblTotNota", bbtnAnalisarNotasClick(c.s));
  return 0;
}

int ResumoNota(CliContext& c) {
  ChooseAndVerify(c);
  if (!btn_pesq50Click(c.s, c.args.positionals.at(1))) return 0;
  std::optional<NoteHeader> note = dbg_50Enter(c.s);
  if (!note) return 0;
  DumpFirst(c, {"cds_resumo_50"});
  AddLabels(c, NoteSummaryLabels(*note, c.s.dtm.cds_resumo_50.RecordCount()));
  auto rates = std::make_shared<ClientTable>(RateSummaryDef());
  FillRateSummary(c.s.dtm.cds_resumo_50, *rates);
  c.extras.tables.emplace_back(rates->name(),
                               [rates](JsonWriter& w) { WriteTableRows(w, *rates); });
  return 0;
}

int Cfop(CliContext& c) {
  DumpFirst(c, {"cds_res_cfop"});
  ChooseAndVerify(c);
  AddLabels(c, BuildCfopSummary(c.s));
  return 0;
}

int ResumoFiscal(CliContext& c) {
  DumpFirst(c, {"cds_totalizador_icms"});
  ChooseAndVerify(c);
  AddLabels(c, FiscalSummaryLabels(ComputeFiscalTotals(c.s.dtm.cds_totalizador_icms)));
  return 0;
}

// --planilha and --pdf name a file the user would choose in the save
// dialog; an existing file is replaced, as if the confirmation were
// answered Yes.
void SaveAs(CliContext& c, const std::string& file) {
  c.ui.save_file = file;
  c.ui.confirm_answer = Answer::kYes;
}

int Inventario(CliContext& c) {
  DumpFirst(c, {"cds_inventario"});
  const std::string pdf = c.args.Option("--pdf");
  if (c.args.Has("--pdf") && !c.printer) {
    c.err << "fiscora-cli: --pdf: esta compilação não imprime relatórios (sem Qt)\n";
    return 2;
  }
  ChooseAndVerify(c);
  bbtn_verif_inventClick(c.s);
  if (c.args.Has("--planilha")) {
    SaveAs(c, c.args.Option("--planilha"));
    btnExcelClick(c.s);
  }
  if (c.args.Has("--pdf")) c.printer->PrintToPdf(BuildInventoryReport(c.s), PathFromUtf8(pdf));
  return 0;
}

int Aliquotas(CliContext& c) {
  DumpFirst(c, {"cds_totaliq", "cds_res_aliq"});
  const AliquotTableChoice* choice = nullptr;
  if (c.args.Has("--planilha") != c.args.Has("--tabela")) {
    c.err << "fiscora-cli: --planilha e --tabela vêm juntas\n";
    return 2;
  }
  if (c.args.Has("--tabela")) {
    const std::string key = c.args.Option("--tabela");
    choice = FindAliquotTableChoice(key);
    if (!choice || key.rfind("rb_", 0) == 0) {
      c.err << "fiscora-cli: --tabela: use 60a, 60d, 60i, 60r, dif ou resumo\n";
      return 2;
    }
  }
  ChooseAndVerify(c);
  bbtn_analisarClick(c.s);
  // The sums of the four records shown beside the grids.
  for (const char* name : {"cds_60a", "cds_60d", "cds_60i", "cds_60r"})
    c.extras.aggregates.emplace_back(
        name, [&table = *c.s.dtm.Find(name)](JsonWriter& w) { WriteAggregates(w, table); });
  if (choice) {
    SaveAs(c, c.args.Option("--planilha"));
    btn1Click(c.s, choice);
  }
  return 0;
}

// The merge window: the files added in order as "Adicionar" does (the first
// is the head office), then "Mesclar" answered Yes with --saida as the
// folder (created when missing, as the folder dialog can).
int SpedMesclar(CliContext& c) {
  const std::string folder = c.args.Option("--saida");
  if (folder.empty()) {
    c.err << "fiscora-cli: sped-mesclar precisa de --saida PASTA\n";
    return 2;
  }
  Session& s = c.s;
  frm_spedFormCreate(s);
  for (const std::string& file : c.args.positionals) {
    c.ui.open_file = file;
    btn_mClick(s);
  }
  std::filesystem::create_directories(PathFromUtf8(folder));
  c.ui.confirm_answer = Answer::kYes;
  c.ui.folder = folder;
  btn_mesclarClick(s);

  c.extras.state.emplace_back("empresas", [&s](JsonWriter& w) {
    w.BeginArray();
    for (const std::string& entry : s.sped_merge.lstAdicionados) w.String(entry);
    w.EndArray();
  });
  c.extras.state.emplace_back("edt_save", [&s](JsonWriter& w) { w.String(s.sped_merge.edt_save); });
  c.extras.labels.emplace_back("lblStatus", s.sped_merge.lblStatus);
  return 0;
}

// The SPED analysis as its window runs it ("Arquivo SPED"), then the sheets
// asked for, each through the save step as "Gerar Notas Excel" and "Gerar ECF
// Excel" do. Fields that no line set are printed as "0.0000".
int SpedNotas(CliContext& c) {
  DumpFirst(c, {"cds_nf_sped", "cds_mov_ecf_sped", "cds_difal", "cds_totalizador_icms"});
  CheckEfdInput(PathFromUtf8(c.args.positionals.at(0)));
  bool c481 = AnalyseSpedFile(c.s, PathFromUtf8(c.args.positionals.at(0)));
  c.extras.state.emplace_back("c481", [c481](JsonWriter& w) { w.Bool(c481); });
  if (c.args.Has("--planilha-notas")) {
    c.ui.save_file = c.args.Option("--planilha-notas");
    SaveSpedNotesSheet(c.s);
  }
  if (c.args.Has("--planilha-ecf")) {
    c.ui.save_file = c.args.Option("--planilha-ecf");
    SaveSpedMovementSheet(c.s);
  }
  return 0;
}

// The audit window's steps in their order, each load waited for before the
// next: markup, initial inventory, final inventory, each period chosen and
// included, then the spreadsheet when asked. A step whose file is not given
// is skipped, as a user may skip it. A loader that fails ends the run
// (exit 1) after its message.
int Auditoria(CliContext& c) {
  Session& s = c.s;
  AuditState& a = s.audit;
  const std::string initial = c.args.Option("--inventario-inicial");
  const std::string final_inventory = c.args.Option("--inventario-final");
  const std::vector<std::string> periods = c.args.Options("--periodo");
  std::vector<std::string> files = periods;
  for (const std::string* f : {&initial, &final_inventory})
    if (!f->empty()) files.push_back(*f);
  // Every file is checked before the first load: a refusal (missing, not
  // SINTEGRA, ...) ends the run as FILE:LINE: reason with nothing loaded.
  for (const std::string& f : files) CheckSintegraInput(f);
  if (c.args.Has("--markup")) a.edt_markup = c.args.Option("--markup");

  DumpFirst(c, {"cds_audit"});
  auto loaded = [&] {
    WaitForAuditLoader(s);
    if (a.last_error.empty()) return true;
    c.err << "fiscora-cli: " << a.last_error << "\n";
    return false;
  };
  auto run = [&] {
    if (!initial.empty()) {
      c.ui.open_file = initial;
      btn_abrir_inv_iniClick(s);
      if (!loaded()) return 1;
    }
    if (!final_inventory.empty()) {
      c.ui.open_file = final_inventory;
      btn_abrir_inv_fimClick(s);
      if (!loaded()) return 1;
    }
    for (const std::string& period : periods) {
      c.ui.open_file = period;
      btn_abrir_sintegraClick(s);
      btn_incluir_sintegraClick(s);
      if (!loaded()) return 1;
    }
    if (c.args.Has("--planilha")) {
      c.ui.save_file = c.args.Option("--planilha");
      btn_excelClick(s);
    }
    return 0;
  };
  const int code = run();

  s.dtm.cds_audit.SetIndexFieldNames("descricao");
  for (size_t i = 0; i < a.lbl_per.size(); ++i)
    c.extras.labels.emplace_back("lbl_per" + std::to_string(i + 1), a.lbl_per[i]);
  const struct {
    const char* display;
    const ClientTable& table;
  } totals[] = {{"dbtxt_inv_ini", s.dtm.cds_inv_ini}, {"dbtxt_inv_fim", s.dtm.cds_inv_fim}};
  for (const auto& t : totals) {
    int soma = 0;
    while (soma < t.table.AggregateCount() &&
           t.table.def().aggregates[static_cast<size_t>(soma)].name != "soma")
      ++soma;
    c.extras.labels.emplace_back(t.display, AggregateDisplayText(t.table, soma));
  }
  return code;
}

// The EFD audit in the envelope: the window's labels, its lists as tables,
// the dates and counts of the outcome in the state. The outcome stays in the
// session until the envelope is written.
void AddEfdAuditOutput(EnvelopeExtras& extras, const AuditState& a, const EfdAuditOutcome& o) {
  for (size_t i = 0; i < a.lbl_per.size(); ++i)
    extras.labels.emplace_back("lbl_per" + std::to_string(i + 1), a.lbl_per[i]);
  extras.labels.emplace_back("dbtxt_inv_ini", EfdInventoryTotalText(o, true));
  extras.labels.emplace_back("dbtxt_inv_fim", EfdInventoryTotalText(o, false));
  extras.labels.emplace_back("lbl_efd_resumo", a.efd.has_outcome ? EfdAuditSummary(o) : "");
  auto lists = std::make_shared<const std::vector<EfdList>>(EfdAuditLists(o));
  for (size_t n = 0; n < lists->size(); ++n) {
    extras.tables.emplace_back((*lists)[n].key, [lists, n](JsonWriter& w) {
      const EfdList& l = (*lists)[n];
      w.BeginArray();
      for (size_t r = 0; r < l.rows; ++r) {
        const std::vector<EfdListCell> row = l.cells(r);
        w.BeginObject();
        for (size_t i = 0; i < row.size(); ++i) {
          w.Key(l.keys[i]);
          if (const auto* t = std::get_if<std::string>(&row[i]))
            w.String(*t);
          else if (const auto* q = std::get_if<double>(&row[i]))
            w.Double(*q);
          else
            w.MoneyString(std::get<Money>(row[i]));
        }
        w.EndObject();
      }
      w.EndArray();
    });
  }
  extras.state.emplace_back("data_inventario_inicial",
                            [&o](JsonWriter& w) { w.String(o.opening_date); });
  extras.state.emplace_back("data_inventario_final",
                            [&o](JsonWriter& w) { w.String(o.closing_date); });
  for (auto [key, value] :
       {std::pair<const char*, int64_t>{"produtos", static_cast<int64_t>(o.products)},
        {"notas_xml", static_cast<int64_t>(o.xml_notes)},
        {"saidas_por_c170", static_cast<int64_t>(o.exits_by_c170)},
        {"saidas_por_xml", static_cast<int64_t>(o.exits_by_xml)}})
    extras.state.emplace_back(key, [v = value](JsonWriter& w) { w.Int(v); });
  extras.state.emplace_back("ind_mov1_conta",
                            [on = a.efd.chk_ind_mov1](JsonWriter& w) { w.Bool(on); });
}

// The audit from EFD files as the window runs it with "EFD" chosen: the
// markup, the files of the options, "Auditar" waited for, then the
// spreadsheet when asked. cds_audit, the four lists and the warnings in
// "tables", the period labels and the inventory totals in "labels", the
// dates and counts in "state". Every file is checked before anything is
// read (exit 1 with FILE:LINE: reason); a run that fails ends with exit 1
// after its message.
int AuditoriaEfd(CliContext& c) {
  Session& s = c.s;
  AuditState& a = s.audit;
  const std::vector<std::string> periods = c.args.Options("--periodo");
  if (periods.empty()) {
    c.err << "fiscora-cli: auditoria-efd precisa de ao menos um --periodo\n";
    return 2;
  }
  const std::string ind_mov1 = c.args.Has("--ind-mov1") ? c.args.Option("--ind-mov1") : "S";
  if (ind_mov1 != "S" && ind_mov1 != "N") {
    c.err << "fiscora-cli: --ind-mov1: use S (conta) ou N (não conta)\n";
    return 2;
  }
  if (c.args.Has("--markup")) a.edt_markup = c.args.Option("--markup");
  rb_efdClick(s, true);
  a.efd.edt_efd_inv_ini = c.args.Option("--inventario-inicial");
  a.efd.edt_efd_inv_fim = c.args.Option("--inventario-final");
  a.efd.lst_efd_periodos = periods;
  a.efd.lst_xml = c.args.Options("--xml");
  a.efd.chk_ind_mov1 = ind_mov1 == "S";
  // A refusal ends the run before anything is read, as "auditoria" does.
  for (const std::string& f : periods) CheckEfdInput(PathFromUtf8(f));
  for (const std::string* f : {&a.efd.edt_efd_inv_ini, &a.efd.edt_efd_inv_fim})
    if (!f->empty()) CheckEfdInput(PathFromUtf8(*f));

  DumpFirst(c, {"cds_audit"});
  btn_auditar_efdClick(s);
  WaitForAuditLoader(s);
  int code = 0;
  if (!a.last_error.empty()) {
    c.err << "fiscora-cli: " << a.last_error << "\n";
    code = 1;
  } else if (a.efd.has_outcome && c.args.Has("--planilha")) {
    SaveAs(c, c.args.Option("--planilha"));
    btn_excelClick(s);
  }

  const EfdAuditOutcome& o = a.efd.outcome;
  s.dtm.cds_audit.SetIndexFieldNames("descricao");
  AddEfdAuditOutput(c.extras, a, o);
  return code;
}

// The reconciliation's tables in the envelope: a row a note with its
// columns, the summary, and the documents left out.
void AddReconciliationTables(EnvelopeExtras& extras,
                             const std::shared_ptr<const Reconciliation>& result) {
  extras.tables.emplace_back("conciliacao", [result](JsonWriter& w) {
    const auto& columns = ReconColumns();
    w.BeginArray();
    for (const ReconRow& row : result->rows) {
      const std::vector<ReconCell> cells = ReconRowCells(*result, row);
      w.BeginObject();
      for (size_t i = 0; i < cells.size(); ++i) {
        w.Key(columns[i].key);
        const ReconCell& cell = cells[i];
        switch (cell.kind) {
          case ReconCell::Kind::kNull:
            w.Null();
            break;
          case ReconCell::Kind::kText:
            w.String(cell.text);
            break;
          case ReconCell::Kind::kInteger:
            w.Int(cell.integer);
            break;
          case ReconCell::Kind::kMoney:
            w.MoneyString(cell.money);
            break;
        }
      }
      w.EndObject();
    }
    w.EndArray();
  });

  extras.tables.emplace_back("resumo", [result](JsonWriter& w) {
    w.BeginArray();
    for (const ReconSummaryLine& l : ReconSummary(*result)) {
      w.BeginObject();
      w.Key("grupo");
      w.String(l.group);
      w.Key("item");
      w.String(l.item);
      w.Key("notas");
      if (l.text.empty())
        w.Int(l.notes);
      else
        w.Null();
      w.Key("valor");
      if (l.value)
        w.MoneyString(*l.value);
      else
        w.Null();
      w.Key("texto");
      w.String(l.text);
      w.EndObject();
    }
    w.EndArray();
  });

  extras.tables.emplace_back("documentos_ignorados", [result](JsonWriter& w) {
    w.BeginArray();
    for (const NfeIgnored& i : result->xml.ignored) {
      w.BeginObject();
      w.Key("arquivo");
      w.String(i.file);
      w.Key("motivo");
      w.String(i.reason);
      w.EndObject();
    }
    w.EndArray();
  });
}

// The reconciliation's figures in the envelope's state.
void AddReconciliationState(EnvelopeExtras& extras,
                            const std::shared_ptr<const Reconciliation>& result) {
  extras.state.emplace_back("estabelecimento", [result](JsonWriter& w) {
    const auto& e = result->books.establishment;
    w.BeginObject();
    w.Key("cnpj");
    w.String(e.cnpj);
    w.Key("uf");
    w.String(e.uf);
    w.Key("nome");
    w.String(e.name);
    w.EndObject();
  });
  extras.state.emplace_back("resultados", [result](JsonWriter& w) {
    w.BeginObject();
    for (ReconSeverity s : {ReconSeverity::kError, ReconSeverity::kWarning, ReconSeverity::kInfo,
                            ReconSeverity::kOk}) {
      w.Key(s == ReconSeverity::kInfo ? "informacao" : ReconSeverityText(s));
      w.Int(result->by_result[static_cast<size_t>(s)].notes);
    }
    w.EndObject();
  });
  for (auto [key, value] :
       {std::pair<const char*, int64_t>{"arquivos_xml", result->xml.files},
        {"notas_xml", static_cast<int64_t>(result->xml.notes.size())},
        {"notas_casadas", result->matched},
        {"documentos_ignorados", static_cast<int64_t>(result->xml.ignored.size())}})
    extras.state.emplace_back(key, [v = value](JsonWriter& w) { w.Int(v); });
  extras.state.emplace_back("tolerancia",
                            [result](JsonWriter& w) { w.MoneyString(result->tolerance); });
}

// NF-e XML files against the books: the XML folders, zip files or files of
// --xml, the EFD files of --efd or the SINTEGRA files of --sintegra (one
// kind), the tolerance for money; the rows, the summary and the documents
// not taken in "tables", the establishment and the counts in "state"; exit
// 3 when a row is an error.
int ConciliarXml(CliContext& c) {
  const std::vector<std::string> xml = c.args.Options("--xml");
  const std::vector<std::string> efd = c.args.Options("--efd");
  const std::vector<std::string> sintegra = c.args.Options("--sintegra");
  if (xml.empty() || efd.empty() == sintegra.empty()) {
    c.err << "fiscora-cli: conciliar-xml precisa de --xml e de --efd ou de --sintegra "
             "(um dos dois)\n";
    return 2;
  }
  ReconOptions options;
  options.source = efd.empty() ? BookSource::kSintegra : BookSource::kEfd;
  if (c.args.Has("--tolerancia")) {
    std::optional<Money> tolerance = ParseMoney(c.args.Option("--tolerancia"));
    if (!tolerance || *tolerance < Money()) {
      c.err << "fiscora-cli: --tolerancia: informe um valor como 0,01\n";
      return 2;
    }
    options.tolerance = *tolerance;
  }
  auto result = std::make_shared<const Reconciliation>(
      RunXmlReconciliation(xml, efd.empty() ? sintegra : efd, options));
  const Reconciliation& r = *result;

  AddReconciliationTables(c.extras, result);
  AddReconciliationState(c.extras, result);

  if (c.args.Has("--planilha")) {
    SaveAs(c, c.args.Option("--planilha"));
    SaveReconciliation(r, c.ui);
  }
  return r.by_result[static_cast<size_t>(ReconSeverity::kError)].notes > 0 ? 3 : 0;
}

}  // namespace

const std::vector<CliCommand>& CliCommands() {
  // One row per command: name, arguments, help, positional arguments (at
  // least, at most), whether the first is a file, options, function.
  // clang-format off
  static const std::vector<CliCommand> commands = {
      {"tables", "",
       "imprime o catálogo de tabelas (campos e tipos)",
       0, 0, false, {}, Tables},
      {"carregar", "ARQUIVO",
       "escolhe o arquivo SINTEGRA e carrega-o no modo \"Normal\"",
       1, 1, true, {}, Carregar},
      {"verificar", "ARQUIVO",
       "escolhe o arquivo e executa a verificação completa\n"
       "(inclui sempre as tabelas cdsmaxmin e cdsaliq)",
       1, 1, true, {}, Verificar},
      {"registro90", "ARQUIVO",
       "escreve ao lado do arquivo a cópia \"Modif_\" com o registro 90 refeito",
       1, 1, true, {}, Registro90},
      {"tipo-arquivo", "ARQUIVO 1|2|3|5",
       "grava a finalidade (coluna 126 do registro 10) no próprio arquivo",
       2, 2, true, {}, TipoArquivo},
      {"validar", "ARQUIVO",
       "valida a estrutura do arquivo SINTEGRA ou EFD e lista as falhas por linha\n"
       "(código de saída 3 quando há erros)",
       1, 1, true, {}, Validar},
      {"notas", "ARQUIVO",
       "verifica o arquivo e analisa as notas (cds_dif_nota, lblTotNota)",
       1, 1, true, {}, Notas},
      {"resumo-nota", "ARQUIVO NUMERO",
       "verifica o arquivo, pesquisa a nota NUMERO e mostra o seu resumo\n"
       "(cds_resumo_50, resumo_aliquotas e os rótulos da janela)",
       2, 2, true, {}, ResumoNota},
      {"cfop", "ARQUIVO",
       "verifica o arquivo e mostra o resumo de CFOP's (cds_res_cfop)",
       1, 1, true, {}, Cfop},
      {"resumo-fiscal", "ARQUIVO",
       "verifica o arquivo e mostra o resumo fiscal (cds_totalizador_icms)",
       1, 1, true, {}, ResumoFiscal},
      {"inventario", "ARQUIVO",
       "verifica o arquivo e lista o inventário (cds_inventario);\n"
       "--planilha SAIDA.xlsx grava a planilha, --pdf SAIDA.pdf o relatório",
       1, 1, true, {"--planilha", "--pdf"}, Inventario},
      {"aliquotas", "ARQUIVO",
       "verifica o arquivo e analisa os totais das alíquotas\n"
       "(cds_totaliq, cds_res_aliq); --planilha SAIDA.xlsx --tabela T grava\n"
       "a tabela T: 60a, 60d, 60i, 60r, dif ou resumo",
       1, 1, true, {"--planilha", "--tabela"}, Aliquotas},
      {"sped-notas", "ARQUIVO",
       "analisa as notas e o movimento por ECF de um arquivo SPED EFD\n"
       "(--planilha-notas e --planilha-ecf gravam as planilhas)",
       1, 1, true, {"--planilha-notas", "--planilha-ecf"}, SpedNotas},
      {"sped-mesclar", "--saida PASTA ARQUIVO ARQUIVO...",
       "mescla arquivos EFD-Contribuições na ordem dada (o primeiro é\n"
       "o da matriz) e grava PASTA/SPED_mesclado.txt",
       1, -1, true, {"--saida"}, SpedMesclar},
      {"auditoria",
       "--markup M --inventario-inicial ARQ --inventario-final ARQ --periodo ARQ "
       "[--periodo ARQ ...] [--planilha SAIDA.xlsx]",
       "auditoria de estoque como na janela \"Auditoria\": markup, inventário inicial,\n"
       "inventário final e cada período, na ordem; a planilha quando pedida\n"
       "(imprime cds_audit, lbl_per1 a lbl_per12 e os totais dos inventários)",
       0, 0, false,
       {"--markup", "--inventario-inicial", "--inventario-final", "--periodo", "--planilha"},
       Auditoria},
      {"auditoria-efd",
       "--markup M --inventario-inicial EFD --inventario-final EFD --periodo EFD "
       "[--periodo EFD ...] [--xml PASTA|ZIP ...] [--ind-mov1 S|N] [--planilha SAIDA.xlsx]",
       "auditoria de estoque a partir de arquivos EFD ICMS/IPI (bloco H, C170, C425/C470)\n"
       "e dos XML das NF-e de saída; imprime cds_audit, itens_sem_cadastro,\n"
       "unidades_sem_conversao, saidas_sem_itens, inventario_terceiros e avisos",
       0, 0, false,
       {"--markup", "--inventario-inicial", "--inventario-final", "--periodo", "--xml",
        "--ind-mov1", "--planilha"},
       AuditoriaEfd},
      {"conciliar-xml",
       "--xml PASTA|ZIP [--xml ...] (--efd ARQ ... | --sintegra ARQ ...) "
       "[--tolerancia 0,01] [--planilha SAIDA.xlsx]",
       "confronta os XML de NF-e/NFC-e com as notas escrituradas na EFD ou no SINTEGRA\n"
       "(tables: conciliacao, resumo, documentos_ignorados; código 3 quando há erros)",
       0, 0, false, {"--xml", "--efd", "--sintegra", "--tolerancia", "--planilha"},
       ConciliarXml},
      {"lote", "PASTA|ARQUIVO... --saida PASTA_SAIDA [--tarefas validar,verificar] "
       "[--paralelo N] [--fatia K/N]",
       "executa as tarefas em cada arquivo das pastas (validar em todos, verificar\n"
       "nos SINTEGRA), N de cada vez; grava um JSON por arquivo, resumo.jsonl e\n"
       "resumo.xlsx em PASTA_SAIDA e retoma um lote interrompido",
       1, -1, false, {"--saida", "--tarefas", "--paralelo", "--fatia"}, Lote},
      {"lote-juntar", "PASTA... --saida PASTA",
       "junta as saídas de lotes em fatias em um só resumo.jsonl e resumo.xlsx",
       1, -1, false, {"--saida"}, LoteJuntar},
  };
  // clang-format on
  return commands;
}

}  // namespace fiscora
