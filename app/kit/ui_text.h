// Texts between the core (UTF-8, line breaks as "\n\r", "\r\n" or "\r")
// and Qt (QString, line breaks as "\n").
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace fiscora::qt {

inline QString UiText(std::string_view s) {
  QString t = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
  t.replace(QLatin1String("\n\r"), QLatin1String("\n"));
  t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return t;
}

inline std::string CoreText(const QString& s) { return s.toStdString(); }

}  // namespace fiscora::qt
