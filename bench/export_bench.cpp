// Benchmarks of the exports and the aliquot analysis: the inventory
// spreadsheet of 100,000 items written to an .xlsx file, and "Analisar" on
// the tables of the generated million-line file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <system_error>

#include "data/catalogue.h"
#include "session/headless_session.h"
#include "session/main_window_state.h"
#include "session/recording_ui.h"
#include "session/session.h"
#include "sintegra/aliquots.h"
#include "sintegra/inventory.h"
#include "sintegra/loader.h"
#include "tools/sintegra_generator.h"
#include "workflow/file_choice.h"
#include "workflow/verification.h"

namespace fs = std::filesystem;

namespace {

constexpr int kInventoryItems = 100'000;
constexpr int64_t kFileLines = 1'000'000;
constexpr uint64_t kFileSeed = 2025;  // the file of the loader's benchmarks

// A folder for this run (FISCORA_BENCH_DIR: a folder kept between runs,
// where the million-line file is reused).
struct Folder {
  fs::path root;
  bool keep = false;
  Folder() {
    if (const char* dir = std::getenv("FISCORA_BENCH_DIR"); dir && *dir) {
      root = dir;
      keep = true;
    } else {
      root = fs::temp_directory_path() /
             ("fiscora_bench_export_" + std::to_string(std::random_device{}()));
    }
    fs::create_directories(root / "vorn");
  }
  ~Folder() {
    std::error_code ec;
    if (!keep) fs::remove_all(root, ec);
  }
  static Folder& Get() {
    static Folder f;
    return f;
  }
};

struct Shell : fiscora::HeadlessSession {
  Shell() : HeadlessSession(Folder::Get().root / "vorn") {}
};

// Items as a listing leaves them: codes, descriptions of full width, units,
// quantities and values, ordered by description.
void FillInventory(fiscora::ClientTable& t, int n) {
  using namespace fiscora::f74;
  const char* units[] = {"UN", "KG", "PC", "CX", "LT"};
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < n; ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    char code[16], text[64];
    std::snprintf(code, sizeof code, "%014d", 7891000 + i);
    std::snprintf(text, sizeof text, "PRODUTO %06llu EMBALAGEM %03d UNIDADES SORTIDAS",
                  static_cast<unsigned long long>(x % 1000000), i % 1000);
    const int64_t qty_milli = 1000 + static_cast<int64_t>(x % 500000);
    const int64_t cents = 100 + static_cast<int64_t>((x >> 20) % 5'000'000);
    t.Append();
    t.SetText(codigo, code);
    t.SetText(descricao, text);
    t.SetText(unidade, units[i % 5]);
    t.SetFloat(quantidade, static_cast<double>(qty_milli) / 1000.0);
    t.SetMoney(valor, fiscora::Money::FromRaw(cents * 100));
    t.SetMoney(unitario,
               fiscora::Money::FromRaw(fiscora::MulDivRoundEven(cents * 100, 1000, qty_milli)));
    t.Post();
  }
  t.SetIndexFieldNames("descricao");
}

