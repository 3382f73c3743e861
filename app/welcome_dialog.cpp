#include "app/welcome_dialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/app_strings.h"
#include "uictl/qt_text.h"
#include "uictl/ui_language.h"

namespace app {

QString welcome_page_path() {
    const QString folder =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/brimvault/welcome"));
    const QString language =
        uictl::ui_language() == uictl::UiLanguage::chinese ? QStringLiteral("zh") : QStringLiteral("en");
    return folder + '/' + language + QStringLiteral(".html");
}

WelcomeDialog::WelcomeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(uictl::to_qstring(app_strings().text(app_text::welcome_title)));
    page_ = new QTextBrowser(this);
    page_->setOpenLinks(false);
    page_->setSource(QUrl::fromLocalFile(welcome_page_path()));
    connect(page_, &QTextBrowser::anchorClicked, this, &WelcomeDialog::follow);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(uictl::to_qstring(app_strings().text(app_text::close_button)), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(page_);
    layout->addWidget(buttons);
    resize(640, 320);
}

void WelcomeDialog::follow(const QUrl& url) {
    const WelcomeLink link = read_welcome_link(url);
    if (link.show_again) show_again_ = *link.show_again;
    if (link.choice) {
        choice_ = link.choice;
        accept();
    }
}

}  // namespace app
