#pragma once
// What a scan of a job's sources needs of the run: the stop flag, the parse
// events, the warning helper, the network retry rule and FTP connections.
// The backup session implements it.
#include <cstdint>

#include "basekit/exception.h"
#include "basekit/types.h"

namespace brim {

class FtpConnection;

class ScanEvents {
public:
    virtual ~ScanEvents() = default;
    [[nodiscard]] virtual bool has_stopped() const = 0;
    virtual void begin_parse() = 0;
    virtual void parse_source(const bk::String& path) = 0;
    // A problem with one source or item: the run goes on.
    virtual void warning(const bk::String& text) = 0;
    // The network retry rule: true when `error` may be tried again after
    // `attempts` earlier retries of the same operation (the retry was
    // counted and waited for); false to give up.
    virtual bool retry_after(const bk::Exception& error, std::uint32_t attempts) = 0;
    // The connection for an FTP path (through the session's server list).
    virtual FtpConnection& ftp_connection(bk::StringView path) = 0;
};

}  // namespace brim
