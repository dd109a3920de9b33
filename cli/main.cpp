#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli.h"
#ifdef FISCORA_CLI_PDF
#include "export/ui/inventory_report_qt.h"
#endif
#ifndef _WIN32
#include <pthread.h>
#include <signal.h>
#endif

namespace {

#ifndef _WIN32
// Ctrl+C, a kill or a closed terminal end the run as a normal end does:
// the private working folder goes with it. The signals are blocked in every
// thread and taken by one thread of their own, where removing a folder is
// safe; the signal is then raised again with its default action, so that
// the caller sees the run was interrupted.
void RemoveRunFolderOnSignals() {
  static sigset_t stop_signals;
  sigemptyset(&stop_signals);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stop_signals, sig);
  if (pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr) != 0) return;
  std::thread([] {
    int sig = 0;
    if (sigwait(&stop_signals, &sig) != 0) return;
    // A working file created while the folder goes would keep it: retry.
    for (int attempt = 0; attempt < 5; ++attempt) {
      const std::vector<std::filesystem::path> folders = fiscora::CurrentRunFolders();
      if (folders.empty()) break;
      bool all_gone = true;
      for (const auto& folder : folders) {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        all_gone = all_gone && !std::filesystem::exists(folder, ec);
      }
      if (all_gone) break;
    }
    signal(sig, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &stop_signals, nullptr);
    raise(sig);
  }).detach();
}
#else
void RemoveRunFolderOnSignals() {}
#endif

}  // namespace

int main(int argc, char** argv) {
  RemoveRunFolderOnSignals();
  std::vector<std::string> args(argv + 1, argv + argc);
#ifdef FISCORA_CLI_PDF
  // Qt is started (offscreen) only when a PDF is written.
  fiscora::qt::HeadlessReportPrinter printer;
  return fiscora::RunCli(args, std::cout, std::cerr, &printer);
#else
  return fiscora::RunCli(args, std::cout, std::cerr);
#endif
}
