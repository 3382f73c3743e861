#pragma once
// What the links of the welcome page do. They are "app:" links (the prefix
// in any case) followed by a command word: three close the page with a
// choice, two set whether the page shows at the next start.
#include <optional>

#include <QUrl>

namespace app {

enum class WelcomeChoice { tour = 0, wizard = 1, user_data = 3 };

struct WelcomeLink {
    std::optional<WelcomeChoice> choice;  // the page closes with it
    std::optional<bool> show_again;       // the page's show-again mark
};

// The meaning of a link; nothing for other links and unknown words.
WelcomeLink read_welcome_link(const QUrl& url);

}  // namespace app
