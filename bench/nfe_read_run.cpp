// nfe-read-run [--threads N] [--efd FILE] INPUT...: the NF-e reader alone
// over the XML inputs (folders, zip files), then, with --efd, the
// reconciliation with that EFD file; prints the notes, the time of each step,
// and the memory the summaries take: the resident growth over the read per
// note and the peak resident memory of the process (VmHWM). For
// bench/nfe_vs_gzip.sh.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "nfe/reader.h"
#include "nfe/reconcile.h"

namespace {

// A line of /proc/self/status ("VmRSS", "VmHWM") in kB; 0 elsewhere.
long StatusKb(const std::string& key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key + ":", 0) == 0)
      return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
  return 0;
}

double Since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> inputs;
  std::string efd;
  unsigned threads = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--threads" && i + 1 < argc) {
      threads = static_cast<unsigned>(std::atoi(argv[++i]));
    } else if (a == "--efd" && i + 1 < argc) {
      efd = argv[++i];
    } else {
      inputs.push_back(a);
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "usage: nfe-read-run [--threads N] [--efd FILE] INPUT...\n");
    return 2;
  }
  try {
    const long before_kb = StatusKb("VmRSS");
    auto t0 = std::chrono::steady_clock::now();
    fiscora::NfeReadOptions options;
    options.threads = threads;
    fiscora::NfeReadResult r = fiscora::ReadNfeInputs(inputs, options);
    const double read_s = Since(t0);
    const long after_kb = StatusKb("VmRSS");
    const double notes = static_cast<double>(r.notes.size());
    std::printf("files %lld, notes %zu, ignored %zu, read %.3f s\n",
                static_cast<long long>(r.files), r.notes.size(), r.ignored.size(), read_s);
    std::printf("summary: %zu bytes a note in place (sizeof), names %.1f bytes a note\n",
                sizeof(fiscora::NfeNote), static_cast<double>(r.names.size()) / notes);
    std::printf("resident growth over the read: %.1f MB, %.0f bytes a note; peak %.1f MB\n",
                (after_kb - before_kb) / 1024.0, (after_kb - before_kb) * 1024.0 / notes,
                StatusKb("VmHWM") / 1024.0);
    if (!efd.empty()) {
      fiscora::Reconciliation rec;
      auto t1 = std::chrono::steady_clock::now();
      rec.books = fiscora::ReadEfdBooks({efd});
      const double books_s = Since(t1);
      rec.xml = std::move(r);
      rec.tolerance = fiscora::Money::FromRaw(100);
      auto t2 = std::chrono::steady_clock::now();
      fiscora::Reconcile(rec);
      std::printf("books: %lld lines, %zu bookings, %.3f s; reconcile %.3f s; errors %lld\n",
                  static_cast<long long>(rec.books.lines), rec.books.bookings.size(), books_s,
                  Since(t2),
                  static_cast<long long>(
                      rec.by_result[static_cast<size_t>(fiscora::ReconSeverity::kError)].notes));
      std::printf("peak %.1f MB\n", StatusKb("VmHWM") / 1024.0);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "nfe-read-run: %s\n", e.what());
    return 1;
  }
  return 0;
}
