#include "core/archive/archive_format.h"

#include "basekit/convertion.h"
#include "basekit/exception.h"

namespace brim::archive {
namespace {

using bk::DataInputStream;
using bk::DataOutputStream;

void read_exact(DataInputStream& in, std::uint8_t* buffer, std::size_t size) {
    while (size > 0) {
        const int got = in.read(buffer, static_cast<int>(size));
        if (got <= 0) throw bk::EOFException();
        buffer += got;
        size -= static_cast<std::size_t>(got);
    }
}

void skip_exact(DataInputStream& in, std::size_t size) {
    std::uint8_t scratch[256];
    while (size > 0) {
        const std::size_t step = std::min(size, sizeof scratch);
        read_exact(in, scratch, step);
        size -= step;
    }
}

template <std::size_t N>
std::uint32_t write_bytes(DataOutputStream& out, const std::array<std::uint8_t, N>& bytes) {
    out.write(bytes.data(), N);
    return N;
}

template <std::size_t N>
void read_bytes(DataInputStream& in, std::array<std::uint8_t, N>& bytes) {
    read_exact(in, bytes.data(), N);
}

std::uint32_t write_filler(DataOutputStream& out, std::uint32_t size) {
    const std::vector<std::uint8_t> filler(size, 0xFF);
    out.write(filler.data(), size);
    return size;
}

SourceTag checked_source_tag(std::uint8_t tag) {
    if (tag < static_cast<std::uint8_t>(SourceTag::directory) || tag > static_cast<std::uint8_t>(SourceTag::ftp_server))
        throw bk::FormatException(u"Unknown source tag in the security header");
    return static_cast<SourceTag>(tag);
}

}  // namespace

std::unique_ptr<ArchiveFormat> ArchiveFormat::for_version(std::uint32_t version) {
    if (version == format_version_2) return std::make_unique<ArchiveFormatV2>();
    return std::make_unique<ArchiveFormatV1>(version);
}

std::uint32_t ArchiveFormat::write_file_header(DataOutputStream& out, std::uint32_t span) const {
    out.write_uint(magic);
    out.write_uint(version());
    out.write_uint(span);
    return file_header_size;
}

FileHeader ArchiveFormat::read_file_header(DataInputStream& in) {
    FileHeader header;
    header.magic = in.read_uint();
    header.version = in.read_uint();
    header.span = in.read_uint();
    return header;
}

// ---- FTP entries, shared by the security header and the run header ----

std::uint32_t ArchiveFormat::write_ftp_entries(DataOutputStream& out, const std::vector<FtpConnectInfo>& entries) const {
    std::uint32_t written = 4;
    out.write_uint(static_cast<std::uint32_t>(entries.size()));
    for (const auto& e : entries) {
        written += write_string(out, e.server);
        written += write_string(out, e.user);
        written += write_string(out, e.password);
        out.write_ushort(e.port);
        out.write_bool(e.passive);
        written += 3;
    }
    out.write_uint(0);
    return written + 4;
}

std::vector<FtpConnectInfo> ArchiveFormat::read_ftp_entries(DataInputStream& in) const {
    const std::uint32_t count = in.read_uint();
    std::vector<FtpConnectInfo> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        FtpConnectInfo e;
        e.server = read_string(in);
        e.user = read_string(in);
        e.password = read_string(in);
        e.port = in.read_ushort();
        e.passive = in.read_bool();
        entries.push_back(std::move(e));
    }
    in.read_uint();
    return entries;
}

// ---- security header ----

std::uint32_t ArchiveFormat::security_body_size(const SecurityHeader& h) const {
    std::uint32_t size = 4 + 8 + 2 + 2 + salt_size + iv_size + key_size + string_size(h.job_name) + 4;
    for (const auto& s : h.sources) size += 2 + string_size(s.path);
    size += 4 + verifier_size + key_size;
    if (!has_ftp_entries()) return size + v1_security_filler;
    size += 4 + 4;
    for (const auto& e : h.ftp_servers)
        size += string_size(e.server) + string_size(e.user) + string_size(e.password) + 3;
    return size;
}

