// sped-analysis-run FILE: the SPED note analysis of "Arquivo SPED" alone
// (AnalyseSpedFile, its time on standard error), on
// a session with a recording user interface and a private working folder;
// prints the rows of the four tables. For timing against cp and for the
// peak memory (bench/sped_vs_cp.sh).
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <random>
#include <string>

#include "data/catalogue.h"
#include "session/headless_session.h"
#include "session/recording_ui.h"
#include "session/session.h"
#include "sintegra/layout.h"
#include "sped/analysis.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sped-analysis-run FILE\n");
    return 2;
  }
  namespace fs = std::filesystem;
  fs::path work =
      fs::temp_directory_path() / ("fiscora-sped-run-" + std::to_string(std::random_device()()));
  try {
    fs::create_directories(work);
    fiscora::HeadlessSession session(work);
    fiscora::Session& s = session.s;
    fiscora::TdtmCENTRAL& dtm = session.dtm;
    auto t0 = std::chrono::steady_clock::now();
    std::clock_t c0 = std::clock();
    bool c481 = fiscora::AnalyseSpedFile(s, fiscora::PathFromUtf8(argv[1]));
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double cpu = double(std::clock() - c0) / CLOCKS_PER_SEC;
    std::fprintf(stderr, "analysis %.3f s (cpu %.3f s)\n", wall, cpu);
    std::printf("notes %d, movement %d, difal %d, icms %d, c481 %s\n",
                dtm.cds_nf_sped.RecordCount(), dtm.cds_mov_ecf_sped.RecordCount(),
                dtm.cds_difal.RecordCount(), dtm.cds_totalizador_icms.RecordCount(),
                c481 ? "true" : "false");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    fs::remove_all(work);
    return 1;
  }
  fs::remove_all(work);
  return 0;
}
