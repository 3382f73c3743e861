#pragma once
// The byte coding of an archive set, in the current format (ArchiveFormatV2)
// and the older one (ArchiveFormatV1). Each structure's write and read sit
// side by side so they cannot drift apart. Every write returns the number of
// bytes it wrote; reads throw bk::EOFException when the data ends and
// bk::FormatException when a value cannot belong to a set.
#include <cstdint>
#include <memory>

#include "basekit/data_stream.h"
#include "core/archive/archive_records.h"

namespace brim::archive {

class ArchiveFormat {
public:
    virtual ~ArchiveFormat() = default;

    // The format that reads files of this version: null when none does.
    static std::unique_ptr<ArchiveFormat> for_version(std::uint32_t version);

    // The version written into file headers.
    virtual std::uint32_t version() const = 0;
    // Strings are UTF-16 (true) or bytes of the ANSI code page (false); this
    // also chooses how password bytes are formed.
    virtual bool is_unicode() const = 0;
    virtual bk::String read_string(bk::DataInputStream& in) const = 0;
    virtual std::uint32_t write_string(bk::DataOutputStream& out, bk::StringView text) const = 0;
    virtual std::uint32_t string_size(bk::StringView text) const = 0;
    virtual void skip_string(bk::DataInputStream& in) const = 0;
    // A string body whose u16 count was already read.
    virtual bk::String read_string_body(bk::DataInputStream& in, std::uint16_t count) const = 0;

    std::uint32_t write_file_header(bk::DataOutputStream& out, std::uint32_t span) const;
    static FileHeader read_file_header(bk::DataInputStream& in);

    // The security header from its size field on; the size is computed, not patched later.
    std::uint32_t write_security_header(bk::DataOutputStream& out, const SecurityHeader& header) const;
    SecurityHeader read_security_header(bk::DataInputStream& in) const;

    std::uint32_t write_run_header(bk::DataOutputStream& out, const RunHeader& header) const;
    RunHeader read_run_header(bk::DataInputStream& in, bool has_copy_root) const;
    // Bytes of the run header after its size field.
    std::uint32_t run_header_rest_size(const RunHeader& header) const;

    std::uint32_t write_record(bk::DataOutputStream& out, const DirectoryRecord& record) const;
    std::uint32_t write_record(bk::DataOutputStream& out, const FileRecord& record) const;
    std::uint32_t write_record(bk::DataOutputStream& out, const FtpDirectoryRecord& record) const;
    std::uint32_t write_record(bk::DataOutputStream& out, const FtpFileRecord& record) const;
    // Record readers take the stream after the tag byte.
    DirectoryRecord read_directory_record(bk::DataInputStream& in) const;
    FileRecord read_file_record(bk::DataInputStream& in) const;
    FtpDirectoryRecord read_ftp_directory_record(bk::DataInputStream& in) const;
    FtpFileRecord read_ftp_file_record(bk::DataInputStream& in) const;

    std::uint32_t write_volume_link(bk::DataOutputStream& out, const VolumeLink& link) const;
    VolumeLink read_volume_link(bk::DataInputStream& in) const;

    // The end of a file of the set: the next volume's name, or 8 zero bytes.
    std::uint32_t write_trailer(bk::DataOutputStream& out, bk::StringView next_volume) const;
    // The next volume's name, or empty at the end of the chain.
    bk::String read_trailer(bk::DataInputStream& in) const;

protected:
    // The older format has no FTP entries and fills the room of the newer
    // fields with 0xFF.
    virtual bool has_ftp_entries() const = 0;

private:
    std::uint32_t write_ftp_entries(bk::DataOutputStream& out, const std::vector<FtpConnectInfo>& entries) const;
    std::vector<FtpConnectInfo> read_ftp_entries(bk::DataInputStream& in) const;
    std::uint32_t security_body_size(const SecurityHeader& header) const;
    std::uint32_t write_record_tail(bk::DataOutputStream& out, std::uint8_t data_flag, bool has_flag,
                                    std::uint32_t posix_mode) const;
    void read_record_tail(bk::DataInputStream& in, std::uint8_t* data_flag, std::uint32_t& posix_mode) const;
};

class ArchiveFormatV2 final : public ArchiveFormat {
public:
    std::uint32_t version() const override { return format_version_2; }
    bool is_unicode() const override { return true; }
    bk::String read_string(bk::DataInputStream& in) const override;
    std::uint32_t write_string(bk::DataOutputStream& out, bk::StringView text) const override;
    std::uint32_t string_size(bk::StringView text) const override;
    void skip_string(bk::DataInputStream& in) const override;
    bk::String read_string_body(bk::DataInputStream& in, std::uint16_t count) const override;

protected:
    bool has_ftp_entries() const override { return true; }
};

// Sets written by older programs: strings are a u16 byte count and bytes of
// the ANSI code page (at most 520), and 0xFF fillers stand where the current
// format has FTP data and POSIX modes.
class ArchiveFormatV1 final : public ArchiveFormat {
public:
    explicit ArchiveFormatV1(std::uint32_t version) : version_(version) {}
    std::uint32_t version() const override { return version_; }
    bool is_unicode() const override { return false; }
    bk::String read_string(bk::DataInputStream& in) const override;
    std::uint32_t write_string(bk::DataOutputStream& out, bk::StringView text) const override;
    std::uint32_t string_size(bk::StringView text) const override;
    void skip_string(bk::DataInputStream& in) const override;
    bk::String read_string_body(bk::DataInputStream& in, std::uint16_t count) const override;

protected:
    bool has_ftp_entries() const override { return false; }

private:
    std::uint32_t version_;
};

}  // namespace brim::archive
