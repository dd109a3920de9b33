#include "cli/batch.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "cli/cli.h"
#include "cli/commands.h"
#include "data/atomic_file.h"
#include "data/block_lines.h"
#include "data/json.h"
#include "data/json_reader.h"
#include "sintegra/layout.h"
#include "workflow/batch_input.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fiscora {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSummaryLines = "resumo.jsonl";
constexpr const char* kSummaryBook = "resumo.xlsx";
// An .xlsx sheet holds 1,048,576 rows: the titles, the findings, and one row
// that says how many did not fit.
constexpr int kSheetRows = 1048576;

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(2) != 0;
#else
  return isatty(2) != 0;
#endif
}

std::string Slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw FileError("Não foi possível abrir o arquivo " + PathText(file));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw FileError("Não foi possível ler o arquivo " + PathText(file));
  return text.str();
}

// "R$ 2.046,20", "R$: 1,50", "1.243,15" as money; nullopt for an empty label.
std::optional<Money> LabelMoney(const std::string& label) {
  std::string digits;
  for (char c : label)
    if ((c >= '0' && c <= '9') || c == ',' || c == '-') digits += c;
  if (digits.empty()) return std::nullopt;
  return ParseMoney(digits);
}

void OptionalInt(JsonWriter& w, const std::optional<int64_t>& v) {
  if (v)
    w.Int(*v);
  else
    w.Null();
}

std::optional<int64_t> ReadOptionalInt(const JsonValue& v) {
  if (v.kind != JsonValue::Kind::kNumber) return std::nullopt;
  return v.AsInt();
}

std::optional<Money> ReadOptionalMoney(const JsonValue& v) {
  if (v.kind != JsonValue::Kind::kString) return std::nullopt;
  std::string text = v.text;
  std::replace(text.begin(), text.end(), '.', ',');
  return ParseMoney(text);
}

void WriteRow(JsonWriter& w, const BatchRow& row) {
  w.BeginObject();
  for (auto [key, value] : {std::pair<const char*, const std::string*>{"file", &row.file},
                            {"kind", &row.kind},
                            {"cnpj", &row.cnpj},
                            {"company", &row.company},
                            {"period", &row.period}}) {
    w.Key(key);
    w.String(*value);
  }
  w.Key("lines");
  OptionalInt(w, row.lines);
  w.Key("errors");
  OptionalInt(w, row.errors);
  w.Key("warnings");
  OptionalInt(w, row.warnings);
  w.Key("totals");
  if (row.entradas || row.saidas || row.cupons || row.inventario) {
    w.BeginObject();
    for (auto [key, value] :
         {std::pair<const char*, const std::optional<Money>*>{"entradas", &row.entradas},
          {"saidas", &row.saidas},
          {"cupons", &row.cupons},
          {"inventario", &row.inventario}}) {
      w.Key(key);
      if (*value)
        w.MoneyString(**value);
      else
        w.Null();
    }
    w.EndObject();
  } else {
    w.Null();
  }
  w.Key("status");
  w.String(row.status);
  w.Key("message");
  w.String(row.message);
  w.Key("seconds");
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", row.seconds);
  w.Raw(seconds);
  w.Key("hash");
  w.String(row.hash);
  w.Key("result");
  w.String(row.result);
  w.EndObject();
}

BatchRow RowFromJson(const JsonValue& v) {
  BatchRow row;
  row.file = v["file"].Str();
  row.kind = v["kind"].Str();
  row.cnpj = v["cnpj"].Str();
  row.company = v["company"].Str();
  row.period = v["period"].Str();
  row.lines = ReadOptionalInt(v["lines"]);
  row.errors = ReadOptionalInt(v["errors"]);
  row.warnings = ReadOptionalInt(v["warnings"]);
  const JsonValue& totals = v["totals"];
  row.entradas = ReadOptionalMoney(totals["entradas"]);
  row.saidas = ReadOptionalMoney(totals["saidas"]);
  row.cupons = ReadOptionalMoney(totals["cupons"]);
  row.inventario = ReadOptionalMoney(totals["inventario"]);
  row.status = v["status"].Str();
  row.message = v["message"].Str();
  row.seconds = v["seconds"].kind == JsonValue::Kind::kNumber ? std::stod(v["seconds"].text) : 0;
  row.hash = v["hash"].Str();
  row.result = v["result"].Str();
  return row;
}

