// Benchmarks of the core: the in-memory table under a note-sized load, the
// record loader and the whole verification run on a generated file of a
// million lines, and the line readers alone over it.
//
// The generated files go to a temporary folder made once per process and
// removed at exit; FISCORA_BENCH_DIR names another folder to keep them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__unix__)
#include <unistd.h>
#else
#include <chrono>
#endif

#include "data/catalogue.h"
#include "data/client_table.h"
#include "data/money.h"
#include "session/headless_session.h"
#include "session/main_window_state.h"
#include "session/recording_ui.h"
#include "session/session.h"
#include "sintegra/header.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"
#include "sintegra/record90.h"
#include "sped/analysis.h"
#include "sped/fields.h"
#include "tools/sintegra_generator.h"
#include "tools/sped_generator.h"
#include "validate/check_digits.h"
#include "validate/sintegra_validator.h"
#include "workflow/envelope.h"
#include "workflow/file_choice.h"
#include "workflow/verification.h"

namespace fs = std::filesystem;

namespace {

constexpr int64_t kTableRows = 1'000'000;
constexpr int64_t kLocateRows = 200'000;
constexpr int64_t kFileLines = 1'000'000;
constexpr uint64_t kFileSeed = 2025;

// ------------------------------------------------------------------ helpers

// Resident memory of the process in bytes (0 where it cannot be read).
int64_t ResidentBytes() {
#if defined(__linux__)
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  long long size = 0, resident = 0;
  int n = std::fscanf(f, "%lld %lld", &size, &resident);
  std::fclose(f);
  if (n != 2) return 0;
  return resident * static_cast<int64_t>(sysconf(_SC_PAGESIZE));
#else
  return 0;
#endif
}

// A tag for the temporary folder of this process.
std::string ProcessTag() {
#if defined(__unix__)
  return std::to_string(static_cast<long long>(::getpid()));
#else
  return std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
}

// Gives freed heap back to the system, so that the next measure of resident
// growth starts from a clean heap.
void TrimHeap() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

const fiscora::TableDef& CatalogueDef(const std::string& name) {
  for (const fiscora::TableDef& d : fiscora::CatalogueDefs())
    if (d.name == name) return d;
  std::fprintf(stderr, "fiscora_bench: the catalogue has no %s\n", name.c_str());
  std::abort();
}

// Tiny deterministic source of numbers for the table rows.
struct Mix {
  uint64_t x;
  uint64_t Next() {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
  }
};

std::string Digits(Mix& m, int n) {
  std::string s(static_cast<size_t>(n), '0');
  for (char& c : s) c = static_cast<char>('0' + m.Next() % 10);
  return s;
}

// The values of a note line, drawn once before the clock runs: a few
// thousand parties, real-looking dates, CFOPs and amounts.
struct NoteRows {
  std::vector<std::string> cnpj, ie, date;
  static constexpr const char* kCfops[] = {"1102", "2102", "1403", "1202", "1556",
                                           "5102", "6102", "5405", "5202", "5929"};
  static constexpr const char* kRates[] = {"1700", "1200", "0700", "0000"};
  static constexpr const char* kUfs[] = {"SC", "SC", "SC", "PR", "SP", "RS"};
  NoteRows() {
    Mix m{0x9E3779B97F4A7C15ull};
    for (int i = 0; i < 4096; ++i) {
      cnpj.push_back(fiscora::CnpjWithCheckDigits(Digits(m, 8) + "0001"));
      ie.push_back(m.Next() % 5 == 0 ? "ISENTO" : Digits(m, 9));
    }
    for (int d = 1; d <= 31; ++d) {
      char text[16];
      std::snprintf(text, sizeof text, "%02d/03/2025", d);
      date.emplace_back(text);
    }
  }
};

namespace f50 = fiscora::f50;

// Appends n note rows as the loader would fill them.
void FillCds50(fiscora::ClientTable& t, const NoteRows& rows, int64_t n) {
  Mix m{12345};
  for (int64_t i = 0; i < n; ++i) {
    const uint64_t r = m.Next();
    const size_t party = r % rows.cnpj.size();
    const char* cfop = NoteRows::kCfops[(r >> 12) % 10];
    const char* rate = NoteRows::kRates[(r >> 16) % 4];
    const int64_t cents = 500 + static_cast<int64_t>((r >> 20) % 2'000'000);
    const fiscora::Money total = fiscora::Money::FromRaw(cents * 100);
    const fiscora::Money base = rate[0] == '0' && rate[1] == '0' ? fiscora::Money() : total;
    const bool own = cfop[0] >= '5';
    t.Append();
    t.SetText(f50::cnpj, rows.cnpj[party]);
    t.SetText(f50::ie, rows.ie[party]);
    t.SetText(f50::data_emiss, rows.date[(r >> 40) % 31]);
    t.SetText(f50::uf, NoteRows::kUfs[(r >> 44) % 6]);
    t.SetText(f50::modelo, "55");
    t.SetText(f50::serie, "1  ");
    t.SetInteger(f50::numero, 1000 + i % 900000);
    t.SetText(f50::cfop, cfop);
    t.SetText(f50::emitente, own ? "P" : "T");
    t.SetMoney(f50::valor_total, total);
    t.SetMoney(f50::base_calc, base);
    t.SetMoney(f50::valor_icms, fiscora::Money::FromRaw(base.raw() * 17 / 100));
    t.SetMoney(f50::isento, fiscora::Money());
    t.SetMoney(f50::outras, total - base);
    t.SetText(f50::aliquota, rate);
    t.SetText(f50::situacao, "N");
    t.SetInteger(own ? f50::ntp : f50::ntf, 1);
    t.Post();
  }
}

// ------------------------------------------------------------------ files

class BenchFolder {
 public:
  static BenchFolder& Get() {
    static BenchFolder folder;
    return folder;
  }
  const fs::path& root() const { return root_; }
  // The generated file of kFileLines lines, written on first use.
  const fs::path& BigFile() {
    if (big_.empty()) {
      big_ = root_ / "sintegra_1m.txt";
      if (!fs::exists(big_)) fiscora::GenerateSintegra(big_, kFileLines, kFileSeed);
    }
    return big_;
  }
  // The same file with the date of every record 60M, 60A, 60D and 60I moved
  // a year back, out of the period: hundreds of thousands of findings.
  const fs::path& FaultyFile() {
    if (faulty_.empty()) {
      faulty_ = root_ / "sintegra_1m_faulty.txt";
      std::ifstream in(BigFile(), std::ios::binary);
      std::ofstream out(faulty_, std::ios::binary);
      std::string line;
      while (std::getline(in, line)) {
        if (line.size() > 6 && line.compare(0, 2, "60") == 0 && line[2] != 'R' &&
            line.compare(3, 4, "2025") == 0)
          line.replace(3, 4, "2024");
        out << line << '\n';
      }
    }
    return faulty_;
  }
  fs::path WorkingFolder() {
    fs::path w = root_ / "vorn";
    fs::create_directories(w);
    return w;
  }

