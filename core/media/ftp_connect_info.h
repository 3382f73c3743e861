#pragma once
#include <cstdint>

#include "basekit/types.h"

namespace brim {

// One FTP server of a job, as the job store and the archive keep it.
struct FtpConnectInfo {
    bk::String server;    // host name, optionally written with the prefix "ftp://"
    bk::String user;      // empty for anonymous
    bk::String password;  // may be empty
    std::uint16_t port = 21;
    bool passive = true;  // passive transfer mode

    bool operator==(const FtpConnectInfo&) const = default;
};

}  // namespace brim