// A task's message without the program's prefix: "x.txt:1: motivo".
std::string TaskMessage(const std::string& task, const TaskRun& run) {
  std::string text = run.error;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  size_t nl = text.find('\n');
  if (nl != std::string::npos) text.erase(nl);  // the first line (not a usage text)
  const std::string prefix = "fiscora-cli: ";
  if (text.rfind(prefix, 0) == 0) text.erase(0, prefix.size());
  if (text.empty()) text = "terminou com o código " + std::to_string(run.code);
  return task + ": " + text;
}

std::vector<std::string> TasksFor(BatchKind kind, const std::vector<std::string>& asked) {
  std::vector<std::string> tasks;
  for (const std::string& t : asked)
    if (t == "validar" || (t == "verificar" && kind == BatchKind::kSintegra)) tasks.push_back(t);
  return tasks;
}

std::string TaskListText(const std::vector<std::string>& tasks) {
  std::string text;
  for (const std::string& t : tasks) text += (text.empty() ? "" : ",") + t;
  return text;
}

// Runs one input (or takes its earlier result) and returns its row; the
// result file is written atomically before the row counts as done.
BatchRow ProcessInput(const std::string& file, const fs::path& output,
                      const std::vector<std::string>& asked, bool& resumed) {
  const auto start = std::chrono::steady_clock::now();
  const fs::path path = PathFromUtf8(file);
  const std::string name = BatchResultName(file);
  const fs::path result = output / PathFromUtf8(name);
  const std::string asked_text = TaskListText(asked);
  BatchRow row;
  row.file = file;
  row.result = name;
  resumed = false;
  BatchInput input;
  try {
    row.hash = ContentHash(path);
    input = IdentifyBatchInput(path);
  } catch (const std::exception& e) {
    row.kind = std::string(BatchKindText(BatchKind::kOther));
    row.status = "falhou";
    row.message = e.what();
  }
  // The earlier result of the same content and the same tasks stands.
  std::error_code ec;
  if (!row.hash.empty() && fs::exists(result, ec)) {
    try {
      // A result is whole when it ends as written: one line, closed. (Results
      // are renamed into place whole; this catches one cut by other means.)
      const std::string text = Slurp(result);
      const bool whole = text.size() > 2 && text.compare(text.size() - 2, 2, "}\n") == 0 &&
                         text.find('\n') == text.size() - 1;
      if (whole && FirstMember(text, "hash").Str() == row.hash &&
          FirstMember(text, "tasks_asked").Str() == asked_text &&
          FirstMember(text, "file").Str() == file) {
        resumed = true;
        return RowFromJson(FirstMember(text, "summary"));
      }
    } catch (const std::exception&) {
      // An unreadable result is made again.
    }
  }

  std::string tasks_text;
  StringSink tasks_sink(tasks_text);
  JsonWriter tasks_json(tasks_sink);
  tasks_json.BeginObject();
  if (row.status.empty()) {
    row.kind = std::string(BatchKindText(input.kind));
    row.cnpj = input.cnpj;
    row.company = input.company;
    row.period = input.period;
    if (input.kind == BatchKind::kOther) {
      row.status = "ignorado";
      row.message = input.reason;
    }
  }
  bool failed = row.status == "falhou", errors = false;
  if (row.status.empty()) {
    for (const std::string& task : TasksFor(input.kind, asked)) {
      TaskRun run = RunTaskOnFile(task, file);
      tasks_json.Key(task);
      tasks_json.BeginObject();
      tasks_json.Key("code");
      tasks_json.Int(run.code);
      tasks_json.Key("error");
      tasks_json.String(run.error);
      tasks_json.Key("envelope");
      // Only what the summary needs is read back from the envelope (state
      // and labels come before the tables, which may be large).
      JsonValue state, labels;
      if (!run.envelope.empty()) {
        try {
          state = FirstMember(run.envelope, "state");
          labels = FirstMember(run.envelope, "labels");
        } catch (const std::exception&) {
        }
        // Printed with a line end; the result is one line.
        std::string_view envelope = run.envelope;
        while (!envelope.empty() && (envelope.back() == '\n' || envelope.back() == '\r'))
          envelope.remove_suffix(1);
        tasks_json.Raw(envelope);
      } else {
        tasks_json.Null();
      }
      tasks_json.EndObject();
      if (run.code != 0 && !(task == "validar" && run.code == 3)) {
        if (!failed) row.message = TaskMessage(task, run);
        failed = true;
        continue;
      }
      if (task == "validar") {
        row.lines = ReadOptionalInt(state["validation_lines"]);
        row.errors = ReadOptionalInt(state["validation_errors"]);
        row.warnings = ReadOptionalInt(state["validation_warnings"]);
        errors = run.code == 3;
      } else {
        row.entradas = LabelMoney(labels["lblentradas"].Str());
        row.saidas = LabelMoney(labels["lblsaidas"].Str());
        row.cupons = LabelMoney(labels["lblCupom"].Str());
        row.inventario = LabelMoney(labels["dbt_soma_inv"].Str());
      }
    }
    row.status = failed ? "falhou" : errors ? "com erros" : "ok";
  }
  tasks_json.EndObject();
  tasks_json.Flush();
  row.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::string text;
  StringSink sink(text);
  JsonWriter w(sink);
  w.BeginObject();
  w.Key("file");
  w.String(file);
  w.Key("hash");
  w.String(row.hash);
  w.Key("tasks_asked");
  w.String(asked_text);
  w.Key("summary");
  WriteRow(w, row);
  w.Key("tasks");
  w.Raw(tasks_text);
  w.EndObject();
  w.Flush();
  AtomicFile out(result);
  out.Write(text);
  out.Write("\n");
  out.Commit();
  // What the next run reads back, so that a resumed row is the same row.
  return RowFromJson(ParseJson(BatchRowJson(row)));
}

