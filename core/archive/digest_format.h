#pragma once
// Every constant of the digest file kept beside an archive set, in one
// place. The set's own layout has no room for checksums, so each run's file
// digests live in "<main archive>.bvh" (".bvf.bvh", ".bvd.bvh"); a set
// without one reads and appends as before.
//
// Header (48 bytes):
//
//   0  u32 magic 0x42564844 ("BVHD")
//   4  u32 version (0x00010000)
//   8  u32 header size (48)
//  12  u32 0
//  16  32  SHA-256 of bytes 0..15
//
// Then one block per run, in the order of the set's runs:
//
//   0  u32 L, the length of the body that follows
//   4  L   body:
//          i64 the run's backup time       \  the run the block belongs to,
//          u32 the run's file count         |  as its run header gives them
//          u64 the run's data area length  /
//          u32 number of entries (the file count)
//          per file in catalogue order: u8 kind (DigestKind), then the
//          plain digest (32) unless kind 0, then the stored digest (32)
//          for kind 2
// 4+L  32  chain digest: SHA-256 of the previous chain digest (the
//          header's digest for the first block) followed by bytes 0..4+L-1
//          of this block
//
// The last block's chain digest thus covers the whole file. Integers are
// big-endian. A block whose length runs past the end of the file or whose
// chain digest does not match ends what is read: the bytes from there on
// are an unfinished or damaged tail.
#include <cstdint>

namespace brim::archive {

inline constexpr std::uint32_t digest_magic = 0x42564844;
inline constexpr std::uint32_t digest_version = 0x00010000;
inline constexpr std::uint32_t digest_header_size = 48;
inline constexpr std::uint32_t digest_size = 32;
inline constexpr char16_t digest_suffix[] = u".bvh";

// The fixed part of a block body: time, file count, data length, entries.
inline constexpr std::uint32_t digest_block_fixed = 8 + 4 + 8 + 4;

// What one entry holds.
enum class DigestKind : std::uint8_t {
    none = 0,              // the file's data was not stored whole: nothing to compare
    plain = 1,             // its plain data, which is also what the set stores
    plain_and_stored = 2,  // its plain data, and the enciphered bytes the set stores
};

}  // namespace brim::archive
