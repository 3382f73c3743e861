#include "app/user_data_sources.h"

#include <fstream>
#include <sstream>

#include "app/app_strings.h"
#include "basekit/convertion.h"
#include "basekit/path.h"
#include "basekit/platform/os_system.h"
#include "basekit/system_file.h"

namespace app {
namespace {

// The paths text stops growing at this length.
constexpr std::size_t paths_text_limit = 50;

// A missing or unreadable file reads as empty: nothing found there.
std::string file_text(const bk::String& path) {
    std::ifstream in(bk::to_native_path(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string trimmed(std::string text) {
    const auto first = text.find_first_not_of(" \t\r");
    const auto last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// Each line of a text, trimmed, without empty lines and "#" comments.
template <typename Take>
void for_each_line(const std::string& text, Take take) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line = trimmed(line);
        if (!line.empty() && line[0] != '#') take(line);
    }
}

void add_folder(std::vector<UserDataSource>& sources, const bk::String& path) {
    if (bk::SystemFile::is_dir(path)) sources.push_back({path, false, 1});
}

void add_file(std::vector<UserDataSource>& sources, const bk::String& path) {
    if (bk::SystemFile::is_file(path)) sources.push_back({path, true, 0});
}

// A Mozilla program's row: found only when its "profiles.ini" is there (a
// folder left behind without it is no installed program); the file, then
// each profile folder that exists.
std::vector<UserDataSource> mozilla_row(const bk::String& base) {
    std::vector<UserDataSource> sources;
    const bk::String ini = bk::Path::combine(base, u"profiles.ini");
    if (!bk::SystemFile::is_file(ini)) return sources;
    add_file(sources, ini);
    for (const bk::String& profile : mozilla_profiles(file_text(ini), base)) add_folder(sources, profile);
    return sources;
}

bk::String or_default(const std::optional<bk::String>& value, const bk::String& fallback) {
    return value && !value->empty() ? *value : fallback;
}

}  // namespace

bk::String paths_text(const std::vector<UserDataSource>& sources) {
    bk::String text;
    for (const UserDataSource& source : sources) {
        if (text.size() >= paths_text_limit) {
            text += u";...";
            break;
        }
        if (!text.empty()) text += u';';
        text += source.path;
    }
    return text;
}

bk::String xdg_user_dir(const std::string& dirs_text, const std::string& key, const bk::String& home) {
    bk::String found;
    for_each_line(dirs_text, [&](const std::string& line) {
        if (line.rfind(key + "=", 0) != 0) return;
        std::string value = trimmed(line.substr(key.size() + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value == "$HOME" || value.rfind("$HOME/", 0) == 0) {
            found = home + bk::from_native_path(value.substr(5));
        } else if (!value.empty() && value[0] == '/') {
            found = bk::from_native_path(value);
        } else {
            found.clear();
        }
    });
    return found;
}

std::vector<bk::String> mozilla_profiles(const std::string& ini_text, const bk::String& base) {
    struct Profile {
        std::string path;
        bool relative = true;
    };
    std::vector<Profile> profiles;
    bool in_profile = false;
    for_each_line(ini_text, [&](const std::string& line) {
        if (line.front() == '[') {
            in_profile = line.rfind("[Profile", 0) == 0;
            if (in_profile) profiles.emplace_back();
            return;
        }
        if (!in_profile) return;
        const auto equals = line.find('=');
        if (equals == std::string::npos) return;
        const std::string name = trimmed(line.substr(0, equals));
        const std::string value = trimmed(line.substr(equals + 1));
        if (name == "Path") profiles.back().path = value;
        if (name == "IsRelative") profiles.back().relative = value != "0";
    });
    std::vector<bk::String> paths;
    for (const Profile& profile : profiles) {
        if (profile.path.empty()) continue;
        const bk::String path = bk::from_native_path(profile.path);
        paths.push_back(profile.relative ? bk::Path::combine(base, path) : path);
    }
    return paths;
}

XdgUserDataPlaces::XdgUserDataPlaces(bk::String home, bk::String config_home, bk::String data_home)
    : home_(std::move(home)),
      config_home_(config_home.empty() ? bk::Path::combine(home_, u".config") : std::move(config_home)),
      data_home_(data_home.empty() ? bk::Path::combine(home_, u".local/share") : std::move(data_home)) {}

std::vector<UserDataRow> XdgUserDataPlaces::rows() const {
    const auto in = [](const bk::String& base, bk::StringView name) { return bk::Path::combine(base, name); };
    const std::string user_dirs = file_text(in(config_home_, u"user-dirs.dirs"));
    const auto user_dir = [&](const char* key, bk::StringView fallback) {
        const bk::String named = xdg_user_dir(user_dirs, key, home_);
        return named.empty() ? in(home_, fallback) : named;
    };
    std::vector<UserDataRow> rows;
    rows.reserve(9);  // a row's sources are filled through a reference to it
    const auto row = [&rows](std::uint32_t name) -> std::vector<UserDataSource>& {
        rows.push_back({name, {}});
        return rows.back().sources;
    };
    add_folder(row(app_text::user_data_documents), user_dir("XDG_DOCUMENTS_DIR", u"Documents"));
    auto& bookmarks = row(app_text::user_data_bookmarks);
    add_file(bookmarks, in(config_home_, u"gtk-3.0/bookmarks"));
    add_file(bookmarks, in(data_home_, u"user-places.xbel"));
    add_folder(row(app_text::user_data_desktop), user_dir("XDG_DESKTOP_DIR", u"Desktop"));
    auto& fonts = row(app_text::user_data_fonts);
    add_folder(fonts, in(data_home_, u"fonts"));
    add_folder(fonts, in(home_, u".fonts"));
    // The settings count only beside the mail data.
    auto& evolution = row(app_text::user_data_evolution);
    add_folder(evolution, in(data_home_, u"evolution"));
    if (!evolution.empty()) add_folder(evolution, in(config_home_, u"evolution"));
    row(app_text::user_data_thunderbird) = mozilla_row(in(home_, u".thunderbird"));
    row(app_text::user_data_firefox) = mozilla_row(in(home_, u".mozilla/firefox"));
    add_folder(row(app_text::user_data_chromium), in(config_home_, u"chromium"));
    add_folder(row(app_text::user_data_opera), in(config_home_, u"opera"));
    return rows;
}

std::unique_ptr<UserDataPlaces> user_data_places() {
    const bk::String home = or_default(bk::os::environment_variable(u"HOME"), u"/");
    return std::make_unique<XdgUserDataPlaces>(home, or_default(bk::os::environment_variable(u"XDG_CONFIG_HOME"), {}),
                                               or_default(bk::os::environment_variable(u"XDG_DATA_HOME"), {}));
}

}  // namespace app
