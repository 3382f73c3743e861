#pragma once
// The program's icon for its windows and the tray, drawn rather than loaded
// so that it needs no image plugin. The installed icon is brimvault.svg.
#include <QIcon>

namespace app {

QIcon program_icon();

}  // namespace app
