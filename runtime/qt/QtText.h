#pragma once
// The logic's text (UTF-16) as Qt's, and back: both are UTF-16, so nothing is recounted.

#include <QString>
#include <string>
#include <string_view>

namespace tarvolin {

inline QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string ToU16(const QString& text) { return text.toStdU16String(); }

}  // namespace tarvolin
