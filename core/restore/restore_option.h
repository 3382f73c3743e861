#pragma once
// The bits of a restore's option word, and what a restore run and an open
// report besides the events.
#include <cstdint>

namespace brim {

namespace restore_option {

inline constexpr std::uint32_t touch = 0x02;           // restored files get the current time as last-modified
inline constexpr std::uint32_t keep_structure = 0x04;  // under a target: each item's whole original path
inline constexpr std::uint32_t flatten = 0x08;         // under a target: every file directly in it
inline constexpr std::uint32_t existing_mask = 0xF0;   // what happens to a file that exists
inline constexpr std::uint32_t existing_skip = 0x10;   // kept as it is
inline constexpr std::uint32_t existing_ask = 0x20;    // the listener's replace question decides
inline constexpr std::uint32_t existing_newer = 0x40;  // replaced when the archived file is newer
// Any other value of the mask: always replaced.

}  // namespace restore_option

// What opening a set into its runs gave.
enum class OpenArchiveResult : std::int32_t {
    all_read = 0,     // every volume was read
    cancelled = 1,    // a missing volume was not supplied before any run was read
    partly_read = 2,  // some runs were read; a later volume is missing, damaged or unreadable
};

// The verdict of probing a job's destination before a backup run.
enum class CheckResult : std::int32_t {
    go_on = 1,
    go_on_logged = 2,              // unattended: what was found has been logged
    go_on_floppy = 3,              // go on, but warn about a removable floppy-like destination
    clears_foreign = 4,            // not an archive of this program, or damaged: it will be cleared
    replaces_set = 5,              // this job's set will be replaced whole
    replaces_incomplete = 6,       // an incomplete set of an appending job will be replaced
    clears_foreign_floppy = 7,
    replaces_set_floppy = 8,
    replaces_incomplete_floppy = 9,
    newer_version = 10,
    password_needed = 11,
    password_mismatch = 12,
    failed = 13,                   // unattended: an error entry has been logged
};

}  // namespace brim