// "Excel" of the inventory: the workbook of 100,000 items built and written
// as an .xlsx file (the save step, with the file replaced each time).
void BM_InventorySpreadsheet(benchmark::State& state) {
  Shell shell;
  FillInventory(shell.dtm.cds_inventario, kInventoryItems);
  const fs::path out = Folder::Get().root / "inventario_100k.xlsx";
  shell.ui.save_file = out.string();
  for (auto _ : state) {
    fiscora::SaveOutcome o = fiscora::btnExcelClick(shell.s);
    if (o != fiscora::SaveOutcome::kSaved) state.SkipWithError("not saved");
  }
  state.counters["items"] = kInventoryItems;
  state.counters["file_MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
  std::error_code ec;
  fs::remove(out, ec);
}
BENCHMARK(BM_InventorySpreadsheet)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The same workbook built in memory only, to see what the file writing costs.
void BM_InventoryWorkbookInMemory(benchmark::State& state) {
  Shell shell;
  FillInventory(shell.dtm.cds_inventario, kInventoryItems);
  for (auto _ : state) benchmark::DoNotOptimize(fiscora::InventoryWorkbook(shell.s).RowCount());
}
BENCHMARK(BM_InventoryWorkbookInMemory)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// "Analisar" on the tables the loader fills from the million-line file
// (loaded once, before the clock runs).
void BM_AliquotAnalysis(benchmark::State& state) {
  const fs::path file = Folder::Get().root / "sintegra_1m.txt";
  if (!fs::exists(file)) fiscora::GenerateSintegra(file, kFileLines, kFileSeed);
  Shell shell;
  // The whole verification run, as before a click on "Analisar": the
  // tables and the printer slots of record 60M.
  fiscora::SetEdtarqText(shell.s, file.string());
  fiscora::sbtnverificarClick(shell.s);
  if (shell.dtm.cds_60a.IsEmpty()) state.SkipWithError("no record 60A was loaded");
  for (auto _ : state) {
    fiscora::bbtn_analisarClick(shell.s);
    benchmark::DoNotOptimize(shell.dtm.cds_totaliq.RecordCount());
  }
  state.counters["rows_60a"] = shell.dtm.cds_60a.RecordCount();
  state.counters["rows_60i"] = shell.dtm.cds_60i.RecordCount();
  state.counters["rows_60d"] = shell.dtm.cds_60d.RecordCount();
  state.counters["rows_60r"] = shell.dtm.cds_60r.RecordCount();
  state.counters["rows_totaliq"] = shell.dtm.cds_totaliq.RecordCount();
}
BENCHMARK(BM_AliquotAnalysis)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// "Analisar" on 200,000 rows each of 60A, 60I and 60D (one per day,
// printer and rate): the joins go through keys, so the time grows with the
// rows, not with their square.
void BM_AliquotAnalysisLarge(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Shell shell;
  fiscora::TdtmCENTRAL& d = shell.dtm;
  const char* rates[] = {"1700", "1200", "0700", "2500", "F", "I", "N", "CANC"};
  for (int k = 0; k < 6; ++k) {
    char name[8];
    std::snprintf(name, sizeof name, "%03d", k + 1);
    shell.s.sintegra.ecf_slots[static_cast<size_t>(k)].ordem = name;
    shell.s.sintegra.ecf_slots[static_cast<size_t>(k)].nserie = std::string("SERIE") + name;
  }
  struct Rows {
    fiscora::ClientTable& t;
    int f_rate, f_valor, f_data, f_serie;  // the table's fields
  } tables[] = {{d.cds_60a, fiscora::f60a::aliquota, fiscora::f60a::valor, fiscora::f60a::data,
                 fiscora::f60a::num_serie},
                {d.cds_60i, fiscora::f60i::aliquota, fiscora::f60i::valor, fiscora::f60i::data,
                 fiscora::f60i::serie},
                {d.cds_60d, fiscora::f60d::aliquota, fiscora::f60d::valor, fiscora::f60d::data,
                 fiscora::f60d::num_serie}};
  for (auto& [t, f_rate, f_valor, f_data, f_serie] : tables) {
    for (int i = 0; i < n; ++i) {
      char day[16], serial[16];
      // 8 rates, 10 printers (6 with a slot), then days.
      std::snprintf(day, sizeof day, "D%07d", i / 80);
      std::snprintf(serial, sizeof serial, "SERIE%03d", (i / 8) % 10 + 1);
      t.Append();
      t.SetText(f_rate, rates[i % 8]);
      t.SetMoney(f_valor, fiscora::Money::FromUnits(100 + i % 7));
      t.SetText(f_data, day);
      t.SetText(f_serie, serial);
      t.Post();
    }
  }
  for (auto _ : state) {
    fiscora::bbtn_analisarClick(shell.s);
    benchmark::DoNotOptimize(d.cds_totaliq.RecordCount());
  }
  state.counters["rows_totaliq"] = d.cds_totaliq.RecordCount();
  state.SetComplexityN(n);
}
BENCHMARK(BM_AliquotAnalysisLarge)
    ->Arg(50'000)
    ->Arg(200'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace
