// The page control of the main window: a tab widget whose tab headers the
// window draws itself (the active tab silver with black text, the others in
// the button colour) and whose sheets follow the page order of the state.
#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <string>
#include <vector>

#include "app/ui/control_snapshot.h"

namespace fiscora::qt {

class SheetTabBar : public QTabBar {
  Q_OBJECT

 public:
  explicit SheetTabBar(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
  QSize tabSizeHint(int index) const override;
  QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
};

class PageTabs : public QTabWidget {
  Q_OBJECT

 public:
  explicit PageTabs(QWidget* parent = nullptr);

  // Adds a sheet: its object name is the sheet's name.
  QWidget* AddSheet(const char* name, const QString& caption);
  // The tab index of a sheet, -1 when there is none of that name.
  int TabOf(const std::string& name) const;
  // Moves, shows, hides and titles the sheets as the state has them, then
  // makes `active` the current sheet.
  void Mirror(const std::vector<SheetSnapshot>& pages, const std::string& active);
  // The captions of the visible tabs, left to right.
  QStringList VisibleCaptions() const;
};

}  // namespace fiscora::qt
