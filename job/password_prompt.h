#pragma once
// The small dialog in which the job dialogs ask for one password (an FTP
// server's, or the one that protects an existing set), and the seam through
// which tests answer it in advance.
#include <functional>
#include <optional>

#include "basekit/types.h"

class QWidget;

namespace job {

// Shows `text` with a hidden entry field under the title `title`: the
// entered text, or nullopt when the user cancelled. GUI thread only.
std::optional<bk::String> AskPassword(QWidget* parent, bk::StringView title, bk::StringView text);

// What a test installs in place of the dialog: it gets the text shown and
// answers as the user would. An empty function restores the dialog.
using PasswordAnswer = std::function<std::optional<bk::String>(const bk::String& text)>;
void SetPasswordAnswer(PasswordAnswer answer);

}  // namespace job