void SummaryTitles(Workbook& summary, Workbook& findings) {
  summary.NameSheet("Resumo");
  int c = 1;
  for (const char* title :
       {"Arquivo", "Tipo", "CNPJ", "Empresa", "Período", "Linhas", "Erros", "Avisos", "Entradas",
        "Saídas", "Cupons", "Inventário", "Situação", "Mensagem", "Segundos"})
    summary.SetText(1, c++, title);
  findings.NameSheet("Falhas");
  c = 1;
  for (const char* title :
       {"Arquivo", "Linha", "Colunas", "Registro", "Campo", "Gravidade", "Mensagem"})
    findings.SetText(1, c++, title);
}

void SummaryRow(Workbook& book, int r, const BatchRow& row) {
  int c = 1;
  for (const std::string* text : {&row.file, &row.kind, &row.cnpj, &row.company, &row.period}) {
    book.SetTextFormat(r, c);
    book.SetText(r, c++, *text);
  }
  for (const auto* v : {&row.lines, &row.errors, &row.warnings}) {
    if (*v) book.SetInteger(r, c, **v);
    ++c;
  }
  for (const auto* v : {&row.entradas, &row.saidas, &row.cupons, &row.inventario}) {
    if (*v) book.SetMoney(r, c, **v);
    ++c;
  }
  book.SetText(r, c++, row.status);
  book.SetText(r, c++, row.message);
  book.SetFloat(r, c, row.seconds);
}

}  // namespace

TaskRun RunTaskOnFile(const std::string& command, const std::string& file) {
  std::ostringstream out, err;
  TaskRun run;
  try {
    run.code = RunCli({command, file}, out, err);
  } catch (...) {
    run.code = 1;
    err << "fiscora-cli: " << file << ": falha inesperada\n";
  }
  run.envelope = std::move(out).str();
  run.error = std::move(err).str();
  return run;
}