 private:
  BenchFolder() {
    if (const char* dir = std::getenv("FISCORA_BENCH_DIR"); dir && *dir) {
      root_ = dir;
      keep_ = true;
    } else {
      root_ = fs::temp_directory_path() / ("fiscora_bench_" + ProcessTag());
    }
    fs::create_directories(root_);
  }
  ~BenchFolder() {
    std::error_code ec;
    if (!keep_) fs::remove_all(root_, ec);
  }
  fs::path root_;
  fs::path big_;
  fs::path faulty_;
  bool keep_ = false;
};

// A main window with its data module, as fiscora-cli builds it.
struct Shell : fiscora::HeadlessSession {
  Shell() : HeadlessSession(BenchFolder::Get().WorkingFolder()) {}
};

// ------------------------------------------------------------------ table

// A million note rows appended to a table shaped like cds_50; the counter
// bytes_per_row is the resident growth of the first run over the rows.
void BM_Cds50Append(benchmark::State& state) {
  const NoteRows rows;
  const fiscora::TableDef& def = CatalogueDef("cds_50");
  double bytes_per_row = 0;
  bool first = true;
  for (auto _ : state) {
    TrimHeap();
    const int64_t before = ResidentBytes();
    auto t = std::make_unique<fiscora::ClientTable>(def);
    FillCds50(*t, rows, kTableRows);
    const int64_t after = ResidentBytes();
    if (first) {
      bytes_per_row = static_cast<double>(after - before) / static_cast<double>(kTableRows);
      first = false;
    }
    benchmark::DoNotOptimize(t->RecordCount());
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
  state.counters["bytes_per_row"] = bytes_per_row;
  state.counters["rows_per_s"] =
      benchmark::Counter(static_cast<double>(kTableRows) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Cds50Append)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The same million rows walked with First / Next / Eof, reading a text and
// a money field of each.
void BM_Cds50Walk(benchmark::State& state) {
  const NoteRows rows;
  fiscora::ClientTable t(CatalogueDef("cds_50"));
  FillCds50(t, rows, kTableRows);
  const int cfop = f50::cfop, total = f50::valor_total;
  for (auto _ : state) {
    int64_t sum = 0, rows_seen = 0;
    size_t chars = 0;
    for (t.First(); !t.Eof(); t.Next()) {
      sum += t.GetMoney(total).raw();
      chars += t.GetText(cfop).size();
      ++rows_seen;
    }
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(chars);
    if (rows_seen != kTableRows) state.SkipWithError("walk did not see every row");
  }
  state.counters["rows_per_s"] =
      benchmark::Counter(static_cast<double>(kTableRows) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Cds50Walk)->Unit(benchmark::kMillisecond)->UseRealTime();

// Products appended to cds_produt ordered by codigo, each found again at
// once by an exact Locate on the code.
void BM_OrderedAppendLocate(benchmark::State& state) {
  std::vector<std::string> codes;
  codes.reserve(static_cast<size_t>(kLocateRows));
  Mix m{777};
  for (int64_t i = 0; i < kLocateRows; ++i) {
    // EAN-13 style codes in no order, unique by the running number inside.
    std::string body = std::to_string(100000000 + (i * 387420489LL + 12345) % 900000000);
    codes.push_back("789" + body + std::to_string(m.Next() % 10));
  }
  const fiscora::TableDef& def = CatalogueDef("cds_produt");
  for (auto _ : state) {
    state.PauseTiming();
    auto t = std::make_unique<fiscora::ClientTable>(def);
    t->SetIndexFieldNames("codigo");
    using namespace fiscora::f75;
    state.ResumeTiming();
    int64_t found = 0;
    for (const std::string& code : codes) {
      t->Append();
      t->SetText(codigo, code);
      t->SetText(descricao, "ARROZ BRANCO TIPO 1 BOM GRAO 5KG");
      t->SetText(unidade, "UN");
      t->Post();
      found += t->Locate("codigo", {code});
    }
    if (found != kLocateRows) state.SkipWithError("a code was not found again");
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
  }
  state.counters["ops_per_s"] =
      benchmark::Counter(static_cast<double>(kLocateRows) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OrderedAppendLocate)->Unit(benchmark::kMillisecond)->UseRealTime();

// ------------------------------------------------------------------ loader

// LoadSintegraFile in the mode "Normal" over the million-line file, on a
// fresh main window each time.
void BM_LoadSintegra(benchmark::State& state) {
  const fs::path file = BenchFolder::Get().BigFile();
  const std::string path = file.string();
  const double mb = static_cast<double>(fs::file_size(file)) / 1e6;
  int64_t peak_growth = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TrimHeap();
    const int64_t before = ResidentBytes();
    auto shell = std::make_unique<Shell>();
    shell->s.sintegra.expected_lines = static_cast<int>(kFileLines);
    state.ResumeTiming();
    fiscora::LoadSintegraFile(shell->s, path, fiscora::LoadMode::Normal);
    state.PauseTiming();
    peak_growth = std::max(peak_growth, ResidentBytes() - before);
    if (shell->s.sintegra.counters.r60i == 0) state.SkipWithError("no record 60I was loaded");
    shell.reset();
    state.ResumeTiming();
  }
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(kFileLines) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  state.counters["MB_per_s"] =
      benchmark::Counter(mb * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["resident_MB"] = static_cast<double>(peak_growth) / 1e6;
}
BENCHMARK(BM_LoadSintegra)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The whole verification run ("Verificar") on the same file: count, load,
// purchases versus sales, product checks and the messages.
void BM_VerificationRun(benchmark::State& state) {
  const fs::path file = BenchFolder::Get().BigFile();
  const std::string path = file.string();
  for (auto _ : state) {
    state.PauseTiming();
    auto shell = std::make_unique<Shell>();
    fiscora::SetEdtarqText(shell->s, path);
    state.ResumeTiming();
    fiscora::sbtnverificarClick(shell->s);
    state.PauseTiming();
    if (shell->s.sintegra.counters.r60i == 0) state.SkipWithError("the run loaded no record 60I");
    shell.reset();
    state.ResumeTiming();
  }
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(kFileLines) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VerificationRun)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The structural validation of the same file: one streaming pass; the
// resident growth shows that memory does not follow the file.
// Argument 1: the faulty copy, whose findings are all kept.
void BM_ValidateSintegra(benchmark::State& state) {
  const fs::path file =
      state.range(0) == 0 ? BenchFolder::Get().BigFile() : BenchFolder::Get().FaultyFile();
  int64_t peak_growth = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TrimHeap();
    const int64_t before = ResidentBytes();
    fiscora::RecordingUserInterface ui;
    state.ResumeTiming();
    fiscora::ValidationReport r = fiscora::ValidateSintegra(file, ui);
    state.PauseTiming();
    peak_growth = std::max(peak_growth, ResidentBytes() - before);
    if (r.lines != kFileLines) state.SkipWithError("the validation did not read every line");
    state.counters["findings"] = static_cast<double>(r.findings.size());
    state.ResumeTiming();
  }
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(kFileLines) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  state.counters["resident_MB"] = static_cast<double>(peak_growth) / 1e6;
}
BENCHMARK(BM_ValidateSintegra)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// Writing the million-line file itself, for comparison with the loader.
void BM_GenerateFile(benchmark::State& state) {
  const fs::path out = BenchFolder::Get().root() / "generated_each_time.txt";
  for (auto _ : state) {
    fiscora::GeneratorSummary s = fiscora::GenerateSintegra(out, kFileLines, kFileSeed + 1);
    benchmark::DoNotOptimize(s.lines);
  }
  std::error_code ec;
  fs::remove(out, ec);
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(kFileLines) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GenerateFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// ------------------------------------------------------------------ SPED

// The generated EFD ICMS/IPI file of kFileLines lines, written on first use.
const fs::path& SpedFile() {
  static const fs::path file = [] {
    fs::path f = BenchFolder::Get().root() / "sped_1m.txt";
    if (!fs::exists(f)) fiscora::GenerateSped(f, kFileLines, kFileSeed);
    return f;
  }();
  return file;
}

// The analysis of "Arquivo SPED" (split into the block files, notes reader)
// over the million-line EFD file, on a fresh main window each time.
void BM_SpedAnalysis(benchmark::State& state) {
  const fs::path file = SpedFile();
  int64_t peak_growth = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TrimHeap();
    const int64_t before = ResidentBytes();
    auto shell = std::make_unique<Shell>();
    state.ResumeTiming();
    fiscora::AnalyseSpedFile(shell->s, file);
    state.PauseTiming();
    peak_growth = std::max(peak_growth, ResidentBytes() - before);
    if (shell->dtm.cds_nf_sped.IsEmpty()) state.SkipWithError("no note was read");
    shell.reset();
    state.ResumeTiming();
  }
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(kFileLines) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  state.counters["resident_MB"] = static_cast<double>(peak_growth) / 1e6;
  state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
}
BENCHMARK(BM_SpedAnalysis)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A copy of the same file, the yardstick of the analysis.
void BM_SpedFileCopy(benchmark::State& state) {
  const fs::path file = SpedFile();
  const fs::path copy = BenchFolder::Get().root() / "sped_copy.txt";
  for (auto _ : state) fs::copy_file(file, copy, fs::copy_options::overwrite_existing);
  fs::remove(copy);
}
BENCHMARK(BM_SpedFileCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// ------------------------------------------------------------------ lines

// Every line of a file through a line reader, and nothing else: the cost of
// cutting the file into lines.
template <class Reader>
void ReadEveryLine(benchmark::State& state, const fs::path& file) {
  for (auto _ : state) {
    Reader reader(file);
    std::string_view line;
    size_t bytes = 0;
    while (reader.Next(line)) bytes += line.size();
    benchmark::DoNotOptimize(bytes);
    if (reader.line_number() < kFileLines) state.SkipWithError("lines are missing");
  }
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(kFileLines) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void BM_SintegraLineReader(benchmark::State& state) {
  ReadEveryLine<fiscora::LineReader>(state, BenchFolder::Get().BigFile());
}
BENCHMARK(BM_SintegraLineReader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_SpedLineReader(benchmark::State& state) {
  ReadEveryLine<fiscora::SpedLineReader>(state, SpedFile());
}
BENCHMARK(BM_SpedLineReader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// "Reconstruir registro 90" over the million-line file: two passes that
// keep each line's own line end, and the copy "Modif_" beside the file.
void BM_Record90Rebuild(benchmark::State& state) {
  const fs::path file = BenchFolder::Get().BigFile();
  fiscora::RecordingUserInterface ui;
  for (auto _ : state) {
    fiscora::Record90Rebuild r = fiscora::RebuildRecord90(file, ui);
    benchmark::DoNotOptimize(r.total_lines);
  }
  std::error_code ec;
  fs::remove(file.parent_path() / ("Modif_" + file.filename().string()), ec);
  state.counters["lines_per_s"] =
      benchmark::Counter(static_cast<double>(kFileLines) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Record90Rebuild)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
