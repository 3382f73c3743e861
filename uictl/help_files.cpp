#include "uictl/help_files.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include "uictl/qt_text.h"
#include "uictl/uictl_strings.h"

namespace uictl {
namespace {

std::function<void(const QUrl&)>& help_opener() {
    static std::function<void(const QUrl&)> opener;
    return opener;
}

QString help_folder() {
    const QString program_folder = QCoreApplication::applicationDirPath();
    return QDir::cleanPath(program_folder + QStringLiteral("/../share/brimvault/help"));
}

QString language_folder() {
    return ui_language() == UiLanguage::chinese ? QStringLiteral("zh") : QStringLiteral("en");
}

}  // namespace

QString help_page_for_context(int help_context) {
    if (help_context >= 0) {
        const QString page = help_folder() + '/' + language_folder() + '/' + QString::number(help_context) + ".html";
        if (QFileInfo::exists(page)) return page;
    }
    return to_qstring(GetHelpFileName());
}

void open_help(int help_context) {
    const QUrl url = QUrl::fromLocalFile(help_page_for_context(help_context));
    if (help_opener()) {
        help_opener()(url);
    } else {
        QDesktopServices::openUrl(url);
    }
}

void set_help_opener(std::function<void(const QUrl&)> opener) {
    help_opener() = std::move(opener);
}

}  // namespace uictl

const char16_t* GetHelpFileName() {
    // Kept per language: the language is fixed at start in the program, but a
    // test may switch it.
    static bk::String names[2];
    bk::String& name = names[uictl::ui_language() == uictl::UiLanguage::chinese ? 0 : 1];
    if (name.empty()) {
        name = uictl::from_qstring(uictl::help_folder() + '/') +
               uictl::uictl_strings().text(uictl::text_id::help_home_page);
    }
    return name.c_str();
}
