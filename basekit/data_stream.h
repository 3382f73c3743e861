#pragma once
// Typed encodings over byte streams. Integers are big-endian; a narrow string
// is a 4-byte length and its bytes; a text line is the text in the ANSI code
// page followed by CR LF. The two wide-string encodings differ on purpose:
// write_string(wide) stores a byte count and little-endian units, while
// read_uni_string expects a unit count and big-endian units. A format names
// the one it uses; neither reads the other's output.
#include <cstdint>
#include <string>

#include "basekit/stream.h"
#include "basekit/types.h"

namespace bk {

class DataInput {
public:
    virtual ~DataInput() = default;
    virtual bool read_bool() = 0;
    virtual std::uint8_t read_char() = 0;
    virtual std::uint8_t read_byte() = 0;
    virtual std::int16_t read_short() = 0;
    virtual std::uint16_t read_ushort() = 0;
    virtual std::int32_t read_int() = 0;
    virtual std::uint32_t read_uint() = 0;
    virtual std::int64_t read_int64() = 0;
    virtual std::uint64_t read_uint64() = 0;
    virtual float read_float() = 0;
    virtual double read_double() = 0;
    virtual std::string read_ansi_string() = 0;
    virtual String read_uni_string() = 0;
};

class DataOutput {
public:
    virtual ~DataOutput() = default;
    virtual void write_bool(bool value) = 0;
    virtual void write_char(std::uint8_t value) = 0;
    virtual void write_byte(std::uint8_t value) = 0;
    virtual void write_short(std::int16_t value) = 0;
    virtual void write_ushort(std::uint16_t value) = 0;
    virtual void write_int(std::int32_t value) = 0;
    virtual void write_uint(std::uint32_t value) = 0;
    virtual void write_int64(std::int64_t value) = 0;
    virtual void write_uint64(std::uint64_t value) = 0;
    virtual void write_float(float value) = 0;
    virtual void write_double(double value) = 0;
    virtual void write_string(StringView text) = 0;
    virtual void write_string(std::string_view bytes) = 0;
};

// Every typed read throws EOFException when the data ends inside a value.
class DataInputStream : public InputStream, public DataInput {
public:
    DataInputStream(InputStream* in, bool owns);
    ~DataInputStream() override;
    DataInputStream(const DataInputStream&) = delete;
    DataInputStream& operator=(const DataInputStream&) = delete;

    int read() override;
    int read(std::uint8_t* buffer, int length) override;
    std::int64_t seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t available() override;
    void close() override;

    // The next byte (0..255) without consuming it, or -1 at the end of data.
    int peek();

    bool read_bool() override;
    std::uint8_t read_char() override;
    std::uint8_t read_byte() override;
    std::int16_t read_short() override;
    std::uint16_t read_ushort() override;
    std::int32_t read_int() override;
    std::uint32_t read_uint() override;
    std::int64_t read_int64() override;
    std::uint64_t read_uint64() override;
    // Floating-point values are not stored by any format: they read nothing.
    float read_float() override { return 0; }
    double read_double() override { return 0; }
    std::string read_ansi_string() override;
    String read_uni_string() override;

    // One line ended by CR, LF or CR LF; EOFException when the data ends
    // before the line does (the partial line is dropped).
    String read_line();
    // Skips n lines (each through its LF, or to the end of data); returns n.
    int skip_line(int n);

private:
    void check_open() const;
    std::uint8_t next_byte();

    InputStream* in_;
    bool owns_;
    int held_ = -1;  // the byte peek() held back, or -1
};

class DataOutputStream : public OutputStream, public DataOutput {
public:
    DataOutputStream(OutputStream* out, bool owns);
    ~DataOutputStream() override;
    DataOutputStream(const DataOutputStream&) = delete;
    DataOutputStream& operator=(const DataOutputStream&) = delete;

    using OutputStream::write;
    void write(const std::uint8_t* bytes, std::uint32_t length) override;
    void write(int byte) override;
    std::int64_t seek(std::int64_t offset, SeekOrigin origin) override;
    void flush() override;
    void close() override;
    const std::uint8_t* buffer() const override;

    void write_bool(bool value) override;
    void write_char(std::uint8_t value) override;
    void write_byte(std::uint8_t value) override;
    void write_short(std::int16_t value) override;
    void write_ushort(std::uint16_t value) override;
    void write_int(std::int32_t value) override;
    void write_uint(std::uint32_t value) override;
    void write_int64(std::int64_t value) override;
    void write_uint64(std::uint64_t value) override;
    void write_float(float) override {}
    void write_double(double) override {}
    void write_string(StringView text) override;
    void write_string(std::string_view bytes) override;

    // The text in the ANSI code page, then CR LF.
    void write_line(StringView text);

private:
    void check_open() const;

    OutputStream* out_;
    bool owns_;
};

}  // namespace bk