std::uint32_t ArchiveFormat::write_security_header(DataOutputStream& out, const SecurityHeader& h) const {
    const std::uint32_t body = security_body_size(h);
    out.write_uint(body);
    out.write_uint(h.run_count);
    out.write_int64(h.creation_time);
    out.write_ushort(h.backup_kind);
    out.write_ushort(static_cast<std::uint16_t>(h.security_kind));
    write_bytes(out, h.salt);
    write_bytes(out, h.iv);
    write_bytes(out, h.data_key);
    write_string(out, h.job_name);
    out.write_uint(static_cast<std::uint32_t>(h.sources.size()));
    for (const auto& s : h.sources) {
        out.write_byte(static_cast<std::uint8_t>(s.tag));
        out.write_bool(s.recursive);
        write_string(out, s.path);
    }
    out.write_uint(h.time_value);
    write_bytes(out, h.verifier);
    write_bytes(out, h.job_wrapped_key);
    if (has_ftp_entries()) write_ftp_entries(out, h.ftp_servers);
    else write_filler(out, v1_security_filler);
    return body + 4;
}

SecurityHeader ArchiveFormat::read_security_header(DataInputStream& in) const {
    SecurityHeader h;
    in.read_uint();  // size: the fields below say where the header ends
    h.run_count = in.read_uint();
    h.creation_time = in.read_int64();
    h.backup_kind = in.read_ushort();
    const std::uint16_t kind = in.read_ushort();
    if (kind > static_cast<std::uint16_t>(SecurityKind::password_removed))
        throw bk::FormatException(u"Unknown security kind");
    h.security_kind = static_cast<SecurityKind>(kind);
    read_bytes(in, h.salt);
    read_bytes(in, h.iv);
    read_bytes(in, h.data_key);
    h.job_name = read_string(in);
    const std::uint32_t sources = in.read_uint();
    for (std::uint32_t i = 0; i < sources; ++i) {
        SourceEntry s;
        s.tag = checked_source_tag(in.read_byte());
        s.recursive = in.read_bool();
        s.path = read_string(in);
        h.sources.push_back(std::move(s));
    }
    h.time_value = in.read_uint();
    read_bytes(in, h.verifier);
    read_bytes(in, h.job_wrapped_key);
    if (has_ftp_entries()) h.ftp_servers = read_ftp_entries(in);
    else skip_exact(in, v1_security_filler);
    return h;
}

// ---- run header ----

std::uint32_t ArchiveFormat::run_header_rest_size(const RunHeader& h) const {
    std::uint32_t size = 8 + 2 + 2 + 4 + 4 + 8 + 8;
    if (h.has_copy_root) size += string_size(h.copy_root);
    if (has_ftp_entries()) {
        size += 4 + 4;
        for (const auto& e : h.ftp_servers)
            size += string_size(e.server) + string_size(e.user) + string_size(e.password) + 3;
    } else if (!h.has_copy_root) {
        size += v1_run_header_filler;
    }
    return size;
}

std::uint32_t ArchiveFormat::write_run_header(DataOutputStream& out, const RunHeader& h) const {
    out.write_uint(h.size);
    out.write_int64(h.backup_time);
    out.write_ushort(h.compression);
    out.write_ushort(static_cast<std::uint16_t>(h.cipher));
    out.write_uint(h.directory_count);
    out.write_uint(h.file_count);
    out.write_uint64(h.total_size);
    out.write_uint64(h.data_length);
    if (h.has_copy_root) write_string(out, h.copy_root);
    if (has_ftp_entries()) write_ftp_entries(out, h.ftp_servers);
    else if (!h.has_copy_root) write_filler(out, v1_run_header_filler);
    return 4 + run_header_rest_size(h);
}

RunHeader ArchiveFormat::read_run_header(DataInputStream& in, bool has_copy_root) const {
    RunHeader h;
    h.size = in.read_uint();
    h.backup_time = in.read_int64();
    h.compression = in.read_ushort();
    const std::uint16_t cipher = in.read_ushort();
    if (cipher > static_cast<std::uint16_t>(CipherId::rijndael)) throw bk::FormatException(u"Unknown cipher");
    h.cipher = static_cast<CipherId>(cipher);
    h.directory_count = in.read_uint();
    h.file_count = in.read_uint();
    h.total_size = in.read_uint64();
    h.data_length = in.read_uint64();
    h.has_copy_root = has_copy_root;
    if (has_copy_root) h.copy_root = read_string(in);
    if (has_ftp_entries()) h.ftp_servers = read_ftp_entries(in);
    else if (!has_copy_root) skip_exact(in, v1_run_header_filler);
    return h;
}

// ---- catalogue records ----

std::uint32_t ArchiveFormat::write_record_tail(DataOutputStream& out, std::uint8_t data_flag, bool has_flag,
                                               std::uint32_t posix_mode) const {
    if (!has_ftp_entries()) {
        std::vector<std::uint8_t> filler(v1_record_filler, 0xFF);
        if (has_flag) filler[0] = data_flag;
        out.write(filler.data(), v1_record_filler);
        return v1_record_filler;
    }
    if (has_flag) out.write_byte(data_flag);
    out.write_uint(posix_mode);
    return (has_flag ? 1 : 0) + 4;
}

