#include "core/archive/archive_format.h"

#include <gtest/gtest.h>

#include "basekit/exception.h"
#include "basekit/memory_stream.h"

namespace brim::archive {
namespace {

using Bytes = std::vector<std::uint8_t>;

// "EC 89 6D 1F ..." into bytes; "FFx16" repeats a byte.
Bytes hex(const std::string& text) {
    Bytes bytes;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '|' || text[i] == '\n') {
            ++i;
            continue;
        }
        const auto value = static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16));
        i += 2;
        std::size_t repeat = 1;
        if (i < text.size() && text[i] == 'x') {
            std::size_t used = 0;
            repeat = std::stoul(text.substr(i + 1), &used);
            i += 1 + used;
        }
        bytes.insert(bytes.end(), repeat, value);
    }
    return bytes;
}

template <typename Write>
Bytes written(const ArchiveFormat& format, Write&& write, std::uint32_t* count = nullptr) {
    bk::MemoryOutputStream sink;
    bk::DataOutputStream out(&sink, false);
    const std::uint32_t n = write(format, out);
    if (count != nullptr) *count = n;
    return sink.bytes();
}

struct Reader {
    explicit Reader(Bytes data) : bytes(std::move(data)), memory(bytes), in(&memory, false) {}
    Bytes bytes;
    bk::MemoryInputStream memory;
    bk::DataInputStream in;
};

template <typename Array>
Array sequence(std::uint8_t first) {
    Array a{};
    for (auto& b : a) b = first++;
    return a;
}

SecurityHeader unprotected_header() {
    SecurityHeader h;
    h.run_count = 1;
    h.creation_time = 0x0102030405060708;
    h.backup_kind = 1;
    h.security_kind = SecurityKind::none;
    h.salt.fill(0xFF);
    h.iv.fill(0xFF);
    h.data_key.fill(0xFF);
    h.verifier.fill(0xFF);
    h.job_wrapped_key.fill(0xFF);
    h.job_name = u"J";
    h.sources = {{SourceTag::directory, true, u"/a"}};
    h.time_value = 0x11223344;
    return h;
}

const ArchiveFormatV2 v2;

TEST(ArchiveFormat, FileHeaderBytes) {
    EXPECT_EQ(written(v2, [](auto& f, auto& o) { return f.write_file_header(o, 1); }),
              hex("EC 89 6D 1F 00 02 00 00 00 00 00 01"));
    Reader r(hex("EC 89 6D 1F 00 01 00 07 00 00 00 03"));
    const FileHeader h = ArchiveFormat::read_file_header(r.in);
    EXPECT_EQ(h.magic, magic);
    EXPECT_EQ(h.version, 0x00010007u);
    EXPECT_EQ(h.span, 3u);
}

TEST(ArchiveFormat, SecurityHeaderWithoutSecurity) {
    const SecurityHeader h = unprotected_header();
    std::uint32_t count = 0;
    const Bytes bytes = written(v2, [&](auto& f, auto& o) { return f.write_security_header(o, h); }, &count);
    const Bytes expected = hex(
        "00 00 00 9C | 00 00 00 01 | 01 02 03 04 05 06 07 08 | 00 01 | 00 00 | FFx16 FFx16 FFx32"
        "| 00 01 4A 00 | 00 00 00 01 | 05 01 00 02 2F 00 61 00 | 11 22 33 44 | FFx16 FFx32"
        "| 00 00 00 00 | 00 00 00 00");
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(count, expected.size());
    Reader r(bytes);
    EXPECT_EQ(v2.read_security_header(r.in), h);
}

TEST(ArchiveFormat, SecurityHeaderWithSecurityAndFtpServers) {
    SecurityHeader h = unprotected_header();
    h.security_kind = SecurityKind::rijndael_with_password;
    h.salt = sequence<decltype(h.salt)>(0x00);
    h.iv = sequence<decltype(h.iv)>(0x10);
    h.data_key = sequence<decltype(h.data_key)>(0x20);
    h.verifier = sequence<decltype(h.verifier)>(0x40);
    h.job_wrapped_key = sequence<decltype(h.job_wrapped_key)>(0x50);
    h.ftp_servers = {{u"h", u"u", u"p", 21, true}};
    const Bytes expected = hex(
        "00 00 00 AB | 00 00 00 01 | 01 02 03 04 05 06 07 08 | 00 01 | 00 07"
        "| 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"
        "| 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F"
        "| 20 21 22 23 24 25 26 27 28 29 2A 2B 2C 2D 2E 2F 30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F"
        "| 00 01 4A 00 | 00 00 00 01 | 05 01 00 02 2F 00 61 00 | 11 22 33 44"
        "| 40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F"
        "| 50 51 52 53 54 55 56 57 58 59 5A 5B 5C 5D 5E 5F 60 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F"
        "| 00 00 00 01 | 00 01 68 00 00 01 75 00 00 01 70 00 00 15 01 | 00 00 00 00");
    const Bytes bytes = written(v2, [&](auto& f, auto& o) { return f.write_security_header(o, h); });
    EXPECT_EQ(bytes, expected);
    Reader r(bytes);
    EXPECT_EQ(v2.read_security_header(r.in), h);
}

