#pragma once
// The crossing between the system's UTF-16 strings and Qt's. Texts cross
// only at the GUI's edge.
#include <QString>

#include "basekit/types.h"

namespace uictl {

inline QString to_qstring(bk::StringView text) {
    return QString::fromStdU16String(bk::String(text));
}

inline bk::String from_qstring(const QString& text) {
    return text.toStdU16String();
}

}  // namespace uictl
