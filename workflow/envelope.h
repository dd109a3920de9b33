// What a headless run prints: the JSON envelope with the labels the command
// set, the visibility it changed, the messages in order, the main window's
// state and the tables asked for.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "data/json.h"
#include "session/recording_ui.h"
#include "session/session.h"

namespace fiscora {

struct EnvelopeOptions {
  std::vector<std::string> tables;  // tables whose rows are printed
};

// What a command adds to the envelope beyond the main window and the
// catalogue tables: labels of secondary windows (name -> text), and values
// written by the command when the envelope is written (state keys, tables
// that are not in the catalogue, aggregates, top-level keys). Each value is
// a function that writes it; what it reads must live until the envelope is
// written (the session, or data the function holds).
struct EnvelopeExtras {
  using Values = std::vector<std::pair<std::string, JsonValueWriter>>;
  std::vector<std::pair<std::string, std::string>> labels;
  Values state;
  Values tables;
  Values aggregates;
  Values top;
};

// Writes the whole envelope (one object, no trailing newline).
void WriteEnvelope(JsonWriter& w, const Session& s, const std::vector<RecordedMessage>& messages,
                   const EnvelopeOptions& options, const EnvelopeExtras& extras = {});
// The same envelope as one string (tests, the fuzz targets, small runs).
std::string BuildEnvelope(const Session& s, const std::vector<RecordedMessage>& messages,
                          const EnvelopeOptions& options, const EnvelopeExtras& extras = {});

}  // namespace fiscora