TEST(ArchiveFormat, RunHeadersOfAnArchiveKindAndACopyKind) {
    RunHeader archive_run;
    archive_run.size = 0x100;
    archive_run.backup_time = 0x0A0B0C0D0E0F1011;
    archive_run.cipher = CipherId::rijndael;
    archive_run.directory_count = 2;
    archive_run.file_count = 3;
    archive_run.total_size = 0x1000;
    archive_run.data_length = 0x2000;
    const Bytes archive_bytes = hex(
        "00 00 01 00 | 0A 0B 0C 0D 0E 0F 10 11 | 00 00 | 00 03 | 00 00 00 02 | 00 00 00 03"
        "| 00 00 00 00 00 00 10 00 | 00 00 00 00 00 00 20 00 | 00 00 00 00 | 00 00 00 00");
    EXPECT_EQ(written(v2, [&](auto& f, auto& o) { return f.write_run_header(o, archive_run); }), archive_bytes);
    EXPECT_EQ(v2.run_header_rest_size(archive_run), archive_bytes.size() - 4);
    // The data length sits 32 bytes into the header, where a repair patches it.
    EXPECT_EQ(archive_bytes[offset_run_data_length + 6], 0x20);

    RunHeader copy_run = archive_run;
    copy_run.cipher = CipherId::none;
    copy_run.data_length = 0;
    copy_run.has_copy_root = true;
    copy_run.copy_root = u"R";
    const Bytes copy_bytes = hex(
        "00 00 01 00 | 0A 0B 0C 0D 0E 0F 10 11 | 00 00 | 00 00 | 00 00 00 02 | 00 00 00 03"
        "| 00 00 00 00 00 00 10 00 | 00x8 | 00 01 52 00 | 00 00 00 00 | 00 00 00 00");
    EXPECT_EQ(written(v2, [&](auto& f, auto& o) { return f.write_run_header(o, copy_run); }), copy_bytes);

    Reader a(archive_bytes), c(copy_bytes);
    EXPECT_EQ(v2.read_run_header(a.in, false), archive_run);
    EXPECT_EQ(v2.read_run_header(c.in, true), copy_run);
}

TEST(ArchiveFormat, OneRecordOfEachKind) {
    const DirectoryRecord dir{u"/d", 1, 2, 0x10, 0x10, 0x20, 0x30, 040755};
    const FileRecord file{u"f", 0x65552, 0x11, 0x20, 0x21, 0x31, data_valid, 0100644};
    const FtpDirectoryRecord ftp_dir{u"d", 3, 4, 0x12};
    const FtpFileRecord ftp_file{u"g", 5, 0x13, data_unusable};
    struct Case {
        Bytes expected;
        std::function<std::uint32_t(bk::DataOutputStream&)> write;
        std::uint32_t fixed;
    };
    const Case cases[] = {
        {hex("05 | 00 02 2F 00 64 00 | 00 00 00 01 | 00 00 00 02 | 00x7 10 | 00 00 00 10 | 00x7 20 | 00x7 30"
             "| 00 00 41 ED"),
         [&](auto& o) { return v2.write_record(o, dir); }, directory_record_fixed},
        {hex("06 | 00 01 66 00 | 00 00 00 00 00 06 55 52 | 00x7 11 | 00 00 00 20 | 00x7 21 | 00x7 31 | FF"
             "| 00 00 81 A4"),
         [&](auto& o) { return v2.write_record(o, file); }, file_record_fixed},
        {hex("07 | 00 01 64 00 | 00 00 00 03 | 00 00 00 04 | 00x7 12 | 00 00 00 00"),
         [&](auto& o) { return v2.write_record(o, ftp_dir); }, ftp_directory_record_fixed},
        {hex("08 | 00 01 67 00 | 00x7 05 | 00x7 13 | 00 | 00 00 00 00"),
         [&](auto& o) { return v2.write_record(o, ftp_file); }, ftp_file_record_fixed},
    };
    for (const auto& c : cases) {
        std::uint32_t count = 0;
        const Bytes bytes = written(v2, [&](auto&, auto& o) { return c.write(o); }, &count);
        EXPECT_EQ(bytes, c.expected);
        EXPECT_EQ(count, bytes.size());
        EXPECT_EQ(count, c.fixed + (bytes[2] == 2 ? 6u : 4u));
    }
    Reader r(cases[0].expected);
    r.in.read_byte();
    EXPECT_EQ(v2.read_directory_record(r.in), dir);
    Reader f(cases[1].expected);
    f.in.read_byte();
    EXPECT_EQ(v2.read_file_record(f.in), file);
    Reader fd(cases[2].expected);
    fd.in.read_byte();
    EXPECT_EQ(v2.read_ftp_directory_record(fd.in), ftp_dir);
    Reader ff(cases[3].expected);
    ff.in.read_byte();
    EXPECT_EQ(v2.read_ftp_file_record(ff.in), ftp_file);
}

