// Benchmarks of the readers that cut files into lines, alone: the SINTEGRA
// line reader and the SPED line reader over generated million-line files,
// and the record 90 rebuild, which reads the file twice line by line (with
// each line's own line end) and writes a copy.
//
// The generated files go to a temporary folder made once per process and
// removed at exit; FISCORA_BENCH_DIR names another folder to keep them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "session/recording_ui.h"
#include "sintegra/layout.h"
#include "sintegra/record90.h"
#include "sped/fields.h"
#include "tools/sintegra_generator.h"
#include "tools/sped_generator.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kFileLines = 1'000'000;
constexpr uint64_t kFileSeed = 2025;  // the file of the loader's benchmarks

struct Folder {
  fs::path root;
  bool keep = false;
  Folder() {
    if (const char* dir = std::getenv("FISCORA_BENCH_DIR"); dir && *dir) {
      root = dir;
      keep = true;
    } else {
      root = fs::temp_directory_path() /
             ("fiscora_bench_lines_" + std::to_string(std::random_device{}()));
    }
    fs::create_directories(root);
  }
  ~Folder() {
    std::error_code ec;
    if (!keep) fs::remove_all(root, ec);
  }
  static Folder& Get() {
    static Folder f;
    return f;
  }
  fs::path Sintegra() {
    fs::path f = root / "sintegra_1m.txt";
    if (!fs::exists(f)) fiscora::GenerateSintegra(f, kFileLines, kFileSeed);
    return f;
  }
  fs::path Sped() {
    fs::path f = root / "sped_1m.txt";
    if (!fs::exists(f)) fiscora::GenerateSped(f, kFileLines, kFileSeed);
    return f;
  }
};

void SetCounters(benchmark::State& state, const fs::path& file) {
  const double n = static_cast<double>(state.iterations());
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(kFileLines) * n, benchmark::Counter::kIsRate);
  state.counters["MB_per_s"] = benchmark::Counter(
      static_cast<double>(fs::file_size(file)) / 1e6 * n, benchmark::Counter::kIsRate);
}

// Every line of the SINTEGRA file through LineReader, its bytes touched.
void BM_SintegraLineReader(benchmark::State& state) {
  const fs::path file = Folder::Get().Sintegra();
  for (auto _ : state) {
    fiscora::LineReader reader(file);
    std::string_view line;
    size_t bytes = 0;
    while (reader.Next(line)) bytes += line.size();
    benchmark::DoNotOptimize(bytes);
    if (reader.line_number() < kFileLines) state.SkipWithError("lines are missing");
  }
  SetCounters(state, file);
}
BENCHMARK(BM_SintegraLineReader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Every line of the EFD file through SpedLineReader.
void BM_SpedLineReader(benchmark::State& state) {
  const fs::path file = Folder::Get().Sped();
  for (auto _ : state) {
    fiscora::SpedLineReader reader(file);
    std::string_view line;
    size_t bytes = 0;
    while (reader.Next(line)) bytes += line.size();
    benchmark::DoNotOptimize(bytes);
    if (reader.line_number() < kFileLines) state.SkipWithError("lines are missing");
  }
  SetCounters(state, file);
}
BENCHMARK(BM_SpedLineReader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// "Reconstruir registro 90" over the SINTEGRA file: two passes and a copy.
void BM_Record90Rebuild(benchmark::State& state) {
  const fs::path file = Folder::Get().Sintegra();
  fiscora::RecordingUserInterface ui;
  for (auto _ : state) {
    fiscora::Record90Rebuild r = fiscora::RebuildRecord90(file, ui);
    benchmark::DoNotOptimize(r.total_lines);
  }
  std::error_code ec;
  fs::remove(file.parent_path() / ("Modif_" + file.filename().string()), ec);
  SetCounters(state, file);
}
BENCHMARK(BM_Record90Rebuild)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
