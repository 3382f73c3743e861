#pragma once
// The welcome dialog shown at an ordinary start: the page shipped with the
// program, whose links start the tutorial, the backup wizard or a user-data
// job, and say whether the page shows again.
#include <optional>

#include <QDialog>

#include "app/welcome_links.h"

class QTextBrowser;

namespace app {

class WelcomeDialog final : public QDialog {
    Q_OBJECT
public:
    explicit WelcomeDialog(QWidget* parent = nullptr);

    // The link the user closed the page with; nothing after Close.
    std::optional<WelcomeChoice> choice() const { return choice_; }
    // False once the user asked not to see the page again.
    bool show_again() const { return show_again_; }

    // Follows a link as a click on it does.
    void follow(const QUrl& url);

private:
    QTextBrowser* page_ = nullptr;
    std::optional<WelcomeChoice> choice_;
    bool show_again_ = true;
};

// The welcome page of the GUI's language, from share/brimvault/welcome.
QString welcome_page_path();

}  // namespace app
