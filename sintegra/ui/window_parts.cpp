#include "sintegra/ui/window_parts.h"

#include <QPainter>
#include <QPixmap>

#include "app/kit/ui_text.h"

namespace fiscora::qt {

QLabel* Caption(const QString& text, QWidget* parent, bool bold) {
  auto* l = new QLabel(text, parent);
  l->setTextFormat(Qt::PlainText);
  if (bold) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
  }
  return l;
}

QLabel* ValueLabel(const char* name, QWidget* parent, const QString& text) {
  auto* l = Caption(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, QColor(0, 0, 128));
  l->setPalette(p);
  return l;
}

QToolButton* PictureButton(const char* name, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  // A sheet with lines: the notes the window lists.
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QColor(60, 60, 90));
  p.setBrush(QColor(250, 250, 235));
  p.drawRect(QRectF(6.5, 3.5, 19, 25));
  p.setPen(QPen(QColor(30, 70, 140), 1.5));
  for (int y = 9; y <= 23; y += 4) p.drawLine(10, y, 22, y);
  p.end();
  b->setIcon(QIcon(pm));
  b->setIconSize(pm.size());
  return b;
}

void SetLabels(QWidget* window, const std::vector<std::pair<std::string, std::string>>& labels) {
  for (const auto& [name, text] : labels)
    if (auto* l = window->findChild<QLabel*>(QString::fromStdString(name)))
      l->setText(UiText(text));
}

}  // namespace fiscora::qt