void ArchiveFormat::read_record_tail(DataInputStream& in, std::uint8_t* data_flag, std::uint32_t& posix_mode) const {
    if (!has_ftp_entries()) {
        std::uint8_t filler[v1_record_filler];
        read_exact(in, filler, v1_record_filler);
        if (data_flag != nullptr) *data_flag = filler[0];
        posix_mode = 0;
        return;
    }
    if (data_flag != nullptr) *data_flag = in.read_byte();
    posix_mode = in.read_uint();
}

std::uint32_t ArchiveFormat::write_record(DataOutputStream& out, const DirectoryRecord& r) const {
    out.write_byte(static_cast<std::uint8_t>(RecordTag::directory));
    std::uint32_t written = 1 + write_string(out, r.name);
    out.write_uint(r.subtree_directories);
    out.write_uint(r.subtree_files);
    out.write_int64(r.modified);
    out.write_uint(r.attributes);
    out.write_int64(r.created);
    out.write_int64(r.accessed);
    written += 4 + 4 + 8 + 4 + 8 + 8;
    return written + write_record_tail(out, 0, false, r.posix_mode);
}

DirectoryRecord ArchiveFormat::read_directory_record(DataInputStream& in) const {
    DirectoryRecord r;
    r.name = read_string(in);
    r.subtree_directories = in.read_uint();
    r.subtree_files = in.read_uint();
    r.modified = in.read_int64();
    r.attributes = in.read_uint();
    r.created = in.read_int64();
    r.accessed = in.read_int64();
    read_record_tail(in, nullptr, r.posix_mode);
    return r;
}

std::uint32_t ArchiveFormat::write_record(DataOutputStream& out, const FileRecord& r) const {
    out.write_byte(static_cast<std::uint8_t>(RecordTag::file));
    std::uint32_t written = 1 + write_string(out, r.name);
    out.write_int64(r.stored_size);
    out.write_int64(r.modified);
    out.write_uint(r.attributes);
    out.write_int64(r.created);
    out.write_int64(r.accessed);
    written += 8 + 8 + 4 + 8 + 8;
    return written + write_record_tail(out, r.data_flag, true, r.posix_mode);
}

FileRecord ArchiveFormat::read_file_record(DataInputStream& in) const {
    FileRecord r;
    r.name = read_string(in);
    r.stored_size = in.read_int64();
    r.modified = in.read_int64();
    r.attributes = in.read_uint();
    r.created = in.read_int64();
    r.accessed = in.read_int64();
    read_record_tail(in, &r.data_flag, r.posix_mode);
    return r;
}

std::uint32_t ArchiveFormat::write_record(DataOutputStream& out, const FtpDirectoryRecord& r) const {
    if (!has_ftp_entries()) return 0;
    out.write_byte(static_cast<std::uint8_t>(RecordTag::ftp_directory));
    const std::uint32_t written = 1 + write_string(out, r.name);
    out.write_uint(r.subtree_directories);
    out.write_uint(r.subtree_files);
    out.write_int64(r.modified);
    out.write_uint(0);
    return written + 4 + 4 + 8 + 4;
}

FtpDirectoryRecord ArchiveFormat::read_ftp_directory_record(DataInputStream& in) const {
    if (!has_ftp_entries()) throw bk::FormatException(u"FTP records do not exist in this format");
    FtpDirectoryRecord r;
    r.name = read_string(in);
    r.subtree_directories = in.read_uint();
    r.subtree_files = in.read_uint();
    r.modified = in.read_int64();
    in.read_uint();
    return r;
}

std::uint32_t ArchiveFormat::write_record(DataOutputStream& out, const FtpFileRecord& r) const {
    if (!has_ftp_entries()) return 0;
    out.write_byte(static_cast<std::uint8_t>(RecordTag::ftp_file));
    const std::uint32_t written = 1 + write_string(out, r.name);
    out.write_int64(r.stored_size);
    out.write_int64(r.modified);
    out.write_byte(r.data_flag);
    out.write_uint(0);
    return written + 8 + 8 + 1 + 4;
}

FtpFileRecord ArchiveFormat::read_ftp_file_record(DataInputStream& in) const {
    if (!has_ftp_entries()) throw bk::FormatException(u"FTP records do not exist in this format");
    FtpFileRecord r;
    r.name = read_string(in);
    r.stored_size = in.read_int64();
    r.modified = in.read_int64();
    r.data_flag = in.read_byte();
    in.read_uint();
    return r;
}

