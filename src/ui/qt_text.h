#pragma once
// Conversions between the core's UTF-8 strings and Qt's.
#include <QString>
#include <string>

namespace vilk::ui {

inline QString Q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string S(const QString& s) {
  return s.toStdString();
}
// Core messages break lines with CR (and CR LF); widgets want LF.
inline QString MessageText(const std::string& s) {
  QString t = Q(s);
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return t;
}

}  // namespace vilk::ui
