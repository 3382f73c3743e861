#pragma once
// The file dialogs of the program's commands (export, import), behind one
// seam that tests replace.
#include <functional>

#include <QString>

namespace app {

// The chosen file, empty when the user cancelled. `save` tells the save
// dialog from the open one; `filter` is a table entry "description|pattern||".
QString choose_file(bool save, const QString& default_name, const QString& filter);

using FileChooser = std::function<QString(bool save, const QString& default_name, const QString& filter)>;
// Replaces the dialogs; an empty function restores them.
void set_file_chooser(FileChooser chooser);

// `chosen` with "." and `extension` appended unless it ends so already (in
// any case).
QString with_extension(const QString& chosen, const QString& extension);

}  // namespace app
