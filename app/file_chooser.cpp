#include "app/file_chooser.h"

namespace app {

QString with_extension(const QString& chosen, const QString& extension) {
    const QString suffix = '.' + extension;
    return chosen.endsWith(suffix, Qt::CaseInsensitive) ? chosen : chosen + suffix;
}

}  // namespace app
