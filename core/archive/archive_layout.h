#pragma once
// Every constant of the archive set's byte layout, in one place. Writer and
// reader both take their numbers from here.
//
// A set is a main archive (".bvf", or ".bvd" for the copy kinds) and
// continuation volumes (".bvs"). Every file starts with the file header:
//
//   0  u32 magic 0xEC896D1F
//   4  u32 format version (0x00020000 for the current format)
//   8  u32 span (see Span)
//
// The main archive continues with the security header at offset 12:
//
//  12  u32 size of the header counted from offset 16
//  16  u32 number of runs in the set
//  20  i64 job creation time
//  28  u16 backup kind
//  30  u16 security kind
//  32  16  salt
//  48  16  initialisation vector
//  64  32  data key (wrapped under the password key unless kind 0 or 8)
//  96  str job name, u32 source count, sources (tag, recursive, path),
//      u32 time value, 16 verifier, 32 job-wrapped key,
//      u32 FTP server count, servers, u32 0
//
// Each run is a run header, its catalogue of item records, and (for the
// archive kinds) its data area: per file 01 00, the stored data, 01 00.
// Every file of the set ends with a trailer: 8 zero bytes, or the file name
// of the next volume as a string.
//
// Integers are big-endian; a current-format string is a u16 count of UTF-16
// units stored little-endian; the data markers are raw bytes.
#include <cstdint>

namespace brim::archive {

inline constexpr std::uint32_t magic = 0xEC896D1F;
inline constexpr std::uint32_t format_version_2 = 0x00020000;

inline constexpr std::uint32_t file_header_size = 12;
inline constexpr std::uint32_t offset_span = 8;
inline constexpr std::uint32_t offset_security_size = 12;
inline constexpr std::uint32_t offset_run_count = 16;
inline constexpr std::uint32_t offset_security_fields = 30;  // security kind onwards
inline constexpr std::uint32_t salt_size = 16;
inline constexpr std::uint32_t iv_size = 16;
inline constexpr std::uint32_t key_size = 32;
inline constexpr std::uint32_t verifier_size = 16;

// The span word of the file header.
enum class Span : std::uint32_t {
    complete = 0,      // the run data of this file is complete in it
    first = 1,         // first file of a set whose data continues in volumes
    continued = 2,     // continuation volume followed by further volumes
    last = 3,          // last continuation volume
};
inline constexpr std::uint32_t span_limit = 4;  // span words from here on are invalid

// Security kinds of the security header.
enum class SecurityKind : std::uint16_t {
    none = 0,
    password_only = 1,
    xor_cipher = 2,
    panama_cipher = 3,
    rijndael_cipher = 4,
    xor_with_password = 5,
    panama_with_password = 6,
    rijndael_with_password = 7,
    password_removed = 8,
};

// Source tags of the security header.
enum class SourceTag : std::uint8_t {
    directory = 5,
    file = 6,
    ftp_directory = 7,
    ftp_file = 8,
    ftp_server = 9,
};

// Catalogue record tags.
enum class RecordTag : std::uint8_t {
    directory = 5,
    file = 6,
    ftp_directory = 7,
    ftp_file = 8,
};

// Data flag of a file record.
inline constexpr std::uint8_t data_valid = 0xFF;
inline constexpr std::uint8_t data_unusable = 0x00;

// Data area markers, two raw bytes each.
inline constexpr std::uint8_t marker_data[2] = {0x01, 0x00};
inline constexpr std::uint8_t marker_reserved[2] = {0xFF, 0xFF};  // space reserved, data not written
inline constexpr std::uint32_t marker_size = 2;

// Fixed record sizes, tag included, without the name string.
inline constexpr std::uint32_t directory_record_fixed = 41;
inline constexpr std::uint32_t file_record_fixed = 42;
inline constexpr std::uint32_t ftp_directory_record_fixed = 21;
inline constexpr std::uint32_t ftp_file_record_fixed = 22;

// Run header: the data area length lies 32 bytes after the header's start
// (u32 size, i64 time, u16 compression, u16 cipher, u32 dirs, u32 files,
// u64 total size).
inline constexpr std::uint32_t offset_run_data_length = 32;

// VolumeLink: u32 size, u32 run count (at offset 16 of the volume), u16 role,
// u64 start value, string main archive name, string own name, u32 0.
inline constexpr std::uint32_t volume_link_fixed = 22;
inline constexpr std::uint32_t volume_link_fixed_v1 = 14;
enum class VolumeRole : std::uint16_t { new_run = 0, continuation = 2 };

inline constexpr std::uint32_t trailer_size = 8;  // eight zero bytes end the chain

// The older format: fillers of 0xFF in place of the newer fields.
inline constexpr std::uint32_t v1_record_filler = 32;
inline constexpr std::uint32_t v1_run_header_filler = 60;
inline constexpr std::uint32_t v1_security_filler = 96;
inline constexpr std::uint32_t v1_string_max_bytes = 520;

// File data moves in chunks of this size, each ciphered as one unit.
inline constexpr std::uint32_t chunk_size = 65536;

// Sizing of a run's headers and catalogue, and the room kept free in a file.
inline constexpr std::uint64_t estimate_per_directory = 197;
inline constexpr std::uint64_t estimate_per_file = 101;
inline constexpr std::uint64_t estimate_base = 16576;
inline constexpr std::uint64_t room_reserve = 16384;
inline constexpr std::uint64_t volume_room_reserve = 16396;
inline constexpr std::uint64_t default_segment_limit = 0xC0000000;  // 3 GiB

}  // namespace brim::archive
