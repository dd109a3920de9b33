// The commands of fiscora-cli as a table: one row per command. A command
// runs the same core routines as the window over a session with a recording
// user interface; the caller prints the envelope the session ends with.
#pragma once

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "session/recording_ui.h"
#include "session/session.h"
#include "workflow/envelope.h"

namespace fiscora {

// The command line after the program name, split into its parts.
struct CliArgs {
  std::string command;
  std::vector<std::string> positionals;                      // after the command
  std::vector<std::pair<std::string, std::string>> options;  // "--name" -> value, in order

  bool Has(std::string_view name) const;
  // The value of the last occurrence of the option ("" when absent).
  std::string Option(std::string_view name) const;
  // Every value of an option that may be repeated, in order.
  std::vector<std::string> Options(std::string_view name) const;
};

// What a command works with. It fills the session through the core's
// routines, adds tables to dump to `dump` and extra keys to `extras`.
struct CliContext {
  Session& s;
  RecordingUserInterface& ui;
  const CliArgs& args;
  EnvelopeOptions& dump;
  EnvelopeExtras& extras;
  std::ostream& err;
};

struct CliCommand {
  const char* name;
  // The arguments after the name, as the usage text shows them.
  const char* synopsis;
  // What it does, one line in Portuguese (more lines separated by "\n").
  const char* help;
  // How many positional arguments it takes.
  int min_positionals;
  int max_positionals;  // -1: no limit
  // Whether the first positional argument is a file that must exist.
  bool needs_file;
  // The options it accepts, each followed by a value ("--planilha").
  std::vector<std::string> options;
  // Runs the command; returns the exit code. The envelope is printed for
  // every code the command returns.
  int (*run)(CliContext&);
};

// Every command, in the order the usage text lists them.
const std::vector<CliCommand>& CliCommands();

}  // namespace fiscora
