#pragma once
// The running platform's version, as the rest of the system tests it: a
// value above 4 (win_me) chooses the NT family's way of doing things.
namespace bk {

enum class OSVersion : int {
    unknown = 0,
    win95 = 1,
    win98 = 2,
    win98_se = 3,
    win_me = 4,
    nt4 = 5,
    win2000 = 6,
    win_xp = 7,
    win2003_and_later = 8  // and every later NT version
};

// Linux reports win2003_and_later, so that every NT-family branch is taken
// (docs/platform.md).
OSVersion running_os_version();

}  // namespace bk
