#pragma once
// The archive file types and the program that opens them, registered the
// freedesktop way for the user:
//  - a shared-mime-info package, $XDG_DATA_HOME/mime/packages/brimvault.xml,
//    naming the three types by their extensions with their descriptions in
//    both languages;
//  - a desktop entry, $XDG_DATA_HOME/applications/brimvault.desktop, that
//    opens a file with the program ("<program>" %f);
//  - the entry as the types' default application in
//    $XDG_CONFIG_HOME/mimeapps.list;
// then the MIME and desktop databases are brought up to date with
// update-mime-database and update-desktop-database when they are installed.
#include <array>

#include <QString>

#include "basekit/types.h"

namespace job {

struct ArchiveFileType {
    const char* mime_type;
    const char* glob;
    unsigned description_id;  // in job_strings()
};

// In the order they are registered: volume, catalogue, main archive.
extern const std::array<ArchiveFileType, 3> archive_file_types;
inline constexpr char association_desktop_file[] = "brimvault.desktop";
inline constexpr char association_mime_package[] = "brimvault.xml";

// The program beside the running one: <its directory>/brimvault.
bk::String default_program_path();

// The Exec line of a desktop entry that opens one file with `program`: the
// path quoted and escaped by the desktop-entry rules, then " %f".
QString desktop_exec_line(const QString& program);

// Writes the package, the desktop entry and the default association, then
// updates the databases. False when a file cannot be written (what was
// written before stays).
bool register_shell_association(bk::StringView program);
// Removes what register_shell_association wrote. False when the types
// were not registered.
bool unregister_shell_association();

// The association of the installed program for every user, made by the
// package's scripts as the administrator. The package installs the MIME
// package and the desktop entry (of the same name) in its own share folder
// and its triggers update the databases, so only the default application
// is set: in the mimeapps.list of the system's configuration folder, the
// first of $XDG_CONFIG_DIRS (else /etc/xdg), which every user's own list
// overrides. False when the list cannot be written.
bool register_system_association();
// Takes our lines out of that list again. False when none were there.
bool unregister_system_association();

// Sets (desktop not empty) or removes (desktop empty) the default
// application of `mime_types` in the [Default Applications] group of a
// mimeapps.list text, keeping everything else; removing touches only the
// lines that name `owner`.
QString with_default_applications(const QString& list, const QStringList& mime_types, const QString& desktop,
                                  const QString& owner);

}  // namespace job
