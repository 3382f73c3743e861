#pragma once
// The folder chooser.
#include <functional>

#include <QString>

#include "basekit/types.h"

// Lets the user pick a folder, starting at `start` unless it names a network
// share (\\server\share or smb://...), which the chooser cannot open. Returns
// 1 with the folder in `chosen`, 0 when the user cancelled. `title` may be
// null (the library's own title).
int ShowDirectoryDlg(const char16_t* const* title, const bk::String& start, bk::String& chosen);

namespace uictl {

// Whether a path names a network share rather than a local folder.
bool is_network_share_path(bk::StringView path);

// Replaces the platform's chooser (for tests): it gets the title and the
// starting folder and returns the chosen folder, empty for Cancel. An empty
// function restores the platform's.
using DirectoryChooser = std::function<QString(const QString& title, const QString& start)>;
void set_directory_chooser(DirectoryChooser chooser);

}  // namespace uictl
