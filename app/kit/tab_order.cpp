#include "app/kit/tab_order.h"

#include <QEvent>
#include <QLayout>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace fiscora::qt {

namespace {

// The direct child widgets of `parent` in reading order: rows by their top
// edge (a widget whose top lies above the middle of the row's first widget
// joins that row), left to right within a row. Pages of a stacked widget
// keep their index order.
std::vector<QWidget*> ReadingOrder(QWidget* parent) {
  std::vector<QWidget*> children;
  if (auto* stack = qobject_cast<QStackedWidget*>(parent)) {
    for (int i = 0; i < stack->count(); ++i) children.push_back(stack->widget(i));
    // Sheets taken off the page control for the while come last.
    for (QObject* o : stack->children())
      if (o->isWidgetType() && stack->indexOf(static_cast<QWidget*>(o)) < 0)
        children.push_back(static_cast<QWidget*>(o));
    return children;
  }
  // Hidden widgets have no place on the screen: each follows the widget
  // created before it.
  std::vector<std::pair<QWidget*, QWidget*>> hidden;  // widget, created before it
  QWidget* previous = nullptr;
  for (QObject* o : parent->children()) {
    if (!o->isWidgetType() || static_cast<QWidget*>(o)->isWindow()) continue;
    auto* w = static_cast<QWidget*>(o);
    if (w->isHidden())
      hidden.emplace_back(w, previous);
    else
      children.push_back(w);
    previous = w;
  }
  std::stable_sort(children.begin(), children.end(), [](QWidget* a, QWidget* b) {
    return a->geometry().top() < b->geometry().top();
  });
  std::vector<QWidget*> ordered;
  size_t row_start = 0;
  while (row_start < children.size()) {
    const QRect first = children[row_start]->geometry();
    const int middle = first.top() + first.height() / 2;
    size_t row_end = row_start + 1;
    while (row_end < children.size() && children[row_end]->geometry().top() < middle) ++row_end;
    std::stable_sort(
        children.begin() + static_cast<std::ptrdiff_t>(row_start),
        children.begin() + static_cast<std::ptrdiff_t>(row_end),
        [](QWidget* a, QWidget* b) { return a->geometry().left() < b->geometry().left(); });
    ordered.insert(ordered.end(), children.begin() + static_cast<std::ptrdiff_t>(row_start),
                   children.begin() + static_cast<std::ptrdiff_t>(row_end));
    row_start = row_end;
  }
  for (const auto& [w, before] : hidden) {
    auto at = std::find(ordered.begin(), ordered.end(), before);
    ordered.insert(at == ordered.end() ? ordered.begin() : at + 1, w);
  }
  return ordered;
}

void CollectFocusable(QWidget* w, std::vector<QWidget*>& out) {
  for (QWidget* child : ReadingOrder(w)) {
    if (child->focusPolicy() & Qt::TabFocus) out.push_back(child);
    // A control's inner parts (the tab bar of a page control, the viewport
    // of a grid) are ordered by the control itself.
    if (qobject_cast<QTabWidget*>(child)) {
      if (auto* stack = child->findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly))
        CollectFocusable(stack, out);
      continue;
    }
    if (child->focusProxy() || (child->focusPolicy() & Qt::TabFocus)) continue;
    CollectFocusable(child, out);
  }
}

// Lays out every container, hidden sheets included, so that positions are
// known before the window is first shown.
void ActivateLayouts(QWidget* window) {
  if (window->layout()) window->layout()->activate();
  // Parents come before their children: each container is placed before
  // its own layout runs. A hidden sheet gets the size of the shown one.
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (w->layout()) w->layout()->activate();
    if (auto* stack = qobject_cast<QStackedWidget*>(w))
      for (int i = 0; i < stack->count(); ++i)
        if (stack->widget(i) != stack->currentWidget())
          stack->widget(i)->setGeometry(stack->contentsRect());
  }
}

class ReadingOrderOnShow : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType())
      SetReadingTabOrder(static_cast<QWidget*>(watched));
    return false;
  }
};

}  // namespace

void SetReadingTabOrder(QWidget* window) {
  ActivateLayouts(window);
  std::vector<QWidget*> chain;
  CollectFocusable(window, chain);
  // A control inside a compound one (a sheet's button inside the page
  // control) already follows it in the focus chain; linking the two
  // explicitly would cut the compound's own part (its tab bar) out of the
  // chain together with what follows.
  for (size_t i = 1; i < chain.size(); ++i)
    if (!chain[i - 1]->isAncestorOf(chain[i])) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void KeepReadingTabOrder(QWidget* window) {
  window->installEventFilter(new ReadingOrderOnShow(window));
}

}  // namespace fiscora::qt
