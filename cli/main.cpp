#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli.h"
#ifdef FISCORA_CLI_PDF
#include "export/ui/inventory_report_qt.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
#ifdef FISCORA_CLI_PDF
  // Qt is started (offscreen) only when a PDF is written.
  fiscora::qt::HeadlessReportPrinter printer;
  return fiscora::RunCli(args, std::cout, std::cerr, &printer);
#else
  return fiscora::RunCli(args, std::cout, std::cerr);
#endif
}
