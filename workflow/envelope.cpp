#include "workflow/envelope.h"

#include "data/display.h"

namespace fiscora {

namespace {

void WriteMembers(JsonWriter& w, const EnvelopeExtras::Values& members) {
  for (const auto& [key, write] : members) {
    w.Key(key);
    write(w);
  }
}

// The window's texts: every label, edit box and total that was set, then the
// command's own labels.
void WriteLabels(JsonWriter& w, const Session& s, const EnvelopeExtras& extras) {
  w.BeginObject();
  // The two inventory totals show the sum of cds_inventario, as in the window.
  const ClientTable& inventory = s.dtm.cds_inventario;
  int soma = 0;
  while (soma < inventory.AggregateCount() &&
         inventory.def().aggregates[static_cast<size_t>(soma)].name != "soma")
    ++soma;
  for (const Control* c : s.frm.controls()) {
    bool label = c->kind() == Control::Kind::kLabel || c->kind() == Control::Kind::kEdit ||
                 c->kind() == Control::Kind::kDisplay;
    if (label && c->text_set()) {
      w.Key(c->name());
      w.String(c->kind() == Control::Kind::kDisplay ? AggregateDisplayText(inventory, soma)
                                                    : c->text());
    }
  }
  for (const auto& [name, text] : extras.labels) {
    w.Key(name);
    w.String(text);
  }
  w.EndObject();
}

// The controls whose visibility was set, the visible tabs and the messages
// shown, in order.
void WriteWindow(JsonWriter& w, const Session& s, const std::vector<RecordedMessage>& messages) {
  w.Key("visible");
  w.BeginObject();
  for (const Control* c : s.frm.controls())
    if (c->visibility_set()) {
      w.Key(c->name());
      w.Bool(c->visible());
    }
  w.EndObject();
  w.Key("tabs");
  w.BeginArray();
  for (const auto& caption : s.frm.pgcdados.VisibleCaptions()) w.String(caption);
  w.EndArray();
  w.Key("messages");
  w.BeginArray();
  for (const auto& m : messages) {
    w.BeginObject();
    w.Key("title");
    w.String(m.title);
    w.Key("text");
    w.String(m.text);
    w.EndObject();
  }
  w.EndArray();
}

// What the SINTEGRA run keeps: the file's type and periods, the counters,
// the fiscal printers' slots, then the command's own state.
void WriteState(JsonWriter& w, const Session& s, const EnvelopeExtras& extras) {
  w.BeginObject();
  w.Key("file_type");
  w.String(s.sintegra.file_type);
  w.Key("current_period");
  w.String(s.sintegra.current_period);
  w.Key("inventory_date");
  w.String(s.sintegra.inventory_date);
  w.Key("expected_lines");
  w.Int(s.sintegra.expected_lines);
  w.Key("counters");
  w.BeginObject();
  const RecordCounters& c = s.sintegra.counters;
  for (auto [name, value] : {std::pair<const char*, int>{"50", c.r50},
                             {"60A", c.r60a},
                             {"60I", c.r60i},
                             {"60R", c.r60r},
                             {"74", c.r74},
                             {"75", c.r75}}) {
    w.Key(name);
    w.Int(value);
  }
  w.EndObject();
  w.Key("ecf_slots");
  w.BeginArray();
  for (const EcfSlot& slot : s.sintegra.ecf_slots) {
    w.BeginObject();
    for (auto [name, value] : {std::pair<const char*, const std::string*>{"ordem", &slot.ordem},
                               {"nserie", &slot.nserie},
                               {"tot_liquido", &slot.tot_liquido},
                               {"tot_desc", &slot.tot_desc},
                               {"tot_canc", &slot.tot_canc}}) {
      w.Key(name);
      w.String(*value);
    }
    w.EndObject();
  }
  w.EndArray();
  WriteMembers(w, extras.state);
  w.EndObject();
}

// The tables asked for and their aggregates, then the command's own.
void WriteTables(JsonWriter& w, const Session& s, const EnvelopeOptions& options,
                 const EnvelopeExtras& extras) {
  w.Key("tables");
  w.BeginObject();
  for (const auto& name : options.tables) {
    const ClientTable* t = s.dtm.Find(name);
    if (!t) continue;
    w.Key(name);
    WriteTableRows(w, *t);
  }
  WriteMembers(w, extras.tables);
  w.EndObject();
  w.Key("aggregates");
  w.BeginObject();
  for (const auto& name : options.tables) {
    const ClientTable* t = s.dtm.Find(name);
    if (!t || t->AggregateCount() == 0) continue;
    w.Key(name);
    WriteAggregates(w, *t);
  }
  WriteMembers(w, extras.aggregates);
  w.EndObject();
}

}  // namespace

void WriteEnvelope(JsonWriter& w, const Session& s, const std::vector<RecordedMessage>& messages,
                   const EnvelopeOptions& options, const EnvelopeExtras& extras) {
  w.BeginObject();
  w.Key("labels");
  WriteLabels(w, s, extras);
  WriteWindow(w, s, messages);
  w.Key("state");
  WriteState(w, s, extras);
  WriteTables(w, s, options, extras);
  WriteMembers(w, extras.top);
  w.EndObject();
}

std::string BuildEnvelope(const Session& s, const std::vector<RecordedMessage>& messages,
                          const EnvelopeOptions& options, const EnvelopeExtras& extras) {
  return JsonText([&](JsonWriter& w) { WriteEnvelope(w, s, messages, options, extras); });
}

}  // namespace fiscora
