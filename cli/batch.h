// The batch ("lote"): every input of a folder through the same commands as
// fiscora-cli runs one at a time (`validar`, `verificar`), N files at a time,
// each task in its own session and private working folder. Per input one
// result file (the envelopes of its tasks), written atomically, so that a
// batch stopped halfway resumes where it stopped; then resumo.jsonl and
// resumo.xlsx over every result. fiscora-cli's `lote` and `lote-juntar` and
// the window "Lote" run these routines.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/money.h"
#include "export/spreadsheet.h"

namespace fiscora {

// One command of fiscora-cli run on one file in this process, as
// `fiscora-cli COMMAND FILE` would run it: the exit code, the envelope it
// printed (empty when none) and what it wrote on standard error.
struct TaskRun {
  int code = 0;
  std::string envelope;
  std::string error;
};
TaskRun RunTaskOnFile(const std::string& command, const std::string& file);

// One line of the summary: what a result file says of its input.
struct BatchRow {
  std::string file;  // the input's path as found
  std::string kind;  // BatchKindText
  std::string cnpj, company, period;
  std::optional<int64_t> lines, errors, warnings;  // of `validar`
  // The verification's main totals (SINTEGRA files verified): purchases,
  // sales, fiscal-printer coupons, inventory.
  std::optional<Money> entradas, saidas, cupons, inventario;
  std::string status;   // "ok", "com erros", "falhou", "ignorado"
  std::string message;  // why it failed or was skipped
  double seconds = 0;
  std::string hash;    // ContentHash of the input
  std::string result;  // the result file's name
};

// The row as one line of resumo.jsonl (without the line end).
std::string BatchRowJson(const BatchRow& row);

struct BatchProgress {
  int done = 0;   // inputs finished (run, resumed or skipped)
  int total = 0;  // inputs of this run (of this shard)
  int failed = 0;
  int with_errors = 0;
  double elapsed = 0;    // seconds
  double remaining = 0;  // estimated seconds left (0 when unknown)
};

struct BatchOptions {
  std::vector<std::string> inputs;  // folders (searched recursively) and files
  std::string output;               // the output folder (created when missing)
  std::vector<std::string> tasks;   // "validar", "verificar"; empty: both
  int parallel = 0;                 // files at a time; 0: the number of cores
  int shard = 1, shards = 1;        // --fatia K/N
  // Called after each input, from a worker thread, one call at a time.
  std::function<void(const BatchProgress&)> progress;
  // When set, no further input is started (the running ones end).
  const std::atomic<bool>* stop = nullptr;
};

struct BatchOutcome {
  int total = 0, ran = 0, resumed = 0, ignored = 0, failed = 0, with_errors = 0;
  bool stopped = false;
  std::vector<BatchRow> rows;  // in the order of the inputs' paths
};

// The batch: finds the inputs, runs or resumes each, and (unless stopped)
// writes resumo.jsonl and resumo.xlsx in the output folder. Throws FileError
// or FileWriteError when an input folder cannot be read or the output cannot
// be written; a failure of one input is recorded in its row.
BatchOutcome RunBatch(const BatchOptions& options);

// The result files of the output folders ("*.json" but the summary), read
// into rows in the order of their inputs' paths. Throws FileError naming a
// file that cannot be read.
std::vector<std::filesystem::path> BatchResultFiles(const std::vector<std::string>& folders);
BatchRow ReadBatchRow(const std::filesystem::path& result_file);

// resumo.jsonl and resumo.xlsx for the result files (sorted by input path):
// sheet "Resumo" with one row per input, sheet "Falhas" with every finding
// of every file. Both written atomically. Returns the rows.
std::vector<BatchRow> WriteBatchSummary(const std::vector<std::filesystem::path>& result_files,
                                        const std::filesystem::path& folder);

// The two sheets of resumo.xlsx, for the window's "Exportar".
void BuildBatchWorkbooks(const std::vector<std::filesystem::path>& result_files, Workbook& summary,
                         Workbook& findings);

// The commands `lote` and `lote-juntar` of fiscora-cli's command table.
struct CliContext;
int Lote(CliContext& c);
int LoteJuntar(CliContext& c);

}  // namespace fiscora