TEST(ArchiveFormat, VolumeLinkAndTrailers) {
    const VolumeLink link{1, VolumeRole::continuation, 0, u"a.bvf", u"b"};
    const Bytes expected = hex(
        "00 00 00 22 | 00 00 00 01 | 00 02 | 00x8 | 00 05 61 00 2E 00 62 00 76 00 66 00 | 00 01 62 00 | 00 00 00 00");
    EXPECT_EQ(written(v2, [&](auto& f, auto& o) { return f.write_volume_link(o, link); }), expected);
    Reader r(expected);
    EXPECT_EQ(v2.read_volume_link(r.in), link);

    EXPECT_EQ(written(v2, [](auto& f, auto& o) { return f.write_trailer(o, u""); }), hex("00x8"));
    const Bytes chained = written(v2, [](auto& f, auto& o) { return f.write_trailer(o, u"v_1.bvs"); });
    Reader end(hex("00x8")), next(chained);
    EXPECT_EQ(v2.read_trailer(end.in), u"");
    EXPECT_EQ(v2.read_trailer(next.in), u"v_1.bvs");
}

TEST(ArchiveFormatV1, ReadsAnsiStringsAndFillers) {
    const ArchiveFormatV1 v1(0x00010006);
    // A file record of the older format: byte-counted ANSI name, fields, then
    // 32 bytes of which the first is the data flag.
    const Bytes record = hex("00 04 63 C3 A9 66 | 00x7 09 | 00x7 11 | 00 00 00 20 | 00x7 21 | 00x7 31 | 00 FFx31");
    Reader r(record);
    const FileRecord f = v1.read_file_record(r.in);
    EXPECT_EQ(f.name, u"c\u00E9f");
    EXPECT_EQ(f.stored_size, 9);
    EXPECT_EQ(f.data_flag, data_unusable);
    EXPECT_EQ(f.posix_mode, 0u);
    EXPECT_EQ(r.in.available(), 0);

    // Round trips of the older run header and security header.
    RunHeader run;
    run.file_count = 1;
    const Bytes run_bytes = written(v1, [&](auto& fmt, auto& o) { return fmt.write_run_header(o, run); });
    EXPECT_EQ(run_bytes.size(), 4u + 36 + v1_run_header_filler);
    Reader rr(run_bytes);
    EXPECT_EQ(v1.read_run_header(rr.in, false), run);
    const SecurityHeader h = unprotected_header();
    const Bytes sec = written(v1, [&](auto& fmt, auto& o) { return fmt.write_security_header(o, h); });
    Reader rs(sec);
    EXPECT_EQ(v1.read_security_header(rs.in), h);
    EXPECT_EQ(rs.in.available(), 0);

    Reader too_long(hex("02 09 61"));
    EXPECT_THROW(v1.read_string(too_long.in), bk::FormatException);
}

TEST(ArchiveFormat, TruncatedAndForeignBytesGiveErrorsNotCrashes) {
    const Bytes whole = written(v2, [](auto& f, auto& o) { return f.write_security_header(o, unprotected_header()); });
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        Reader r(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_THROW(v2.read_security_header(r.in), bk::EOFException) << cut;
    }
    Bytes bad_kind = whole;
    bad_kind[19] = 0x09;  // security kind 9 does not exist
    Reader r(bad_kind);
    EXPECT_THROW(v2.read_security_header(r.in), bk::FormatException);
    EXPECT_EQ(ArchiveFormat::for_version(format_version_2)->is_unicode(), true);
    EXPECT_EQ(ArchiveFormat::for_version(0x00010007)->is_unicode(), false);
}

}  // namespace
}  // namespace brim::archive