std::string BatchRowJson(const BatchRow& row) {
  return JsonText([&](JsonWriter& w) { WriteRow(w, row); });
}

BatchOutcome RunBatch(const BatchOptions& options) {
  const fs::path output = PathFromUtf8(options.output);
  std::error_code ec;
  fs::create_directories(output, ec);
  if (!fs::is_directory(output, ec))
    throw FileWriteError("Não foi possível criar a pasta " + options.output);
  // The results never go among the inputs: an input folder inside the
  // output folder would be skipped whole.
  const fs::path output_canonical = fs::weakly_canonical(output, ec);
  for (const std::string& input : options.inputs) {
    const fs::path in = fs::weakly_canonical(PathFromUtf8(input), ec);
    auto [a, b] =
        std::mismatch(output_canonical.begin(), output_canonical.end(), in.begin(), in.end());
    if (a == output_canonical.end() && fs::is_directory(in, ec))
      throw std::invalid_argument("a pasta " + input +
                                  " está dentro da pasta de saída; escolha outra pasta de saída");
  }
  std::vector<std::string> files;
  for (const std::string& f : FindBatchInputs(options.inputs, output))
    if (InShard(f, options.shard, options.shards)) files.push_back(f);
  const std::vector<std::string> asked =
      options.tasks.empty() ? std::vector<std::string>{"validar", "verificar"} : options.tasks;

  BatchOutcome outcome;
  outcome.total = static_cast<int>(files.size());
  outcome.rows.resize(files.size());
  std::vector<bool> finished(files.size(), false);
  std::atomic<size_t> next{0};
  std::mutex mutex;
  BatchProgress progress;
  progress.total = outcome.total;
  const auto start = std::chrono::steady_clock::now();
  double work_seconds = 0;  // of the inputs run, not resumed
  int run_count = 0;

  auto worker = [&] {
    while (true) {
      if (options.stop && options.stop->load()) return;
      const size_t i = next.fetch_add(1);
      if (i >= files.size()) return;
      bool resumed = false;
      BatchRow row = ProcessInput(files[i], output, asked, resumed);
      std::lock_guard<std::mutex> lock(mutex);
      ++progress.done;
      if (resumed) {
        ++outcome.resumed;
      } else if (row.status != "ignorado") {
        ++outcome.ran;
        ++run_count;
        work_seconds += row.seconds;
      }
      if (row.status == "ignorado") ++outcome.ignored;
      if (row.status == "falhou") ++outcome.failed, ++progress.failed;
      if (row.status == "com erros") ++outcome.with_errors, ++progress.with_errors;
      outcome.rows[i] = std::move(row);
      finished[i] = true;
      progress.elapsed =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      // Time left: the inputs not finished at the elapsed pace of those run.
      const int left = progress.total - progress.done;
      progress.remaining = run_count > 0 ? progress.elapsed / std::max(1, progress.done) * left : 0;
      if (options.progress) options.progress(progress);
    }
  };
  int threads = options.parallel > 0 ? options.parallel
                                     : static_cast<int>(std::thread::hardware_concurrency());
  threads = std::clamp(threads, 1, std::max(1, outcome.total));
  // An exception of a worker (the output cannot be written) ends the batch
  // once the others have stopped.
  std::exception_ptr failure;
  auto guarded = [&] {
    try {
      worker();
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex);
      if (!failure) failure = std::current_exception();
      next.store(files.size());
    }
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(guarded);
  guarded();
  for (std::thread& t : pool) t.join();
  if (failure) std::rethrow_exception(failure);

  if (std::find(finished.begin(), finished.end(), false) != finished.end()) {
    outcome.stopped = true;
    std::vector<BatchRow> done;
    for (size_t i = 0; i < files.size(); ++i)
      if (finished[i]) done.push_back(std::move(outcome.rows[i]));
    outcome.rows = std::move(done);
    return outcome;
  }
  std::vector<fs::path> results;
  for (const BatchRow& row : outcome.rows) results.push_back(output / PathFromUtf8(row.result));
  WriteBatchSummary(results, output);
  return outcome;
}

