#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "basekit/stream.h"
#include "basekit/types.h"

namespace brim {

class CurlTransfer;
class FtpConnection;
class FtpRetryPolicy;

// Reads a remote file as it arrives, holding at most a few hundred KiB of it
// in memory whatever its size. A failed open, read or seek follows the
// network retry rule of `policy` (none when null): reconnect, reopen, and go
// on at the bytes already read. When it cannot recover it throws
// FtpException "Operating system error,check network or if have rights to
// access.". The connection and the policy are not owned and must outlive
// the stream; one thread uses it.
class FtpInputStream final : public bk::InputStream {
public:
    // Opens the file for reading at once (throws as above).
    FtpInputStream(FtpConnection& connection, bk::StringView name, FtpRetryPolicy* policy);
    ~FtpInputStream() override;
    FtpInputStream(const FtpInputStream&) = delete;
    FtpInputStream& operator=(const FtpInputStream&) = delete;

    using bk::InputStream::read;
    // What the server has delivered, up to `length` bytes; -1 at the end.
    int read(std::uint8_t* buffer, int length) override;
    // Moves to a new position from the beginning, the current position or
    // the end, and returns the distance moved. A position before the start
    // or an unknown origin throws the transfer message.
    std::int64_t seek(std::int64_t offset, bk::SeekOrigin origin) override;
    // The bytes left to read; 0 when the server did not tell the size.
    std::int64_t available() override;
    void close() override;

    std::int64_t bytes_transferred() const { return position_; }

private:
    void open_at_position();
    int read_from_transfer(std::uint8_t* buffer, int length);
    void drop_transfer();
    std::size_t buffered() const { return buffer_.size() - buffer_start_; }
    static std::size_t on_data(char* data, std::size_t size, std::size_t count, void* self);

    FtpConnection& connection_;
    bk::String path_;  // absolute remote path
    FtpRetryPolicy* policy_;
    std::unique_ptr<CurlTransfer> transfer_;
    std::vector<std::uint8_t> buffer_;
    std::size_t buffer_start_ = 0;
    bool paused_ = false;
    bool at_end_ = false;
    bool closed_ = false;
    std::int64_t position_ = 0;
    std::int64_t size_ = -1;
};

}  // namespace brim
