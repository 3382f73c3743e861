#include "core/media/ftp_output_stream.h"

#include <algorithm>
#include <cstdio>

#include "core/media/curl_transfer.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_error.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_retry.h"

namespace brim {
namespace {

// Written bytes waiting for the network; a writer blocks beyond this.
constexpr std::int64_t pending_limit = 256 * 1024;
// Bytes kept after sending: what the socket buffers on both sides may hold
// when a connection drops, and so what may have to be sent again.
constexpr std::int64_t replay_limit = 4 * 1024 * 1024;
constexpr int poll_ms = 100;

}  // namespace

FtpOutputStream::FtpOutputStream(FtpConnection& connection, bk::StringView name, FtpRetryPolicy* policy)
    : connection_(connection),
      path_(connection.absolute_path(name)),
      policy_(policy),
      window_(static_cast<std::size_t>(pending_limit + replay_limit)) {
    bool first = true;
    run_with_ftp_retry(policy_, connection_, ftp_message::transfer_failed, [&] {
        open_at_server_size(first);
        first = false;
        // The server's answer to the request shows whether it accepts the file.
        pump_until([this] { return paused_; });
    });
}

FtpOutputStream::~FtpOutputStream() = default;

void FtpOutputStream::start_upload(std::int64_t offset) {
    transfer_.reset();
    paused_ = false;
    sent_ = offset;
    auto transfer = std::make_unique<CurlTransfer>(connection_);
    transfer->set_remote_path(path_, false);
    curl_easy_setopt(transfer->handle(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(transfer->handle(), CURLOPT_READFUNCTION, &FtpOutputStream::on_read);
    curl_easy_setopt(transfer->handle(), CURLOPT_READDATA, this);
    curl_easy_setopt(transfer->handle(), CURLOPT_SEEKFUNCTION, &FtpOutputStream::on_seek);
    curl_easy_setopt(transfer->handle(), CURLOPT_SEEKDATA, this);
    // A resumed upload appends at `offset`; libcurl moves our input there
    // through on_seek.
    if (offset > 0) curl_easy_setopt(transfer->handle(), CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(offset));
    transfer_ = std::move(transfer);
    transfer_->start();
}

void FtpOutputStream::open_at_server_size(bool first) {
    transfer_.reset();
    connection_.require_connected(ftp_message::transfer_failed);
    if (first) {
        start_upload(0);
        return;
    }
    // Go on from what the server stored, which may be less than what was sent.
    std::int64_t stored = 0;
    try {
        stored = std::max<std::int64_t>(connection_.file_size(path_), 0);
    } catch (const FtpException& failure) {
        if (is_retryable_ftp_error(failure.error_code())) throw;
        stored = 0;  // the file is not there (yet)
    }
    if (stored < window_.begin() || stored > window_.end()) throw ftp_failure(ftp_message::transfer_failed, ftp_error::ftp_dropped);
    start_upload(stored);
}

std::size_t FtpOutputStream::on_read(char* buffer, std::size_t size, std::size_t count, void* self) {
    auto* stream = static_cast<FtpOutputStream*>(self);
    const std::int64_t available = stream->pending();
    if (available == 0) {
        if (stream->finishing_) return 0;
        stream->paused_ = true;
        return CURL_READFUNC_PAUSE;
    }
    const auto length = static_cast<std::size_t>(std::min<std::int64_t>(available, static_cast<std::int64_t>(size * count)));
    stream->window_.copy(stream->sent_, reinterpret_cast<std::uint8_t*>(buffer), length);
    stream->sent_ += static_cast<std::int64_t>(length);
    return length;
}

int FtpOutputStream::on_seek(void* self, curl_off_t offset, int origin) {
    auto* stream = static_cast<FtpOutputStream*>(self);
    if (origin != SEEK_SET || offset < stream->window_.begin() || offset > stream->window_.end())
        return CURL_SEEKFUNC_FAIL;
    stream->sent_ = offset;
    return CURL_SEEKFUNC_OK;
}

template <typename Done>
void FtpOutputStream::pump_until(Done done) {
    for (;;) {
        if (transfer_->done()) {
            transfer_->check(ftp_message::transfer_failed);
            // The server ended the upload before it had everything.
            if (!finishing_ || pending() > 0) throw ftp_failure(ftp_message::transfer_failed, ftp_error::ftp_dropped);
            return;
        }
        if (done()) return;
        if (paused_ && (pending() > 0 || finishing_)) {
            paused_ = false;
            transfer_->resume();
            continue;
        }
        transfer_->step(poll_ms);
    }
}

template <typename Done>
void FtpOutputStream::pump_with_retry(Done done) {
    run_with_ftp_retry(policy_, connection_, ftp_message::transfer_failed, [&] {
        try {
            if (!transfer_) open_at_server_size(false);
            pump_until(done);
        } catch (const FtpException&) {
            transfer_.reset();
            throw;
        }
    });
}

void FtpOutputStream::write(const std::uint8_t* bytes, std::uint32_t length) {
    if (bytes == nullptr) throw FtpException(ftp_message::incorrect_parameters, ftp_error::invalid_parameter);
    if (closed_) throw ftp_failure(ftp_message::transfer_failed, ftp_error::invalid_handle);
    std::uint32_t done = 0;
    while (done < length) {
        const std::int64_t room = pending_limit - pending();
        if (room <= 0) {
            pump_with_retry([this] { return pending() < pending_limit; });
            continue;
        }
        const auto part = static_cast<std::uint32_t>(std::min<std::int64_t>(room, length - done));
        window_.append(bytes + done, part);
        done += part;
    }
    // Let the transfer take what came without waiting for it; a failure
    // shows at the next write, flush or close.
    if (transfer_ && !transfer_->done()) {
        if (paused_) {
            paused_ = false;
            transfer_->resume();
        }
        transfer_->step(0);
    }
}

void FtpOutputStream::write(int) { throw ftp_failure(ftp_message::transfer_failed, ftp_error::invalid_parameter); }

std::int64_t FtpOutputStream::seek(std::int64_t offset, bk::SeekOrigin origin) {
    const std::int64_t position = window_.end();
    if ((origin == bk::SeekOrigin::Current && offset == 0) || (origin == bk::SeekOrigin::Begin && offset == position))
        return position;
    throw ftp_failure(ftp_message::transfer_failed, ftp_error::invalid_parameter);
}

void FtpOutputStream::flush() {
    if (closed_) throw ftp_failure(ftp_message::transfer_failed, ftp_error::invalid_handle);
    pump_with_retry([this] { return pending() == 0; });
}

void FtpOutputStream::close() {
    if (closed_) return;
    finishing_ = true;
    pump_with_retry([] { return false; });
    transfer_.reset();
    closed_ = true;
}

}  // namespace brim
