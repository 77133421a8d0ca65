#pragma once
// The controls' texts are 8-bit characters, one per position; Latin-1 keeps them one to one with
// the widgets' texts.
#include <QString>
#include <string>
#include <string_view>

namespace zelmar {

inline QString ToQString(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToControlText(const QString& text) {
    return text.toLatin1().toStdString();
}

}  // namespace zelmar
