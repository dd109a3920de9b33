// A copy of one control of the main window's state, taken where the change
// happened (possibly a worker thread) and applied on the GUI thread.
#pragma once

#include <string>
#include <vector>

#include "session/main_window_state.h"

namespace fiscora::qt {

struct SheetSnapshot {
  std::string name;
  std::string caption;
  bool visible = true;
};

struct ControlSnapshot {
  std::string name;
  Control::Kind kind = Control::Kind::kLabel;
  std::string text;
  bool visible = true;
  bool enabled = true;
  int position = 0;                  // gauge
  int max = 0;                       // gauge
  std::vector<SheetSnapshot> pages;  // page control, in page order
  std::string active;                // page control: the active sheet
};

// The snapshot of a control; a sheet's change is taken as a change of the
// page control `pages`, which holds it.
inline ControlSnapshot TakeSnapshot(const Control& c, const PageControl& pages) {
  ControlSnapshot s;
  if (c.kind() == Control::Kind::kSheet || c.kind() == Control::Kind::kPageControl) {
    s.name = pages.name();
    s.kind = Control::Kind::kPageControl;
    for (const Control* p : pages.pages()) s.pages.push_back({p->name(), p->text(), p->visible()});
    s.active = pages.active() ? pages.active()->name() : "";
    return s;
  }
  s.name = c.name();
  s.kind = c.kind();
  s.text = c.text();
  s.visible = c.visible();
  s.enabled = c.enabled();
  if (c.kind() == Control::Kind::kGauge) {
    const auto& g = static_cast<const Gauge&>(c);
    s.position = g.position();
    s.max = g.max();
  }
  return s;
}

}  // namespace fiscora::qt