std::vector<fs::path> BatchResultFiles(const std::vector<std::string>& folders) {
  std::vector<fs::path> files;
  for (const std::string& folder : folders) {
    const fs::path root = PathFromUtf8(folder);
    std::error_code ec;
    if (!fs::is_directory(root, ec)) throw FileError("pasta não encontrada: " + folder);
    for (const fs::directory_entry& e : fs::directory_iterator(root)) {
      const std::string name = PathText(e.path().filename());
      if (!e.is_regular_file() || e.path().extension() != ".json" || name.front() == '.') continue;
      files.push_back(e.path());
    }
  }
  return files;
}

BatchRow ReadBatchRow(const fs::path& result_file) {
  try {
    return RowFromJson(FirstMember(Slurp(result_file), "summary"));
  } catch (const JsonParseError& e) {
    throw FileError(PathText(result_file) + ": " + e.what());
  }
}

void BuildBatchWorkbooks(const std::vector<fs::path>& result_files, Workbook& summary,
                         Workbook& findings) {
  SummaryTitles(summary, findings);
  // The rows in the order of their inputs' paths, whatever folder holds them.
  std::vector<std::pair<std::string, fs::path>> order;
  for (const fs::path& f : result_files) order.emplace_back(ReadBatchRow(f).file, f);
  std::sort(order.begin(), order.end());
  int r = 2, fr = 2;
  int64_t left_out = 0;
  for (const auto& [file, path] : order) {
    const std::string text = Slurp(path);
    SummaryRow(summary, r++, RowFromJson(FirstMember(text, "summary")));
    // The findings of `validar`, one at a time: the only "findings" member
    // of a result is that of its envelope's tables.
    size_t pos = FindMember(text, "findings");
    if (pos == std::string::npos) continue;
    while (pos < text.size() && text[pos] != '[') ++pos;
    ++pos;
    for (bool more = true; more && pos < text.size();) {
      while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\n')) ++pos;
      if (pos < text.size() && text[pos] == ']') break;
      JsonValue f = ParseJsonAt(text, pos);
      while (pos < text.size() && text[pos] == ' ') ++pos;
      more = pos < text.size() && text[pos] == ',';
      ++pos;
      if (fr >= kSheetRows) {
        ++left_out;
        continue;
      }
      findings.SetTextFormat(fr, 1);
      findings.SetText(fr, 1, file);
      findings.SetInteger(fr, 2, f["line"].AsInt());
      int c = 3;
      for (const char* key : {"columns", "record", "field", "severity", "message"})
        findings.SetText(fr, c++, f[key].Str());
      ++fr;
    }
  }
  if (left_out > 0)
    findings.SetText(kSheetRows, 1,
                     "mais " + std::to_string(left_out) + " falhas não cabem nesta planilha");
}

std::vector<BatchRow> WriteBatchSummary(const std::vector<fs::path>& result_files,
                                        const fs::path& folder) {
  std::vector<BatchRow> rows;
  for (const fs::path& f : result_files) rows.push_back(ReadBatchRow(f));
  std::stable_sort(rows.begin(), rows.end(),
                   [](const BatchRow& a, const BatchRow& b) { return a.file < b.file; });
  AtomicFile lines(folder / kSummaryLines);
  for (const BatchRow& row : rows) lines.Write(BatchRowJson(row) + "\n");
  lines.Commit();
  Workbook summary, findings;
  BuildBatchWorkbooks(result_files, summary, findings);
  Workbook::SaveSheetsAs({&summary, &findings}, folder / kSummaryBook);
  return rows;
}

