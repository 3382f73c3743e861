#include "core/media/ftp_input_stream.h"

#include <algorithm>
#include <cstring>

#include "core/media/curl_transfer.h"
#include "core/media/ftp_connection.h"
#include "core/media/ftp_error.h"
#include "core/media/ftp_exception.h"
#include "core/media/ftp_messages.h"
#include "core/media/ftp_retry.h"

namespace brim {
namespace {

// Data from the server waits here for the reader; beyond this the transfer
// pauses, so a file of any size never sits in memory.
constexpr std::size_t buffer_limit = 256 * 1024;
constexpr int poll_ms = 100;

}  // namespace

FtpInputStream::FtpInputStream(FtpConnection& connection, bk::StringView name, FtpRetryPolicy* policy)
    : connection_(connection), path_(connection.absolute_path(name)), policy_(policy) {
    run_with_ftp_retry(policy_, connection_, ftp_message::transfer_failed, [this] { open_at_position(); });
}

FtpInputStream::~FtpInputStream() { drop_transfer(); }

void FtpInputStream::drop_transfer() {
    transfer_.reset();
    buffer_.clear();
    buffer_start_ = 0;
    paused_ = false;
}

void FtpInputStream::open_at_position() {
    drop_transfer();
    connection_.require_connected(ftp_message::transfer_failed);
    size_ = connection_.file_size(path_);
    at_end_ = size_ >= 0 && position_ >= size_;
    if (at_end_) return;
    auto transfer = std::make_unique<CurlTransfer>(connection_);
    transfer->set_remote_path(path_, false);
    curl_easy_setopt(transfer->handle(), CURLOPT_WRITEFUNCTION, &FtpInputStream::on_data);
    curl_easy_setopt(transfer->handle(), CURLOPT_WRITEDATA, this);
    curl_easy_setopt(transfer->handle(), CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(position_));
    transfer_ = std::move(transfer);
    transfer_->start();
    // The server's answer to the request shows whether the file can be read.
    while (buffered() == 0 && !transfer_->done()) transfer_->step(poll_ms);
    if (transfer_->done()) transfer_->check(ftp_message::transfer_failed);
}

std::size_t FtpInputStream::on_data(char* data, std::size_t size, std::size_t count, void* self) {
    auto* stream = static_cast<FtpInputStream*>(self);
    const std::size_t length = size * count;
    if (stream->buffered() > 0 && stream->buffered() + length > buffer_limit) {
        stream->paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (stream->buffer_start_ > 0) {
        stream->buffer_.erase(stream->buffer_.begin(),
                              stream->buffer_.begin() + static_cast<std::ptrdiff_t>(stream->buffer_start_));
        stream->buffer_start_ = 0;
    }
    stream->buffer_.insert(stream->buffer_.end(), data, data + length);
    return length;
}

int FtpInputStream::read_from_transfer(std::uint8_t* buffer, int length) {
    for (;;) {
        if (buffered() > 0) {
            const std::size_t count = std::min(buffered(), static_cast<std::size_t>(length));
            std::memcpy(buffer, buffer_.data() + buffer_start_, count);
            buffer_start_ += count;
            position_ += static_cast<std::int64_t>(count);
            return static_cast<int>(count);
        }
        if (at_end_ || !transfer_) return -1;
        if (transfer_->done()) {
            transfer_->check(ftp_message::transfer_failed);
            // A data connection that closed early without an error still
            // lost the rest of the file.
            if (size_ >= 0 && position_ < size_) throw ftp_failure(ftp_message::transfer_failed, ftp_error::ftp_dropped);
            at_end_ = true;
            transfer_.reset();
            return -1;
        }
        if (paused_) {
            paused_ = false;
            transfer_->resume();
            continue;
        }
        transfer_->step(poll_ms);
    }
}

int FtpInputStream::read(std::uint8_t* buffer, int length) {
    if (closed_) throw ftp_failure(ftp_message::transfer_failed, ftp_error::invalid_handle);
    if (buffer == nullptr || length < 0) throw FtpException(ftp_message::incorrect_parameters, ftp_error::invalid_parameter);
    if (length == 0) return 0;
    return run_with_ftp_retry(policy_, connection_, ftp_message::transfer_failed, [&] {
        try {
            if (!transfer_ && !at_end_) open_at_position();
            return read_from_transfer(buffer, length);
        } catch (const FtpException&) {
            drop_transfer();
            throw;
        }
    });
}

std::int64_t FtpInputStream::seek(std::int64_t offset, bk::SeekOrigin origin) {
    if (closed_) throw ftp_failure(ftp_message::transfer_failed, ftp_error::invalid_handle);
    std::int64_t target = 0;
    switch (origin) {
    case bk::SeekOrigin::Begin:
        target = offset;
        break;
    case bk::SeekOrigin::Current:
        target = position_ + offset;
        break;
    case bk::SeekOrigin::End:
        if (size_ < 0) throw ftp_failure(ftp_message::transfer_failed, ftp_error::invalid_parameter);
        target = size_ + offset;
        break;
    default:
        throw ftp_failure(ftp_message::transfer_failed, ftp_error::invalid_parameter);
    }
    if (target < 0) throw ftp_failure(ftp_message::transfer_failed, ftp_error::invalid_parameter);
    const std::int64_t moved = target - position_;
    if (moved == 0) return 0;
    drop_transfer();
    position_ = target;
    at_end_ = false;
    run_with_ftp_retry(policy_, connection_, ftp_message::transfer_failed, [this] { open_at_position(); });
    return moved;
}

std::int64_t FtpInputStream::available() { return size_ > position_ ? size_ - position_ : 0; }

void FtpInputStream::close() {
    drop_transfer();
    closed_ = true;
}

}  // namespace brim
