// The tab order of a window follows its reading order: top to bottom, left
// to right within a row, a container's controls before those that come
// after it, the sheets of a page control in their page order.
#pragma once

class QWidget;

namespace fiscora::qt {

// Sets the tab order of the window's controls now.
void SetReadingTabOrder(QWidget* window);
// Sets it every time the window is shown (its controls may have changed).
void KeepReadingTabOrder(QWidget* window);

}  // namespace fiscora::qt
