// What a headless run prints: the JSON envelope with the labels the command
// set, the visibility it changed, the messages in order, the main window's
// state and the tables asked for.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "session/recording_ui.h"
#include "session/session.h"

namespace fiscora {

struct EnvelopeOptions {
  std::vector<std::string> tables;  // tables whose rows are printed
};

// What a command adds to the envelope beyond the main window and the
// catalogue tables: labels of secondary windows (name -> text), and JSON
// values written by the command (state keys, tables that are not in the
// catalogue, aggregates, top-level keys), each inserted as it stands.
struct EnvelopeExtras {
  std::vector<std::pair<std::string, std::string>> labels;
  std::vector<std::pair<std::string, std::string>> state;       // raw JSON values
  std::vector<std::pair<std::string, std::string>> tables;      // raw JSON values
  std::vector<std::pair<std::string, std::string>> aggregates;  // raw JSON values
  std::vector<std::pair<std::string, std::string>> top;         // raw JSON values
};

// The whole envelope as JSON text (one object, no trailing newline).
std::string BuildEnvelope(const Session& s, const std::vector<RecordedMessage>& messages,
                          const EnvelopeOptions& options, const EnvelopeExtras& extras = {});

}  // namespace fiscora
