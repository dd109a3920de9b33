// The stock audit at scale: two inventories of 200,000 items and three
// generated periods of 300,000 lines each, run through the audit window's
// steps as fiscora-cli runs them (each load on its worker thread, waited
// for before the next). The files are written once per process into a
// temporary folder (or FISCORA_BENCH_DIR) and reused.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "audit/audit_window.h"
#include "audit/loaders.h"
#include "data/catalogue.h"
#include "session/headless_session.h"
#include "session/main_window_state.h"
#include "session/recording_ui.h"
#include "session/session.h"
#include "tools/sintegra_generator.h"

namespace {

namespace fs = std::filesystem;

constexpr int kInventoryItems = 200000;
constexpr int kPeriodLines = 300000;
constexpr int kPeriods = 3;

std::string Padded(int64_t v, size_t width) {
  std::string s = std::to_string(v);
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return s;
}

// A 126-character line with fields put at 1-based columns.
struct Line {
  std::string s = std::string(126, ' ');
  Line& Put(size_t column, std::string_view text) {
    s.replace(column - 1, text.size(), text);
    return *this;
  }
};

class AuditFiles {
 public:
  static AuditFiles& Get() {
    static AuditFiles files;
    return files;
  }
  std::string initial, final_inventory;
  std::vector<std::string> periods;

 private:
  AuditFiles() {
    const char* keep = std::getenv("FISCORA_BENCH_DIR");
    if (keep && *keep) {
      folder_ = keep;
    } else {
      folder_ = fs::temp_directory_path() /
                ("fiscora-audit-bench-" + std::to_string(std::random_device{}()));
      remove_ = true;
    }
    fs::create_directories(folder_);
    for (int p = 0; p < kPeriods; ++p) {
      fs::path file = folder_ / ("periodo" + std::to_string(p + 1) + ".txt");
      if (!fs::exists(file)) {
        fiscora::GeneratorOptions o;
        o.year = 2025;
        o.month = p + 2;
        fiscora::GenerateSintegra(file, kPeriodLines, 1000 + static_cast<uint64_t>(p), o);
      }
      periods.push_back(file.string());
    }
    // The inventories list the periods' products first, then other codes up
    // to 200,000 items.
    std::vector<std::string> codes;
    std::string header;
    {
      std::ifstream in(periods.front(), std::ios::binary);
      std::string line;
      while (std::getline(in, line)) {
        if (line.rfind("10", 0) == 0 && header.empty()) header = line;
        if (line.rfind("75", 0) == 0) codes.push_back(line.substr(18, 14));
      }
    }
    for (int64_t i = 0; static_cast<int>(codes.size()) < kInventoryItems; ++i)
      codes.push_back("9" + Padded(i, 12) + " ");
    if (!header.empty() && header.back() == '\r') header.pop_back();
    initial = WriteInventory("inventario_inicial.txt", header, codes, "20250131", 7);
    final_inventory = WriteInventory("inventario_final.txt", header, codes, "20250430", 3);
  }
  ~AuditFiles() {
    std::error_code ec;
    if (remove_) fs::remove_all(folder_, ec);
  }
  std::string WriteInventory(const char* name, const std::string& header,
                             const std::vector<std::string>& codes, const char* date, int salt) {
    fs::path file = folder_ / name;
    if (fs::exists(file)) return file.string();
    std::ofstream out(file, std::ios::binary);
    out << header << "\r\n";
    for (size_t i = 0; i < codes.size(); ++i) {
      Line l;
      l.Put(1, "75").Put(3, "20250101").Put(11, "20251231").Put(19, codes[i]).Put(33, "19059090");
      l.Put(41, "PRODUTO " + Padded(static_cast<int64_t>(i), 7)).Put(94, "UN");
      out << l.s << "\r\n";
    }
    for (size_t i = 0; i < codes.size(); ++i) {
      const int64_t qty_milli =
          static_cast<int64_t>((i * static_cast<size_t>(salt)) % 500 + 1) * 1000;
      const int64_t cents = qty_milli / 1000 * 250;
      Line l;
      l.Put(1, "74").Put(3, date).Put(11, codes[i]).Put(25, Padded(qty_milli, 13));
      l.Put(38, Padded(cents, 13)).Put(51, "1").Put(52, "12345678000195").Put(66, "123456789     ");
      l.Put(80, "SP");
      out << l.s << "\r\n";
    }
    return file.string();
  }
  fs::path folder_;
  bool remove_ = false;
};

struct Shell : fiscora::HeadlessSession {
  explicit Shell(const fs::path& work) : HeadlessSession(work) {}
};

void BM_AuditTwoInventoriesThreePeriods(benchmark::State& state) {
  AuditFiles& files = AuditFiles::Get();
  const fs::path work = fs::temp_directory_path() / "fiscora-audit-bench-work";
  fs::create_directories(work);
  int64_t rows = 0;
  // Seconds per step, summed over the iterations.
  double phase[2 + kPeriods] = {};
  double cpu = 0;
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    state.PauseTiming();
    auto shell = std::make_unique<Shell>(work);
    fiscora::Session& s = shell->s;
    state.ResumeTiming();
    const std::clock_t cpu_start = std::clock();
    auto t = Clock::now();
    auto lap = [&](int i) {
      auto now = Clock::now();
      phase[i] += std::chrono::duration<double>(now - t).count();
      t = now;
    };
    shell->ui.open_file = files.initial;
    fiscora::btn_abrir_inv_iniClick(s);
    fiscora::WaitForAuditLoader(s);
    lap(0);
    shell->ui.open_file = files.final_inventory;
    fiscora::btn_abrir_inv_fimClick(s);
    fiscora::WaitForAuditLoader(s);
    lap(1);
    for (size_t p = 0; p < files.periods.size(); ++p) {
      shell->ui.open_file = files.periods[p];
      fiscora::btn_abrir_sintegraClick(s);
      fiscora::btn_incluir_sintegraClick(s);
      fiscora::WaitForAuditLoader(s);
      lap(2 + static_cast<int>(p));
    }
    // Processor time of every thread (the loads run on workers): the figure
    // that does not depend on what else the machine runs.
    cpu += static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
    state.PauseTiming();
    if (!s.audit.last_error.empty()) state.SkipWithError(s.audit.last_error.c_str());
    rows = s.dtm.cds_audit.RecordCount();
    shell.reset();
    state.ResumeTiming();
  }
  state.counters["audit_rows"] = static_cast<double>(rows);
  const double n = static_cast<double>(state.iterations());
  state.counters["cpu_s"] = cpu / n;
  state.counters["s_inv_ini"] = phase[0] / n;
  state.counters["s_inv_fim"] = phase[1] / n;
  for (int p = 0; p < kPeriods; ++p)
    state.counters["s_period" + std::to_string(p + 1)] = phase[2 + p] / n;
  std::error_code ec;
  fs::remove_all(work, ec);
}
BENCHMARK(BM_AuditTwoInventoriesThreePeriods)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
