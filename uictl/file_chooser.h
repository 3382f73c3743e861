#pragma once
// The file dialogs of every GUI deliverable (open, save), behind one seam
// that tests replace.
#include <functional>

#include <QString>

namespace uictl {

// The chosen file, empty when the user cancelled. `save` tells the save
// dialog from the open one; `filter` is a table entry "description|pattern||".
// The owner is the active window. GUI thread only.
QString choose_file(bool save, const QString& default_name, const QString& filter);

using FileChooser = std::function<QString(bool save, const QString& default_name, const QString& filter)>;
// Replaces the dialogs; an empty function restores them.
void set_file_chooser(FileChooser chooser);

}  // namespace uictl
