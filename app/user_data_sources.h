#pragma once
// Where the personal data of well-known desktop programs lies, for the
// new user-data job: one row per program or special folder, in a fixed
// order, each with the folders and files found for it. The look-up itself is
// one interface per platform: this build finds the rows of a Linux desktop
// (the XDG user directories and the programs' folders in the home
// directory); a Windows build would read its shell folders and registry.
#include <cstdint>
#include <memory>
#include <vector>

#include "basekit/types.h"

namespace app {

// One folder or file found for a row; it becomes one source of the job.
struct UserDataSource {
    bk::String path;
    bool file = false;            // a single file rather than a folder
    std::uint32_t recursive = 1;  // 1 for folders, 0 for files
    friend bool operator==(const UserDataSource&, const UserDataSource&) = default;
};

struct UserDataRow {
    std::uint32_t name_id = 0;  // the row's name in the program's strings
    std::vector<UserDataSource> sources;
    bool found() const { return !sources.empty(); }
};

// The found paths joined by ";" in the order they were added; once the text
// has reached 50 characters, the next path is replaced by "..." and the rest
// are left out.
bk::String paths_text(const std::vector<UserDataSource>& sources);

class UserDataPlaces {
public:
    virtual ~UserDataPlaces() = default;
    // Every row, found or not, in the dialog's order.
    virtual std::vector<UserDataRow> rows() const = 0;
};

// The Linux rows (docs/platform.md has the table), looked for under `home`
// with the XDG configuration and data folders given (empty: the defaults
// below `home`).
class XdgUserDataPlaces final : public UserDataPlaces {
public:
    XdgUserDataPlaces(bk::String home, bk::String config_home, bk::String data_home);
    std::vector<UserDataRow> rows() const override;

private:
    bk::String home_;
    bk::String config_home_;
    bk::String data_home_;
};

// The rows of this platform for the user running the program (HOME,
// XDG_CONFIG_HOME, XDG_DATA_HOME).
std::unique_ptr<UserDataPlaces> user_data_places();

// A user directory of the XDG "user-dirs.dirs" text (`key` such as
// "XDG_DOCUMENTS_DIR"): its value with a leading "$HOME" replaced by `home`;
// empty when the key is missing or its value is not "$HOME/..." or absolute.
bk::String xdg_user_dir(const std::string& dirs_text, const std::string& key, const bk::String& home);

// The profile folders named by a Mozilla "profiles.ini" text, relative
// paths (IsRelative=1, the default) joined to `base`, in the file's order.
std::vector<bk::String> mozilla_profiles(const std::string& ini_text, const bk::String& base);

}  // namespace app
