#pragma once
// The program's texts are UTF-8 byte strings; Qt's are QStrings.

#include <QString>
#include <string>
#include <string_view>

namespace tabulink::qt {

inline QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string fromQString(const QString& text) {
  return text.toStdString();
}

}  // namespace tabulink::qt
