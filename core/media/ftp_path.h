#pragma once
// The rules of remote names. A name is either an "ftp://" path (the prefix,
// a host, then a remote path beginning with "/") or a remote path already.
// The prefix is matched exactly (lower case); hosts compare ignoring case.
#include <cstdint>

#include "basekit/types.h"

namespace brim {

inline constexpr bk::StringView ftp_prefix = u"ftp://";

// True when the name starts with "ftp://" exactly.
bool is_ftp_path(bk::StringView name);

// The name without a leading "ftp://"; unchanged when it has none.
bk::String strip_ftp_prefix(bk::StringView name);

// The host of a name: the text after any "ftp://" up to the first "/".
bk::String ftp_host(bk::StringView name);

// True when two server names or paths name the same host, ignoring case and
// any "ftp://".
bool same_ftp_host(bk::StringView a, bk::StringView b);

// The host of a name and the port written after it ("ftp://host:2121/x"):
// port 0 when none is written. An IPv6 address in brackets comes without
// them; one without brackets has no port.
struct FtpEndpoint {
    bk::String host;
    std::uint16_t port = 0;
};
FtpEndpoint ftp_endpoint(bk::StringView name);

// The remote path of a name: the name itself when it is not an "ftp://"
// path, else the part from the first "/" after the host; "/" (the server's
// root) when the host has no path after it.
bk::String ftp_remote_path(bk::StringView name);

// base + name with exactly one "/" between them; an empty side gives the other.
bk::String ftp_path_join(bk::StringView base, bk::StringView name);

// An absolute remote path for `path`: itself when it starts with "/", else
// joined to the current directory (itself absolute).
bk::String ftp_absolute_path(bk::StringView current_directory, bk::StringView path);

// The parent directory and the last component of a remote path; the parent
// of "/name" is "/", and that of a name without "/" is empty.
struct FtpPathParts {
    bk::String parent;
    bk::String leaf;
};
FtpPathParts split_ftp_path(bk::StringView remote_path);

// A listing pattern: the remote path plus "/*" (no "/" when it already ends
// in one; no change when it already ends in "*"), split into the directory
// to list and the prefix the entries' names must start with.
struct FtpListPattern {
    bk::String directory;
    bk::String name_prefix;
};
FtpListPattern ftp_list_pattern(bk::StringView remote_path);

}  // namespace brim