// ---- volume link and trailer ----

std::uint32_t ArchiveFormat::write_volume_link(DataOutputStream& out, const VolumeLink& link) const {
    const std::uint32_t size = 4 + 2 + 8 + string_size(link.main_name) + string_size(link.own_name) +
                               (has_ftp_entries() ? 4 : 0);
    out.write_uint(size);
    out.write_uint(link.run_count);
    out.write_ushort(static_cast<std::uint16_t>(link.role));
    out.write_uint64(link.start);
    write_string(out, link.main_name);
    write_string(out, link.own_name);
    if (has_ftp_entries()) out.write_uint(0);
    return size + 4;
}

VolumeLink ArchiveFormat::read_volume_link(DataInputStream& in) const {
    VolumeLink link;
    in.read_uint();
    link.run_count = in.read_uint();
    const std::uint16_t role = in.read_ushort();
    if (role != static_cast<std::uint16_t>(VolumeRole::new_run) && role != static_cast<std::uint16_t>(VolumeRole::continuation))
        throw bk::FormatException(u"Unknown volume role");
    link.role = static_cast<VolumeRole>(role);
    link.start = in.read_uint64();
    link.main_name = read_string(in);
    link.own_name = read_string(in);
    if (has_ftp_entries()) in.read_uint();
    return link;
}

std::uint32_t ArchiveFormat::write_trailer(DataOutputStream& out, bk::StringView next_volume) const {
    if (!next_volume.empty()) return write_string(out, next_volume);
    static constexpr std::uint8_t zeros[trailer_size] = {};
    out.write(zeros, trailer_size);
    return trailer_size;
}

bk::String ArchiveFormat::read_trailer(DataInputStream& in) const {
    const std::uint16_t count = in.read_ushort();
    if (count != 0) return read_string_body(in, count);
    skip_exact(in, trailer_size - 2);
    return {};
}

// ---- strings ----

bk::String ArchiveFormatV2::read_string(DataInputStream& in) const { return read_string_body(in, in.read_ushort()); }

bk::String ArchiveFormatV2::read_string_body(DataInputStream& in, std::uint16_t count) const {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * 2);
    read_exact(in, bytes.data(), bytes.size());
    bk::String text(count, u'\0');
    for (std::size_t i = 0; i < count; ++i)
        text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return text;
}

std::uint32_t ArchiveFormatV2::write_string(DataOutputStream& out, bk::StringView text) const {
    if (text.size() > 0xFFFF) throw bk::ArgumentException(u"The string is too long for the backup set.", u"text");
    out.write_ushort(static_cast<std::uint16_t>(text.size()));
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    if (!bytes.empty()) out.write(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return string_size(text);
}

std::uint32_t ArchiveFormatV2::string_size(bk::StringView text) const {
    return 2 + 2 * static_cast<std::uint32_t>(text.size());
}

void ArchiveFormatV2::skip_string(DataInputStream& in) const { skip_exact(in, 2u * in.read_ushort()); }

bk::String ArchiveFormatV1::read_string(DataInputStream& in) const { return read_string_body(in, in.read_ushort()); }

bk::String ArchiveFormatV1::read_string_body(DataInputStream& in, std::uint16_t count) const {
    if (count > v1_string_max_bytes) throw bk::FormatException(u"A string of the backup set is too long");
    std::string bytes(count, '\0');
    read_exact(in, reinterpret_cast<std::uint8_t*>(bytes.data()), count);
    return bk::from_ansi(bytes);
}

std::uint32_t ArchiveFormatV1::write_string(DataOutputStream& out, bk::StringView text) const {
    const std::string bytes = bk::to_ansi(text);
    if (bytes.size() > v1_string_max_bytes)
        throw bk::ArgumentException(u"The string is too long for the backup set.", u"text");
    out.write_ushort(static_cast<std::uint16_t>(bytes.size()));
    if (!bytes.empty())
        out.write(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()));
    return 2 + static_cast<std::uint32_t>(bytes.size());
}

std::uint32_t ArchiveFormatV1::string_size(bk::StringView text) const {
    return 2 + static_cast<std::uint32_t>(bk::to_ansi(text).size());
}

void ArchiveFormatV1::skip_string(DataInputStream& in) const {
    const std::uint16_t count = in.read_ushort();
    if (count > v1_string_max_bytes) throw bk::FormatException(u"A string of the backup set is too long");
    skip_exact(in, count);
}

}  // namespace brim::archive
