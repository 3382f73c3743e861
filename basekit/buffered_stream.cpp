#include "basekit/buffered_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "basekit/exception.h"

namespace bk {
namespace {

const String closed_text = u"Input stream has closed.";

}  // namespace

BufferedInputStream::BufferedInputStream(InputStream* in, bool delete_wrapped, bool close_wrapped)
    : in_(in), delete_wrapped_(delete_wrapped), close_wrapped_(close_wrapped) {
    if (in_ == nullptr) throw ArgumentException(u"The input stream is NULL.", u"in");
    std::int64_t capacity = default_size;
    const std::int64_t left = in_->available();
    if (left < capacity) capacity = std::max<std::int64_t>(left, 1);
    allocate(static_cast<std::uint32_t>(capacity));
}

BufferedInputStream::BufferedInputStream(InputStream* in, std::uint32_t capacity,
                                         bool delete_wrapped, bool close_wrapped)
    : in_(in), delete_wrapped_(delete_wrapped), close_wrapped_(close_wrapped) {
    if (in_ == nullptr) throw ArgumentException(u"The input stream is NULL.", u"in");
    if (capacity == 0) throw ArgumentException(u"The initial size is 0.", u"init_size");
    allocate(capacity);
}

BufferedInputStream::~BufferedInputStream() {
    try {
        close();
    } catch (const Exception&) {
    }
}

void BufferedInputStream::allocate(std::uint32_t capacity) {
    buffer_.reset(new (std::nothrow) std::uint8_t[capacity]);
    if (!buffer_) throw OutOfMemoryException();
    capacity_ = capacity;
}

void BufferedInputStream::check_open() const {
    if (in_ == nullptr) throw IOException(closed_text);
}

int BufferedInputStream::fill() {
    index_ = 0;
    count_ = std::max(in_->read(buffer_.get(), static_cast<int>(capacity_)), 0);
    return count_;
}

int BufferedInputStream::read() {
    check_open();
    if (buffered() <= 0 && fill() == 0) return -1;
    return buffer_[index_++];
}

int BufferedInputStream::read(std::uint8_t* buffer, int length) {
    check_open();
    if (length <= 0) return 0;
    int delivered = 0;
    for (;;) {
        const int wanted = length - delivered;
        if (buffered() <= 0) {
            if (static_cast<std::uint32_t>(wanted) >= capacity_) {
                // Large reads bypass the buffer.
                const int got = in_->read(buffer + delivered, wanted);
                if (got < 0) return delivered == 0 ? -1 : delivered;
                if (got == 0) return delivered;
                delivered += got;
            } else if (fill() == 0) {
                return delivered;
            }
        }
        if (buffered() > 0) {
            const int take = std::min(buffered(), length - delivered);
            std::memcpy(buffer + delivered, buffer_.get() + index_, static_cast<std::size_t>(take));
            index_ += take;
            delivered += take;
        }
        if (delivered >= length) return delivered;
        if (buffered() <= 0 && in_->available() <= 0) return delivered;
    }
}

std::int64_t BufferedInputStream::seek(std::int64_t offset, SeekOrigin origin) {
    check_open();
    if (origin == SeekOrigin::Current) {
        const std::int64_t target = index_ + offset;
        if (target >= 0 && target <= count_) {
            index_ = static_cast<int>(target);
            return offset;
        }
        const int unread = buffered();
        index_ = count_ = 0;
        return in_->seek(offset - unread, SeekOrigin::Current) + unread;
    }
    if (origin == SeekOrigin::Begin || origin == SeekOrigin::End) {
        index_ = count_ = 0;
        return in_->seek(offset, origin);
    }
    return 0;
}

std::int64_t BufferedInputStream::available() {
    check_open();
    return buffered() + in_->available();
}

void BufferedInputStream::close() {
    if (in_ == nullptr) return;
    InputStream* in = in_;
    in_ = nullptr;
    buffer_.reset();
    index_ = count_ = 0;
    if (close_wrapped_) {
        in->close();
        if (delete_wrapped_) delete in;
    }
}

BufferedOutputStream::BufferedOutputStream(OutputStream* out, bool delete_wrapped,
                                           bool close_wrapped)
    : out_(out), delete_wrapped_(delete_wrapped), close_wrapped_(close_wrapped) {
    if (out_ == nullptr) throw ArgumentException(u"The output stream is NULL.");
}

BufferedOutputStream::BufferedOutputStream(OutputStream* out, std::uint32_t initial_capacity,
                                           bool delete_wrapped, bool close_wrapped)
    : BufferedOutputStream(out, delete_wrapped, close_wrapped) {
    if (initial_capacity == 0) throw ArgumentException(u"The initial size is 0.", u"init_size");
    try {
        buffer_.reserve(initial_capacity);
    } catch (const std::bad_alloc&) {
        throw OutOfMemoryException(u"Out of memory");
    }
    has_buffer_ = true;
}

BufferedOutputStream::~BufferedOutputStream() {
    try {
        close();
    } catch (const Exception&) {
    }
}

void BufferedOutputStream::check_open() const {
    if (out_ == nullptr) throw IOException(closed_text);
}

void BufferedOutputStream::write(const std::uint8_t* bytes, std::uint32_t length) {
    check_open();
    if (length == 0) return;
    try {
        const std::size_t needed = buffer_.size() + length;
        if (needed > buffer_.capacity()) buffer_.reserve(has_buffer_ ? needed * 2 : needed);
        buffer_.insert(buffer_.end(), bytes, bytes + length);
    } catch (const std::bad_alloc&) {
        throw OutOfMemoryException(u"Out of memory");
    }
    has_buffer_ = true;
}

void BufferedOutputStream::pass_on() {
    if (buffer_.empty()) return;
    // The buffer is emptied only once the wrapped stream took every byte, so a
    // failed write can be retried or reported without losing data silently.
    out_->write(buffer_.data(), static_cast<std::uint32_t>(buffer_.size()));
    buffer_.clear();
}

void BufferedOutputStream::flush() {
    check_open();
    pass_on();
    out_->flush();
}

std::int64_t BufferedOutputStream::seek(std::int64_t offset, SeekOrigin origin) {
    flush();
    return out_->seek(offset, origin);
}

const std::uint8_t* BufferedOutputStream::buffer() const {
    return has_buffer_ ? buffer_.data() : nullptr;
}

void BufferedOutputStream::close() {
    if (out_ == nullptr) return;
    OutputStream* out = out_;
    try {
        flush();
    } catch (...) {
        out_ = nullptr;
        if (close_wrapped_) {
            try { out->close(); } catch (...) {}
            if (delete_wrapped_) delete out;
        }
        throw;
    }
    out_ = nullptr;
    buffer_ = {};
    has_buffer_ = false;
    if (close_wrapped_) {
        out->close();
        if (delete_wrapped_) delete out;
    }
}

}  // namespace bk
