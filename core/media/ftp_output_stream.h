#pragma once
#include <cstdint>
#include <memory>

#include <curl/system.h>

#include "basekit/stream.h"
#include "basekit/types.h"
#include "core/media/replay_buffer.h"

namespace brim {

class CurlTransfer;
class FtpConnection;
class FtpRetryPolicy;

// Writes a remote file (created or replaced) as the data comes, holding a
// bounded window of it in memory: what is not yet sent, and the last few MiB
// sent, so that after a dropped connection the upload can go on from the
// size the server really stored. A failed open, write or close follows the
// network retry rule of `policy` (none when null); when it cannot recover
// it throws FtpException "Operating system error,check network or if have
// rights to access.". The connection and the policy are not owned and must
// outlive the stream; one thread uses it.
//
// Only close() tells whether the file arrived whole. Destroying the stream
// without close() abandons the upload and leaves what the server got.
class FtpOutputStream final : public bk::OutputStream {
public:
    // Opens the file for writing at once (throws as above).
    FtpOutputStream(FtpConnection& connection, bk::StringView name, FtpRetryPolicy* policy);
    ~FtpOutputStream() override;
    FtpOutputStream(const FtpOutputStream&) = delete;
    FtpOutputStream& operator=(const FtpOutputStream&) = delete;

    // Throws FtpException "Incorrect parameters." for a null buffer; nothing
    // happens for length 0.
    void write(const std::uint8_t* bytes, std::uint32_t length) override;
    // Single bytes are not supported: throws the transfer message.
    void write(int byte) override;
    // The stream only appends: asking for the current position answers it;
    // any other move throws the transfer message.
    std::int64_t seek(std::int64_t offset, bk::SeekOrigin origin) override;
    // Hands every written byte to the network.
    void flush() override;
    // Sends the rest and waits for the server to confirm the whole file.
    void close() override;

    std::int64_t bytes_transferred() const { return window_.end(); }

private:
    void open_at_server_size(bool first);
    void start_upload(std::int64_t offset);
    std::int64_t pending() const { return window_.end() - sent_; }
    template <typename Done>
    void pump_until(Done done);
    template <typename Done>
    void pump_with_retry(Done done);
    static std::size_t on_read(char* buffer, std::size_t size, std::size_t count, void* self);
    static int on_seek(void* self, curl_off_t offset, int origin);

    FtpConnection& connection_;
    bk::String path_;  // absolute remote path
    FtpRetryPolicy* policy_;
    std::unique_ptr<CurlTransfer> transfer_;
    ReplayBuffer window_;
    std::int64_t sent_ = 0;  // offset of the next byte handed to the network
    bool paused_ = false;
    bool finishing_ = false;
    bool closed_ = false;
};

}  // namespace brim
