#include "app/welcome_links.h"

namespace app {

WelcomeLink read_welcome_link(const QUrl& url) {
    const QString text = url.toString();
    const QString prefix = QStringLiteral("app:");
    if (!text.startsWith(prefix, Qt::CaseInsensitive)) return {};
    const QString word = text.mid(prefix.size());
    const auto is = [&](const char* name) { return word.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("Flash")) return {WelcomeChoice::tour, std::nullopt};
    if (is("Wizard")) return {WelcomeChoice::wizard, std::nullopt};
    if (is("userdata")) return {WelcomeChoice::user_data, std::nullopt};
    if (is("show")) return {std::nullopt, true};
    if (is("hidden")) return {std::nullopt, false};
    return {};
}

}  // namespace app
