#pragma once
// The file dialogs of the program's commands (export, import): those of the
// controls library (uictl/file_chooser.h), whose seam tests replace.
#include "uictl/file_chooser.h"

namespace app {

using uictl::choose_file;
using uictl::FileChooser;
using uictl::set_file_chooser;

// `chosen` with "." and `extension` appended unless it ends so already (in
// any case).
QString with_extension(const QString& chosen, const QString& extension);

}  // namespace app
