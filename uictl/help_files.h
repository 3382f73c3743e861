#pragma once
// The program's help: HTML pages installed with it, one home page per
// language and one page per help context. The help folder is
// share/brimvault/help beside the program's bin folder (the build tree has
// the same layout).
#include <functional>

#include <QString>
#include <QUrl>

#include "basekit/types.h"

// The help home page of the GUI's language: the help folder followed by
// entry 202 of the controls library's table. Computed once and kept.
const char16_t* GetHelpFileName();

namespace uictl {

// The page of a help context: <help folder>/<language>/<context>.html when it
// exists, else the home page; -1 (no context) gives the home page.
QString help_page_for_context(int help_context);

// Opens the page of a help context in the user's browser (or in what a test
// installed with set_help_opener).
void open_help(int help_context);

// Replaces the opener of help pages; an empty function restores the desktop's.
void set_help_opener(std::function<void(const QUrl&)> opener);

}  // namespace uictl
