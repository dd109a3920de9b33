// fiscora-cli: the headless front end over the same core.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace fiscora {

class OutputSink;
class ReportPrinter;

// Runs the command line (without the program name); prints the JSON
// envelope on out and errors on err. Returns the exit code: 0 done,
// 1 the file could not be read or converted, 2 usage error. `printer`
// writes the inventory report of "inventario --pdf" (null: not available).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           ReportPrinter* printer = nullptr);
// The same with the envelope (or the usage text) written to a sink: a file
// through AtomicFileSink, for instance. The envelope is written as it goes,
// once the command has run to its end: a refusal or an error writes nothing.
int RunCli(const std::vector<std::string>& args, OutputSink& out, std::ostream& err,
           ReportPrinter* printer = nullptr);

// The private working folders of the runs under way (one for a command, one
// per file at work in a batch), for the program's signal handling: an
// interrupted run removes them as a finished one does.
std::vector<std::filesystem::path> CurrentRunFolders();

}  // namespace fiscora
