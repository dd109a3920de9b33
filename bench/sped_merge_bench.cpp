// The SPED merge against copying its inputs: three generated EFD-Contribuições
// company files of about 300,000 lines each (two establishments each) are
// added to a merge and merged, as "Adicionar" and "Mesclar" do; each
// iteration also copies the three files with std::filesystem::copy_file
// (what cp does). The time reported is the merge's; the counters give the
// copy's time and the ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "data/catalogue.h"
#include "session/headless_session.h"
#include "session/main_window_state.h"
#include "session/recording_ui.h"
#include "session/session.h"
#include "sped/merge.h"
#include "tools/contrib_generator.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kLinesPerFile = 300000;
constexpr int kFiles = 3;

class MergeBenchFolder {
 public:
  MergeBenchFolder() {
    std::random_device rd;
    root_ = fs::temp_directory_path() / ("fiscora_merge_bench_" + std::to_string(rd()));
    fs::create_directories(root_);
    for (int i = 0; i < kFiles; ++i) {
      fiscora::ContribOptions o;
      o.lines = kLinesPerFile;
      o.seed = static_cast<uint32_t>(i + 1);
      o.establishments.clear();
      for (int e = 0; e < 2; ++e)
        o.establishments.push_back({"1122233300" + std::to_string(1000 + 10 * i + e) + "00",
                                    "ESTABELECIMENTO " + std::to_string(10 * i + e)});
      inputs_.push_back(root_ / ("empresa" + std::to_string(i + 1) + ".txt"));
      std::ofstream out(inputs_.back(), std::ios::binary);
      fiscora::GenerateContrib(out, o);
    }
  }
  ~MergeBenchFolder() {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  const fs::path& root() const { return root_; }
  const std::vector<fs::path>& inputs() const { return inputs_; }

 private:
  fs::path root_;
  std::vector<fs::path> inputs_;
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_SpedMergeThreeFiles(benchmark::State& state) {
  static MergeBenchFolder folder;
  const fs::path work = folder.root() / "vorn", out = folder.root() / "saida",
                 copies = folder.root() / "copias";
  double merge_total = 0, copy_total = 0;
  for (auto _ : state) {
    fs::remove_all(work);
    fs::remove_all(out);
    fs::remove_all(copies);
    fs::create_directories(work);
    fs::create_directories(out);
    fs::create_directories(copies);

    auto t0 = std::chrono::steady_clock::now();
    for (const fs::path& p : folder.inputs()) fs::copy_file(p, copies / p.filename());
    const double copy = Seconds(t0);

    fiscora::HeadlessSession session(work);
    fiscora::Session& s = session.s;
    session.ui.folder = out.string();
    auto t1 = std::chrono::steady_clock::now();
    fiscora::frm_spedFormCreate(s);
    for (const fs::path& p : folder.inputs()) fiscora::dlg_spedCanClose(s, p.string());
    const bool done = fiscora::btn_mesclarClick(s);
    const double merge = Seconds(t1);
    if (!done) state.SkipWithError("the merge did not write its file");

    state.SetIterationTime(merge);
    merge_total += merge;
    copy_total += copy;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["copy_ms"] = copy_total / n * 1e3;
  state.counters["merge_per_copy"] = merge_total / copy_total;
  state.counters["lines_per_s"] = benchmark::Counter(
      static_cast<double>(kLinesPerFile * kFiles) * n, benchmark::Counter::kIsRate);
  // kIsRate divides by the merge time only (manual time).
}
BENCHMARK(BM_SpedMergeThreeFiles)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace
