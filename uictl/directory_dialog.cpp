#include "uictl/directory_dialog.h"

#include <QApplication>
#include <QFileDialog>

#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace uictl {
namespace {

DirectoryChooser& installed_chooser() {
    static DirectoryChooser chooser;
    return chooser;
}

QString platform_chooser(const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, start);
}

}  // namespace

bool is_network_share_path(bk::StringView path) {
    return path.starts_with(u"\\\\") || path.starts_with(u"smb://");
}

void set_directory_chooser(DirectoryChooser chooser) {
    installed_chooser() = std::move(chooser);
}

}  // namespace uictl

int ShowDirectoryDlg(const char16_t* const* title, const bk::String& start, bk::String& chosen) {
    using namespace uictl;
    const QString caption = title != nullptr && *title != nullptr
                                ? to_qstring(*title)
                                : to_qstring(uictl_strings().text(text_id::choose_folder));
    const QString from = is_network_share_path(start) ? QString() : to_qstring(start);
    const QString folder = installed_chooser() ? installed_chooser()(caption, from) : platform_chooser(caption, from);
    if (folder.isEmpty()) return 0;
    chosen = from_qstring(folder);
    return 1;
}
