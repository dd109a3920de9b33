#include "app/ui/page_tabs.h"

#include <QPainter>

#include "app/kit/ui_text.h"

namespace fiscora::qt {

namespace {
const QColor kActiveTab(192, 192, 192);  // silver
}  // namespace

SheetTabBar::SheetTabBar(QWidget* parent) : QTabBar(parent) {
  setDrawBase(true);
  setExpanding(false);
  setElideMode(Qt::ElideNone);
  setUsesScrollButtons(true);
}

QSize SheetTabBar::tabSizeHint(int index) const {
  const QFontMetrics fm = fontMetrics();
  return {fm.horizontalAdvance(tabText(index)) + 12, fm.height() + 9};
}

void SheetTabBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor light = palette().color(QPalette::Light);
  const QColor dark = palette().color(QPalette::Dark);
  for (int i = 0; i < count(); ++i) {
    if (!isTabVisible(i)) continue;
    const QRect r = tabRect(i);
    const bool active = i == currentIndex();
    p.fillRect(r, active ? kActiveTab : palette().color(QPalette::Button));
    // A raised edge, as a tab has, around the filled rectangle.
    p.setPen(light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(dark);
    p.drawLine(r.topRight(), r.bottomRight());
    if (!active) p.drawLine(r.bottomLeft(), r.bottomRight());
    p.setPen(active ? QColor(Qt::black) : palette().color(QPalette::ButtonText));
    p.drawText(QRect(r.left() + 5, r.top() + 4, r.width() - 5, r.height() - 4),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, tabText(i));
  }
}

PageTabs::PageTabs(QWidget* parent) : QTabWidget(parent) {
  setTabBar(new SheetTabBar(this));
  setMovable(false);
}

QWidget* PageTabs::AddSheet(const char* name, const QString& caption) {
  auto* sheet = new QWidget;
  sheet->setObjectName(QString::fromLatin1(name));
  addTab(sheet, caption);
  return sheet;
}

int PageTabs::TabOf(const std::string& name) const {
  const QString n = QString::fromStdString(name);
  for (int i = 0; i < count(); ++i)
    if (widget(i)->objectName() == n) return i;
  return -1;
}

void PageTabs::Mirror(const std::vector<SheetSnapshot>& pages, const std::string& active) {
  for (int i = 0; i < static_cast<int>(pages.size()); ++i) {
    int at = TabOf(pages[static_cast<size_t>(i)].name);
    if (at < 0) continue;
    if (at != i) tabBar()->moveTab(at, i);  // the tab widget moves the sheet with it
    setTabText(i, UiText(pages[static_cast<size_t>(i)].caption));
    setTabVisible(i, pages[static_cast<size_t>(i)].visible);
  }
  int current = TabOf(active);
  if (current >= 0 && isTabVisible(current)) setCurrentIndex(current);
  tabBar()->update();
}

QStringList PageTabs::VisibleCaptions() const {
  QStringList out;
  for (int i = 0; i < count(); ++i)
    if (isTabVisible(i)) out << tabText(i);
  return out;
}

}  // namespace fiscora::qt