// fiscora-cli lote PASTA|ARQUIVO... --saida PASTA [--tarefas T,T] [--paralelo N]
// [--fatia K/N]: the envelope's state gains the batch's counts; exit 0 when
// every input ran without errors, 3 when an input failed or has errors.
int Lote(CliContext& c) {
  BatchOptions options;
  options.inputs = c.args.positionals;
  options.output = c.args.Option("--saida");
  auto usage = [&](const std::string& what) {
    c.err << "fiscora-cli: " << what << "\n";
    return 2;
  };
  if (options.output.empty()) return usage("lote precisa de --saida PASTA");
  std::stringstream tasks(c.args.Option("--tarefas"));
  for (std::string t; std::getline(tasks, t, ',');) {
    if (t.empty()) continue;
    if (t != "validar" && t != "verificar")
      return usage("--tarefas: use validar e/ou verificar: " + t);
    if (std::find(options.tasks.begin(), options.tasks.end(), t) == options.tasks.end())
      options.tasks.push_back(t);
  }
  if (c.args.Has("--tarefas") && options.tasks.empty())
    return usage("--tarefas: use validar e/ou verificar");
  if (c.args.Has("--paralelo")) {
    std::optional<int32_t> n = ParseInt32(c.args.Option("--paralelo"));
    if (!n || *n < 1 || *n > 256) return usage("--paralelo: um número de 1 a 256");
    options.parallel = *n;
  }
  if (c.args.Has("--fatia")) {
    const std::string shard = c.args.Option("--fatia");
    const size_t slash = shard.find('/');
    std::optional<int32_t> k, n;
    if (slash != std::string::npos) {
      k = ParseInt32(shard.substr(0, slash));
      n = ParseInt32(shard.substr(slash + 1));
    }
    if (!k || !n || *n < 1 || *k < 1 || *k > *n)
      return usage("--fatia: use K/N, com 1 <= K <= N: " + shard);
    options.shard = *k;
    options.shards = *n;
  }
  // The progress line only on a terminal: "lote: 12/200 arquivos, ...".
  const bool terminal = &c.err == &std::cerr && StandardErrorIsTerminal();
  if (terminal) {
    options.progress = [&c](const BatchProgress& p) {
      char line[160];
      const long left = std::lround(p.remaining);
      std::snprintf(line, sizeof line,
                    "\rlote: %d/%d arquivos, %d com falha, %d com erros, faltam %ld:%02ld:%02ld ",
                    p.done, p.total, p.failed, p.with_errors, left / 3600, left / 60 % 60,
                    left % 60);
      c.err << line << std::flush;
    };
  }
  BatchOutcome outcome = RunBatch(options);
  if (terminal && outcome.total > 0) c.err << "\n";
  for (auto [key, value] : {std::pair<const char*, int>{"batch_inputs", outcome.total},
                            {"batch_ran", outcome.ran},
                            {"batch_resumed", outcome.resumed},
                            {"batch_ignored", outcome.ignored},
                            {"batch_failed", outcome.failed},
                            {"batch_with_errors", outcome.with_errors}})
    c.extras.state.emplace_back(key, [value = value](JsonWriter& w) { w.Int(value); });
  c.extras.state.emplace_back("batch_output",
                              [folder = options.output](JsonWriter& w) { w.String(folder); });
  return outcome.failed + outcome.with_errors > 0 ? 3 : 0;
}

// fiscora-cli lote-juntar PASTA... --saida PASTA: the shards' results in one
// summary, as one run over every input would write it.
int LoteJuntar(CliContext& c) {
  const std::string output = c.args.Option("--saida");
  if (output.empty()) {
    c.err << "fiscora-cli: lote-juntar precisa de --saida PASTA\n";
    return 2;
  }
  std::vector<fs::path> results;
  std::vector<std::string> seen;
  for (const fs::path& f : BatchResultFiles(c.args.positionals)) {
    std::string file = ReadBatchRow(f).file;
    if (std::find(seen.begin(), seen.end(), file) != seen.end()) continue;
    seen.push_back(file);
    results.push_back(f);
  }
  const fs::path out = PathFromUtf8(output);
  std::error_code ec;
  fs::create_directories(out, ec);
  std::vector<BatchRow> rows = WriteBatchSummary(results, out);
  c.extras.state.emplace_back("batch_inputs",
                              [n = static_cast<int64_t>(rows.size())](JsonWriter& w) { w.Int(n); });
  c.extras.state.emplace_back("batch_output", [output](JsonWriter& w) { w.String(output); });
  return 0;
}

}  // namespace fiscora
