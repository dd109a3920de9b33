#include "session/main_window_state.h"

#include <algorithm>
#include <cstring>

namespace fiscora {

Control::Control(MainWindowState* owner, const char* name, Kind kind, std::string text,
                 bool visible, bool enabled)
    : owner_(owner),
      name_(name),
      kind_(kind),
      text_(std::move(text)),
      visible_(visible),
      enabled_(enabled) {
  owner_->Register(this);
}

void Control::Notify() {
  if (owner_) owner_->Changed(*this);
}

void Control::SetText(std::string text) {
  text_set_ = true;
  if (text == text_) return;
  text_ = std::move(text);
  Notify();
}

void Control::SetVisible(bool visible) {
  visibility_set_ = true;
  if (visible == visible_) return;
  visible_ = visible;
  Notify();
}

void Control::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Notify();
}

Gauge::Gauge(MainWindowState* owner, const char* name)
    : Control(owner, name, Kind::kGauge, {}, true, true) {}

void Gauge::SetMax(int max) {
  max = std::max(max, 0);
  max_.store(max, std::memory_order_relaxed);
  if (position() > max) position_.store(max, std::memory_order_relaxed);
  Notify();
}

void Gauge::SetPosition(int position) {
  position_.store(std::clamp(position, 0, max()), std::memory_order_relaxed);
  Notify();
}

PageControl::PageControl(MainWindowState* owner, const char* name, std::vector<Control*> sheets)
    : Control(owner, name, Kind::kPageControl),
      pages_(std::move(sheets)),
      active_(pages_.front()) {}

int PageControl::PageIndex(const Control& sheet) const {
  auto it = std::find(pages_.begin(), pages_.end(), &sheet);
  return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void PageControl::SetPageIndex(Control& sheet, int index) {
  int from = PageIndex(sheet);
  if (from < 0) return;
  index = std::clamp(index, 0, static_cast<int>(pages_.size()) - 1);
  if (from == index) return;
  pages_.erase(pages_.begin() + from);
  pages_.insert(pages_.begin() + index, &sheet);
  Notify();
}

void PageControl::SetActive(Control& sheet) {
  active_ = &sheet;
  Notify();
}

std::vector<std::string> PageControl::VisibleCaptions() const {
  std::vector<std::string> out;
  for (const Control* p : pages_)
    if (p->visible()) out.push_back(p->text());
  return out;
}

MainWindowState::MainWindowState(UserInterface* ui) : ui_(ui) {}

Control* MainWindowState::Register(Control* c) {
  controls_.push_back(c);
  return c;
}

void MainWindowState::Changed(const Control& c) {
  if (ui_) ui_->ControlChanged(c);
}

Control* MainWindowState::Find(std::string_view name) const {
  for (Control* c : controls_)
    if (name == c->name()) return c;
  return nullptr;
}

void MainWindowState::ClearRecords() {
  for (Control* c : controls_) c->ClearRecords();
}

}  // namespace fiscora
