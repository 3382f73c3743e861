#include "basekit/data_stream.h"

#include <vector>

#include "basekit/convertion.h"
#include "basekit/exception.h"

namespace bk {
namespace {

const String closed_text = u"Input stream has closed.";
constexpr std::uint8_t cr = 13;
constexpr std::uint8_t lf = 10;

}  // namespace

DataInputStream::DataInputStream(InputStream* in, bool owns) : in_(in), owns_(owns) {}

DataInputStream::~DataInputStream() {
    try {
        close();
    } catch (const Exception&) {
    }
}

void DataInputStream::check_open() const {
    if (in_ == nullptr) throw IOException(closed_text);
}

void DataInputStream::close() {
    if (in_ == nullptr) return;
    InputStream* in = in_;
    in_ = nullptr;
    held_ = -1;
    in->close();
    if (owns_) delete in;
}

int DataInputStream::read() {
    check_open();
    if (held_ >= 0) {
        const int byte = held_;
        held_ = -1;
        return byte;
    }
    return in_->read();
}

int DataInputStream::read(std::uint8_t* buffer, int length) {
    check_open();
    if (held_ < 0 || length <= 0) return in_->read(buffer, length);
    buffer[0] = static_cast<std::uint8_t>(held_);
    held_ = -1;
    if (length == 1) return 1;
    const int more = in_->read(buffer + 1, length - 1);
    return 1 + (more > 0 ? more : 0);
}

std::int64_t DataInputStream::seek(std::int64_t offset, SeekOrigin origin) {
    check_open();
    const bool had_byte = held_ >= 0;
    held_ = -1;
    if (origin == SeekOrigin::Current && had_byte) return in_->seek(offset - 1, origin);
    return in_->seek(offset, origin);
}

std::int64_t DataInputStream::available() {
    check_open();
    return in_->available() + (held_ >= 0 ? 1 : 0);
}

int DataInputStream::peek() {
    check_open();
    if (held_ < 0) held_ = in_->read();
    return held_;
}

std::uint8_t DataInputStream::next_byte() {
    const int byte = read();
    if (byte < 0) throw EOFException();
    return static_cast<std::uint8_t>(byte);
}

bool DataInputStream::read_bool() { return next_byte() != 0; }
std::uint8_t DataInputStream::read_char() { return next_byte(); }
std::uint8_t DataInputStream::read_byte() { return next_byte(); }

std::uint16_t DataInputStream::read_ushort() {
    const std::uint16_t high = next_byte();
    return static_cast<std::uint16_t>((high << 8) | next_byte());
}

std::int16_t DataInputStream::read_short() { return static_cast<std::int16_t>(read_ushort()); }

std::uint32_t DataInputStream::read_uint() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | next_byte();
    return value;
}

std::int32_t DataInputStream::read_int() { return static_cast<std::int32_t>(read_uint()); }

std::uint64_t DataInputStream::read_uint64() {
    const std::uint64_t high = read_uint();
    return (high << 32) | read_uint();
}

std::int64_t DataInputStream::read_int64() { return static_cast<std::int64_t>(read_uint64()); }

std::string DataInputStream::read_ansi_string() {
    const std::uint32_t length = read_uint();
    if (length == 0xFFFFFFFFu) throw EOFException();
    std::string text;
    // Grown as bytes arrive, so a damaged length cannot demand gigabytes.
    for (std::uint32_t i = 0; i < length; ++i) text.push_back(static_cast<char>(next_byte()));
    return text;
}

String DataInputStream::read_uni_string() {
    const std::uint32_t length = read_uint();
    if (length == 0xFFFFFFFFu) throw EOFException();
    String text;
    for (std::uint32_t i = 0; i < length; ++i) text.push_back(static_cast<char16_t>(read_ushort()));
    return text;
}

String DataInputStream::read_line() {
    std::string bytes;
    for (;;) {
        const int byte = read();
        if (byte < 0) throw EOFException();
        if (byte == cr) {
            if (peek() == lf) read();
            break;
        }
        if (byte == lf) break;
        bytes.push_back(static_cast<char>(byte));
    }
    return from_ansi(bytes);
}

int DataInputStream::skip_line(int n) {
    for (int i = 0; i < n; ++i) {
        int byte;
        do byte = read();
        while (byte >= 0 && byte != lf);
    }
    return n;
}

DataOutputStream::DataOutputStream(OutputStream* out, bool owns) : out_(out), owns_(owns) {}

DataOutputStream::~DataOutputStream() {
    try {
        close();
    } catch (const Exception&) {
    }
}

void DataOutputStream::check_open() const {
    if (out_ == nullptr) throw IOException(closed_text);
}

void DataOutputStream::write(const std::uint8_t* bytes, std::uint32_t length) {
    check_open();
    out_->write(bytes, length);
}

void DataOutputStream::write(int byte) {
    check_open();
    out_->write(byte);
}

std::int64_t DataOutputStream::seek(std::int64_t offset, SeekOrigin origin) {
    check_open();
    return out_->seek(offset, origin);
}

void DataOutputStream::flush() {
    check_open();
    out_->flush();
}

const std::uint8_t* DataOutputStream::buffer() const {
    check_open();
    return out_->buffer();
}

void DataOutputStream::close() {
    if (out_ == nullptr) return;
    OutputStream* out = out_;
    out_ = nullptr;
    struct Release {
        OutputStream* out;
        bool owns;
        ~Release() {
            if (owns) delete out;
        }
    } release{out, owns_};
    out->flush();
    out->close();
}

void DataOutputStream::write_bool(bool value) { write(value ? 1 : 0); }
void DataOutputStream::write_char(std::uint8_t value) { write(static_cast<int>(value)); }
void DataOutputStream::write_byte(std::uint8_t value) { write(static_cast<int>(value)); }

void DataOutputStream::write_ushort(std::uint16_t value) {
    write(value >> 8);
    write(value & 0xFF);
}

void DataOutputStream::write_short(std::int16_t value) {
    write_ushort(static_cast<std::uint16_t>(value));
}

void DataOutputStream::write_uint(std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) write(static_cast<int>((value >> shift) & 0xFF));
}

void DataOutputStream::write_int(std::int32_t value) { write_uint(static_cast<std::uint32_t>(value)); }

void DataOutputStream::write_uint64(std::uint64_t value) {
    write_uint(static_cast<std::uint32_t>(value >> 32));
    write_uint(static_cast<std::uint32_t>(value));
}

void DataOutputStream::write_int64(std::int64_t value) {
    write_uint64(static_cast<std::uint64_t>(value));
}

void DataOutputStream::write_string(StringView text) {
    check_open();
    write_uint(static_cast<std::uint32_t>(text.size() * 2));
    if (text.empty()) return;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

void DataOutputStream::write_string(std::string_view bytes) {
    check_open();
    write_uint(static_cast<std::uint32_t>(bytes.size()));
    if (!bytes.empty())
        write(reinterpret_cast<const std::uint8_t*>(bytes.data()),
              static_cast<std::uint32_t>(bytes.size()));
}

void DataOutputStream::write_line(StringView text) {
    check_open();
    const std::string bytes = to_ansi(text);
    if (!text.empty() && bytes.empty()) throw IOException(u"Cannot write file.");
    if (!bytes.empty())
        write(reinterpret_cast<const std::uint8_t*>(bytes.data()),
              static_cast<std::uint32_t>(bytes.size()));
    static constexpr std::uint8_t line_end[] = {cr, lf};
    write(&line_end[0], 1);
    write(&line_end[1], 1);
}

}  // namespace bk
